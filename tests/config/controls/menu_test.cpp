// The drop-down menu: rows built from the items, what a choice posts,
// disabled rows, scrolling and the band rule that fits the row pictures.
#include "ControlTestSupport.h"

#include "controls/CPngBtnMenu.h"
#include "framework/MessageRecorder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace testev;

namespace {

constexpr std::uint32_t kRowNormal = 0xFF101010;
constexpr std::uint32_t kRowOver = 0xFF303030;

struct MenuTest : ::testing::Test
{
    QTemporaryDir dir;
    RecordingWindow owner;
    std::unique_ptr<CPngBtnMenu> menu;
    QString normalFile;
    QString overFile;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        normalFile = dir.filePath("Device_menu_normal.png");
        overFile = dir.filePath("Device_menu_over.png");
        ASSERT_TRUE(ctl::Solid(120, 24, kRowNormal).Image().save(normalFile));
        ASSERT_TRUE(ctl::Solid(120, 24, kRowOver).Image().save(overFile));
        owner.resize(400, 400);
        menu = std::make_unique<CPngBtnMenu>(&owner);
        menu->SetItemImages(normalFile, overFile, overFile, normalFile);
        menu->SetRowHeight(24);
        menu->SetRowFontHeight(15);
        menu->SetRowTextLayout(5, 0);
        menu->SetPosition(100, 120);
    }
    void AddDevices(int n)
    {
        menu->AddItem("All SSDs", 48, 0, true);
        for (int d = 1; d < n; ++d)
            menu->AddItem(QString("SSD%1").arg(d), 48 + d, 0, true);
    }
};

TEST_F(MenuTest, ChoosingTheSecondRowPostsItsIndexAndValueAndChecksIt)
{
    AddDevices(3);
    menu->CreateMenu(&owner);
    ASSERT_EQ(menu->GetRowCount(), 3);
    EXPECT_EQ(menu->geometry(), QRect(100, 120, 120 + 18, 72));
    EXPECT_EQ(menu->GetRow(1)->GetCaption(), "SSD1");
    EXPECT_EQ(menu->GetRow(1)->GetTextAlign(), 0);
    EXPECT_EQ(menu->GetRow(1)->GetFontHeight(), 15);

    MessageRecorder recorder;
    Press(menu->GetRow(1), {10, 10});
    EXPECT_TRUE(owner.Received(UM_MENU_ITEM).empty()); // posted
    ctl::Drain();
    const auto chosen = owner.Received(UM_MENU_ITEM);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(HIWORD(chosen[0].wParam), 1);
    EXPECT_EQ(LOWORD(chosen[0].wParam), 0xFFFF);
    EXPECT_EQ(chosen[0].lParam, 49 * 65536);
    EXPECT_EQ(menu->GetSelectedItem(), 1);
    EXPECT_TRUE(menu->GetRow(1)->GetChecked());
    EXPECT_FALSE(menu->GetRow(0)->GetChecked());

    Press(menu->GetRow(2), {10, 10});
    EXPECT_FALSE(menu->GetRow(1)->GetChecked());
    EXPECT_TRUE(menu->GetRow(2)->GetChecked());
}

TEST_F(MenuTest, DisabledRowsUseTheDisabledColourAndPostNothing)
{
    menu->AddItem("On", 1, 0, true);
    menu->AddItem("Off", 2, 0, false);
    menu->CreateMenu(&owner);
    EXPECT_EQ(menu->GetRow(0)->GetNormalColor(), RGB(255, 255, 255));
    EXPECT_EQ(menu->GetRow(0)->GetHoverColor(), RGB(216, 38, 48));
    EXPECT_EQ(menu->GetRow(1)->GetNormalColor(), RGB(128, 128, 128));
    EXPECT_EQ(menu->GetRow(1)->GetHoverColor(), RGB(128, 128, 128));
    EXPECT_EQ(menu->GetRow(1)->GetPressedColor(), RGB(255, 255, 255));
    Press(menu->GetRow(1), {10, 10});
    ctl::Drain();
    EXPECT_TRUE(owner.Received(UM_MENU_ITEM).empty());
    EXPECT_FALSE(menu->GetRow(1)->GetChecked());
    EXPECT_EQ(menu->GetSelectedItem(), -1);
}

TEST_F(MenuTest, WithAllItemsVisibleTheScrollBarStaysHiddenAndTheWheelMovesNothing)
{
    AddDevices(4);
    menu->CreateMenu(&owner);
    EXPECT_FALSE(menu->IsScrollBarShown());
    EXPECT_FALSE(menu->GetScrollBar().isVisible());
    EXPECT_EQ(menu->GetScrollBar().GetDlgCtrlID(), 101);
    EXPECT_EQ(menu->GetScrollBar().GetScrollMax(), 3);
    EXPECT_EQ(menu->GetScrollBar().GetScrollPage(), 4);
    EXPECT_EQ(menu->GetRow(0)->width(), 120);
    Wheel(menu->GetRow(2), -120);
    ctl::Drain();
    EXPECT_EQ(menu->GetFirstVisible(), 0);
    EXPECT_EQ(menu->GetRow(0)->GetCaption(), "All SSDs");
}

