// The main window driven by the keyboard alone: Tab order, Space on every
// button family, the slider keys, the effect list, the device menu and the
// focus ring, each compared with what the pointer does.

#include "MainWindowFixture.h"

#include "framework/MessageRecorder.h"
#include "framework/TickCount.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <optional>
#include <tuple>

namespace {

using Message = std::tuple<RecordedMessage::Kind, const QObject *, UINT, WPARAM, LPARAM>;

std::vector<Message> Traffic(const MessageRecorder &recorder)
{
    std::vector<Message> all;
    for (const RecordedMessage &m : recorder.Messages())
        all.emplace_back(m.kind, m.receiverAddress, m.message, m.wParam, m.lParam);
    return all;
}

class KeyboardTest : public MainWindowTest
{
protected:
    CConfigDlg &OpenActive(int devices)
    {
        CConfigDlg &w = Open(devices);
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }

    // A key pressed and released on the focused control (the window when
    // nothing has the focus), then the posted messages handled.
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, static_cast<Qt::Key>(key), modifiers);
        QCoreApplication::sendPostedEvents();
    }

    void SendKey(QWidget &target, QEvent::Type type, int key, bool autoRepeat)
    {
        QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
        QApplication::sendEvent(&target, &event);
        QCoreApplication::sendPostedEvents();
    }

    void FocusByKeyboard(QWidget &control)
    {
        control.setFocus(Qt::TabFocusReason);
        ASSERT_EQ(QApplication::focusWidget(), &control);
    }

    FakeTickCount clock {100000};
};

TEST_F(KeyboardTest, TabVisitsEveryStopInReadingOrderAndShiftTabGoesBack)
{
    OpenActive(1);
    MainScreen &s = Screen();
    ChooseEffect(9); // meteor: one colour slot, presets, speed and direction shown
    window->setFocus(Qt::OtherFocusReason);
    const std::vector<QWidget *> expected
        = {&s.categoryButtons[1], &s.minimiseButton, &s.closeButton, &s.profileButtons[0], &s.ledOnButton,
           &s.effectButtons[9],   &s.colorSlots[0],  &s.hueRing,     &s.redSlider,         &s.numberBoxes[0],
           &s.greenSlider,        &s.numberBoxes[1], &s.blueSlider,  &s.numberBoxes[2],    &s.saturationSlider,
           &s.valueSlider,        &s.hexBox,         &s.presets[0],  &s.speedSlider,       &s.directionButtons[0],
           &s.resetButton,        &s.applyButton};
    std::vector<QWidget *> visited;
    for (std::size_t i = 0; i < expected.size() + 1; ++i) {
        Key(Qt::Key_Tab);
        visited.push_back(QApplication::focusWidget());
    }
    std::vector<QWidget *> wrapped = expected;
    wrapped.push_back(expected.front());
    EXPECT_EQ(visited, wrapped);

    ASSERT_EQ(QApplication::focusWidget(), expected.front());
    std::vector<QWidget *> back;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        Key(Qt::Key_Tab, Qt::ShiftModifier);
        back.push_back(QApplication::focusWidget());
    }
    std::vector<QWidget *> reversed(expected.rbegin(), expected.rend());
    EXPECT_EQ(back, reversed);
}

TEST_F(KeyboardTest, TabSkipsHiddenAndDisabledStopsAndEntersGroupsAtTheCheckedMember)
{
    OpenActive(1);
    MainScreen &s = Screen();
    ChooseEffect(1); // static: no speed, no direction
    Click(s.profileButtons[2]);
    Click(s.uniformToggle); // every slot disabled
    ASSERT_FALSE(s.colorSlots[0].isEnabled());
    const std::vector<QWidget *> stops = window->Navigation().TabStops();
    auto contains = [&stops](QWidget *w) { return std::find(stops.begin(), stops.end(), w) != stops.end(); };
    EXPECT_TRUE(contains(&s.profileButtons[2]));
    EXPECT_FALSE(contains(&s.profileButtons[0]));
    EXPECT_TRUE(contains(&s.effectButtons[1]));
    for (QWidget *w : std::initializer_list<QWidget *> {&s.colorSlots[0], &s.speedSlider, &s.directionButtons[0],
                                                        &s.categoryButtons[0], &s.languageButton})
        EXPECT_FALSE(contains(w));
}

