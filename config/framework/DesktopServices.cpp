#include "framework/DesktopServices.h"

#include <QDesktopServices>
#include <QUrl>

namespace DesktopServices {
namespace {

std::function<bool(const QString &)> &Opener()
{
    static std::function<bool(const QString &)> opener;
    return opener;
}

} // namespace

bool OpenDocument(const QString &path)
{
    if (Opener())
        return Opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void SetDocumentOpenerForTesting(std::function<bool(const QString &)> opener)
{
    Opener() = std::move(opener);
}

} // namespace DesktopServices
