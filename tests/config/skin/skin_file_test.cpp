#include "framework/PlatformPaths.h"
#include "skin/PrivateProfile.h"
#include "skin/SkinEntry.h"
#include "skin/SkinFile.h"

#include "SkinTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray Utf16LeWithBom(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

class SkinFileTest : public ::testing::Test
{
protected:
    void TearDown() override { SetSkinFile(QString()); }

    QString Write(const QString &name, const QByteArray &bytes)
    {
        return skin_test::WriteFile(dir.path() + QLatin1Char('/') + name, bytes);
    }

    QTemporaryDir dir;
};

// --- Private-profile reading ------------------------------------------------

TEST(PrivateProfile, SyntaxRules)
{
    const PrivateProfile profile = PrivateProfile::FromBytes("stray=before any section\r\n"
                                                             "  [ Main ]  \r\n"
                                                             "; comment=not a key\r\n"
                                                             "  Key One  =  spaced value  \r\n"
                                                             "equals=a=b\r\n"
                                                             "quoted=\"  kept blanks  \"\r\n"
                                                             "halfquoted=\"open\r\n"
                                                             "bare\r\n"
                                                             "key one=second occurrence\r"
                                                             "[other]\n"
                                                             "x=1\n"
                                                             "[MAIN]\n"
                                                             "late=in a repeated section\n");
    EXPECT_EQ(profile.Value("main", "KEY ONE"), QStringLiteral("spaced value"));
    EXPECT_EQ(profile.Value("Main", "equals"), QStringLiteral("a=b"));
    EXPECT_EQ(profile.Value("Main", "quoted"), QStringLiteral("  kept blanks  "));
    EXPECT_EQ(profile.Value("Main", "halfquoted"), QStringLiteral("\"open"));
    EXPECT_FALSE(profile.Value("Main", "bare").has_value()) << "a line without '=' is no key";
    EXPECT_FALSE(profile.Value("Main", "; comment").has_value());
    EXPECT_FALSE(profile.Value("Main", "late").has_value()) << "only the first section of a name counts";
    EXPECT_FALSE(profile.Value("", "stray").has_value());
    EXPECT_EQ(profile.Value("OTHER", "X"), QStringLiteral("1")) << "CR alone ends a line too";
}

TEST(PrivateProfile, Encodings)
{
    const QString text = QStringLiteral("[FUNC_STRING]\r\n30=全部设备\r\n");
    EXPECT_EQ(PrivateProfile::FromBytes(text.toUtf8()).Value("func_string", "30"), QStringLiteral("全部设备"));
    EXPECT_EQ(PrivateProfile::FromBytes("\xEF\xBB\xBF" + text.toUtf8()).Value("FUNC_STRING", "30"),
              QStringLiteral("全部设备"));
    EXPECT_EQ(PrivateProfile::FromBytes(Utf16LeWithBom(text)).Value("FUNC_STRING", "30"), QStringLiteral("全部设备"));
    EXPECT_FALSE(PrivateProfile::FromBytes(QByteArray()).Value("a", "b").has_value());
}

// --- ReadSkinString -----------------------------------------------------------

TEST_F(SkinFileTest, ReadsKeysAndDefaults)
{
    SetSkinFile(Write("skin.ini", "[GLOBAL]\r\nFONT=Noto Sans\r\nEMPTY=\r\n"));
    EXPECT_EQ(ReadSkinString("global", "font", "Segoe UI"), QStringLiteral("Noto Sans"));
    EXPECT_EQ(ReadSkinString("GLOBAL", "EMPTY", "Segoe UI"), QString()) << "a present empty key is not missing";
    EXPECT_EQ(ReadSkinString("GLOBAL", "FONTEN", "Segoe UI"), QStringLiteral("Segoe UI"));
    EXPECT_EQ(ReadSkinString("NOSECTION", "FONT", "Segoe UI  "), QStringLiteral("Segoe UI"));
    EXPECT_EQ(ReadSkinString("NOSECTION", "FONT"), QString());

    SetSkinFile(dir.path() + QStringLiteral("/missing.ini"));
    EXPECT_EQ(ReadSkinString("GLOBAL", "FONT", "Segoe UI"), QStringLiteral("Segoe UI"));
    SetSkinFile(QString());
    EXPECT_EQ(ReadSkinString("GLOBAL", "FONT", "x"), QStringLiteral("x"));
}

