// The controls fed through the platform's input path (QWindow events:
// implicit grabs, synthesized enter and leave, double-click detection), as
// the running program receives them.
#include "ControlTestSupport.h"

#include "controls/CPngHSliderBar.h"
#include "controls/CPngListBtn.h"
#include "framework/MessageRecorder.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

struct RealInputTest : ::testing::Test
{
    RecordingWindow window;
    CPngListBtn button;
    CPngHSliderBar slider;
    const Bitmap thumb = ctl::Solid(10, 10, 0xFFFF0000);

    void SetUp() override
    {
        window.setGeometry(50, 50, 400, 200);
        button.Create(QString(), &window, QRect(10, 10, 100, 30), 0);
        slider.CreateSlider(10002, &window, 20, 100, 220, 120);
        slider.SetThumbImages(&thumb, nullptr, nullptr, nullptr, true);
        slider.SetRange(0, 255);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWindow *Handle() { return window.windowHandle(); }
};

TEST_F(RealInputTest, HoverClickAndLeaveOfAButton)
{
    QTest::mouseMove(Handle(), QPoint(300, 150));
    QTest::mouseMove(Handle(), QPoint(50, 20));
    EXPECT_TRUE(button.IsHovered());
    QTest::mousePress(Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
    ASSERT_EQ(window.Received(WM_COMMAND).size(), 1u);
    EXPECT_EQ(window.Received(WM_COMMAND)[0].lParam, button.Handle());
    QTest::mouseRelease(Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 20));
    EXPECT_TRUE(button.IsPressed());
    QTest::mouseMove(Handle(), QPoint(300, 150));
    EXPECT_FALSE(button.IsHovered());
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(window.Received(WM_COMMAND).size(), 1u);
}

TEST_F(RealInputTest, SliderDragBeyondItsEndKeepsReporting)
{
    QTest::mousePress(Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 105));
    QTest::mouseMove(Handle(), QPoint(120, 105));
    QTest::mouseMove(Handle(), QPoint(390, 180)); // outside the slider: still its drag
    QTest::mouseRelease(Handle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, 180));
    ctl::Drain();
    const auto posted = window.Received(UM_SLIDER_POS);
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[1].wParam, 255u);
    EXPECT_EQ(posted[2].wParam, 255u);
    EXPECT_FALSE(slider.IsDragging());
}

} // namespace