TEST_F(MenuTest, MoreItemsThanRowsScrollWithTheWheelAndTheBar)
{
    AddDevices(5);
    menu->SetVisibleRows(2);
    menu->CreateMenu(&owner);
    ASSERT_EQ(menu->GetRowCount(), 2);
    EXPECT_TRUE(menu->IsScrollBarShown());
    EXPECT_EQ(menu->GetRow(0)->width(), 120 - 12);
    EXPECT_EQ(menu->geometry().height(), 48);

    Wheel(menu->GetRow(0), -120);
    ctl::Drain();
    EXPECT_EQ(menu->GetFirstVisible(), 1);
    EXPECT_EQ(menu->GetRow(0)->GetCaption(), "SSD1");
    EXPECT_EQ(menu->GetScrollBar().GetScrollPos(), 1);

    // A row now stands for a later item.
    Press(menu->GetRow(0), {10, 10});
    ctl::Drain();
    ASSERT_EQ(owner.Received(UM_MENU_ITEM).size(), 1u);
    EXPECT_EQ(HIWORD(owner.Received(UM_MENU_ITEM)[0].wParam), 1);
    EXPECT_EQ(owner.Received(UM_MENU_ITEM)[0].lParam, 49 * 65536);

    // The selection follows the scrolling: shown checked only while visible.
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    EXPECT_EQ(menu->GetFirstVisible(), 3); // count, clamped to count - page
    EXPECT_FALSE(menu->GetRow(0)->GetChecked());
    EXPECT_FALSE(menu->GetRow(1)->GetChecked());
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), 0);
    EXPECT_TRUE(menu->GetRow(1)->GetChecked());
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    EXPECT_EQ(menu->GetFirstVisible(), 2);
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), 0);
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), 0);
    EXPECT_EQ(menu->GetFirstVisible(), 0);
    SendMessage(menu.get(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    EXPECT_EQ(menu->GetFirstVisible(), 3);
}

TEST_F(MenuTest, WithoutOwnerTheChoiceGoesToTheParent)
{
    RecordingWindow parent;
    CPngBtnMenu orphanMenu(nullptr);
    orphanMenu.SetItemImages(normalFile, overFile, overFile, normalFile);
    orphanMenu.AddItem("Only", 7, 0, true);
    orphanMenu.CreateMenu(&parent);
    Press(orphanMenu.GetRow(0), {5, 5});
    ctl::Drain();
    ASSERT_EQ(parent.Received(UM_MENU_ITEM).size(), 1u);
    EXPECT_EQ(parent.Received(UM_MENU_ITEM)[0].lParam, 7 * 65536);
    orphanMenu.DestroyWindow();
}

TEST_F(MenuTest, ItemTextsAreCutAndEmptyRowsHidden)
{
    menu->AddItem(QString(300, QChar('x')), 1, 0, true);
    EXPECT_EQ(menu->GetItem(0).Text().size(), 259);
    menu->AddItem(QString(), 2, 0, true);
    menu->CreateMenu(&owner);
    EXPECT_FALSE(menu->GetRow(1)->isVisibleTo(menu.get()));
    EXPECT_TRUE(menu->GetRow(0)->isVisibleTo(menu.get()));
}

TEST_F(MenuTest, DestroyingTheWindowDropsRowsAndItems)
{
    AddDevices(3);
    menu->CreateMenu(&owner);
    menu->DestroyWindow();
    EXPECT_EQ(menu->GetRowCount(), 0);
    EXPECT_EQ(menu->GetItemCount(), 0);
    EXPECT_FALSE(menu->isVisible());
}

TEST_F(MenuTest, MenuWithoutItemsOrPicturesStillOpens)
{
    CPngBtnMenu bare(&owner);
    bare.CreateMenu(&owner);
    EXPECT_EQ(bare.GetRowCount(), 0);
    EXPECT_FALSE(bare.IsScrollBarShown());
    bare.DestroyWindow();
}

// A picture of height `h` whose row y has blue value y.
Bitmap RowNumbered(int h)
{
    QImage image(4, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 4; ++x)
            reinterpret_cast<std::uint32_t *>(image.scanLine(y))[x] = 0xFF000000u | std::uint32_t(y);
    return Bitmap(image);
}

std::vector<int> SourceRows(const Bitmap &b)
{
    std::vector<int> rows;
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint32_t p = ctl::Raw(b.Image(), 1, y);
        rows.push_back((p >> 24) == 0 ? -1 : int(p & 0xFF));
    }
    return rows;
}

TEST(MenuBandRule, ShorterKeepsTheTopAndTheBottomBand)
{
    const Bitmap picture = RowNumbered(30);
    std::vector<int> expected;
    for (int y = 0; y < 20; ++y)
        expected.push_back(y < 10 ? y : y + 10);
    EXPECT_EQ(SourceRows(CPngBtnMenu::FitToHeight(picture, 20, 10)), expected);

    // No taller than one band: top rows, then the bottom half-height.
    EXPECT_EQ(SourceRows(CPngBtnMenu::FitToHeight(picture, 8, 10)), (std::vector<int> {0, 1, 2, 3, 26, 27, 28, 29}));
}

TEST(MenuBandRule, TallerRepeatsTheMiddleBandAndEndsWithTheBottom)
{
    const Bitmap picture = RowNumbered(30);
    std::vector<int> expected;
    for (int y = 0; y < 55; ++y)
        expected.push_back(y < 10 ? y : (y < 35 ? 10 + (y - 10) % 10 : y - 25));
    EXPECT_EQ(SourceRows(CPngBtnMenu::FitToHeight(picture, 55, 10)), expected);

    // Without a middle band nothing repeats.
    const std::vector<int> noBand = SourceRows(CPngBtnMenu::FitToHeight(RowNumbered(20), 40, 10));
    EXPECT_EQ(noBand[19], 19);
    EXPECT_EQ(noBand[25], -1);
    EXPECT_EQ(noBand[30], 10);
    EXPECT_EQ(noBand[39], 19);

    EXPECT_TRUE(CPngBtnMenu::FitToHeight(Bitmap(), 40, 10).Image().isNull()
                || SourceRows(CPngBtnMenu::FitToHeight(Bitmap(), 40, 10))[0] == -1);
    EXPECT_TRUE(CPngBtnMenu::FitToHeight(picture, 0, 10).IsEmpty());
}

} // namespace
