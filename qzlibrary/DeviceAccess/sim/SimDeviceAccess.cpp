#include "DeviceAccess/sim/SimDeviceAccess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "QZUtil/ByteOrder.h"
#include "QZUtil/QZUtil.h"

using namespace driverdef;
using namespace qz::sim;

namespace qz {
namespace {

constexpr uint8_t kCheckCondition = 0x02;

bool SamePathNoCase(const std::string &a, const char *b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// "\\.\PHYSICALDRIVE<n>": the disk number, or -1.
int64_t PhysicalDriveNumber(const char *path)
{
    static const char kPrefix[] = "\\\\.\\physicaldrive";
    const std::size_t prefix = sizeof kPrefix - 1;
    if (std::strlen(path) <= prefix || !SamePathNoCase(std::string(kPrefix), std::string(path, prefix).c_str())) {
        return -1;
    }
    int64_t number = 0;
    for (const char *p = path + prefix; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || number > 100000000)
            return -1;
        number = number * 10 + (*p - '0');
    }
    return number;
}

std::string Hex(const uint8_t *bytes, std::size_t count)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < count; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

} // namespace

SimDeviceAccess::SimDeviceAccess() = default;

SimDeviceAccess::SimDeviceAccess(SimConfig config)
    : settings_(std::move(config.settings))
{
    for (DriveConfig &drive : config.drives)
        drives_.emplace_back(std::move(drive));
}

std::unique_ptr<SimDeviceAccess> SimDeviceAccess::FromText(std::string_view text, std::string *error)
{
    SimConfig config;
    std::string why;
    if (!ParseSimConfig(text, config, why)) {
        if (error != nullptr)
            *error = why;
        return nullptr;
    }
    return std::make_unique<SimDeviceAccess>(std::move(config));
}

std::unique_ptr<SimDeviceAccess> SimDeviceAccess::FromFile(const char *path, std::string *error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error != nullptr)
            *error = "cannot be read";
        return nullptr;
    }
    std::stringstream text;
    text << in.rdbuf();
    return FromText(text.str(), error);
}

SimDrive &SimDeviceAccess::AddDrive(DriveConfig config)
{
    return drives_.emplace_back(std::move(config));
}

std::string SimDeviceAccess::Describe(const Record &r)
{
    static const char *const kKinds[] = {"list", "open", "close", "scsi", "query", "firmware", "disknumber"};
    std::string line = kKinds[static_cast<int>(r.kind)];
    line += ' ';
    line += r.path;
    if (r.kind == RequestKind::Scsi) {
        line += " cdb=" + Hex(r.cdb.data(), r.cdb.size());
        line += r.dataIn ? " in=" : " out=";
        line += std::to_string(r.length);
        line += " status=" + std::to_string(r.scsiStatus);
    }
    if (r.kind == RequestKind::FirmwareRequest)
        line += " returncode=" + std::to_string(r.returnCode);
    if (r.hasCommand) {
        char text[96];
        std::snprintf(text, sizeof text, " nvme=%02X nsid=%X cdw10=%08X cdw11=%08X", r.command.opcode, r.command.nsid,
                      r.command.cdw10, r.command.cdw11);
        line += text;
    }
    line += r.carried ? " ok" : " failed error=" + std::to_string(r.error);
    return line;
}

bool SimDeviceAccess::Finish(Record &record, bool carried, uint32_t error)
{
    record.carried = carried;
    record.error = carried ? 0 : error;
    QZ_SetLastError(record.error);
    if (!settings_.recordFile.empty()) {
        if (std::FILE *file = std::fopen(settings_.recordFile.c_str(), "ab")) {
            const std::string line = Describe(record) + "\n";
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        }
    }
    records_.push_back(std::move(record));
    return carried;
}

const SimDeviceAccess::OpenDevice *SimDeviceAccess::Lookup(DeviceHandle handle)
{
    const auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : &it->second;
}

