#include "app/EffectCapabilities.h"

#include <array>

namespace {

constexpr std::array<EffectCapability, 15> kCapabilities = {{
    {true, false, false}, // 0
    {true, false, false}, // 1
    {true, true, false}, // 2
    {true, true, false}, // 3
    {false, true, false}, // 4
    {false, true, true}, // 5
    {false, true, false}, // 6
    {true, true, false}, // 7
    {false, true, false}, // 8
    {true, true, true}, // 9
    {false, true, true}, // 10
    {false, true, false}, // 11
    {false, true, false}, // 12
    {false, true, false}, // 13
    {false, false, false}, // 14
}};

} // namespace

EffectCapability CapabilityOf(int effect)
{
    if (effect < 0 || effect >= static_cast<int>(kCapabilities.size()))
        return {};
    return kCapabilities[static_cast<std::size_t>(effect)];
}

bool IsSingleColourEffect(int effect)
{
    return effect == 7 || effect == 9;
}
