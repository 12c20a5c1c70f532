#pragma once
// The base of our child windows: a QWidget with a control identifier, the
// numbered messages of WindowMessage.h, a pointer capture with the rules the
// controls rely on, hover tracking, and off-screen painting (the whole face
// is drawn into one 32-bit buffer and copied to the screen in one step).
//
// Capture: one window of the process holds it at a time. Taking it while
// visible also grabs the mouse, so that pointer moves outside the window
// keep arriving; without a grab (hidden window, or a platform that refuses
// grabs) the pointer-leave event stands in for those moves. A window loses
// the capture when another window takes it, when it releases it, and when it
// is hidden, disabled or destroyed; OnCaptureChanged() tells it so.

#include "framework/Accessibility.h"
#include "framework/WindowMessage.h"

#include <QAccessible>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QPainter;

class CWnd : public QWidget
{
public:
    explicit CWnd(QWidget *parent = nullptr);
    ~CWnd() override;

    // Makes the object a window: a child of `parent` placed at `rect` (the
    // parent's client coordinates) with identifier `id`, shown when
    // `visible`.
    void CreateWnd(QWidget *parent, const QRect &rect, int id, bool visible = true);
    bool IsWindowCreated() const { return created; }

    int GetDlgCtrlID() const { return controlId; }
    void SetDlgCtrlID(int id) { controlId = id; }
    // This window as a message parameter.
    LPARAM Handle() const { return HandleOf(this); }

    // Receiver of notifications that go "to the owner, else the parent".
    void SetOwner(QObject *receiver) { owner = receiver; }
    QObject *GetOwner() const { return owner.data(); }
    QObject *OwnerOrParent() const;

    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const { return captureHolder == this; }
    static CWnd *GetCapture() { return captureHolder.data(); }

    // Handles a message sent or posted to this window; the result answers a
    // send. The default handles nothing and answers 0.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // The face as the next paint would show it (client size, premultiplied
    // ARGB32).
    QImage RenderBuffer() { return PaintBuffer(); }

    // Shapes the window; an empty region removes the shape.
    void SetWindowRgn(const QRegion &region);
    // The point (client coordinates) lies on this window: inside the client
    // rectangle and, for a shaped window, inside its shape.
    bool IsOnWindow(const QPoint &point) const;

    // Keyboard focus: whether the window paints the focus ring now (it has
    // the focus and got it from the keyboard; a pointer press hides it).
    bool ShowsFocusRing() const { return keyboardFocus && hasFocus(); }

    // What assistive technology reads (see Accessibility.h). The role is
    // the one given to SetAccessibleRole (default: client); the name the
    // one given to QWidget::setAccessibleName. Controls refine these.
    void SetAccessibleRole(QAccessible::Role role) { accessibleRole = role; }
    virtual QAccessible::Role AccessibleRole() const { return accessibleRole; }
    virtual QString AccessibleName() const { return accessibleName(); }
    // Adds the control's own states (checked, pressed, selected) to `state`.
    virtual void AddAccessibleState(QAccessible::State &) const { }
    // Fills `range` and answers true for windows with a value.
    virtual bool AccessibleValue(AccessibleRange &) const { return false; }
    // Asks for `value` as the pointer would (within the range).
    virtual void RequestAccessibleValue(int) { }
    virtual bool IsAccessiblyPressable() const { return false; }
    // Presses the control as the keyboard does.
    virtual void AccessiblePress() { }

protected:
    // Draws the whole face. The default is transparent.
    virtual QImage PaintBuffer();
    // The window no longer holds the capture.
    virtual void OnCaptureChanged() { }
    // Draws the keyboard focus ring over the face; the default follows the
    // client rectangle.
    virtual void PaintFocusIndicator(QPainter &painter);

    // Faces that cover every pixel are copied as they are and the parent is
    // not asked to paint under them first.
    void SetOpaqueFace(bool opaque);

    // Hover tracking on a pointer move (client coordinates), shared by the
    // buttons and sliders:
    //  - the left button is held and the window is not hovered: Ignored
    //    (a drag that started elsewhere does not light the window);
    //  - the window does not hold the capture, has an owner or parent and a
    //    window of the program is active:
    //    hover becomes true and the capture is taken: Entered;
    //  - it holds the capture and the point is on the window: Inside, or
    //    Regained when hover had been cleared meanwhile (SetChecked clears
    //    it) and the left button is up: hover becomes true again;
    //  - it holds the capture and the point is elsewhere: hover becomes
    //    false (Left when it was set, Outside otherwise) and, unless the left
    //    button is held, the capture is released.
    enum class Hover { Ignored, Entered, Inside, Regained, Left, Outside };
    Hover TrackHover(const QPoint &point, Qt::MouseButtons buttons, bool &hover);
    // The pointer left the window (leave event): hover ends and, unless the
    // left button is held, the capture is released. Answers whether hover was
    // set.
    bool EndHover(bool &hover);

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    static QPointer<CWnd> captureHolder;

    int controlId = 0;
    bool created = false;
    bool opaqueFace = false;
    bool keyboardFocus = false;
    QAccessible::Role accessibleRole = QAccessible::Client;
    QPointer<QObject> owner;
};
