#include "LightingReport.h"

#include <algorithm>

namespace {

const char *const kCategoryNames[kCategoryCount] = {"category 0", "category 1 (SSD)"};

QString ColourText(uint32_t colour)
{
    return QStringLiteral("(%1,%2,%3)").arg(colour & 0xFF).arg((colour >> 8) & 0xFF).arg((colour >> 16) & 0xFF);
}

} // namespace

SettingsRead ReadSettingsWithoutWriting(const QString &path, LightingSettings &settings)
{
    // Config's own reader: one size limit and one rule for what a readable
    // file is. It reads the file once into memory and never writes it.
    switch (ReadSettings(settings, path)) {
    case SettingsFileState::Loaded:
        return SettingsRead::Loaded;
    case SettingsFileState::Missing:
        return SettingsRead::Missing;
    case SettingsFileState::Unreadable:
        break;
    }
    return SettingsRead::Unreadable;
}

QString DescribeRecord(const EffectInfo &record)
{
    QStringList colours;
    for (int i = 0; i < record.colorCount && i < kEffectColorSlots; ++i)
        colours << ColourText(record.colors[static_cast<std::size_t>(record.uniformColor ? 0 : i)]);
    return QStringLiteral("effect %1, colours %2, speed %3, direction %4")
        .arg(record.effectId)
        .arg(colours.isEmpty() ? QStringLiteral("none") : colours.join(QLatin1Char(' ')))
        .arg(record.speed)
        .arg(record.direction);
}

QStringList DescribeLighting(const LightingSettings &settings)
{
    LightingSettings safe = settings;
    ClampSettings(safe);

    QStringList lines;
    lines << QStringLiteral("LED switch: %1").arg(safe.led_sw != 0 ? QStringLiteral("on") : QStringLiteral("off"));
    lines << QStringLiteral("current profile: %1").arg(safe.CurrentProfile);
    const ProfileSettings &profile = safe.Profile(safe.CurrentProfile);
    for (int c = 0; c < kCategoryCount; ++c) {
        const CategorySettings &category = profile.Category(c);
        lines << QStringLiteral("%1: synchronise %2, devices %3")
                     .arg(CategoryName(c))
                     .arg(category.synchronize)
                     .arg(category.devNum);
        if (category.devNum == 0)
            lines << QStringLiteral("  no devices");
        for (int device = 1; device <= category.devNum; ++device) {
            const int record = ShownRecordIndex(category, device);
            lines << QStringLiteral("  device %1: record %2, %3")
                         .arg(device)
                         .arg(record)
                         .arg(DescribeRecord(category.records[static_cast<std::size_t>(record)]));
        }
    }
    return lines;
}

int ShownRecordIndex(const CategorySettings &category, int device)
{
    return category.synchronize && category.devNum > 1 ? 0 : std::clamp(device, 0, kMaxDevicesPerCategory);
}

QString CategoryName(int category)
{
    return category >= 0 && category < kCategoryCount ? QLatin1String(kCategoryNames[category]) : QString();
}