bool SimDeviceAccess::ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount)
{
    Record record;
    record.kind = RequestKind::List;
    if (settings_.listFails)
        return Finish(record, false, kNotSupported);
    for (const SimDrive &drive : drives_) {
        if (paths.size() >= maxCount)
            break;
        paths.push_back(drive.Config().path);
    }
    return Finish(record, true, 0);
}

DeviceHandle SimDeviceAccess::Open(const char *path)
{
    Record record;
    record.kind = RequestKind::Open;
    record.path = path != nullptr ? path : "";
    int index = -1;
    if (path != nullptr) {
        const int64_t number = PhysicalDriveNumber(path);
        for (std::size_t i = 0; i < drives_.size() && index < 0; ++i) {
            const DriveConfig &c = drives_[i].Config();
            if (number >= 0 ? c.number == number : SamePathNoCase(c.path, path))
                index = static_cast<int>(i);
        }
    }
    record.drive = index;
    if (index < 0) {
        Finish(record, false, kNoSuchDevice);
        return kInvalidDeviceHandle;
    }
    if (const Fault *fault = drives_[index].DueFault(FaultTarget::Open)) {
        Finish(record, false, fault->error);
        return kInvalidDeviceHandle;
    }
    const DeviceHandle handle = nextHandle_++;
    handles_[handle] = OpenDevice {index, record.path};
    Finish(record, true, 0);
    return handle;
}

void SimDeviceAccess::Close(DeviceHandle handle)
{
    const uint32_t saved = QZ_GetLastError();
    Record record;
    record.kind = RequestKind::Close;
    if (const OpenDevice *device = Lookup(handle)) {
        record.path = device->path;
        record.drive = device->drive;
        handles_.erase(handle);
        Finish(record, true, 0);
    } else {
        Finish(record, false, kBadHandle);
    }
    QZ_SetLastError(saved);
}

bool SimDeviceAccess::GetDiskNumber(DeviceHandle handle, uint32_t &number)
{
    Record record;
    record.kind = RequestKind::DiskNumber;
    const OpenDevice *device = Lookup(handle);
    if (device == nullptr)
        return Finish(record, false, kBadHandle);
    record.path = device->path;
    record.drive = device->drive;
    SimDrive &drive = drives_[device->drive];
    if (const Fault *fault = drive.DueFault(FaultTarget::DiskNumber))
        return Finish(record, false, fault->error);
    if (drive.Config().number < 0)
        return Finish(record, false, kNotSupported);
    number = static_cast<uint32_t>(drive.Config().number);
    return Finish(record, true, 0);
}

