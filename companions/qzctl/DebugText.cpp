#include "DebugText.h"

#include <charconv>

// The formats come from the library itself, so a changed line breaks this
// reader's build or its round-trip test instead of the tool going quiet.
#include "../../qzlibrary/dbg/DebugLineFormats.h"

namespace qzctl {
namespace {

namespace lines = qz::dbg::lines;
constexpr std::string_view kPrefix = lines::kLinePrefix;

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view WithoutLineEnd(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// Reads an unsigned decimal number at the front of `text` and drops it.
bool TakeNumber(std::string_view &text, unsigned &value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data())
        return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

bool TakePrefix(std::string_view &text, std::string_view prefix)
{
    if (!StartsWith(text, prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

std::vector<std::string_view> DebugLines(std::string_view text, bool completeOnly)
{
    std::vector<std::string_view> lines;
    std::size_t at = text.find(kPrefix);
    while (at != std::string_view::npos) {
        const std::size_t start = at + kPrefix.size();
        const std::size_t next = text.find(kPrefix, start);
        const std::string_view line
            = text.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
        if (next != std::string_view::npos || !completeOnly || (!line.empty() && line.back() == '\n')) {
            lines.push_back(line);
        }
        at = next;
    }
    return lines;
}

std::vector<KeptDrive> KeptDrives(std::string_view text)
{
    // "######### - QZ device <n>: USB bridge <vendor>, <path>"
    // "######### - QZ device <n>: NVMe <physical drive>, <path>"
    std::vector<KeptDrive> drives;
    for (std::string_view line : DebugLines(text)) {
        line = WithoutLineEnd(line);
        KeptDrive drive;
        if (!TakePrefix(line, lines::kKeptDrive) || !TakeNumber(line, drive.index) || !TakePrefix(line, ": ")) {
            continue;
        }
        if (TakePrefix(line, lines::kKeptBridge)) {
            drive.bridge = true;
        } else if (!TakePrefix(line, lines::kKeptNvme)) {
            continue;
        }
        const std::size_t comma = line.find(", ");
        if (comma == std::string_view::npos)
            continue;
        (drive.bridge ? drive.bridgeVendor : drive.physicalDrive) = std::string(line.substr(0, comma));
        drive.path = std::string(line.substr(comma + 2));
        // A later enumeration renumbers: the last report of a number counts.
        if (drive.index < drives.size()) {
            drives[drive.index] = drive;
        } else if (drive.index == drives.size()) {
            drives.push_back(drive);
        }
    }
    return drives;
}

std::vector<Denial> Denials(std::string_view text)
{
    // "######### - Permission denied (error <n>): <action> <path>"
    std::vector<Denial> denials;
    for (std::string_view line : DebugLines(text)) {
        line = WithoutLineEnd(line);
        Denial denial;
        if (!TakePrefix(line, lines::kDenied) || !TakeNumber(line, denial.error) || !TakePrefix(line, "): ")) {
            continue;
        }
        if (TakePrefix(line, lines::kDeniedOpen) && TakePrefix(line, " ")) {
            denial.action = Denial::Action::Open;
        } else if (TakePrefix(line, lines::kDeniedScsi) && TakePrefix(line, " ")) {
            denial.action = Denial::Action::ScsiPassThrough;
        } else if (TakePrefix(line, lines::kDeniedNvme) && TakePrefix(line, " ")) {
            denial.action = Denial::Action::NvmeAdmin;
        } else {
            continue;
        }
        denial.path = std::string(line);
        denials.push_back(std::move(denial));
    }
    return denials;
}

EnumerationProgress ProgressOf(std::string_view text)
{
    EnumerationProgress progress;
    for (std::string_view line : DebugLines(text, true)) {
        line = WithoutLineEnd(line);
        unsigned number = 0;
        if (TakePrefix(line, lines::kDiskCount)) {
            if (TakeNumber(line, number))
                progress.total = static_cast<int>(number);
        } else if (TakePrefix(line, lines::kDiskPath) && TakeNumber(line, number)
                   && TakePrefix(line, lines::kDiskPathSeparator)) {
            progress.known = true;
            progress.position = static_cast<int>(number);
            progress.path = std::string(line);
        }
    }
    return progress;
}

int DisksExamined(std::string_view text)
{
    int count = -1;
    for (std::string_view line : DebugLines(text)) {
        unsigned number = 0;
        if (TakePrefix(line, lines::kDiskCount) && TakeNumber(line, number))
            count = static_cast<int>(number);
    }
    return count;
}

std::vector<unsigned> ReplacedSlots(std::string_view text)
{
    std::vector<unsigned> slots;
    for (std::string_view line : DebugLines(text)) {
        unsigned slot = 0;
        if (TakePrefix(line, lines::kReplaced) && TakeNumber(line, slot) && TakePrefix(line, lines::kReplacedTail))
            slots.push_back(slot);
    }
    return slots;
}

bool BlockNotCarried(std::string_view text)
{
    for (std::string_view line : DebugLines(text)) {
        if (StartsWith(line, lines::kNotCarried))
            return true;
    }
    return false;
}

std::vector<std::string> SimulationProblems(std::string_view text)
{
    std::vector<std::string> problems;
    for (std::string_view line : DebugLines(text)) {
        if (StartsWith(line, lines::kSimulation))
            problems.emplace_back(WithoutLineEnd(line));
    }
    return problems;
}

std::string DeviceNodeOf(const std::string &path)
{
    static constexpr std::string_view kPhysicalDrive = "\\\\.\\physicaldrive";
    std::string lower = path;
    for (char &c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (StartsWith(lower, kPhysicalDrive))
        return "/dev/nvme" + path.substr(kPhysicalDrive.size());
    if (StartsWith(path, "/sys/")) {
        const std::size_t slash = path.find_last_of('/');
        return "/dev/" + path.substr(slash + 1);
    }
    return path;
}

std::string PrivilegeNeeded(const Denial &denial)
{
    switch (denial.action) {
    case Denial::Action::Open:
        return "read access to the device node (run as root, or as a member of the group that owns "
               "it, usually \"disk\")";
    case Denial::Action::ScsiPassThrough:
        return "the CAP_SYS_RAWIO capability for vendor SCSI commands (run as root)";
    case Denial::Action::NvmeAdmin:
        return "the CAP_SYS_ADMIN capability for NVMe admin commands (run as root)";
    }
    return std::string();
}

} // namespace qzctl
