#pragma once
// What a lighting record looks like on a strip of LEDs at a given moment.
// Pure: no clock and no toolkit, so the window's preview and the agent's
// terminal preview show the same frames. The README's effect table is the
// definition of every animation.

#include "settings/EffectInfo.h"

#include <cstdint>
#include <vector>

// Longest strip a frame is computed for; longer requests are cut to it.
inline constexpr int kMaxAnimationLeds = 1024;
// Demo mode shows each of its effects for this long.
inline constexpr int kDemoStepMs = 5000;

// The period of one animation cycle at `speed` (-2 slowest .. 2 fastest;
// values outside are brought into range).
int EffectPeriodMs(int speed);

// True when the frames of `record` change with time (a timer is worth
// running); false for static effects, LED off and records without colours
// for an effect that needs them.
bool IsAnimatedEffect(const EffectInfo &record, bool ledOn);

// The colour of each of `ledCount` LEDs (red + 256 * green + 65536 * blue,
// as in the record) at `timeMs`. LED off gives a dark strip. Every field of
// the record is brought into range first, so any record is safe.
std::vector<uint32_t> EffectFrame(const EffectInfo &record, bool ledOn, int ledCount, int64_t timeMs);

// A hue on the colour wheel at full saturation and value: 0..1535, six
// sectors of 256 steps from red through yellow, green, cyan, blue, magenta.
uint32_t WheelColour(int hue);
