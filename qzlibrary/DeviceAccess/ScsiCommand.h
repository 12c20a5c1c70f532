// The platform SCSI request beneath the bridge transport: open the path,
// send one command with its data, close the path.
#pragma once

#include <cstdint>

// How much data a data-in command must bring for it to count as done.
enum class DataInLength {
    UpTo, // at most the buffer (an allocation length: INQUIRY, READ CAPACITY)
    Exact, // exactly the buffer (the NVMe data of a bridge tunnel)
};

// Data from the device. The data lands in a scratch buffer first; the
// caller's buffer receives the bytes the device delivered only when the
// command succeeded (GOOD status and, with DataInLength::Exact, the whole
// length). Otherwise it is left exactly as it was and the command fails.
bool ReadSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength, uint8_t *inputBuffer,
                                     uint32_t bufferLen, uint32_t *readLength, uint32_t timeout,
                                     DataInLength rule = DataInLength::UpTo);

// Data to the device, or no data. A non-zero SCSI status fails the command,
// and so does a data phase that the device took only in part (the residue
// the platform reports).
bool WriteSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength,
                                      uint8_t *inputBuffer, uint32_t bufferLen, uint32_t *writeLength,
                                      uint32_t timeout);
