// Any bytes as a settings file: reading, range limits, rewriting and the
// record decoder must neither crash nor trip a sanitizer, and whatever is
// read must already be in range.

#include "settings/IniFile.h"
#include "settings/LightingSettings.h"

#include <QByteArray>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    IniFile ini = IniFile::FromText(text);

    std::array<uint8_t, kEffectInfoBytes> bytes {};
    ini.ReadStruct("Profile0Setting", "EffectInfo0", bytes.data(), bytes.size());
    DecodeStructValue(std::string_view(text.constData(), static_cast<size_t>(text.size())), bytes.data(), bytes.size());
    ini.ReadInt("Setting", "CurrentProfile", 0);

    ini.WriteInt("Setting", "led_sw", 1);
    ini.WriteStruct("Profile3Setting", "EffectInfo_SSD16", bytes.data(), bytes.size());
    const QByteArray rewritten = ini.ToText();

    // The rewritten text reads back the values just written.
    const IniFile again = IniFile::FromText(rewritten);
    if (again.ReadInt("Setting", "led_sw", 0) != 1)
        std::abort();

    LightingSettings settings;
    EffectInfo record = EffectInfoFromBytes(bytes);
    settings.Profile(0).Category(0).records[0] = record;
    settings.CurrentProfile = static_cast<int32_t>(size);
    ClampSettings(settings);
    if (settings.CurrentProfile < 0 || settings.CurrentProfile > 3
        || settings.Profile(0).Category(0).records[0].effectId > 14)
        std::abort();
    return 0;
}
