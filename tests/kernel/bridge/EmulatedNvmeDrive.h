// The NVMe drive behind the emulated USB bridge: answers the admin commands
// the drive library tunnels (Identify Controller, Get Log Page C6h and C7h,
// Firmware Image Download) the way a lighting-capable drive does. The C7h
// answer is the last downloaded block with every bit inverted, so a test can
// tell an answer from its request.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qzbridge {

constexpr std::size_t kSubmissionEntryBytes = 64;
constexpr std::size_t kDriveBlockBytes = 4096;

struct AdminCommand
{
    uint8_t opcode = 0;
    uint32_t nsid = 0;
    uint32_t cdw10 = 0;
    uint32_t cdw11 = 0;
    uint32_t cdw12 = 0;

    static AdminCommand FromEntry(const uint8_t *entry); // 64 bytes, little-endian fields
    std::string Describe() const; // "opc 02 nsid 00000000 cdw10 03ff00c6 cdw11 ... cdw12 ..."
};

class EmulatedNvmeDrive
{
public:
    EmulatedNvmeDrive();

    // Commands that move data to the host: true with `data` filled, false
    // for a command the drive does not support.
    bool ReadCommand(const AdminCommand &command, std::vector<uint8_t> &data) const;
    // Commands that take data from the host (or none).
    bool WriteCommand(const AdminCommand &command, const std::vector<uint8_t> &data);

    const std::vector<uint8_t> &IdentifyData() const { return identify; }

private:
    std::vector<uint8_t> identify;
    std::vector<uint8_t> downloaded; // the firmware image area, one block
};

} // namespace qzbridge
