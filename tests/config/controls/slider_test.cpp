// The linear sliders: values under the pointer, what is posted when, the
// wheel, ranges, and the painted track and thumb.
#include "ControlTestSupport.h"

#include "controls/CPngHSliderBar.h"
#include "controls/CPngVSliderBar.h"
#include "framework/MessageRecorder.h"

#include <gtest/gtest.h>

using namespace testev;

namespace {

constexpr std::uint32_t kBackground = 0xFF000000;
constexpr std::uint32_t kUnfilled = 0xFF0000FF;
constexpr std::uint32_t kFilled = 0xFF00FF00;
constexpr std::uint32_t kTrackOff = 0xFF808080;
constexpr std::uint32_t kThumb = 0xFFFF0000;
constexpr std::uint32_t kThumbOver = 0xFFFFFF00;
constexpr std::uint32_t kThumbDown = 0xFF00FFFF;
constexpr std::uint32_t kThumbOff = 0xFF404040;

struct HSliderTest : ::testing::Test
{
    RecordingWindow parent;
    CPngHSliderBar slider;
    const Bitmap unfilled = ctl::Solid(400, 300, kUnfilled);
    const Bitmap filled = ctl::Solid(400, 300, kFilled);
    const Bitmap trackOff = ctl::Solid(400, 300, kTrackOff);
    const Bitmap thumb = ctl::Solid(10, 10, kThumb);
    const Bitmap thumbOver = ctl::Solid(10, 10, kThumbOver);
    const Bitmap thumbDown = ctl::Solid(10, 10, kThumbDown);
    const Bitmap thumbOff = ctl::Solid(10, 10, kThumbOff);
    const Bitmap background = ctl::Solid(400, 300, kBackground);

    void SetUp() override
    {
        parent.resize(400, 300);
        testev::Activate(&parent);
        // 200 pixels wide, 20 high; the thumb sits at the top, the track
        // shows below it.
        slider.CreateSlider(10002, &parent, 20, 30, 220, 50);
        slider.SetTrackImages(&unfilled, &filled, &trackOff, 20, 30, 220, 50);
        slider.SetThumbImages(&thumb, &thumbOver, &thumbDown, &thumbOff, true);
        slider.SetBackground(background, 20, 30, 220, 50);
        slider.SetRange(0, 255);
    }
};

TEST_F(HSliderTest, ValueUnderThePointer)
{
    EXPECT_EQ(slider.ValueFromPoint({100, 5}), 128);
    EXPECT_EQ(slider.ValueFromPoint({9, 5}), 0); // the first half-thumb snaps to the minimum
    EXPECT_EQ(slider.ValueFromPoint({10, 5}), 7);
    EXPECT_EQ(slider.ValueFromPoint({195, 5}), 255);
    EXPECT_EQ(slider.ValueFromPoint({196, 5}), 255);
    EXPECT_EQ(slider.ValueFromPoint({-50, 5}), 0);
    EXPECT_EQ(slider.ValueFromPoint({5000, 5}), 255);
}

TEST_F(HSliderTest, DragWithoutChangePostsNothingUntilTheReleasePostsOnce)
{
    slider.SetPos(128);
    Press(&slider, {100, 5});
    Move(&slider, {100, 6}, Qt::LeftButton);
    EXPECT_TRUE(slider.IsDragging());
    ctl::Drain();
    EXPECT_TRUE(parent.Received(UM_SLIDER_POS).empty());
    Release(&slider, {100, 6});
    ctl::Drain();
    const auto posted = parent.Received(UM_SLIDER_POS);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, 128u);
    EXPECT_EQ(posted[0].lParam, 10002);
    EXPECT_EQ(slider.GetPos(), 128); // the slider never moves itself
}

TEST_F(HSliderTest, DragPostsEveryChangedValueAndTheParentMovesTheThumb)
{
    parent.SetHandler([&](const RecordingWindow::Delivered &d) {
        if (d.message == UM_SLIDER_POS)
            slider.SetPos(static_cast<int>(d.wParam));
        return LRESULT(0);
    });
    Press(&slider, {10, 5});
    Move(&slider, {100, 5}, Qt::LeftButton);
    Move(&slider, {150, 5}, Qt::LeftButton);
    EXPECT_EQ(slider.GetPos(), 0); // nothing handled yet: posted
    ctl::Drain();
    EXPECT_EQ(ctl::PostedSliderValues(parent), (std::vector<int> {128, 195}));
    EXPECT_EQ(slider.GetPos(), 195);
    Release(&slider, {9, 5});
    ctl::Drain();
    EXPECT_EQ(ctl::PostedSliderValues(parent).back(), 0);
}

TEST_F(HSliderTest, AClickWithoutMovementRequestsTheValueUnderIt)
{
    Press(&slider, {10, 5});
    Release(&slider, {10, 5});
    ctl::Drain();
    EXPECT_EQ(ctl::PostedSliderValues(parent), std::vector<int> {7});
}

