#include "settings/IniFile.h"

#include "TempUserFolders.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string_view>

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

TEST(IniFileReading, LinesReadAsTheSkinReaderAndThePlatformReadThem)
{
    // A lone CR ends a line; "[name" without ']' is no header; a line without
    // '=' is no key.
    const IniFile ini = IniFile::FromText("[A]\rk=1\r[B\nb=2\nbare\n");
    EXPECT_EQ(ini.ReadInt("A", "k", 0), 1);
    EXPECT_EQ(ini.ReadInt("A", "b", 0), 2) << "the broken header belongs to section A";
    EXPECT_FALSE(ini.ReadString("B", "b").has_value());
    EXPECT_FALSE(ini.ReadString("A", "bare").has_value());
    EXPECT_EQ(ini.ToText(), "[A]\r\nk=1\r\n[B\r\nb=2\r\nbare\r\n");
}

TEST(IniFileReading, FilesWithoutASectionAreUnreadable)
{
    const std::pair<QByteArray, IniFile::FileState> cases[] = {
        {"", IniFile::FileState::Readable},
        {"[S]", IniFile::FileState::Readable},
        {"junk\r\n[S]\r\n", IniFile::FileState::Readable},
        {"key=value\r\n", IniFile::FileState::Unreadable},
        {QByteArray("\x89PNG\r\n\x1a\n\0\0", 10), IniFile::FileState::Unreadable},
        {QByteArray("\xFF\xFE[\0S\0]\0", 8), IniFile::FileState::Readable},
        {QByteArray("[\0S\0]\0", 6), IniFile::FileState::Unreadable}, // UTF-16 without its mark
        {QByteArray("[S]\r\nk=\0", 9), IniFile::FileState::Unreadable},
    };
    for (const auto &[text, state] : cases)
        EXPECT_EQ(IniFile::FromText(text).State(), state) << text.toHex().constData();
}

QByteArray Utf16(std::u16string_view units, bool littleEndian)
{
    QByteArray bytes(littleEndian ? "\xFF\xFE" : "\xFE\xFF", 2);
    for (char16_t unit : units) {
        const char low = char(unit & 0xFF), high = char(unit >> 8);
        bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
    }
    return bytes;
}

TEST(IniFileWriting, Utf16FilesComeBackUnitForUnit)
{
    // Another program's key with an unpaired surrogate, a value outside
    // ASCII, and an odd final byte that is no unit.
    const std::u16string text = u"[Setting]\r\nled_sw=0\r\nname=全部\r\nother=\xD800x\r\n";
    for (bool little : {true, false}) {
        for (const QByteArray &odd : {QByteArray(), QByteArray("\x7F")}) {
            const QByteArray file = Utf16(text, little) + odd;
            IniFile ini = IniFile::FromText(file);
            EXPECT_EQ(ini.ReadInt("Setting", "led_sw", 1), 0);
            EXPECT_EQ(ini.ReadString("Setting", "name"), QStringLiteral("全部").toStdString());
            EXPECT_EQ(ini.ToText(), file);

            ini.WriteInt("Setting", "led_sw", 1);
            ini.WriteString("Setting", "名前", "値");
            EXPECT_EQ(ini.ReadString("setting", "名前"), QStringLiteral("値").toStdString());
            EXPECT_EQ(ini.ToText(),
                      Utf16(u"[Setting]\r\nled_sw=1\r\nname=全部\r\nother=\xD800x\r\n名前=値\r\n", little) + odd);
        }
    }
}

TEST(IniFileWriting, EightBitFilesComeBackByteForByte)
{
    const QByteArray file("[Setting]\r\nled_sw=0\r\nlatin=\xE9t\xE9\r\nutf8=\xE5\x85\xA8\r\n");
    IniFile ini = IniFile::FromText(file);
    EXPECT_EQ(ini.ReadString("Setting", "latin"), "\xE9t\xE9");
    EXPECT_EQ(ini.ToText(), file);
    ini.WriteInt("Setting", "led_sw", 1);
    QByteArray expected = file;
    expected.replace("led_sw=0", "led_sw=1");
    EXPECT_EQ(ini.ToText(), expected);
}

TEST(IniFileReading, OversizedFilesAreNotRead)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[S]\r\nk=1\r\n");
    ASSERT_TRUE(file.resize(IniFile::kMaxFileBytes + 1));
    file.close();
    const IniFile ini(path);
    EXPECT_EQ(ini.State(), IniFile::FileState::Unreadable);
    EXPECT_FALSE(ini.ReadString("S", "k").has_value());
    EXPECT_EQ(IniFile(dir.path() + "/none").State(), IniFile::FileState::Missing);
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

    // Unless the text after the mark would then read as UTF-16.
    const QByteArray marked("\xEF\xBB\xBF\xFF\xFE[A]\r\n");
    EXPECT_EQ(IniFile::FromText(marked).ToText(), marked);
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
    QString reason;
    EXPECT_FALSE(nowhere.Flush(&reason));
    EXPECT_FALSE(reason.isEmpty()) << "the system's reason is given";
    EXPECT_FALSE(IniFile::FromText("[S]").Flush()) << "no path, nothing to write to";
}

} // namespace
