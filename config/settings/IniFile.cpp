#include "settings/IniFile.h"

#include "settings/EffectInfo.h"

#include "framework/ProfileEncoding.h"
#include "framework/ProfileLine.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

std::u16string_view Trim(std::u16string_view text)
{
    return TrimProfileBlanks(text);
}

char16_t AsciiLower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(std::u16string_view units)
{
    return std::all_of(units.begin(), units.end(), [](char16_t c) { return c < 0x80; });
}

// Leading blanks, an optional sign, then decimal digits up to the first other
// character. Values beyond the 32-bit range saturate instead of overflowing.
int ParseLeadingInt(std::string_view text)
{
    text = TrimProfileBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<int64_t>(value * 10 + (c - '0'), int64_t(INT_MAX) + 1);
    }
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

IniFile::IniFile(QString filePath)
    : path(std::move(filePath))
{
    sections.push_back(Section {});
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        state = FileState::Missing;
        return;
    }
    // Nothing larger is a settings file; it is not even read into memory.
    QFile file(path);
    if (info.size() > kMaxFileBytes || !file.open(QIODevice::ReadOnly)) {
        state = FileState::Unreadable;
        return;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFile::NoError || bytes.size() > kMaxFileBytes) {
        state = FileState::Unreadable;
        return;
    }
    Parse(bytes);
}

IniFile IniFile::FromText(QByteArray text)
{
    IniFile ini {QString()};
    ini.Parse(text);
    return ini;
}

