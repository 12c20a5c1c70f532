#include "settings/LightingSettings.h"

#include "framework/KeepAside.h"
#include "framework/PlatformPaths.h"
#include "settings/DiagnosticLog.h"
#include "settings/IniFile.h"

#include <QLocale>

#include <algorithm>
#include <string>

namespace {

constexpr const char *kSettingSection = "Setting";

std::string ProfileSection(int profile)
{
    return "Profile" + std::to_string(profile) + "Setting";
}

// Key names of the two categories: "Synchronize", "DevNum", "EffectInfo%d"
// and the same with "_SSD".
struct CategoryKeys
{
    const char *synchronize;
    const char *devNum;
    const char *recordPrefix;
};

constexpr CategoryKeys kCategoryKeys[kCategoryCount] = {
    {"Synchronize", "DevNum", "EffectInfo"},
    {"Synchronize_SSD", "DevNum_SSD", "EffectInfo_SSD"},
};

std::string RecordKey(int category, int index)
{
    return kCategoryKeys[category].recordPrefix + std::to_string(index);
}

int32_t AsFlag(int32_t value)
{
    return value != 0 ? 1 : 0;
}

void ClampRecord(EffectInfo &record)
{
    record.effectId = std::clamp(record.effectId, 0, kEffectCount - 1);
    record.colorCount = std::clamp(record.colorCount, 0, kEffectColorSlots);
    record.uniformColor = AsFlag(record.uniformColor);
    record.speed = std::clamp(record.speed, -2, 2);
    record.direction = std::clamp(record.direction, 0, 1);
}

EffectInfo ReadRecord(const IniFile &ini, const std::string &section, const std::string &key)
{
    std::array<uint8_t, kEffectInfoBytes> bytes {};
    if (!ini.ReadStruct(section, key, bytes.data(), bytes.size()))
        return EffectInfo {};
    return EffectInfoFromBytes(bytes);
}

void WriteRecord(IniFile &ini, const std::string &section, const std::string &key, const EffectInfo &record)
{
    const auto bytes = EffectInfoToBytes(record);
    ini.WriteStruct(section, key, bytes.data(), bytes.size());
}

bool RecordsMatch(const EffectInfo &a, const EffectInfo &b)
{
    if (a.effectId != b.effectId || a.uniformColor != b.uniformColor || a.speed != b.speed
        || a.direction != b.direction)
        return false;
    const int compared = std::clamp(a.colorCount, 0, kEffectColorSlots);
    return std::equal(a.colors.begin(), a.colors.begin() + compared, b.colors.begin());
}

// Names for an unreadable file kept aside: "<path>.unreadable",
// "<path>.unreadable-2", ...
QString KeptAsideName(const QString &path, int n)
{
    QString name = path + QStringLiteral(".unreadable");
    if (n > 1)
        name += QStringLiteral("-%1").arg(n);
    return name;
}

constexpr int kMaxKeptAsideNames = 100;

} // namespace

bool SystemLanguageIsChinesePrc()
{
    const QLocale system = QLocale::system();
    return system.language() == QLocale::Chinese && system.territory() == QLocale::China;
}

void ResetSettings(LightingSettings &settings)
{
    settings = LightingSettings {};
    settings.lan_id = SystemLanguageIsChinesePrc() ? 1 : 0;
}

void ClampSettings(LightingSettings &settings)
{
    settings.CurrentProfile = std::clamp(settings.CurrentProfile, 0, kProfileCount - 1);
    for (ProfileSettings &profile : settings.profiles) {
        for (CategorySettings &category : profile.categories) {
            category.synchronize = AsFlag(category.synchronize);
            category.devNum = std::clamp(category.devNum, 0, kMaxDevicesPerCategory);
            for (EffectInfo &record : category.records)
                ClampRecord(record);
        }
    }
}

