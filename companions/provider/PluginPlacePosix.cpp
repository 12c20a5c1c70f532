#include "PluginPlace.h"

#include <cstdlib>

#include <dlfcn.h>

namespace provider {
namespace {

std::string Environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

void Anchor()
{ }

} // namespace

const char kPathSeparators[] = "/";

std::string PluginFolder()
{
    Dl_info info {};
    if (!dladdr(reinterpret_cast<void *>(&Anchor), &info) || !info.dli_fname)
        return {};
    const std::string file = info.dli_fname;
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

std::string UserConfigFolder()
{
    const std::string configHome = Environment("XDG_CONFIG_HOME");
    if (!configHome.empty() && configHome.front() == '/')
        return configHome;
    const std::string home = Environment("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

bool IsAbsolutePath(const std::string &path)
{
    return !path.empty() && path.front() == '/';
}

} // namespace provider
