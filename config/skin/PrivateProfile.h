#pragma once
// Reading a skin file by the platform's private-profile rules.
//
// Skin files are written for the Windows program as well, so their reading
// follows the Windows private-profile reader exactly; that is why it is
// written by hand here and not taken from QSettings (which unescapes values,
// treats '\' and ',' specially and has its own idea of sections):
// - the text is UTF-16LE or UTF-16BE when it starts with the matching byte
//   order mark, otherwise UTF-8 (with or without a byte order mark);
// - lines, sections, keys, comments and quotes are read by the shared rules
//   of framework/ProfileLine.h;
// - section and key names are compared without regard to case; the first
//   section of a name and the first key of a name within it win.
// Unlike the settings file (settings/IniFile.h), nothing is ever written back,
// so only the lookups are kept and the lines themselves are dropped.

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
    QHash<QString, QHash<QString, QString>> sections;
};
