#include "settings/IniFile.h"

#include "TempUserFolders.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(IniFileReading, NamesIgnoreCaseAndBlanksAroundNamesAndValues)
{
    const IniFile ini = IniFile::FromText("  [ Setting ]  \r\n  Led_SW  =  7  \r\n");
    EXPECT_EQ(ini.ReadInt("setting", "LED_sw", 1), 7);
    EXPECT_EQ(ini.ReadString("SETTING", "led_sw"), "7");
}

TEST(IniFileReading, CommentsMissingAndEmptyValuesAndTheFirstOccurrence)
{
    const IniFile ini = IniFile::FromText("[A]\n;x=5\nk=1\nk=2\nempty=\n[a]\nother=3\n");
    EXPECT_EQ(ini.ReadInt("A", ";x", 9), 9);
    EXPECT_EQ(ini.ReadInt("A", "x", 9), 9);
    EXPECT_EQ(ini.ReadInt("A", "k", 9), 1);
    EXPECT_EQ(ini.ReadInt("A", "empty", 9), 9);
    EXPECT_EQ(ini.ReadInt("A", "other", 9), 9) << "only the first section of a name counts";
    EXPECT_EQ(ini.ReadInt("Missing", "k", -4), -4);
}

TEST(IniFileReading, QuotesAndBracketsInNames)
{
    const IniFile ini = IniFile::FromText("[a]b]\nq=\"12\"\nhalf=\"3\n");
    EXPECT_EQ(ini.ReadInt("a]b", "q", 0), 12);
    EXPECT_EQ(ini.ReadString("a]b", "half"), "\"3");
}

TEST(IniFileReading, IntegersFollowTheLeadingNumberRule)
{
    const IniFile ini = IniFile::FromText(
        "[N]\nneg=-12\nplus=+3\ntrail=42abc\nword=abc\nhuge=99999999999999\ntiny=-99999999999999\n");
    EXPECT_EQ(ini.ReadInt("N", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInt("N", "plus", 0), 3);
    EXPECT_EQ(ini.ReadInt("N", "trail", 0), 42);
    EXPECT_EQ(ini.ReadInt("N", "word", 5), 0);
    EXPECT_EQ(ini.ReadInt("N", "huge", 0), INT_MAX);
    EXPECT_EQ(ini.ReadInt("N", "tiny", 0), INT_MIN);
}

TEST(IniFileWriting, ReplacesInPlaceAndKeepsEverythingElse)
{
    IniFile ini = IniFile::FromText("; top comment\n[Other]\nx = 1\n\n[Setting]\nLED_SW = 0\n; note\nkeep=yes\n");
    ini.WriteInt("setting", "led_sw", 1);
    ini.WriteInt("Setting", "new", -3);
    ini.WriteInt("Fresh", "a", 5);
    EXPECT_EQ(ini.ToText(),
              "; top comment\r\n[Other]\r\nx = 1\r\n\r\n[Setting]\r\nLED_SW=1\r\n; note\r\nkeep=yes\r\nnew=-3\r\n"
              "[Fresh]\r\na=5\r\n");
}

TEST(IniFileWriting, NewKeysGoBeforeTheBlankLinesThatEndASection)
{
    IniFile ini = IniFile::FromText("[A]\r\na=1\r\n\r\n[B]\r\nb=2\r\n");
    ini.WriteInt("A", "c", 3);
    EXPECT_EQ(ini.ToText(), "[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n");
}

TEST(IniFileWriting, ByteOrderMarkIsDroppedAndLfFilesComeBackAsCrLf)
{
    IniFile ini = IniFile::FromText("\xEF\xBB\xBF[A]\na=1\n");
    EXPECT_EQ(ini.ReadInt("A", "a", 0), 1);
    EXPECT_EQ(ini.ToText(), "[A]\r\na=1\r\n");
}

TEST(IniFileFlush, WritesAtomicallyAndReportsFailure)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/file.ini";
    IniFile ini(path);
    ini.WriteInt("S", "k", 1);
    ASSERT_TRUE(ini.Flush());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "[S]\r\nk=1\r\n");

    IniFile nowhere(dir.path() + "/missing-folder/file.ini");
    nowhere.WriteInt("S", "k", 1);
    EXPECT_FALSE(nowhere.Flush());
    EXPECT_FALSE(IniFile::FromText("[S]").Flush()) << "no path, nothing to write to";
}

} // namespace
