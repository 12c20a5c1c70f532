#include "framework/PlatformPaths.h"

#include <QDir>

#include <windows.h>

#include <shlobj.h>

namespace PlatformPaths {
namespace {

// A shell folder in Qt's spelling ('/'-separated); empty when the shell
// knows none for this user.
QString ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) || path[0] == L'\0')
        return {};
    return QDir::cleanPath(QDir::fromNativeSeparators(QString::fromWCharArray(path)));
}

} // namespace

QString ConfigHome()
{
    return ShellFolder(CSIDL_APPDATA);
}

QStringList ConfigDirs()
{
    const QString common = ShellFolder(CSIDL_COMMON_APPDATA);
    return common.isEmpty() ? QStringList() : QStringList {common};
}

QString StateHome()
{
    return ShellFolder(CSIDL_LOCAL_APPDATA);
}

LogRoot LogFolderRoot()
{
    return {QStringLiteral("C:"), QString()};
}

QString RuntimeDirectory()
{
    // Only the lock files live here; other users have folders of their own.
    const QString local = StateHome();
    if (local.isEmpty())
        return {};
    const QString folder = local + QStringLiteral("/Zarvik/runtime");
    if (!QDir().mkpath(folder))
        return {};
    return folder;
}

} // namespace PlatformPaths
