#include "app/ColorMath.h"

#include "framework/HexDigit.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || (c >= QLatin1Char('\t') && c <= QLatin1Char('\r'));
}

int HexDigit(QChar c)
{
    return HexDigitValue(c.unicode());
}

// wcstoul (text, base 16) on a platform whose unsigned long has 32 bits.
uint32_t ReadUnsignedHex(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i + 2 < text.size() && text[i] == QLatin1Char('0')
        && (text[i + 1] == QLatin1Char('x') || text[i + 1] == QLatin1Char('X')) && HexDigit(text[i + 2]) >= 0)
        i += 2;
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        value = value * 16 + static_cast<uint64_t>(HexDigit(text[i]));
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;
        }
    }
    if (overflow)
        return UINT32_MAX;
    const auto result = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - result) : result;
}

int LimitByte(uint32_t value)
{
    return static_cast<int>(std::min<uint32_t>(value, 255));
}

double LimitComponent(double value)
{
    return std::clamp(value, 0.0, 255.0);
}

} // namespace

HsvColor RgbToHsv(double red, double green, double blue)
{
    const double max = std::max({red, green, blue});
    const double min = std::min({red, green, blue});
    HsvColor hsv;
    hsv.value = std::clamp(max, 0.0, 255.0);
    if (max == 0)
        return hsv;

    hsv.saturation = (max - min) / max;
    if (max == min) {
        hsv.hue = 359; // grey: no hue
        return hsv;
    }
    double hue;
    if (max == red)
        hue = (green - blue) / (max - min);
    else if (max == green)
        hue = (blue - red) / (max - min) + 2;
    else
        hue = (red - green) / (max - min) + 4;
    hue *= 60;
    if (hue < 0)
        hue += 360;
    hsv.hue = std::isnan(hue) ? 359 : std::clamp(hue, 0.0, 359.0);
    return hsv;
}

void HsvToRgb(double hue, double saturation, double value, double &red, double &green, double &blue)
{
    if (saturation == 0) {
        red = green = blue = LimitComponent(value);
        return;
    }
    const double sector = std::floor(hue / 60);
    const double f = hue / 60 - sector;
    const double p = value * (1 - saturation);
    const double q = value * (1 - saturation * f);
    const double t = value * (1 - saturation * (1 - f));
    double r, g, b;
    if (sector == 0) {
        r = value, g = t, b = p;
    } else if (sector == 1) {
        r = q, g = value, b = p;
    } else if (sector == 2) {
        r = p, g = value, b = t;
    } else if (sector == 3) {
        r = p, g = q, b = value;
    } else if (sector == 4) {
        r = t, g = p, b = value;
    } else {
        r = value, g = p, b = q;
    }
    red = LimitComponent(r);
    green = LimitComponent(g);
    blue = LimitComponent(b);
}

RgbColor FromColorRef(unsigned colorRef)
{
    return {static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
            static_cast<int>((colorRef >> 16) & 0xFF)};
}

unsigned ToColorRef(const RgbColor &color)
{
    return static_cast<unsigned>(color.red & 0xFF) | static_cast<unsigned>(color.green & 0xFF) << 8
        | static_cast<unsigned>(color.blue & 0xFF) << 16;
}

QString FormatHexColor(const RgbColor &color)
{
    return QString::asprintf("%02X%02X%02X", color.red & 0xFF, color.green & 0xFF, color.blue & 0xFF);
}

RgbColor ParseHexColor(const QString &text)
{
    return {LimitByte(ReadUnsignedHex(text.mid(0, 2))), LimitByte(ReadUnsignedHex(text.mid(2, 2))),
            LimitByte(ReadUnsignedHex(text.mid(4, 2)))};
}

int ParseLeadingDecimal(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    int64_t value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = std::min<int64_t>(value * 10 + (text[i].unicode() - '0'), int64_t(INT_MAX) + 1);
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}
