#include "framework/CWnd.h"

#include "framework/FocusRing.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QPainter>

QPointer<CWnd> CWnd::captureHolder;

namespace {

// Platforms that refuse pointer grabs (and say so on every attempt); there
// the pointer-leave event ends hover instead.
bool PlatformGrabsPointer()
{
    static const bool grabs = [] {
        const QString name = QGuiApplication::platformName();
        return !(name == QLatin1String("offscreen") || name == QLatin1String("minimal")
                 || name.startsWith(QLatin1String("wayland")));
    }();
    return grabs;
}

} // namespace

CWnd::CWnd(QWidget *parent)
    : QWidget(parent)
{
    InstallAccessibility();
}

CWnd::~CWnd()
{
    if (captureHolder == this) {
        captureHolder = nullptr;
        if (QWidget::mouseGrabber() == this)
            releaseMouse();
    }
}

void CWnd::CreateWnd(QWidget *parent, const QRect &rect, int id, bool visible)
{
    if (parent != parentWidget())
        setParent(parent);
    controlId = id;
    setGeometry(rect.normalized());
    created = true;
    setVisible(visible);
}

QObject *CWnd::OwnerOrParent() const
{
    if (owner)
        return owner.data();
    return parentWidget();
}

void CWnd::SetCapture()
{
    if (captureHolder != this) {
        QPointer<CWnd> previous = captureHolder;
        captureHolder = this;
        if (previous) {
            if (QWidget::mouseGrabber() == previous)
                previous->releaseMouse();
            previous->OnCaptureChanged();
        }
    }
    if (isVisible() && PlatformGrabsPointer() && QWidget::mouseGrabber() != this)
        grabMouse();
}

void CWnd::ReleaseCapture()
{
    if (captureHolder != this)
        return;
    captureHolder = nullptr;
    if (QWidget::mouseGrabber() == this)
        releaseMouse();
    OnCaptureChanged();
}

LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM)
{
    return 0;
}

void CWnd::SetWindowRgn(const QRegion &region)
{
    if (region.isEmpty())
        clearMask();
    else
        setMask(region);
}

bool CWnd::IsOnWindow(const QPoint &point) const
{
    if (!rect().contains(point))
        return false;
    const QRegion shape = mask();
    return shape.isEmpty() || shape.contains(point);
}

QImage CWnd::PaintBuffer()
{
    QImage buffer(size(), QImage::Format_ARGB32_Premultiplied);
    buffer.fill(Qt::transparent);
    return buffer;
}

void CWnd::SetOpaqueFace(bool opaque)
{
    opaqueFace = opaque;
    setAttribute(Qt::WA_OpaquePaintEvent, opaque);
}

CWnd::Hover CWnd::TrackHover(const QPoint &point, Qt::MouseButtons buttons, bool &hover)
{
    const bool leftHeld = buttons.testFlag(Qt::LeftButton);
    if (leftHeld && !hover)
        return Hover::Ignored;
    if (!HasCapture()) {
        // Hover starts only while a window of the program is active: pointer
        // moves that reach us while another program holds the pointer (and
        // none of our windows is active) light nothing up and grab nothing.
        if (OwnerOrParent() == nullptr || QApplication::activeWindow() == nullptr)
            return Hover::Ignored;
        hover = true;
        SetCapture();
        return Hover::Entered;
    }
    if (IsOnWindow(point)) {
        if (hover || leftHeld)
            return Hover::Inside;
        hover = true;
        return Hover::Regained;
    }
    const bool wasHovered = hover;
    hover = false;
    if (!leftHeld)
        ReleaseCapture();
    return wasHovered ? Hover::Left : Hover::Outside;
}

bool CWnd::EndHover(bool &hover)
{
    const bool wasHovered = hover;
    hover = false;
    if (HasCapture() && !QGuiApplication::mouseButtons().testFlag(Qt::LeftButton))
        ReleaseCapture();
    return wasHovered;
}

bool CWnd::event(QEvent *event)
{
    if (WindowMessageEvent *m = WindowMessageEvent::From(event)) {
        m->result = WindowProc(m->message, m->wParam, m->lParam);
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && keyboardFocus) {
        keyboardFocus = false; // the user took the pointer: no ring
        update();
    }
    return QWidget::event(event);
}

void CWnd::paintEvent(QPaintEvent *)
{
    const QImage face = PaintBuffer();
    QPainter painter(this);
    if (opaqueFace)
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, face);
    if (ShowsFocusRing())
        PaintFocusIndicator(painter);
}

void CWnd::PaintFocusIndicator(QPainter &painter)
{
    PaintFocusRing(painter, rect());
}

void CWnd::focusInEvent(QFocusEvent *event)
{
    keyboardFocus = IsKeyboardFocusReason(event->reason());
    if (keyboardFocus)
        update();
    QWidget::focusInEvent(event);
}

void CWnd::focusOutEvent(QFocusEvent *event)
{
    if (keyboardFocus) {
        keyboardFocus = false;
        update();
    }
    QWidget::focusOutEvent(event);
}

void CWnd::hideEvent(QHideEvent *event)
{
    ReleaseCapture();
    QWidget::hideEvent(event);
}

void CWnd::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        ReleaseCapture();
    QWidget::changeEvent(event);
}
