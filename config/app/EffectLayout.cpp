#include "app/EffectLayout.h"

#include "app/EffectCapabilities.h"
#include "controls/ControlSupport.h"
#include "framework/PlatformPaths.h"
#include "settings/EffectInfo.h"
#include "settings/LightingSettings.h"
#include "app/MainScreen.h"
#include "skin/SkinDrawing.h"

#include <QPainter>

#include <algorithm>

void ApplyEffectLayout(MainScreen &screen, int effect, const EffectInfo &record, QWidget &window)
{
    const EffectCapability capability = CapabilityOf(effect);

    QWidget *colourControls[] = {
        &screen.uniformToggle,  &screen.hueRing,        &screen.saturationSlider, &screen.valueSlider,
        &screen.hexBox,         &screen.redSlider,      &screen.greenSlider,      &screen.blueSlider,
        &screen.numberBoxes[0], &screen.numberBoxes[1], &screen.numberBoxes[2],
    };
    for (QWidget *control : colourControls)
        control->setVisible(capability.colour);
    for (CColorBtn2 &preset : screen.presets)
        preset.setVisible(capability.colour);

    screen.speedSlider.setVisible(capability.speed);
    for (CPngListBtn &button : screen.directionButtons)
        button.setVisible(capability.direction);

    for (int i = 0; i < kEffectColorSlots; ++i)
        screen.colorSlots[static_cast<std::size_t>(i)].setVisible(capability.colour && i < record.colorCount);

    if (IsSingleColourEffect(effect)) {
        screen.colorSlots[0].show();
        screen.uniformToggle.hide();
        for (int i = 1; i < kEffectColorSlots; ++i)
            screen.colorSlots[static_cast<std::size_t>(i)].hide();
    }

    // The face shows the labels and the ring's picture by the effect. The
    // ring control is masked to its band, so hiding or showing it repaints
    // the band alone: the well in its middle is repainted here.
    window.update(screen.textRegion);
    const QRect ring = screen.hueRing.geometry();
    window.update(ring.united(QRect(ring.topLeft(), screen.hueRing.GetRingImage().Size())));
}

void LayoutEffectList(MainScreen &screen, int first)
{
    first = std::clamp(first, 0, kLastEffectListOffset);
    screen.effectButtons[0].setGeometry(QRect());
    const QRect firstRow = screen.effectRowRect.ToQRect();
    for (int effect = 1; effect < kEffectCount; ++effect) {
        const int row = effect - first - 1;
        CPngListBtn &button = screen.effectButtons[static_cast<std::size_t>(effect)];
        if (row >= 0 && row < kVisibleEffectRows)
            button.setGeometry(firstRow.translated(0, kEffectRowPitch * row));
        else
            button.setGeometry(QRect());
    }
}

int EffectListOffsetFor(int effectId)
{
    return effectId > kVisibleEffectRows ? effectId - kVisibleEffectRows : 0;
}

void PaintMainWindow(QPainter &painter, const MainScreen &screen, int currentEffect, const QString &effectName)
{
    BlendBitmap(painter, 0, 0, screen.background);

    const QString baseFolder = PlatformPaths::ApplicationDirectory();
    DrawSkinPicture(QStringLiteral("MAINPIC"), QStringLiteral("1"), painter, baseFolder);
    DrawSkinPicture(QStringLiteral("MAINPIC"), QStringLiteral("2"), painter, baseFolder);

    // What the ring's picture has in its open middle shows only with the ring.
    const EffectCapability capability = CapabilityOf(currentEffect);
    const Bitmap &ring = screen.hueRing.GetRingImage();
    if (capability.colour && !ring.IsEmpty())
        BlendBitmap(painter, screen.hueRing.geometry().x(), screen.hueRing.geometry().y(), ring);

    painter.setFont(MakeSkinFont(15, 500));
    painter.setPen(Qt::white);
    painter.setBackgroundMode(Qt::TransparentMode);

    const QString mainText = QStringLiteral("MAIN_TEXT");
    const int centred = kTextWordBreak | kTextCentre;
    const int left = kTextWordBreak;
    DrawSkinText(mainText, QStringLiteral("VER"), painter, QString::fromLatin1(kProgramVersion), centred);
    for (const char *key : {"1", "2", "3"})
        DrawSkinText(mainText, QString::fromLatin1(key), painter, QString(), centred);

    const QString ledText = QStringLiteral("LED_TEXT");
    DrawSkinText(ledText, QStringLiteral("2"), painter, effectName, left);
    DrawSkinText(ledText, QStringLiteral("1"), painter, QString(), left);

    if (capability.colour)
        for (const char *key : {"3", "5", "7", "8", "9", "10", "11", "12", "16"})
            DrawSkinText(ledText, QString::fromLatin1(key), painter, QString(), left);
    if (capability.speed)
        DrawSkinText(ledText, QStringLiteral("4"), painter, QString(), left);
    if (capability.direction)
        DrawSkinText(ledText, QStringLiteral("6"), painter, QString(), left);
}
