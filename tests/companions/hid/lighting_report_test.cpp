// What hid makes of the settings file, and its command line.

#include "HidCommandLine.h"
#include "LightingReport.h"
#include "settings/IniFile.h"

#include "TempUserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

LightingSettings Sample()
{
    LightingSettings settings;
    settings.led_sw = 0;
    settings.CurrentProfile = 2;
    CategorySettings &ssd = settings.Profile(2).Category(1);
    ssd.synchronize = 0;
    ssd.devNum = 3;
    ssd.records[1].effectId = 5;
    ssd.records[1].colors = {0x030201, 0x060504, 0x090807, 0x0C0B0A, 0x0F0E0D, 0x121110, 0x151413, 0x181716};
    ssd.records[1].speed = -2;
    ssd.records[1].direction = 1;
    ssd.records[2].uniformColor = 1;
    ssd.records[2].colors[0] = 0x00FF80;
    ssd.records[3].colorCount = 0;
    settings.Profile(2).Category(0).devNum = 0;
    return settings;
}

TEST(LightingReport, DescribesTheCurrentProfileDeviceByDevice)
{
    const QStringList lines = DescribeLighting(Sample());
    const QStringList expected = {
        "LED switch: off",
        "current profile: 2",
        "category 0: synchronise 1, devices 0",
        "  no devices",
        "category 1 (SSD): synchronise 0, devices 3",
        "  device 1: record 1, effect 5, colours (1,2,3) (4,5,6) (7,8,9) (10,11,12) (13,14,15) (16,17,18) (19,20,21) "
        "(22,23,24), speed -2, direction 1",
        "  device 2: record 2, effect 1, colours (128,255,0) (128,255,0) (128,255,0) (128,255,0) (128,255,0) "
        "(128,255,0) (128,255,0) (128,255,0), speed 0, direction 0",
        "  device 3: record 3, effect 1, colours none, speed 0, direction 0",
    };
    EXPECT_EQ(lines, expected);
}

TEST(LightingReport, SynchronisedCategoryShowsTheAllDevicesRecordOnEveryDevice)
{
    LightingSettings settings = Sample();
    CategorySettings &ssd = settings.Profile(2).Category(1);
    ssd.synchronize = 1;
    ssd.records[0].effectId = 9;
    const QStringList lines = DescribeLighting(settings);
    ASSERT_EQ(lines.size(), 8);
    for (int device = 1; device <= 3; ++device)
        EXPECT_TRUE(lines[4 + device].startsWith(QStringLiteral("  device %1: record 0, effect 9,").arg(device)))
            << lines[4 + device].toStdString();

    // A single device shows its own record, the one Config edits for it.
    ssd.devNum = 1;
    EXPECT_TRUE(DescribeLighting(settings).last().startsWith("  device 1: record 1, effect 5,"));
}

TEST(LightingReport, ValuesOutOfRangeAreBroughtIntoRangeFirst)
{
    LightingSettings settings;
    settings.CurrentProfile = 7;
    settings.Profile(0).Category(1).devNum = 40;
    settings.Profile(3).Category(1).devNum = 40;
    settings.Profile(3).Category(1).synchronize = 0;
    settings.Profile(3).Category(1).records[16] = {99, 1, 12, 5, EffectInfo::DefaultColors(), 9, -4};
    const QStringList lines = DescribeLighting(settings);
    EXPECT_EQ(lines[1], "current profile: 3");
    EXPECT_TRUE(lines.contains("category 1 (SSD): synchronise 0, devices 16"));
    EXPECT_TRUE(lines.last().startsWith("  device 16: record 16, effect 14, colours (255,0,0) (255,0,0)"));
    EXPECT_TRUE(lines.last().endsWith(", speed 2, direction 0"));
}

class SettingsReadTest : public ::testing::Test
{
protected:
    TempUserFolders folders;
    QString path = folders.ConfigHome() + "/config";
};

TEST_F(SettingsReadTest, MissingFileGivesTheDefaultsAndIsNotCreated)
{
    LightingSettings settings = Sample();
    EXPECT_EQ(ReadSettingsWithoutWriting(path, settings), SettingsRead::Missing);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(settings.led_sw, 1);
    EXPECT_EQ(settings.CurrentProfile, 0);
    EXPECT_EQ(ReadSettingsWithoutWriting(QString(), settings), SettingsRead::Missing);
}

