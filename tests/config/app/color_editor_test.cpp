// The colour editor inside the main window: every view follows every other.

#include "MainWindowFixture.h"

#include <QTest>

namespace {

class ColorEditorTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Open(1);
    }

    RgbColor Sliders()
    {
        return {Screen().redSlider.GetPos(), Screen().greenSlider.GetPos(), Screen().blueSlider.GetPos()};
    }

    QStringList Boxes()
    {
        return {Screen().numberBoxes[0].text(), Screen().numberBoxes[1].text(), Screen().numberBoxes[2].text(),
                Screen().hexBox.text()};
    }

    void SetRgb(int r, int g, int b)
    {
        MoveSlider(kRedSliderId, r);
        MoveSlider(kGreenSliderId, g);
        MoveSlider(kBlueSliderId, b);
    }
};

TEST_F(ColorEditorTest, PureRedFillsEveryViewAndTheHsvSideComputesWithHue359)
{
    SetRgb(255, 0, 0);
    EXPECT_EQ(Screen().saturationSlider.GetPos(), 100);
    EXPECT_EQ(Screen().valueSlider.GetPos(), 255);
    EXPECT_EQ(Boxes(), (QStringList {"255", "0", "0", "FF0000"}));

    MoveSlider(kSaturationSliderId, 100);
    EXPECT_EQ(Sliders(), (RgbColor {255, 0, 4})) << "the ring reports 359 for 0";
    EXPECT_EQ(window->EditedRecord()->colors[0], ToColorRef({255, 0, 4}));
}

TEST_F(ColorEditorTest, GreyAndBlackHaveDefinedSaturationAndValue)
{
    SetRgb(128, 128, 128);
    EXPECT_EQ(Screen().saturationSlider.GetPos(), 0);
    EXPECT_EQ(Screen().valueSlider.GetPos(), 128);
    EXPECT_EQ(Screen().hueRing.GetValue(), 359);
    SetRgb(0, 0, 0);
    EXPECT_EQ(Screen().saturationSlider.GetPos(), 0);
    EXPECT_EQ(Screen().valueSlider.GetPos(), 0);
}

TEST_F(ColorEditorTest, RingLeadsInHsvMode)
{
    SetRgb(255, 0, 0);
    MoveSlider(kHueRingId, 120);
    EXPECT_EQ(Sliders(), (RgbColor {0, 255, 0}));
    EXPECT_EQ(Screen().hexBox.text(), "00FF00");
}

TEST_F(ColorEditorTest, TypedDecimalIsTakenBeforeTheNextSliderChange)
{
    SetRgb(10, 20, 30);
    Type(Screen().numberBoxes[0], "3");
    EXPECT_EQ(window->Editor().ActiveEdit(), &Screen().numberBoxes[0]);
    MoveSlider(kGreenSliderId, 99);
    EXPECT_EQ(Sliders(), (RgbColor {3, 99, 30}));
    EXPECT_EQ(window->Editor().ActiveEdit(), nullptr);
}

TEST_F(ColorEditorTest, DecimalBoxesAreLimitedAsSoonAsTheKeyIsReleased)
{
    Type(Screen().numberBoxes[1], "300");
    EXPECT_EQ(Screen().numberBoxes[1].text(), "255");
    Type(Screen().numberBoxes[1], "77");
    QTest::keyClick(&Screen().numberBoxes[1], Qt::Key_Return);
    EXPECT_EQ(Screen().greenSlider.GetPos(), 77) << "Enter commits";
}

TEST_F(ColorEditorTest, HexBoxNormalisesAfterTheSixthCharacterAndAppliesOnEnter)
{
    Type(Screen().hexBox, "00ff8");
    EXPECT_EQ(Screen().hexBox.text(), "00ff8");
    QTest::keyClicks(&Screen().hexBox, "0");
    EXPECT_EQ(Screen().hexBox.text(), "00FF80");
    QTest::keyClick(&Screen().hexBox, Qt::Key_Return);
    EXPECT_EQ(Sliders(), (RgbColor {0, 255, 128}));
    EXPECT_EQ(window->EditedRecord()->colors[0], ToColorRef({0, 255, 128}));
}

TEST_F(ColorEditorTest, SwitchingBoxesCommitsTheFirstOne)
{
    SetRgb(1, 2, 3);
    Type(Screen().numberBoxes[2], "9");
    Click(Screen().hexBox);
    EXPECT_EQ(Sliders(), (RgbColor {1, 2, 9}));
    EXPECT_EQ(window->Editor().ActiveEdit(), &Screen().hexBox);
}

TEST_F(ColorEditorTest, SlotsAndPresetsChooseWhatTheViewsEdit)
{
    Click(Screen().colorSlots[3]);
    EXPECT_EQ(window->Editor().ActiveSlot(), 3);
    EXPECT_TRUE(Screen().colorSlots[3].GetChecked());
    EXPECT_EQ(ToColorRef(Sliders()), EffectInfo::DefaultColors()[3]);

    Click(Screen().presets[4]);
    EXPECT_EQ(Sliders(), (RgbColor {0, 0, 255}));
    EXPECT_EQ(Screen().colorSlots[3].GetColor(), ToColorRef({0, 0, 255}));
    EXPECT_EQ(window->EditedRecord()->colors[3], ToColorRef({0, 0, 255}));
    EXPECT_EQ(window->EditedRecord()->colors[0], EffectInfo::DefaultColors()[0]);
}

TEST_F(ColorEditorTest, UniformModeMovesAllEightColoursTogether)
{
    Click(Screen().colorSlots[5]);
    Click(Screen().uniformToggle);
    EXPECT_EQ(window->Editor().ActiveSlot(), 0);
    EXPECT_EQ(window->EditedRecord()->uniformColor, 1);
    for (uint32_t colour : window->EditedRecord()->colors)
        EXPECT_EQ(colour, EffectInfo::DefaultColors()[0]) << "slot 0's colour everywhere at once";
    EXPECT_FALSE(Screen().colorSlots[2].isEnabled());

    MoveSlider(kBlueSliderId, 77);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(window->EditedRecord()->colors[i], ToColorRef({255, 0, 77}));
        EXPECT_EQ(Screen().colorSlots[i].GetColor(), ToColorRef({255, 0, 77}));
    }
}

} // namespace
