#include "app/ColorMath.h"
#include "app/EffectCapabilities.h"

#include <gtest/gtest.h>

namespace {

RgbColor ToRgb(double h, double s, double v)
{
    double r, g, b;
    HsvToRgb(h, s, v, r, g, b);
    return {static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)};
}

TEST(ColorConversion, PureRedHasHueZeroFullSaturationAndValue)
{
    const HsvColor hsv = RgbToHsv(255, 0, 0);
    EXPECT_EQ(hsv.hue, 0);
    EXPECT_EQ(static_cast<int>(hsv.saturation * 100), 100);
    EXPECT_EQ(hsv.value, 255);
    // The ring never reports 0: it comes back as 359, and blue becomes 4.
    EXPECT_EQ(ToRgb(359, 1.0, 255), (RgbColor {255, 0, 4}));
    EXPECT_EQ(ToRgb(359, 100 * 0.01, 255), (RgbColor {255, 0, 4}));
}

TEST(ColorConversion, GreyAndBlackHaveNoHueButDefinedResults)
{
    const HsvColor grey = RgbToHsv(128, 128, 128);
    EXPECT_EQ(grey.hue, 359);
    EXPECT_EQ(grey.saturation, 0);
    EXPECT_EQ(grey.value, 128);
    const HsvColor black = RgbToHsv(0, 0, 0);
    EXPECT_EQ(black.hue, 0);
    EXPECT_EQ(black.saturation, 0);
    EXPECT_EQ(black.value, 0);
    EXPECT_EQ(ToRgb(200, 0, 77), (RgbColor {77, 77, 77}));
}

TEST(ColorConversion, EverySectorAndTheWrapBelowZero)
{
    EXPECT_EQ(ToRgb(120, 1, 255), (RgbColor {0, 255, 0}));
    EXPECT_EQ(ToRgb(240, 1, 255), (RgbColor {0, 0, 255}));
    EXPECT_EQ(ToRgb(60, 1, 255), (RgbColor {255, 255, 0}));
    EXPECT_EQ(ToRgb(180, 1, 255), (RgbColor {0, 255, 255}));
    EXPECT_EQ(ToRgb(300, 1, 255), (RgbColor {255, 0, 255}));
    EXPECT_NEAR(RgbToHsv(255, 0, 128).hue, 329.88, 0.01); // magenta side: negative before the wrap
    EXPECT_NEAR(RgbToHsv(0, 0, 255).hue, 240, 1e-9);
    EXPECT_NEAR(RgbToHsv(255, 0, 1).hue, 359, 1e-9) << "limited to 359";
}

TEST(ColorConversion, ComponentsAreLimitedToTheByteRange)
{
    EXPECT_EQ(ToRgb(0, 1, 400), (RgbColor {255, 0, 0}));
    EXPECT_EQ(ToRgb(0, 2, 255), (RgbColor {255, 0, 0})) << "negative p is limited to 0";
}

TEST(ColorText, HexFormAndTheWcstoulReadingRule)
{
    EXPECT_EQ(FormatHexColor({0, 255, 128}), "00FF80");
    EXPECT_EQ(ParseHexColor("00ff80"), (RgbColor {0, 255, 128}));
    EXPECT_EQ(ParseHexColor("FF"), (RgbColor {255, 0, 0})) << "missing parts are 0";
    EXPECT_EQ(ParseHexColor("zz1g 7"), (RgbColor {0, 1, 7})) << "stops at the first non-digit, blanks skipped";
    EXPECT_EQ(ParseHexColor("-1+A0x"), (RgbColor {255, 10, 0})) << "a negative part wraps and is limited";
    EXPECT_EQ(ParseHexColor(""), (RgbColor {0, 0, 0}));
}

TEST(ColorText, DecimalBoxesReadTheirLeadingNumber)
{
    EXPECT_EQ(ParseLeadingDecimal("300"), 300);
    EXPECT_EQ(ParseLeadingDecimal(" 12ab"), 12);
    EXPECT_EQ(ParseLeadingDecimal("abc"), 0);
    EXPECT_EQ(ParseLeadingDecimal("-7"), -7);
    EXPECT_EQ(ParseLeadingDecimal("99999999999"), INT_MAX);
}

TEST(ColorText, RecordColoursHoldRedInTheLowByte)
{
    EXPECT_EQ(ToColorRef({255, 120, 0}), 0x0078FFu);
    EXPECT_EQ(FromColorRef(0x7D007D), (RgbColor {125, 0, 125}));
    EXPECT_EQ(FromColorRef(0xFF123456), (RgbColor {0x56, 0x34, 0x12})) << "the high byte is ignored";
}

TEST(EffectCapabilityTable, SingleColourEffectsAndOutOfRangeNumbers)
{
    EXPECT_TRUE(CapabilityOf(9).colour && CapabilityOf(9).speed && CapabilityOf(9).direction);
    const EffectCapability none = CapabilityOf(14);
    EXPECT_FALSE(none.colour || none.speed || none.direction);
    EXPECT_TRUE(IsSingleColourEffect(7));
    EXPECT_FALSE(IsSingleColourEffect(2));
    const EffectCapability outside = CapabilityOf(99);
    EXPECT_FALSE(outside.colour || outside.speed || outside.direction);
    EXPECT_FALSE(CapabilityOf(-1).colour);
}

} // namespace
