#include "settings/IniFile.h"
#include "settings/LightingSettings.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <functional>

namespace {

constexpr const char *kDefaultRecordText = "01000000010000000800000000000000FF000000FFFF000000FF000000FFFF000000FF00FF0"
                                           "0FF00FF7800007D007D00000000000000000072";

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

// The first-run file, line by line, as the key table lays it out.
QStringList FirstRunLines(int lanId)
{
    QStringList lines = {"[Setting]", "Show_TrayIcon=1", "Show_OSD=1", QString("lan_id=%1").arg(lanId),
                         "led_sw=1",  "CurrentProfile=0"};
    for (int p = 0; p < 4; ++p) {
        lines << QString("[Profile%1Setting]").arg(p);
        for (const QString suffix : {"", "_SSD"}) {
            lines << "Synchronize" + suffix + "=1"
                  << "DevNum" + suffix + "=2";
            for (int r = 0; r <= 16; ++r)
                lines << QString("EffectInfo%1%2=%3").arg(suffix).arg(r).arg(kDefaultRecordText);
        }
    }
    return lines;
}

class SettingsFileTest : public ::testing::Test
{
protected:
    QString Path() const { return dir.path() + "/config"; }

    LightingSettings Load()
    {
        LightingSettings settings;
        LoadSettings(settings, Path());
        return settings;
    }

    QTemporaryDir dir;
};

TEST_F(SettingsFileTest, FirstRunWritesTheCompleteDefaultFile)
{
    const LightingSettings settings = Load();
    const int lanId = SystemLanguageIsChinesePrc() ? 1 : 0;
    EXPECT_EQ(settings.lan_id, lanId);

    const QByteArray text = ReadAll(Path());
    ASSERT_TRUE(text.endsWith("\r\n"));
    EXPECT_EQ(text.count("\r\n"), text.count('\n')) << "every line ends in CR LF";
    const QStringList lines = QString::fromLatin1(text).split("\r\n", Qt::SkipEmptyParts);
    const QStringList expected = FirstRunLines(lanId);
    ASSERT_EQ(lines.size(), expected.size());
    EXPECT_EQ(lines.size(), 5 + 157);
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i;

    LightingSettings defaults;
    ResetSettings(defaults);
    EXPECT_EQ(settings, defaults);
}

TEST_F(SettingsFileTest, SavingTwiceRewritesTheSameBytesAndLoadsBackEqual)
{
    LightingSettings settings = Load();
    settings.CurrentProfile = 2;
    settings.led_sw = 0;
    settings.Profile(2).Category(1).records[5].speed = -2;
    settings.Profile(3).Category(0).synchronize = 0;
    ASSERT_TRUE(SaveSettings(settings, Path()));
    const QByteArray first = ReadAll(Path());
    ASSERT_TRUE(SaveSettings(settings, Path()));
    EXPECT_EQ(ReadAll(Path()), first);
    EXPECT_EQ(Load(), settings);
}

QByteArray AsUtf16LeWithMark(const QString &text)
{
    return QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

TEST_F(SettingsFileTest, Utf16FileReadsAndStaysUtf16AfterASave)
{
    // The file as the platform's functions write it after a user's changes.
    QStringList lines = FirstRunLines(0);
    lines.replaceInStrings("led_sw=1", "led_sw=0").replaceInStrings("DevNum_SSD=2", "DevNum_SSD=3");
    WriteAll(Path(), AsUtf16LeWithMark(lines.join("\r\n") + "\r\n"));

    LightingSettings settings = Load();
    EXPECT_EQ(settings.led_sw, 0);
    EXPECT_EQ(settings.Profile(3).Category(1).devNum, 3);

    settings.CurrentProfile = 2;
    ASSERT_TRUE(SaveSettings(settings, Path()));
    lines.replaceInStrings("CurrentProfile=0", "CurrentProfile=2");
    EXPECT_EQ(ReadAll(Path()), AsUtf16LeWithMark(lines.join("\r\n") + "\r\n"));
    EXPECT_EQ(Load(), settings);
}

ino_t InodeOf(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Runs `save` under a file size limit that fails every write.
bool SaveUnderATinyFileSizeLimit(const std::function<bool()> &save)
{
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = saved;
    tiny.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &tiny);
    const bool done = save();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    return done;
}

TEST_F(SettingsFileTest, UnreadableFileIsKeptAsideUnderAFreeNameAndReplacedByACleanOne)
{
    QByteArray oversized("[Setting]\r\nled_sw=0\r\n");
    oversized.resize(IniFile::kMaxFileBytes + 1, 'x');
    static constexpr char kBinaryDamage[] = "\x00\x01"
                                            "binary damage\xFF";
    const QByteArray cases[] = {QByteArray(kBinaryDamage, sizeof kBinaryDamage - 1), "led_sw=0\r\n", oversized};
    for (const QByteArray &content : cases) {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        WriteAll(Path(), content);
        const ino_t original = InodeOf(Path());
        LightingSettings settings;
        EXPECT_EQ(ReadSettings(settings, Path()), SettingsFileState::Unreadable);
        EXPECT_EQ(settings.led_sw, 1) << "the defaults apply";

        QString kept;
        ASSERT_TRUE(SaveSettings(settings, Path(), nullptr, &kept));
        EXPECT_EQ(kept, Path() + ".unreadable");
        EXPECT_EQ(InodeOf(kept), original) << "the file itself is kept, not a copy";
        EXPECT_EQ(ReadAll(kept), content);
        EXPECT_EQ(QString::fromLatin1(ReadAll(Path())).split("\r\n", Qt::SkipEmptyParts),
                  FirstRunLines(settings.lan_id));

        // A second unreadable file overwrites neither the first one nor a
        // file of another program that took the next name.
        WriteAll(Path() + ".unreadable-2", "taken");
        WriteAll(Path(), content);
        ASSERT_TRUE(SaveSettings(settings, Path(), nullptr, &kept));
        EXPECT_EQ(kept, Path() + ".unreadable-3");
        EXPECT_EQ(ReadAll(kept), content);
        EXPECT_EQ(ReadAll(Path() + ".unreadable-2"), "taken");
        EXPECT_EQ(ReadAll(Path() + ".unreadable"), content);
    }
}

TEST_F(SettingsFileTest, UnreadableFileIsKeptOnceAcrossAFailedSave)
{
    WriteAll(Path(), "not a settings file");
    LightingSettings settings;
    ResetSettings(settings);
    QString kept;
    EXPECT_FALSE(SaveUnderATinyFileSizeLimit([&] { return SaveSettings(settings, Path(), nullptr, &kept); }));
    EXPECT_EQ(kept, Path() + ".unreadable");
    EXPECT_EQ(ReadAll(Path()), "not a settings file");

    kept.clear();
    ASSERT_TRUE(SaveSettings(settings, Path(), nullptr, &kept));
    EXPECT_TRUE(kept.isEmpty()) << "already kept: " << kept.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList {"config", "config.unreadable"}));
    EXPECT_EQ(ReadAll(Path() + ".unreadable"), "not a settings file");
}

