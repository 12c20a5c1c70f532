#include "V_Cmd/VC_Bridge.h"

#include "QZUtil/ByteOrder.h"
#include "V_Cmd/VC_Std.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"
#include "driverdef/DeviceTypes.h"

namespace {

// The JMicron CDB carries the byte count in three bytes.
constexpr uint32_t kJMMaxSectors = 0xFFFFFF / 512;

bool SendJMicron(uint8_t bInstance, bool dataIn, uint8_t mode, uint8_t *pBuffer, uint32_t dwSectorCount)
{
    if (dwSectorCount > kJMMaxSectors)
        return false;
    const uint32_t bytes = dwSectorCount * 512;
    uint8_t cdb[12] = {0xA1, mode};
    qz::PutBE24(cdb + 3, bytes);
    return ScsiCdbPassThrough(bInstance, dataIn, cdb, sizeof cdb, pBuffer, bytes, false, DataInLength::Exact)
        == SCSI_PASS_SUCCESS;
}

bool SendASMedia(uint8_t bInstance, bool dataIn, uint8_t *pBuffer, uint32_t dwByteCount, bool bIsAdmin,
                 uint8_t ucOperation, uint8_t ucDataPhase)
{
    uint8_t cdb[16] = {static_cast<uint8_t>(dataIn ? 0xEB : 0xEA), 0x5A, ucOperation,
                       static_cast<uint8_t>(bIsAdmin ? 0 : 1), ucDataPhase};
    qz::PutBE32(cdb + 10, dwByteCount);
    return ScsiCdbPassThrough(bInstance, dataIn, cdb, sizeof cdb, pBuffer, dwByteCount, false, DataInLength::Exact)
        == SCSI_PASS_SUCCESS;
}

uint8_t JMMode(uint8_t adminMode, bool bIsAdmin)
{
    return bIsAdmin ? adminMode : static_cast<uint8_t>(adminMode & 0x7F);
}

} // namespace

bool VC_Bridge_JM_SetPayloadCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin)
{
    if (!SendJMicron(bInstance, false, JMMode(JM_MODE_SET_PAYLOAD, bIsAdmin), pBuffer, dwSectorCount)) {
        __dll_printf("FAILED(VC_Bridge_JM_SetPayloadCmd)\r\n");
        return false;
    }
    return true;
}

bool VC_Bridge_JM_DataOutCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin)
{
    const uint8_t mode = JMMode(dwSectorCount == 0 ? JM_MODE_NO_DATA : JM_MODE_DATA_OUT, bIsAdmin);
    if (!SendJMicron(bInstance, false, mode, pBuffer, dwSectorCount)) {
        __dll_printf("FAILED(VC_Bridge_JM_DataOutCmd)\r\n");
        return false;
    }
    return true;
}

bool VC_Bridge_JM_DataInCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwSectorCount, bool bIsAdmin)
{
    if (!SendJMicron(bInstance, true, JMMode(JM_MODE_DATA_IN, bIsAdmin), pBuffer, dwSectorCount)) {
        __dll_printf("FAILED(VC_Bridge_JM_DataInCmd)\r\n");
        return false;
    }
    return true;
}

bool VC_Bridge_ASM_DataOutCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwByteCount, bool bIsAdmin,
                              uint8_t ucOperation, uint8_t ucDataPhase)
{
    if (!SendASMedia(bInstance, false, pBuffer, dwByteCount, bIsAdmin, ucOperation, ucDataPhase)) {
        __dll_printf("FAILED(VC_Bridge_ASM_DataOutCmd)\r\n");
        return false;
    }
    return true;
}

bool VC_Bridge_ASM_DataInCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwByteCount, bool bIsAdmin,
                             uint8_t ucOperation, uint8_t ucDataPhase)
{
    if (!SendASMedia(bInstance, true, pBuffer, dwByteCount, bIsAdmin, ucOperation, ucDataPhase)) {
        __dll_printf("FAILED(VC_Bridge_ASM_DataInCmd)\r\n");
        return false;
    }
    return true;
}

