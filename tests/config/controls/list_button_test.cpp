// The list button: which picture, caption colour and icon each state shows,
// caption placement, icons, group selection and the wheel.
#include "ControlTestSupport.h"

#include "controls/CPngListBtn.h"
#include "controls/ControlSupport.h"
#include "framework/MessageRecorder.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

using namespace testev;

namespace {

constexpr std::uint32_t kNormal = 0xFF200000;
constexpr std::uint32_t kOver = 0xFF00FF00;
constexpr std::uint32_t kDown = 0xFF0000FF;
constexpr std::uint32_t kDisable = 0xFF808080;
constexpr std::uint32_t kIconNormal = 0xFFFFFF00;
constexpr std::uint32_t kIconOver = 0xFF00FFFF;
constexpr std::uint32_t kIconDown = 0xFFFF00FF;

struct ListBtnTest : ::testing::Test
{
    RecordingWindow parent;
    CPngListBtn button;
    const Bitmap normal = ctl::Solid(100, 40, kNormal);
    const Bitmap over = ctl::Solid(100, 40, kOver);
    const Bitmap down = ctl::Solid(100, 40, kDown);
    const Bitmap disable = ctl::Solid(100, 40, kDisable);
    const Bitmap background = ctl::Solid(300, 300, 0xFF000000);

    void SetUp() override
    {
        parent.resize(300, 300);
        testev::Activate(&parent);
        button.Create(QString(), &parent, QRect(0, 0, 100, 40), 0);
        button.SetBackground(background, 10, 10, 110, 50);
        button.LoadBitmaps(&normal, &over, &down, &disable, 0, 0, 100, 40);
    }
    std::uint32_t Corner() { return ctl::Raw(button.RenderBuffer(), 99, 0); }
};

TEST_F(ListBtnTest, LooksOfBothTables)
{
    button.SetTextColors(RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0)); // hover, normal, pressed
    const COLORREF hoverC = RGB(1, 0, 0), normalC = RGB(2, 0, 0), pressedC = RGB(3, 0, 0);
    const COLORREF disabledC = RGB(255, 255, 255);
    struct Row
    {
        bool alternate, disabled, checked, pressed, hovered;
        CBitmapBtn::StateImage image;
        COLORREF colour;
        CPngListBtn::IconImage icon;
    };
    const Row rows[] = {
        {false, true, true, true, true, CBitmapBtn::Disable, disabledC, CPngListBtn::IconNormal},
        {false, false, true, false, true, CBitmapBtn::Down, pressedC, CPngListBtn::IconDown},
        {false, false, false, true, true, CBitmapBtn::Down, pressedC, CPngListBtn::IconDown},
        {false, false, false, false, true, CBitmapBtn::Over, hoverC, CPngListBtn::IconOver},
        {false, false, false, false, false, CBitmapBtn::Normal, normalC, CPngListBtn::IconNormal},
        {true, true, true, true, true, CBitmapBtn::Disable, disabledC, CPngListBtn::IconNormal},
        {true, false, true, true, true, CBitmapBtn::Down, pressedC, CPngListBtn::IconDown},
        {true, false, false, true, true, CBitmapBtn::Normal, hoverC, CPngListBtn::IconNormal},
        {true, false, false, false, true, CBitmapBtn::Over, normalC, CPngListBtn::IconOver},
        {true, false, false, false, false, CBitmapBtn::Normal, normalC, CPngListBtn::IconNormal},
    };
    for (const Row &r : rows) {
        CPngListBtn b;
        b.Create(QString(), &parent, QRect(0, 0, 10, 10), 0);
        b.SetTextColors(hoverC, normalC, pressedC);
        if (r.alternate)
            b.SetAlternateLook();
        b.SetChecked(r.checked);
        if (r.hovered)
            Move(&b, {2, 2});
        const auto look = b.ChooseLook(DrawItemState {r.pressed, r.disabled});
        EXPECT_EQ(look.image, r.image) << r.alternate << r.disabled << r.checked << r.pressed << r.hovered;
        EXPECT_EQ(look.captionColour, r.colour);
        EXPECT_EQ(look.icon, r.icon);
    }
}

TEST_F(ListBtnTest, PaintsTheStatePictureOfNormalOverDownDisableAndChecked)
{
    EXPECT_EQ(Corner(), kNormal);
    Move(&button, {5, 5});
    EXPECT_EQ(Corner(), kOver);
    Press(&button, {5, 5});
    EXPECT_EQ(Corner(), kDown);
    Release(&button, {5, 5});
    EXPECT_EQ(Corner(), kDown); // the release is swallowed: still pressed
    Move(&button, {500, 5}); // pointer gone: pressed look ends
    EXPECT_EQ(Corner(), kNormal);
    button.SetChecked(true);
    EXPECT_EQ(Corner(), kDown);
    button.setEnabled(false);
    EXPECT_EQ(Corner(), kDisable);
}

TEST_F(ListBtnTest, StatePicturesBlendOverTheBackgroundWithTheirAlpha)
{
    const Bitmap halfRed = ctl::Solid(100, 40, 0x80800000);
    const Bitmap blue = ctl::Solid(300, 300, 0xFF0000FF);
    button.SetBackground(blue, 0, 0, 100, 40);
    button.LoadBitmaps(&halfRed, nullptr, nullptr, nullptr, 0, 0, 100, 40);
    EXPECT_TRUE(ctl::Near(Corner(), 0xFF80007F)) << std::hex << Corner();
}

