#include "TerminalPreview.h"

#include "LightingReport.h"
#include "settings/EffectAnimation.h"

namespace {

const QString kBlock = QStringLiteral("\u2588\u2588");
const QString kReset = QStringLiteral("\x1b[0m");
const QString kClearToEnd = QStringLiteral("\x1b[K");

} // namespace

std::vector<PreviewDevice> PreviewDevices(const LightingSettings &settings)
{
    LightingSettings safe = settings;
    ClampSettings(safe);
    std::vector<PreviewDevice> devices;
    const ProfileSettings &profile = safe.Profile(safe.CurrentProfile);
    for (int c = 0; c < kCategoryCount; ++c) {
        const CategorySettings &category = profile.Category(c);
        for (int device = 1; device <= category.devNum; ++device)
            devices.push_back({QStringLiteral("%1 device %2").arg(CategoryName(c)).arg(device),
                               category.records[static_cast<std::size_t>(ShownRecordIndex(category, device))]});
    }
    return devices;
}

QString PreviewLine(const QString &label, const std::vector<uint32_t> &colours)
{
    QString line = label + QStringLiteral(" ");
    for (const uint32_t colour : colours)
        line += QStringLiteral("\x1b[38;2;%1;%2;%3m")
                    .arg(colour & 0xFF)
                    .arg((colour >> 8) & 0xFF)
                    .arg((colour >> 16) & 0xFF)
            + kBlock;
    return line + kReset;
}

QString PreviewFrame(const std::vector<PreviewDevice> &devices, bool ledOn, int ledCount, int64_t timeMs,
                     int previousLines)
{
    QString frame;
    if (previousLines > 0)
        frame += QStringLiteral("\x1b[%1A\r").arg(previousLines);
    if (devices.empty())
        return frame + QStringLiteral("no devices") + kClearToEnd + QStringLiteral("\n");
    for (const PreviewDevice &device : devices)
        frame += PreviewLine(device.label, EffectFrame(device.record, ledOn, ledCount, timeMs)) + kClearToEnd
            + QStringLiteral("\n");
    return frame;
}
