// qzctl's command line: one command with its arguments, options anywhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qzctl {

enum class Command { None, List, Identify, McuWrite, McuRead };

struct Options
{
    Command command = Command::None;
    bool help = false;
    bool version = false;
    bool debug = false;
    bool json = false; // list, identify: one JSON document instead of text
    bool raw = false; // identify: the 4096 bytes instead of the summary
    std::string rawFile; // identify --raw: "" or "-" for standard output
    std::string library; // --library: a path instead of loading by name
    std::string simulation; // --simulation: a simulation file
    uint32_t drive = 0; // N
    std::string blockFile; // mcu-write FILE, mcu-read REQUEST-FILE
    std::string answerFile; // mcu-read ANSWER-FILE
};

struct ParseResult
{
    bool ok = false;
    std::string error; // what is wrong, for the user
    Options options;
};

// Parses the arguments after the program name.
ParseResult ParseCommandLine(const std::vector<std::string> &args);

// The text of --help.
std::string UsageText();

} // namespace qzctl
