#include "framework/PlatformPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace PlatformPaths {
namespace {

QString &StoredApplicationDirectory()
{
    static QString folder;
    return folder;
}

// The platform's own spelling of a folder, ending in its separator.
QString WithTrailingSeparator(const QString &folder)
{
    QString native = QDir::toNativeSeparators(folder);
    if (!native.endsWith(QDir::separator()))
        native += QDir::separator();
    return native;
}

} // namespace

QString ApplicationDirectory()
{
    QString &folder = StoredApplicationDirectory();
    if (folder.isEmpty() && QCoreApplication::instance())
        folder = WithTrailingSeparator(QCoreApplication::applicationDirPath());
    return folder;
}

void SetApplicationDirectory(const QString &folder)
{
    StoredApplicationDirectory() = WithTrailingSeparator(folder);
}

} // namespace PlatformPaths
