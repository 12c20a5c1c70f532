// The SCSI side of the emulated USB bridge: the commands the kernel's sd
// driver sends to any USB disk, an INQUIRY that names the chip where hosts
// look for it, and the tunnel that carries NVMe admin commands to the drive
// behind it. JMicron: A1h with a 512-byte payload phase holding the
// submission entry, then a data phase. ASMedia: EAh carrying the 64-byte
// entry, then EBh for the data coming back (the download form of this chip
// is not known, so none is accepted). Free of any transport: the FunctionFS
// program feeds it commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "EmulatedNvmeDrive.h"

namespace qzbridge {

enum class Chip { JMicron, ASMedia };

// A fault the bridge can be told to show, to test how hosts take it.
enum class Fault {
    None,
    ShortAnswer, // the C7h data phase ends after 1000 bytes with CHECK CONDITION
    ShortIdentify, // the same for the Identify data phase
    StatusOnlyAnswer, // the C7h data phase brings no data, only CHECK CONDITION
    EmptyAnswer, // the C7h data phase brings no data and a GOOD status
    ShortWrite, // a download's data-out phase is taken only in part: GOOD with a residue
};

struct ScsiCommand
{
    std::vector<uint8_t> cdb;
    uint32_t transferLength = 0; // what the host asked to move
    bool dataIn = false;
    std::vector<uint8_t> dataOut; // the bytes the host sent
};

struct ScsiReply
{
    std::vector<uint8_t> dataIn; // at most transferLength bytes; fewer is a short transfer
    bool good = true; // false: CHECK CONDITION, the sense kept for REQUEST SENSE
    uint32_t dataOutLeft = 0; // bytes of a data-out phase not taken (the residue)
};

class BridgeTarget
{
public:
    explicit BridgeTarget(Chip chip = Chip::JMicron)
        : chip(chip)
    { }

    ScsiReply Execute(const ScsiCommand &command);
    void SetFault(Fault shown) { fault = shown; }

    const EmulatedNvmeDrive &Drive() const { return drive; }
    // Lines that describe what the last command did (the tunnelled entry,
    // the sense given), for the bridge's log.
    const std::vector<std::string> &Notes() const { return notes; }

private:
    ScsiReply JMicronTunnel(const ScsiCommand &command);
    ScsiReply ASMediaTunnel(const ScsiCommand &command);
    ScsiReply ReadFromDrive(const AdminCommand &admin, uint32_t bytes);
    ScsiReply Fail(uint8_t key, uint8_t asc, uint8_t ascq);

    Chip chip;
    EmulatedNvmeDrive drive;
    std::optional<AdminCommand> pending; // set by a payload phase, used by the next data phase
    uint8_t keptSense[3] = {0, 0, 0}; // key, ASC, ASCQ
    Fault fault = Fault::None;
    std::vector<std::string> notes;
};

} // namespace qzbridge