TEST_F(HSliderTest, WheelStepsAreClampedToTheRange)
{
    Wheel(&slider, -120); // toward the user at the minimum
    Wheel(&slider, 120);
    slider.SetPos(255);
    Wheel(&slider, 360); // three notches, still clamped
    Wheel(&slider, 0); // the start and end of a touchpad scroll: nothing
    QWheelEvent sideways(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(120, 0), Qt::NoButton, Qt::NoModifier,
                         Qt::ScrollUpdate, false);
    QApplication::sendEvent(&slider, &sideways);
    ctl::Drain();
    EXPECT_EQ(ctl::PostedSliderValues(parent), (std::vector<int> {0, 1, 255}));
}

// Small turns (touchpads, high-resolution wheels) are added up: one step per
// 120 units, the remainder kept, a reversal starting afresh. The parent moves
// the thumb, as the window does.
TEST_F(HSliderTest, SmallWheelTurnsAddUpToWholeNotches)
{
    parent.SetHandler([&](const RecordingWindow::Delivered &d) {
        slider.SetPos(static_cast<int>(static_cast<LPARAM>(d.wParam)));
        return LRESULT(0);
    });
    struct Case
    {
        const char *name;
        std::vector<int> deltas;
        std::vector<int> posted; // from position 100
    };
    const std::vector<Case> cases = {
        {"a classic notch", {120}, {101}},
        {"eight 15-unit turns", {15, 15, 15, 15, 15, 15, 15, 15}, {101}},
        {"seven 15-unit turns", {15, 15, 15, 15, 15, 15, 15}, {}},
        {"the remainder is kept", {100, 100, 100, 100}, {101, 102, 103}},
        {"two notches in one event", {-240}, {98}},
        {"a reversal drops the part-notch", {90, -60, -60}, {99}},
        {"a turn past int's range", {INT_MAX, INT_MAX}, {255, 255}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        slider.SetPos(100);
        parent.Clear();
        for (int delta : c.deltas) {
            Wheel(&slider, delta);
            ctl::Drain();
        }
        EXPECT_EQ(ctl::PostedSliderValues(parent), c.posted);
        Wheel(&slider, c.deltas.back() > 0 ? -1 : 1); // the next case starts with nothing kept
    }
}

TEST_F(HSliderTest, WheelWalksARangeAroundZero)
{
    parent.SetHandler([&](const RecordingWindow::Delivered &d) {
        slider.SetPos(static_cast<int>(static_cast<LPARAM>(d.wParam)));
        return LRESULT(0);
    });
    slider.SetRange(-2, 2);
    slider.SetPos(-2);
    for (int i = 0; i < 5; ++i) {
        Wheel(&slider, 120);
        ctl::Drain();
    }
    EXPECT_EQ(ctl::PostedSliderValues(parent), (std::vector<int> {-1, 0, 1, 2, 2}));
}

TEST_F(HSliderTest, SetRangeClampsThePositionButSetPosDoesNot)
{
    slider.SetPos(255);
    slider.SetRange(0, 100);
    EXPECT_EQ(slider.GetPos(), 100);
    slider.SetRange(150, 200);
    EXPECT_EQ(slider.GetPos(), 150);
    slider.SetPos(999);
    EXPECT_EQ(slider.GetPos(), 999);
}

TEST_F(HSliderTest, EqualBoundsNeitherDivideByZeroNorMoveTheThumb)
{
    slider.SetRange(5, 5);
    EXPECT_EQ(slider.ValueFromPoint({100, 5}), 5);
    EXPECT_EQ(slider.ThumbPosition().x(), 0);
    slider.SetRange(10, 0); // reversed by mistake
    EXPECT_LE(slider.ValueFromPoint({100, 5}), 10);
    EXPECT_FALSE(slider.RenderBuffer().isNull());
}

TEST_F(HSliderTest, MessageSentToTheSliderGoesOnToTheParentWithItsIdentifier)
{
    SendMessage(&slider, UM_SLIDER_POS, 77, 12345);
    ctl::Drain();
    const auto posted = parent.Received(UM_SLIDER_POS);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].wParam, 77u);
    EXPECT_EQ(posted[0].lParam, 10002);
}

TEST_F(HSliderTest, PaintsFilledTrackToTheThumbCentreAndTheStateThumb)
{
    slider.SetPos(128); // thumb at trunc(190 / 255 * 128) = 95
    ASSERT_EQ(slider.ThumbPosition(), QPoint(95, 0));
    QImage face = slider.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 50, 15), kFilled);
    EXPECT_EQ(ctl::Raw(face, 99, 15), kFilled); // up to the thumb's middle
    EXPECT_EQ(ctl::Raw(face, 100, 15), kUnfilled);
    EXPECT_EQ(ctl::Raw(face, 199, 15), kUnfilled);
    EXPECT_EQ(ctl::Raw(face, 99, 5), kThumb);
    EXPECT_EQ(ctl::Raw(face, 94, 5), kFilled);

    Move(&slider, {50, 5});
    ASSERT_TRUE(slider.IsHovered());
    EXPECT_EQ(ctl::Raw(slider.RenderBuffer(), 99, 5), kThumbOver);
    Press(&slider, {50, 5});
    EXPECT_EQ(ctl::Raw(slider.RenderBuffer(), 99, 5), kThumbDown);
}

