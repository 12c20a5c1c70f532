#include "settings/IniFile.h"

#include "settings/EffectInfo.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
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

IniFile::IniFile(QString path)
    : path_(std::move(path))
{
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly))
        Parse(file.readAll());
}

IniFile IniFile::FromText(QByteArray text)
{
    IniFile ini {QString()};
    ini.Parse(text);
    return ini;
}

void IniFile::Parse(const QByteArray &text)
{
    sections_.clear();
    sections_.push_back(Section {}); // lines before the first header

    std::string_view rest(text.constData(), static_cast<std::size_t>(text.size()));
    if (rest.substr(0, 3) == "\xEF\xBB\xBF")
        rest.remove_prefix(3);

    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        const std::string_view trimmed = Trim(line);
        if (!trimmed.empty() && trimmed.front() == '[') {
            std::string_view name = trimmed.substr(1);
            name = name.substr(0, name.rfind(']')); // the name runs to the last ']' of the line
            Section section;
            section.hasHeader = true;
            section.name = std::string(Trim(name));
            section.header = std::string(line);
            sections_.push_back(std::move(section));
            continue;
        }

        Entry entry;
        entry.text = std::string(line);
        const std::size_t equals = trimmed.find('=');
        if (!trimmed.empty() && trimmed.front() != ';' && equals != std::string_view::npos && equals > 0) {
            entry.key = std::string(Trim(trimmed.substr(0, equals)));
            entry.value = std::string(Trim(trimmed.substr(equals + 1)));
        }
        sections_.back().entries.push_back(std::move(entry));
    }
}

const IniFile::Section *IniFile::FindSection(std::string_view name) const
{
    name = Trim(name);
    for (const Section &section : sections_)
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
    sections_.push_back(std::move(section));
    return sections_.back();
}

std::optional<std::string> IniFile::ReadString(std::string_view section, std::string_view key) const
{
    const Section *found = FindSection(section);
    if (!found)
        return std::nullopt;
    key = Trim(key);
    for (const Entry &entry : found->entries) {
        if (!entry.key.empty() && EqualsIgnoringCase(entry.key, key)) {
            // A value in a matching pair of quotes is read without them.
            const std::string &value = entry.value;
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                return value.substr(1, value.size() - 2);
            return value;
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
    for (const Section &section : sections_) {
        if (section.hasHeader)
            appendLine(section.header);
        for (const Entry &entry : section.entries)
            appendLine(entry.text);
    }
    return text;
}

bool IniFile::Flush() const
{
    if (path_.isEmpty())
        return false;
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = ToText();
    if (file.write(text) != text.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
