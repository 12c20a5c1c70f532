#include "framework/DesktopServices.h"

#include <QDesktopServices>
#include <QUrl>

namespace DesktopServices {

bool OpenDocumentWithPlatform(const QString &path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace DesktopServices
