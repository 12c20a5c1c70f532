#include "PluginPlace.h"

#include <cctype>
#include <cstdlib>

#include <windows.h>

namespace provider {

const char kPathSeparators[] = "\\/";

std::string PluginFolder()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&PluginFolder), &module))
        return {};
    char file[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameA(module, file, sizeof file);
    if (length == 0 || length >= sizeof file)
        return {};
    const std::string path(file, length);
    const std::size_t separator = path.find_last_of(kPathSeparators);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string UserConfigFolder()
{
    const char *appData = std::getenv("APPDATA");
    return appData && IsAbsolutePath(appData) ? std::string(appData) : std::string();
}

bool IsAbsolutePath(const std::string &path)
{
    // "C:\..." or "C:/...", or a network path.
    const bool drive = path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':'
        && (path[2] == '\\' || path[2] == '/');
    return drive || path.rfind("\\\\", 0) == 0;
}

} // namespace provider