SettingsFileState ReadSettings(LightingSettings &settings, const QString &path)
{
    const IniFile ini(path);
    if (ini.State() != IniFile::FileState::Readable) {
        ResetSettings(settings);
        return ini.State() == IniFile::FileState::Missing ? SettingsFileState::Missing : SettingsFileState::Unreadable;
    }
    settings.Show_TrayIcon = ini.ReadInt(kSettingSection, "Show_TrayIcon", 1);
    settings.Show_OSD = ini.ReadInt(kSettingSection, "Show_OSD", 1);
    settings.lan_id = ini.ReadInt(kSettingSection, "lan_id", 0);
    settings.led_sw = ini.ReadInt(kSettingSection, "led_sw", 1);
    settings.CurrentProfile = ini.ReadInt(kSettingSection, "CurrentProfile", 0);
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string section = ProfileSection(p);
        for (int c = 0; c < kCategoryCount; ++c) {
            CategorySettings &category = settings.Profile(p).Category(c);
            category.synchronize = ini.ReadInt(section, kCategoryKeys[c].synchronize, 1);
            category.devNum = ini.ReadInt(section, kCategoryKeys[c].devNum, 2);
            for (int r = 0; r < kRecordsPerCategory; ++r)
                category.records[static_cast<std::size_t>(r)] = ReadRecord(ini, section, RecordKey(c, r));
        }
    }
    ClampSettings(settings);
    return SettingsFileState::Loaded;
}

void LoadSettings(LightingSettings &settings, const QString &path)
{
    if (ReadSettings(settings, path) == SettingsFileState::Missing)
        SaveSettings(settings, path);
}

bool SaveSettings(const LightingSettings &settings, const QString &path, QString *reason, QString *keptAside)
{
    if (path.isEmpty()) {
        if (reason)
            *reason = QStringLiteral("no home folder is known for this user");
        return false;
    }
    IniFile ini(path);
    if (ini.State() == IniFile::FileState::Unreadable) {
        // Whatever the user had there is kept before a clean file replaces it.
        const KeptAside kept = KeepFileAside(path, KeptAsideName, kMaxKeptAsideNames);
        if (kept.path.isEmpty()) {
            if (reason)
                *reason = QStringLiteral("the unreadable file could not be kept aside before being replaced (%1)")
                              .arg(kept.error);
            WriteLog(QStringLiteral("SaveSettings - unreadable file not replaced, it could not be kept aside - %1 - %2")
                         .arg(path, kept.error));
            return false;
        }
        if (!kept.earlier) {
            WriteLog(QStringLiteral("SaveSettings - unreadable file kept as %1").arg(kept.path));
            if (keptAside)
                *keptAside = kept.path;
        }
        ini.StartAfresh();
    }
    ini.WriteInt(kSettingSection, "Show_TrayIcon", settings.Show_TrayIcon);
    ini.WriteInt(kSettingSection, "Show_OSD", settings.Show_OSD);
    ini.WriteInt(kSettingSection, "lan_id", settings.lan_id);
    ini.WriteInt(kSettingSection, "led_sw", settings.led_sw);
    ini.WriteInt(kSettingSection, "CurrentProfile", settings.CurrentProfile);
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string section = ProfileSection(p);
        for (int c = 0; c < kCategoryCount; ++c) {
            const CategorySettings &category = settings.Profile(p).Category(c);
            ini.WriteInt(section, kCategoryKeys[c].synchronize, category.synchronize);
            ini.WriteInt(section, kCategoryKeys[c].devNum, category.devNum);
            for (int r = 0; r < kRecordsPerCategory; ++r)
                WriteRecord(ini, section, RecordKey(c, r), category.records[static_cast<std::size_t>(r)]);
        }
    }
    return ini.Flush(reason);
}

bool ProfileMatches(const ProfileSettings &profile, const ProfileSettings &savedProfile)
{
    for (int c = 0; c < kCategoryCount; ++c) {
        const CategorySettings &mine = profile.Category(c);
        const CategorySettings &saved = savedProfile.Category(c);
        if (mine.synchronize != saved.synchronize)
            return false;
        const int last = std::clamp(mine.devNum, 0, kMaxDevicesPerCategory);
        for (int r = 0; r <= last; ++r)
            if (!RecordsMatch(mine.records[static_cast<std::size_t>(r)], saved.records[static_cast<std::size_t>(r)]))
                return false;
    }
    return true;
}

QString SettingsPath()
{
    const QString configHome = PlatformPaths::ConfigHome();
    if (configHome.isEmpty())
        return {};
    return configHome + QStringLiteral("/Zarvik/Zarvik RGB Software/config");
}
