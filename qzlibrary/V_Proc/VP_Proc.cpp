#include "V_Proc/VP_Proc.h"

#include <cstdio>
#include <cstring>

#include "DeviceAccess/DeviceSession.h"
#include "DeviceAccess/DiskEnum.h"
#include "DeviceAccess/NVMeDirect.h"
#include "QZUtil/QZUtil.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"
#include "dbg/QuotedText.h"

namespace {

constexpr uint32_t kProbeBufferBytes = 512;
constexpr uint32_t kInquiryVendorOffset = 8; // T10 vendor identification, 8 characters
constexpr uint32_t kASMediaChipOffset = 19; // 4th to 7th character of the product identification
constexpr uint32_t kJMicronChipOffset = 36; // vendor-specific INQUIRY data
// Every disk is asked for the 36 bytes of standard INQUIRY data that any
// device must answer (some hang or reset when asked for more); only a
// JMicron bridge is asked again for the 40 that hold its chip identifier.
constexpr uint8_t kInquiryStandardLength = 36;
constexpr uint8_t kInquiryJMicronLength = 40;
constexpr uint32_t kChipLength = 4;
constexpr uint32_t kBlockLengthByte = 6; // READ CAPACITY(10): bits 15-8 of the block length

void LowerAscii(char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z')
            *text = static_cast<char>(*text - 'A' + 'a');
    }
}

DeviceType Classify(const char *path)
{
    if (std::strstr(path, "scsi") != nullptr)
        return DEVICE_UNKNOWN;
    if (std::strstr(path, "usb") != nullptr)
        return DEVICE_USB;
    return DEVICE_UNKNOWN;
}

void CopyPath(char (&slotPath)[QZ_PATH_LENGTH], const char *path)
{
    std::snprintf(slotPath, sizeof slotPath, "%s", path);
}

// A drive inside the bridge: the unit is ready and reports a block length
// whose bits 15 to 8 are not all zero.
bool MediumPresent(uint8_t slot, uint8_t *data)
{
    std::memset(data, 0, kProbeBufferBytes);
    if (VC_STD_TestUnitReady(slot, data) != VC_RESULT_SUCCESS) {
        __dll_printf("######### - [%d]VC_STD_TestUnitReady fail!\n", slot);
        return false;
    }
    std::memset(data, 0, kProbeBufferBytes);
    if (VC_STD_ReadCapacity(slot, data, kProbeBufferBytes / 512) != VC_RESULT_SUCCESS) {
        __dll_printf("######### - [%d]VC_STD_ReadCapacity fail!\n", slot);
        return false;
    }
    return data[kBlockLengthByte] != 0;
}

void ChipString(const uint8_t *data, uint32_t offset, char (&chip)[kChipLength + 1])
{
    std::memcpy(chip, data + offset, kChipLength);
    chip[kChipLength] = '\0';
}

// One line per drive kept, naming its transport and path, so that a host
// reading the debug channel can tell its drives apart.
void ReportAccepted(uint32_t index, const _AP_INSTANCE_DATA &slot)
{
    if (slot.ucUSBCommandPath != 0) {
        __dll_printf(QZ_FORMAT_KEPT_BRIDGE, index,
                     slot.ucUSBBridgeVendor == CHIP_VENDOR_JMICRON ? "JMicron" : "ASMedia", slot.pDevicePath);
    } else {
        __dll_printf(QZ_FORMAT_KEPT_NVME, index, slot.devPhyFileName, slot.pDevicePath);
    }
}

bool IsDirect(const _AP_INSTANCE_DATA &slot)
{
    return slot.ucUSBCommandPath == 0 && slot.ucNVMeCommandPath != 0;
}

// Step A of every exchange: log page C6h into a scratch buffer that is then
// dropped. Over a bridge its failure ends the exchange; a directly attached
// drive whose platform refuses the query still takes the exchange.
bool PreRead(uint8_t bInstance, const _AP_INSTANCE_DATA &slot)
{
    uint8_t ucTestBuf[QZ_MCU_BLOCK_BYTES];
    if (VC_STD_GetLogPage(bInstance, ucTestBuf, QZ_MCU_PRE_READ_LOG, QZ_MCU_BLOCK_DWORDS) == VC_RESULT_SUCCESS) {
        return true;
    }
    return IsDirect(slot);
}

