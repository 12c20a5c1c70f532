// Which controls each effect shows, the scrolling effect list and the paint.

#include "MainWindowFixture.h"

#include "app/EffectLayout.h"

#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QWindow>
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
    ChooseEffect(9);
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
    ChooseEffect(14);
    EXPECT_EQ(ShownSlots(Screen()), 0);
    for (const QWidget *control : std::initializer_list<const QWidget *> {
             &Screen().hueRing, &Screen().redSlider, &Screen().hexBox, &Screen().presets[0], &Screen().speedSlider,
             &Screen().directionButtons[0], &Screen().uniformToggle, &Screen().numberBoxes[2]})
        EXPECT_FALSE(Shown(*control));
    ChooseEffect(2);
    EXPECT_EQ(ShownSlots(Screen()), 8);
    EXPECT_TRUE(Shown(Screen().uniformToggle));
}

TEST_F(MainWindowTest, RecordOfAnAbsentDeviceShowsNoSlots)
{
    CConfigDlg &w = Open(2);
    Click(Screen().categoryButtons[1]);
    ChooseMenuRow(2);
    EXPECT_EQ(w.RecordIndex(), 2);
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
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int> {5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(Screen().effectButtons[12].GetChecked());
    EXPECT_EQ(Screen().effectButtons[5].geometry(), Screen().effectRowRect.ToQRect());
    EXPECT_EQ(Screen().effectButtons[12].geometry().top(), Screen().effectRowRect.top + 7 * 37);
}

TEST_F(MainWindowTest, ScrollBarAtSixListsTheLastEightAndNeverEffectZero)
{
    Open(1);
    MoveSlider(kEffectListScrollId, 6);
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int> {7, 8, 9, 10, 11, 12, 13, 14}));
    MoveSlider(kEffectListScrollId, 0);
    EXPECT_EQ(ListedEffects(Screen()), (std::vector<int> {1, 2, 3, 4, 5, 6, 7, 8}));
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

    // The null events that start and end a touchpad scroll move nothing.
    for (Qt::ScrollPhase phase : {Qt::ScrollBegin, Qt::ScrollEnd}) {
        QWheelEvent still(inside, w.mapToGlobal(inside), QPoint(), QPoint(), Qt::NoButton, Qt::NoModifier, phase,
                          false);
        QCoreApplication::sendEvent(&w, &still);
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 1);

    // A touchpad's small turns scroll one row per 120 units, over the list
    // and over its scroll bar alike.
    for (int i = 0; i < 6; ++i) {
        QWidget *target = i % 2 ? static_cast<QWidget *>(&Screen().effectListScroll) : &w;
        const QPoint at = target->mapFrom(&w, inside);
        QWheelEvent small(at, target->mapToGlobal(at), QPoint(), QPoint(0, -40), Qt::NoButton, Qt::NoModifier,
                          Qt::ScrollUpdate, false);
        QCoreApplication::sendEvent(target, &small);
        QCoreApplication::sendPostedEvents();
    }
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 3);

    const QPoint outside(700, 500);
    QWheelEvent elsewhere(outside, w.mapToGlobal(outside), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&w, &elsewhere);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Screen().effectListScroll.GetPos(), 3);
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
    EXPECT_EQ(Screen().numberBoxes[0].text(), "255");
    EXPECT_EQ(Screen().hexBox.text(), "FF0000");
}

TEST_F(MainWindowTest, TheWellInsideTheRingShowsOnlyWithTheRing)
{
    CConfigDlg &w = Open(1);
    auto face = [&](int effect) {
        QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter painter(&image);
        PaintMainWindow(painter, Screen(), effect, QString());
        return image;
    };
    const QPoint ringCentre = Screen().hueRing.geometry().center();
    const QPoint inWell = ringCentre + QPoint(24, 0);
    const QPoint panel(Screen().hueRing.geometry().left() - 8, ringCentre.y());
    const QImage withoutColours = face(14);
    const QImage withColours = face(9);
    for (int shift : {0, 8, 16})
        EXPECT_NEAR((withoutColours.pixel(inWell) >> shift) & 0xFF, (withoutColours.pixel(panel) >> shift) & 0xFF, 4)
            << "a clean panel where the ring would be";
    EXPECT_LT(qBlue(withColours.pixel(inWell)) + 6, qBlue(withColours.pixel(panel))) << "the dark well with the ring";
}

// What the screen shows (the window's backing store, not a fresh rendering):
// after Static, the ring's place in each effect without colours is the
// background picture alone.
TEST_F(MainWindowTest, AfterStaticTheRingsPlaceInAColourlessEffectIsTheBackground)
{
    CConfigDlg &w = Open(1);
    const QRect ring = Screen().hueRing.geometry();
    const QImage background = Screen().background.Image().copy(ring).convertToFormat(QImage::Format_RGB32);
    for (int effect : {4, 5, 6, 8, 10, 11, 12, 13, 14}) {
        ChooseEffect(1);
        QCoreApplication::processEvents();
        ChooseEffect(effect);
        QCoreApplication::processEvents();
        const QImage shown = w.windowHandle()->screen()->grabWindow(w.winId()).toImage().copy(ring).convertToFormat(
            QImage::Format_RGB32);
        EXPECT_EQ(shown, background) << "effect " << effect;
    }
    // And back: Static's ring comes back with its well.
    ChooseEffect(1);
    QCoreApplication::processEvents();
    const QImage shown
        = w.windowHandle()->screen()->grabWindow(w.winId()).toImage().copy(ring).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, w.grab(ring).toImage().convertToFormat(QImage::Format_RGB32));
}

// The whole window for a colour effect and for the effect without settings,
// kept as pictures in the build folder for a reviewer's eye.
TEST_F(MainWindowTest, RendersAColourEffectAndTheEffectWithoutSettings)
{
    Open(3);
    const QString folder = QStringLiteral(QZ_TEST_BIN_DIR "/../test-renders");
    QDir().mkpath(folder);

    ChooseEffect(2);
    const QImage colour = window->grab().toImage();
    EXPECT_EQ(colour.size(), window->size());
    EXPECT_TRUE(colour.save(folder + "/main-window-colour-effect.png"));
    EXPECT_EQ(ShownSlots(Screen()), 8);
    EXPECT_TRUE(Shown(Screen().hueRing) && Shown(Screen().speedSlider) && Shown(Screen().presets[4]));
    EXPECT_FALSE(Shown(Screen().directionButtons[0]));

    ChooseEffect(14);
    const QImage none = window->grab().toImage();
    EXPECT_TRUE(none.save(folder + "/main-window-effect-14.png"));
    EXPECT_EQ(ShownSlots(Screen()), 0);
    EXPECT_FALSE(Shown(Screen().hueRing) || Shown(Screen().speedSlider) || Shown(Screen().directionButtons[0]));
    EXPECT_NE(colour, none) << "the colour labels and controls are gone";
}

} // namespace
