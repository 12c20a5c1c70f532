#include "DeviceAccess/NVMeDirect.h"

#include <cstring>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/DeviceSession.h"
#include "QZUtil/QZUtil.h"
#include "dbg/DllPrintf.h"
#include "dbg/QuotedText.h"
#include "driverdef/WinIoStructures.h"

using namespace driverdef;

namespace {

void FillProtocolQuery(TStorageQueryWithBuffer &query, uint32_t dataType, uint32_t value, uint32_t subValue)
{
    std::memset(&query, 0, sizeof query);
    query.PropertyId = kStorageAdapterProtocolSpecificProperty;
    query.QueryType = kPropertyStandardQuery;
    query.ProtocolSpecific.ProtocolType = kProtocolTypeNvme;
    query.ProtocolSpecific.DataType = dataType;
    query.ProtocolSpecific.ProtocolDataRequestValue = value;
    query.ProtocolSpecific.ProtocolDataRequestSubValue = subValue;
    query.ProtocolSpecific.ProtocolDataOffset = sizeof(StorageProtocolSpecificData);
    query.ProtocolSpecific.ProtocolDataLength = kProtocolDataSize;
}

// Where the returned data starts in the query block. The platform names the
// offset; one that would put the data outside the block is not believed.
uint32_t ReturnedDataStart(const TStorageQueryWithBuffer &query)
{
    const uint32_t offset = query.ProtocolSpecific.ProtocolDataOffset;
    if (offset < sizeof(StorageProtocolSpecificData)
        || offset > sizeof(TStorageQueryWithBuffer) - kProtocolRecordOffset - kProtocolDataSize) {
        return offsetof(TStorageQueryWithBuffer, Buffer);
    }
    return kProtocolRecordOffset + offset;
}

SrbIoControl ReadSrb(const uint8_t *buffer)
{
    SrbIoControl srb;
    std::memcpy(&srb, buffer, sizeof srb);
    return srb;
}

// Number of slot entries that fit behind the information header.
uint32_t SlotEntriesThatFit(uint32_t bufferLength)
{
    const uint32_t first = kFirmwareDataOffset + sizeof(StorageFirmwareInfo);
    return bufferLength <= first ? 0 : (bufferLength - first) / sizeof(StorageFirmwareSlotInfo);
}

StorageFirmwareSlotInfo ReadSlot(const uint8_t *buffer, uint32_t index)
{
    StorageFirmwareSlotInfo slot;
    std::memcpy(&slot, buffer + kFirmwareDataOffset + sizeof(StorageFirmwareInfo) + index * sizeof slot, sizeof slot);
    return slot;
}

void PrintFirmwareInformation(const uint8_t *buffer, uint32_t bufferLength)
{
    StorageFirmwareInfo info;
    std::memcpy(&info, buffer + kFirmwareDataOffset, sizeof info);
    __dll_printf("\t ----Firmware Information----\n");
    __dll_printf("\t Support upgrade command: %s\n", info.UpgradeSupport ? "Yes" : "No");
    __dll_printf("\t Slot Count: %d\n", info.SlotCount);
    __dll_printf("\t Current Active Slot: %d\n", info.ActiveSlot);
    if (info.PendingActivateSlot == kNoPendingSlot) {
        __dll_printf("\t Pending Active Slot: %s\n\n", "No");
    } else {
        __dll_printf("\t Pending Active Slot: %d\n\n", info.PendingActivateSlot);
    }
    const uint32_t fit = SlotEntriesThatFit(bufferLength);
    const uint32_t count = info.SlotCount < fit ? info.SlotCount : fit;
    for (uint32_t i = 0; i < count; ++i) {
        const StorageFirmwareSlotInfo slot = ReadSlot(buffer, i);
        char revision[sizeof slot.Revision + 1];
        std::memcpy(revision, slot.Revision, sizeof slot.Revision);
        revision[sizeof slot.Revision] = '\0';
        __dll_printf("\t\t Slot Number: %d\n", slot.SlotNumber);
        __dll_printf("\t\t Slot Read Only: %s\n", slot.ReadOnly ? "Yes" : "No");
        __dll_printf("\t\t Revision: %s\n", qz::dbg::QuotedText(revision, sizeof revision).c_str());
        __dll_printf("\n");
    }
}

// The first writable slot of a drive that takes firmware downloads.
bool HasWritableSlot(const uint8_t *buffer, uint32_t bufferLength)
{
    StorageFirmwareInfo info;
    std::memcpy(&info, buffer + kFirmwareDataOffset, sizeof info);
    if (info.UpgradeSupport == 0)
        return false;
    const uint32_t fit = SlotEntriesThatFit(bufferLength);
    const uint32_t count = info.SlotCount < fit ? info.SlotCount : fit;
    for (uint32_t i = 0; i < count; ++i) {
        if (ReadSlot(buffer, i).ReadOnly == 0)
            return true;
    }
    return false;
}

} // namespace

