#include "controls/CButton.h"

#include "framework/TickCount.h"
#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>
#include <QWheelEvent>

CButton::CButton(QWidget *parent)
    : CWnd(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    SetOpaqueFace(true);
}

CButton::~CButton() = default;

void CButton::Create(const QString &text, QWidget *parent, const QRect &rect, int id, bool visible)
{
    caption = text;
    hover = false;
    CreateWnd(parent, rect, id, visible);
}

void CButton::DrawItem(QImage &, const DrawItemState &)
{ }

void CButton::BeginPress()
{
    QPointer<CButton> alive(this);
    pressed = true;
    SetCapture();
    if (alive && focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (alive)
        update();
}

void CButton::SendCommand(WORD code)
{
    SendMessage(parentWidget(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID()), code), Handle());
}

QImage CButton::PaintBuffer()
{
    QImage buffer = CreateFaceBuffer(*this);
    if (buffer.isNull())
        return QImage();
    DrawItem(buffer, DrawItemState {pressed, !isEnabled()});
    return buffer;
}

void CButton::OnCaptureChanged()
{
    // Losing the capture ends the pressed look; hover stays as it is.
    pressed = false;
    update();
}

void CButton::mouseDoubleClickEvent(QMouseEvent *event)
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

void CButton::mouseMoveEvent(QMouseEvent *event)
{
    switch (TrackHover(event->position().toPoint(), event->buttons(), hover)) {
    case Hover::Entered:
        update();
        OnHoverEntered();
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

void CButton::leaveEvent(QEvent *event)
{
    EndHover(hover);
    update();
    CWnd::leaveEvent(event);
}

void CButton::focusOutEvent(QFocusEvent *event)
{
    CWnd::focusOutEvent(event);
    ReleaseCapture();
    hover = false;
    update();
}

void CButton::wheelEvent(QWheelEvent *event)
{
    event->ignore(); // the parent window scrolls
}

void CButton::changeEvent(QEvent *event)
{
    CWnd::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}
