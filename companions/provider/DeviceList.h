#pragma once
// The devices this provider reports: read from its device list file, each
// with its description document (UTF-16) or none.

#include <optional>
#include <string>
#include <vector>

namespace provider {

struct ListedDevice
{
    // The description document; no value when the device has none.
    std::optional<std::u16string> description;
};

// Where the device list is looked for, in order:
//   1. the file named by $ZARVIK_PROVIDER_DEVICES (when set, it alone counts);
//   2. Zarvik/provider/devices.xml in the user's configuration folder
//      ($XDG_CONFIG_HOME, default ~/.config; %APPDATA% on Windows);
//   3. LightingProvider/devices.xml beside the plug-in.
// Empty when none is found.
std::string FindDeviceListFile();

// Reads a device list file. A missing or unreadable file gives no devices.
std::vector<ListedDevice> ReadDeviceList(const std::string &path);

// UTF-8 to UTF-16; malformed sequences become U+FFFD.
std::u16string Utf16FromUtf8(const std::string &text);

// Appends one line to the file named by $ZARVIK_PROVIDER_TRACE, if set.
void Trace(const std::string &line);

} // namespace provider
