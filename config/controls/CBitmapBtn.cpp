#include "controls/CBitmapBtn.h"

#include "framework/TickCount.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>

CBitmapBtn::CBitmapBtn(QWidget *parent)
    : CButton(parent)
{ }

CBitmapBtn::~CBitmapBtn() = default;

void CBitmapBtn::LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                             int left, int top, int right, int bottom)
{
    CropEach(stateImages, {normal, over, down, disable}, left, top, right, bottom);
    setFocusPolicy(Qt::ClickFocus);
    update();
}

void CBitmapBtn::SetChecked(bool value)
{
    const bool changed = value != checked;
    checked = value;
    hover = false;
    update();
    if (changed)
        NotifyCheckedChange();
}

void CBitmapBtn::SetAlternateLook()
{
    alternateLook = true;
    update();
}

void CBitmapBtn::SetClickOnRelease()
{
    clickMode = 2;
}

void CBitmapBtn::SetTextAlign(int code)
{
    alignmentCode = code;
}

void CBitmapBtn::SetTextColors(COLORREF hoverText, COLORREF normalText, COLORREF pressedText)
{
    hoverColour = hoverText;
    normalColour = normalText;
    pressedColour = pressedText;
    disabledColour = RGB(255, 255, 255);
    update();
}

void CBitmapBtn::SetFontHeight(int pixels)
{
    fontHeight = pixels;
}

void CBitmapBtn::SetGrayPressedColor()
{
    pressedColour = RGB(139, 139, 139);
}

void CBitmapBtn::SetTooltipText(const QString &text, bool activate)
{
    if (text.isNull())
        return;
    tooltipCreated = true;
    tooltipText = text;
    tooltipActive = activate;
    setToolTip(activate ? text : QString());
}

void CBitmapBtn::HandleLeftPress()
{
    if (clickMode == 1) {
        QPointer<CBitmapBtn> alive(this);
        SendCommand(BN_CLICKED);
        if (!alive || isHidden() || !isEnabled())
            return; // the parent removed or disabled the button
    }
    BeginPress();
}

void CBitmapBtn::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        HandleLeftPress();
    event->accept();
}

void CBitmapBtn::mouseReleaseEvent(QMouseEvent *event)
{
    // The release is never passed on: the pressed look and the capture stay.
    if (event->button() == Qt::LeftButton && clickMode == 2) {
        lastNotificationTick = GetTickCount();
        SendCommand(BN_CLICKED);
    }
    event->accept();
}

void CBitmapBtn::PressFromKeyboard()
{
    if (clickMode == 1) {
        QPointer<CBitmapBtn> alive(this);
        SendCommand(BN_CLICKED);
        if (!alive || isHidden() || !isEnabled())
            return;
    }
    CButton::PressFromKeyboard();
}

void CBitmapBtn::ReleaseFromKeyboard()
{
    CButton::ReleaseFromKeyboard();
    if (clickMode == 2) {
        lastNotificationTick = GetTickCount();
        SendCommand(BN_CLICKED);
    }
}
