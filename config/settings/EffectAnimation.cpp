#include "settings/EffectAnimation.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kWheelSteps = 1536;
constexpr int kLastEffect = 14;
constexpr int kDemoFirstEffect = 2;
constexpr int kDemoEffectCount = 12; // effects 2..13
constexpr int kMeteorTail = 4;
constexpr int kChaseStepsPerPeriod = 12;
constexpr int kFlickerStepsPerPeriod = 16;

constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue)
{
    return red | (green << 8) | (blue << 16);
}

// Each channel times level / 255, rounded down.
uint32_t Scaled(uint32_t colour, int level)
{
    const auto channel = [&](int shift) { return ((colour >> shift) & 0xFFu) * static_cast<uint32_t>(level) / 255u; };
    return Rgb(channel(0), channel(8), channel(16));
}

// Rises from 0 at the start of the period to 255 at its middle and falls back.
int Triangle(int64_t phase, int64_t period)
{
    const int64_t x = phase * 510 / period;
    return static_cast<int>(x <= 255 ? x : 510 - x);
}

uint64_t Mix(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

uint64_t Hash(int64_t cycle, int led)
{
    return Mix(static_cast<uint64_t>(cycle) * 0x100000001B3ull + static_cast<uint64_t>(led));
}

int64_t FloorDiv(int64_t value, int64_t divisor)
{
    int64_t quotient = value / divisor;
    if (value % divisor != 0 && value < 0)
        --quotient;
    return quotient;
}

std::size_t Index(int64_t value, std::size_t size)
{
    return static_cast<std::size_t>(((value % static_cast<int64_t>(size)) + static_cast<int64_t>(size))
                                    % static_cast<int64_t>(size));
}

// The colours an effect may use: the record's first colorCount slots, slot 0
// alone when the record is uniform or the effect uses one colour.
std::vector<uint32_t> Palette(const EffectInfo &record, bool singleColour)
{
    const int count = std::clamp(record.colorCount, 0, kEffectColorSlots);
    if (count == 0)
        return {};
    const int used = (singleColour || record.uniformColor != 0) ? 1 : count;
    std::vector<uint32_t> palette;
    for (int slot = 0; slot < used; ++slot)
        palette.push_back(record.colors[static_cast<std::size_t>(slot)] & 0xFFFFFFu);
    return palette;
}

bool UsesColours(int effect)
{
    return effect == 0 || effect == 1 || effect == 2 || effect == 3 || effect == 7 || effect == 9;
}

bool IsSingleColour(int effect)
{
    return effect == 7 || effect == 9;
}

struct Moment
{
    int64_t period;
    int64_t phase; // 0 .. period - 1
    int64_t cycle; // whole periods since time 0 (negative before it)
};

Moment MomentAt(int64_t timeMs, int64_t period)
{
    const int64_t cycle = FloorDiv(timeMs, period);
    return {period, timeMs - cycle * period, cycle};
}

void FillFrame(std::vector<uint32_t> &leds, int effect, const EffectInfo &record, int64_t timeMs)
{
    const int count = static_cast<int>(leds.size());
    const bool reverse = std::clamp(record.direction, 0, 1) == 1;
    const Moment now = MomentAt(timeMs, EffectPeriodMs(record.speed));
    const std::vector<uint32_t> palette = Palette(record, IsSingleColour(effect));
    if (UsesColours(effect) && palette.empty())
        return; // a record without colours (no device in the slot) stays dark
    // Position along the strip in the direction of travel.
    const auto along = [&](int led) { return reverse ? count - 1 - led : led; };
    const int wheelShift = static_cast<int>(now.phase * kWheelSteps / now.period);

    for (int led = 0; led < count; ++led) {
        uint32_t &out = leds[static_cast<std::size_t>(led)];
        switch (effect) {
        case 0: // Solid: the colours side by side in equal blocks
            out = palette[static_cast<std::size_t>(led) * palette.size() / static_cast<std::size_t>(count)];
            break;
        case 1: // Static: the colours repeated LED by LED
            out = palette[static_cast<std::size_t>(led) % palette.size()];
            break;
        case 2: // Breathing: fades in and out, next colour each cycle
            out = Scaled(palette[Index(now.cycle, palette.size())], Triangle(now.phase, now.period));
            break;
        case 3: // Flash: on for the first half of each cycle, next colour each cycle
            out = now.phase < now.period / 2 ? palette[Index(now.cycle, palette.size())] : 0;
            break;
        case 4: // Spectrum Cycle: the whole strip walks round the colour wheel
            out = WheelColour(wheelShift);
            break;
        case 5: { // Rainbow Wave: a rainbow across the strip, moving along it
            const int position = led * kWheelSteps / count;
            out = WheelColour(reverse ? position + wheelShift : position - wheelShift);
            break;
        }
        case 6: // Rainbow Pulse: a still rainbow that fades in and out
            out = Scaled(WheelColour(led * kWheelSteps / count), Triangle(now.phase, now.period));
            break;
        case 7: { // Heartbeat: two beats, then a rest
            const int64_t perMille = now.phase * 1000 / now.period;
            out = (perMille < 100 || (perMille >= 200 && perMille < 300)) ? palette[0] : 0;
            break;
        }
        case 8: { // Random Flash: about half the LEDs flash in random colours
            const uint64_t draw = Hash(now.cycle, led);
            const bool lit = now.phase < now.period / 2 && (draw >> 32) % 2 == 0;
            out = lit ? WheelColour(static_cast<int>(draw % kWheelSteps)) : 0;
            break;
        }
        case 9: { // Meteor: a head crossing the strip once a cycle, with a fading tail
            const int64_t head = now.phase * count / now.period;
            const int64_t behind = head - along(led);
            out = (behind >= 0 && behind < kMeteorTail) ? Scaled(palette[0], 255 >> behind) : 0;
            break;
        }
        case 10: { // Spectrum Chase: every third LED lit, stepping along, hue walking
            const int64_t step = now.cycle * kChaseStepsPerPeriod + now.phase * kChaseStepsPerPeriod / now.period;
            out = Index(along(led) - step, 3) == 0 ? WheelColour(wheelShift) : 0;
            break;
        }
        case 11: { // Neon Flicker: a pink tube that now and then dims
            const int64_t step = now.cycle * kFlickerStepsPerPeriod + now.phase * kFlickerStepsPerPeriod / now.period;
            out = Scaled(Rgb(255, 32, 160), Hash(step, 0) % 5 == 0 ? 48 : 255);
            break;
        }
        case 12: { // Aurora: green to violet bands drifting along the strip
            const int64_t offset = static_cast<int64_t>(led) * now.period / count;
            const int level = Triangle((now.phase + offset) % now.period, now.period);
            out = Scaled(WheelColour(512 + level * 683 / 255), 96 + level * 159 / 255);
            break;
        }
        case 13: { // Starry Night: a night-blue strip with stars twinkling
            if (Hash(now.cycle, led) % 4 == 0) {
                const uint32_t level = static_cast<uint32_t>(Triangle(now.phase, now.period));
                out = Rgb(level, level, std::max<uint32_t>(level, 24));
            } else {
                out = Rgb(0, 0, 24);
            }
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

int EffectPeriodMs(int speed)
{
    static constexpr std::array<int, 5> kPeriods = {8000, 5000, 3000, 2000, 1000};
    return kPeriods[static_cast<std::size_t>(std::clamp(speed, -2, 2) + 2)];
}

uint32_t WheelColour(int hue)
{
    hue = ((hue % kWheelSteps) + kWheelSteps) % kWheelSteps;
    const uint32_t f = static_cast<uint32_t>(hue % 256);
    switch (hue / 256) {
    case 0:
        return Rgb(255, f, 0);
    case 1:
        return Rgb(255 - f, 255, 0);
    case 2:
        return Rgb(0, 255, f);
    case 3:
        return Rgb(0, 255 - f, 255);
    case 4:
        return Rgb(f, 0, 255);
    default:
        return Rgb(255, 0, 255 - f);
    }
}

bool IsAnimatedEffect(const EffectInfo &record, bool ledOn)
{
    const int effect = std::clamp(record.effectId, 0, kLastEffect);
    if (!ledOn || effect == 0 || effect == 1)
        return false;
    return !(UsesColours(effect) && std::clamp(record.colorCount, 0, kEffectColorSlots) == 0);
}

std::vector<uint32_t> EffectFrame(const EffectInfo &record, bool ledOn, int ledCount, int64_t timeMs)
{
    std::vector<uint32_t> leds(static_cast<std::size_t>(std::clamp(ledCount, 0, kMaxAnimationLeds)), 0u);
    if (!ledOn || leds.empty())
        return leds;
    const int effect = std::clamp(record.effectId, 0, kLastEffect);
    if (effect != kLastEffect) {
        FillFrame(leds, effect, record, timeMs);
        return leds;
    }
    // Demo mode: effects 2..13 in turn with the default colours, normal
    // speed and forward direction, each starting from its own time 0.
    const Moment step = MomentAt(timeMs, kDemoStepMs);
    EffectInfo demo;
    demo.effectId = kDemoFirstEffect + static_cast<int>(Index(step.cycle, kDemoEffectCount));
    FillFrame(leds, demo.effectId, demo, step.phase);
    return leds;
}
