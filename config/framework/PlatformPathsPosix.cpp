#include "framework/PlatformPaths.h"

#include <QDir>
#include <QFile>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PlatformPaths {
namespace {

// $HOME, else the home folder of the password database (services and `env -i`
// start programs without HOME).
QString HomeFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return home;
    if (const struct passwd *user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/')
        return QFile::decodeName(user->pw_dir);
    return {};
}

QString XdgFolder(const char *variable, const QString &fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = HomeFolder();
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + QLatin1Char('/') + fallbackBelowHome);
}

// True when `folder` is a folder (not a link) that belongs to this user and
// that this user can enter and write; with `create`, it is made first when
// missing (mode 0700) and closed to others when it is ours.
bool IsPrivateFolder(const QString &folder, bool create)
{
    const QByteArray native = QFile::encodeName(folder);
    if (create)
        ::mkdir(native.constData(), 0700);
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return false;
    if (create && (info.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return false;
    return ::access(native.constData(), W_OK | X_OK) == 0;
}

} // namespace

QString ConfigHome()
{
    return XdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QStringList ConfigDirs()
{
    QStringList folders;
    const QStringList entries = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : entries)
        if (QDir::isAbsolutePath(entry))
            folders << QDir::cleanPath(entry);
    if (folders.isEmpty())
        folders << QStringLiteral("/etc/xdg");
    folders.removeDuplicates();
    return folders;
}

QString StateHome()
{
    return XdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
}

LogRoot LogFolderRoot()
{
    return {StateHome(), QStringLiteral("/Zarvik")};
}

QString RuntimeDirectory()
{
    // The session's folder, when it is really ours (after `su` it is the
    // other user's and cannot be written).
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime, false))
        return QDir::cleanPath(runtime);

    // Else a private folder below the temporary folder. Someone else may have
    // made a folder of that name first to stop us; it is only used when it
    // belongs to us, and otherwise a folder below our own state folder is.
    const QString shared = QDir::tempPath() + QStringLiteral("/zarvik-runtime-%1").arg(getuid());
    if (IsPrivateFolder(shared, true))
        return shared;
    const QString state = StateHome();
    if (state.isEmpty())
        return {};
    const QString own = state + QStringLiteral("/Zarvik/runtime");
    QDir().mkpath(state + QStringLiteral("/Zarvik"));
    if (IsPrivateFolder(own, true))
        return own;
    return {};
}

} // namespace PlatformPaths
