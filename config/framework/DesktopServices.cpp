#include "framework/DesktopServices.h"

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
    return OpenDocumentWithPlatform(path);
}

void SetDocumentOpenerForTesting(std::function<bool(const QString &)> opener)
{
    Opener() = std::move(opener);
}

} // namespace DesktopServices