bool SimDeviceAccess::ScsiPassThrough(DeviceHandle handle, ScsiRequest &request)
{
    Record record;
    record.kind = RequestKind::Scsi;
    record.cdb.assign(request.cdb, request.cdb + std::min<std::size_t>(request.cdbLength, sizeof request.cdb));
    record.dataIn = request.dataIn;
    record.length = request.length;
    if (!request.dataIn && request.buffer != nullptr)
        record.sent.assign(request.buffer, request.buffer + request.length);
    request.scsiStatus = 0;
    request.transferred = 0;

    const OpenDevice *device = Lookup(handle);
    if (device == nullptr)
        return Finish(record, false, kBadHandle);
    record.path = device->path;
    record.drive = device->drive;
    if (request.cdbLength == 0 || request.cdbLength > sizeof request.cdb
        || (request.length > 0 && request.buffer == nullptr)) {
        return Finish(record, false, kBadRequest);
    }

    SimDrive &drive = drives_[device->drive];
    const DriveConfig &config = drive.Config();
    const uint8_t opcode = request.cdb[0];
    auto checkCondition = [&]() {
        request.scsiStatus = kCheckCondition;
        record.scsiStatus = kCheckCondition;
        return Finish(record, true, 0);
    };

    if (const Fault *fault = drive.DueFault(FaultTarget::Scsi, opcode)) {
        if (fault->effect == FaultEffect::Status) {
            request.scsiStatus = static_cast<uint8_t>(fault->value);
            record.scsiStatus = request.scsiStatus;
            return Finish(record, true, 0);
        }
        return Finish(record, false, fault->error);
    }

    switch (opcode) {
    case 0x12: { // INQUIRY
        if (!request.dataIn)
            return checkCondition();
        const auto data = drive.InquiryData();
        const uint32_t allocation = (uint32_t {request.cdb[3]} << 8) | request.cdb[4];
        const uint32_t n = std::min<uint32_t>({allocation, request.length, static_cast<uint32_t>(data.size())});
        std::memcpy(request.buffer, data.data(), n);
        request.transferred = record.transferred = n;
        return Finish(record, true, 0);
    }
    case 0x00: // TEST UNIT READY
        if (!config.medium)
            return checkCondition();
        return Finish(record, true, 0);
    case 0x25: { // READ CAPACITY(10)
        if (!config.medium || !request.dataIn)
            return checkCondition();
        const auto data = drive.CapacityData();
        const uint32_t n = std::min<uint32_t>(request.length, static_cast<uint32_t>(data.size()));
        std::memcpy(request.buffer, data.data(), n);
        request.transferred = record.transferred = n;
        return Finish(record, true, 0);
    }
    case 0xA1:
        if (config.kind != DriveKind::JMicron || !config.medium)
            return checkCondition();
        return HandleJMicron(drive, request, record);
    case 0xEA:
    case 0xEB:
        if (config.kind != DriveKind::ASMedia || !config.medium)
            return checkCondition();
        return HandleASMedia(drive, request, record);
    default:
        return checkCondition();
    }
}

// Executes the pending command of a bridge in its data phase.
bool SimDeviceAccess::RunBridged(SimDrive &drive, const NVMeSubmissionEntry &command, ScsiRequest &request,
                                 Record &record)
{
    record.hasCommand = true;
    record.command = command;
    const FaultTarget target = command.opcode == NVME_ADMIN_IDENTIFY ? FaultTarget::Identify
        : command.opcode == NVME_ADMIN_GET_LOG_PAGE                  ? FaultTarget::Log
                                                                     : FaultTarget::Download;
    if (const Fault *fault = drive.DueFault(target, -1, static_cast<int>(command.cdw10 & 0xFF), FaultPhase::Data)) {
        if (fault->effect == FaultEffect::Status) {
            request.scsiStatus = record.scsiStatus = static_cast<uint8_t>(fault->value);
            return Finish(record, true, 0);
        }
        return Finish(record, false, fault->error);
    }
    uint32_t moved = 0;
    const uint16_t status = drive.Execute(command, request.buffer, request.length, request.dataIn, moved);
    if (status != kNvmeSuccess) {
        request.scsiStatus = record.scsiStatus = kCheckCondition;
        return Finish(record, true, 0);
    }
    request.transferred = record.transferred = moved;
    return Finish(record, true, 0);
}

