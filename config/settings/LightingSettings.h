#pragma once
// The whole lighting state kept in the settings file: four profiles, each with
// the records of two device categories, and a few program-wide values.

#include "settings/EffectInfo.h"

#include <QString>

#include <array>
#include <cstdint>

constexpr int kProfileCount = 4;
constexpr int kCategoryCount = 2; // 0: keys without suffix, 1: SSDs ("_SSD" keys)
// Categories 0 and 1 keep records in the settings; the window offers buttons
// for up to four categories, and the others bind nothing.
constexpr bool HasStoredRecords(int category)
{
    return category >= 0 && category < kCategoryCount;
}
constexpr int kRecordsPerCategory = 17; // record 0: all devices, k: device k
constexpr int kMaxDevicesPerCategory = kRecordsPerCategory - 1;
constexpr int kEffectCount = 15; // effect numbers 0..14

// One half of a profile: the "Synchronize", "DevNum" and "EffectInfo%d" keys
// of category 0, or their "_SSD" counterparts of category 1.
struct CategorySettings
{
    int32_t synchronize = 1; // 1: every device follows record 0
    int32_t devNum = 2; // device count, 0..16
    std::array<EffectInfo, kRecordsPerCategory> records {};

    bool operator==(const CategorySettings &) const = default;
};

struct ProfileSettings
{
    std::array<CategorySettings, kCategoryCount> categories {};

    CategorySettings &Category(int category) { return categories.at(static_cast<std::size_t>(category)); }
    const CategorySettings &Category(int category) const { return categories.at(static_cast<std::size_t>(category)); }

    bool operator==(const ProfileSettings &) const = default;
};

struct LightingSettings
{
    int32_t lan_id = 0; // 1: Chinese skin file, anything else: English
    int32_t Show_TrayIcon = 1; // kept and written, not used by Config
    int32_t Show_OSD = 1; // kept and written, not used by Config
    int32_t led_sw = 1; // 0: lighting off, anything else: on
    int32_t CurrentProfile = 0; // 0..3
    std::array<ProfileSettings, kProfileCount> profiles {};

    ProfileSettings &Profile(int profile) { return profiles.at(static_cast<std::size_t>(profile)); }
    const ProfileSettings &Profile(int profile) const { return profiles.at(static_cast<std::size_t>(profile)); }
    ProfileSettings &CurrentProfileSettings() { return Profile(CurrentProfile); }

    bool operator==(const LightingSettings &) const = default;
};

// First-run defaults; `lan_id` follows the system language.
void ResetSettings(LightingSettings &settings);

enum class SettingsFileState {
    Loaded, // the file was read
    Missing, // no file: the first-run defaults apply
    Unreadable, // not a settings file (too large, or not one section in it) or
    // not readable at all: the first-run defaults apply
};

// Fills `settings` from the file at `path` without ever writing it. The one
// reading rule of Config and the agent: every value read is brought into its
// range; a record that is missing or fails its length or checksum test loads
// as the default one; a missing or unreadable file gives the first-run
// defaults.
SettingsFileState ReadSettings(LightingSettings &settings, const QString &path);

// Fills `settings` from the file at `path`. Without a file, the first-run
// defaults are taken and written to `path` at once. Every value read is
// brought into its range before anyone can use it as an index; a record that
// is missing or fails its length or checksum test loads as the default one.
void LoadSettings(LightingSettings &settings, const QString &path);

// Writes every key of the state, in the file's key order and encoding,
// keeping any other section, key and comment of an existing file. An
// unreadable file is first kept aside under the first free name of
// "<file>.unreadable", "<file>.unreadable-2", ... (never copied; <file> is
// `path` with its links followed: see
// framework/KeepAside.h) and then replaced by a clean one; `keptAside` (when
// given) receives that name the first time the file is kept. True when the
// whole file was written; on failure the previous file is left as it was and
// `reason` (when given) says why.
bool SaveSettings(const LightingSettings &settings, const QString &path, QString *reason = nullptr,
                  QString *keptAside = nullptr);

// The unsaved-change test for a profile switch.
bool ProfileMatches(const ProfileSettings &profile, const ProfileSettings &savedProfile);

// Brings every value into its range (see LoadSettings).
void ClampSettings(LightingSettings &settings);

// True when the system language is Chinese (PRC).
bool SystemLanguageIsChinesePrc();

// The settings file below the per-user configuration folder; empty when that
// folder is unknown.
QString SettingsPath();
// The folder chain below the per-user configuration folder that holds it.
inline constexpr const char *kSettingsFolderChain = "/Zarvik/Zarvik RGB Software/";
