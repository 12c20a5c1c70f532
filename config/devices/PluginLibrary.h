#pragma once
// Loading a plug-in's code into the process by its path (the folder-tree
// registry of ProviderRegistryPosix.cpp; Windows creates providers through COM).

#include <QString>

namespace PluginLibrary {

// True when `path` names one file whatever the working folder and the
// loader's search path are.
bool IsAbsolutePath(const QString &path);

// Loads the library at `path` and returns its handle; null with *error set
// when it cannot be loaded.
void *Load(const QString &path, QString *error);

// The address of an exported function; null when the library has none.
void *Symbol(void *library, const char *name);

void Unload(void *library);

} // namespace PluginLibrary
