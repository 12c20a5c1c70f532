#include "skin/SkinFile.h"

#include "framework/CaseInsensitivePath.h"
#include "framework/PlatformPaths.h"
#include "skin/PrivateProfile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace {

// Skin files are a few kilobytes; anything far larger is not a skin file and
// is not read into memory.
constexpr qint64 kMaxSkinFileSize = 16 * 1024 * 1024;

struct LoadedSkin
{
    QString path; // as set
    QString resolvedPath; // the file actually read
    QDateTime modified;
    qint64 size = -1;
    bool exists = false;
    PrivateProfile profile;
};

LoadedSkin &Current()
{
    static LoadedSkin skin;
    return skin;
}

// Reads the file again when it appeared, vanished or changed since last time.
const PrivateProfile &CurrentProfile()
{
    LoadedSkin &skin = Current();
    const QString resolved = CaseInsensitivePath::Resolve(skin.path);
    const QFileInfo info(resolved);
    const bool exists = !skin.path.isEmpty() && info.isFile();
    const QDateTime modified = exists ? info.lastModified() : QDateTime();
    const qint64 size = exists ? info.size() : -1;
    if (resolved == skin.resolvedPath && exists == skin.exists && modified == skin.modified && size == skin.size)
        return skin.profile;

    skin.resolvedPath = resolved;
    skin.exists = exists;
    skin.modified = modified;
    skin.size = size;
    skin.profile = PrivateProfile();
    if (exists && size <= kMaxSkinFileSize) {
        QFile file(resolved);
        if (file.open(QIODevice::ReadOnly))
            skin.profile = PrivateProfile::FromBytes(file.read(kMaxSkinFileSize));
    }
    return skin.profile;
}

QString CutValue(QString value)
{
    if (value.size() > kMaxSkinValueLength)
        value.truncate(kMaxSkinValueLength);
    return value;
}

} // namespace

void SetSkinFile(const QString &path)
{
    LoadedSkin &skin = Current();
    skin = LoadedSkin();
    skin.path = path;
}

QString SkinFile()
{
    return Current().path;
}

QString SkinFileForLanguage(int languageId)
{
    return PlatformPaths::ApplicationDirectory()
        + (languageId == 1 ? QStringLiteral("Lan/skin_Cs.ini") : QStringLiteral("Lan/skin_En.ini"));
}

QString ReadSkinString(const QString &section, const QString &key, const QString &defaultValue)
{
    if (const std::optional<QString> value = CurrentProfile().Value(section, key))
        return CutValue(*value);
    QString fallback = defaultValue;
    while (!fallback.isEmpty() && fallback.back() == QLatin1Char(' '))
        fallback.chop(1);
    return CutValue(fallback);
}

QString SkinTextKey(int identifier)
{
    return QString::number(static_cast<unsigned>(identifier), 16).toUpper();
}

QString LookupSkinText(int identifier)
{
    return ReadSkinString(QStringLiteral("FUNC_STRING"), SkinTextKey(identifier), QString());
}
