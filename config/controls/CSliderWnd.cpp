#include "controls/CSliderWnd.h"

#include <algorithm>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

CSliderWnd::CSliderWnd(QWidget *parent)
    : CWnd(parent)
{ }

CSliderWnd::~CSliderWnd() = default;

void CSliderWnd::CreateSliderWindow(int id, QWidget *parent, int left, int top, int right, int bottom)
{
    sliderRect = RECT {left, top, right, bottom};
    notifyParent = parent;
    position = 0;
    minimum = 0;
    maximum = 10;
    CreateWnd(parent, QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)), id, true);
}

void CSliderWnd::SetRange(int newMinimum, int newMaximum)
{
    if (newMinimum != minimum || newMaximum != maximum)
        update();
    minimum = newMinimum;
    maximum = newMaximum;
    if (position < minimum)
        position = minimum;
    if (position > maximum)
        position = maximum;
}

LRESULT CSliderWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == UM_SLIDER_POS) {
        PostMessage(notifyParent.data(), UM_SLIDER_POS, wParam, static_cast<LPARAM>(GetDlgCtrlID()));
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CSliderWnd::PostValue(int value)
{
    // The value travels as the bit pattern of an int, as the parent reads it
    // back with a cast to int.
    PostMessage(notifyParent.data(), UM_SLIDER_POS, static_cast<WPARAM>(static_cast<LPARAM>(value)),
                static_cast<LPARAM>(GetDlgCtrlID()));
}

void CSliderWnd::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void CSliderWnd::TurnWheel(int delta)
{
    if (const int steps = wheelNotches.Add(delta))
        OnMouseWheel(steps);
}

void CSliderWnd::wheelEvent(QWheelEvent *event)
{
    TurnWheel(VerticalWheelDelta(*event));
    event->accept();
}

std::optional<int> CSliderWnd::RequestForKey(int key) const
{
    const bool down = GrowsDownward();
    long long step = 0;
    switch (key) {
    case Qt::Key_Home:
        return minimum;
    case Qt::Key_End:
        return maximum;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Up:
        step = down ? -1 : 1;
        break;
    case Qt::Key_Down:
        step = down ? 1 : -1;
        break;
    case Qt::Key_PageUp:
        step = down ? -10 : 10;
        break;
    case Qt::Key_PageDown:
        step = down ? 10 : -10;
        break;
    default:
        return std::nullopt;
    }
    if (minimum > maximum)
        return std::nullopt;
    return static_cast<int>(std::clamp<long long>(ReportedValue() + step, minimum, maximum));
}

void CSliderWnd::keyPressEvent(QKeyEvent *event)
{
    const std::optional<int> request
        = event->modifiers() & ~Qt::KeypadModifier ? std::nullopt : RequestForKey(event->key());
    if (!request) {
        CWnd::keyPressEvent(event);
        return;
    }
    event->accept();
    if (*request != ReportedValue())
        PostValue(*request);
}

QAccessible::Role CSliderWnd::AccessibleRole() const
{
    const QAccessible::Role role = CWnd::AccessibleRole();
    return role == QAccessible::Client ? QAccessible::Slider : role;
}

void CSliderWnd::AddAccessibleState(QAccessible::State &state) const
{
    // Reached by Tab (KeyboardNavigation), though never focused by a click.
    state.focusable = true;
}

bool CSliderWnd::AccessibleValue(AccessibleRange &range) const
{
    range.current = ReportedValue();
    range.minimum = minimum;
    range.maximum = maximum;
    range.step = 1;
    return true;
}

void CSliderWnd::NotifyValueChange()
{
    NotifyAccessibleValue(this, ReportedValue());
}
