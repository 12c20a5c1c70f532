#include "framework/WheelInput.h"

#include <algorithm>

int WheelNotches::Add(int delta)
{
    if (delta == 0)
        return 0;
    if ((delta > 0) != (remainder > 0))
        remainder = 0;
    // |remainder| < 120, so the sum stays far inside int.
    remainder += std::clamp(delta, -32768, 32767);
    const int notches = remainder / kNotch;
    remainder -= notches * kNotch;
    return notches;
}
