// What a screen reader reads from the main window, queried through Qt's
// accessibility interfaces as the platform bridge queries them.

#include "MainWindowFixture.h"

#include "framework/MessageRecorder.h"
#include "framework/TickCount.h"

#include <QAccessible>
#include <QApplication>

namespace {

QAccessibleInterface *Interface(QObject &object)
{
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&object);
    EXPECT_NE(face, nullptr);
    return face;
}

class AccessibilityTest : public MainWindowTest
{
protected:
    CConfigDlg &OpenIn(int language)
    {
        WriteSettings([language](LightingSettings &s) { s.lan_id = language; });
        CConfigDlg &w = Open(1);
        Click(Screen().effectButtons[3]); // flash: every kind of control shown
        return w;
    }

    FakeTickCount clock {100000};
};

TEST_F(AccessibilityTest, EveryControlHasItsRoleAndItsNameInBothLanguages)
{
    struct Row
    {
        const char *what;
        std::function<QWidget &(MainScreen &)> control;
        QAccessible::Role role;
        QString english;
        QString chinese;
    };
    using R = QAccessible::Role;
    const Row rows[] = {
        {"apply", [](MainScreen &s) -> QWidget & { return s.applyButton; }, R::PushButton, "Apply", "应用"},
        {"reset", [](MainScreen &s) -> QWidget & { return s.resetButton; }, R::PushButton, "Reset", "重置"},
        {"close", [](MainScreen &s) -> QWidget & { return s.closeButton; }, R::PushButton, "Close", "关闭"},
        {"minimise", [](MainScreen &s) -> QWidget & { return s.minimiseButton; }, R::PushButton, "Minimise", "最小化"},
        {"category", [](MainScreen &s) -> QWidget & { return s.categoryButtons[1]; }, R::PushButton, "SSD", "固态硬盘"},
        {"profile", [](MainScreen &s) -> QWidget & { return s.profileButtons[0]; }, R::RadioButton, "Profile 1",
         "配置 1"},
        {"led on", [](MainScreen &s) -> QWidget & { return s.ledOnButton; }, R::RadioButton, "On", "开"},
        {"effect", [](MainScreen &s) -> QWidget & { return s.effectButtons[3]; }, R::RadioButton, "Flash", "闪烁"},
        {"direction", [](MainScreen &s) -> QWidget & { return s.directionButtons[1]; }, R::RadioButton, "Reverse",
         "反向"},
        {"slot", [](MainScreen &s) -> QWidget & { return s.colorSlots[2]; }, R::RadioButton,
         "Colour 3: red 0, green 255, blue 0", "颜色 3：红 0，绿 255，蓝 0"},
        {"preset", [](MainScreen &s) -> QWidget & { return s.presets[1]; }, R::PushButton,
         "Preset 2: red 255, green 255, blue 0", "预设 2：红 255，绿 255，蓝 0"},
        {"uniform", [](MainScreen &s) -> QWidget & { return s.uniformToggle; }, R::CheckBox,
         "Same colour for all slots", "所有颜色相同"},
        {"red slider", [](MainScreen &s) -> QWidget & { return s.redSlider; }, R::Slider, "Red", "红色"},
        {"brightness", [](MainScreen &s) -> QWidget & { return s.valueSlider; }, R::Slider, "Brightness", "亮度"},
        {"speed", [](MainScreen &s) -> QWidget & { return s.speedSlider; }, R::Slider, "Speed", "速度"},
        {"ring", [](MainScreen &s) -> QWidget & { return s.hueRing; }, R::Dial, "Hue", "色相"},
        {"list scroll", [](MainScreen &s) -> QWidget & { return s.effectListScroll; }, R::ScrollBar, "Effects", "灯效"},
        {"green box", [](MainScreen &s) -> QWidget & { return s.numberBoxes[1]; }, R::EditableText, "Green", "绿色"},
        {"hex box", [](MainScreen &s) -> QWidget & { return s.hexBox; }, R::EditableText, "Hex", "十六进制"},
    };
    for (int language : {0, 1}) {
        OpenIn(language);
        for (const Row &row : rows) {
            SCOPED_TRACE(testing::Message() << row.what << " in language " << language);
            QAccessibleInterface *face = Interface(row.control(Screen()));
            ASSERT_NE(face, nullptr);
            EXPECT_EQ(face->role(), row.role);
            EXPECT_EQ(face->text(QAccessible::Name), language == 0 ? row.english : row.chinese);
            EXPECT_TRUE(face->state().focusable);
        }
        QAccessibleInterface *windowFace = Interface(*window);
        EXPECT_EQ(windowFace->text(QAccessible::Name), QStringLiteral("Zarvik RGB Software_Config"));
        window.reset();
    }
}

