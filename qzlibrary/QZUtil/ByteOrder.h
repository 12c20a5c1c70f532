// Reading and writing multi-byte fields at byte offsets, independent of the
// host's alignment rules.
#pragma once

#include <cstdint>

namespace qz {

inline void PutLE16(uint8_t *p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutLE64(uint8_t *p, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutBE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}
inline void PutBE24(uint8_t *p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 16);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v);
}
inline uint16_t GetLE16(const uint8_t *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t GetLE32(const uint8_t *p)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
inline uint64_t GetLE64(const uint8_t *p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}
inline uint32_t GetBE32(const uint8_t *p)
{
    return (uint32_t {p[0]} << 24) | (uint32_t {p[1]} << 16) | (uint32_t {p[2]} << 8) | p[3];
}
inline uint32_t GetBE24(const uint8_t *p)
{
    return (uint32_t {p[0]} << 16) | (uint32_t {p[1]} << 8) | p[2];
}

} // namespace qz
