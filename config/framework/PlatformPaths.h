#pragma once
// Where the program and its per-user files live on this platform.

#include <QString>

namespace PlatformPaths {

// Folder of the running executable, always ending in '/'. Set once at start
// (CConfigApp::InitInstance); before that it is the folder of the process.
QString ApplicationDirectory();
void SetApplicationDirectory(const QString &folder);

// $XDG_CONFIG_HOME, else ~/.config (no trailing '/'); empty when neither
// the variable nor a home folder is known.
QString ConfigHome();

// $XDG_STATE_HOME, else ~/.local/state (no trailing '/').
QString StateHome();

// $XDG_RUNTIME_DIR, else a private folder (mode 0700) created for this user
// below the temporary folder. No trailing '/'. Empty when neither can be had
// (the fallback folder exists but belongs to someone else).
QString RuntimeDirectory();

} // namespace PlatformPaths
