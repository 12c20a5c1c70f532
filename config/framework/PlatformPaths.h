#pragma once
// Where the program and its per-user files live on this platform.

#include <QString>
#include <QStringList>

namespace PlatformPaths {

// Folder of the running executable, always ending in '/'. Set once at start
// (CConfigApp::InitInstance); before that it is the folder of the process.
QString ApplicationDirectory();
void SetApplicationDirectory(const QString &folder);

// $XDG_CONFIG_HOME, else ~/.config (no trailing '/'); empty when neither
// the variable nor a home folder is known. The home folder is $HOME, else
// the user's entry in the password database.
QString ConfigHome();

// The system-wide configuration folders, most important first: the absolute
// entries of $XDG_CONFIG_DIRS (':'-separated), else /etc/xdg. No trailing '/'.
QStringList ConfigDirs();

// $XDG_STATE_HOME, else ~/.local/state (no trailing '/').
QString StateHome();

// $XDG_RUNTIME_DIR when it is a folder of this user that it can write, else
// a private folder (mode 0700) of this user below the temporary folder, else
// (that name taken by someone else) one below StateHome(). No trailing '/'.
// Empty when none can be had.
QString RuntimeDirectory();

} // namespace PlatformPaths
