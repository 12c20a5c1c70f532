#pragma once
// The owner-drawn button window under both image button families (CBitmapBtn
// and CBitmapBtn2): checked, hover and pressed state, the four state images,
// the caption, the face drawn by DrawItem() from the pressed and disabled
// flags, hover tracking, the pressed look, the double-click command and the
// commands to the parent. Each family adds its own click rule, its own
// SetChecked and its own LoadBitmaps.
//
// Commands go to the parent as WM_COMMAND, sent: wParam = identifier (low
// word) and BN_CLICKED or BN_DOUBLECLICKED (high word), lParam = Handle().
// A double-click sends BN_DOUBLECLICKED unless the tick equals the tick of the
// last command. The pressed look ends when the button loses the capture or
// the focus; losing the focus also releases the capture and clears hover.
// The wheel goes on to the parent window.
//
// Keyboard: Space presses the focused button as the left button does: its
// press does what the family does at a pointer press, its release what the
// family does at a pointer release (same commands, same guards), without
// capture or focus change; auto-repeated Space is ignored, so holding the key
// is one click and Space pressed again is another. Other keys go on to the
// parent.

#include "framework/CWnd.h"
#include "skin/Bitmap.h"

#include <QString>

struct DrawItemState
{
    bool pressed = false;
    bool disabled = false;
};

class CButton : public CWnd
{
public:
    enum StateImage { Normal = 0, Over = 1, Down = 2, Disable = 3 };

    ~CButton() override;

    // Makes the button a window (see CWnd::CreateWnd) with the given caption;
    // it starts not hovered.
    void Create(const QString &caption, QWidget *parent, const QRect &rect, int id, bool visible = true);

    bool GetChecked() const { return checked; }
    bool IsHovered() const { return hover; }
    // The pressed look of the button (pushed by a press, reset when the
    // button loses the capture or the focus).
    bool IsPressed() const { return pressed; }
    QString GetCaption() const { return caption; }
    const Bitmap &GetStateImage(StateImage which) const { return stateImages[which]; }
    // The hover look shown without the pointer (the menu's keyboard
    // highlight); repaints.
    void SetHighlighted(bool highlighted);
    // A press and release of Space.
    void ClickFromKeyboard();

    // Name: the one set, else the caption. Radio buttons and check boxes
    // report checked, list items selected, every button pressed.
    QAccessible::Role AccessibleRole() const override;
    QString AccessibleName() const override;
    void AddAccessibleState(QAccessible::State &state) const override;
    bool IsAccessiblyPressable() const override { return true; }
    void AccessiblePress() override { ClickFromKeyboard(); }

protected:
    // Takes click focus and mouse moves without a button; the face is opaque.
    explicit CButton(QWidget *parent);

    // Draws the face into `buffer` (client size, transparent black). The
    // base draws nothing.
    virtual void DrawItem(QImage &buffer, const DrawItemState &state);
    // Hover began at a pointer move, after the repaint was asked for. The
    // base does nothing.
    virtual void OnHoverEntered() { }

    // The pressed look begins: the button takes the capture and, unless it
    // takes no focus, the focus, then repaints. Safe when a receiver of the
    // capture or focus change destroys the button.
    void BeginPress();
    void SendCommand(WORD code);
    // What Space does at its press and its release. The base shows and
    // ends the pressed look; the families add their click rule.
    virtual void PressFromKeyboard();
    virtual void ReleaseFromKeyboard();
    // The checked state changed: listening clients are told.
    void NotifyCheckedChange();

    QImage PaintBuffer() override;
    void OnCaptureChanged() override;

    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

    bool checked = false;
    DWORD lastNotificationTick = 0;
    bool hover = false;
    Bitmap stateImages[4];
    QString caption;
    bool pressed = false;
    bool spaceHeld = false;
};
