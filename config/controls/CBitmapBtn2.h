#pragma once
// The image button base of the colour swatches: the state, hover tracking and
// double-click of CButton, but the click command is sent at the release, and
// only when more than 500 ms (unsigned tick difference) passed since the last
// command; entering the button posts UM_BUTTON_HOVER (wParam identifier,
// lParam Handle()) to the owner, else the parent. The face is drawn by the
// derived class in DrawItem().

#include "controls/CButton.h"

#include <QString>

class CBitmapBtn2 : public CButton
{
public:
    explicit CBitmapBtn2(QWidget *parent = nullptr);
    ~CBitmapBtn2() override;

    // As CBitmapBtn::LoadBitmaps, but does nothing before Create(); clears
    // hover afterwards.
    void LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable, int left,
                     int top, int right, int bottom);
    // Stores both and repaints.
    void SetCaption(const QString &text, int alignment);
    void SetLeftAligned();
    void SetWhiteText();
    // Stores and repaints when the value changes.
    void SetChecked(bool checked);

    int GetTextAlign() const { return alignmentCode; }

    static constexpr DWORD kClickGuardMs = 500;

protected:
    void OnHoverEntered() override;
    // Space sends the command at its release, under the same guard.
    void ReleaseFromKeyboard() override;
    // The click command, unless the last one is at most kClickGuardMs old.
    void SendGuardedClick();

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

    int alignmentCode = 0;
    int fontHeight = 15;
    COLORREF normalColour = RGB(255, 255, 255);
    COLORREF hoverColour = RGB(255, 255, 255);
    COLORREF pressedColour = RGB(255, 255, 255);
};
