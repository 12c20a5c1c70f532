// Reading the drive library's debug channel: every line starts with "\n[DLL]".
// qzctl learns from it what the exports do not say: which disk the
// enumeration is examining, how each drive it kept is reached, and which
// requests the system refused for want of a permission.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qzctl {

// The texts of the lines in `text`, without their "\n[DLL]" prefix. With
// `completeOnly`, a last line that has not yet ended (no line feed after it)
// is left out.
std::vector<std::string_view> DebugLines(std::string_view text, bool completeOnly = false);

// A drive the enumeration kept, as its line reports it.
struct KeptDrive
{
    unsigned index = 0;
    bool bridge = false; // through a USB bridge; otherwise directly attached
    std::string bridgeVendor; // "JMicron", "ASMedia"; empty for a direct drive
    std::string physicalDrive; // direct drives: the physical-drive name
    std::string path; // the interface path
};
std::vector<KeptDrive> KeptDrives(std::string_view text);

// A request the system refused for want of a permission or privilege.
struct Denial
{
    enum class Action { Open, ScsiPassThrough, NvmeAdmin };
    Action action = Action::Open;
    unsigned error = 0;
    std::string path;
};
std::vector<Denial> Denials(std::string_view text);

// How far an enumeration has come: disk `position` (0-based) of `total`.
struct EnumerationProgress
{
    bool known = false;
    int position = 0;
    int total = 0;
    std::string path;
};
EnumerationProgress ProgressOf(std::string_view text);

// The number of disks the enumeration examined, or -1 when not reported.
int DisksExamined(std::string_view text);

// The slots whose drive the library found gone or replaced (nothing was
// sent to them), in the order reported.
std::vector<unsigned> ReplacedSlots(std::string_view text);

// Whether the library refused an MCU block its bridge does not carry.
bool BlockNotCarried(std::string_view text);

// Problems with a simulation file that the library reported.
std::vector<std::string> SimulationProblems(std::string_view text);

// The device node a library path stands for on Linux: /dev/ + the last
// component of a sysfs path, /dev/nvme<n> for a physical-drive name.
std::string DeviceNodeOf(const std::string &path);

// What the user must have for a refused request, in a sentence fragment
// ("the CAP_SYS_ADMIN capability for NVMe admin commands (run as root)").
std::string PrivilegeNeeded(const Denial &denial);

} // namespace qzctl
