#include "settings/EffectAnimation.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

namespace {

using Frame = std::vector<uint32_t>;

constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kYellow = 0x00FFFF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kCyan = 0xFFFF00;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kMagenta = 0xFF00FF;

EffectInfo Record(int effect, int colorCount = 8, int speed = 0, int direction = 0, int uniform = 0)
{
    EffectInfo record;
    record.effectId = effect;
    record.colorCount = colorCount;
    record.speed = speed;
    record.direction = direction;
    record.uniformColor = uniform;
    return record;
}

struct FrameCase
{
    const char *what;
    EffectInfo record;
    bool ledOn;
    int leds;
    int64_t timeMs;
    Frame expected;
};

// Speed 0 has a 3000 ms period; the record's colours are the defaults
// (red, yellow, green, cyan, blue, magenta, ...).
TEST(EffectFrame, GivesTheDefinedColours)
{
    const FrameCase cases[] = {
        {"solid: blocks of the used colours",
         Record(0, 2),
         true,
         8,
         0,
         {kRed, kRed, kRed, kRed, kYellow, kYellow, kYellow, kYellow}},
        {"solid: time does not matter", Record(0, 2), true, 4, 123456, {kRed, kRed, kYellow, kYellow}},
        {"static: colours repeat", Record(1, 3), true, 4, 0, {kRed, kYellow, kGreen, kRed}},
        {"static: uniform uses slot 0", Record(1, 8, 0, 0, 1), true, 3, 0, {kRed, kRed, kRed}},
        {"breathing: dark at the start", Record(2), true, 2, 0, {0, 0}},
        {"breathing: half way up", Record(2), true, 2, 750, {0x7F, 0x7F}},
        {"breathing: full at mid cycle", Record(2), true, 2, 1500, {kRed, kRed}},
        {"breathing: next colour next cycle", Record(2), true, 1, 4500, {kYellow}},
        {"breathing: colours wrap at the count", Record(2, 2), true, 1, 7500, {kRed}},
        {"flash: on", Record(3), true, 2, 0, {kRed, kRed}},
        {"flash: off in the second half", Record(3), true, 2, 1500, {0, 0}},
        {"flash: next colour", Record(3), true, 1, 3000, {kYellow}},
        {"spectrum cycle: quarter turn", Record(4), true, 2, 750, {0x00FF7F, 0x00FF7F}},
        {"rainbow wave: still at time 0", Record(5), true, 6, 0, {kRed, kYellow, kGreen, kCyan, kBlue, kMagenta}},
        {"rainbow wave: moves forward", Record(5), true, 6, 500, {kMagenta, kRed, kYellow, kGreen, kCyan, kBlue}},
        {"rainbow wave: moves back in reverse",
         Record(5, 8, 0, 1),
         true,
         6,
         500,
         {kYellow, kGreen, kCyan, kBlue, kMagenta, kRed}},
        {"rainbow pulse: full at mid cycle", Record(6), true, 3, 1500, {kRed, kGreen, kBlue}},
        {"heartbeat: first beat", Record(7), true, 1, 0, {kRed}},
        {"heartbeat: between beats", Record(7), true, 1, 450, {0}},
        {"heartbeat: second beat", Record(7), true, 1, 750, {kRed}},
        {"heartbeat: rest", Record(7), true, 1, 1500, {0}},
        {"meteor: head and tail", Record(9), true, 8, 1500, {0, 0x1F, 0x3F, 0x7F, kRed, 0, 0, 0}},
        {"meteor: reverse", Record(9, 8, 0, 1), true, 8, 1500, {0, 0, 0, kRed, 0x7F, 0x3F, 0x1F, 0}},
        {"spectrum chase: every third", Record(10), true, 6, 0, {kRed, 0, 0, kRed, 0, 0}},
        {"spectrum chase: one step on", Record(10), true, 6, 250, {0, 0x0080FF, 0, 0, 0x0080FF, 0}},
        {"spectrum chase: reverse", Record(10, 8, 0, 1), true, 7, 250, {0, 0, 0x0080FF, 0, 0, 0x0080FF, 0}},
        {"faster speed, shorter period", Record(4, 8, 2), true, 1, 250, {0x00FF7F}},
        {"slower speed, longer period", Record(4, 8, -2), true, 1, 2000, {0x00FF7F}},
        {"speed out of range is clamped", Record(4, 8, 9), true, 1, 250, {0x00FF7F}},
        {"demo: breathing first", Record(14), true, 1, 1500, {kRed}},
        {"demo: then flash", Record(14), true, 1, 5000 + 750, {kRed}},
        {"LED off is dark", Record(1), false, 3, 0, {0, 0, 0}},
        {"LED off is dark when animated", Record(5), false, 2, 500, {0, 0}},
        {"no colours: colour effect dark", Record(2, 0), true, 2, 1500, {0, 0}},
        {"no colours: static dark", Record(1, 0), true, 2, 0, {0, 0}},
        {"negative time wraps", Record(4), true, 1, -2250, {0x00FF7F}},
        {"effect number out of range clamps", Record(-3, 2), true, 2, 0, {kRed, kYellow}},
        {"no LEDs", Record(5), true, 0, 0, {}},
        {"negative LED count", Record(5), true, -4, 0, {}},
    };
    for (const FrameCase &c : cases)
        EXPECT_EQ(EffectFrame(c.record, c.ledOn, c.leds, c.timeMs), c.expected) << c.what;
}

TEST(EffectFrame, PeriodFollowsSpeed)
{
    const int periods[] = {8000, 5000, 3000, 2000, 1000};
    for (int speed = -2; speed <= 2; ++speed) {
        const int period = periods[speed + 2];
        EXPECT_EQ(EffectPeriodMs(speed), period);
        // Effects whose cycles repeat exactly, at several moments.
        for (int effect : {4, 5, 6, 7, 9, 10, 12})
            for (int64_t t : {0, 100, 1234, 2999}) {
                const EffectInfo record = Record(effect, 8, speed);
                EXPECT_EQ(EffectFrame(record, true, 16, t), EffectFrame(record, true, 16, t + period))
                    << "effect " << effect << " speed " << speed << " t " << t;
            }
    }
}

// What each effect may not react to: it must give the same frames whatever
// those fields hold.
TEST(EffectFrame, IgnoresControlsTheEffectDoesNotHave)
{
    using Change = std::function<void(EffectInfo &)>;
    const Change otherColours = [](EffectInfo &r) {
        for (uint32_t &c : r.colors)
            c ^= 0x5A3C77;
    };
    const Change laterColours = [](EffectInfo &r) {
        for (std::size_t slot = 1; slot < r.colors.size(); ++slot)
            r.colors[slot] = 0x123456;
    };
    const Change beyondCount = [](EffectInfo &r) {
        for (std::size_t slot = 3; slot < r.colors.size(); ++slot)
            r.colors[slot] = 0x654321;
    };
    const Change otherDirection = [](EffectInfo &r) { r.direction = 1 - r.direction; };
    const Change otherSpeed = [](EffectInfo &r) { r.speed = 2; };
    struct Case
    {
        std::vector<int> effects;
        Change change;
        const char *what;
        int colorCount = 8;
    };
    const Case cases[] = {
        {{4, 5, 6, 8, 10, 11, 12, 13, 14}, otherColours, "colours"},
        {{7, 9}, laterColours, "colours after slot 0"},
        {{0, 1, 2, 3}, beyondCount, "colours beyond the count", 3},
        {{0, 1, 2, 3, 4, 6, 7, 8, 11, 12, 13, 14}, otherDirection, "direction"},
        {{0, 1, 14}, otherSpeed, "speed"},
    };
    for (const Case &c : cases)
        for (int effect : c.effects) {
            const EffectInfo base = Record(effect, c.colorCount);
            EffectInfo changed = base;
            c.change(changed);
            for (int64_t t : {0, 400, 1700, 2600, 7300, 31000})
                EXPECT_EQ(EffectFrame(base, true, 12, t), EffectFrame(changed, true, 12, t))
                    << "effect " << effect << " reacts to " << c.what << " at " << t;
        }
}

TEST(EffectFrame, AnimatedOnlyWhenFramesChange)
{
    struct Case
    {
        EffectInfo record;
        bool ledOn;
        bool animated;
    };
    const Case cases[] = {
        {Record(0), true, false},    {Record(1), true, false},    {Record(2), true, true},
        {Record(5), true, true},     {Record(14), true, true},    {Record(5), false, false},
        {Record(2, 0), true, false}, {Record(9, 0), true, false}, {Record(4, 0), true, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(IsAnimatedEffect(c.record, c.ledOn), c.animated) << "effect " << c.record.effectId;
        if (!c.animated) {
            EXPECT_EQ(EffectFrame(c.record, c.ledOn, 8, 0), EffectFrame(c.record, c.ledOn, 8, 1777));
        }
    }
}

TEST(EffectFrame, ExtremeInputsStaySafe)
{
    EffectInfo wild = Record(std::numeric_limits<int32_t>::max(), -7, std::numeric_limits<int32_t>::min(), 99, 5);
    EXPECT_EQ(EffectFrame(wild, true, 1 << 30, std::numeric_limits<int64_t>::max()).size(),
              static_cast<std::size_t>(kMaxAnimationLeds));
    for (int effect = 0; effect <= 14; ++effect)
        for (int64_t t :
             {std::numeric_limits<int64_t>::min() / 4, int64_t {-1}, std::numeric_limits<int64_t>::max() / 4})
            EXPECT_EQ(EffectFrame(Record(effect), true, 3, t).size(), 3u);
}

} // namespace
