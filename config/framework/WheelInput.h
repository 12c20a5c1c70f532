#pragma once
// What the program takes from a wheel event: the vertical turn alone. A
// touchpad scroll starts and ends with events of no turn at all (the scroll
// phases), and horizontal scrolling has no meaning here; for both this is 0,
// and a handler given 0 does nothing.

#include <QWheelEvent>

inline int VerticalWheelDelta(const QWheelEvent &event)
{
    return event.angleDelta().y();
}
