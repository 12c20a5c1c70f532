// What 'qzctl list' prints: a table for people, or JSON for scripts.
#pragma once

#include <string>
#include <vector>

#include "DebugText.h"
#include "IdentifyData.h"

namespace qzctl {

struct ListedDrive
{
    int index = 0;
    const KeptDrive *kept = nullptr; // null when the enumeration's line was not found
    bool identified = false; // Identify answered; `id` holds its fields
    IdentifyController id;
};

// Columns #, Transport, Bridge, Model, Serial, Firmware, Path, padded to the
// widest cell; '?' for what is not known, '-' for what does not apply.
std::string ListTable(const std::vector<ListedDrive> &drives);

// {"Devices": [{"Index", "Transport", "Bridge", "DevicePath", "ModelNumber",
// "SerialNumber", "Firmware"}, ...]}: every field always present, null for
// what is not known or does not apply.
std::string ListJson(const std::vector<ListedDrive> &drives);

} // namespace qzctl
