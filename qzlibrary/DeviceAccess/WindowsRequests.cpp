#include "DeviceAccess/WindowsRequests.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "QZUtil/ByteOrder.h"

using namespace driverdef;

namespace qz::winreq {
namespace {

// Identify Controller: OACS (bit 2: firmware commit and download) and FRMW
// (bit 0: slot 1 read-only, bits 1-3: number of slots).
constexpr std::size_t kOacsOffset = 256;
constexpr uint16_t kOacsFirmwareDownload = 1u << 2;
constexpr std::size_t kFrmwOffset = 260;
// Firmware Slot Information log: AFI (bits 0-2 the active slot, bits 4-6 the
// slot activated at the next reset) and the revision of slot n at 8 n.
constexpr std::size_t kSlotRevisionOffset = 8;
constexpr uint32_t kMaxSlots = 7;

} // namespace

uint32_t TimeoutMilliseconds(uint32_t seconds)
{
    return seconds > UINT32_MAX / 1000 ? UINT32_MAX : seconds * 1000;
}

bool TranslateStorageQuery(TStorageQueryWithBuffer &query, AdminCommand &command)
{
    const StorageProtocolSpecificData &p = query.ProtocolSpecific;
    const uint64_t end = uint64_t {p.ProtocolDataOffset} + p.ProtocolDataLength;
    if (query.PropertyId != kStorageAdapterProtocolSpecificProperty || query.QueryType != kPropertyStandardQuery
        || p.ProtocolType != kProtocolTypeNvme || p.ProtocolDataOffset < sizeof(StorageProtocolSpecificData)
        || p.ProtocolDataLength == 0 || p.ProtocolDataLength % 4 != 0 || end > sizeof query - kProtocolRecordOffset) {
        return false;
    }
    command = AdminCommand();
    command.data = reinterpret_cast<uint8_t *>(&query) + kProtocolRecordOffset + p.ProtocolDataOffset;
    command.toHost = true;
    NVMeSubmissionEntry &e = command.entry;
    if (p.DataType == kNVMeDataTypeIdentify) {
        // Identify always answers one 4096-byte structure.
        if (p.ProtocolDataLength < NVME_DATA_BLOCK_SIZE)
            return false;
        e.opcode = NVME_ADMIN_IDENTIFY;
        e.nsid = p.ProtocolDataRequestSubValue;
        e.cdw10 = nvme_field::IdentifyCdw10(p.ProtocolDataRequestValue);
        command.dataLength = NVME_DATA_BLOCK_SIZE;
        return true;
    }
    if (p.DataType == kNVMeDataTypeLogPage) {
        const uint32_t numd = nvme_field::ZeroBasedDwords(p.ProtocolDataLength);
        e.opcode = NVME_ADMIN_GET_LOG_PAGE;
        // NSID 0, as the bridge tunnel sends it: a drive sees the same command
        // however it is attached.
        e.nsid = 0;
        e.cdw10 = nvme_field::LogPageCdw10(static_cast<uint8_t>(p.ProtocolDataRequestValue), numd);
        e.cdw11 = nvme_field::LogPageCdw11(numd);
        e.cdw12 = p.ProtocolDataRequestSubValue; // byte offset into the page
        command.dataLength = p.ProtocolDataLength;
        return true;
    }
    return false;
}

bool DecodeFirmwareRequest(uint8_t *record, uint32_t length, FirmwareRequest &request)
{
    if (record == nullptr || length < kFirmwareDataOffset)
        return false;
    FirmwareRequestHeader header;
    std::memcpy(&header, record, sizeof header);
    const uint64_t dataEnd = uint64_t {header.Request.DataBufferOffset} + header.Request.DataBufferLength;
    if (header.Srb.HeaderLength != sizeof(SrbIoControl)
        || std::memcmp(header.Srb.Signature, kFirmwareSignature, sizeof kFirmwareSignature) != 0
        || header.Srb.ControlCode != kIoctlScsiMiniportFirmware || header.Srb.Length != length - sizeof(SrbIoControl)
        || header.Request.Version != kFirmwareRequestBlockVersion || header.Request.Size != sizeof(FirmwareRequestBlock)
        || header.Request.DataBufferOffset < kFirmwareDataOffset || dataEnd > length) {
        return false;
    }
    if (header.Request.Function != kFirmwareFunctionGetInfo && header.Request.Function != kFirmwareFunctionDownload)
        return false;
    request.record = record;
    request.function = header.Request.Function;
    request.data = record + header.Request.DataBufferOffset;
    request.dataLength = header.Request.DataBufferLength;
    request.timeoutMs = TimeoutMilliseconds(header.Srb.Timeout);
    return true;
}

void SetReturnCode(const FirmwareRequest &request, uint32_t returnCode)
{
    PutLE32(request.record + offsetof(FirmwareRequestHeader, Srb.ReturnCode), returnCode);
}

bool TranslateFirmwareDownload(const FirmwareRequest &request, AdminCommand &command)
{
    if (request.dataLength < sizeof(StorageFirmwareDownload))
        return false;
    StorageFirmwareDownload download;
    std::memcpy(&download, request.data, sizeof download);
    const uint64_t room = request.dataLength - sizeof download;
    if (download.Version != 1 || download.Size != sizeof download || download.BufferSize == 0
        || download.BufferSize % 4 != 0 || download.BufferSize > room || download.Offset % 4 != 0
        || download.Offset / 4 > UINT32_MAX) {
        return false;
    }
    command = AdminCommand();
    command.entry.opcode = NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD;
    command.entry.cdw10 = nvme_field::DownloadCdw10(static_cast<uint32_t>(download.BufferSize / 4));
    command.entry.cdw11 = nvme_field::DownloadCdw11(static_cast<uint32_t>(download.Offset / 4));
    command.data = request.data + sizeof download;
    command.dataLength = static_cast<uint32_t>(download.BufferSize);
    command.toHost = false;
    command.timeoutMs = request.timeoutMs;
    return true;
}

AdminCommand FirmwareIdentifyCommand(uint8_t *controller, uint32_t timeoutMs)
{
    AdminCommand command;
    command.entry.opcode = NVME_ADMIN_IDENTIFY;
    command.entry.cdw10 = nvme_field::IdentifyCdw10(NVME_IDENTIFY_CNS_CONTROLLER);
    command.data = controller;
    command.dataLength = NVME_DATA_BLOCK_SIZE;
    command.timeoutMs = timeoutMs;
    return command;
}

AdminCommand FirmwareSlotLogCommand(uint8_t *slotLog, uint32_t timeoutMs)
{
    AdminCommand command;
    command.entry.opcode = NVME_ADMIN_GET_LOG_PAGE;
    // A controller-wide page, asked for with the all-namespaces identifier as
    // the NVMe reference tool does (controllers before NVMe 1.2 expect it).
    command.entry.nsid = 0xFFFFFFFFu;
    command.entry.cdw10
        = nvme_field::LogPageCdw10(NVME_LOG_FIRMWARE_SLOT_INFO, nvme_field::ZeroBasedDwords(kFirmwareSlotLogBytes));
    command.data = slotLog;
    command.dataLength = kFirmwareSlotLogBytes;
    command.timeoutMs = timeoutMs;
    return command;
}

FirmwareSummary SummaryFromController(const uint8_t *controller, const uint8_t *slotLog)
{
    const uint16_t oacs = GetLE16(controller + kOacsOffset);
    const uint8_t frmw = controller[kFrmwOffset];
    const uint8_t afi = slotLog[0];
    FirmwareSummary summary;
    summary.upgradeSupported = (oacs & kOacsFirmwareDownload) != 0;
    summary.activeSlot = afi & 0x7;
    summary.pendingSlot = (afi >> 4) & 0x7;
    const uint32_t slots = std::min<uint32_t>((frmw >> 1) & 0x7, kMaxSlots);
    for (uint32_t i = 0; i < slots; ++i) {
        FirmwareSlot slot;
        slot.readOnly = i == 0 && (frmw & 1) != 0;
        std::memcpy(slot.revision, slotLog + kSlotRevisionOffset * (i + 1), sizeof slot.revision);
        summary.slots.push_back(slot);
    }
    return summary;
}

bool InformationFits(const FirmwareRequest &request)
{
    return request.dataLength >= sizeof(StorageFirmwareInfo);
}

bool WriteFirmwareInformation(const FirmwareRequest &request, const FirmwareSummary &summary)
{
    if (!InformationFits(request))
        return false;
    const std::size_t fit = (request.dataLength - sizeof(StorageFirmwareInfo)) / sizeof(StorageFirmwareSlotInfo);
    const std::size_t slots = std::min(summary.slots.size(), fit);
    StorageFirmwareInfo info;
    std::memset(&info, 0, sizeof info);
    info.Version = 1;
    info.Size = sizeof info;
    info.UpgradeSupport = summary.upgradeSupported ? 1 : 0;
    info.SlotCount = static_cast<uint8_t>(slots);
    info.ActiveSlot = summary.activeSlot;
    info.PendingActivateSlot = summary.pendingSlot == 0 ? kNoPendingSlot : summary.pendingSlot;
    std::memcpy(request.data, &info, sizeof info);
    for (std::size_t i = 0; i < slots; ++i) {
        StorageFirmwareSlotInfo slot;
        std::memset(&slot, 0, sizeof slot);
        slot.SlotNumber = static_cast<uint8_t>(i + 1);
        slot.ReadOnly = summary.slots[i].readOnly ? 1 : 0;
        std::memcpy(slot.Revision, summary.slots[i].revision, sizeof slot.Revision);
        std::memcpy(request.data + sizeof info + i * sizeof slot, &slot, sizeof slot);
    }
    return true;
}

bool TranslateScsiRequest(const ScsiRequest &request, ScsiTransfer &transfer)
{
    if (request.cdbLength == 0 || request.cdbLength > sizeof request.cdb
        || (request.length > 0 && request.buffer == nullptr)) {
        return false;
    }
    transfer.direction = request.length == 0 ? DataDirection::None
        : request.dataIn                     ? DataDirection::In
                                             : DataDirection::Out;
    transfer.timeoutMs = TimeoutMilliseconds(request.timeoutSeconds);
    return true;
}

} // namespace qz::winreq
