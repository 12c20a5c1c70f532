// The image button bases: when commands go out, the 500 ms guard, hover and
// the pressed look.
#include "ControlTestSupport.h"

#include "controls/CBitmapBtn.h"
#include "controls/CBitmapBtn2.h"
#include "framework/MessageRecorder.h"
#include "framework/TickCount.h"

#include <gtest/gtest.h>

using namespace testev;

namespace {

struct BitmapBtnTest : ::testing::Test
{
    RecordingWindow parent;
    CBitmapBtn button;
    MessageRecorder recorder;
    FakeTickCount tick {100000};

    void SetUp() override
    {
        parent.resize(300, 200);
        testev::Activate(&parent);
        button.Create(QString(), &parent, QRect(10, 10, 80, 30), 42);
    }
    std::vector<RecordingWindow::Delivered> Commands() const { return parent.Received(WM_COMMAND); }
};

TEST_F(BitmapBtnTest, ClickModeOneSendsOneCommandAtThePressAndNoneAtTheRelease)
{
    Press(&button);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Commands()[0].wParam, MAKEWPARAM(42, BN_CLICKED));
    EXPECT_EQ(Commands()[0].lParam, button.Handle());
    EXPECT_FALSE(Commands()[0].posted);
    Release(&button);
    tick.Advance(2000);
    Press(&button, {3, 3});
    Release(&button, {3, 3});
    EXPECT_EQ(Commands().size(), 2u);
    EXPECT_EQ(recorder.Count(WM_COMMAND), 2);
}

TEST_F(BitmapBtnTest, ClickModeTwoSendsAtTheReleaseWithoutTimeGuard)
{
    button.SetClickOnRelease();
    Press(&button);
    EXPECT_TRUE(Commands().empty());
    Release(&button);
    Press(&button);
    Release(&button); // same tick: no guard in this family
    EXPECT_EQ(Commands().size(), 2u);
}