TEST_F(KeyboardTest, LeavingAColourBoxByTabCommitsItAsAClickElsewhereDoes)
{
    OpenActive(1);
    Type(Screen().numberBoxes[0], QStringLiteral("12"));
    Key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &Screen().greenSlider);
    EXPECT_EQ(Screen().redSlider.GetPos(), 12);
    EXPECT_EQ(Screen().colorSlots[0].GetColor() & 0xFF, 12u);
}

// Space on each button family sends what a click sends, at the same step.
TEST_F(KeyboardTest, SpaceSendsExactlyWhatAClickSends)
{
    const struct
    {
        const char *name;
        int effect; // one that shows the control
        bool atRelease;
        std::function<CButton &(MainScreen &)> control;
    } rows[] = {
        {"apply", 3, false, [](MainScreen &s) -> CButton & { return s.applyButton; }},
        {"minimise", 3, true, [](MainScreen &s) -> CButton & { return s.minimiseButton; }},
        {"effect", 3, false, [](MainScreen &s) -> CButton & { return s.effectButtons[4]; }},
        {"uniform toggle", 3, false, [](MainScreen &s) -> CButton & { return s.uniformToggle; }},
        {"direction", 9, false, [](MainScreen &s) -> CButton & { return s.directionButtons[1]; }},
        {"colour slot", 3, true, [](MainScreen &s) -> CButton & { return s.colorSlots[1]; }},
        {"preset", 3, true, [](MainScreen &s) -> CButton & { return s.presets[2]; }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        OpenActive(1);
        ChooseEffect(row.effect);
        CButton &button = row.control(Screen());

        clock.Advance(1000);
        MessageRecorder byPointer;
        Click(button);
        const std::vector<Message> clicked = Traffic(byPointer);
        ASSERT_FALSE(clicked.empty());
        window->showNormal();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

        clock.Advance(1000);
        FocusByKeyboard(button);
        MessageRecorder byKeyboard;
        SendKey(button, QEvent::KeyPress, Qt::Key_Space, false);
        EXPECT_EQ(byKeyboard.Messages().size(), row.atRelease ? 0u : clicked.size())
            << "the command comes at the step the click sends it";
        SendKey(button, QEvent::KeyRelease, Qt::Key_Space, false);
        EXPECT_EQ(Traffic(byKeyboard), clicked);
        EXPECT_FALSE(window->IsEnding());
        window.reset();
    }
}

TEST_F(KeyboardTest, HeldSpaceIsOneClickAndSpaceAgainIsAnother)
{
    OpenActive(1);
    ChooseEffect(3);
    for (CButton *button : std::initializer_list<CButton *> {&Screen().resetButton, &Screen().presets[1]}) {
        FocusByKeyboard(*button);
        clock.Advance(1000);
        MessageRecorder recorder;
        SendKey(*button, QEvent::KeyPress, Qt::Key_Space, false);
        for (int i = 0; i < 3; ++i) {
            SendKey(*button, QEvent::KeyRelease, Qt::Key_Space, true);
            SendKey(*button, QEvent::KeyPress, Qt::Key_Space, true);
        }
        SendKey(*button, QEvent::KeyRelease, Qt::Key_Space, false);
        EXPECT_EQ(recorder.Count(WM_COMMAND), 1);
        clock.Advance(1000);
        QTest::keyClick(button, Qt::Key_Space);
        EXPECT_EQ(recorder.Count(WM_COMMAND), 2);
        EXPECT_FALSE(button->IsPressed());
    }
}

// Each slider kind posts the value a drag to it would post, and nothing when
// the key asks for the value already shown.
TEST_F(KeyboardTest, SliderKeysPostWhatADragPosts)
{
    const struct
    {
        int id;
        int start;
        int key;
        std::optional<int> expected; // none: nothing posted
    } rows[] = {
        {kRedSliderId, 255, Qt::Key_Right, {}},      {kRedSliderId, 255, Qt::Key_Left, 254},
        {kRedSliderId, 100, Qt::Key_Up, 101},        {kRedSliderId, 100, Qt::Key_PageDown, 90},
        {kRedSliderId, 5, Qt::Key_PageDown, 0},      {kRedSliderId, 100, Qt::Key_Home, 0},
        {kRedSliderId, 100, Qt::Key_End, 255},       {kSpeedSliderId, 0, Qt::Key_Left, -1},
        {kSpeedSliderId, 2, Qt::Key_PageUp, {}},     {kSpeedSliderId, 0, Qt::Key_Home, -2},
        {kSaturationSliderId, 50, Qt::Key_Down, 49}, {kEffectListScrollId, 0, Qt::Key_Down, 1},
        {kEffectListScrollId, 3, Qt::Key_PageUp, 0}, {kEffectListScrollId, 0, Qt::Key_End, 6},
        {kHueRingId, 100, Qt::Key_Right, 101},       {kHueRingId, 100, Qt::Key_PageDown, 90},
        {kHueRingId, 5, Qt::Key_PageDown, 354},      {kHueRingId, 355, Qt::Key_PageUp, 6},
        {kHueRingId, 100, Qt::Key_End, 359},
    };
    OpenActive(1);
    ChooseEffect(3);
    MainScreen &s = Screen();
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "slider " << row.id << " from " << row.start << " key " << row.key);
        CSliderWnd &slider = row.id == kHueRingId ? static_cast<CSliderWnd &>(s.hueRing)
            : row.id == kEffectListScrollId       ? static_cast<CSliderWnd &>(s.effectListScroll)
            : row.id == kSpeedSliderId            ? static_cast<CSliderWnd &>(s.speedSlider)
                                                  : static_cast<CSliderWnd &>(*s.ColorSlider(row.id));
        Post(UM_SLIDER_POS, static_cast<WPARAM>(static_cast<LPARAM>(row.start)), row.id);
        ASSERT_EQ(slider.ReportedValue(), row.start);
        FocusByKeyboard(slider);
        MessageRecorder recorder;
        Key(row.key);
        std::vector<Message> expected;
        if (row.expected)
            expected.emplace_back(RecordedMessage::Posted, window.get(), UM_SLIDER_POS,
                                  static_cast<WPARAM>(static_cast<LPARAM>(*row.expected)), row.id);
        EXPECT_EQ(Traffic(recorder), expected);
        EXPECT_EQ(slider.ReportedValue(), row.expected.value_or(row.start));
    }
}

