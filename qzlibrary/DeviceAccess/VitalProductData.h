// The unit serial number (80h) and device identification (83h) pages of a
// SCSI device, read with INQUIRY on an open handle, as text for a disk's
// identity: they belong to the drive behind a bridge rather than to the
// bridge's USB side, which two enclosures of one make share.
#pragma once

#include <string>

#include "DeviceAccess/DeviceAccess.h"

namespace qz {

constexpr uint8_t kUnitSerialNumberPage = 0x80;
constexpr uint8_t kDeviceIdentificationPage = 0x83;
// The allocation length asked for: fits the one-byte field of older devices
// and holds any serial number and the usual identification descriptors.
constexpr uint32_t kVitalProductDataLength = 252;

// "vpd80 <hex bytes> vpd83 <hex bytes>"; a page the device refuses (CHECK
// CONDITION), does not deliver or answers with another page reads
// "vpd<NN> absent", so that a device without the pages is still identified
// by the rest. Sends two INQUIRY commands; leaves the last error as it was.
std::string DeviceIdentificationPages(DeviceAccess &access, DeviceHandle handle);

} // namespace qz
