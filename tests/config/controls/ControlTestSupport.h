#pragma once
// Pictures made in the tests, raw pixel reads, the values a slider posted and
// draining posted messages.

#include "../framework/EventHelpers.h"

#include "framework/MessageRecorder.h"
#include "framework/WindowMessage.h"
#include "skin/Bitmap.h"

#include <QCoreApplication>
#include <QImage>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace ctl {

// A premultiplied picture of one colour, given as 0xAARRGGBB already
// premultiplied.
inline Bitmap Solid(int w, int h, std::uint32_t argb)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(argb);
    return Bitmap(image);
}

// A picture whose rows [0, split) have colour `top` and the rest `bottom`.
inline Bitmap TwoBands(int w, int h, int split, std::uint32_t top, std::uint32_t bottom)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            reinterpret_cast<std::uint32_t *>(image.scanLine(y))[x] = y < split ? top : bottom;
    return Bitmap(image);
}

inline std::uint32_t Raw(const QImage &image, int x, int y)
{
    return reinterpret_cast<const std::uint32_t *>(image.constScanLine(y))[x];
}

// Channels equal within `tolerance` (blending may round either way).
inline bool Near(std::uint32_t a, std::uint32_t b, int tolerance = 1)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// The values of the UM_SLIDER_POS messages `parent` received, in order (the
// value travels as the bit pattern of an int).
inline std::vector<int> PostedSliderValues(const RecordingWindow &parent)
{
    std::vector<int> values;
    for (const auto &m : parent.Received(UM_SLIDER_POS))
        values.push_back(static_cast<int>(static_cast<LPARAM>(m.wParam)));
    return values;
}

inline void Drain()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

} // namespace ctl
