#include "IdentifyData.h"

#include <cstdio>

namespace qzctl {
namespace {

uint16_t LE16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t LE32(const uint8_t *p)
{
    return LE16(p) | (uint32_t {LE16(p + 2)} << 16);
}
uint64_t LE64(const uint8_t *p)
{
    return LE32(p) | (uint64_t {LE32(p + 4)} << 32);
}

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

} // namespace

// The decimal digits of a 128-bit number.
std::string DecimalText(uint64_t low, uint64_t high)
{
    unsigned __int128 value = (static_cast<unsigned __int128>(high) << 64) | low;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    return digits;
}

std::string FieldText(const uint8_t *data, std::size_t length)
{
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t c = data[i];
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : (c == 0 ? '\0' : '.');
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.pop_back();
    for (char &c : text) {
        if (c == '\0')
            c = '.';
    }
    return text;
}

IdentifyController DecodeIdentify(const uint8_t *data)
{
    IdentifyController id;
    id.vendorId = LE16(data);
    id.subsystemVendorId = LE16(data + 2);
    id.serial = FieldText(data + 4, 20);
    id.model = FieldText(data + 24, 40);
    id.firmware = FieldText(data + 64, 8);
    id.ieeeOui = data[73] | (uint32_t {data[74]} << 8) | (uint32_t {data[75]} << 16);
    id.controllerId = LE16(data + 78);
    id.version = LE32(data + 80);
    id.oacs = LE16(data + 256);
    id.frmw = data[260];
    id.capacityLow = LE64(data + 280);
    id.capacityHigh = LE64(data + 288);
    id.namespaces = LE32(data + 516);
    return id;
}

std::string VersionText(uint32_t version)
{
    if (version == 0)
        return "not reported";
    const unsigned major = version >> 16;
    const unsigned minor = (version >> 8) & 0xFF;
    const unsigned tertiary = version & 0xFF;
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (tertiary != 0)
        text += "." + std::to_string(tertiary);
    return text;
}

std::string CapacityText(uint64_t low, uint64_t high)
{
    if (low == 0 && high == 0)
        return "not reported";
    std::string text = DecimalText(low, high) + " bytes";
    if (high == 0 && low >= 1000000000ull) {
        char size[32];
        std::snprintf(size, sizeof size, " (%.1f GB)", static_cast<double>(low) / 1e9);
        text += size;
    }
    return text;
}

std::vector<std::pair<std::string, std::string>> SummaryOf(const IdentifyController &id)
{
    char oui[16];
    std::snprintf(oui, sizeof oui, "%02X-%02X-%02X", (id.ieeeOui >> 16) & 0xFF, (id.ieeeOui >> 8) & 0xFF,
                  id.ieeeOui & 0xFF);
    const unsigned slots = (id.frmw >> 1) & 0x7;
    std::string slotText = std::to_string(slots);
    if (slots > 0 && (id.frmw & 1) != 0)
        slotText += " (slot 1 read-only)";
    return {
        {"Model number", id.model.empty() ? "-" : id.model},
        {"Serial number", id.serial.empty() ? "-" : id.serial},
        {"Firmware revision", id.firmware.empty() ? "-" : id.firmware},
        {"PCI vendor ID", Hex(id.vendorId, 4)},
        {"PCI subsystem vendor ID", Hex(id.subsystemVendorId, 4)},
        {"IEEE OUI", oui},
        {"Controller ID", std::to_string(id.controllerId)},
        {"NVMe version", VersionText(id.version)},
        {"Namespaces", std::to_string(id.namespaces)},
        {"Total capacity", CapacityText(id.capacityLow, id.capacityHigh)},
        {"Firmware slots", slotText},
        {"Firmware download", (id.oacs & 0x4) != 0 ? "supported" : "not supported"},
    };
}

} // namespace qzctl