TEST_F(KeyboardTest, ArrowsInTheEffectListPickTheNeighbourAndScrollTheList)
{
    OpenActive(1);
    MainScreen &s = Screen();
    ChooseEffect(8);
    ASSERT_EQ(s.effectListScroll.GetPos(), 0);
    FocusByKeyboard(s.effectButtons[8]);

    MessageRecorder recorder;
    Key(Qt::Key_Down);
    const std::vector<Message> expected
        = {{RecordedMessage::Posted, window.get(), UM_SLIDER_POS, 1, kEffectListScrollId},
           {RecordedMessage::Sent, window.get(), WM_COMMAND, MAKEWPARAM(s.effectButtons[9].GetDlgCtrlID(), BN_CLICKED),
            s.effectButtons[9].Handle()}};
    EXPECT_EQ(Traffic(recorder), expected);
    EXPECT_EQ(window->CurrentEffect(), 9);
    EXPECT_TRUE(s.effectButtons[9].GetChecked());
    EXPECT_FALSE(s.effectButtons[8].GetChecked());
    EXPECT_EQ(s.effectListScroll.GetPos(), 1);
    EXPECT_FALSE(s.effectButtons[9].geometry().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), &s.effectButtons[9]);

    for (int i = 0; i < 8; ++i)
        Key(Qt::Key_Up);
    EXPECT_EQ(window->CurrentEffect(), 1);
    EXPECT_EQ(s.effectListScroll.GetPos(), 0);
    Key(Qt::Key_Up); // effect 0 is never listed: nothing happens
    EXPECT_EQ(window->CurrentEffect(), 1);
}

