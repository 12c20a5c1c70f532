// The simulation file, line by line:
//
//   # comment                       (also "; comment"; blank lines ignored)
//   [simulation]
//   list = fail                     the disk list cannot be obtained
//   record = /tmp/requests.txt      append one line per request received
//
//   [drive]                         one section per drive, in listing order
//   path = /sys/devices/.../nvme/nvme0/nvme0n1
//   kind = nvme | jmicron | asmedia | disk
//   number = 0 | none               disk number (default: the drive's position)
//   copies = 80                     this drive 80 times; "{n}" in the path is
//                                   replaced by 0..79 and the number grows by n
//   vendor, product, revision       INQUIRY identification
//   chip = 0583                     bridge chip identifier
//   medium = yes | no               a drive inside the bridge
//   block_length = 512, last_lba = 16777215
//   model, serial, firmware         Identify Controller fields
//   upgrade = yes | no              firmware download support
//   slots = ro SIMFW001, rw SIMFW002   firmware slots 1, 2, ...
//   active_slot = 2, pending_slot = none | <slot>
//   log_c6 = 01 02 03 ...           log page C6h (hex bytes, zero-filled to 4096)
//   answer = echo | invert | zero   log page C7h after a command block
//   fault = <target> <effect> [options]
//     targets: open, disknumber, inquiry, tur, readcap, scsi <hex opcode>,
//              identify, log <hex id> | log any, download, fwinfo
//     effects: fail [error <n>] | status <n> | returncode <n>
//              | short <n> (the SCSI command moves only n bytes, status GOOD)
//     options: after <n> (let n through first), times <n>,
//              payload | data (which SCSI command of a bridged NVMe command)
#include <charconv>

#include "DeviceAccess/sim/SimDrive.h"

namespace qz::sim {
namespace {

constexpr uint32_t kMaxCopies = 1024;
constexpr std::size_t kMaxDrives = 4096;

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s)
{
    std::string out(s);
    for (char &c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view s, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == separator) {
            parts.push_back(Trim(s.substr(start, i - start)));
            start = i + 1;
        }
    }
    return parts;
}

std::vector<std::string_view> Words(std::string_view s)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && s[i] != ' ' && s[i] != '\t')
            ++i;
        if (i > start)
            words.push_back(s.substr(start, i - start));
    }
    return words;
}

// Decimal, or hexadecimal with 0x.
bool ParseNumber(std::string_view s, uint64_t max, uint64_t &value)
{
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (s.empty())
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    return ec == std::errc() && end == s.data() + s.size() && value <= max;
}

bool ParseHexByte(std::string_view s, int &value)
{
    uint64_t v = 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s.remove_prefix(2);
    if (s.empty() || s.size() > 2)
        return false;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, 16);
    if (ec != std::errc() || end != s.data() + s.size())
        return false;
    value = static_cast<int>(v);
    return true;
}

bool ParseBool(std::string_view s, bool &value)
{
    const std::string v = Lower(s);
    if (v == "yes" || v == "true" || v == "1" || v == "on") {
        value = true;
        return true;
    }
    if (v == "no" || v == "false" || v == "0" || v == "off") {
        value = false;
        return true;
    }
    return false;
}

bool ParseHexBytes(std::string_view s, std::vector<uint8_t> &bytes)
{
    bytes.clear();
    int high = -1;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == ',' || c == ':')
            continue;
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (high < 0) {
            high = digit;
        } else {
            if (bytes.size() >= NVME_DATA_BLOCK_SIZE)
                return false;
            bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
            high = -1;
        }
    }
    return high < 0;
}

