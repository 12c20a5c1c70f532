#include "settings/EffectInfo.h"

#include "framework/HexDigit.h"

#include <algorithm>
#include <vector>

namespace {

void PutLittleEndian(uint8_t *out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLittleEndian(const uint8_t *in)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(in[i]) << (8 * i);
    return value;
}

} // namespace

std::array<uint8_t, kEffectInfoBytes> EffectInfoToBytes(const EffectInfo &record)
{
    std::array<uint8_t, kEffectInfoBytes> bytes {};
    uint8_t *p = bytes.data();
    auto put = [&p](uint32_t value) {
        PutLittleEndian(p, value);
        p += 4;
    };
    put(static_cast<uint32_t>(record.effectId));
    put(static_cast<uint32_t>(record.reserved));
    put(static_cast<uint32_t>(record.colorCount));
    put(static_cast<uint32_t>(record.uniformColor));
    for (uint32_t color : record.colors)
        put(color);
    put(static_cast<uint32_t>(record.speed));
    put(static_cast<uint32_t>(record.direction));
    return bytes;
}

EffectInfo EffectInfoFromBytes(const std::array<uint8_t, kEffectInfoBytes> &bytes)
{
    const uint8_t *p = bytes.data();
    auto get = [&p]() {
        const uint32_t value = GetLittleEndian(p);
        p += 4;
        return value;
    };
    EffectInfo record;
    record.effectId = static_cast<int32_t>(get());
    record.reserved = static_cast<int32_t>(get());
    record.colorCount = static_cast<int32_t>(get());
    record.uniformColor = static_cast<int32_t>(get());
    for (uint32_t &color : record.colors)
        color = get();
    record.speed = static_cast<int32_t>(get());
    record.direction = static_cast<int32_t>(get());
    return record;
}

std::string EncodeStructValue(const uint8_t *data, std::size_t size)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * size + 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
        sum += data[i];
    }
    text += kDigits[(sum >> 4) & 0x0F];
    text += kDigits[sum & 0x0F];
    return text;
}

bool DecodeStructValue(std::string_view text, uint8_t *data, std::size_t size)
{
    if (text.size() != 2 * size + 2)
        return false;
    // Decode into a scratch buffer so that a rejected value leaves the
    // caller's buffer untouched.
    std::vector<uint8_t> decoded(size + 1);
    for (std::size_t i = 0; i <= size; ++i) {
        const int high = HexDigitValue(text[2 * i]);
        const int low = HexDigitValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        decoded[i] = static_cast<uint8_t>(high * 16 + low);
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += decoded[i];
    if (decoded[size] != (sum & 0xFF))
        return false;
    std::copy(decoded.begin(), decoded.begin() + static_cast<std::ptrdiff_t>(size), data);
    return true;
}
