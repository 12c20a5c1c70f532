#include "HidLog.h"

#include "framework/PlatformPaths.h"
#include "settings/FolderChain.h"

#include <QFile>
#include <QFileInfo>
#include <QTime>

namespace {

constexpr const char *kLogChain = "/Zarvik/LOG/hid.log";

} // namespace

QString HidLogPath()
{
    const QString stateHome = PlatformPaths::StateHome();
    return stateHome.isEmpty() ? QString() : stateHome + QLatin1String(kLogChain);
}

void WriteHidLog(const QString &message)
{
    const QString path = HidLogPath();
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path))
        EnsureFolderChain(PlatformPaths::StateHome(), QLatin1String(kLogChain));

    const QTime now = QTime::currentTime();
    const QString line
        = QString::asprintf("%02d:%02d:%02d:%03d ::  ", now.hour(), now.minute(), now.second(), now.msec()) + message
        + QLatin1Char('\n');
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(line.toUtf8());
}
