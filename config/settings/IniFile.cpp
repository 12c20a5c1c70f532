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

std::string_view Trim(std::string_view text)
{
    return TrimProfileBlanks(text);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

// Leading blanks, an optional sign, then decimal digits up to the first other
// character. Values beyond the 32-bit range saturate instead of overflowing.
int ParseLeadingInt(std::string_view text)
{
    text = Trim(text);
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

void IniFile::Parse(const QByteArray &bytes)
{
    sections.clear();
    sections.push_back(Section {}); // lines before the first header
    encoding = DetectProfileEncoding(bytes);
    const QByteArray text = ProfileTextAsUtf8(bytes, encoding);
    // The UTF-8 mark is not written back: the platform's functions know only
    // UTF-16 marks, and the file has always been written without one; unless
    // the text after it would then read as another encoding.
    if (encoding == ProfileEncoding::Utf8WithMark && DetectProfileEncoding(text) == ProfileEncoding::Plain)
        encoding = ProfileEncoding::Plain;

    // Unlike the skin reader, every line is kept as written (comments, blank
    // and unreadable lines included) so that a save changes only the values
    // it writes.
    std::string_view rest(text.constData(), static_cast<std::size_t>(text.size()));
    while (!rest.empty()) {
        const std::string_view line = TakeProfileLine(rest);
        const ProfileLine<char> kind = ClassifyProfileLine(line);
        if (kind.kind == ProfileLineKind::Section) {
            Section section;
            section.hasHeader = true;
            section.name = std::string(kind.name);
            section.header = std::string(line);
            sections.push_back(std::move(section));
            continue;
        }
        Entry entry;
        entry.text = std::string(line);
        if (kind.kind == ProfileLineKind::Key) {
            entry.key = std::string(kind.name);
            entry.value = std::string(kind.value);
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
}

const IniFile::Section *IniFile::FindSection(std::string_view name) const
{
    name = Trim(name);
    for (const Section &section : sections)
        if (section.hasHeader && EqualsIgnoringCase(section.name, name))
            return &section;
    return nullptr;
}

IniFile::Section &IniFile::FindOrAddSection(std::string_view name)
{
    if (const Section *found = FindSection(name))
        return const_cast<Section &>(*found);
    Section section;
    section.hasHeader = true;
    section.name = std::string(Trim(name));
    section.header = "[" + section.name + "]";
    sections.push_back(std::move(section));
    return sections.back();
}

std::optional<std::string> IniFile::ReadString(std::string_view section, std::string_view key) const
{
    const Section *found = FindSection(section);
    if (!found)
        return std::nullopt;
    key = Trim(key);
    for (const Entry &entry : found->entries) {
        if (!entry.key.empty() && EqualsIgnoringCase(entry.key, key)) {
            return std::string(WithoutProfileQuotes(std::string_view(entry.value)));
        }
    }
    return std::nullopt;
}

void IniFile::WriteString(std::string_view sectionName, std::string_view key, std::string_view value)
{
    Section &section = FindOrAddSection(sectionName);
    key = Trim(key);
    for (Entry &entry : section.entries) {
        if (!entry.key.empty() && EqualsIgnoringCase(entry.key, key)) {
            entry.value = std::string(value);
            entry.text = entry.key + "=" + entry.value;
            return;
        }
    }
    // A new key goes after the last non-blank line of its section, so that
    // blank lines separating sections stay where they were.
    auto position = section.entries.end();
    while (position != section.entries.begin() && Trim(std::prev(position)->text).empty())
        --position;
    Entry entry;
    entry.key = std::string(key);
    entry.value = std::string(value);
    entry.text = entry.key + "=" + entry.value;
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
    QByteArray text;
    text.reserve(16 * 1024);
    auto appendLine = [&text](const std::string &line) {
        text.append(line.data(), static_cast<qsizetype>(line.size()));
        text.append("\r\n", 2);
    };
    for (const Section &section : sections) {
        if (section.hasHeader)
            appendLine(section.header);
        for (const Entry &entry : section.entries)
            appendLine(entry.text);
    }
    return EncodeProfileText(text, encoding);
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
