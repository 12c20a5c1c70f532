// Reads values from a fuzzer's input, yielding zeros once it runs out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, std::size_t size)
        : data(data)
        , size(size)
    { }

    bool Empty() const { return pos >= size; }
    uint8_t Byte() { return pos < size ? data[pos++] : 0; }
    uint16_t Word() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
    uint32_t Dword() { return Word() | (uint32_t {Word()} << 16); }
    // Copies up to `count` bytes into `out`, zero-filling the rest.
    void Fill(void *out, std::size_t count)
    {
        const std::size_t n = std::min(count, size - std::min(pos, size));
        if (n > 0)
            std::memcpy(out, data + pos, n);
        std::memset(static_cast<uint8_t *>(out) + n, 0, count - n);
        pos += n;
    }

private:
    const uint8_t *data;
    std::size_t size;
    std::size_t pos = 0;
};