TEST_F(AccessibilityTest, StatesFollowCheckedPressedDisabledAndFocus)
{
    OpenIn(0);
    MainScreen &s = Screen();
    EXPECT_TRUE(Interface(s.profileButtons[0])->state().checked);
    EXPECT_FALSE(Interface(s.profileButtons[1])->state().checked);
    EXPECT_TRUE(Interface(s.profileButtons[1])->state().checkable);
    EXPECT_FALSE(Interface(s.uniformToggle)->state().checked);

    Click(s.uniformToggle);
    EXPECT_TRUE(Interface(s.uniformToggle)->state().checked);
    EXPECT_TRUE(Interface(s.colorSlots[1])->state().disabled) << "slots are disabled in the uniform mode";
    EXPECT_FALSE(Interface(s.applyButton)->state().disabled);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    s.applyButton.setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(Interface(s.applyButton)->state().focused);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&s.resetButton, &press);
    EXPECT_TRUE(Interface(s.resetButton)->state().pressed) << "held Space shows the pressed state";
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&s.resetButton, &release);
    EXPECT_FALSE(Interface(s.resetButton)->state().pressed);
}

TEST_F(AccessibilityTest, ValueInterfaceReadsAndSetsThroughTheDragPathAndApplyPressSaves)
{
    OpenIn(0);
    MainScreen &s = Screen();
    QAccessibleValueInterface *red = Interface(s.redSlider)->valueInterface();
    ASSERT_NE(red, nullptr);
    EXPECT_EQ(red->minimumValue().toInt(), 0);
    EXPECT_EQ(red->maximumValue().toInt(), 255);
    EXPECT_EQ(red->minimumStepSize().toInt(), 1);
    EXPECT_EQ(red->currentValue().toInt(), 255);

    red->setCurrentValue(100);
    EXPECT_EQ(s.redSlider.GetPos(), 255) << "the request is posted, as a drag posts it";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(s.redSlider.GetPos(), 100);
    EXPECT_EQ(red->currentValue().toInt(), 100);
    red->setCurrentValue(1000); // beyond the range: the maximum
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(red->currentValue().toInt(), 255);
    red->setCurrentValue(100);
    QCoreApplication::sendPostedEvents();

    // The step after: Apply pressed through the action interface saves it.
    QAccessibleActionInterface *apply = Interface(s.applyButton)->actionInterface();
    ASSERT_NE(apply, nullptr);
    ASSERT_TRUE(apply->actionNames().contains(QAccessibleActionInterface::pressAction()));
    apply->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].colors[0] & 0xFF, 100u);

    // The ring reports its angle; checked right after its own request.
    QAccessibleValueInterface *ring = Interface(s.hueRing)->valueInterface();
    ASSERT_NE(ring, nullptr);
    ring->setCurrentValue(200);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ring->currentValue().toInt(), 200);
    EXPECT_EQ(s.hueRing.GetValue(), 200);
    Interface(s.hueRing)->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(s.hueRing.GetValue(), 201);

    EXPECT_EQ(Interface(s.applyButton)->valueInterface(), nullptr);
}

TEST_F(AccessibilityTest, DisabledControlsAreNotOperated)
{
    OpenIn(0);
    MainScreen &s = Screen();
    Click(s.uniformToggle);
    ASSERT_FALSE(s.colorSlots[1].isEnabled());
    clock.Advance(1000);
    MessageRecorder recorder;
    Interface(s.colorSlots[1])->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(recorder.Count(WM_COMMAND), 0);
}

TEST_F(AccessibilityTest, PaintedLabelsAreStaticTextsShownWithTheirControls)
{
    OpenIn(0); // flash: colour and speed, no direction
    auto shownNames = [this] {
        QStringList names;
        for (const auto &label : window->Labels().Labels()) {
            QAccessibleInterface *face = Interface(*label);
            EXPECT_EQ(face->role(), QAccessible::StaticText);
            if (label->isVisible())
                names << face->text(QAccessible::Name);
            EXPECT_EQ(window->childAt(label->geometry().center()) == label.get(), false) << "the pointer goes through";
        }
        return names;
    };
    QStringList names = shownNames();
    for (const char *name : {"Zarvik RGB Software", "Profile", "Effects", "Flash", "Red", "Hex", "Speed"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    EXPECT_FALSE(names.contains(QStringLiteral("Direction")));

    Click(Screen().effectButtons[5]); // rainbow wave: no colours, with direction
    names = shownNames();
    EXPECT_TRUE(names.contains(QStringLiteral("Rainbow Wave")));
    EXPECT_TRUE(names.contains(QStringLiteral("Direction")));
    EXPECT_FALSE(names.contains(QStringLiteral("Red")));
}

TEST_F(AccessibilityTest, TheDeviceMenuIsAListOfItems)
{
    Open(3);
    Click(Screen().categoryButtons[1]);
    CPngBtnMenu *menu = window->PopupMenu();
    ASSERT_NE(menu, nullptr);
    QAccessibleInterface *list = Interface(*menu);
    EXPECT_EQ(list->role(), QAccessible::List);
    EXPECT_EQ(list->text(QAccessible::Name), QStringLiteral("Devices"));
    ASSERT_GE(list->childCount(), 2);
    QAccessibleInterface *row = QAccessible::queryAccessibleInterface(menu->GetRow(1));
    EXPECT_EQ(row->role(), QAccessible::ListItem);
    EXPECT_EQ(row->text(QAccessible::Name), QStringLiteral("SSD 1"));
    EXPECT_FALSE(row->state().selected);
}

} // namespace
