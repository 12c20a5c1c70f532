#include "EmulatedNvmeDrive.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace qzbridge {
namespace {

constexpr uint8_t kIdentify = 0x06;
constexpr uint8_t kGetLogPage = 0x02;
constexpr uint8_t kFirmwareImageDownload = 0x11;
constexpr uint8_t kLogRequestEcho = 0xC6;
constexpr uint8_t kLogAnswer = 0xC7;

uint32_t GetLE32(const uint8_t *p)
{
    return uint32_t {p[0]} | uint32_t {p[1]} << 8 | uint32_t {p[2]} << 16 | uint32_t {p[3]} << 24;
}

void PutText(std::vector<uint8_t> &data, std::size_t offset, std::size_t width, const char *text)
{
    std::memset(data.data() + offset, ' ', width);
    std::memcpy(data.data() + offset, text, std::min(width, std::strlen(text)));
}

} // namespace

AdminCommand AdminCommand::FromEntry(const uint8_t *entry)
{
    AdminCommand c;
    c.opcode = entry[0];
    c.nsid = GetLE32(entry + 4);
    c.cdw10 = GetLE32(entry + 40);
    c.cdw11 = GetLE32(entry + 44);
    c.cdw12 = GetLE32(entry + 48);
    return c;
}

std::string AdminCommand::Describe() const
{
    char text[96];
    std::snprintf(text, sizeof text, "opc %02x nsid %08x cdw10 %08x cdw11 %08x cdw12 %08x", opcode, nsid, cdw10, cdw11,
                  cdw12);
    return text;
}

EmulatedNvmeDrive::EmulatedNvmeDrive()
    : identify(kDriveBlockBytes, 0)
{
    identify[0] = 0x4b; // PCI vendor 1E4Bh
    identify[1] = 0x1e;
    PutText(identify, 4, 20, "QZBRIDGE0001");
    PutText(identify, 24, 40, "QZ Kernel Tier Bridged Drive");
    PutText(identify, 64, 8, "KT01");
    identify[77] = 5; // MDTS
    identify[256] = 0x04; // OACS: firmware download and commit
    identify[260] = 0x02; // FRMW: one slot, writable
    identify[512] = 0x66; // SQES
    identify[513] = 0x44; // CQES
}

bool EmulatedNvmeDrive::ReadCommand(const AdminCommand &command, std::vector<uint8_t> &data) const
{
    if (command.opcode == kIdentify) {
        if ((command.cdw10 & 0xFF) != 1)
            return false; // only the controller data structure
        data = identify;
        return true;
    }
    if (command.opcode != kGetLogPage)
        return false;
    const uint64_t dwords = uint64_t {(command.cdw10 >> 16) | (command.cdw11 & 0xFFFF) << 16} + 1;
    if (dwords * 4 > kDriveBlockBytes || command.cdw12 != 0)
        return false;
    data.assign(dwords * 4, 0);
    switch (command.cdw10 & 0xFF) {
    case kLogRequestEcho:
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i * 7 + 0xC6);
        return true;
    case kLogAnswer:
        for (std::size_t i = 0; i < data.size() && i < downloaded.size(); ++i)
            data[i] = static_cast<uint8_t>(~downloaded[i]);
        return true;
    default:
        return false;
    }
}

bool EmulatedNvmeDrive::WriteCommand(const AdminCommand &command, const std::vector<uint8_t> &data)
{
    if (command.opcode != kFirmwareImageDownload)
        return false;
    const uint64_t bytes = (uint64_t {command.cdw10} + 1) * 4;
    const uint64_t offset = uint64_t {command.cdw11} * 4;
    if (bytes != data.size() || offset + bytes > kDriveBlockBytes)
        return false;
    downloaded.resize(kDriveBlockBytes, 0);
    std::memcpy(downloaded.data() + offset, data.data(), data.size());
    return true;
}

} // namespace qzbridge
