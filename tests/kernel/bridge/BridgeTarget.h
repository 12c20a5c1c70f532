// The SCSI side of the emulated USB bridge: the commands the kernel's sd
// driver sends to any USB disk, an INQUIRY that names the JMicron chip in
// bytes 36 to 39, and the A1h tunnel that carries NVMe admin commands to the
// drive behind it (a payload phase with the submission entry, then a data
// phase). Free of any transport: the FunctionFS program feeds it commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "EmulatedNvmeDrive.h"

namespace qzbridge {

// A fault the bridge can be told to show, to test how hosts take it.
enum class Fault {
    None,
    ShortAnswer, // the C7h data phase ends after 1000 bytes with CHECK CONDITION
    ShortIdentify, // the same for the Identify data phase
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
};

class BridgeTarget
{
public:
    ScsiReply Execute(const ScsiCommand &command);
    void SetFault(Fault fault) { fault_ = fault; }

    const EmulatedNvmeDrive &Drive() const { return drive_; }
    // Lines that describe what the last command did (the tunnelled entry,
    // the sense given), for the bridge's log.
    const std::vector<std::string> &Notes() const { return notes_; }

private:
    ScsiReply Tunnel(const ScsiCommand &command);
    ScsiReply Fail(uint8_t key, uint8_t asc, uint8_t ascq);

    EmulatedNvmeDrive drive_;
    std::optional<AdminCommand> pending_; // set by a payload phase, used by the next data phase
    uint8_t sense_[3] = {0, 0, 0}; // key, ASC, ASCQ
    Fault fault_ = Fault::None;
    std::vector<std::string> notes_;
};

} // namespace qzbridge
