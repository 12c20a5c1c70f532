#include "app/CConfigApp.h"

#include "app/CConfigDlg.h"
#include "framework/DesktopServices.h"
#include "framework/PlatformPaths.h"
#include "framework/QuitSignals.h"
#include "settings/DiagnosticLog.h"
#include "settings/FolderChain.h"
#include "settings/LightingSettings.h"

#include <QCoreApplication>

CConfigApp *CConfigApp::instance = nullptr;

CConfigApp::CConfigApp()
    : instanceLock(QString::fromLatin1(kInstanceName))
{
    instance = this;
}

CConfigApp::~CConfigApp()
{
    if (instance == this)
        instance = nullptr;
}

int CConfigApp::InitInstance()
{
    // 1. One copy at a time: a second copy ends here, without a window. A
    // lock that cannot be made at all stops nobody: the program runs on
    // without it.
    const SingleInstanceLock::Result lock = instanceLock.TryAcquire();
    if (lock == SingleInstanceLock::Result::HeldByAnother)
        return 1;
    if (lock == SingleInstanceLock::Result::Unavailable)
        WriteLog(QStringLiteral("InitInstance - single-instance lock cannot be made, running without it - %1")
                     .arg(instanceLock.Description()));

    // 2.-3. The program's own folder, base of the skin, help and agent paths.
    PlatformPaths::SetApplicationDirectory(QCoreApplication::applicationDirPath());
    WriteLog(PlatformPaths::ApplicationDirectory());

    // 4. The folders that hold the settings file.
    EnsureFolderChain(PlatformPaths::ConfigHome(), QLatin1String(kSettingsFolderChain));

    // 5.-6. Nothing to start: the window layer needs no graphics start-up.

    // 7.-10. The main window, modal until it ends.
    WriteLog(QStringLiteral("STEP CreateDlg"));
    {
        CConfigDlg dialog;
        mainWindow = &dialog;
        InstallQuitSignalHandler([this] {
            if (mainWindow)
                mainWindow->EndDialog(CConfigDlg::kCancelResult);
        });
        dialog.DoModal();
        WriteLog(QStringLiteral("STEP CreateDlg -End"));
        mainWindow = nullptr;
    }

    // 11.-12.
    WriteLog(QStringLiteral("Instance End"));
    return 1;
}

int CConfigApp::ExitInstance()
{
    WriteLog(QStringLiteral("STEP-ExitInstance()-End"));
    instanceLock.Release();
    return 0;
}

void CConfigApp::OnHelp()
{
    DesktopServices::OpenDocument(PlatformPaths::ApplicationDirectory() + QStringLiteral("Help/Help.pdf"));
}