// Whether the slot's transport can take the block at all; checked before
// the first command, so that an exchange that cannot finish sends nothing.
bool TransportCarriesBlock(uint8_t bInstance, const _AP_INSTANCE_DATA &slot)
{
    if (slot.ucNVMeCommandPath != 0)
        return true;
    return slot.ucUSBCommandPath != 0 && VC_Bridge_CarriesDownload(bInstance);
}

// Step B: the block as the data of one Firmware Image Download at offset 0.
bool SendBlock(uint8_t bInstance, const _AP_INSTANCE_DATA &slot, uint8_t *pBuffer)
{
    if (slot.ucNVMeCommandPath != 0) {
        return NVMeVendorCmd_By_FirmwareDownload(slot.devPhyFileName, pBuffer, QZ_MCU_BLOCK_BYTES)
            == NVME_FW_DOWNLOAD_DONE;
    }
    if (slot.ucUSBCommandPath != 0) {
        return VC_Bridge_FirmwareImageDownloadCmd(bInstance, pBuffer, QZ_MCU_BLOCK_DWORDS, 0) == VC_RESULT_SUCCESS;
    }
    return false;
}

} // namespace

NVMeBridgeChipType QZ_GetBridgeChipID(int8_t bInstance)
{
    const uint8_t slot = static_cast<uint8_t>(bInstance);
    NVMeBridgeChipType type = CHIP_TYPE_UNKNOWN;
    uint8_t data[kProbeBufferBytes] = {};

    if (VC_STD_Inquiry(slot, data, kInquiryStandardLength) != VC_RESULT_SUCCESS) {
        __dll_printf("######### - [%d]VC_STD_Inquiry fail!\n", bInstance);
        return CHIP_TYPE_UNKNOWN;
    }
    char vendorString[9];
    std::memcpy(vendorString, data + kInquiryVendorOffset, 8);
    vendorString[8] = '\0';
    __dll_printf("######### - [%d]vendorString is %s\n", bInstance,
                 qz::dbg::QuotedText(vendorString, sizeof vendorString).c_str());
    LowerAscii(vendorString);

    char chipString[kChipLength + 1];
    if (std::strstr(vendorString, "asmedia") != nullptr) {
        __dll_printf("######### - Bridge type of port %d is Asmedia\n", bInstance);
        ChipString(data, kASMediaChipOffset, chipString);
        __dll_printf("######### - [%d]chipString is %s\n", bInstance,
                     qz::dbg::QuotedText(chipString, sizeof chipString).c_str());
        if (std::strcmp(chipString, "2362") == 0 && MediumPresent(slot, data))
            type = CHIP_TYPE_ASM2362;
    } else if (std::strstr(vendorString, "jmicron") != nullptr) {
        __dll_printf("######### - Bridge type of port %d is JMicron\n", bInstance);
        if (VC_STD_Inquiry(slot, data, kInquiryJMicronLength) != VC_RESULT_SUCCESS) {
            __dll_printf("######### - [%d]VC_STD_Inquiry fail!\n", bInstance);
            return CHIP_TYPE_UNKNOWN;
        }
        ChipString(data, kJMicronChipOffset, chipString);
        __dll_printf("######### - [%d]chipString is %s\n", bInstance,
                     qz::dbg::QuotedText(chipString, sizeof chipString).c_str());
        if ((std::strcmp(chipString, "0583") == 0 || std::strcmp(chipString, "0562") == 0)
            && MediumPresent(slot, data)) {
            type = CHIP_TYPE_JM583;
        }
    }
    return type;
}

uint8_t VP_IsQZChip(uint8_t bInstance)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr)
        return 0;
    __dll_printf("######### - AP_Instance[%d].pDevicePath is %s\n", bInstance, slot->pDevicePath);
    if (slot->ucNVMeCommandPath == 0 || std::strstr(slot->pDevicePath, "nvme") == nullptr)
        return 0;
    __dll_printf("######### - VP_IsQZChip - Find NVMe device!\n");
    __dll_printf("######### - pDevicePath %s!\n", slot->pDevicePath);
    return 1;
}