TEST_F(SettingsFileTest, UnreadableFileBehindALinkIsKeptBesideItself)
{
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/dotfiles"));
    const QString target = dir.path() + "/dotfiles/zarvik";
    WriteAll(target, "not a settings file");
    ASSERT_TRUE(QFile::link(target, Path()));
    LightingSettings settings;
    ResetSettings(settings);
    QString kept;
    ASSERT_TRUE(SaveSettings(settings, Path(), nullptr, &kept));
    EXPECT_EQ(kept, target + ".unreadable");
    EXPECT_EQ(ReadAll(kept), "not a settings file");
    EXPECT_EQ(ReadSettings(settings, Path()), SettingsFileState::Loaded);
}

TEST_F(SettingsFileTest, DamagedRecordLoadsAsDefaultAndTheRestAsWritten)
{
    LightingSettings written = Load();
    for (auto &record : written.Profile(1).Category(0).records)
        record.effectId = 5;
    ASSERT_TRUE(SaveSettings(written, Path()));
    const QByteArray original = ReadAll(Path());

    const QByteArray key = "[Profile1Setting]";
    const QByteArray recordKey = "EffectInfo3=";
    const qsizetype at = original.indexOf(recordKey, original.indexOf(key)) + recordKey.size();
    const QByteArray value = original.mid(at, 114);

    QByteArray wrongSum = value;
    wrongSum[113] = wrongSum[113] == '0' ? '1' : '0';
    QByteArray notHex = value;
    notHex[20] = 'Z';
    for (const QByteArray &damaged : {value.left(112), notHex, wrongSum}) {
        QByteArray text = original;
        text.replace(at, 114, damaged);
        WriteAll(Path(), text);
        const LightingSettings loaded = Load();
        EXPECT_EQ(loaded.Profile(1).Category(0).records[3], EffectInfo {}) << damaged.constData();
        LightingSettings expected = written;
        expected.Profile(1).Category(0).records[3] = EffectInfo {};
        EXPECT_EQ(loaded, expected);
    }
}

