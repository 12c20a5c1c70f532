// The events a screen reader hears from the main window: focus, value,
// state and name changes, recorded by an accessibility update handler while
// Qt's accessibility is active (on the platform's accessibility bus).

#include "MainWindowFixture.h"

#include "framework/TickCount.h"

#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>

namespace {

struct HeardEvent
{
    const QObject *object;
    QAccessible::Event type;
    QVariant value;
    QAccessible::State changed;
};

std::vector<HeardEvent> &Heard()
{
    static std::vector<HeardEvent> events;
    return events;
}

void Record(QAccessibleEvent *event)
{
    HeardEvent heard {event->object(), event->type(), {}, {}};
    if (event->type() == QAccessible::ValueChanged)
        heard.value = static_cast<QAccessibleValueChangeEvent *>(event)->value();
    if (event->type() == QAccessible::StateChanged)
        heard.changed = static_cast<QAccessibleStateChangeEvent *>(event)->changedStates();
    Heard().push_back(heard);
}

class AccessibilityEventsTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // The bridge turns active once it has reached the accessibility bus.
        QDeadlineTimer deadline(10000);
        while (!QAccessible::isActive() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        ASSERT_TRUE(QAccessible::isActive()) << "Qt's accessibility did not become active on the bus";
        Heard().clear();
        QAccessible::installUpdateHandler(Record);
    }

    void TearDown() override
    {
        QAccessible::installUpdateHandler(nullptr);
        MainWindowTest::TearDown();
    }

    CConfigDlg &OpenActive(int devices = 1)
    {
        CConfigDlg &w = Open(devices);
        Click(Screen().effectButtons[3]);
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        Heard().clear();
        return w;
    }

    static int Count(const QObject *object, QAccessible::Event type)
    {
        return static_cast<int>(std::count_if(
            Heard().begin(), Heard().end(), [&](const HeardEvent &e) { return e.object == object && e.type == type; }));
    }

    void Key(QWidget &target, int key)
    {
        QTest::keyClick(&target, static_cast<Qt::Key>(key));
        QCoreApplication::sendPostedEvents();
    }

    FakeTickCount clock {100000};
};

TEST_F(AccessibilityEventsTest, FocusFromTheKeyboardIsHeard)
{
    OpenActive();
    Screen().resetButton.setFocus(Qt::TabFocusReason);
    Key(Screen().resetButton, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &Screen().applyButton);
    EXPECT_GE(Count(&Screen().applyButton, QAccessible::Focus), 1);
}

TEST_F(AccessibilityEventsTest, SliderValueChangesAreHeardWithTheNewValue)
{
    OpenActive();
    CPngHSliderBar &red = Screen().redSlider;
    red.setFocus(Qt::TabFocusReason);
    Key(red, Qt::Key_Left);
    ASSERT_GE(Count(&red, QAccessible::ValueChanged), 1);
    const auto last = std::find_if(Heard().rbegin(), Heard().rend(), [&](const HeardEvent &e) {
        return e.object == &red && e.type == QAccessible::ValueChanged;
    });
    EXPECT_EQ(last->value.toInt(), 254);

    Heard().clear();
    Key(red, Qt::Key_Right); // back to 255; the ring follows the colour
    EXPECT_GE(Count(&red, QAccessible::ValueChanged), 1);
    Heard().clear();
    Key(red, Qt::Key_Right); // already at the end: nothing changes, nothing is heard
    EXPECT_EQ(Count(&red, QAccessible::ValueChanged), 0);
}

TEST_F(AccessibilityEventsTest, CheckedChangesAndSlotColourNamesAreHeard)
{
    OpenActive();
    MainScreen &s = Screen();
    s.uniformToggle.setFocus(Qt::TabFocusReason);
    Key(s.uniformToggle, Qt::Key_Space);
    const auto toggled = std::find_if(Heard().begin(), Heard().end(), [&](const HeardEvent &e) {
        return e.object == &s.uniformToggle && e.type == QAccessible::StateChanged && e.changed.checked;
    });
    EXPECT_NE(toggled, Heard().end());
    Click(s.uniformToggle); // back to separate slots

    Heard().clear();
    clock.Advance(1000);
    Click(s.presets[4]); // blue into the active slot
    EXPECT_GE(Count(&s.colorSlots[0], QAccessible::NameChanged), 1);
    QAccessibleInterface *slot = QAccessible::queryAccessibleInterface(&s.colorSlots[0]);
    EXPECT_EQ(slot->text(QAccessible::Name), QStringLiteral("Colour 1: red 0, green 0, blue 255"));
    EXPECT_EQ(Count(&s.colorSlots[1], QAccessible::NameChanged), 0) << "an unchanged slot stays silent";
}

TEST_F(AccessibilityEventsTest, TheMenuHighlightIsHeardAsTheFocusedRow)
{
    OpenActive(3);
    CPngListBtn &category = Screen().categoryButtons[1];
    category.setFocus(Qt::TabFocusReason);
    Key(category, Qt::Key_Down);
    ASSERT_NE(window->PopupMenu(), nullptr);
    Key(category, Qt::Key_Down);
    Key(category, Qt::Key_Down);
    EXPECT_EQ(Count(window->PopupMenu()->GetRow(1), QAccessible::Focus), 1);
    EXPECT_EQ(QApplication::focusWidget(), &category) << "the keys stay with the device button";
}

} // namespace
