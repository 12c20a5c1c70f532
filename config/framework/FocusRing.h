#pragma once
// The keyboard focus ring of the skinned windows: a line around the focused
// control in the skin's accent colour, shown only when the focus came from
// the keyboard (Tab, Shift+Tab, an arrow key within a group), never after a
// pointer click, as desktop toolkits do.

#include <QColor>
#include <Qt>

class QPainter;
class QRect;

struct FocusRingStyle
{
    QColor colour {216, 38, 48};
    int width = 2; // pixels, 1..8
};

// The style every control paints with; the screen build sets it from the
// skin and skins that say nothing keep the default.
void SetFocusRingStyle(const FocusRingStyle &style);
const FocusRingStyle &CurrentFocusRingStyle();

// Whether focus given for `reason` shows the ring.
bool IsKeyboardFocusReason(Qt::FocusReason reason);

// Draws the ring just inside `area`: a rectangle, or the largest circle in
// it when `round`.
void PaintFocusRing(QPainter &painter, const QRect &area, bool round = false);
