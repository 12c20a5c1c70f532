#include "V_Cmd/VC_Std.h"

#include "DeviceAccess/NVMeDirect.h"
#include "DeviceAccess/ScsiCommand.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"
#include "driverdef/DeviceTypes.h"

int32_t ScsiCdbPassThrough(uint8_t bInstance, bool bDataIn, const uint8_t *pCdb, uint32_t dwCdbSize, uint8_t *pBuffer,
                           uint32_t dwLength, bool bLBA48, DataInLength rule)
{
    (void)bLBA48;
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || slot->pDevicePath[0] == '\0') {
        __dll_printf("ScsiCdbPassThrough 0 \r\n");
        return SCSI_PASS_NO_DEVICE;
    }
    uint32_t transferred = 0;
    const bool ok = bDataIn ? ReadSCSICommandWithTimeOutValue(slot->pDevicePath, pCdb, dwCdbSize, pBuffer, dwLength,
                                                              &transferred, SCSI_TIMEOUT_SECONDS, rule)
                            : WriteSCSICommandWithTimeOutValue(slot->pDevicePath, pCdb, dwCdbSize, pBuffer, dwLength,
                                                               &transferred, SCSI_TIMEOUT_SECONDS);
    if (!ok) {
        __dll_printf("ScsiCdbPassThrough -2 \r\n");
        return SCSI_PASS_FAILED;
    }
    return SCSI_PASS_SUCCESS;
}

uint32_t VC_STD_Inquiry(uint8_t bInstance, uint8_t *pBuffer, uint8_t allocationLength)
{
    const uint8_t cdb[12] = {0x12, 0, 0, 0, allocationLength};
    return ScsiCdbPassThrough(bInstance, true, cdb, sizeof cdb, pBuffer, allocationLength, false) == SCSI_PASS_SUCCESS
        ? VC_RESULT_SUCCESS
        : VC_RESULT_FAIL;
}

uint32_t VC_STD_TestUnitReady(uint8_t bInstance, uint8_t *pBuffer)
{
    (void)pBuffer;
    const uint8_t cdb[12] = {0x00};
    return ScsiCdbPassThrough(bInstance, false, cdb, sizeof cdb, nullptr, 0, false) == SCSI_PASS_SUCCESS
        ? VC_RESULT_SUCCESS
        : VC_RESULT_FAIL;
}

uint32_t VC_STD_ReadCapacity(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount)
{
    if (dwSectorCount > UINT32_MAX / 512)
        return VC_RESULT_FAIL;
    const uint8_t cdb[12] = {0x25};
    return ScsiCdbPassThrough(bInstance, true, cdb, sizeof cdb, pBuffer, dwSectorCount * 512, false)
            == SCSI_PASS_SUCCESS
        ? VC_RESULT_SUCCESS
        : VC_RESULT_FAIL;
}

uint32_t VC_STD_GetLogPage(uint8_t bInstance, uint8_t *pBuffer, uint8_t LID, uint16_t NUMD)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || pBuffer == nullptr)
        return VC_RESULT_FAIL;
    if (slot->ucUSBCommandPath != 0) {
        return VC_Bridge_GetLogPageCmd(bInstance, pBuffer, LID, NUMD) == VC_RESULT_SUCCESS ? VC_RESULT_SUCCESS
                                                                                           : VC_RESULT_FAIL;
    }
    if (slot->ucNVMeCommandPath != 0) {
        // The platform always reads 4096 bytes, whatever NUMD says.
        return Windows10NVMeGetLog(slot->devPhyFileName, pBuffer, LID) ? VC_RESULT_SUCCESS : VC_RESULT_FAIL;
    }
    return VC_RESULT_FAIL;
}

uint32_t VC_STD_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || pBuffer == nullptr)
        return VC_RESULT_FAIL;
    if (slot->ucUSBCommandPath != 0) {
        return VC_Bridge_IdentifyCmd(bInstance, pBuffer, CNS) == VC_RESULT_SUCCESS ? VC_RESULT_SUCCESS : VC_RESULT_FAIL;
    }
    if (slot->ucNVMeCommandPath != 0) {
        return VC_STD_Win10_NVMe_Identify(bInstance, pBuffer, CNS) == VC_RESULT_SUCCESS ? VC_RESULT_SUCCESS
                                                                                        : VC_RESULT_FAIL;
    }
    return VC_RESULT_FAIL;
}

uint32_t VC_STD_Win10_NVMe_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || pBuffer == nullptr)
        return VC_RESULT_FAIL;
    // The interface path, not the physical-drive path the other requests use.
    if (!Windows10NVMeIdentify(slot->pDevicePath, pBuffer, CNS)) {
        __dll_printf("######### - VC_STD_Win10_NVMe_Identify fail!\n");
        return VC_RESULT_FAIL;
    }
    return VC_RESULT_SUCCESS;
}
