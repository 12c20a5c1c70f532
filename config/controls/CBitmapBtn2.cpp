#include "controls/CBitmapBtn2.h"

#include "framework/TickCount.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>
#include <QWheelEvent>

CBitmapBtn2::CBitmapBtn2(QWidget *parent) : CWnd(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    SetOpaqueFace(true);
}

CBitmapBtn2::~CBitmapBtn2() = default;

void CBitmapBtn2::Create(const QString &text, QWidget *parent, const QRect &rect, int id, bool visible)
{
    caption = text;
    hover = false;
    CreateWnd(parent, rect, id, visible);
}

void CBitmapBtn2::LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down,
                              const Bitmap *disable, int left, int top, int right, int bottom)
{
    if (!IsWindowCreated())
        return;
    const Bitmap *sources[4] = {normal, over, down, disable};
    for (int i = 0; i < 4; ++i)
        if (sources[i] != nullptr && !sources[i]->IsEmpty())
            CropBitmap(stateImages[i], *sources[i], left, top, right, bottom);
    hover = false;
    update();
}

void CBitmapBtn2::SetCaption(const QString &text, int alignment)
{
    caption = text;
    alignmentCode = alignment;
    update();
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
}

void CBitmapBtn2::DrawItem(QImage &, const DrawItemState &) {}

QImage CBitmapBtn2::PaintBuffer()
{
    Bitmap surface = CreateDib32(width(), height());
    if (surface.IsEmpty())
        return QImage();
    QImage buffer = surface.Image();
    DrawItem(buffer, DrawItemState{pressed, !isEnabled()});
    return buffer;
}

void CBitmapBtn2::OnCaptureChanged()
{
    pressed = false;
    update();
}

void CBitmapBtn2::SendCommand(WORD code)
{
    SendMessage(parentWidget(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), code), Handle());
}

void CBitmapBtn2::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        pressed = true;
        SetCapture();
        if (focusPolicy() != Qt::NoFocus)
            setFocus(Qt::MouseFocusReason);
        update();
    }
    event->accept();
}

void CBitmapBtn2::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const DWORD now = GetTickCount();
        if (static_cast<DWORD>(now - lastNotificationTick) > kClickGuardMs) {
            lastNotificationTick = now;
            SendCommand(BN_CLICKED);
        }
    }
    event->accept();
}

void CBitmapBtn2::mouseDoubleClickEvent(QMouseEvent *event)
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

void CBitmapBtn2::mouseMoveEvent(QMouseEvent *event)
{
    switch (TrackHover(event->position().toPoint(), event->buttons(), hover)) {
    case Hover::Entered:
        update();
        PostMessage(OwnerOrParent(), UM_BUTTON_HOVER, static_cast<WPARAM>(GetDlgCtrlID()), Handle());
        break;
    case Hover::Regained:
    case Hover::Left:
        update();
        break;
    default:
        break;
    }
    event->accept();
}

void CBitmapBtn2::leaveEvent(QEvent *event)
{
    EndHover(hover);
    update();
    CWnd::leaveEvent(event);
}

void CBitmapBtn2::focusOutEvent(QFocusEvent *event)
{
    CWnd::focusOutEvent(event);
    ReleaseCapture();
    hover = false;
    update();
}

void CBitmapBtn2::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}

void CBitmapBtn2::changeEvent(QEvent *event)
{
    CWnd::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}