bool SimDeviceAccess::HandleJMicron(SimDrive &drive, ScsiRequest &request, Record &record)
{
    const uint8_t mode = request.cdb[1];
    const uint32_t length = GetBE24(request.cdb + 3);
    auto checkCondition = [&]() {
        request.scsiStatus = record.scsiStatus = kCheckCondition;
        return Finish(record, true, 0);
    };
    // Only admin commands (80h set), and the CDB's length must match the transfer.
    if ((mode & 0x80) == 0 || length != request.length || request.cdbLength != 12)
        return checkCondition();

    switch (mode & 0x7F) {
    case 0x00: { // the payload block
        if (request.dataIn || length != sizeof(_SCSI_NVME_PAYLOAD_FORMAT)
            || std::memcmp(request.buffer, "NVME", 4) != 0) {
            return checkCondition();
        }
        const NVMeSubmissionEntry command = NVMeSubmissionEntry::FromBytes(request.buffer + 8);
        record.hasCommand = true;
        record.command = command;
        const FaultTarget target = command.opcode == NVME_ADMIN_IDENTIFY ? FaultTarget::Identify
            : command.opcode == NVME_ADMIN_GET_LOG_PAGE                  ? FaultTarget::Log
                                                                         : FaultTarget::Download;
        if (const Fault *fault
            = drive.DueFault(target, -1, static_cast<int>(command.cdw10 & 0xFF), FaultPhase::Payload)) {
            if (fault->effect == FaultEffect::Status) {
                request.scsiStatus = record.scsiStatus = static_cast<uint8_t>(fault->value);
                return Finish(record, true, 0);
            }
            return Finish(record, false, fault->error);
        }
        drive.pending = command;
        drive.hasPending = true;
        request.transferred = record.transferred = length;
        return Finish(record, true, 0);
    }
    case 0x01: // no data
    case 0x02: // data from the drive
    case 0x03: { // data to the drive
        const uint8_t phase = mode & 0x7F;
        if (!drive.hasPending || (phase == 0x02) != request.dataIn || (phase == 0x01) != (length == 0)) {
            return checkCondition();
        }
        drive.hasPending = false;
        return RunBridged(drive, drive.pending, request, record);
    }
    default:
        return checkCondition();
    }
}

bool SimDeviceAccess::HandleASMedia(SimDrive &drive, ScsiRequest &request, Record &record)
{
    const uint8_t *cdb = request.cdb;
    const uint32_t length = GetBE32(cdb + 10);
    const bool toBridge = cdb[0] == 0xEA;
    auto checkCondition = [&]() {
        request.scsiStatus = record.scsiStatus = kCheckCondition;
        return Finish(record, true, 0);
    };
    if (cdb[1] != 0x5A || cdb[3] != 0 || length != request.length || request.cdbLength != 16
        || toBridge == request.dataIn || (cdb[4] != 1 && cdb[4] != 2)) {
        return checkCondition();
    }

    if (cdb[2] == 0x80) { // the submission entry
        if (!toBridge || length != NVME_SUBMISSION_ENTRY_SIZE)
            return checkCondition();
        const NVMeSubmissionEntry command = NVMeSubmissionEntry::FromBytes(request.buffer);
        record.hasCommand = true;
        record.command = command;
        const FaultTarget target = command.opcode == NVME_ADMIN_IDENTIFY ? FaultTarget::Identify
            : command.opcode == NVME_ADMIN_GET_LOG_PAGE                  ? FaultTarget::Log
                                                                         : FaultTarget::Download;
        if (const Fault *fault
            = drive.DueFault(target, -1, static_cast<int>(command.cdw10 & 0xFF), FaultPhase::Payload)) {
            if (fault->effect == FaultEffect::Status) {
                request.scsiStatus = record.scsiStatus = static_cast<uint8_t>(fault->value);
                return Finish(record, true, 0);
            }
            return Finish(record, false, fault->error);
        }
        drive.pending = command;
        drive.pendingPhase = cdb[4];
        drive.hasPending = true;
        request.transferred = record.transferred = length;
        return Finish(record, true, 0);
    }
    if (cdb[2] == 0x81) { // the data: from the drive with phase 1, to it with phase 2
        const bool phaseIn = cdb[4] == 1;
        if (!drive.hasPending || drive.pendingPhase != cdb[4] || phaseIn != request.dataIn)
            return checkCondition();
        drive.hasPending = false;
        return RunBridged(drive, drive.pending, request, record);
    }
    return checkCondition();
}

