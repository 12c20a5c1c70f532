// The control window base: messages through WindowProc, the one capture of
// the process and how it is lost, and hover tracking.
#include "EventHelpers.h"

#include "framework/CWnd.h"
#include "framework/MessageRecorder.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ProbeWnd : public CWnd
{
public:
    using CWnd::CWnd;
    using CWnd::Hover;
    using CWnd::TrackHover;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        lastMessage = message;
        return static_cast<LRESULT>(wParam) + lParam;
    }
    void OnCaptureChanged() override { ++captureLosses; }

    UINT lastMessage = 0;
    int captureLosses = 0;
    bool hover = false;
};

struct CWndTest : ::testing::Test
{
    RecordingWindow parent;
    ProbeWnd a;
    ProbeWnd b;

    void SetUp() override
    {
        parent.resize(300, 200);
        testev::Activate(&parent);
        a.CreateWnd(&parent, QRect(10, 10, 50, 20), 7);
        b.CreateWnd(&parent, QRect(100, 10, 50, 20), 8);
    }
};

TEST_F(CWndTest, CreationPlacesTheWindowAndMessagesReachWindowProc)
{
    EXPECT_TRUE(a.IsWindowCreated());
    EXPECT_EQ(a.GetDlgCtrlID(), 7);
    EXPECT_EQ(a.geometry(), QRect(10, 10, 50, 20));
    EXPECT_EQ(a.parentWidget(), &parent);
    EXPECT_EQ(SendMessage(&a, 1234, 40, 2), 42);
    EXPECT_EQ(a.lastMessage, 1234u);
    EXPECT_EQ(a.Handle(), HandleOf(&a));
}

TEST_F(CWndTest, OneCaptureAtATimeAndTheLoserIsTold)
{
    a.SetCapture();
    EXPECT_TRUE(a.HasCapture());
    EXPECT_EQ(CWnd::GetCapture(), &a);
    b.SetCapture();
    EXPECT_FALSE(a.HasCapture());
    EXPECT_EQ(a.captureLosses, 1);
    b.ReleaseCapture();
    EXPECT_EQ(b.captureLosses, 1);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
    b.ReleaseCapture(); // not held: no second notice
    EXPECT_EQ(b.captureLosses, 1);
}

TEST_F(CWndTest, HidingOrDisablingReleasesTheCapture)
{
    parent.show();
    a.SetCapture();
    a.hide();
    EXPECT_FALSE(a.HasCapture());
    EXPECT_EQ(a.captureLosses, 1);
    b.SetCapture();
    b.setEnabled(false);
    EXPECT_FALSE(b.HasCapture());
    EXPECT_EQ(b.captureLosses, 1);
    parent.hide();
}

TEST_F(CWndTest, DestroyedHolderLeavesNoCapture)
{
    auto temporary = std::make_unique<ProbeWnd>();
    temporary->CreateWnd(&parent, QRect(0, 0, 5, 5), 1);
    temporary->SetCapture();
    temporary.reset();
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(CWndTest, HoverTrackingFollowsThePointerAndTheCapture)
{
    // A drag that started elsewhere does not light the window.
    EXPECT_EQ(a.TrackHover({5, 5}, Qt::LeftButton, a.hover), ProbeWnd::Hover::Ignored);
    EXPECT_FALSE(a.hover);
    EXPECT_FALSE(a.HasCapture());

    EXPECT_EQ(a.TrackHover({5, 5}, Qt::NoButton, a.hover), ProbeWnd::Hover::Entered);
    EXPECT_TRUE(a.hover);
    EXPECT_TRUE(a.HasCapture());
    EXPECT_EQ(a.TrackHover({6, 6}, Qt::NoButton, a.hover), ProbeWnd::Hover::Inside);

    // Hover cleared by the owner: the next move over the window sets it again.
    a.hover = false;
    EXPECT_EQ(a.TrackHover({6, 6}, Qt::NoButton, a.hover), ProbeWnd::Hover::Regained);
    EXPECT_TRUE(a.hover);

    // Off the window with the button held: hover ends, the capture stays.
    EXPECT_EQ(a.TrackHover({-3, 6}, Qt::LeftButton, a.hover), ProbeWnd::Hover::Left);
    EXPECT_TRUE(a.HasCapture());
    // Button up, still off the window: the capture goes.
    EXPECT_EQ(a.TrackHover({-3, 6}, Qt::NoButton, a.hover), ProbeWnd::Hover::Outside);
    EXPECT_FALSE(a.HasCapture());
}

TEST_F(CWndTest, NoHoverAndNoCaptureWhileNoWindowOfTheProgramIsActive)
{
    // Another program holds the pointer: moves still arrive.
    QApplication::setActiveWindow(nullptr);
    EXPECT_EQ(a.TrackHover({5, 5}, Qt::NoButton, a.hover), ProbeWnd::Hover::Ignored);
    EXPECT_FALSE(a.hover);
    EXPECT_FALSE(a.HasCapture());
    testev::Activate(&parent);
    EXPECT_EQ(a.TrackHover({5, 5}, Qt::NoButton, a.hover), ProbeWnd::Hover::Entered);
}

TEST_F(CWndTest, WindowWithoutParentOrOwnerDoesNotTrackHover)
{
    ProbeWnd orphan;
    orphan.resize(10, 10);
    EXPECT_EQ(orphan.TrackHover({2, 2}, Qt::NoButton, orphan.hover), ProbeWnd::Hover::Ignored);
    RecordingWindow owner;
    orphan.SetOwner(&owner);
    EXPECT_EQ(orphan.TrackHover({2, 2}, Qt::NoButton, orphan.hover), ProbeWnd::Hover::Entered);
    EXPECT_EQ(orphan.OwnerOrParent(), &owner);
}

TEST_F(CWndTest, ShapedWindowsAreHitOnlyInsideTheirShape)
{
    a.SetWindowRgn(QRegion(0, 0, 10, 10));
    EXPECT_TRUE(a.IsOnWindow({9, 9}));
    EXPECT_FALSE(a.IsOnWindow({20, 5}));
    a.SetWindowRgn(QRegion());
    EXPECT_TRUE(a.IsOnWindow({20, 5}));
    EXPECT_FALSE(a.IsOnWindow({50, 5}));
}

} // namespace
