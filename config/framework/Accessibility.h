#pragma once
// What assistive technology (a screen reader on the platform's accessibility
// bus) learns of our skinned windows. Qt asks for an interface only when an
// assistive client is listening; InstallAccessibility() registers the
// factory that answers for every CWnd with an AccessibleWindow, which reads
// the window's accessibility hooks (CWnd::AccessibleRole and the others):
// name, role and states, the value interface for the sliders and the press
// action for the buttons.
//
// The Notify functions tell listening clients of a change; they cost a test
// of a flag when nobody listens.

#include <QAccessible>
#include <QAccessibleWidget>

class CWnd;

// Current value and bounds of a window that has one (sliders, the ring).
struct AccessibleRange
{
    int current = 0;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
};

// Registers the interface factory once per process; cheap, no interface is
// made until a client asks.
void InstallAccessibility();

void NotifyAccessibleValue(QObject *object, int value);
void NotifyAccessibleState(QObject *object, QAccessible::State changed);
void NotifyAccessibleName(QObject *object);
// The object is where the user's attention moved, without taking the focus
// (a highlight moved by keys on another control).
void NotifyAccessibleFocus(QObject *object);

class AccessibleWindow : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleWindow(CWnd *window);

    QString text(QAccessible::Text which) const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

    QVariant currentValue() const override;
    // Takes the path of a drag: the request goes to the parent, which moves
    // the slider.
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    CWnd *Window() const;
    bool HasValue() const;
    AccessibleRange Range() const;
};
