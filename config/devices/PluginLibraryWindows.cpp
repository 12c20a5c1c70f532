#include "devices/PluginLibrary.h"

#include <QDir>

#include <windows.h>

namespace PluginLibrary {

bool IsAbsolutePath(const QString &path)
{
    // A drive letter and a separator ("C:\..."), or a network path; not a
    // path relative to a drive's current folder ("C:name", "\name").
    const QString native = QDir::toNativeSeparators(path);
    return (native.size() > 2 && native.at(0).isLetter() && native.at(1) == QLatin1Char(':')
            && native.at(2) == QLatin1Char('\\'))
        || native.startsWith(QLatin1String("\\\\"));
}

void *Load(const QString &path, QString *error)
{
    const std::wstring native = QDir::toNativeSeparators(path).toStdWString();
    // The plug-in's own dependencies are looked up beside it first.
    HMODULE library = LoadLibraryExW(native.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library)
        *error = QStringLiteral("error %1").arg(GetLastError());
    return reinterpret_cast<void *>(library);
}

void *Symbol(void *library, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Unload(void *library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace PluginLibrary
