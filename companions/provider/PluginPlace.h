#pragma once
// Where the plug-in and its user's settings live, on each platform its own
// way: PluginPlacePosix.cpp and PluginPlaceWindows.cpp.

#include <string>

namespace provider {

// The folder holding the plug-in's own file; empty when unknown.
std::string PluginFolder();

// The user's configuration folder ($XDG_CONFIG_HOME, default ~/.config, on
// Linux; %APPDATA% on Windows); empty when unknown.
std::string UserConfigFolder();

// True when `path` names one file whatever the working folder is.
bool IsAbsolutePath(const std::string &path);

// The characters that separate the components of a path.
extern const char kPathSeparators[];

} // namespace provider
