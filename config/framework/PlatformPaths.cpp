#include "framework/PlatformPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace PlatformPaths {
namespace {

QString &StoredApplicationDirectory()
{
    static QString folder;
    return folder;
}

QString WithTrailingSlash(QString folder)
{
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

QString XdgFolder(const char *variable, const QString &fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + QLatin1Char('/') + fallbackBelowHome);
}

} // namespace

QString ApplicationDirectory()
{
    QString &folder = StoredApplicationDirectory();
    if (folder.isEmpty() && QCoreApplication::instance())
        folder = WithTrailingSlash(QCoreApplication::applicationDirPath());
    return folder;
}

void SetApplicationDirectory(const QString &folder)
{
    StoredApplicationDirectory() = WithTrailingSlash(folder);
}

QString ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString StateHome()
{
    return XdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

QString RuntimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir::cleanPath(runtime);

    // No runtime folder from the session: a private one below the temporary
    // folder. Someone else may have made a folder of that name first; it is
    // only used when it belongs to us and nobody else can enter it.
    const QString folder = QDir::tempPath() + QStringLiteral("/zarvik-runtime-%1").arg(getuid());
    const QByteArray native = QFile::encodeName(folder);
    ::mkdir(native.constData(), 0700);
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return {};
    if ((info.st_mode & 0077) != 0)
        ::chmod(native.constData(), 0700);
    return folder;
}

} // namespace PlatformPaths
