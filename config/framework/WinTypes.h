#pragma once
// Value types of the window layer: message parameters, colours and the
// helpers that pack and unpack them. Colours are red + 256 * green +
// 65536 * blue throughout the program.

#include <QRect>

#include <algorithm>
#include <cstdint>

using UINT = std::uint32_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = std::uint32_t;

constexpr WORD LOWORD(std::uintptr_t v)
{
    return static_cast<WORD>(v & 0xFFFFu);
}
constexpr WORD HIWORD(std::uintptr_t v)
{
    return static_cast<WORD>((v >> 16) & 0xFFFFu);
}
constexpr WPARAM MAKEWPARAM(WORD low, WORD high)
{
    return static_cast<WPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high)
{
    return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

constexpr COLORREF RGB(int red, int green, int blue)
{
    return static_cast<COLORREF>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int GetRValue(COLORREF c)
{
    return static_cast<int>(c & 0xFF);
}
constexpr int GetGValue(COLORREF c)
{
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int GetBValue(COLORREF c)
{
    return static_cast<int>((c >> 16) & 0xFF);
}

// A rectangle as left, top, right, bottom (right and bottom exclusive), in
// client pixels. Width and height saturate at the 32-bit range.
struct RECT
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return Saturate(std::int64_t(right) - left); }
    constexpr int Height() const { return Saturate(std::int64_t(bottom) - top); }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    // The same pixels as a QRect (whose right() and bottom() are inside).
    QRect ToQRect() const { return QRect(left, top, Width(), Height()); }

    friend constexpr bool operator==(const RECT &, const RECT &) = default;

private:
    static constexpr int Saturate(std::int64_t v)
    {
        return static_cast<int>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
    }
};
