#include "DeviceAccess/linux/LinuxDeviceAccess.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "DeviceAccess/linux/LinuxDiskList.h"
#include "QZUtil/ByteOrder.h"
#include "QZUtil/QZUtil.h"
#include "nvme/NVMeCommand.h"

using namespace driverdef;

namespace qz {

int LinuxSystemCalls::Open(const char *path, int flags)
{
    return ::open(path, flags);
}
int LinuxSystemCalls::Close(int fd)
{
    return ::close(fd);
}
int LinuxSystemCalls::SgIo(int fd, sg_io_hdr_t *header)
{
    return ::ioctl(fd, SG_IO, header);
}
int LinuxSystemCalls::NvmeAdmin(int fd, struct nvme_admin_cmd *cmd)
{
    return ::ioctl(fd, NVME_IOCTL_ADMIN_CMD, cmd);
}

namespace {

// Transport failures in sg_io_hdr: host byte DID_TIME_OUT, driver byte
// DRIVER_TIMEOUT; the DRIVER_SENSE flag only says sense data came back.
constexpr unsigned kHostTimeout = 0x03;
constexpr unsigned kDriverStatusMask = 0x07;
constexpr unsigned kDriverTimeout = 0x06;

constexpr size_t kFirmwareSlotLogBytes = 512;

bool StartsWithNoCase(const char *text, const char *prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix) {
        const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix)
            return false;
    }
    return true;
}

uint32_t Fail(uint32_t error)
{
    QZ_SetLastError(error);
    return error;
}

} // namespace

LinuxDeviceAccess::LinuxDeviceAccess(std::string sysfsRoot, LinuxSystemCalls *calls)
    : sysfsRoot_(std::move(sysfsRoot))
    , calls_(calls != nullptr ? calls : &ownCalls_)
{ }

