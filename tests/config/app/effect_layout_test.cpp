// Which controls each effect shows, the scrolling effect list and the paint.

#include "MainWindowFixture.h"

#include "app/EffectLayout.h"

#include <QWheelEvent>

namespace {

bool Shown(const QWidget &control)
{
    return control.isVisibleTo(control.parentWidget());
}

int ShownSlots(MainScreen &screen)
{
    int count = 0;
    for (const CColorBtn2 &slot : screen.colorSlots)
        count += Shown(slot);
    return count;
}

std::vector<int> ListedEffects(MainScreen &screen)
{
    std::vector<int> listed;
    for (int i = 0; i < 15; ++i)
        if (!screen.effectButtons[i].geometry().isEmpty())
            listed.push_back(i);
    return listed;
}

TEST_F(MainWindowTest, SingleColourEffectShowsOneSlotAndItsOtherControls)
{
    Open(1);
    Click(Screen().effectButtons[9]);
    EXPECT_EQ(ShownSlots(Screen()), 1);
    EXPECT_TRUE(Shown(Screen().colorSlots[0]));
    EXPECT_FALSE(Shown(Screen().uniformToggle));
    EXPECT_TRUE(Shown(Screen().hueRing));
    EXPECT_TRUE(Shown(Screen().speedSlider));
    EXPECT_TRUE(Shown(Screen().directionButtons[1]));
}

TEST_F(MainWindowTest, EffectWithoutSettingsHidesEveryControl)
{
    Open(1);
    Click(Screen().effectButtons[14]);
    EXPECT_EQ(ShownSlots(Screen()), 0);
    for (const QWidget *control : std::initializer_list<const QWidget *>{
             &Screen().hueRing, &Screen().redSlider, &Screen().hexBox, &Screen().presets[0], &Screen().speedSlider,
             &Screen().directionButtons[0], &Screen().uniformToggle, &Screen().numberBoxes[2]})
        EXPECT_FALSE(Shown(*control));
    Click(Screen().effectButtons[2]);
    EXPECT_EQ(ShownSlots(Screen()), 8);
    EXPECT_TRUE(Shown(Screen().uniformToggle));
}

TEST_F(MainWindowTest, RecordOfAnAbsentDeviceShowsNoSlots)
{
    CConfigDlg &w = Open(2);
    Post(UM_MENU_ITEM, 0, static_cast<LPARAM>((48u + 2) << 16));
    EXPECT_EQ(w.EditedRecord()->colorCount, 8);
    EXPECT_EQ(w.Settings().Profile(0).Category(1).records[3].colorCount, 0);
    EXPECT_EQ(w.Settings().Profile(0).Category(1).records[0].colorCount, 8);

    // A record beyond the devices, as a stale file may hold: nothing to colour.
    w.Settings().Profile(0).Category(1).records[2].colorCount = 0;
    ApplyEffectLayout(Screen(), 1, w.Settings().Profile(0).Category(1).records[2], w);
    EXPECT_EQ(ShownSlots(Screen()), 0);
}

TEST_F(MainWindowTest, StoredEffectTwelveOpensTheListAtOffsetFour)
{
    WriteSettings([](LightingSettings &s) { s.Profile(0).Category(1).records[1].effectId = 12; });
    CConfigDlg &w = Open(1);
    EXPECT_EQ(w.CurrentEffect(), 12);
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 4);
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(Screen().effectButtons[12].GetChecked());
    EXPECT_EQ(Screen().effectButtons[5].geometry(), Screen().effectRowRect.ToQRect());
    EXPECT_EQ(Screen().effectButtons[12].geometry().top(), Screen().effectRowRect.top + 7 * 37);
}

TEST_F(MainWindowTest, ScrollBarAtSixListsTheLastEightAndNeverEffectZero)
{
    Open(1);
    MoveSlider(kEffectListScrollId, 6);
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int>{7, 8, 9, 10, 11, 12, 13, 14}));
    MoveSlider(kEffectListScrollId, 0);
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(MainWindowTest, WheelOverTheEffectListScrollsIt)
{
    CConfigDlg &w = Open(1);
    w.show();
    const QPoint inside(150, 200);
    QWheelEvent down(inside, w.mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &down);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(w.EffectListHovered());
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 1);

    const QPoint outside(700, 500);
    QWheelEvent elsewhere(outside, w.mapToGlobal(outside), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &elsewhere);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 1);
}

TEST_F(MainWindowTest, ScreenIsBuiltFromTheSkinAndPaints)
{
    CConfigDlg &w = Open(3);
    EXPECT_EQ(w.size(), Screen().background.Size());
    EXPECT_GT(w.width(), 0);
    EXPECT_FALSE(Shown(Screen().languageButton));
    EXPECT_FALSE(Shown(Screen().numberBoxButtons[0]));
    EXPECT_FALSE(Screen().textRegion.isEmpty());
    EXPECT_EQ(w.windowTitle(), "Zarvik RGB Software_Config");

    const QImage face = w.grab().toImage();
    EXPECT_EQ(face.size(), w.size());
    if (const QByteArray shot = qgetenv("QZ_SCREENSHOT"); !shot.isEmpty())
        face.save(QString::fromLocal8Bit(shot));
}

} // namespace
