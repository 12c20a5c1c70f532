#pragma once
// Reading a skin file by the platform's private-profile rules.
//
// Skin files are written for the Windows program as well, so their reading
// follows the Windows private-profile reader exactly; that is why it is
// written by hand here and not taken from QSettings (which unescapes values,
// treats '\' and ',' specially and has its own idea of sections):
// - the text is UTF-16LE or UTF-16BE when it starts with the matching byte
//   order mark, otherwise UTF-8 (with or without a byte order mark);
// - lines end at CR, LF or CR LF; blanks (space, tab) around a line, around a
//   section name, around a key and around a value are ignored;
// - "[name]" on a line of its own starts a section (the name runs to the
//   last ']' of the line);
// - lines starting with ';' are comments;
// - "key=value" is a key (the first '=' separates); a line without '=' is a
//   key without value;
// - section and key names are compared without regard to case; the first
//   section of a name and the first key of a name within it win;
// - a value enclosed in a matching pair of quotes (" or ') loses the pair.

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>

class PrivateProfile
{
public:
    PrivateProfile() = default;

    static PrivateProfile FromBytes(const QByteArray &bytes);

    // The value of the key, or nullopt when the section or key is missing.
    std::optional<QString> Value(const QString &section, const QString &key) const;

    static QString DecodeText(const QByteArray &bytes);

private:
    void Parse(const QString &text);

    // Folded section name -> folded key name -> value.
    QHash<QString, QHash<QString, QString>> sections_;
};
