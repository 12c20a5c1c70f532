// Feeds arbitrary documents to the description parser. The first byte picks
// how the rest becomes wide text: odd = UTF-16LE code units as they are
// (unpaired surrogates included), even = one character per byte.

#include "devices/DeviceDescription.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool wide = data[0] & 1;
    ++data;
    --size;

    std::u16string document;
    if (wide) {
        document.reserve(size / 2);
        for (std::size_t i = 0; i + 1 < size; i += 2)
            document += char16_t(data[i] | (data[i + 1] << 8));
    } else {
        document.assign(data, data + size);
    }

    DeviceDescription description;
    if (!ParseDeviceDescription(document, &description)) {
        // Nothing read means nothing changed.
        if (!(description == DeviceDescription()))
            __builtin_trap();
    }
    return 0;
}
