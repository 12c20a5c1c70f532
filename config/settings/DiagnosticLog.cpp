#include "settings/DiagnosticLog.h"

#include "framework/PlatformPaths.h"
#include "settings/FolderChain.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace {

constexpr const char *kLogFileChain = "/LOG/Zarvik RGB Software_Config.log";

} // namespace

QString DiagnosticLogPath()
{
    const PlatformPaths::LogRoot root = PlatformPaths::LogFolderRoot();
    if (root.base.isEmpty())
        return {};
    return root.base + root.chain + QLatin1String(kLogFileChain);
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
    if (!QFileInfo::exists(path)) {
        const PlatformPaths::LogRoot root = PlatformPaths::LogFolderRoot();
        EnsureFolderChain(root.base, root.chain + QLatin1String(kLogFileChain));
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toLocal8Bit()); // the locale's encoding, as other text files of the user
}
