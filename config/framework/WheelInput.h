#pragma once
// What the program takes from a wheel event: the vertical turn alone. A
// touchpad scroll starts and ends with events of no turn at all (the scroll
// phases), and horizontal scrolling has no meaning here; for both this is 0,
// and a handler given 0 does nothing.
//
// Touchpads and high-resolution wheels send many small turns; WheelNotches
// adds them up per control and answers whole notches of 120 units (one notch
// of a classic wheel), keeping the remainder for the next event. A turn the
// other way drops the remainder, so a reversal never has to undo a part-notch
// first. A classic wheel's 120 per event is one notch per event.

#include <QWheelEvent>

inline int VerticalWheelDelta(const QWheelEvent &event)
{
    return event.angleDelta().y();
}

class WheelNotches
{
public:
    static constexpr int kNotch = 120;

    // Adds `delta` (positive away from the user) and returns the whole
    // notches completed, with the sign of the turn. One event counts at most
    // the 16-bit range of the platform's wheel message.
    int Add(int delta);
    void Reset() { remainder = 0; }

private:
    int remainder = 0;
};
