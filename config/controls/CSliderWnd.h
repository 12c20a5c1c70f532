#pragma once
// What the linear image sliders (CPngSliderBar) and the hue ring
// (CPngRSliderBar2) share: the rectangle given at creation, the parent they
// report to, the position and range, the drag flag, the thumb size, and
// UM_SLIDER_POS (wParam the requested value, lParam the identifier) posted to
// that parent. A double-click is handled as a press; wheel turns are added up
// and each whole notch (120 units) completed is one OnMouseWheel() step.
//
// Keyboard (the window gives the slider the focus by Tab; a click never
// does): the arrow keys ask for one step, Page Up and Page Down for ten, Home
// and End for the bounds, each request posted as UM_SLIDER_POS as a drag posts
// it (nothing when the request is the value already shown). Other keys go on
// to the parent.

#include "framework/CWnd.h"
#include "framework/WheelInput.h"

#include <optional>

class CSliderWnd : public CWnd
{
public:
    ~CSliderWnd() override;

    // Stores the bounds (repainting when one changes) and clamps the position
    // into them: raised to the minimum, then lowered to the maximum.
    void SetRange(int minimum, int maximum);
    int GetPos() const { return position; }
    int GetRangeMin() const { return minimum; }
    int GetRangeMax() const { return maximum; }
    bool IsDragging() const { return dragging; }
    QSize ThumbSize() const { return QSize(thumbWidth, thumbHeight); }

    // `steps` whole wheel notches at once: positive is away from the user.
    virtual void OnMouseWheel(int steps) = 0;
    // Adds a wheel turn of `delta` units to the ones before and hands each
    // completed notch to OnMouseWheel(); the wheel over the slider and over
    // the area it scrolls both come here.
    void TurnWheel(int delta);

    // The value the slider reports (the position; the ring reports its angle).
    virtual int ReportedValue() const { return position; }
    // The request a key makes from the reported value; none for other keys.
    virtual std::optional<int> RequestForKey(int key) const;
    // Posts UM_SLIDER_POS with `value` to the parent, as a drag does.
    void RequestValue(int value) { PostValue(value); }

    QAccessible::Role AccessibleRole() const override;
    void AddAccessibleState(QAccessible::State &state) const override;
    bool AccessibleValue(AccessibleRange &range) const override;
    void RequestAccessibleValue(int value) override { RequestValue(value); }

    // UM_SLIDER_POS sent to the slider goes on to the parent, posted, with
    // the slider's identifier.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    explicit CSliderWnd(QWidget *parent);

    // Stores rectangle, parent and identifier, resets position and range
    // (0, 0..10) and makes the visible window.
    void CreateSliderWindow(int id, QWidget *parent, int left, int top, int right, int bottom);
    // Posts UM_SLIDER_POS with `value` to the parent given at creation.
    void PostValue(int value);

    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Down and Page Down raise the value (a vertical list's scroll bar);
    // otherwise Right, Up and Page Up do.
    virtual bool GrowsDownward() const { return false; }
    // Listening clients are told of a new reported value.
    void NotifyValueChange();

    int thumbWidth = 0;
    int thumbHeight = 0;
    RECT sliderRect;
    QPointer<QWidget> notifyParent;
    int position = 0;
    int minimum = 0;
    int maximum = 10;
    bool dragging = false;

private:
    WheelNotches wheelNotches;
};
