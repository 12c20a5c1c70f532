#pragma once
// What the main-window benchmarks share: a user whose folders are temporary,
// the bundled provider with its three SSDs registered, the program folder
// of the build, and a window that neither waits after discovery (the fixed
// pause is not ours to measure) nor starts or answers the agent.

#include "app/CConfigDlg.h"
#include "framework/PlatformPaths.h"

#include "ProviderRegistration.h"
#include "TempUserFolders.h"

#include <QDir>
#include <QString>

inline void PrepareQuietMainWindow(const TempUserFolders &folders)
{
    RegisterBundledProvider(folders.ConfigHome(), QStringLiteral(QZ_BIN_DIR));
    QDir().mkpath(folders.ConfigHome() + QStringLiteral("/Zarvik/Zarvik RGB Software"));
    PlatformPaths::SetApplicationDirectory(QStringLiteral(QZ_BIN_DIR));
    CConfigDlg::Options options;
    options.creationWaitMs = 0;
    options.startAgent = false;
    options.listenForAgent = false;
    CConfigDlg::SetOptions(options);
}
