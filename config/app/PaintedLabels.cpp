#include "app/PaintedLabels.h"

#include "app/EffectCapabilities.h"
#include "skin/SkinEntry.h"

PaintedLabel::PaintedLabel(QWidget *parent)
    : CWnd(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void PaintedLabels::Build(QWidget *window)
{
    labels.clear();
    when.clear();
    effectTitle = nullptr;
    const struct
    {
        const char *section;
        const char *key;
        Shown shown;
    } painted[] = {
        {"MAIN_TEXT", "1", Shown::Always},     {"MAIN_TEXT", "2", Shown::Always},
        {"MAIN_TEXT", "3", Shown::Always},     {"LED_TEXT", "1", Shown::Always},
        {"LED_TEXT", "2", Shown::Always},      {"LED_TEXT", "3", Shown::WithColour},
        {"LED_TEXT", "5", Shown::WithColour},  {"LED_TEXT", "7", Shown::WithColour},
        {"LED_TEXT", "8", Shown::WithColour},  {"LED_TEXT", "9", Shown::WithColour},
        {"LED_TEXT", "10", Shown::WithColour}, {"LED_TEXT", "11", Shown::WithColour},
        {"LED_TEXT", "12", Shown::WithColour}, {"LED_TEXT", "16", Shown::WithColour},
        {"LED_TEXT", "4", Shown::WithSpeed},   {"LED_TEXT", "6", Shown::WithDirection},
    };
    for (const auto &entry : painted) {
        const SkinEntry skin
            = ReadSkinEntry(QString::fromLatin1(entry.section), QString::fromLatin1(entry.key), SkinEntryUse::Drawing);
        const bool isTitle = QLatin1String(entry.section) == QLatin1String("LED_TEXT")
            && QLatin1String(entry.key) == QLatin1String("2");
        if (skin.rect.IsEmpty() || (skin.text.isEmpty() && !isTitle))
            continue;
        auto label = std::make_unique<PaintedLabel>(window);
        label->CreateWnd(window, skin.rect.ToQRect(), 0, false);
        label->setAccessibleName(skin.text);
        label->lower(); // under the controls
        if (isTitle)
            effectTitle = label.get();
        labels.push_back(std::move(label));
        when.push_back(entry.shown);
    }
}

void PaintedLabels::Sync(int effect, const QString &effectName)
{
    const EffectCapability capability = CapabilityOf(effect);
    if (effectTitle != nullptr)
        effectTitle->setAccessibleName(effectName);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const bool shown = when[i] == Shown::Always || (when[i] == Shown::WithColour && capability.colour)
            || (when[i] == Shown::WithSpeed && capability.speed)
            || (when[i] == Shown::WithDirection && capability.direction);
        labels[i]->setVisible(shown);
    }
}