bool SimDeviceAccess::StorageProtocolQuery(DeviceHandle handle, TStorageQueryWithBuffer &query)
{
    Record record;
    record.kind = RequestKind::StorageQuery;
    record.length = sizeof query;
    const auto *bytes = reinterpret_cast<const uint8_t *>(&query);
    record.sent.assign(bytes, bytes + sizeof query);

    const OpenDevice *device = Lookup(handle);
    if (device == nullptr)
        return Finish(record, false, kBadHandle);
    record.path = device->path;
    record.drive = device->drive;
    SimDrive &drive = drives_[device->drive];
    if (drive.Config().kind != DriveKind::Nvme)
        return Finish(record, false, kNotSupported);

    const StorageProtocolSpecificData &p = query.ProtocolSpecific;
    const uint64_t end = uint64_t {p.ProtocolDataOffset} + p.ProtocolDataLength;
    if (query.PropertyId != kStorageAdapterProtocolSpecificProperty || query.QueryType != kPropertyStandardQuery
        || p.ProtocolType != kProtocolTypeNvme || p.ProtocolDataOffset < sizeof(StorageProtocolSpecificData)
        || p.ProtocolDataLength == 0 || p.ProtocolDataLength % 4 != 0 || end > sizeof query - kProtocolRecordOffset) {
        return Finish(record, false, kBadRequest);
    }

    // What the platform makes of the query.
    NVMeSubmissionEntry command;
    FaultTarget target;
    if (p.DataType == kNVMeDataTypeIdentify) {
        command.opcode = NVME_ADMIN_IDENTIFY;
        command.nsid = p.ProtocolDataRequestSubValue;
        command.cdw10 = p.ProtocolDataRequestValue & 0xFF;
        target = FaultTarget::Identify;
    } else if (p.DataType == kNVMeDataTypeLogPage) {
        const uint32_t numd = p.ProtocolDataLength / 4 - 1;
        command.opcode = NVME_ADMIN_GET_LOG_PAGE;
        command.nsid = 0xFFFFFFFF;
        command.cdw10 = (p.ProtocolDataRequestValue & 0xFF) | ((numd & 0xFFFF) << 16);
        command.cdw11 = numd >> 16;
        command.cdw12 = p.ProtocolDataRequestSubValue;
        target = FaultTarget::Log;
    } else {
        return Finish(record, false, kBadRequest);
    }
    record.hasCommand = true;
    record.command = command;
    if (const Fault *fault = drive.DueFault(target, -1, static_cast<int>(command.cdw10 & 0xFF))) {
        return Finish(record, false, fault->error);
    }
    uint8_t *data = reinterpret_cast<uint8_t *>(&query) + kProtocolRecordOffset + p.ProtocolDataOffset;
    uint32_t moved = 0;
    if (drive.Execute(command, data, p.ProtocolDataLength, true, moved) != kNvmeSuccess) {
        return Finish(record, false, kDeviceError);
    }
    return Finish(record, true, 0);
}

