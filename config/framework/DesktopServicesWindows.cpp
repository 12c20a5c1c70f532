#include "framework/DesktopServices.h"

#include <QDir>

#include <windows.h>

#include <shellapi.h>

namespace DesktopServices {

bool OpenDocumentWithPlatform(const QString &path)
{
    const std::wstring file = QDir::toNativeSeparators(path).toStdWString();
    // No verb: the file type's default action. Values above 32 mean success.
    const auto result
        = reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, file.c_str(), nullptr, nullptr, SW_SHOW));
    return result > 32;
}

} // namespace DesktopServices
