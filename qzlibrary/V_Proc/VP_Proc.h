// The work behind the per-drive exports. Each operation answers an unsigned
// 8-bit 1 (done) or 0 (failed); enumeration answers the number of drives.
#pragma once

#include <cstdint>

#include "nvme/NVMeCommand.h"

// Lists the present disks, keeps those that can be reached and writes them
// into AP_Instance from slot 0; returns their count.
uint32_t VP_PROC_GetQZDevice();

// Reads the drive's 4096-byte Identify data for CNS into pBuffer.
uint8_t VP_Identify(uint8_t bInstance, uint8_t* pBuffer, NVME_IDENTIFY_CNS_CODES CNS);

// Carries the 4096-byte command block to the drive's lighting MCU.
uint8_t VP_SysIloRgbMcuCmdWrite(uint8_t bInstance, uint8_t* pBuffer);

// Carries the 4096-byte request block, then reads the MCU's answer into pBuffer.
uint8_t VP_SysIloRgbMcuCmdRead(uint8_t bInstance, uint8_t* pBuffer);
