// qzctl's commands, messages and exit codes.
#pragma once

#include <string>
#include <vector>

namespace qzctl {

enum ExitCode {
    kExitOk = 0,
    kExitFailed = 1, // the library answered failure
    kExitUsage = 2, // bad arguments or a bad block file
    kExitNoLibrary = 3, // the library cannot be loaded or is not the drive library
    kExitNoDrives = 4, // the enumeration found no drive
    kExitBadDrive = 5, // no drive with the number given
    kExitPermission = 6, // the system refused a request for want of a permission
};

// Runs qzctl with the arguments after the program name; returns the exit code.
int Run(const std::vector<std::string> &args);

} // namespace qzctl
