// The hue ring: angle mapping, reported values, the wheel's wrap, posting
// during a drag, the shape and the painted thumb and centre disc.
#include "ControlTestSupport.h"

#include "controls/CPngRSliderBar2.h"
#include "framework/MessageBox.h"
#include "framework/MessageRecorder.h"

#include <gtest/gtest.h>

#include <climits>

using namespace testev;

namespace {

struct RingTest : ::testing::Test
{
    RecordingWindow parent;
    CPngRSliderBar2 ring;
    const Bitmap ringPicture = ctl::Solid(200, 200, 0xFF0000FF);
    const Bitmap thumb = ctl::Solid(10, 10, 0xFF00FF00);

    void SetUp() override
    {
        parent.resize(400, 400);
        ring.CreateSlider(&parent, 50, 50, 250, 250); // 200 x 200, centre (100, 100)
        ring.SetRingImages(&ringPicture, &ringPicture, 0, 0, 200, 200);
        ring.SetThumbImages(&thumb, &thumb);
        ring.SetRange(0, 359);
    }
    int ReportAt(QPoint p)
    {
        Press(&ring, p);
        Release(&ring, p);
        return ring.GetValue();
    }
    std::vector<int> Posted() const { return ctl::PostedSliderValues(parent); }
};

TEST_F(RingTest, CompassPointsReportCounterClockwiseDegreesFromThreeOClock)
{
    EXPECT_EQ(ReportAt({199, 100}), 359);
    EXPECT_EQ(ReportAt({100, 0}), 90);
    EXPECT_EQ(ReportAt({0, 100}), 180);
    EXPECT_EQ(ReportAt({100, 199}), 269);
    // Just above three o'clock the reports start at 1, just below at 358:
    // 0 is never reported by the pointer.
    EXPECT_EQ(ReportAt({199, 99}), 1);
    EXPECT_EQ(ReportAt({199, 102}), 358);
}

TEST_F(RingTest, PositionRunsClockwiseFromTheBottom)
{
    EXPECT_EQ(ring.PositionFromPoint({100, 199}), 0);
    EXPECT_EQ(ring.PositionFromPoint({0, 100}), 89);
    EXPECT_EQ(ring.PositionFromPoint({100, 0}), 179);
    EXPECT_EQ(ring.PositionFromPoint({199, 100}), 269);
}

TEST_F(RingTest, TheExactCentreGivesTheMinimum)
{
    ring.SetValue(50);
    EXPECT_EQ(ring.PositionFromPoint({100, 100}), 0);
    EXPECT_EQ(ReportAt({100, 100}), 269);
}

TEST_F(RingTest, SetValueAndGetValueAreInverse)
{
    ring.SetValue(50);
    EXPECT_EQ(ring.GetValue(), 50);
    ring.SetValue(0);
    EXPECT_EQ(ring.GetValue(), 359);
    EXPECT_EQ(ring.GetPos(), 269);
    ring.SetValue(-1000); // no range check, no overflow
    ring.SetValue(INT_MAX);
    SUCCEED();
}

TEST_F(RingTest, WheelWrapsWithinTheRangeAndDoesNotMoveTheThumb)
{
    ring.SetValue(0); // reports 359
    ring.OnMouseWheel(1);
    ring.OnMouseWheel(-1);
    ring.SetValue(1);
    ring.OnMouseWheel(1);
    ring.SetValue(358);
    ring.OnMouseWheel(-1);
    Wheel(&ring, 120, {100, 10});
    ctl::Drain();
    EXPECT_EQ(Posted(), (std::vector<int> {358, 1, 0, 0, 357}));
    EXPECT_EQ(ring.GetValue(), 358);
    for (const auto &m : parent.Received(UM_SLIDER_POS))
        EXPECT_EQ(m.lParam, 10006);
}

TEST_F(RingTest, DragMovesTheThumbAtOnceAndPostsEveryMove)
{
    Press(&ring, {100, 0});
    EXPECT_TRUE(parent.Received(UM_SLIDER_POS).empty());
    Move(&ring, {0, 100}, Qt::LeftButton);
    EXPECT_EQ(ring.GetValue(), 180); // before the parent has answered
    Move(&ring, {0, 100}, Qt::LeftButton); // unchanged: posted all the same
    Release(&ring, {100, 0});
    ctl::Drain();
    EXPECT_EQ(Posted(), (std::vector<int> {180, 180, 90}));
    EXPECT_FALSE(ring.IsDragging());
    // Moves without a press are not the ring's.
    Move(&ring, {199, 100});
    ctl::Drain();
    EXPECT_EQ(Posted().size(), 3u);
}

TEST_F(RingTest, ReleaseWithoutAPressStillPostsAValue)
{
    Release(&ring, {100, 0});
    ctl::Drain();
    EXPECT_EQ(Posted(), std::vector<int> {90});
}

TEST_F(RingTest, EqualBoundsAndAZeroMaximumStayDefined)
{
    ring.SetRange(0, 0);
    EXPECT_EQ(ring.GetValue(), 0);
    ring.SetValue(5);
    ring.OnMouseWheel(1);
    EXPECT_EQ(ring.PositionFromPoint({199, 100}), 0);
    EXPECT_EQ(ring.ThumbCentre(), QPoint(100, 100 + 96)); // angle 0: straight below
    EXPECT_FALSE(ring.RenderBuffer().isNull());
}

TEST_F(RingTest, PaintsRingThumbAndARedCentreDisc)
{
    ring.SetValue(90); // top of the ring
    const QPoint centre = ring.ThumbCentre();
    EXPECT_EQ(centre, QPoint(100, 5)); // radius 100 - 5 + 1 at an angle just short of half a turn
    const QImage face = ring.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, centre.x(), centre.y()), 0xFF00FF00u);
    EXPECT_EQ(ctl::Raw(face, 100, 100), 0xFFFF0000u);
    EXPECT_EQ(ctl::Raw(face, 100, 93), 0xFFFF0000u); // inside the 24-pixel disc
    EXPECT_EQ(ctl::Raw(face, 100, 80), 0xFF0000FFu); // outside it: the ring picture
}

TEST_F(RingTest, MaskShapesTheWindowAndABlankMaskReportsAnError)
{
    QStringList boxes;
    SetMessageBoxHandler([&](const QString &text, const QString &, MessageBoxKind) {
        boxes << text;
        return IDOK;
    });
    ring.SetRegion(ctl::Solid(200, 200, 0xFFFFFFFF)); // all white: no shape
    EXPECT_EQ(boxes, QStringList {"error"});
    EXPECT_FALSE(ring.IsShaped());

    QImage mask(200, 200, QImage::Format_ARGB32_Premultiplied);
    mask.fill(0xFFFFFFFF);
    for (int y = 50; y < 150; ++y)
        for (int x = 50; x < 150; ++x)
            mask.setPixel(x, y, 0xFF000000);
    ring.SetRegion(Bitmap(mask));
    EXPECT_TRUE(ring.IsShaped());
    EXPECT_TRUE(ring.IsOnWindow({100, 100}));
    EXPECT_FALSE(ring.IsOnWindow({10, 10}));
    EXPECT_EQ(boxes.size(), 1);
    SetMessageBoxHandler({});
}

} // namespace
