#pragma once
// Access to one private-profile (INI) file.
//
// Written by hand rather than with QSettings because the file is shared with
// the agent and must follow the platform's private-profile rules bit for bit:
// lines are read by the shared rules of framework/ProfileLine.h; section and
// key names are compared without regard to case, the first occurrence of a
// section or key wins, a write replaces a value in place or adds the section
// or key where it is missing, and everything else in the file is kept as it
// was. Files are written with CR LF line ends, in the encoding they were read
// in (UTF-16 with its byte order mark, as the platform writes it, or bytes).
// The text is kept as the platform's functions see it, in 16-bit code units
// (one per byte for 8-bit text), and lines are written back unit for unit, so
// that every line Config does not write comes back exactly as it was, even
// when it is not valid UTF-16. 8-bit text with a NUL byte is no settings file
// (UTF-16 without its mark, binary damage): it reads as unreadable.
// (Skin files, read-only, have their own lookup in skin/PrivateProfile.h.)
//
// The file is read once when the object is made; writes change the copy in
// memory and reach the disk with Flush(), which replaces the whole file
// atomically.

#include "framework/ProfileEncoding.h"

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
    // Settings files are a few tens of kilobytes; anything larger than this
    // is not one and is read as unreadable, by Config and the agent alike.
    static constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

    enum class FileState {
        Missing, // no file (or no path)
        Readable, // empty, or at least one section could be read
        Unreadable, // cannot be read, too large, or not empty without a section
    };

    explicit IniFile(QString path);

    // The text of a file, parsed as if it had been read from disk.
    static IniFile FromText(QByteArray text);

    const QString &Path() const { return path; }
    FileState State() const { return state; }
    ProfileEncoding Encoding() const { return encoding; }

    // Drops every line read, so that the next write starts a clean file.
    void StartAfresh();

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
    // file is then left as it was and `reason` (when given) says why.
    bool Flush(QString *reason = nullptr) const;

private:
    struct Entry
    {
        std::u16string text; // the line as written
        std::u16string key; // empty for comments, blank and other lines
        std::u16string value;
    };
    struct Section
    {
        bool hasHeader = false; // false only for the lines before the first header
        std::u16string name;
        std::u16string header;
        std::vector<Entry> entries;
    };

    // Names and values given and answered in UTF-8, as units of this file.
    std::u16string Units(std::string_view text) const;
    std::string Text(std::u16string_view units) const;

    void Parse(const QByteArray &text);
    const Section *FindSection(std::u16string_view name) const;
    Section &FindOrAddSection(std::u16string_view name);

    QString path;
    FileState state = FileState::Readable;
    ProfileEncoding encoding = ProfileEncoding::Plain;
    QByteArray oddByte; // an odd final byte of a UTF-16 file, which is no unit
    std::vector<Section> sections;
};