bool ParseFault(std::string_view text, Fault &fault, std::string &why)
{
    const std::vector<std::string_view> words = Words(text);
    std::size_t i = 0;
    auto next = [&](std::string_view &word) {
        if (i >= words.size())
            return false;
        word = words[i++];
        return true;
    };
    std::string_view word;
    if (!next(word)) {
        why = "fault without a target";
        return false;
    }
    const std::string target = Lower(word);
    if (target == "open")
        fault.target = FaultTarget::Open;
    else if (target == "disknumber")
        fault.target = FaultTarget::DiskNumber;
    else if (target == "inquiry")
        fault = Fault {FaultTarget::Scsi, 0x12};
    else if (target == "tur")
        fault = Fault {FaultTarget::Scsi, 0x00};
    else if (target == "readcap")
        fault = Fault {FaultTarget::Scsi, 0x25};
    else if (target == "identify")
        fault.target = FaultTarget::Identify;
    else if (target == "download")
        fault.target = FaultTarget::Download;
    else if (target == "fwinfo")
        fault.target = FaultTarget::FwInfo;
    else if (target == "scsi" || target == "log") {
        std::string_view arg;
        int value = -1;
        if (!next(arg) || (!(target == "log" && Lower(arg) == "any") && !ParseHexByte(arg, value))) {
            why = "fault " + target + " needs a hexadecimal "
                + (target == "scsi" ? "operation code" : "log identifier");
            return false;
        }
        if (target == "scsi") {
            fault.target = FaultTarget::Scsi;
            fault.scsiOpcode = value;
        } else {
            fault.target = FaultTarget::Log;
            fault.logId = value;
        }
    } else {
        why = "unknown fault target \"" + std::string(word) + "\"";
        return false;
    }

    bool haveEffect = false;
    while (next(word)) {
        const std::string w = Lower(word);
        std::string_view arg;
        uint64_t number = 0;
        auto numberArg = [&]() {
            if (!next(arg) || !ParseNumber(arg, UINT32_MAX, number)) {
                why = "\"" + w + "\" needs a number";
                return false;
            }
            return true;
        };
        if (w == "fail") {
            fault.effect = FaultEffect::Fail;
            haveEffect = true;
        } else if (w == "short") {
            if (!numberArg())
                return false;
            fault.effect = FaultEffect::Short;
            fault.value = static_cast<uint32_t>(number);
            haveEffect = true;
        } else if (w == "status" || w == "returncode") {
            if (!numberArg())
                return false;
            if (w == "status" && number > 0xFF) {
                why = "a SCSI status is one byte";
                return false;
            }
            fault.effect = w == "status" ? FaultEffect::Status : FaultEffect::ReturnCode;
            fault.value = static_cast<uint32_t>(number);
            haveEffect = true;
        } else if (w == "error" || w == "after" || w == "times") {
            if (!numberArg())
                return false;
            (w == "error" ? fault.error : w == "after" ? fault.after : fault.times) = static_cast<uint32_t>(number);
        } else if (w == "payload") {
            fault.phase = FaultPhase::Payload;
        } else if (w == "data") {
            fault.phase = FaultPhase::Data;
        } else {
            why = "unknown fault word \"" + std::string(word) + "\"";
            return false;
        }
    }
    if (!haveEffect) {
        why = "fault without an effect (fail, status, returncode or short)";
        return false;
    }
    return true;
}

// Checks that each fault can happen to a drive of this kind.
bool CheckFaults(const DriveConfig &drive, std::string &why)
{
    for (const Fault &f : drive.faults) {
        const bool nvmeCommand
            = f.target == FaultTarget::Identify || f.target == FaultTarget::Log || f.target == FaultTarget::Download;
        if (f.effect == FaultEffect::Status && !(f.target == FaultTarget::Scsi || (nvmeCommand && drive.IsBridge()))) {
            why = "a status fault needs a SCSI command";
            return false;
        }
        if (f.effect == FaultEffect::Short && !(nvmeCommand && drive.IsBridge())) {
            why = "a short fault needs a bridged NVMe command";
            return false;
        }
        if (f.effect == FaultEffect::ReturnCode
            && !(drive.kind == DriveKind::Nvme
                 && (f.target == FaultTarget::FwInfo || f.target == FaultTarget::Download))) {
            why = "a returncode fault needs a firmware request of a directly attached drive";
            return false;
        }
    }
    return true;
}

struct Section
{
    DriveConfig drive;
    bool numberGiven = false;
    uint32_t copies = 1;
    int line = 0;
};

bool FinishDrive(Section &section, SimConfig &config, std::string &why)
{
    DriveConfig &d = section.drive;
    if (d.path.empty()) {
        why = "drive without a path";
        return false;
    }
    if (!CheckFaults(d, why))
        return false;
    if (!section.numberGiven)
        d.number = static_cast<int64_t>(config.drives.size());
    const bool numbered = d.path.find("{n}") != std::string::npos;
    if (section.copies > 1 && !numbered) {
        why = "copies need \"{n}\" in the path";
        return false;
    }
    if (config.drives.size() + section.copies > kMaxDrives) {
        why = "too many drives";
        return false;
    }
    for (uint32_t n = 0; n < section.copies; ++n) {
        DriveConfig copy = d;
        std::size_t at;
        while ((at = copy.path.find("{n}")) != std::string::npos)
            copy.path.replace(at, 3, std::to_string(n));
        if (copy.number >= 0)
            copy.number += n;
        config.drives.push_back(std::move(copy));
    }
    return true;
}