TEST_F(SettingsReadTest, SavedSettingsReadBackAndTheFileIsLeftAlone)
{
    ASSERT_TRUE(SaveSettings(Sample(), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const QDateTime modified = QFileInfo(path).lastModified();

    LightingSettings settings;
    EXPECT_EQ(ReadSettingsWithoutWriting(path, settings), SettingsRead::Loaded);
    LightingSettings expected = Sample();
    ClampSettings(expected);
    EXPECT_EQ(settings, expected);

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
}

TEST_F(SettingsReadTest, BrokenFileReadsAsDefaultsWithoutBeingRepaired)
{
    const QByteArray garbage("[Profile0Setting]\r\nEffectInfo_SSD1=ZZ\r\n\xff\xfejunk");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    LightingSettings settings;
    EXPECT_EQ(ReadSettingsWithoutWriting(path, settings), SettingsRead::Loaded);
    EXPECT_EQ(settings.Profile(0).Category(1).records[1], EffectInfo {});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

TEST_F(SettingsReadTest, ConfigAndAgentShareOneRuleForUnreadableFiles)
{
    // Too large, not a single section, or 8-bit text with a NUL byte (UTF-16
    // without its mark): unreadable for both, which gives the defaults here
    // and a clean file at Config's next save.
    QByteArray oversized("[Setting]\r\nled_sw=0\r\n");
    oversized.resize(IniFile::kMaxFileBytes + 1, ' ');
    const QByteArray unmarkedUtf16("[\0S\0]\0\r\0\n\0", 10);
    for (const QByteArray &content : {QByteArray("led_sw=0\r\n"), oversized, unmarkedUtf16}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        LightingSettings settings;
        EXPECT_EQ(ReadSettingsWithoutWriting(path, settings), SettingsRead::Unreadable);
        EXPECT_EQ(ReadSettings(settings, path), SettingsFileState::Unreadable);
        EXPECT_EQ(settings.led_sw, 1);
    }
}

TEST_F(SettingsReadTest, PathThatIsNoFileIsUnreadable)
{
    ASSERT_TRUE(QDir().mkpath(path));
    LightingSettings settings;
    EXPECT_EQ(ReadSettingsWithoutWriting(path, settings), SettingsRead::Unreadable);
    EXPECT_EQ(settings.CurrentProfile, 0);
}

TEST(HidCommandLine, AgentByDefaultAndHelpOnRequest)
{
    EXPECT_EQ(ParseHidCommandLine({}).mode, HidOptions::Mode::Agent);
    EXPECT_EQ(ParseHidCommandLine({"--help"}).mode, HidOptions::Mode::Help);
    EXPECT_EQ(ParseHidCommandLine({"--send", "ping", "-h"}).mode, HidOptions::Mode::Help);
    EXPECT_TRUE(HidUsage().contains("--send"));
}

TEST(HidCommandLine, RequestsByNameOrNumberWithTheirParameter)
{
    struct Case
    {
        QStringList arguments;
        uint32_t message;
        uintptr_t wParam;
    };
    const Case cases[] = {
        {{"--send", "close"}, 1624, 1625},
        {{"--send", "close", "1626"}, 1624, 1626},
        {{"--send", "1624", "1627"}, 1624, 1627},
        {{"--send", "restore"}, 4000, 0},
        {{"--send", "4000"}, 4000, 0},
        {{"--send", "ping"}, 1044, 0},
        {{"--send", "1044", "--timeout", "250"}, 1044, 0},
    };
    for (const Case &c : cases) {
        const HidOptions options = ParseHidCommandLine(c.arguments);
        EXPECT_EQ(options.mode, HidOptions::Mode::Send) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(options.message, c.message);
        EXPECT_EQ(options.wParam, c.wParam);
    }
    EXPECT_EQ(ParseHidCommandLine({"--send", "1044", "--timeout", "250"}).timeoutMs, 250);
    EXPECT_EQ(ParseHidCommandLine({"--send", "ping"}).timeoutMs, 3000);
}

TEST(HidCommandLine, AnythingElseIsRefusedWithAReason)
{
    const QStringList bad[] = {
        {"--send"},
        {"--send", "1324"},
        {"--send", "explode"},
        {"--send", "close", "16x"},
        {"--send", "close", "99999999999999999999999"},
        {"--send", "ping", "--send", "ping"},
        {"--timeout", "0"},
        {"--timeout"},
        {"--timeout", "abc"},
        {"--frobnicate"},
        {"ping"},
    };
    for (const QStringList &arguments : bad) {
        const HidOptions options = ParseHidCommandLine(arguments);
        EXPECT_EQ(options.mode, HidOptions::Mode::Invalid) << arguments.join(' ').toStdString();
        EXPECT_FALSE(options.error.isEmpty());
    }
}

} // namespace
