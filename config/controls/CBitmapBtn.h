#pragma once
// The owner-drawn image button of the main family (base of CBitmapBtnEx and
// CPngListBtn): on top of CButton's state, state images, hover tracking and
// commands it holds the caption properties, the tooltip and the click rule.
// The face itself is drawn by the derived class in DrawItem().
//
// Click mode 1 (default) sends BN_CLICKED at the press, click mode 2 at the
// release. The release is otherwise swallowed, so the pressed look stays
// while the pointer stays on the button and ends when it leaves.

#include "controls/CButton.h"

#include <QString>

class CBitmapBtn : public CButton
{
public:
    explicit CBitmapBtn(QWidget *parent = nullptr);
    ~CBitmapBtn() override;

    // Each state image becomes the crop (left, top, right, bottom) of its
    // source picture; a missing or empty source leaves that image as it was.
    // The button takes no keyboard focus by tabbing.
    void LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable, int left,
                     int top, int right, int bottom);
    // Stores the flag, clears hover and repaints (even when unchanged).
    void SetChecked(bool checked);
    void SetAlternateLook();
    void SetClickOnRelease();
    void SetTextAlign(int code);
    // Also sets the disabled colour to white.
    void SetTextColors(COLORREF hoverText, COLORREF normalText, COLORREF pressedText);
    void SetFontHeight(int pixels);
    void SetGrayPressedColor();
    // A null `text` means no text: nothing happens. Otherwise the tooltip
    // shows `text` while active.
    void SetTooltipText(const QString &text, bool activate);

    bool IsAlternateLook() const { return alternateLook; }
    int GetClickMode() const { return clickMode; }
    int GetTextAlign() const { return alignmentCode; }
    int GetFontHeight() const { return fontHeight; }
    COLORREF GetNormalColor() const { return normalColour; }
    COLORREF GetHoverColor() const { return hoverColour; }
    COLORREF GetDisabledColor() const { return disabledColour; }
    COLORREF GetPressedColor() const { return pressedColour; }
    QString GetTooltipText() const { return tooltipText; }
    bool IsTooltipActive() const { return tooltipActive; }

protected:
    // The press handling of the family: click mode 1 sends the command, then
    // the button shows its pressed look and takes the capture and focus.
    void HandleLeftPress();
    // Space: click mode 1 sends the command at the press, mode 2 at the
    // release, as the left button does.
    void PressFromKeyboard() override;
    void ReleaseFromKeyboard() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    bool alternateLook = false;
    int alignmentCode = 1;
    int iconOffset = 0;
    int fontWeight = 500;
    int fontHeight = 15;
    COLORREF normalColour = RGB(208, 208, 208);
    COLORREF hoverColour = RGB(0, 0, 0);
    COLORREF disabledColour = RGB(255, 255, 255);
    COLORREF pressedColour = RGB(255, 255, 255);
    int clickMode = 1;

private:
    QString tooltipText;
    bool tooltipActive = false;
    bool tooltipCreated = false;
};
