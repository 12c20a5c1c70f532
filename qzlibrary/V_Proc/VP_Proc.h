// The work behind the per-drive exports. Each operation answers an unsigned
// 8-bit 1 (done) or 0 (failed); enumeration answers the number of drives.
#pragma once

#include <cstdint>

#include "driverdef/DeviceTypes.h"
#include "nvme/NVMeCommand.h"

// Lists the present disks, keeps those that can be reached and writes them
// into AP_Instance from slot 0; returns their count. A candidate that is not
// kept leaves its path and flags in the slot after the last one kept.
uint32_t VP_PROC_GetQZDevice();

// Recognises a supported USB bridge with a drive inside at the slot's device
// path (INQUIRY, TEST UNIT READY, READ CAPACITY); CHIP_TYPE_UNKNOWN when none.
NVMeBridgeChipType QZ_GetBridgeChipID(int8_t bInstance);

// 1 when the slot is a direct candidate whose path names an NVMe device.
uint8_t VP_IsQZChip(uint8_t bInstance);

// Reads the drive's 4096-byte Identify data for CNS into pBuffer.
uint8_t VP_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS);

// Carries the 4096-byte command block to the drive's lighting MCU.
uint8_t VP_SysIloRgbMcuCmdWrite(uint8_t bInstance, uint8_t *pBuffer);

// Carries the 4096-byte request block, then reads the MCU's answer into
// pBuffer. On failure pBuffer keeps the request block.
uint8_t VP_SysIloRgbMcuCmdRead(uint8_t bInstance, uint8_t *pBuffer);

// The lighting MCU's log pages and block size.
constexpr uint8_t QZ_MCU_PRE_READ_LOG = 0xC6;
constexpr uint8_t QZ_MCU_ANSWER_LOG = 0xC7;
constexpr uint16_t QZ_MCU_BLOCK_DWORDS = 1024;
constexpr uint32_t QZ_MCU_BLOCK_BYTES = 4096;
