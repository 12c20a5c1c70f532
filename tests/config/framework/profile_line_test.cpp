#include "framework/HexDigit.h"
#include "framework/ProfileEncoding.h"
#include "framework/ProfileLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = ProfileLineKind;

struct LineCase
{
    const char *line;
    Kind kind;
    const char *name;
    const char *value;
};

// Every kind of line, read as the platform's profile functions read it.
const LineCase kLineCases[] = {
    {"", Kind::Blank, "", ""},
    {" \t\v\f\x1A", Kind::Blank, "", ""},
    {"; a=comment", Kind::Comment, "", ""},
    {"  ;indented", Kind::Comment, "", ""},
    {"[Setting]", Kind::Section, "Setting", ""},
    {"  [ Setting ]  ", Kind::Section, "Setting", ""},
    {"[a]b]", Kind::Section, "a]b", ""},
    {"[name] trailing", Kind::Section, "name", ""},
    {"[]", Kind::Section, "", ""},
    {"[name", Kind::Other, "", ""},
    {"[name=1", Kind::Key, "[name", "1"},
    {"key=value", Kind::Key, "key", "value"},
    {"\tKey One  =  spaced value \x1A", Kind::Key, "Key One", "spaced value"},
    {"equals=a=b", Kind::Key, "equals", "a=b"},
    {"empty=", Kind::Key, "empty", ""},
    {"quoted=\"x\"", Kind::Key, "quoted", "\"x\""},
    {"bare", Kind::Other, "", ""},
    {"=value without a name", Kind::Other, "", ""},
    {"  = ", Kind::Other, "", ""},
};

TEST(ProfileLine, ClassifiesEveryKindOfLineInBothCharacterWidths)
{
    for (const LineCase &c : kLineCases) {
        SCOPED_TRACE(c.line);
        const ProfileLine<char> narrow = ClassifyProfileLine(std::string_view(c.line));
        EXPECT_EQ(narrow.kind, c.kind);
        EXPECT_EQ(narrow.name, c.name);
        EXPECT_EQ(narrow.value, c.value);

        const std::u16string wide(c.line, c.line + std::char_traits<char>::length(c.line));
        const ProfileLine<char16_t> wideLine = ClassifyProfileLine(std::u16string_view(wide));
        EXPECT_EQ(wideLine.kind, c.kind);
        EXPECT_EQ(std::string(wideLine.name.begin(), wideLine.name.end()), c.name);
    }
}

TEST(ProfileLine, LinesEndAtCrLfOrCrLf)
{
    std::string_view rest = "a\r\nb\rc\nd\r\n\r\ne";
    std::vector<std::string_view> lines;
    while (!rest.empty())
        lines.push_back(TakeProfileLine(rest));
    EXPECT_EQ(lines, (std::vector<std::string_view> {"a", "b", "c", "d", "", "e"}));
}

TEST(ProfileLine, OnlyAMatchingPairOfQuotesIsRemoved)
{
    const std::pair<const char *, const char *> cases[] = {
        {"\"x\"", "x"},   {"'x'", "x"},   {"\"\"", ""},         {"\"", "\""},
        {"\"x'", "\"x'"}, {"x\"", "x\""}, {"\"a\"b\"", "a\"b"},
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(WithoutProfileQuotes(std::string_view(value)), expected) << value;
}

TEST(HexDigit, BothCasesAndNothingElse)
{
    const std::pair<char, int> cases[] = {{'0', 0},  {'9', 9},  {'a', 10}, {'F', 15}, {'g', -1}, {'G', -1},
                                          {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}};
    for (const auto &[digit, value] : cases) {
        EXPECT_EQ(HexDigitValue(digit), value) << digit;
        EXPECT_EQ(HexDigitValue(char16_t(digit)), value) << digit;
    }
    EXPECT_EQ(HexDigitValue(char16_t(0xFF10)), -1) << "a full-width digit is no hex digit";
}

TEST(ProfileEncoding, UnitsRoundTripWithTheirMark)
{
    const QByteArray utf8 = QStringLiteral("[Setting]\r\nname=全部\r\n").toUtf8();
    const QString decoded = QString::fromUtf8(utf8);
    const std::u16string asUtf16(reinterpret_cast<const char16_t *>(decoded.utf16()), std::size_t(decoded.size()));
    std::u16string asBytes; // one unit per byte
    for (char byte : utf8)
        asBytes += char16_t(static_cast<unsigned char>(byte));
    const std::pair<ProfileEncoding, const std::u16string &> cases[] = {
        {ProfileEncoding::Plain, asBytes},
        {ProfileEncoding::Utf8WithMark, asBytes},
        {ProfileEncoding::Utf16LE, asUtf16},
        {ProfileEncoding::Utf16BE, asUtf16},
    };
    for (const auto &[encoding, units] : cases) {
        const QByteArray bytes = ProfileBytes(units, encoding);
        EXPECT_EQ(DetectProfileEncoding(bytes), encoding);
        EXPECT_EQ(ProfileUnits(bytes, encoding), units);
        EXPECT_EQ(DecodeProfileText(bytes), decoded);
    }
    EXPECT_EQ(ProfileBytes(u"[a]", ProfileEncoding::Utf16LE), QByteArray("\xFF\xFE[\0a\0]\0", 8));
    QByteArray odd;
    EXPECT_EQ(ProfileUnits(QByteArray("\xFE\xFF\0a\x01", 5), ProfileEncoding::Utf16BE, &odd), u"a");
    EXPECT_EQ(odd, "\x01");
}

} // namespace
