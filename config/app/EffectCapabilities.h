#pragma once
// Which controls each effect can use.

struct EffectCapability
{
    bool colour = false; // colour editor and colour slots
    bool speed = false; // speed slider
    bool direction = false; // direction pair
};

// The row of an effect number; numbers outside 0..14 have no controls.
EffectCapability CapabilityOf(int effect);

// Effects that use one colour: only slot 0 is shown, and no uniform toggle.
bool IsSingleColourEffect(int effect);
