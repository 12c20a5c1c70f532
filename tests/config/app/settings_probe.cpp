// Prints the first colour of the edited record of the saved settings (current
// profile, SSD category, record 1) as "red green blue", for tests that drive
// the real program from outside.

#include "settings/LightingSettings.h"

#include <QFile>

#include <cstdio>

int main()
{
    const QString path = SettingsPath();
    if (path.isEmpty() || !QFile::exists(path))
        return 1;
    LightingSettings settings;
    LoadSettings(settings, path);
    const auto colour = settings.Profile(settings.CurrentProfile).Category(1).records[1].colors[0];
    std::printf("%u %u %u\n", static_cast<unsigned>(colour & 0xFF), static_cast<unsigned>((colour >> 8) & 0xFF),
                static_cast<unsigned>((colour >> 16) & 0xFF));
    return 0;
}
