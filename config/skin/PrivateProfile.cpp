#include "skin/PrivateProfile.h"

#include "framework/ProfileEncoding.h"
#include "framework/ProfileLine.h"

#include <QStringView>

namespace {

QString Fold(std::u16string_view name)
{
    return QStringView(TrimProfileBlanks(name)).toString().toCaseFolded();
}

QString Fold(const QString &name)
{
    return Fold(std::u16string_view(QStringView(name).utf16(), static_cast<std::size_t>(name.size())));
}

} // namespace

QString PrivateProfile::DecodeText(const QByteArray &bytes)
{
    return DecodeProfileText(bytes);
}

PrivateProfile PrivateProfile::FromBytes(const QByteArray &bytes)
{
    PrivateProfile profile;
    profile.Parse(DecodeText(bytes));
    return profile;
}

void PrivateProfile::Parse(const QString &text)
{
    // Keys before the first header, and keys of a repeated section, are not
    // visible to lookups.
    QString section;
    bool sectionIsFirst = false;
    std::u16string_view rest(QStringView(text).utf16(), static_cast<std::size_t>(text.size()));
    while (!rest.empty()) {
        const ProfileLine<char16_t> line = ClassifyProfileLine(TakeProfileLine(rest));
        if (line.kind == ProfileLineKind::Section) {
            section = Fold(line.name);
            sectionIsFirst = !sections.contains(section);
            if (sectionIsFirst)
                sections.insert(section, {});
            continue;
        }
        if (line.kind != ProfileLineKind::Key || !sectionIsFirst)
            continue;
        QHash<QString, QString> &keys = sections[section];
        const QString key = Fold(line.name);
        if (!keys.contains(key))
            keys.insert(key, QStringView(WithoutProfileQuotes(line.value)).toString());
    }
}

std::optional<QString> PrivateProfile::Value(const QString &section, const QString &key) const
{
    const auto foundSection = sections.constFind(Fold(section));
    if (foundSection == sections.constEnd())
        return std::nullopt;
    const auto foundKey = foundSection->constFind(Fold(key));
    if (foundKey == foundSection->constEnd())
        return std::nullopt;
    return *foundKey;
}