bool Windows10NVMeIdentify(const char *fileName, uint8_t *pBuffer, NVME_IDENTIFY_CNS_CODES CNS)
{
    qz::DeviceAccess &access = qz::CurrentDeviceAccess();
    const qz::DeviceLease lease(fileName);
    const qz::DeviceHandle handle = lease.Handle();
    if (handle == qz::kInvalidDeviceHandle) {
        __dll_printf("######### - INVALID_HANDLE_VALUE!\n");
        qz::ReportIfAccessDenied(qz::DeniedAction::Open, fileName);
        return false;
    }

    TStorageQueryWithBuffer query;
    FillProtocolQuery(query, kNVMeDataTypeIdentify, CNS, CNS == NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE ? 1u : 0u);
    const bool ok = access.StorageProtocolQuery(handle, query);
    const uint32_t error = QZ_GetLastError();
    if (!ok) {
        // The caller's buffer keeps what it held: the data area was not
        // filled by the drive.
        __dll_printf("Windows10NVMeIdentify() fail = 0x%x\r\n", error);
        QZ_SetLastError(error);
        qz::ReportIfAccessDenied(qz::DeniedAction::NvmeAdmin, fileName);
        return false;
    }
    std::memcpy(pBuffer, query.Buffer, kProtocolDataSize);
    return true;
}

bool Windows10NVMeGetLog(const char *fileName, uint8_t *pBuffer, uint8_t LogPageId)
{
    qz::DeviceAccess &access = qz::CurrentDeviceAccess();
    const qz::DeviceLease lease(fileName);
    const qz::DeviceHandle handle = lease.Handle();
    if (handle == qz::kInvalidDeviceHandle) {
        __dll_printf("######### - INVALID_HANDLE_VALUE!\n");
        __dll_printf("Windows10NVMeGetLog() fail = 0x%x\r\n", QZ_GetLastError());
        qz::ReportIfAccessDenied(qz::DeniedAction::Open, fileName);
        return false;
    }

    auto *query = static_cast<TStorageQueryWithBuffer *>(QZ_HeapAlloc(sizeof(TStorageQueryWithBuffer)));
    if (query == nullptr) {
        __dll_printf("DeviceNVMeQueryProtocolDataTest: allocate buffer failed, exit.\n");
        return false;
    }

    FillProtocolQuery(*query, kNVMeDataTypeLogPage, LogPageId, 0);
    const bool ok = access.StorageProtocolQuery(handle, *query);
    const uint32_t error = QZ_GetLastError();
    if (ok) {
        __dll_printf("ProtocolDataOffset: %d\n", static_cast<int>(kProtocolRecordOffset));
        __dll_printf("ProtocolDataOffset: %d\n", static_cast<int>(query->ProtocolSpecific.ProtocolDataOffset));
    } else {
        __dll_printf("Windows10NVMeGetLog() fail = 0x%x\r\n", error);
        qz::ReportIfAccessDenied(qz::DeniedAction::NvmeAdmin, fileName);
    }

    // Only a page the drive returned reaches the caller.
    if (ok)
        std::memcpy(pBuffer, reinterpret_cast<const uint8_t *>(query) + ReturnedDataStart(*query), kProtocolDataSize);
    QZ_HeapFree(query);
    QZ_SetLastError(error);
    return ok;
}

