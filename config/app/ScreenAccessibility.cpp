#include "app/ScreenAccessibility.h"

#include "app/MainScreen.h"
#include "framework/FocusRing.h"
#include "skin/SkinEntry.h"
#include "skin/SkinFile.h"

#include <QAccessible>

namespace {

QString AccessibleText(const QString &key, const QString &fallback)
{
    const QString text = ReadSkinString(QStringLiteral("ACCESSIBLE"), key);
    return text.isEmpty() ? fallback : text;
}

QString LabelText(const QString &section, int key)
{
    return ReadSkinEntry(section, QString::number(key), SkinEntryUse::Drawing).text;
}

QString LedLabel(int key)
{
    return LabelText(QStringLiteral("LED_TEXT"), key);
}

// The swatches' name templates with their number filled in.
template <std::size_t N>
void NameSwatches(std::array<CColorBtn2, N> &swatches, const QString &nameTemplate)
{
    for (std::size_t i = 0; i < N; ++i) {
        QString name = nameTemplate;
        if (name.contains(QLatin1String("%1")))
            name = name.arg(static_cast<int>(i + 1));
        swatches[i].SetAccessibleNameTemplate(name);
    }
}

} // namespace

void DescribeScreenForAccessibility(MainScreen &screen)
{
    screen.minimiseButton.setAccessibleName(AccessibleText(QStringLiteral("MINIMISE"), QStringLiteral("Minimise")));
    screen.closeButton.setAccessibleName(AccessibleText(QStringLiteral("CLOSE"), QStringLiteral("Close")));
    screen.languageButton.setAccessibleName(AccessibleText(QStringLiteral("LANGUAGE"), QStringLiteral("Language")));

    const QString profile = LabelText(QStringLiteral("MAIN_TEXT"), 2);
    for (CPngListBtn &button : screen.profileButtons) {
        button.SetAccessibleRole(QAccessible::RadioButton);
        button.setAccessibleName(profile.isEmpty() ? button.GetCaption() : profile + u' ' + button.GetCaption());
    }
    for (CPngListBtn *button : {&screen.ledOnButton, &screen.ledOffButton})
        button->SetAccessibleRole(QAccessible::RadioButton);
    for (CPngListBtn &button : screen.effectButtons)
        button.SetAccessibleRole(QAccessible::RadioButton);
    for (CPngListBtn &button : screen.directionButtons)
        button.SetAccessibleRole(QAccessible::RadioButton);
    for (CColorBtn2 &slot : screen.colorSlots)
        slot.SetAccessibleRole(QAccessible::RadioButton);
    screen.uniformToggle.SetAccessibleRole(QAccessible::CheckBox);
    screen.uniformToggle.setAccessibleName(LedLabel(16));

    NameSwatches(screen.colorSlots,
                 AccessibleText(QStringLiteral("SLOT"), QStringLiteral("Colour %1: red %2, green %3, blue %4")));
    NameSwatches(screen.presets,
                 AccessibleText(QStringLiteral("PRESET"), QStringLiteral("Preset %1: red %2, green %3, blue %4")));

    screen.effectListScroll.SetAccessibleRole(QAccessible::ScrollBar);
    screen.effectListScroll.setAccessibleName(LedLabel(1));
    const struct
    {
        QWidget *control;
        int label;
    } labelled[] = {{&screen.redSlider, 7},         {&screen.greenSlider, 8},    {&screen.blueSlider, 9},
                    {&screen.numberBoxes[0], 7},    {&screen.numberBoxes[1], 8}, {&screen.numberBoxes[2], 9},
                    {&screen.saturationSlider, 10}, {&screen.valueSlider, 11},   {&screen.hexBox, 12},
                    {&screen.speedSlider, 4}};
    for (const auto &item : labelled)
        item.control->setAccessibleName(LedLabel(item.label));
    screen.hueRing.setAccessibleName(AccessibleText(QStringLiteral("HUE"), QStringLiteral("Hue")));
}

void DescribeMenuForAccessibility(CPngBtnMenu &menu)
{
    menu.setAccessibleName(AccessibleText(QStringLiteral("DEVICES"), LabelText(QStringLiteral("MAIN_TEXT"), 3)));
}

void ApplySkinFocusRing()
{
    FocusRingStyle style;
    const QString colour = ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FOCUSCOLOR"));
    if (QColor::isValidColorName(colour))
        style.colour = QColor::fromString(colour);
    bool ok = false;
    const int width = ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FOCUSWIDTH")).toInt(&ok);
    if (ok)
        style.width = width;
    SetFocusRingStyle(style);
}