TEST_F(ListBtnTest, AlternateLookShowsTheNormalPictureWhilePressed)
{
    button.SetAlternateLook();
    Move(&button, {5, 5});
    Press(&button, {5, 5});
    EXPECT_EQ(Corner(), kNormal);
}

TEST_F(ListBtnTest, AlignmentEightEndsTheTextBoxTwoPixelsAboveTheBottom)
{
    button.SetTextAlign(8);
    const QRect box = button.CaptionRect(13);
    EXPECT_EQ(box.top() + box.height(), 40 - 2);
    EXPECT_EQ(box.height(), 13);
    button.SetTextAlign(1);
    EXPECT_EQ(button.CaptionRect(13).top(), (40 - 13) / 2);

    // Drawn: every caption pixel lies inside the box, and the text is
    // centred horizontally.
    button.SetTextAlign(8);
    button.SetCaption("WWWW", 0);
    button.SetTextColors(RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255));
    const QImage face = button.RenderBuffer();
    const QRect drawn = button.CaptionRect(QFontMetrics(MakeSkinFont(15, 500)).height());
    int minX = 100, maxX = -1, pixels = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x)
            if (ctl::Raw(face, x, y) != kNormal) {
                ++pixels;
                EXPECT_TRUE(drawn.contains(x, y)) << x << "," << y;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_GT(pixels, 0);
    EXPECT_LE(std::abs((minX + maxX) / 2 - 50), 3);
}

TEST_F(ListBtnTest, IconShowsOnlyWithACaptionAndFollowsTheState)
{
    const Bitmap iconNormal = ctl::Solid(8, 8, kIconNormal);
    const Bitmap iconOver = ctl::Solid(8, 8, kIconOver);
    const Bitmap iconDown = ctl::Solid(8, 8, kIconDown);
    button.SetIcon(&iconNormal, &iconOver, &iconDown, 0, 0, 8, 8);
    ASSERT_TRUE(button.HasIcon());
    const int iconTop = (40 - 8) / 2;
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 3, iconTop + 3), kNormal); // no caption, no icon

    button.SetCaption("Device", 5);
    EXPECT_EQ(button.CaptionRect(10).left(), 5 + 8);
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 0, iconTop), kIconNormal);
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 7, iconTop + 7), kIconNormal);
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 3, iconTop - 1), kNormal);
    Move(&button, {50, 5});
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 3, iconTop + 3), kIconOver);
    button.SetChecked(true);
    EXPECT_EQ(ctl::Raw(button.RenderBuffer(), 3, iconTop + 3), kIconDown);
}

TEST_F(ListBtnTest, WheelPostsALineScrollToTheParentAndGoesOnToIt)
{
    MessageRecorder recorder;
    QWheelEvent away(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(&button, &away);
    EXPECT_FALSE(away.isAccepted()); // left for the parent window as well
    Wheel(&button, -120);
    Wheel(&button, 0); // the start and end of a touchpad scroll: nothing
    QWheelEvent sideways(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(-120, 0), Qt::NoButton, Qt::NoModifier,
                         Qt::ScrollUpdate, false);
    QApplication::sendEvent(&button, &sideways);
    for (int i = 0; i < 8; ++i)
        Wheel(&button, 15); // a touchpad's small turns: one line together
    Wheel(&button, 360);
    const auto scrolls = recorder.Messages(WM_VSCROLL);
    ASSERT_EQ(scrolls.size(), 6u);
    EXPECT_EQ(scrolls[0].wParam, WPARAM(SB_LINEUP));
    EXPECT_EQ(scrolls[1].wParam, WPARAM(SB_LINEDOWN));
    for (std::size_t i = 2; i < scrolls.size(); ++i)
        EXPECT_EQ(scrolls[i].wParam, WPARAM(SB_LINEUP));
    EXPECT_EQ(scrolls[0].lParam, 0);
    EXPECT_EQ(scrolls[0].kind, RecordedMessage::Posted);
    EXPECT_EQ(scrolls[0].receiver, &parent);
}

TEST_F(ListBtnTest, DoubleClickItselfReportsNothing)
{
    DoubleClick(&button);
    EXPECT_EQ(parent.Received(WM_COMMAND).size(), 1u); // the first press only
}

TEST(ListBtnGroup, ClickingOneOfSixteenEffectButtonsChecksExactlyIt)
{
    RecordingWindow parent;
    CPngListBtn effects[16];
    for (int i = 0; i < 16; ++i)
        effects[i].Create(QString(), &parent, QRect(0, i * 37, 100, 30), 0);
    effects[0].SetChecked(true);
    int chosen = -1;
    parent.SetHandler([&](const RecordingWindow::Delivered &d) {
        if (d.message == WM_COMMAND)
            SelectButtonByHandle(effects, 16, d.lParam, &chosen);
        return LRESULT(0);
    });
    Press(&effects[11]);
    EXPECT_EQ(chosen, 11);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(effects[i].GetChecked(), i == 11) << i;
    EXPECT_FALSE(effects[11].IsHovered());

    EXPECT_EQ(SelectButtonByHandle(effects, 16, 0), -1);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(effects[i].GetChecked(), i == 11);
}

} // namespace