std::u16string IniFile::Units(std::string_view text) const
{
    if (IsUtf16(encoding) && !IsAscii(text)) {
        const QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
        return std::u16string(reinterpret_cast<const char16_t *>(decoded.utf16()),
                              static_cast<std::size_t>(decoded.size()));
    }
    std::u16string units(text.size(), u'\0');
    std::transform(text.begin(), text.end(), units.begin(),
                   [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
    return units;
}

std::string IniFile::Text(std::u16string_view units) const
{
    if (IsUtf16(encoding) && !IsAscii(units))
        return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
    std::string text(units.size(), '\0');
    std::transform(units.begin(), units.end(), text.begin(), [](char16_t c) { return static_cast<char>(c & 0xFF); });
    return text;
}

void IniFile::Parse(const QByteArray &bytes)
{
    sections.clear();
    sections.push_back(Section {}); // lines before the first header
    encoding = DetectProfileEncoding(bytes);
    oddByte.clear();
    const std::u16string text = ProfileUnits(bytes, encoding, &oddByte);
    // 8-bit text has no NUL byte: this is UTF-16 without its mark, or no
    // text at all.
    if (!IsUtf16(encoding) && text.find(u'\0') != std::u16string::npos) {
        state = FileState::Unreadable;
        return;
    }
    // The UTF-8 mark is not written back, unless the text after it would
    // then read as UTF-16.
    if (encoding == ProfileEncoding::Utf8WithMark && DetectProfileEncoding(bytes.sliced(3)) == ProfileEncoding::Plain)
        encoding = ProfileEncoding::Plain;

    // Unlike the skin reader, every line is kept as written (comments, blank
    // and unreadable lines included) so that a save changes only the values
    // it writes.
    std::u16string_view rest(text);
    while (!rest.empty()) {
        const std::u16string_view line = TakeProfileLine(rest);
        const ProfileLine<char16_t> kind = ClassifyProfileLine(line);
        if (kind.kind == ProfileLineKind::Section) {
            Section section;
            section.hasHeader = true;
            section.name = std::u16string(kind.name);
            section.header = std::u16string(line);
            sections.push_back(std::move(section));
            continue;
        }
        Entry entry;
        entry.text = std::u16string(line);
        if (kind.kind == ProfileLineKind::Key) {
            entry.key = std::u16string(kind.name);
            entry.value = std::u16string(kind.value);
        }
        sections.back().entries.push_back(std::move(entry));
    }
    // Something that is not empty but has not one section is not a settings
    // file (another encoding, binary damage).
    const bool hasSection = sections.size() > 1;
    state = hasSection || bytes.isEmpty() ? FileState::Readable : FileState::Unreadable;
}

void IniFile::StartAfresh()
{
    sections.clear();
    sections.push_back(Section {});
    encoding = ProfileEncoding::Plain;
    oddByte.clear();
}

const IniFile::Section *IniFile::FindSection(std::u16string_view name) const
{
    name = Trim(name);
    for (const Section &section : sections)
        if (section.hasHeader && EqualsIgnoringCase(section.name, name))
            return &section;
    return nullptr;
}

IniFile::Section &IniFile::FindOrAddSection(std::u16string_view name)
{
    if (const Section *found = FindSection(name))
        return const_cast<Section &>(*found);
    Section section;
    section.hasHeader = true;
    section.name = std::u16string(Trim(name));
    section.header = u"[" + section.name + u"]";
    sections.push_back(std::move(section));
    return sections.back();
}

std::optional<std::string> IniFile::ReadString(std::string_view section, std::string_view key) const
{
    const Section *found = FindSection(Units(section));
    if (!found)
        return std::nullopt;
    const std::u16string wanted = Units(key);
    const std::u16string_view name = Trim(wanted);
    for (const Entry &entry : found->entries) {
        if (!entry.key.empty() && EqualsIgnoringCase(entry.key, name))
            return Text(WithoutProfileQuotes(std::u16string_view(entry.value)));
    }
    return std::nullopt;
}

void IniFile::WriteString(std::string_view sectionName, std::string_view keyName, std::string_view valueText)
{
    Section &section = FindOrAddSection(Units(sectionName));
    const std::u16string wanted = Units(keyName);
    const std::u16string_view key = Trim(wanted);
    std::u16string value = Units(valueText);
    for (Entry &entry : section.entries) {
        if (!entry.key.empty() && EqualsIgnoringCase(entry.key, key)) {
            entry.value = std::move(value);
            entry.text = entry.key + u"=" + entry.value;
            return;
        }
    }
    // A new key goes after the last non-blank line of its section, so that
    // blank lines separating sections stay where they were.
    auto position = section.entries.end();
    while (position != section.entries.begin() && Trim(std::prev(position)->text).empty())
        --position;
    Entry entry;
    entry.key = std::u16string(key);
    entry.value = std::move(value);
    entry.text = entry.key + u"=" + entry.value;
    section.entries.insert(position, std::move(entry));
}

int IniFile::ReadInt(std::string_view section, std::string_view key, int defaultValue) const
{
    const std::optional<std::string> value = ReadString(section, key);
    if (!value || value->empty())
        return defaultValue;
    return ParseLeadingInt(*value);
}

void IniFile::WriteInt(std::string_view section, std::string_view key, int value)
{
    WriteString(section, key, std::to_string(value));
}

bool IniFile::ReadStruct(std::string_view section, std::string_view key, void *buffer, std::size_t size) const
{
    const std::optional<std::string> value = ReadString(section, key);
    return value && DecodeStructValue(*value, static_cast<uint8_t *>(buffer), size);
}

void IniFile::WriteStruct(std::string_view section, std::string_view key, const void *buffer, std::size_t size)
{
    WriteString(section, key, EncodeStructValue(static_cast<const uint8_t *>(buffer), size));
}

QByteArray IniFile::ToText() const
{
    std::u16string text;
    text.reserve(16 * 1024);
    auto appendLine = [&text](const std::u16string &line) {
        text += line;
        text += u"\r\n";
    };
    for (const Section &section : sections) {
        if (section.hasHeader)
            appendLine(section.header);
        for (const Entry &entry : section.entries)
            appendLine(entry.text);
    }
    return ProfileBytes(text, encoding, oddByte);
}

bool IniFile::Flush(QString *reason) const
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no settings folder is known"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    const QByteArray text = ToText();
    if (file.write(text) != text.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}
