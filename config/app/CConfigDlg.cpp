#include "app/CConfigDlg.h"

#include "app/CConfigApp.h"
#include "settings/DiagnosticLog.h"

CConfigDlg::CConfigDlg(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
{
}

CConfigDlg::~CConfigDlg() = default;

int CConfigDlg::DoModal()
{
    if (!OnCreate())
        return kCancelResult;
    OnInitDialog();
    const int result = exec();
    return result == QDialog::Accepted ? kOkResult : kCancelResult;
}

void CConfigDlg::EndDialog(int result)
{
    done(result == kOkResult ? QDialog::Accepted : QDialog::Rejected);
}

bool CConfigDlg::OnCreate()
{
    return true;
}

bool CConfigDlg::OnInitDialog()
{
    setWindowTitle(QString::fromLatin1(CConfigApp::kInstanceName));

    settingsPath = SettingsPath();
    if (!settingsPath.isEmpty()) {
        WriteLog(QStringLiteral("OnInitDialog-createIniPath - %1").arg(settingsPath));
        WriteLog(QStringLiteral("OnInitDialog-createIniPath2 - %1%2")
                     .arg(qEnvironmentVariable("XDG_CONFIG_HOME"), QStringLiteral("/Zarvik/Zarvik RGB Software/config")));
    }

    LoadSettings(settings, settingsPath);
    savedSettings = settings;
    return true;
}