bool SetDriveKey(Section &s, const std::string &key, std::string_view value, std::string &why)
{
    DriveConfig &d = s.drive;
    uint64_t number = 0;
    const std::string v(value);
    if (key == "path")
        d.path = v;
    else if (key == "kind") {
        const std::string kind = Lower(value);
        if (kind == "nvme")
            d.kind = DriveKind::Nvme;
        else if (kind == "jmicron")
            d.kind = DriveKind::JMicron;
        else if (kind == "asmedia")
            d.kind = DriveKind::ASMedia;
        else if (kind == "disk")
            d.kind = DriveKind::Disk;
        else {
            why = "unknown kind \"" + v + "\"";
            return false;
        }
    } else if (key == "number") {
        s.numberGiven = true;
        if (Lower(value) == "none")
            d.number = -1;
        else if (ParseNumber(value, INT32_MAX, number))
            d.number = static_cast<int64_t>(number);
        else {
            why = "bad number";
            return false;
        }
    } else if (key == "copies") {
        if (!ParseNumber(value, kMaxCopies, number) || number == 0) {
            why = "copies must be 1 to 1024";
            return false;
        }
        s.copies = static_cast<uint32_t>(number);
    } else if (key == "vendor")
        d.vendor = v;
    else if (key == "product")
        d.product = v;
    else if (key == "revision")
        d.revision = v;
    else if (key == "chip")
        d.chip = v;
    else if (key == "medium") {
        if (!ParseBool(value, d.medium)) {
            why = "medium is yes or no";
            return false;
        }
    } else if (key == "block_length") {
        if (!ParseNumber(value, 0xFFFFFFFFu, number)) {
            why = "bad block_length";
            return false;
        }
        d.blockLength = static_cast<uint32_t>(number);
    } else if (key == "last_lba") {
        if (!ParseNumber(value, 0xFFFFFFFFu, number)) {
            why = "bad last_lba";
            return false;
        }
        d.lastLba = static_cast<uint32_t>(number);
    } else if (key == "model")
        d.model = v;
    else if (key == "serial")
        d.serial = v;
    else if (key == "firmware")
        d.firmware = v;
    else if (key == "upgrade") {
        if (!ParseBool(value, d.upgrade)) {
            why = "upgrade is yes or no";
            return false;
        }
    } else if (key == "slots") {
        d.slots.clear();
        for (std::string_view item : Split(value, ',')) {
            const std::vector<std::string_view> words = Words(item);
            if (words.empty() || words.size() > 2) {
                why = "a slot is \"ro|rw [revision]\"";
                return false;
            }
            const std::string mode = Lower(words[0]);
            if (mode != "ro" && mode != "rw") {
                why = "a slot is \"ro|rw [revision]\"";
                return false;
            }
            if (d.slots.size() >= 7) {
                why = "at most 7 firmware slots";
                return false;
            }
            d.slots.push_back({mode == "ro", words.size() > 1 ? std::string(words[1]) : std::string()});
        }
    } else if (key == "active_slot" || key == "pending_slot") {
        if (key == "pending_slot" && Lower(value) == "none")
            d.pendingSlot = 0;
        else if (ParseNumber(value, 7, number))
            (key == "active_slot" ? d.activeSlot : d.pendingSlot) = static_cast<uint8_t>(number);
        else {
            why = "a slot number is 1 to 7";
            return false;
        }
    } else if (key == "log_c6") {
        if (!ParseHexBytes(value, d.logC6)) {
            why = "log_c6 takes up to 4096 hexadecimal bytes";
            return false;
        }
    } else if (key == "answer") {
        const std::string a = Lower(value);
        if (a == "echo")
            d.answer = McuAnswer::Echo;
        else if (a == "invert")
            d.answer = McuAnswer::Invert;
        else if (a == "zero")
            d.answer = McuAnswer::Zero;
        else {
            why = "answer is echo, invert or zero";
            return false;
        }
    } else if (key == "fault") {
        Fault fault;
        if (!ParseFault(value, fault, why))
            return false;
        d.faults.push_back(fault);
    } else {
        why = "unknown key \"" + key + "\"";
        return false;
    }
    return true;
}

} // namespace

bool ParseSimConfig(std::string_view text, SimConfig &config, std::string &error)
{
    config = SimConfig();
    enum class Where { None, Simulation, Drive } where = Where::None;
    Section section;
    int lineNumber = 0;
    std::string why;
    auto fail = [&](int line) {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    };

    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        std::string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNumber;
        if (line.empty() || line[0] == '#' || line[0] == ';') {
            if (end == text.size())
                break;
            continue;
        }
        if (line.front() == '[') {
            if (line.back() != ']') {
                why = "unclosed section";
                return fail(lineNumber);
            }
            if (where == Where::Drive && !FinishDrive(section, config, why))
                return fail(section.line);
            const std::string name = Lower(Trim(line.substr(1, line.size() - 2)));
            if (name == "simulation") {
                where = Where::Simulation;
            } else if (name == "drive") {
                where = Where::Drive;
                section = Section();
                section.line = lineNumber;
            } else {
                why = "unknown section [" + name + "]";
                return fail(lineNumber);
            }
        } else {
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos) {
                why = "expected key = value";
                return fail(lineNumber);
            }
            const std::string key = Lower(Trim(line.substr(0, equals)));
            const std::string_view value = Trim(line.substr(equals + 1));
            if (where == Where::Drive) {
                if (!SetDriveKey(section, key, value, why))
                    return fail(lineNumber);
            } else if (where == Where::Simulation) {
                if (key == "list") {
                    const std::string v = Lower(value);
                    if (v != "fail" && v != "ok") {
                        why = "list is ok or fail";
                        return fail(lineNumber);
                    }
                    config.settings.listFails = v == "fail";
                } else if (key == "record") {
                    config.settings.recordFile = std::string(value);
                } else {
                    why = "unknown key \"" + key + "\"";
                    return fail(lineNumber);
                }
            } else {
                why = "key outside a section";
                return fail(lineNumber);
            }
        }
        if (end == text.size())
            break;
    }
    if (where == Where::Drive && !FinishDrive(section, config, why))
        return fail(section.line);
    return true;
}

} // namespace qz::sim
