#include "BridgeTarget.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qzbridge {
namespace {

constexpr uint32_t kBlockCount = 32768; // 16 MiB of 512-byte blocks
constexpr uint32_t kBlockSize = 512;
constexpr std::size_t kPayloadBytes = 512;
constexpr std::size_t kShortReplyBytes = 1000;

// The JMicron tunnel: CDB byte 1 selects the phase, bytes 3 to 5 carry the
// byte count (big-endian).
constexpr uint8_t kJMicronTunnel = 0xA1;
constexpr uint8_t kSetPayload = 0x80;
constexpr uint8_t kNoData = 0x81;
constexpr uint8_t kDataIn = 0x82;
constexpr uint8_t kDataOut = 0x83;

// The ASMedia tunnel: EAh sends, EBh receives; byte 2 says whether the
// entry or the data travels; bytes 10 to 13 carry the byte count.
constexpr uint8_t kASMediaOut = 0xEA;
constexpr uint8_t kASMediaIn = 0xEB;
constexpr uint8_t kASMediaSignature = 0x5A;
constexpr uint8_t kASMediaCommand = 0x80;
constexpr uint8_t kASMediaData = 0x81;

constexpr uint8_t kIllegalRequest = 0x05;
constexpr uint8_t kHardwareError = 0x04;

void PutBE32(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

std::vector<uint8_t> InquiryData(Chip chip)
{
    std::vector<uint8_t> data(40, ' ');
    data[0] = 0x00; // direct-access block device
    data[1] = 0x80; // removable medium, as the enclosures report
    data[2] = 0x06; // SPC-4
    data[3] = 0x02;
    data[4] = static_cast<uint8_t>(data.size() - 5);
    data[5] = data[6] = data[7] = 0;
    if (chip == Chip::JMicron) {
        std::memcpy(data.data() + 8, "JMicron ", 8);
        std::memcpy(data.data() + 16, "Tech            ", 16);
        std::memcpy(data.data() + 32, "0214", 4);
        std::memcpy(data.data() + 36, "0583", 4); // the chip, after the standard data
    } else {
        std::memcpy(data.data() + 8, "ASMedia ", 8);
        std::memcpy(data.data() + 16, "ASM2362 NVMe    ", 16); // the chip, in the product
        std::memcpy(data.data() + 32, "0100", 4);
    }
    return data;
}

ScsiReply Good(std::vector<uint8_t> data = {})
{
    ScsiReply reply;
    reply.dataIn = std::move(data);
    return reply;
}

} // namespace

ScsiReply BridgeTarget::Fail(uint8_t key, uint8_t asc, uint8_t ascq)
{
    keptSense[0] = key;
    keptSense[1] = asc;
    keptSense[2] = ascq;
    char text[48];
    std::snprintf(text, sizeof text, "sense %02x/%02x/%02x", key, asc, ascq);
    notes.push_back(text);
    ScsiReply reply;
    reply.good = false;
    return reply;
}

ScsiReply BridgeTarget::Execute(const ScsiCommand &command)
{
    notes.clear();
    if (command.cdb.empty())
        return Fail(kIllegalRequest, 0x20, 0);
    const uint8_t *cdb = command.cdb.data();
    const std::size_t length = command.cdb.size();
    auto byteAt = [&](std::size_t i) -> uint8_t { return i < length ? cdb[i] : 0; };

    switch (cdb[0]) {
    case 0x00: // TEST UNIT READY
    case 0x1B: // START STOP UNIT
    case 0x1E: // PREVENT ALLOW MEDIUM REMOVAL
    case 0x35: // SYNCHRONIZE CACHE(10)
        return Good();
    case 0x03: { // REQUEST SENSE
        std::vector<uint8_t> sense(18, 0);
        sense[0] = 0x70;
        sense[2] = keptSense[0];
        sense[7] = 10;
        sense[12] = keptSense[1];
        sense[13] = keptSense[2];
        std::memset(keptSense, 0, sizeof keptSense);
        sense.resize(std::min<std::size_t>(sense.size(), byteAt(4)));
        return Good(sense);
    }
    case 0x12: { // INQUIRY
        if ((byteAt(1) & 1) != 0)
            return Fail(kIllegalRequest, 0x24, 0); // no vital product data pages
        std::vector<uint8_t> data = InquiryData(chip);
        data.resize(std::min<std::size_t>(data.size(), (uint32_t {byteAt(3)} << 8) | byteAt(4)));
        return Good(data);
    }
    case 0x25: { // READ CAPACITY(10)
        std::vector<uint8_t> data(8);
        PutBE32(data.data(), kBlockCount - 1);
        PutBE32(data.data() + 4, kBlockSize);
        return Good(data);
    }
    case 0x1A: // MODE SENSE(6): a header only, not write-protected
        return Good(std::vector<uint8_t> {3, 0, 0, 0});
    case 0x5A: // MODE SENSE(10)
        return Good(std::vector<uint8_t> {0, 6, 0, 0, 0, 0, 0, 0});
    case 0x28: // READ(10): an empty medium
        return Good(std::vector<uint8_t>(command.transferLength, 0));
    case 0x2A: // WRITE(10): taken and dropped
        return Good();
    case kJMicronTunnel:
        if (chip == Chip::JMicron)
            return JMicronTunnel(command);
        break;
    case kASMediaOut:
    case kASMediaIn:
        if (chip == Chip::ASMedia)
            return ASMediaTunnel(command);
        break;
    default:
        break;
    }
    return Fail(kIllegalRequest, 0x20, 0); // invalid command operation code
}

ScsiReply BridgeTarget::ReadFromDrive(const AdminCommand &admin, uint32_t bytes)
{
    std::vector<uint8_t> data;
    if (!drive.ReadCommand(admin, data) || data.size() != bytes)
        return Fail(kIllegalRequest, 0x24, 0);
    const bool isAnswer = admin.opcode == 0x02 && (admin.cdw10 & 0xFF) == 0xC7;
    const bool isIdentify = admin.opcode == 0x06;
    if (fault == Fault::EmptyAnswer && isAnswer)
        return Good(); // only the residue tells the host that nothing came
    const bool statusOnly = fault == Fault::StatusOnlyAnswer && isAnswer;
    if ((fault == Fault::ShortAnswer && isAnswer) || (fault == Fault::ShortIdentify && isIdentify) || statusOnly) {
        data.resize(statusOnly ? 0 : kShortReplyBytes);
        ScsiReply reply = Fail(kHardwareError, 0x44, 0); // internal target failure
        reply.dataIn = std::move(data);
        return reply;
    }
    return Good(std::move(data));
}

ScsiReply BridgeTarget::ASMediaTunnel(const ScsiCommand &command)
{
    const uint8_t *cdb = command.cdb.data();
    if (command.cdb.size() < 14 || cdb[1] != kASMediaSignature || cdb[3] != 0)
        return Fail(kIllegalRequest, 0x24, 0); // admin commands only
    const uint32_t bytes = uint32_t {cdb[10]} << 24 | uint32_t {cdb[11]} << 16 | uint32_t {cdb[12]} << 8 | cdb[13];
    if (bytes != command.transferLength || bytes == 0)
        return Fail(kIllegalRequest, 0x24, 0);

    if (cdb[0] == kASMediaOut && cdb[2] == kASMediaCommand) {
        if (command.dataIn || command.dataOut.size() != kSubmissionEntryBytes)
            return Fail(kIllegalRequest, 0x24, 0);
        pending = AdminCommand::FromEntry(command.dataOut.data());
        notes.push_back("entry " + pending->Describe());
        return Good();
    }
    if (cdb[0] != kASMediaIn || cdb[2] != kASMediaData || !command.dataIn)
        return Fail(kIllegalRequest, 0x24, 0); // no download form on this chip
    if (!pending)
        return Fail(kIllegalRequest, 0x2C, 0); // command sequence error
    const AdminCommand admin = *pending;
    pending.reset();
    return ReadFromDrive(admin, bytes);
}

ScsiReply BridgeTarget::JMicronTunnel(const ScsiCommand &command)
{
    const uint8_t *cdb = command.cdb.data();
    if (command.cdb.size() < 6)
        return Fail(kIllegalRequest, 0x24, 0);
    const uint8_t mode = cdb[1];
    const uint32_t bytes = uint32_t {cdb[3]} << 16 | uint32_t {cdb[4]} << 8 | cdb[5];
    const bool known = mode == kSetPayload || mode == kNoData || mode == kDataIn || mode == kDataOut;
    const bool directionMatches = bytes == 0 ? mode == kNoData : mode != kNoData && (mode == kDataIn) == command.dataIn;
    if (!known || bytes != command.transferLength || !directionMatches)
        return Fail(kIllegalRequest, 0x24, 0); // invalid field in CDB

    if (mode == kSetPayload) {
        if (command.dataOut.size() != kPayloadBytes || std::memcmp(command.dataOut.data(), "NVME", 4) != 0)
            return Fail(kIllegalRequest, 0x26, 0); // invalid field in parameter list
        pending = AdminCommand::FromEntry(command.dataOut.data() + 8);
        notes.push_back("entry " + pending->Describe());
        return Good();
    }
    if (!pending)
        return Fail(kIllegalRequest, 0x2C, 0); // command sequence error
    const AdminCommand admin = *pending;
    pending.reset();

    if (mode == kDataIn)
        return ReadFromDrive(admin, bytes);
    if (fault == Fault::ShortWrite && command.dataOut.size() > kShortReplyBytes) {
        // The block never reaches the drive whole: nothing is written.
        ScsiReply reply = Good();
        reply.dataOutLeft = static_cast<uint32_t>(command.dataOut.size() - kShortReplyBytes);
        notes.push_back("took " + std::to_string(kShortReplyBytes) + " of " + std::to_string(command.dataOut.size()));
        return reply;
    }
    if (!drive.WriteCommand(admin, command.dataOut))
        return Fail(kIllegalRequest, 0x24, 0);
    return Good();
}

} // namespace qzbridge
