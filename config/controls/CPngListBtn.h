#pragma once
// The working button of the interface (window buttons, profiles, categories,
// effects, direction, menu rows): a state image blended over the piece of the
// skin background under the button, an optional caption in the skin font and
// an optional small icon beside it. Clicks and hover come from CBitmapBtn.
//
// Looks (first matching row):
//   normal look:    disabled -> disable image, disabled colour, normal icon
//                   checked or pressed -> down, pressed colour, down icon
//                   hovered -> over, hover colour, over icon
//                   otherwise -> normal, normal colour, normal icon
//   alternate look: disabled -> disable, disabled colour, normal icon
//                   checked -> down, pressed colour, down icon
//                   pressed -> normal, hover colour, normal icon
//                   hovered -> over, normal colour, over icon
//                   otherwise -> normal, normal colour, normal icon
// Caption and icon are drawn only when the caption is not empty. Alignment
// code 1 centres, 0 left-aligns, 8 centres with the text box ending 2 pixels
// above the bottom edge, any other code right-aligns.
//
// The wheel posts WM_VSCROLL (SB_LINEUP for a turn away from the user, else
// SB_LINEDOWN; lParam 0) to the parent once per whole notch of turns added up
// (WheelNotches), and then goes on to the parent window as well. Double-clicks are ignored.

#include "controls/CBitmapBtnEx.h"
#include "framework/WheelInput.h"

class CPngListBtn : public CBitmapBtnEx
{
public:
    enum IconImage { IconNormal = 0, IconOver = 1, IconDown = 2 };

    explicit CPngListBtn(QWidget *parent = nullptr);
    ~CPngListBtn() override;

    void SetBackground(const Bitmap &background, int left, int top, int right, int bottom);
    // Each given picture is cropped to (0, 0, right - left, bottom - top);
    // the icon rectangle becomes (left, top, right, bottom).
    void SetIcon(const Bitmap *normal, const Bitmap *over, const Bitmap *down, int left, int top, int right,
                 int bottom);
    // Stores text and icon offset and repaints when either differs.
    void SetCaption(const QString &text, int iconOffset);

    bool HasIcon() const { return iconRect.left >= 0; }
    RECT GetIconRect() const { return iconRect; }
    int GetIconOffset() const { return iconOffset; }
    const Bitmap &GetIconImage(IconImage which) const { return iconImages[which]; }

    // What a paint with these flags would choose.
    struct Look
    {
        StateImage image;
        COLORREF captionColour;
        IconImage icon;
    };
    Look ChooseLook(const DrawItemState &state) const;
    // The caption's box for a text of `textHeight` pixels.
    QRect CaptionRect(int textHeight) const;

protected:
    void DrawItem(QImage &buffer, const DrawItemState &state) override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    Bitmap background;
    Bitmap iconImages[3];
    RECT iconRect {-1, 0, 0, 0};
    WheelNotches wheelNotches;
};

// Group selection of list buttons (see SelectButtonIn in ControlSupport.h).
int SelectButtonByHandle(CPngListBtn *buttons, int count, LPARAM handle, int *indexOut = nullptr);
int SelectButtonByHandle(CPngListBtn *const *buttons, int count, LPARAM handle, int *indexOut = nullptr);