bool NVMePassThrough_GetFwSlotInfo(const char *fileName, uint8_t *Buffer, uint32_t BufferLength)
{
    qz::DeviceAccess &access = qz::CurrentDeviceAccess();
    if (BufferLength < kFirmwareDataOffset + sizeof(StorageFirmwareInfo)) {
        QZ_SetLastError(QZ_ErrorInvalidParameter());
        __dll_printf("\t Get Firmware Information Failed: 0x%X\n", QZ_GetLastError());
        return false;
    }

    const qz::DeviceLease lease(fileName);
    const qz::DeviceHandle handle = lease.Handle();
    if (handle == qz::kInvalidDeviceHandle) {
        __dll_printf("######### - 2 - INVALID_HANDLE_VALUE!\n");
        __dll_printf("\t Get Firmware Information Failed: 0x%X\n", QZ_GetLastError());
        qz::ReportIfAccessDenied(qz::DeniedAction::Open, fileName);
        return false;
    }

    FillFirmwareRequestHeader(Buffer, BufferLength, kFirmwareFunctionGetInfo);
    const bool ok = access.FirmwareRequest(handle, Buffer, BufferLength);
    if (ok) {
        PrintFirmwareInformation(Buffer, BufferLength);
    } else {
        __dll_printf("\t Get Firmware Information Failed: 0x%X\n", QZ_GetLastError());
        qz::ReportIfAccessDenied(qz::DeniedAction::NvmeAdmin, fileName);
    }
    return ok;
}

uint32_t NVMeVendorCmd_By_FirmwareDownload(const char *fileName, uint8_t *pBuffer, uint32_t dwSize)
{
    uint32_t result = NVME_FW_DOWNLOAD_FAILED;
    auto *block = static_cast<uint8_t *>(QZ_HeapAlloc(kFirmwareRequestSize));
    if (block == nullptr) {
        __dll_printf("\t FirmwareUpgrade - Allocate buffer failed: 0x%X\n", QZ_GetLastError());
        return NVME_FW_DOWNLOAD_FAILED;
    }

    do {
        if (!NVMePassThrough_GetFwSlotInfo(fileName, block, kFirmwareRequestSize)) {
            __dll_printf("\t FirmwareUpgrade: Get Firmware Information Failed: 0x%X\n", QZ_GetLastError());
            break;
        }
        if (const SrbIoControl srb = ReadSrb(block); srb.ReturnCode != 0) {
            __dll_printf("\t FirmwareUpgrade - get firmware info failed. srbControl->ReturnCode %d.\n",
                         static_cast<int>(srb.ReturnCode));
            break;
        }
        if (!HasWritableSlot(block, kFirmwareRequestSize)) {
            __dll_printf("\t FirmwareUpgrade - No writable Firmware slot.\n");
            break;
        }

        // The image area holds exactly one 4096-byte block; a larger one is refused.
        if (dwSize > kFirmwareRequestSize - kFirmwareImageOffset) {
            QZ_SetLastError(QZ_ErrorInvalidParameter());
            __dll_printf("\t FirmwareUpgrade - IOCTL - firmware download failed. 0x%X.\n", QZ_GetLastError());
            break;
        }
        std::memset(block, 0, kFirmwareRequestSize);
        FillFirmwareRequestHeader(block, kFirmwareRequestSize, kFirmwareFunctionDownload);
        StorageFirmwareDownload download;
        std::memset(&download, 0, sizeof download);
        download.Version = 1;
        download.Size = sizeof(StorageFirmwareDownload);
        download.Offset = 0;
        download.BufferSize = kFirmwareRequestSize - kFirmwareImageOffset;
        std::memcpy(block + kFirmwareDataOffset, &download, sizeof download);
        std::memcpy(block + kFirmwareImageOffset, pBuffer, dwSize);

        qz::DeviceAccess &access = qz::CurrentDeviceAccess();
        bool ok = false;
        const qz::DeviceLease lease(fileName);
        const qz::DeviceHandle handle = lease.Handle();
        if (handle == qz::kInvalidDeviceHandle) {
            __dll_printf("######### - 2 - INVALID_HANDLE_VALUE!\n");
            __dll_printf("NVMeVendorCmd_By_FirmwareDownload() fail = 0x%x\r\n", QZ_GetLastError());
            qz::ReportIfAccessDenied(qz::DeniedAction::Open, fileName);
        } else {
            ok = access.FirmwareRequest(handle, block, kFirmwareRequestSize);
        }

        if (!ok) {
            __dll_printf("\t FirmwareUpgrade - IOCTL - firmware download failed. 0x%X.\n", QZ_GetLastError());
            if (handle != qz::kInvalidDeviceHandle)
                qz::ReportIfAccessDenied(qz::DeniedAction::NvmeAdmin, fileName);
            break;
        }
        if (const SrbIoControl srb = ReadSrb(block); srb.ReturnCode != 0) {
            __dll_printf("\t FirmwareUpgrade - firmware download failed. srbControl->ReturnCode %d.\n",
                         static_cast<int>(srb.ReturnCode));
            break;
        }
        result = NVME_FW_DOWNLOAD_DONE;
    } while (false);

    QZ_HeapFree(block);
    return result;
}
