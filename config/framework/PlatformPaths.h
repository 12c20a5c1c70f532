#pragma once
// Where the program and its per-user files live on this platform.

#include <QString>
#include <QStringList>

namespace PlatformPaths {

// Folder of the running executable, always ending in the platform's
// separator ('/', or '\\' on Windows). Set once at start
// (CConfigApp::InitInstance); before that it is the folder of the process.
QString ApplicationDirectory();
void SetApplicationDirectory(const QString &folder);

// The user's configuration folder (no trailing separator): $XDG_CONFIG_HOME,
// else ~/.config; empty when neither the variable nor a home folder is
// known. The home folder is $HOME, else the user's entry in the password
// database. On Windows the roaming application data folder (%APPDATA%).
QString ConfigHome();

// The environment variable that names the configuration home (for logs).
#ifdef _WIN32
inline constexpr const char *kConfigHomeVariable = "APPDATA";
#else
inline constexpr const char *kConfigHomeVariable = "XDG_CONFIG_HOME";
#endif

// The system-wide configuration folders, most important first: the absolute
// entries of $XDG_CONFIG_DIRS (':'-separated), else /etc/xdg. No trailing '/'.
// On Windows the common application data folder.
QStringList ConfigDirs();

// $XDG_STATE_HOME, else ~/.local/state (no trailing '/'). On Windows the
// local application data folder.
QString StateHome();

// Where the program's log folder chain starts: an existing folder and the
// folders below it that lead to the program's "LOG" folder (made as needed).
// <state home> + "/Zarvik" here; the root of drive C: on Windows.
struct LogRoot
{
    QString base;
    QString chain; // empty, or '/'-separated folders starting with '/'
};
LogRoot LogFolderRoot();

// $XDG_RUNTIME_DIR when it is a folder of this user that it can write, else
// a private folder (mode 0700) of this user below the temporary folder, else
// (that name taken by someone else) one below StateHome(). No trailing '/'.
// Empty when none can be had. On Windows a folder of this user below the
// local application data folder.
QString RuntimeDirectory();

} // namespace PlatformPaths
