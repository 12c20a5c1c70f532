// The SCSI pass-through of a slot's device path and the standard SCSI
// commands that recognise a USB bridge.
#pragma once

#include <cstdint>

#include "DeviceAccess/ScsiCommand.h"
#include "nvme/NVMeCommand.h"

constexpr uint32_t SCSI_TIMEOUT_SECONDS = 10;

constexpr int32_t SCSI_PASS_SUCCESS = 1;
constexpr int32_t SCSI_PASS_NO_DEVICE = -1;
constexpr int32_t SCSI_PASS_FAILED = -2;

// Sends the CDB to the slot's pDevicePath: data from the device when bDataIn,
// otherwise to the device (or no data). 1, -1 (the slot has no device path)
// or -2 (the command failed; a data-in command that failed or brought less
// than `rule` asks leaves pBuffer as it was).
int32_t ScsiCdbPassThrough(uint8_t bInstance, bool bDataIn, const uint8_t *pCdb, uint32_t dwCdbSize, uint8_t *pBuffer,
                           uint32_t dwLength, bool bLBA48, DataInLength rule = DataInLength::UpTo);

// INQUIRY asking for `allocationLength` bytes of data (at most that many
// land in pBuffer). 1 or 2.
uint32_t VC_STD_Inquiry(uint8_t bInstance, uint8_t *pBuffer, uint8_t allocationLength);
// TEST UNIT READY. 1 or 2.
uint32_t VC_STD_TestUnitReady(uint8_t bInstance, uint8_t *pBuffer);
// READ CAPACITY(10) with dwSectorCount x 512 bytes of data room. 1 or 2.
uint32_t VC_STD_ReadCapacity(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount);

// Reads log page LID (NUMD dwords, 4096 bytes of room in pBuffer) over the
// slot's transport: the bridge commands, or the platform's query on the
// slot's physical-drive path. 1 when the page was read, 2 when not, and 2
// for a slot without a transport.
uint32_t VC_STD_GetLogPage(uint8_t bInstance, uint8_t *pBuffer, uint8_t LID, uint16_t NUMD);

// Reads 4096 bytes of Identify data for CNS over the slot's transport. 1 or 2;
// a slot without a transport answers 2 without touching any device.
uint32_t VC_STD_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS);

// Identify of a directly attached drive, through its interface path. 1 or 2.
uint32_t VC_STD_Win10_NVMe_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS);
