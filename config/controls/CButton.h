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

    QImage PaintBuffer() override;
    void OnCaptureChanged() override;

    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

    bool checked = false;
    DWORD lastNotificationTick = 0;
    bool hover = false;
    Bitmap stateImages[4];
    QString caption;
    bool pressed = false;
};
