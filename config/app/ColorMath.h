#pragma once
// Colour conversions and the text forms of the colour boxes.

#include <QString>

struct RgbColor
{
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const RgbColor &) const = default;
};

struct HsvColor
{
    double hue = 0; // degrees, 0..359
    double saturation = 0; // 0..1
    double value = 0; // 0..255
};

// A grey colour has no hue: it comes out as 359 (black as 0).
HsvColor RgbToHsv(double red, double green, double blue);
// Components come back limited to 0..255, still as floating-point numbers;
// callers truncate.
void HsvToRgb(double hue, double saturation, double value, double &red, double &green, double &blue);

// Colours as the record holds them: red + 256 * green + 65536 * blue.
RgbColor FromColorRef(unsigned colorRef);
unsigned ToColorRef(const RgbColor &color);

// "RRGGBB" in upper case, each component's low 8 bits.
QString FormatHexColor(const RgbColor &color);
// Characters 1-2, 3-4 and 5-6 read as unsigned hexadecimal numbers the way
// the C library's wcstoul reads them with base 16 (leading blanks, a sign and
// a "0x" prefix accepted, stopping at the first other character); a part
// with nothing readable, or missing, is 0. Each is limited to 0..255.
RgbColor ParseHexColor(const QString &text);
// The leading decimal number of a text (blanks and a sign accepted), 0 when
// there is none; saturates instead of overflowing.
int ParseLeadingDecimal(const QString &text);
