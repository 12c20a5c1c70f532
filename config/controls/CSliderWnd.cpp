#include "controls/CSliderWnd.h"

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
