#pragma once
// Access to one private-profile (INI) file.
//
// Written by hand rather than with QSettings because the file is shared with
// the agent and must follow the platform's private-profile rules bit for bit:
// section and key names compared without regard to case, blanks around names
// and values ignored, ';' comment lines, a section name running to the last
// ']' of its line, values read without a pair of enclosing quotes, the first
// occurrence of a section or key wins, a write replaces a value in place or
// adds the section or key where it is missing, and everything else in the
// file is kept as it was. Files are written with CR LF line ends; LF-only
// files are read as well. (Skin files, read-only and possibly UTF-16, have
// their own reader in skin/PrivateProfile.h.)
//
// The file is read once when the object is made; writes change the copy in
// memory and reach the disk with Flush(), which replaces the whole file
// atomically.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile
{
public:
    explicit IniFile(QString path);

    // The text of a file, parsed as if it had been read from disk.
    static IniFile FromText(QByteArray text);

    const QString &Path() const { return path_; }

    std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
    void WriteString(std::string_view section, std::string_view key, std::string_view value);

    // The value as a signed decimal integer; `defaultValue` when the key is
    // missing or empty, 0 when it does not start with a number.
    int ReadInt(std::string_view section, std::string_view key, int defaultValue) const;
    void WriteInt(std::string_view section, std::string_view key, int value);

    // A structure in the checksummed hexadecimal form. On failure the buffer
    // is left untouched.
    bool ReadStruct(std::string_view section, std::string_view key, void *buffer, std::size_t size) const;
    void WriteStruct(std::string_view section, std::string_view key, const void *buffer, std::size_t size);

    // The whole file as it would be written.
    QByteArray ToText() const;

    // Writes the whole file to Path() through a temporary file in the same
    // folder that is renamed over the old one: readers see the old file or
    // the new one, never a partial one. False when anything failed; the old
    // file is then left as it was.
    bool Flush() const;

private:
    struct Entry
    {
        std::string text; // the line as written
        std::string key; // empty for comments, blank and other lines
        std::string value;
    };
    struct Section
    {
        bool hasHeader = false; // false only for the lines before the first header
        std::string name;
        std::string header;
        std::vector<Entry> entries;
    };

    void Parse(const QByteArray &text);
    const Section *FindSection(std::string_view name) const;
    Section &FindOrAddSection(std::string_view name);

    QString path_;
    std::vector<Section> sections_;
};