bool LinuxDeviceAccess::ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount)
{
    if (!ListSysfsDisks(sysfsRoot_, maxCount, paths)) {
        Fail(ENOENT);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

std::string LinuxDeviceAccess::DeviceNodeFor(const char *path)
{
    if (path == nullptr)
        return std::string();
    static const char kPhysicalDrive[] = "\\\\.\\physicaldrive";
    if (StartsWithNoCase(path, kPhysicalDrive)) {
        const char *digits = path + sizeof kPhysicalDrive - 1;
        const size_t count = std::strlen(digits);
        if (count == 0 || count > 9)
            return std::string();
        for (size_t i = 0; i < count; ++i) {
            if (digits[i] < '0' || digits[i] > '9')
                return std::string();
        }
        return "/dev/nvme" + std::to_string(std::stoul(digits));
    }
    const std::string text(path);
    if (text.rfind("/sys/", 0) == 0) {
        const std::string last = text.substr(text.find_last_of('/') + 1);
        if (last.empty() || last == "." || last == "..")
            return std::string();
        return "/dev/" + last;
    }
    if (text.rfind("/dev/", 0) == 0 && text.size() > 5)
        return text;
    return std::string();
}

DeviceHandle LinuxDeviceAccess::Open(const char *path)
{
    const std::string node = DeviceNodeFor(path);
    if (node.empty()) {
        Fail(ENOENT);
        return kInvalidDeviceHandle;
    }
    const int fd = calls_->Open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(static_cast<uint32_t>(errno));
        return kInvalidDeviceHandle;
    }
    openPaths_[fd] = path;
    QZ_SetLastError(0);
    return fd;
}

void LinuxDeviceAccess::Close(DeviceHandle handle)
{
    if (handle < 0 || handle > INT_MAX)
        return;
    const int fd = static_cast<int>(handle);
    openPaths_.erase(fd);
    const int savedErrno = errno;
    calls_->Close(fd);
    errno = savedErrno;
}

bool LinuxDeviceAccess::ScsiPassThrough(DeviceHandle handle, ScsiRequest &request)
{
    if (request.cdbLength == 0 || request.cdbLength > sizeof request.cdb
        || (request.length > 0 && request.buffer == nullptr)) {
        Fail(EINVAL);
        return false;
    }
    sg_io_hdr_t header;
    std::memset(&header, 0, sizeof header);
    header.interface_id = 'S';
    header.dxfer_direction = request.length == 0 ? SG_DXFER_NONE : request.dataIn ? SG_DXFER_FROM_DEV : SG_DXFER_TO_DEV;
    header.cmd_len = request.cdbLength;
    header.cmdp = request.cdb;
    header.dxfer_len = request.length;
    header.dxferp = request.length == 0 ? nullptr : request.buffer;
    header.mx_sb_len = 0;
    header.sbp = nullptr;
    header.timeout = request.timeoutSeconds > UINT_MAX / 1000 ? UINT_MAX : request.timeoutSeconds * 1000;

    if (calls_->SgIo(static_cast<int>(handle), &header) < 0) {
        Fail(static_cast<uint32_t>(errno));
        return false;
    }
    request.scsiStatus = header.status;
    const int resid = header.resid < 0 ? 0 : header.resid;
    request.transferred
        = static_cast<uint32_t>(resid) >= request.length ? 0 : request.length - static_cast<uint32_t>(resid);

    const unsigned driver = header.driver_status & kDriverStatusMask;
    if (header.host_status != 0 || driver != 0) {
        Fail((header.host_status == kHostTimeout || driver == kDriverTimeout) ? ETIMEDOUT : EIO);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::GetDiskNumber(DeviceHandle handle, uint32_t &number)
{
    const auto it = openPaths_.find(static_cast<int>(handle));
    if (it == openPaths_.end()) {
        Fail(EBADF);
        return false;
    }
    const std::string node = DeviceNodeFor(it->second.c_str());
    if (StartsWithNoCase(it->second.c_str(), "\\\\.\\physicaldrive")) {
        number = static_cast<uint32_t>(std::stoul(node.substr(9)));
        QZ_SetLastError(0);
        return true;
    }
    if (!SysfsNvmeControllerInstance(sysfsRoot_, it->second, number)) {
        Fail(ENODEV);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::Admin(int fd, struct nvme_admin_cmd &cmd, uint32_t &nvmeStatus)
{
    nvmeStatus = 0;
    const int result = calls_->NvmeAdmin(fd, &cmd);
    if (result < 0) {
        Fail(static_cast<uint32_t>(errno));
        return false;
    }
    nvmeStatus = static_cast<uint32_t>(result);
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::StorageProtocolQuery(DeviceHandle handle, TStorageQueryWithBuffer &query)
{
    const StorageProtocolSpecificData &p = query.ProtocolSpecific;
    const uint64_t end = uint64_t {p.ProtocolDataOffset} + p.ProtocolDataLength;
    if (query.PropertyId != kStorageAdapterProtocolSpecificProperty || query.QueryType != kPropertyStandardQuery
        || p.ProtocolType != kProtocolTypeNvme || p.ProtocolDataOffset < sizeof(StorageProtocolSpecificData)
        || p.ProtocolDataLength == 0 || end > sizeof query - kProtocolRecordOffset) {
        Fail(EINVAL);
        return false;
    }
    uint8_t *data = reinterpret_cast<uint8_t *>(&query) + kProtocolRecordOffset + p.ProtocolDataOffset;

    struct nvme_admin_cmd cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.addr = reinterpret_cast<uintptr_t>(data);
    cmd.data_len = p.ProtocolDataLength;
    if (p.DataType == kNVMeDataTypeIdentify) {
        if (p.ProtocolDataLength < NVME_DATA_BLOCK_SIZE) {
            Fail(EINVAL);
            return false;
        }
        cmd.opcode = NVME_ADMIN_IDENTIFY;
        cmd.nsid = p.ProtocolDataRequestSubValue;
        cmd.cdw10 = p.ProtocolDataRequestValue & 0xFF;
        cmd.data_len = NVME_DATA_BLOCK_SIZE;
    } else if (p.DataType == kNVMeDataTypeLogPage) {
        if (p.ProtocolDataLength % 4 != 0) {
            Fail(EINVAL);
            return false;
        }
        // NUMD, 0's based, split into NUMDL (CDW10 bits 16-31) and NUMDU (CDW11 bits 0-15).
        const uint32_t numd = p.ProtocolDataLength / 4 - 1;
        cmd.opcode = NVME_ADMIN_GET_LOG_PAGE;
        cmd.nsid = kNsidAll;
        cmd.cdw10 = (p.ProtocolDataRequestValue & 0xFF) | ((numd & 0xFFFF) << 16);
        cmd.cdw11 = numd >> 16;
        cmd.cdw12 = p.ProtocolDataRequestSubValue; // offset into the log page
    } else {
        Fail(EINVAL);
        return false;
    }

    uint32_t status = 0;
    if (!Admin(static_cast<int>(handle), cmd, status))
        return false;
    if (status != 0) {
        Fail(EIO);
        return false;
    }
    return true;
}

bool LinuxDeviceAccess::FirmwareInformation(int fd, uint8_t *data, uint32_t dataLength, uint32_t timeoutMs,
                                            uint32_t &returnCode)
{
    if (dataLength < sizeof(StorageFirmwareInfo)) {
        Fail(EINVAL);
        return false;
    }
    uint8_t controller[NVME_DATA_BLOCK_SIZE] = {};
    struct nvme_admin_cmd identify;
    std::memset(&identify, 0, sizeof identify);
    identify.opcode = NVME_ADMIN_IDENTIFY;
    identify.cdw10 = NVME_IDENTIFY_CNS_CONTROLLER;
    identify.addr = reinterpret_cast<uintptr_t>(controller);
    identify.data_len = sizeof controller;
    identify.timeout_ms = timeoutMs;
    uint32_t status = 0;
    if (!Admin(fd, identify, status))
        return false;
    if (status != 0) {
        returnCode = status;
        return true;
    }

    uint8_t slotLog[kFirmwareSlotLogBytes] = {};
    struct nvme_admin_cmd log;
    std::memset(&log, 0, sizeof log);
    log.opcode = NVME_ADMIN_GET_LOG_PAGE;
    log.nsid = kNsidAll;
    log.cdw10 = NVME_LOG_FIRMWARE_SLOT_INFO | ((kFirmwareSlotLogBytes / 4 - 1) << 16);
    log.addr = reinterpret_cast<uintptr_t>(slotLog);
    log.data_len = sizeof slotLog;
    log.timeout_ms = timeoutMs;
    if (!Admin(fd, log, status))
        return false;
    if (status != 0) {
        returnCode = status;
        return true;
    }

    // OACS bit 2: firmware commit and download; FRMW: slot 1 read-only (bit 0)
    // and the number of slots (bits 1-3); AFI: active slot (bits 0-2) and the
    // slot activated at the next reset (bits 4-6, 0 for none).
    const uint16_t oacs = GetLE16(controller + 256);
    const uint8_t frmw = controller[260];
    const uint8_t afi = slotLog[0];
    const uint32_t fit = (dataLength - sizeof(StorageFirmwareInfo)) / sizeof(StorageFirmwareSlotInfo);
    uint32_t slots = (frmw >> 1) & 0x7;
    if (slots > fit)
        slots = fit;

    StorageFirmwareInfo info;
    std::memset(&info, 0, sizeof info);
    info.Version = 1;
    info.Size = sizeof(StorageFirmwareInfo);
    info.UpgradeSupport = (oacs >> 2) & 1;
    info.SlotCount = static_cast<uint8_t>(slots);
    info.ActiveSlot = afi & 0x7;
    info.PendingActivateSlot = ((afi >> 4) & 0x7) != 0 ? static_cast<uint8_t>((afi >> 4) & 0x7) : kNoPendingSlot;
    std::memcpy(data, &info, sizeof info);
    for (uint32_t i = 0; i < slots; ++i) {
        StorageFirmwareSlotInfo slot;
        std::memset(&slot, 0, sizeof slot);
        slot.SlotNumber = static_cast<uint8_t>(i + 1);
        slot.ReadOnly = (i == 0 && (frmw & 1)) ? 1 : 0;
        std::memcpy(slot.Revision, slotLog + 8 + 8 * i, sizeof slot.Revision);
        std::memcpy(data + sizeof info + i * sizeof slot, &slot, sizeof slot);
    }
    returnCode = 0;
    return true;
}

bool LinuxDeviceAccess::FirmwareDownload(int fd, uint8_t *data, uint32_t dataLength, uint32_t timeoutMs,
                                         uint32_t &returnCode)
{
    if (dataLength < sizeof(StorageFirmwareDownload)) {
        Fail(EINVAL);
        return false;
    }
    StorageFirmwareDownload download;
    std::memcpy(&download, data, sizeof download);
    const uint64_t room = dataLength - sizeof download;
    if (download.BufferSize == 0 || download.BufferSize % 4 != 0 || download.BufferSize > room
        || download.Offset % 4 != 0 || download.Offset / 4 > UINT32_MAX) {
        Fail(EINVAL);
        return false;
    }
    struct nvme_admin_cmd cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.opcode = NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD;
    cmd.cdw10 = static_cast<uint32_t>(download.BufferSize / 4 - 1);
    cmd.cdw11 = static_cast<uint32_t>(download.Offset / 4);
    cmd.addr = reinterpret_cast<uintptr_t>(data + sizeof download);
    cmd.data_len = static_cast<uint32_t>(download.BufferSize);
    cmd.timeout_ms = timeoutMs;
    uint32_t status = 0;
    if (!Admin(fd, cmd, status))
        return false;
    returnCode = status;
    return true;
}

bool LinuxDeviceAccess::FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length)
{
    if (request == nullptr || length < kFirmwareDataOffset) {
        Fail(EINVAL);
        return false;
    }
    FirmwareRequestHeader header;
    std::memcpy(&header, request, sizeof header);
    const uint64_t dataEnd = uint64_t {header.Request.DataBufferOffset} + header.Request.DataBufferLength;
    if (header.Srb.HeaderLength != sizeof(SrbIoControl)
        || std::memcmp(header.Srb.Signature, kFirmwareSignature, sizeof kFirmwareSignature) != 0
        || header.Srb.ControlCode != kIoctlScsiMiniportFirmware || header.Request.DataBufferOffset < kFirmwareDataOffset
        || dataEnd > length) {
        Fail(EINVAL);
        return false;
    }
    uint8_t *data = request + header.Request.DataBufferOffset;
    const uint32_t timeoutMs = header.Srb.Timeout > UINT32_MAX / 1000 ? UINT32_MAX : header.Srb.Timeout * 1000;
    uint32_t returnCode = 0;
    bool carried = false;
    if (header.Request.Function == kFirmwareFunctionGetInfo) {
        carried = FirmwareInformation(static_cast<int>(handle), data, header.Request.DataBufferLength, timeoutMs,
                                      returnCode);
    } else if (header.Request.Function == kFirmwareFunctionDownload) {
        carried
            = FirmwareDownload(static_cast<int>(handle), data, header.Request.DataBufferLength, timeoutMs, returnCode);
    } else {
        Fail(EINVAL);
        return false;
    }
    if (!carried)
        return false;
    PutLE32(request + offsetof(FirmwareRequestHeader, Srb.ReturnCode), returnCode);
    QZ_SetLastError(0);
    return true;
}

DeviceAccess &PlatformDeviceAccess()
{
    static LinuxDeviceAccess access;
    return access;
}

} // namespace qz
