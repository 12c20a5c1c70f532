// The fields of the NVMe Identify Controller data that qzctl shows.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace qzctl {

struct IdentifyController
{
    uint16_t vendorId = 0; // bytes 0-1
    uint16_t subsystemVendorId = 0; // bytes 2-3
    std::string serial; // bytes 4-23
    std::string model; // bytes 24-63
    std::string firmware; // bytes 64-71
    uint32_t ieeeOui = 0; // bytes 73-75
    uint16_t controllerId = 0; // bytes 78-79
    uint32_t version = 0; // bytes 80-83
    uint16_t oacs = 0; // bytes 256-257
    uint8_t frmw = 0; // byte 260
    uint64_t capacityLow = 0; // bytes 280-295, total NVM capacity in bytes
    uint64_t capacityHigh = 0;
    uint32_t namespaces = 0; // bytes 516-519
};

// Decodes 4096 bytes of Identify Controller data.
IdentifyController DecodeIdentify(const uint8_t *data);

// An ASCII field as text: trailing spaces and NULs dropped, anything that is
// not printable shown as '.'.
std::string FieldText(const uint8_t *data, std::size_t length);

// "1.4", "2.0.1", or "not reported".
std::string VersionText(uint32_t version);

// The decimal digits of the 128-bit number high:low.
std::string DecimalText(uint64_t low, uint64_t high);

// "512110190592 bytes (512.1 GB)", or "not reported" for 0.
std::string CapacityText(uint64_t low, uint64_t high);

// The summary lines qzctl prints: (label, value).
std::vector<std::pair<std::string, std::string>> SummaryOf(const IdentifyController &id);

} // namespace qzctl
