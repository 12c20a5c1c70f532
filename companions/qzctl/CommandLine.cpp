#include "CommandLine.h"

#include <cstddef>

namespace qzctl {
namespace {

// A drive number is a decimal number that fits the library's instance
// numbers' type; anything longer is not a drive number at all.
bool ParseDrive(const std::string &text, uint32_t &drive)
{
    if (text.empty())
        return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return false;
    }
    drive = static_cast<uint32_t>(value);
    return true;
}

bool StartsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

} // namespace

std::string UsageText()
{
    return R"(Usage: qzctl [OPTIONS] COMMAND [ARGUMENTS]

Finds the lighting-capable NVMe drives that the drive library can reach and
exchanges lighting-MCU blocks with them.

Commands:
  list                     list the drives: number, transport, bridge, model,
                           serial number, firmware revision and device path
  identify N               show a summary of drive N's Identify data
  identify N --raw [FILE]  write drive N's 4096 bytes of Identify data to FILE
                           (standard output without FILE or with -)
  list --json, identify N --json
                           the same as one JSON document on standard output
  mcu-write N FILE         send the 4096-byte command block in FILE to the
                           lighting MCU of drive N
  mcu-read N REQUEST-FILE ANSWER-FILE
                           send the 4096-byte request block in REQUEST-FILE
                           and write the MCU's 4096-byte answer to ANSWER-FILE
                           (- for standard output)

Options:
  --debug                  show the library's debug lines on standard error
  --json                   print list and identify as JSON
  --library PATH           load the library from PATH instead of by name
  --simulation FILE        use the simulated drives described in FILE
  -h, --help               show this text
  -V, --version            show the versions of qzctl and of the library

Drive numbers are those that 'qzctl list' shows; they can change when drives
are added or removed. Block files hold exactly 4096 bytes.

Exit status:
  0  success                  4  no drives found
  1  the command failed       5  no drive with that number
  2  usage error or bad file  6  permission denied on the device nodes
  3  library not found
)";
}

ParseResult ParseCommandLine(const std::vector<std::string> &args)
{
    ParseResult result;
    Options &o = result.options;
    std::vector<std::string> positional;
    bool rawFileGiven = false;
    auto fail = [&result](std::string error) {
        result.ok = false;
        result.error = std::move(error);
        return result;
    };

    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg == "-" || !StartsWith(arg, "-")) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "-h" || arg == "--help") {
            o.help = true;
        } else if (arg == "-V" || arg == "--version") {
            o.version = true;
        } else if (arg == "--debug") {
            o.debug = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--raw") {
            o.raw = true;
        } else if (StartsWith(arg, "--raw=")) {
            o.raw = true;
            o.rawFile = arg.substr(6);
            rawFileGiven = true;
        } else if (arg == "--library" || arg == "--simulation") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return fail(arg + " needs a file name");
            (arg == "--library" ? o.library : o.simulation) = args[++i];
        } else if (StartsWith(arg, "--library=") || StartsWith(arg, "--simulation=")) {
            const std::size_t eq = arg.find('=');
            const std::string value = arg.substr(eq + 1);
            if (value.empty())
                return fail(arg.substr(0, eq) + " needs a file name");
            (StartsWith(arg, "--library=") ? o.library : o.simulation) = value;
        } else {
            return fail("unknown option " + arg);
        }
    }
    if (o.help || o.version) {
        result.ok = true;
        return result;
    }
    if (positional.empty())
        return fail("no command given");

    const std::string &name = positional[0];
    std::size_t wanted = 0;
    if (name == "list") {
        o.command = Command::List;
        wanted = 1;
    } else if (name == "identify") {
        o.command = Command::Identify;
        wanted = 2;
    } else if (name == "mcu-write") {
        o.command = Command::McuWrite;
        wanted = 3;
    } else if (name == "mcu-read") {
        o.command = Command::McuRead;
        wanted = 4;
    } else {
        return fail("unknown command \"" + name + "\"");
    }

    if (o.raw && o.command != Command::Identify)
        return fail("--raw belongs to identify");
    if (o.json && o.command != Command::List && o.command != Command::Identify)
        return fail("--json belongs to list and identify");
    if (o.json && o.raw)
        return fail("--json and --raw exclude each other");
    // identify N --raw FILE: the file is a third word.
    if (o.command == Command::Identify && o.raw && !rawFileGiven && positional.size() == 3) {
        o.rawFile = positional[2];
        positional.pop_back();
    }
    if (positional.size() < wanted)
        return fail(name + ": missing arguments");
    if (positional.size() > wanted)
        return fail(name + ": too many arguments");
    if (wanted >= 2 && !ParseDrive(positional[1], o.drive)) {
        return fail("\"" + positional[1] + "\" is not a drive number (0, 1, 2, ...)");
    }
    if (o.command == Command::McuWrite || o.command == Command::McuRead)
        o.blockFile = positional[2];
    if (o.command == Command::McuRead)
        o.answerFile = positional[3];
    result.ok = true;
    return result;
}

} // namespace qzctl
