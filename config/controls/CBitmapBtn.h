#pragma once
// The owner-drawn image button of the main family (base of CBitmapBtnEx and
// CPngListBtn): button state (hover, checked, pressed), four state images,
// caption properties, tooltip, hover tracking and the click and double-click
// commands to the parent window. The face itself is drawn by the derived
// class in DrawItem().
//
// Commands go to the parent as WM_COMMAND, sent: wParam = identifier (low
// word) and BN_CLICKED or BN_DOUBLECLICKED (high word), lParam = Handle().
// Click mode 1 (default) sends at the press, click mode 2 at the release.
// The release is otherwise swallowed, so the pressed look stays while the
// pointer stays on the button and ends when it leaves.

#include "framework/CWnd.h"
#include "skin/Bitmap.h"

#include <QString>

struct DrawItemState
{
    bool pressed = false;
    bool disabled = false;
};

class CBitmapBtn : public CWnd
{
public:
    enum StateImage { Normal = 0, Over = 1, Down = 2, Disable = 3 };

    explicit CBitmapBtn(QWidget *parent = nullptr);
    ~CBitmapBtn() override;

    // Makes the button a window (see CWnd::CreateWnd) with the given caption.
    void Create(const QString &caption, QWidget *parent, const QRect &rect, int id, bool visible = true);

    // Each state image becomes the crop (left, top, right, bottom) of its
    // source picture; a missing or empty source leaves that image as it was.
    // The button takes no keyboard focus by tabbing.
    void LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                     int left, int top, int right, int bottom);
    // Stores the flag, clears hover and repaints (even when unchanged).
    void SetChecked(bool checked);
    void SetAlternateLook();
    void SetClickOnRelease();
    void SetTextAlign(int code);
    QString GetCaption() const { return caption; }
    // Also sets the disabled colour to white.
    void SetTextColors(COLORREF hoverColour, COLORREF normalColour, COLORREF pressedColour);
    void SetFontHeight(int pixels);
    void SetGrayPressedColor();
    // A null `text` means no text: nothing happens. Otherwise the tooltip
    // shows `text` while active.
    void SetTooltipText(const QString &text, bool activate);

    bool GetChecked() const { return checked; }
    bool IsHovered() const { return hover; }
    // The pressed look of the button (pushed by a press, reset when the
    // button loses the capture or the focus).
    bool IsPressed() const { return pressed; }
    bool IsAlternateLook() const { return alternateLook; }
    int GetClickMode() const { return clickMode; }
    int GetTextAlign() const { return alignmentCode; }
    int GetFontHeight() const { return fontHeight; }
    COLORREF GetNormalColor() const { return normalColour; }
    COLORREF GetHoverColor() const { return hoverColour; }
    COLORREF GetDisabledColor() const { return disabledColour; }
    COLORREF GetPressedColor() const { return pressedColour; }
    const Bitmap &GetStateImage(StateImage which) const { return stateImages[which]; }
    QString GetTooltipText() const { return tooltipText; }
    bool IsTooltipActive() const { return tooltipActive; }

protected:
    // Draws the face into `buffer` (client size, transparent black). The
    // base draws nothing.
    virtual void DrawItem(QImage &buffer, const DrawItemState &state);

    QImage PaintBuffer() override;
    void OnCaptureChanged() override;

    // The press handling of the family: click mode 1 sends the command, then
    // the button shows its pressed look and takes the capture and focus.
    void HandleLeftPress();
    void SendCommand(WORD code);

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

    bool checked = false;
    bool alternateLook = false;
    DWORD lastNotificationTick = 0;
    bool hover = false;
    int alignmentCode = 1;
    Bitmap stateImages[4];
    int iconOffset = 0;
    int fontWeight = 500;
    int fontHeight = 15;
    COLORREF normalColour = RGB(208, 208, 208);
    COLORREF hoverColour = RGB(0, 0, 0);
    COLORREF disabledColour = RGB(255, 255, 255);
    COLORREF pressedColour = RGB(255, 255, 255);
    QString caption;
    int clickMode = 1;
    bool pressed = false;

private:
    QString tooltipText;
    bool tooltipActive = false;
    bool tooltipCreated = false;
};