bool SimDeviceAccess::FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length)
{
    Record record;
    record.kind = RequestKind::FirmwareRequest;
    record.length = length;
    if (request != nullptr)
        record.sent.assign(request, request + length);

    const OpenDevice *device = Lookup(handle);
    if (device == nullptr)
        return Finish(record, false, kBadHandle);
    record.path = device->path;
    record.drive = device->drive;
    SimDrive &drive = drives_[device->drive];
    if (drive.Config().kind != DriveKind::Nvme)
        return Finish(record, false, kNotSupported);
    if (request == nullptr || length < kFirmwareDataOffset)
        return Finish(record, false, kBadRequest);

    FirmwareRequestHeader header;
    std::memcpy(&header, request, sizeof header);
    const uint64_t dataEnd = uint64_t {header.Request.DataBufferOffset} + header.Request.DataBufferLength;
    if (header.Srb.HeaderLength != sizeof(SrbIoControl)
        || std::memcmp(header.Srb.Signature, kFirmwareSignature, sizeof kFirmwareSignature) != 0
        || header.Srb.ControlCode != kIoctlScsiMiniportFirmware || header.Srb.Length != length - sizeof(SrbIoControl)
        || header.Request.Version != kFirmwareRequestBlockVersion || header.Request.Size != sizeof(FirmwareRequestBlock)
        || header.Request.DataBufferOffset < kFirmwareDataOffset || dataEnd > length) {
        return Finish(record, false, kBadRequest);
    }
    uint8_t *data = request + header.Request.DataBufferOffset;
    const uint32_t dataLength = header.Request.DataBufferLength;
    auto setReturnCode = [&](uint32_t code) {
        PutLE32(request + offsetof(FirmwareRequestHeader, Srb.ReturnCode), code);
        record.returnCode = code;
    };

    if (header.Request.Function == kFirmwareFunctionGetInfo) {
        if (dataLength < sizeof(StorageFirmwareInfo))
            return Finish(record, false, kBadRequest);
        if (const Fault *fault = drive.DueFault(FaultTarget::FwInfo)) {
            if (fault->effect == FaultEffect::ReturnCode) {
                setReturnCode(fault->value);
                return Finish(record, true, 0);
            }
            return Finish(record, false, fault->error);
        }
        const DriveConfig &c = drive.Config();
        const std::size_t fit = (dataLength - sizeof(StorageFirmwareInfo)) / sizeof(StorageFirmwareSlotInfo);
        const std::size_t slots = std::min(c.slots.size(), fit);
        StorageFirmwareInfo info;
        std::memset(&info, 0, sizeof info);
        info.Version = 1;
        info.Size = sizeof info;
        info.UpgradeSupport = c.upgrade ? 1 : 0;
        info.SlotCount = static_cast<uint8_t>(slots);
        info.ActiveSlot = c.activeSlot;
        info.PendingActivateSlot = c.pendingSlot == 0 ? kNoPendingSlot : c.pendingSlot;
        std::memcpy(data, &info, sizeof info);
        for (std::size_t i = 0; i < slots; ++i) {
            StorageFirmwareSlotInfo slot;
            std::memset(&slot, 0, sizeof slot);
            slot.SlotNumber = static_cast<uint8_t>(i + 1);
            slot.ReadOnly = c.slots[i].readOnly ? 1 : 0;
            std::memcpy(slot.Revision, c.slots[i].revision.data(),
                        std::min<std::size_t>(8, c.slots[i].revision.size()));
            std::memcpy(data + sizeof info + i * sizeof slot, &slot, sizeof slot);
        }
        setReturnCode(0);
        return Finish(record, true, 0);
    }

    if (header.Request.Function == kFirmwareFunctionDownload) {
        if (dataLength < sizeof(StorageFirmwareDownload))
            return Finish(record, false, kBadRequest);
        StorageFirmwareDownload download;
        std::memcpy(&download, data, sizeof download);
        if (download.Version != 1 || download.Size != sizeof download || download.BufferSize == 0
            || download.BufferSize % 4 != 0 || download.BufferSize > dataLength - sizeof download
            || download.Offset % 4 != 0 || download.Offset / 4 > UINT32_MAX) {
            return Finish(record, false, kBadRequest);
        }
        NVMeSubmissionEntry command;
        command.opcode = NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD;
        command.cdw10 = static_cast<uint32_t>(download.BufferSize / 4 - 1);
        command.cdw11 = static_cast<uint32_t>(download.Offset / 4);
        record.hasCommand = true;
        record.command = command;
        if (const Fault *fault = drive.DueFault(FaultTarget::Download)) {
            if (fault->effect == FaultEffect::ReturnCode) {
                setReturnCode(fault->value);
                return Finish(record, true, 0);
            }
            return Finish(record, false, fault->error);
        }
        uint32_t moved = 0;
        const uint16_t status
            = drive.Execute(command, data + sizeof download, static_cast<uint32_t>(download.BufferSize), false, moved);
        setReturnCode(status);
        return Finish(record, true, 0);
    }
    return Finish(record, false, kBadRequest);
}

} // namespace qz
