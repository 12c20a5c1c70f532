#pragma once
// One lighting record: what a device (or all devices) of a category shows.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr int kEffectColorSlots = 8;

struct EffectInfo
{
    int32_t effectId = 1; // 0..14, index into the effect table
    int32_t reserved = 1; // always 1 in records we create; never read
    int32_t colorCount = 8; // colour slots in use: 8 for a present device, 0 otherwise
    int32_t uniformColor = 0; // 1: one colour for all eight slots
    std::array<uint32_t, kEffectColorSlots> colors = DefaultColors();
    int32_t speed = 0; // -2..2
    int32_t direction = 0; // 0..1

    // Colours are red + 256 * green + 65536 * blue.
    static constexpr std::array<uint32_t, kEffectColorSlots> DefaultColors()
    {
        return {0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0x0078FF, 0x7D007D};
    }

    bool operator==(const EffectInfo &) const = default;
};

// The record is stored as 56 bytes: fourteen 32-bit little-endian integers
// in field order, whatever the host's byte order.
constexpr std::size_t kEffectInfoBytes = 56;
static_assert(sizeof(EffectInfo) == kEffectInfoBytes, "EffectInfo must stay a 56-byte record");

std::array<uint8_t, kEffectInfoBytes> EffectInfoToBytes(const EffectInfo &record);
EffectInfo EffectInfoFromBytes(const std::array<uint8_t, kEffectInfoBytes> &bytes);

// The checksummed hexadecimal form shared with the platform's structure
// entries: two uppercase digits per byte, then two digits of the low 8 bits
// of the byte sum. Written by hand because it must match bit for bit.
std::string EncodeStructValue(const uint8_t *data, std::size_t size);
// Accepts exactly 2 * size + 2 hex digits (either case) with a matching
// checksum; anything else is rejected.
bool DecodeStructValue(std::string_view text, uint8_t *data, std::size_t size);
