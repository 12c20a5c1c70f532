#include "devices/PluginLibrary.h"

#include <QFile>

#include <dlfcn.h>

namespace PluginLibrary {

bool IsAbsolutePath(const QString &path)
{
    return path.startsWith(QLatin1Char('/'));
}

void *Load(const QString &path, QString *error)
{
    void *library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *reason = dlerror();
        *error = QString::fromLocal8Bit(reason ? reason : "unknown error");
    }
    return library;
}

void *Symbol(void *library, const char *name)
{
    return dlsym(library, name);
}

void Unload(void *library)
{
    dlclose(library);
}

} // namespace PluginLibrary
