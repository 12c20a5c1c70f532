#include "controls/CBitmapBtn.h"

#include "framework/TickCount.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>
#include <QWheelEvent>

CBitmapBtn::CBitmapBtn(QWidget *parent) : CWnd(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    SetOpaqueFace(true);
}

CBitmapBtn::~CBitmapBtn() = default;

void CBitmapBtn::Create(const QString &text, QWidget *parent, const QRect &rect, int id, bool visible)
{
    caption = text;
    hover = false;
    CreateWnd(parent, rect, id, visible);
}

void CBitmapBtn::LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                             int left, int top, int right, int bottom)
{
    const Bitmap *sources[4] = {normal, over, down, disable};
    for (int i = 0; i < 4; ++i)
        if (sources[i] != nullptr && !sources[i]->IsEmpty())
            CropBitmap(stateImages[i], *sources[i], left, top, right, bottom);
    setFocusPolicy(Qt::ClickFocus);
    update();
}

void CBitmapBtn::SetChecked(bool value)
{
    checked = value;
    hover = false;
    update();
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

void CBitmapBtn::SetTextColors(COLORREF hoverColour_, COLORREF normalColour_, COLORREF pressedColour_)
{
    hoverColour = hoverColour_;
    normalColour = normalColour_;
    pressedColour = pressedColour_;
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

void CBitmapBtn::DrawItem(QImage &, const DrawItemState &) {}

QImage CBitmapBtn::PaintBuffer()
{
    Bitmap surface = CreateDib32(width(), height());
    if (surface.IsEmpty())
        return QImage();
    QImage buffer = surface.Image();
    DrawItem(buffer, DrawItemState{pressed, !isEnabled()});
    return buffer;
}

void CBitmapBtn::OnCaptureChanged()
{
    // Losing the capture ends the pressed look; hover stays as it is.
    pressed = false;
    update();
}

void CBitmapBtn::SendCommand(WORD code)
{
    SendMessage(parentWidget(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), code), Handle());
}

void CBitmapBtn::HandleLeftPress()
{
    QPointer<CBitmapBtn> alive(this);
    if (clickMode == 1) {
        SendCommand(BN_CLICKED);
        if (!alive || isHidden() || !isEnabled())
            return; // the parent removed or disabled the button
    }
    pressed = true;
    SetCapture();
    if (alive && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (alive)
        update();
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

void CBitmapBtn::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const DWORD now = GetTickCount();
        if (now != lastNotificationTick) {
            lastNotificationTick = now;
            SendCommand(BN_DOUBLECLICKED);
        }
    }
    event->accept();
}

void CBitmapBtn::mouseMoveEvent(QMouseEvent *event)
{
    switch (TrackHover(event->position().toPoint(), event->buttons(), hover)) {
    case Hover::Entered:
    case Hover::Regained:
    case Hover::Left:
        update();
        break;
    default:
        break;
    }
    event->accept();
}

void CBitmapBtn::leaveEvent(QEvent *event)
{
    EndHover(hover);
    update();
    CWnd::leaveEvent(event);
}

void CBitmapBtn::focusOutEvent(QFocusEvent *event)
{
    CWnd::focusOutEvent(event);
    ReleaseCapture();
    hover = false;
    update();
}

void CBitmapBtn::wheelEvent(QWheelEvent *event)
{
    event->ignore(); // the parent window scrolls
}

void CBitmapBtn::changeEvent(QEvent *event)
{
    CWnd::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}
