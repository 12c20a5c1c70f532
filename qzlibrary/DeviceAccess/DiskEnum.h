// The present disks as the platform lists them, and the disk number of one.
#pragma once

#include <cstdint>

// At most this many disk interface paths are taken per enumeration, each
// held in a buffer of this many characters (terminator included).
constexpr int QZ_MAX_DISK_PATHS = 80;
constexpr int QZ_DISK_PATH_BUFFER = 256;

// Fills path buffers 0, 1, ... with the interface paths of the first 80 disks
// the platform reports; returns how many were filled (0 when the list cannot
// be obtained). A path that does not fit its buffer is left out, with a line
// on the debug channel, rather than cut to a path naming another device.
int JM_EnumerateDiskDevice(char pszDevicePath[QZ_MAX_DISK_PATHS][QZ_DISK_PATH_BUFFER]);

// The platform's disk number of the device at devFileName, or -1.
int GetPhysicalDriver(const char *devFileName);
