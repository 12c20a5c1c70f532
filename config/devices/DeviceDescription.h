#pragma once
// The description document a lighting device hands out, and the records it
// becomes. The fields are kept as read; nothing in the program interprets
// them.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct EffectEntry
{
    std::string name;
    std::int32_t id = 0;
    std::int32_t synchronizable = 0;
    std::int32_t customized_color = 0;
    std::int32_t speed_supported = 0;
    std::int32_t direction_supported = 0;
    std::int32_t discrete_supported = 0;
    std::int32_t speed_default = 0;
    std::int32_t direction_default = 0;
    std::int32_t speed_levels = 0;
    std::int32_t direction_levels = 0;

    bool operator==(const EffectEntry &) const = default;
};

struct DeviceEntry
{
    std::string name;
    std::int32_t id = 0;
    std::int32_t led_count = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::string> led_names;
    std::vector<EffectEntry> effects;

    bool operator==(const DeviceEntry &) const = default;
};

struct DeviceDescription
{
    std::string version;
    std::int32_t type = 0;
    std::vector<DeviceEntry> devices;

    bool operator==(const DeviceDescription &) const = default;
};

// Reads one document into *description (which the caller passes freshly
// initialised). Returns false when the document holds no element at all;
// the record is then untouched. Parse errors are not reported: whatever the
// parser could read before the error is kept.
bool ParseDeviceDescription(std::u16string_view document, DeviceDescription *description);
bool ParseDeviceDescription(const QString &document, DeviceDescription *description);

// The narrow form of a document as the parser sees it: UTF-8, with '?' for
// anything UTF-8 cannot carry (unpaired surrogates).
std::string NarrowDocumentText(std::u16string_view document);

// The number rule of the documents: C atoi (leading white space, optional
// sign, decimal digits up to the first other character, 0 without digits),
// saturated at the 32-bit limits instead of overflowing.
std::int32_t DocumentNumber(const char *text);
