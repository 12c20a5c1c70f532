#include "settings/DiagnosticLog.h"

#include "framework/PlatformPaths.h"
#include "settings/FolderChain.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace {

constexpr const char *kLogFolderChain = "/Zarvik/LOG/Zarvik RGB Software_Config.log";

} // namespace

QString DiagnosticLogPath()
{
    const QString stateHome = PlatformPaths::StateHome();
    if (stateHome.isEmpty())
        return {};
    return stateHome + QLatin1String(kLogFolderChain);
}

void WriteLog(const QString &message)
{
    const QTime now = QTime::currentTime();
    const QString line
        = QString::asprintf("%02d:%02d:%02d:%03d ::  ", now.hour(), now.minute(), now.second(), now.msec()) + message
        + QLatin1Char('\n');

    const QString path = DiagnosticLogPath();
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path))
        EnsureFolderChain(PlatformPaths::StateHome(), QLatin1String(kLogFolderChain));

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toLocal8Bit()); // the locale's encoding, as other text files of the user
}
