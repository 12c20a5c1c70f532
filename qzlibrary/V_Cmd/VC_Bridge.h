// NVMe admin commands tunnelled through a USB bridge: the JMicron (A1h) and
// ASMedia (EAh/EBh) vendor CDBs and the three NVMe commands built on them.
#pragma once

#include <cstdint>

#include "nvme/NVMeCommand.h"

// JMicron modes of CDB byte 1 (admin form; without the admin bit 80h clear).
constexpr uint8_t JM_MODE_SET_PAYLOAD = 0x80;
constexpr uint8_t JM_MODE_NO_DATA = 0x81;
constexpr uint8_t JM_MODE_DATA_IN = 0x82;
constexpr uint8_t JM_MODE_DATA_OUT = 0x83;

// ASMedia operations (CDB byte 2) and data phases (CDB byte 4).
constexpr uint8_t ASM_OPERATION_COMMAND = 0x80;
constexpr uint8_t ASM_OPERATION_DATA = 0x81;
constexpr uint8_t ASM_DATA_PHASE_IN = 1;
constexpr uint8_t ASM_DATA_PHASE_OUT = 2;

// JMicron: 12-byte CDB A1h, transfer length dwSectorCount x 512 in bytes 3-5.
bool VC_Bridge_JM_SetPayloadCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin);
bool VC_Bridge_JM_DataOutCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin);
bool VC_Bridge_JM_DataInCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin);

// ASMedia: 16-byte CDB EAh (to the bridge) / EBh (from the bridge), transfer
// length dwByteCount in bytes 10-13.
bool VC_Bridge_ASM_DataOutCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwByteCount, bool bIsAdmin,
                              uint8_t ucOperation, uint8_t ucDataPhase);
bool VC_Bridge_ASM_DataInCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwByteCount, bool bIsAdmin,
                             uint8_t ucOperation, uint8_t ucDataPhase);

// Whether the slot's bridge carries a Firmware Image Download (the MCU
// block); when it does not, says so on the debug channel.
bool VC_Bridge_CarriesDownload(uint8_t bInstance);

// NVMe-level commands for the slot's bridge vendor; 1 success, 2 failure.
uint32_t VC_Bridge_GetLogPageCmd(uint8_t bInstance, uint8_t *pBuffer, uint8_t LID, uint16_t NUMD);
uint32_t VC_Bridge_IdentifyCmd(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS);
uint32_t VC_Bridge_FirmwareImageDownloadCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwLength, uint32_t dwOffset);
