#include "controls/CButton.h"

#include "framework/TickCount.h"
#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QKeyEvent>
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
    if (spaceHeld) {
        spaceHeld = false; // the release goes elsewhere: no click
        pressed = false;
    }
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

void CButton::SetHighlighted(bool highlighted)
{
    hover = highlighted;
    update();
}

void CButton::PressFromKeyboard()
{
    pressed = true;
    update();
    NotifyAccessibleState(this, [] {
        QAccessible::State changed;
        changed.pressed = true;
        return changed;
    }());
}

void CButton::ReleaseFromKeyboard()
{
    pressed = false;
    update();
}

void CButton::ClickFromKeyboard()
{
    QPointer<CButton> alive(this);
    spaceHeld = false;
    PressFromKeyboard();
    if (alive)
        ReleaseFromKeyboard();
}

void CButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) {
        CWnd::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || spaceHeld)
        return;
    spaceHeld = true;
    PressFromKeyboard();
}

void CButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        CWnd::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat() || !spaceHeld)
        return;
    spaceHeld = false;
    ReleaseFromKeyboard();
}

void CButton::NotifyCheckedChange()
{
    QAccessible::State changed;
    changed.checked = true;
    NotifyAccessibleState(this, changed);
}

QAccessible::Role CButton::AccessibleRole() const
{
    const QAccessible::Role role = CWnd::AccessibleRole();
    return role == QAccessible::Client ? QAccessible::PushButton : role;
}

QString CButton::AccessibleName() const
{
    const QString name = CWnd::AccessibleName();
    return name.isEmpty() ? caption.trimmed() : name;
}

void CButton::AddAccessibleState(QAccessible::State &state) const
{
    const QAccessible::Role role = AccessibleRole();
    if (role == QAccessible::RadioButton || role == QAccessible::CheckBox) {
        state.checkable = true;
        state.checked = checked;
    } else if (role == QAccessible::ListItem) {
        state.selectable = true;
        state.selected = checked;
    }
    state.pressed = pressed;
}