TEST_F(BitmapBtnTest, DoubleClickGivesClickThenDoubleClickAndInModeTwoAnotherClick)
{
    DoubleClick(&button);
    ASSERT_EQ(Commands().size(), 2u);
    EXPECT_EQ(HIWORD(Commands()[0].wParam), BN_CLICKED);
    EXPECT_EQ(Commands()[1].wParam, MAKEWPARAM(42, BN_DOUBLECLICKED));

    parent.Clear();
    CBitmapBtn onRelease;
    onRelease.Create(QString(), &parent, QRect(100, 10, 80, 30), 43);
    onRelease.SetClickOnRelease();
    // The first release stores the tick; the double-click comes later.
    Press(&onRelease);
    Release(&onRelease);
    tick.Advance(120);
    Mouse(&onRelease, QEvent::MouseButtonDblClick, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    Release(&onRelease);
    ASSERT_EQ(Commands().size(), 3u);
    EXPECT_EQ(HIWORD(Commands()[0].wParam), BN_CLICKED);
    EXPECT_EQ(HIWORD(Commands()[1].wParam), BN_DOUBLECLICKED);
    EXPECT_EQ(HIWORD(Commands()[2].wParam), BN_CLICKED);
}

TEST_F(BitmapBtnTest, DoubleClickAtTheTickOfTheLastNotificationIsNotReported)
{
    button.SetClickOnRelease();
    Press(&button);
    Release(&button); // notification at this very tick
    Mouse(&button, QEvent::MouseButtonDblClick, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(HIWORD(Commands()[0].wParam), BN_CLICKED);
}

TEST_F(BitmapBtnTest, DragFromElsewhereDoesNotLightTheButton)
{
    Move(&button, {5, 5}, Qt::LeftButton);
    EXPECT_FALSE(button.IsHovered());
    Move(&button, {6, 5});
    EXPECT_TRUE(button.IsHovered());
}

TEST_F(BitmapBtnTest, SetCheckedClearsHoverAndTheNextMoveSetsItAgain)
{
    Move(&button, {5, 5});
    ASSERT_TRUE(button.IsHovered());
    button.SetChecked(true);
    EXPECT_TRUE(button.GetChecked());
    EXPECT_FALSE(button.IsHovered());
    Move(&button, {6, 5});
    EXPECT_TRUE(button.IsHovered());
}

TEST_F(BitmapBtnTest, PressedLookStaysOnTheButtonAndEndsWhenThePointerLeaves)
{
    Move(&button, {5, 5});
    Press(&button, {5, 5});
    Release(&button, {5, 5});
    EXPECT_TRUE(button.IsPressed());
    Move(&button, {7, 5});
    EXPECT_TRUE(button.IsPressed());
    Move(&button, {200, 5}); // over another window, button up
    EXPECT_FALSE(button.IsHovered());
    EXPECT_FALSE(button.IsPressed());
    EXPECT_FALSE(button.HasCapture());
}

TEST_F(BitmapBtnTest, LeaveAndFocusLossEndHover)
{
    Move(&button, {5, 5});
    Leave(&button);
    EXPECT_FALSE(button.IsHovered());
    Move(&button, {5, 5});
    Press(&button);
    FocusOut(&button);
    EXPECT_FALSE(button.IsHovered());
    EXPECT_FALSE(button.IsPressed());
}

TEST_F(BitmapBtnTest, PropertiesAndTheirDefaults)
{
    EXPECT_EQ(button.GetClickMode(), 1);
    EXPECT_EQ(button.GetTextAlign(), 1);
    EXPECT_EQ(button.GetFontHeight(), 15);
    EXPECT_EQ(button.GetNormalColor(), RGB(208, 208, 208));
    button.SetGrayPressedColor();
    EXPECT_EQ(button.GetPressedColor(), RGB(139, 139, 139));
    button.SetTextColors(RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3));
    EXPECT_EQ(button.GetHoverColor(), RGB(1, 1, 1));
    EXPECT_EQ(button.GetNormalColor(), RGB(2, 2, 2));
    EXPECT_EQ(button.GetPressedColor(), RGB(3, 3, 3));
    EXPECT_EQ(button.GetDisabledColor(), RGB(255, 255, 255));

    button.SetTooltipText(QString(), true); // no text: nothing
    EXPECT_FALSE(button.IsTooltipActive());
    button.SetTooltipText("Apply", false);
    EXPECT_EQ(button.GetTooltipText(), "Apply");
    EXPECT_TRUE(button.toolTip().isEmpty());
    button.SetTooltipText("Apply", true);
    EXPECT_EQ(button.toolTip(), "Apply");
}

TEST_F(BitmapBtnTest, LoadBitmapsCropsAndKeepsImagesWithoutSource)
{
    const Bitmap normal = ctl::Solid(100, 50, 0xFF112233);
    const Bitmap over = ctl::Solid(100, 50, 0xFF445566);
    button.LoadBitmaps(&normal, &over, nullptr, nullptr, 10, 0, 30, 20);
    EXPECT_EQ(button.GetStateImage(CBitmapBtn::Normal).Size(), QSize(20, 20));
    EXPECT_TRUE(button.GetStateImage(CBitmapBtn::Down).IsEmpty());
    const Bitmap empty;
    button.LoadBitmaps(&empty, nullptr, nullptr, nullptr, 0, 0, 5, 5);
    EXPECT_EQ(button.GetStateImage(CBitmapBtn::Normal).Size(), QSize(20, 20));
}

TEST_F(BitmapBtnTest, ButtonWithoutParentClicksIntoNothing)
{
    CBitmapBtn orphan;
    orphan.resize(10, 10);
    Press(&orphan);
    Release(&orphan);
    ASSERT_EQ(recorder.Count(WM_COMMAND), 1);
    EXPECT_EQ(recorder.Messages()[0].receiverAddress, nullptr);
}

struct BitmapBtn2Test : ::testing::Test
{
    RecordingWindow parent;
    CBitmapBtn2 button;
    FakeTickCount tick {100000};

    void SetUp() override
    {
        parent.resize(300, 200);
        testev::Activate(&parent);
        button.Create(QString(), &parent, QRect(10, 10, 40, 40), 5);
    }
    size_t Clicks() const { return parent.Received(WM_COMMAND).size(); }
    void Click()
    {
        Press(&button);
        Release(&button);
    }
};

TEST_F(BitmapBtn2Test, NotifiesAtTheReleaseNotAtThePress)
{
    Press(&button);
    EXPECT_EQ(Clicks(), 0u);
    Release(&button);
    ASSERT_EQ(Clicks(), 1u);
    EXPECT_EQ(parent.Received(WM_COMMAND)[0].wParam, MAKEWPARAM(5, BN_CLICKED));
    EXPECT_EQ(parent.Received(WM_COMMAND)[0].lParam, button.Handle());
}

TEST_F(BitmapBtn2Test, ReleasesWithin500msAreIgnored)
{
    Click();
    tick.Advance(400);
    Click();
    EXPECT_EQ(Clicks(), 1u);
    tick.Advance(200); // 600 ms after the first notification
    Click();
    EXPECT_EQ(Clicks(), 2u);
    tick.Advance(500); // exactly 500: not more than the guard
    Click();
    EXPECT_EQ(Clicks(), 2u);
}

TEST_F(BitmapBtn2Test, TickWrapBetweenReleasesStillLetsTheSecondThrough)
{
    tick.Set(0xFFFFFE00u);
    Click();
    tick.Set(0x00000100u); // 768 ms later, across the wrap
    Click();
    EXPECT_EQ(Clicks(), 2u);
}

TEST_F(BitmapBtn2Test, DoubleClickGivesOneClickAndOneDoubleClick)
{
    Press(&button);
    Release(&button);
    tick.Advance(150);
    Mouse(&button, QEvent::MouseButtonDblClick, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    tick.Advance(100);
    Release(&button); // 100 ms after the double-click: guarded
    auto commands = parent.Received(WM_COMMAND);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(HIWORD(commands[0].wParam), BN_CLICKED);
    EXPECT_EQ(commands[1].wParam, MAKEWPARAM(5, BN_DOUBLECLICKED));
    // A release more than 500 ms after the double-click counts again.
    tick.Advance(401);
    Release(&button);
    commands = parent.Received(WM_COMMAND);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(HIWORD(commands[2].wParam), BN_CLICKED);
}

TEST_F(BitmapBtn2Test, EnteringPostsHoverToTheOwnerElseTheParent)
{
    Move(&button, {3, 3});
    EXPECT_TRUE(parent.Received(UM_BUTTON_HOVER).empty()); // posted, not yet delivered
    ctl::Drain();
    auto hovers = parent.Received(UM_BUTTON_HOVER);
    ASSERT_EQ(hovers.size(), 1u);
    EXPECT_EQ(hovers[0].wParam, 5u);
    EXPECT_EQ(hovers[0].lParam, button.Handle());
    EXPECT_TRUE(hovers[0].posted);

    Move(&button, {4, 4}); // still inside: nothing new
    // After a capture loss the next move enters again.
    button.ReleaseCapture();
    RecordingWindow owner;
    button.SetOwner(&owner);
    Move(&button, {4, 4});
    ctl::Drain();
    EXPECT_EQ(parent.Received(UM_BUTTON_HOVER).size(), 1u);
    EXPECT_EQ(owner.Received(UM_BUTTON_HOVER).size(), 1u);
}

TEST_F(BitmapBtn2Test, LoadBitmapsNeedsTheWindowAndClearsHover)
{
    const Bitmap picture = ctl::Solid(40, 40, 0xFF808080);
    CBitmapBtn2 notCreated;
    notCreated.LoadBitmaps(&picture, &picture, &picture, &picture, 0, 0, 40, 40);
    EXPECT_TRUE(notCreated.GetStateImage(CBitmapBtn2::Normal).IsEmpty());

    Move(&button, {3, 3});
    ASSERT_TRUE(button.IsHovered());
    button.LoadBitmaps(&picture, &picture, &picture, &picture, 0, 0, 40, 40);
    EXPECT_EQ(button.GetStateImage(CBitmapBtn2::Down).Size(), QSize(40, 40));
    EXPECT_FALSE(button.IsHovered());
}

} // namespace