TEST_F(KeyboardTest, GroupArrowsMoveTheFocusAndSpacePicks)
{
    OpenActive(1);
    MainScreen &s = Screen();
    ChooseEffect(9);
    FocusByKeyboard(s.presets[0]);
    MessageRecorder recorder;
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), &s.presets[2]);
    EXPECT_EQ(recorder.Count(WM_COMMAND), 0) << "moving does not pick";
    Key(Qt::Key_Space);
    EXPECT_EQ(s.colorSlots[0].GetColor(), 0x00FF00u) << "the third preset is green";

    FocusByKeyboard(s.directionButtons[0]);
    Key(Qt::Key_Left); // the first member: stays
    EXPECT_EQ(QApplication::focusWidget(), &s.directionButtons[0]);
    Key(Qt::Key_Down);
    Key(Qt::Key_Space);
    EXPECT_EQ(window->PendingDirection(), 1);
}

TEST_F(KeyboardTest, TheDeviceMenuOpensMovesChoosesAndClosesByKeys)
{
    OpenActive(3);
    MainScreen &s = Screen();
    CPngListBtn &category = s.categoryButtons[1];

    // What a click on the second row posts.
    Click(category);
    ASSERT_NE(window->PopupMenu(), nullptr);
    MessageRecorder byPointer;
    ChooseMenuRow(1);
    const std::vector<RecordedMessage> clicked = byPointer.Messages(UM_MENU_ITEM);
    ASSERT_EQ(clicked.size(), 1u);
    Click(s.categoryButtons[1]);
    ChooseMenuRow(0);
    ASSERT_EQ(window->RecordIndex(), 0);

    FocusByKeyboard(category);
    Key(Qt::Key_Down);
    ASSERT_NE(window->PopupMenu(), nullptr) << "Down opens the menu";
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(window->PopupMenu()->GetHighlightedItem(), 1);
    MessageRecorder byKeyboard;
    Key(Qt::Key_Space);
    const std::vector<RecordedMessage> chosen = byKeyboard.Messages(UM_MENU_ITEM);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].wParam, clicked[0].wParam);
    EXPECT_EQ(chosen[0].lParam, clicked[0].lParam);
    EXPECT_EQ(window->RecordIndex(), 1);
    EXPECT_EQ(window->PopupMenu(), nullptr);

    Key(Qt::Key_Space);
    ASSERT_NE(window->PopupMenu(), nullptr) << "Space opens it as a click does";
    Key(Qt::Key_Escape);
    EXPECT_EQ(window->PopupMenu(), nullptr);
    EXPECT_FALSE(window->IsEnding());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->RecordIndex(), 1) << "Escape chose nothing";
}

TEST_F(KeyboardTest, EscapeAndEnterOnFocusedControlsNeverCloseTheWindow)
{
    OpenActive(1);
    MainScreen &s = Screen();
    for (QWidget *control : std::initializer_list<QWidget *> {&s.applyButton, &s.closeButton, &s.redSlider,
                                                              &s.colorSlots[0], &s.hueRing}) {
        FocusByKeyboard(*control);
        MessageRecorder recorder;
        for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter})
            Key(key);
        EXPECT_EQ(recorder.Count(WM_COMMAND), 0);
    }
    EXPECT_FALSE(window->IsEnding());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(KeyboardTest, TheFocusRingShowsForKeyboardFocusOnlyInTheSkinColour)
{
    OpenActive(1);
    CPngListBtn &apply = Screen().applyButton;
    const QImage plain = apply.grab().toImage();

    Click(apply);
    EXPECT_EQ(QApplication::focusWidget(), &apply);
    EXPECT_FALSE(apply.ShowsFocusRing());

    Click(Screen().resetButton);
    Key(Qt::Key_Tab); // from Reset to Apply
    ASSERT_EQ(QApplication::focusWidget(), &apply);
    EXPECT_TRUE(apply.ShowsFocusRing());
    const QImage ringed = apply.grab().toImage();
    EXPECT_EQ(ringed.pixelColor(0, ringed.height() / 2), QColor(0xD8, 0x26, 0x30));
    EXPECT_NE(ringed, plain);

    QTest::mousePress(&apply, Qt::LeftButton, Qt::NoModifier, apply.rect().center());
    EXPECT_FALSE(apply.ShowsFocusRing()) << "taking the pointer hides the ring";
    QTest::mouseRelease(&apply, Qt::LeftButton, Qt::NoModifier, apply.rect().center());
}

} // namespace