uint32_t VP_PROC_GetQZDevice()
{
    using PathBuffers = char[QZ_MAX_DISK_PATHS][QZ_DISK_PATH_BUFFER];
    auto *paths = static_cast<PathBuffers *>(QZ_HeapAlloc(sizeof(PathBuffers)));
    if (paths == nullptr) {
        __dll_printf("VP_PROC_GetQZDevice - allocate buffer failed\n");
        return 0;
    }
    const int pathCount = JM_EnumerateDiskDevice(*paths);
    __dll_printf(QZ_FORMAT_DISK_COUNT, pathCount);

    uint32_t next = 0; // the slot the next candidate is tried in
    for (int position = 0; position < pathCount; ++position) {
        char *path = (*paths)[position];
        _AP_INSTANCE_DATA &slot = AP_Instance[next];
        const auto probeSlot = static_cast<int8_t>(next);
        slot.ucUSBCommandPath = 0;
        slot.ucNVMeCommandPath = 0;
        slot.devPhyFileName[0] = '\0'; // of a candidate tried in this slot before
        LowerAscii(path);
        __dll_printf(QZ_FORMAT_DISK_PATH, position, path);
        CopyPath(slot.pDevicePath, path);
        // The probe's commands share one descriptor, checked against the
        // disk's identity as it is recorded now.
        qz::RecordSlotIdentity(next);
        const qz::DeviceSession session(next);

        if (Classify(path) == DEVICE_USB) {
            __dll_printf("DEVICE_USB\n");
            slot.ucUSBCommandPath = 1;
            const NVMeBridgeChipType chip = QZ_GetBridgeChipID(probeSlot);
            slot.ucUSBBridgeVendor = BridgeVendorOf(chip);
            if (chip != CHIP_TYPE_UNKNOWN)
                ReportAccepted(next++, slot);
            continue; // a USB disk without a known bridge is not tried directly
        }

        // Anything else: a bridge first, then a directly attached NVMe drive.
        slot.ucUSBCommandPath = 1;
        slot.ucNVMeCommandPath = 0;
        const NVMeBridgeChipType chip = QZ_GetBridgeChipID(probeSlot);
        slot.ucUSBBridgeVendor = BridgeVendorOf(chip);
        if (chip != CHIP_TYPE_UNKNOWN) {
            ReportAccepted(next++, slot);
            continue;
        }
        slot.ucUSBCommandPath = 0;
        slot.ucNVMeCommandPath = 1;
        if (VP_IsQZChip(static_cast<uint8_t>(next)) == 1) {
            const int disk = GetPhysicalDriver(slot.pDevicePath);
            if (disk != -1) {
                std::snprintf(slot.devPhyFileName, sizeof slot.devPhyFileName, "\\\\.\\PHYSICALDRIVE%d", disk);
                qz::RecordSlotIdentity(next);
                ReportAccepted(next++, slot);
            }
        }
    }

    QZ_HeapFree(paths);
    return next;
}

uint8_t VP_Identify(uint8_t bInstance, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS)
{
    const qz::DeviceSession session(bInstance);
    return VC_STD_Identify(bInstance, pBuffer, CNS) == VC_RESULT_SUCCESS ? 1 : 0;
}

uint8_t VP_SysIloRgbMcuCmdWrite(uint8_t bInstance, uint8_t *pBuffer)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || pBuffer == nullptr || !TransportCarriesBlock(bInstance, *slot))
        return 0;
    const qz::DeviceSession session(bInstance); // one descriptor for the whole exchange
    if (!PreRead(bInstance, *slot))
        return 0;
    return SendBlock(bInstance, *slot, pBuffer) ? 1 : 0;
}

uint8_t VP_SysIloRgbMcuCmdRead(uint8_t bInstance, uint8_t *pBuffer)
{
    const _AP_INSTANCE_DATA *slot = QZ_AP_Slot(bInstance);
    if (slot == nullptr || pBuffer == nullptr || !TransportCarriesBlock(bInstance, *slot))
        return 0;
    const qz::DeviceSession session(bInstance); // one descriptor for the whole exchange
    if (!PreRead(bInstance, *slot))
        return 0;
    if (!SendBlock(bInstance, *slot, pBuffer))
        return 0;
    // Step C: the answer, log page C7h. It replaces the request block only
    // when it was read, on both transports.
    uint8_t answer[QZ_MCU_BLOCK_BYTES];
    if (VC_STD_GetLogPage(bInstance, answer, QZ_MCU_ANSWER_LOG, QZ_MCU_BLOCK_DWORDS) != VC_RESULT_SUCCESS)
        return 0;
    std::memcpy(pBuffer, answer, sizeof answer);
    return 1;
}
