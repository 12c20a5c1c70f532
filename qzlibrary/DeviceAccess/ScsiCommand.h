// The platform SCSI request beneath the bridge transport: open the path,
// send one command with its data, close the path.
#pragma once

#include <cstdint>

// Data from the device. The SCSI status is not examined.
bool ReadSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength, uint8_t *inputBuffer,
                                     uint32_t bufferLen, uint32_t *readLength, uint32_t timeout);

// Data to the device, or no data. A non-zero SCSI status fails the command.
bool WriteSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength,
                                      uint8_t *inputBuffer, uint32_t bufferLen, uint32_t *writeLength,
                                      uint32_t timeout);
