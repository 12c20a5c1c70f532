#include "skin/ImageSet.h"

#include "framework/CaseInsensitivePath.h"
#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"

#include <QFileInfo>

namespace {

QString BelowApplication(const QString &folder, const QString &fileName)
{
    QString relative = fileName;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/')); // names written on Windows
    return PlatformPaths::ApplicationDirectory() + folder + relative;
}

} // namespace

QString SkinPicturePath(const QString &fileName)
{
    return BelowApplication(QStringLiteral("skins/"), fileName);
}

QString StaticPicturePath(const QString &fileName)
{
    return BelowApplication(QStringLiteral("skins/Pic/"), fileName);
}

QString MenuNormalPicturePath(const QString &menuName)
{
    return BelowApplication(QStringLiteral("Skins/Menu/"), menuName + QStringLiteral("_menu_normal.png"));
}

QString MenuOverPicturePath(const QString &menuName)
{
    return BelowApplication(QStringLiteral("Skins/Menu/"), menuName + QStringLiteral("_menu_over.png"));
}

bool SkinFileExists(const QString &path)
{
    return QFileInfo(CaseInsensitivePath::Resolve(path)).isFile();
}

ImageSet LoadImageSet(const QString &name, bool onePicture, MaskRequest mask, QSize *sizeOut)
{
    ImageSet set;
    const QString base = SkinPicturePath(name);
    const QString normalPath = base + QStringLiteral("_normal.png");
    LoadImageFile(normalPath, set.normal, sizeOut);

    auto stateOrNormal = [&](const char *suffix, Bitmap &target) {
        const QString path = base + QLatin1String(suffix);
        if (!onePicture && SkinFileExists(path))
            LoadImageFile(path, target);
        else
            target = set.normal; // the same pixels as loading "_normal.png" again
    };
    stateOrNormal("_over.png", set.over);
    stateOrNormal("_down.png", set.down);
    stateOrNormal("_disable.png", set.disable);

    if (mask == MaskRequest::Wanted) {
        const QString maskPath = base + QStringLiteral("_mask.bmp");
        set.maskPresent = SkinFileExists(maskPath);
        if (set.maskPresent)
            LoadImageFile(maskPath, set.mask);
    }
    return set;
}

QString ThumbSetName(const QString &name)
{
    return name + QStringLiteral("_bar");
}

Bitmap LoadTintSource(const QString &name, const Bitmap &normal)
{
    const QString path = SkinPicturePath(name) + QStringLiteral("_normal2.png");
    if (!SkinFileExists(path))
        return normal;
    Bitmap tint;
    LoadImageFile(path, tint);
    return tint;
}

ButtonPictureNames SplitButtonPictureName(const QString &name)
{
    if (!name.contains(QLatin1String("btnPng")))
        return {name, QString()};
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    const QString icon = underscore < 0 ? QString() : name.mid(underscore + 1);
    return {QStringLiteral("btnPng"), icon};
}
