#include "framework/Accessibility.h"

#include "framework/CWnd.h"

#include <algorithm>
#include <cmath>

namespace {

QAccessibleInterface *CreateInterface(const QString &, QObject *object)
{
    if (auto *window = dynamic_cast<CWnd *>(object))
        return new AccessibleWindow(window);
    return nullptr;
}

} // namespace

void InstallAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(CreateInterface);
        return true;
    }();
    (void)installed;
}

void NotifyAccessibleValue(QObject *object, int value)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(object, value);
    QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleState(QObject *object, QAccessible::State changed)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleStateChangeEvent event(object, changed);
    QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleName(QObject *object)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(object, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleFocus(QObject *object)
{
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(object, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

AccessibleWindow::AccessibleWindow(CWnd *window)
    : QAccessibleWidget(window)
{ }

CWnd *AccessibleWindow::Window() const
{
    return static_cast<CWnd *>(widget());
}

bool AccessibleWindow::HasValue() const
{
    AccessibleRange range;
    return Window()->AccessibleValue(range);
}

AccessibleRange AccessibleWindow::Range() const
{
    AccessibleRange range;
    Window()->AccessibleValue(range);
    return range;
}

QString AccessibleWindow::text(QAccessible::Text which) const
{
    if (which == QAccessible::Name) {
        const QString name = Window()->AccessibleName();
        if (!name.isEmpty())
            return name;
    }
    if (which == QAccessible::Value && HasValue())
        return QString::number(Range().current);
    return QAccessibleWidget::text(which);
}

QAccessible::Role AccessibleWindow::role() const
{
    return Window()->AccessibleRole();
}

QAccessible::State AccessibleWindow::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    Window()->AddAccessibleState(state);
    return state;
}

void *AccessibleWindow::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface && HasValue())
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QStringList AccessibleWindow::actionNames() const
{
    QStringList names;
    if (Window()->IsAccessiblyPressable())
        names << pressAction();
    if (HasValue())
        names << increaseAction() << decreaseAction();
    return names + QAccessibleWidget::actionNames();
}

void AccessibleWindow::doAction(const QString &actionName)
{
    CWnd *window = Window();
    if (!window->isEnabled()) // a disabled control is not operated, as by the pointer
        return;
    if (actionName == pressAction() && window->IsAccessiblyPressable()) {
        window->AccessiblePress();
    } else if ((actionName == increaseAction() || actionName == decreaseAction()) && HasValue()) {
        const AccessibleRange range = Range();
        if (range.minimum > range.maximum)
            return;
        const int step = actionName == increaseAction() ? range.step : -range.step;
        window->RequestAccessibleValue(std::clamp(range.current + step, range.minimum, range.maximum));
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QVariant AccessibleWindow::currentValue() const
{
    return Range().current;
}

void AccessibleWindow::setCurrentValue(const QVariant &value)
{
    bool ok = false;
    const double requested = value.toDouble(&ok);
    const AccessibleRange range = Range();
    if (!ok || !std::isfinite(requested) || range.minimum > range.maximum || !Window()->isEnabled())
        return;
    const double clamped
        = std::clamp(requested, static_cast<double>(range.minimum), static_cast<double>(range.maximum));
    Window()->RequestAccessibleValue(static_cast<int>(clamped));
}

QVariant AccessibleWindow::maximumValue() const
{
    return Range().maximum;
}

QVariant AccessibleWindow::minimumValue() const
{
    return Range().minimum;
}

QVariant AccessibleWindow::minimumStepSize() const
{
    return Range().step;
}