TEST_F(SettingsFileTest, ForeignKeysAndSectionsSurviveAndOrderDoesNotMatter)
{
    WriteAll(Path(),
             "; written by hand\n[Profile0Setting]\nDevNum_SSD=3\nextra=keep me\nSynchronize=0\n"
             "[Mine]\nvalue=1\n[Setting]\nCurrentProfile=1\nlan_id=1\n");
    LightingSettings settings = Load();
    EXPECT_EQ(settings.CurrentProfile, 1);
    EXPECT_EQ(settings.lan_id, 1);
    EXPECT_EQ(settings.Profile(0).Category(0).synchronize, 0);
    EXPECT_EQ(settings.Profile(0).Category(1).devNum, 3);
    EXPECT_EQ(settings.Profile(0).Category(0).devNum, 2) << "missing keys take their defaults";

    ASSERT_TRUE(SaveSettings(settings, Path()));
    const IniFile ini(Path());
    EXPECT_EQ(ini.ReadString("Profile0Setting", "extra"), "keep me");
    EXPECT_EQ(ini.ReadInt("Mine", "value", 0), 1);
    EXPECT_TRUE(ReadAll(Path()).startsWith("; written by hand\r\n"));
    EXPECT_EQ(Load(), settings);
}

TEST_F(SettingsFileTest, OutOfRangeValuesAreBroughtIntoRange)
{
    LightingSettings wild = Load();
    EffectInfo &record = wild.Profile(0).Category(1).records[16];
    record.effectId = 200;
    record.colorCount = 99;
    record.uniformColor = 7;
    record.speed = -9;
    record.direction = 4;
    wild.Profile(0).Category(1).devNum = 40;
    wild.Profile(2).Category(0).synchronize = -3;
    ASSERT_TRUE(SaveSettings(wild, Path()));
    IniFile ini(Path());
    ini.WriteInt("Setting", "CurrentProfile", 9);
    ASSERT_TRUE(ini.Flush());

    const LightingSettings loaded = Load();
    EXPECT_EQ(loaded.CurrentProfile, 3);
    const EffectInfo &clamped = loaded.Profile(0).Category(1).records[16];
    EXPECT_EQ(clamped.effectId, 14);
    EXPECT_EQ(clamped.colorCount, 8);
    EXPECT_EQ(clamped.uniformColor, 1);
    EXPECT_EQ(clamped.speed, -2);
    EXPECT_EQ(clamped.direction, 1);
    EXPECT_EQ(loaded.Profile(0).Category(1).devNum, 16);
    EXPECT_EQ(loaded.Profile(2).Category(0).synchronize, 1);

    IniFile negative(Path());
    negative.WriteInt("Setting", "CurrentProfile", -1);
    negative.WriteInt("Profile1Setting", "DevNum", -5);
    ASSERT_TRUE(negative.Flush());
    EXPECT_EQ(Load().CurrentProfile, 0);
    EXPECT_EQ(Load().Profile(1).Category(0).devNum, 0);
}

TEST_F(SettingsFileTest, FailedSaveReportsFailureAndKeepsTheOldFile)
{
    LightingSettings settings = Load();
    const QByteArray before = ReadAll(Path());
    settings.led_sw = 0;

    // A file size limit makes every write fail, for root as well.
    const bool saved_ok = SaveUnderATinyFileSizeLimit([&] { return SaveSettings(settings, Path()); });

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadAll(Path()), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList {"config"}) << "no temporary file is left";
    QString reason;
    EXPECT_FALSE(SaveSettings(settings, dir.path() + "/no/such/folder/config", &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(SaveSettings(settings, QString(), &reason));
    EXPECT_TRUE(reason.contains("home")) << reason.toStdString();
}

TEST(ProfileMatchesTest, IgnoresWhatTheUnsavedChangeTestDoesNotCover)
{
    ProfileSettings saved;
    ProfileSettings edited = saved;
    CategorySettings &ssd = edited.Category(1);
    ssd.devNum = 3;
    ssd.records[2].reserved = 9;
    ssd.records[2].colorCount = 3;
    edited.Category(0).devNum = 0;
    EXPECT_TRUE(ProfileMatches(edited, saved));

    // Colours beyond the first record's colour count take no part.
    ProfileSettings fewColours = saved;
    fewColours.Category(1).records[1].colorCount = 2;
    ProfileSettings savedOther = saved;
    savedOther.Category(1).records[1].colors[5] = 0x123456;
    EXPECT_TRUE(ProfileMatches(fewColours, savedOther));
    EXPECT_FALSE(ProfileMatches(saved, savedOther)) << "with 8 colours, slot 5 counts";
}

TEST(ProfileMatchesTest, DetectsChangesUpToTheLastDevice)
{
    ProfileSettings saved;
    saved.Category(1).devNum = 3;

    ProfileSettings lastDevice = saved;
    lastDevice.Category(1).records[3].direction = 1;
    EXPECT_FALSE(ProfileMatches(lastDevice, saved));

    ProfileSettings beyond = saved;
    beyond.Category(1).records[4].effectId = 9;
    EXPECT_TRUE(ProfileMatches(beyond, saved));

    ProfileSettings flag = saved;
    flag.Category(0).synchronize = 0;
    EXPECT_FALSE(ProfileMatches(flag, saved));

    ProfileSettings recordZero = saved;
    recordZero.Category(0).records[0].speed = 2;
    EXPECT_FALSE(ProfileMatches(recordZero, saved));
}

} // namespace