namespace {

// An admin command with a data-in phase through the slot's bridge: the
// submission entry goes out, then `bytes` come back into pBuffer. `name`
// heads the failure lines; ASMedia failures are logged only when asked (the
// Identify path has no lines of its own there).
uint32_t TunnelDataIn(uint8_t bInstance, const _AP_INSTANCE_DATA &slot, const NVMeSubmissionEntry &entry,
                      uint8_t *pBuffer, uint32_t bytes, const char *name, bool logASMediaFailures)
{
    if (slot.ucUSBBridgeVendor == CHIP_VENDOR_JMICRON) {
        _SCSI_NVME_PAYLOAD_FORMAT payload;
        NVMe_BuildPayload(payload, entry);
        if (!VC_Bridge_JM_SetPayloadCmd(bInstance, reinterpret_cast<uint8_t *>(&payload), 1, true)) {
            __dll_printf("######### - %s fail[0]!\n", name);
            return VC_RESULT_FAIL;
        }
        if (!VC_Bridge_JM_DataInCmd(bInstance, pBuffer, bytes / 512, true)) {
            __dll_printf("######### - %s fail[1]!\n", name);
            return VC_RESULT_FAIL;
        }
        return VC_RESULT_SUCCESS;
    }
    if (slot.ucUSBBridgeVendor == CHIP_VENDOR_ASMEDIA) {
        uint8_t command[NVME_SUBMISSION_ENTRY_SIZE];
        entry.ToBytes(command);
        if (!VC_Bridge_ASM_DataOutCmd(bInstance, command, sizeof command, true, ASM_OPERATION_COMMAND,
                                      ASM_DATA_PHASE_IN)) {
            if (logASMediaFailures)
                __dll_printf("######### - %s fail[0]]!\n", name);
            return VC_RESULT_FAIL;
        }
        if (!VC_Bridge_ASM_DataInCmd(bInstance, pBuffer, bytes, true, ASM_OPERATION_DATA, ASM_DATA_PHASE_IN)) {
            if (logASMediaFailures)
                __dll_printf("######### - %s fail[1]]!\n", name);
            return VC_RESULT_FAIL;
        }
        return VC_RESULT_SUCCESS;
    }
    return VC_RESULT_FAIL; // no tunnel for this bridge: nothing was read
}

} // namespace

uint32_t VC_Bridge_GetLogPageCmd(uint8_t bInstance, uint8_t *pBuffer, uint8_t LID, uint16_t NUMD)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || NUMD == 0)
        return VC_RESULT_FAIL;
    return TunnelDataIn(bInstance, *slot, NVMe_GetLogPageEntry(LID, NUMD), pBuffer, uint32_t {NUMD} * 4,
                        "VC_Bridge_GetLogPageCmd", true);
}

uint32_t VC_Bridge_IdentifyCmd(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr)
        return VC_RESULT_FAIL;
    return TunnelDataIn(bInstance, *slot, NVMe_IdentifyEntry(CNS), pBuffer, NVME_DATA_BLOCK_SIZE,
                        "VC_Bridge_IdentifyCmd", false);
}

bool VC_Bridge_CarriesDownload(uint8_t bInstance)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr)
        return false;
    // Only the JMicron tunnel carries the download. Until the ASMedia form of
    // it is settled, a block for any other bridge is refused, not dropped.
    if (slot->ucUSBBridgeVendor != CHIP_VENDOR_JMICRON) {
        __dll_printf(QZ_FORMAT_NOT_CARRIED,
                     slot->ucUSBBridgeVendor == CHIP_VENDOR_ASMEDIA ? "ASMedia" : "unknown bridge",
                     static_cast<unsigned>(bInstance));
        return false;
    }
    return true;
}

uint32_t VC_Bridge_FirmwareImageDownloadCmd(uint8_t bInstance, uint8_t *pBuffer, uint32_t dwLength, uint32_t dwOffset)
{
    if (!VC_Bridge_CarriesDownload(bInstance))
        return VC_RESULT_FAIL;

    _SCSI_NVME_PAYLOAD_FORMAT payload;
    NVMe_BuildPayload(payload, NVMe_FirmwareImageDownloadEntry(dwLength, dwOffset));
    if (!VC_Bridge_JM_SetPayloadCmd(bInstance, reinterpret_cast<uint8_t *>(&payload), 1, true)) {
        __dll_printf("######### - VC_Bridge_FirmwareImageDownloadCmd fail[0]!\n");
        return VC_RESULT_FAIL;
    }
    const uint64_t sectors = uint64_t {dwLength} * 4 / 512;
    if (sectors > UINT32_MAX || !VC_Bridge_JM_DataOutCmd(bInstance, pBuffer, static_cast<uint32_t>(sectors), true)) {
        __dll_printf("######### - VC_Bridge_FirmwareImageDownloadCmd fail[1]!\n");
        return VC_RESULT_FAIL;
    }
    return VC_RESULT_SUCCESS;
}