TEST_F(HSliderTest, DisabledSliderShowsTheDisabledTrackAndThumb)
{
    slider.setEnabled(false);
    QImage face = slider.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 50, 15), kTrackOff);
    EXPECT_EQ(ctl::Raw(face, 2, 5), kThumbOff);

    // Without a disabled thumb the dragging/hover/normal rule applies.
    CPngHSliderBar plain;
    plain.CreateSlider(10003, &parent, 20, 60, 220, 80);
    plain.SetTrackImages(&unfilled, &filled, &trackOff, 0, 0, 200, 20);
    plain.SetThumbImages(&thumb, &thumbOver, &thumbDown, nullptr, true);
    plain.SetRange(0, 255);
    plain.setEnabled(false);
    face = plain.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 50, 15), kTrackOff);
    EXPECT_EQ(ctl::Raw(face, 2, 5), kThumb);
}

TEST_F(HSliderTest, HoverFollowsTheCaptureRulesAndADragFromElsewhereDoesNotLight)
{
    Move(&slider, {50, 5}, Qt::LeftButton);
    EXPECT_FALSE(slider.IsHovered());
    Move(&slider, {50, 5});
    EXPECT_TRUE(slider.IsHovered());
    EXPECT_TRUE(slider.HasCapture());
    Move(&slider, {50, 40}); // below the slider, over another window
    EXPECT_FALSE(slider.IsHovered());
    EXPECT_FALSE(slider.HasCapture());
}

TEST_F(HSliderTest, LosingTheCaptureEndsADragWithoutPosting)
{
    parent.show();
    Press(&slider, {50, 5});
    slider.hide();
    EXPECT_FALSE(slider.IsDragging());
    slider.show();
    Move(&slider, {150, 5}, Qt::LeftButton);
    Release(&slider, {150, 5});
    ctl::Drain();
    EXPECT_TRUE(parent.Received(UM_SLIDER_POS).empty());
    parent.hide();
}

struct VSliderTest : ::testing::Test
{
    RecordingWindow parent;
    CPngVSliderBar slider;
    const Bitmap unfilled = ctl::Solid(20, 200, kUnfilled);
    const Bitmap filled = ctl::Solid(20, 200, kFilled);
    const Bitmap thumb = ctl::Solid(10, 10, kThumb);
    const Bitmap thumbOff = ctl::Solid(10, 10, kThumbOff);

    void SetUp() override
    {
        parent.resize(400, 300);
        slider.CreateSlider(&parent, 300, 10, 320, 210);
        slider.SetTrackImages(&unfilled, &filled, nullptr, 0, 0, 20, 200);
        slider.SetThumbImages(&thumb, nullptr, nullptr, &thumbOff, false);
        slider.SetRange(0, 6);
    }
};

TEST_F(VSliderTest, AlwaysIdentifier10001AndTheWheelAwayScrollsUp)
{
    EXPECT_EQ(slider.GetDlgCtrlID(), 10001);
    slider.SetPos(3);
    slider.OnMouseWheel(1);
    slider.OnMouseWheel(-1);
    slider.SetPos(0);
    slider.OnMouseWheel(1);
    ctl::Drain();
    EXPECT_EQ(ctl::PostedSliderValues(parent), (std::vector<int> {2, 4, 0}));
    EXPECT_EQ(parent.Received(UM_SLIDER_POS)[0].lParam, 10001);
}

TEST_F(VSliderTest, ValueUnderThePointerRunsTopToBottom)
{
    EXPECT_EQ(slider.ValueFromPoint({5, 0}), 0);
    EXPECT_EQ(slider.ValueFromPoint({5, 100}), 3); // (100 - 5) / (190 / 6) + 0.5
    EXPECT_EQ(slider.ValueFromPoint({5, 196}), 6);
}

TEST_F(VSliderTest, PaintsUnfilledAboveTheThumbCentreAndFilledBelowAtTheRightEdge)
{
    slider.SetPos(3); // thumb row trunc(190 / 6 * 3) = 95
    ASSERT_EQ(slider.ThumbPosition(), QPoint(10, 95));
    QImage face = slider.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 2, 50), kUnfilled);
    EXPECT_EQ(ctl::Raw(face, 2, 99), kUnfilled);
    EXPECT_EQ(ctl::Raw(face, 2, 100), kFilled);
    EXPECT_EQ(ctl::Raw(face, 2, 150), kFilled);
    EXPECT_EQ(ctl::Raw(face, 15, 97), kThumb);

    // Disabling keeps the track and changes only the thumb.
    slider.setEnabled(false);
    face = slider.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 2, 150), kFilled);
    EXPECT_EQ(ctl::Raw(face, 15, 97), kThumbOff);
}

} // namespace