TEST_F(SkinFileTest, LongValuesAreCutAt4095)
{
    const QByteArray longValue(5000, 'v');
    SetSkinFile(Write("long.ini", "[A]\nk=" + longValue + "\nj=" + QByteArray(4095, 'w') + "\n"));
    EXPECT_EQ(ReadSkinString("A", "k").size(), 4095);
    EXPECT_EQ(ReadSkinString("A", "j").size(), 4095);
    EXPECT_EQ(ReadSkinString("A", "none", QString(5000, QLatin1Char('d'))).size(), 4095);
}

TEST_F(SkinFileTest, Utf16SkinFile)
{
    SetSkinFile(
        Write("Lan/skin_Cs.ini", Utf16LeWithBom(QStringLiteral("[FUNC_STRING]\r\n31=其他\r\n32=固态硬盘\r\n"))));
    EXPECT_EQ(LookupSkinText(50), QStringLiteral("固态硬盘"));
}

TEST_F(SkinFileTest, FindsSkinFileInOtherLetterCase)
{
    Write("lan/SKIN_EN.INI", "[MAIN]\n1=btnMin,1,2,3,4,,FALSE\n");
    SetSkinFile(dir.path() + QStringLiteral("/Lan/skin_En.ini"));
    EXPECT_EQ(ReadSkinEntry("MAIN", "1").name, QStringLiteral("btnMin"));
}

TEST_F(SkinFileTest, RereadsAChangedFile)
{
    const QString path = Write("skin.ini", "[A]\nk=old\n");
    SetSkinFile(path);
    EXPECT_EQ(ReadSkinString("A", "k"), QStringLiteral("old"));
    Write("skin.ini", "[A]\nk=newer\n");
    EXPECT_EQ(ReadSkinString("A", "k"), QStringLiteral("newer"));
    QFile::remove(path);
    EXPECT_EQ(ReadSkinString("A", "k", "gone"), QStringLiteral("gone"));
}

TEST_F(SkinFileTest, LookupSkinTextKeysAreUpperCaseHex)
{
    EXPECT_EQ(SkinTextKey(16), QStringLiteral("10"));
    EXPECT_EQ(SkinTextKey(17), QStringLiteral("11"));
    EXPECT_EQ(SkinTextKey(48), QStringLiteral("30"));
    EXPECT_EQ(SkinTextKey(49), QStringLiteral("31"));
    EXPECT_EQ(SkinTextKey(175), QStringLiteral("AF"));
    EXPECT_EQ(SkinTextKey(-1), QStringLiteral("FFFFFFFF"));

    SetSkinFile(Write("skin.ini", "[FUNC_STRING]\n11=seventeen\n30=All devices\nAf=lower case key\n"));
    EXPECT_EQ(LookupSkinText(17), QStringLiteral("seventeen"));
    EXPECT_EQ(LookupSkinText(48), QStringLiteral("All devices"));
    EXPECT_EQ(LookupSkinText(175), QStringLiteral("lower case key"));
    EXPECT_EQ(LookupSkinText(49), QString());
}

TEST_F(SkinFileTest, SkinFileForLanguage)
{
    const QString saved = PlatformPaths::ApplicationDirectory();
    PlatformPaths::SetApplicationDirectory(QStringLiteral("/opt/app/"));
    EXPECT_EQ(QDir::fromNativeSeparators(SkinFileForLanguage(1)), QStringLiteral("/opt/app/Lan/skin_Cs.ini"));
    EXPECT_EQ(QDir::fromNativeSeparators(SkinFileForLanguage(0)), QStringLiteral("/opt/app/Lan/skin_En.ini"));
    EXPECT_EQ(QDir::fromNativeSeparators(SkinFileForLanguage(2052)), QStringLiteral("/opt/app/Lan/skin_En.ini"));
    EXPECT_EQ(QDir::fromNativeSeparators(SkinFileForLanguage(-1)), QStringLiteral("/opt/app/Lan/skin_En.ini"));
    PlatformPaths::SetApplicationDirectory(saved);
}

// --- ParseSkinEntry -------------------------------------------------------------

TEST(ParseSkinEntry, SevenFields)
{
    SkinEntry entry = ParseSkinEntry("btnClose,10,20,30,40,Close,FALSE");
    EXPECT_EQ(entry.name, QStringLiteral("btnClose"));
    EXPECT_EQ(entry.rect, (RECT {10, 20, 40, 60}));
    EXPECT_EQ(entry.text, QStringLiteral("Close"));
    EXPECT_FALSE(entry.flag);

    entry = ParseSkinEntry("btnClose,10,20,30,40,Close,TRUE");
    EXPECT_TRUE(entry.flag);
    EXPECT_EQ(entry.text, QStringLiteral("Close"));
}

