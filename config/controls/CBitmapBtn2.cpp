#include "controls/CBitmapBtn2.h"

#include "framework/TickCount.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>

CBitmapBtn2::CBitmapBtn2(QWidget *parent)
    : CButton(parent)
{ }

CBitmapBtn2::~CBitmapBtn2() = default;

void CBitmapBtn2::LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                              int left, int top, int right, int bottom)
{
    if (!IsWindowCreated())
        return;
    CropEach(stateImages, {normal, over, down, disable}, left, top, right, bottom);
    hover = false;
    update();
}

void CBitmapBtn2::SetCaption(const QString &text, int alignment)
{
    const bool renamed = text != caption;
    caption = text;
    alignmentCode = alignment;
    update();
    if (renamed)
        NotifyAccessibleName(this);
}

void CBitmapBtn2::SetLeftAligned()
{
    alignmentCode = 1;
}

void CBitmapBtn2::SetWhiteText()
{
    normalColour = hoverColour = pressedColour = RGB(255, 255, 255);
}

void CBitmapBtn2::SetChecked(bool value)
{
    if (value == checked)
        return;
    checked = value;
    update();
    NotifyCheckedChange();
}

void CBitmapBtn2::OnHoverEntered()
{
    PostMessage(OwnerOrParent(), UM_BUTTON_HOVER, static_cast<WPARAM>(GetDlgCtrlID()), Handle());
}

void CBitmapBtn2::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        BeginPress();
    event->accept();
}

void CBitmapBtn2::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        SendGuardedClick();
    event->accept();
}

void CBitmapBtn2::ReleaseFromKeyboard()
{
    CButton::ReleaseFromKeyboard();
    SendGuardedClick();
}

void CBitmapBtn2::SendGuardedClick()
{
    const DWORD now = GetTickCount();
    if (static_cast<DWORD>(now - lastNotificationTick) > kClickGuardMs) {
        lastNotificationTick = now;
        SendCommand(BN_CLICKED);
    }
}
