// A directly attached NVMe drive, reached only through the platform's NVMe
// services: Identify and Get Log Page through the storage protocol query,
// Firmware Image Download through the miniport firmware requests.
#pragma once

#include <cstdint>

#include "nvme/NVMeCommand.h"

// Reads 4096 bytes of Identify data. False when the device cannot be opened
// (pBuffer untouched) or the query fails (pBuffer gets the zero-filled data
// area).
bool Windows10NVMeIdentify(const char *fileName, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS);

// Reads 4096 bytes of the log page. True when the platform carried out the
// query. A failed query leaves the zero-filled data area in pBuffer; no
// device or no memory leaves it as it was.
bool Windows10NVMeGetLog(const char *fileName, uint8_t *pBuffer, uint8_t LogPageId);

// Asks for the firmware information into Buffer (BufferLength bytes, zero on
// entry) and prints it. True when the platform carried out the request.
bool NVMePassThrough_GetFwSlotInfo(const char *fileName, uint8_t *Buffer, uint32_t BufferLength);

// Carries the 4096-byte block in pBuffer as one Firmware Image Download at
// offset 0, only when the drive takes downloads and has a writable slot.
// 1: downloaded; 9: not.
uint32_t NVMeVendorCmd_By_FirmwareDownload(const char *fileName, uint8_t *pBuffer, uint32_t dwSize);

constexpr uint32_t NVME_FW_DOWNLOAD_DONE = 1;
constexpr uint32_t NVME_FW_DOWNLOAD_FAILED = 9;