TEST(ParseSkinEntry, TextIsTheNextToLastField)
{
    SkinEntry entry = ParseSkinEntry("btnClose,10,20,30,40");
    EXPECT_EQ(entry.text, QStringLiteral("30"));
    EXPECT_EQ(entry.rect, (RECT {10, 20, 40, 60}));
    EXPECT_FALSE(entry.flag);

    entry = ParseSkinEntry("pic,1,2,3,4,a,b,c,FALSE");
    EXPECT_EQ(entry.text, QStringLiteral("c"));

    entry = ParseSkinEntry("pic,1,2,3,4,,FALSE");
    EXPECT_EQ(entry.text, QString());

    entry = ParseSkinEntry("name,only");
    EXPECT_EQ(entry.text, QString()) << "rest without comma has no text";
}

TEST(ParseSkinEntry, WithoutComma)
{
    SkinEntry entry = ParseSkinEntry("25");
    EXPECT_EQ(entry.name, QString());
    EXPECT_EQ(entry.rect, (RECT {25, 0, 25, 0}));
    EXPECT_EQ(entry.text, QString());

    entry = ParseSkinEntry(QString());
    EXPECT_EQ(entry.name, QString());
    EXPECT_EQ(entry.rect, RECT {});
    EXPECT_FALSE(entry.flag);
}

TEST(ParseSkinEntry, TrueAnywhereInTheRest)
{
    EXPECT_TRUE(ParseSkinEntry("n,1,2,3,4,TRUEish,FALSE").flag);
    EXPECT_FALSE(ParseSkinEntry("n,1,2,3,4,x,True").flag) << "exact case";
    EXPECT_FALSE(ParseSkinEntry("TRUE,1,2,3,4,x,FALSE").flag) << "the name is not part of the rest";
    EXPECT_TRUE(ParseSkinEntry("TRUE").flag) << "without comma the rest is the whole value";
}

TEST(ParseSkinEntry, NumbersStopAtTheFirstThatDoesNotParse)
{
    EXPECT_EQ(ParseSkinEntry("n,10,x,30,40,t,FALSE").rect, (RECT {10, 0, 10, 0}));
    EXPECT_EQ(ParseSkinEntry("n,10,20,,40,t,FALSE").rect, (RECT {10, 20, 10, 20}));
    EXPECT_EQ(ParseSkinEntry("n, 10, -20,+30,40,t").rect, (RECT {10, -20, 40, 20}));
    EXPECT_EQ(ParseSkinEntry("n,10 ,20,30,40").rect, (RECT {10, 0, 10, 0})) << "the comma must follow at once";
    EXPECT_EQ(ParseSkinEntry("n,12px,20").rect, (RECT {12, 0, 12, 0}));
    EXPECT_EQ(ParseSkinEntry("n,-,20").rect, RECT {});
}

TEST(ParseSkinEntry, HugeNumbersSaturate)
{
    const SkinEntry entry = ParseSkinEntry("n,2147483647,99999999999,5,-2147483648,t,FALSE");
    EXPECT_EQ(entry.rect.left, 2147483647);
    EXPECT_EQ(entry.rect.top, 2147483647);
    EXPECT_EQ(entry.rect.right, 2147483647);
    EXPECT_EQ(entry.rect.bottom, -1);
    EXPECT_TRUE(entry.rect.IsEmpty());
    const RECT wide {-2147483647 - 1, 0, 2147483647, 1};
    EXPECT_EQ(wide.Width(), 2147483647);
}

TEST(ParseSkinEntry, LongNamesAndTextsAreCut)
{
    const QString name(60, QLatin1Char('n'));
    const QString text(150, QLatin1Char('t'));
    const QString value = name + QStringLiteral(",1,2,3,4,") + text + QStringLiteral(",FALSE");
    const SkinEntry control = ParseSkinEntry(value);
    EXPECT_EQ(control.name, name.left(39));
    EXPECT_EQ(control.text, text.left(99));
    const SkinEntry drawing = ParseSkinEntry(value, SkinEntryUse::Drawing);
    EXPECT_EQ(drawing.name, name.left(39));
    EXPECT_EQ(drawing.text, text);
}

TEST_F(SkinFileTest, MissingKeysParseAsAllZero)
{
    SetSkinFile(Write("skin.ini", "[LED]\n1=btnEffect,20,100,150,32,Static,FALSE\n"));
    const SkinEntry present = ReadSkinEntry("led", "1");
    EXPECT_EQ(present.rect, (RECT {20, 100, 170, 132}));
    const SkinEntry missing = ReadSkinEntry("LED", "99");
    EXPECT_EQ(missing.name, QString());
    EXPECT_EQ(missing.rect, RECT {});
    EXPECT_EQ(missing.text, QString());
    EXPECT_FALSE(missing.flag);
}

} // namespace
