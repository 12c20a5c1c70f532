#include "DeviceAccess/sim/SimDeviceAccess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "QZUtil/ByteOrder.h"
#include "QZUtil/QZUtil.h"
#include "DeviceAccess/WindowsRequests.h"

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

// The fault target of an NVMe admin command, however it travels.
FaultTarget FaultTargetOf(const NVMeSubmissionEntry &command)
{
    return command.opcode == NVME_ADMIN_IDENTIFY    ? FaultTarget::Identify
        : command.opcode == NVME_ADMIN_GET_LOG_PAGE ? FaultTarget::Log
                                                    : FaultTarget::Download;
}

int LogIdOf(const NVMeSubmissionEntry &command)
{
    return nvme_field::LogIdentifier(command.cdw10);
}

// What the firmware information request reports of a drive: its own slots,
// each of which may be read-only.
winreq::FirmwareSummary FirmwareSummaryOf(const DriveConfig &c)
{
    winreq::FirmwareSummary summary;
    summary.upgradeSupported = c.upgrade;
    summary.activeSlot = c.activeSlot;
    summary.pendingSlot = c.pendingSlot;
    for (const sim::FirmwareSlot &s : c.slots) {
        winreq::FirmwareSlot slot;
        slot.readOnly = s.readOnly;
        std::memcpy(slot.revision, s.revision.data(), std::min<std::size_t>(sizeof slot.revision, s.revision.size()));
        summary.slots.push_back(slot);
    }
    return summary;
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
    : settings(std::move(config.settings))
{
    for (DriveConfig &drive : config.drives)
        drives.emplace_back(std::move(drive));
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
    return drives.emplace_back(std::move(config));
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
    if (!settings.recordFile.empty()) {
        if (std::FILE *file = std::fopen(settings.recordFile.c_str(), "ab")) {
            const std::string line = Describe(record) + "\n";
            std::fwrite(line.data(), 1, line.size(), file);
            std::fclose(file);
        }
    }
    records.push_back(std::move(record));
    return carried;
}

const SimDeviceAccess::OpenDevice *SimDeviceAccess::Lookup(DeviceHandle handle)
{
    const auto it = handles.find(handle);
    return it == handles.end() ? nullptr : &it->second;
}

bool SimDeviceAccess::CheckCondition(ScsiRequest &request, Record &record)
{
    // Fixed-format sense data: ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE.
    const uint8_t sense[18] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    std::memcpy(request.sense, sense, sizeof sense);
    request.senseLength = sizeof sense;
    request.scsiStatus = record.scsiStatus = kCheckCondition;
    return Finish(record, true, 0);
}

bool SimDeviceAccess::FaultOutcome(const Fault &fault, Record &record, ScsiRequest *scsi,
                                   const winreq::FirmwareRequest *firmware)
{
    if (fault.effect == FaultEffect::Status && scsi != nullptr) {
        scsi->scsiStatus = record.scsiStatus = static_cast<uint8_t>(fault.value);
        return Finish(record, true, 0);
    }
    if (fault.effect == FaultEffect::Short && scsi != nullptr) {
        // The bridge took part of the payload block and dropped the command.
        scsi->transferred = record.transferred = std::min(fault.value, scsi->length);
        return Finish(record, true, 0);
    }
    if (fault.effect == FaultEffect::ReturnCode && firmware != nullptr) {
        winreq::SetReturnCode(*firmware, fault.value);
        record.returnCode = fault.value;
        return Finish(record, true, 0);
    }
    return Finish(record, false, fault.error);
}

int SimDeviceAccess::FindDrive(const char *path) const
{
    if (path == nullptr)
        return -1;
    const int64_t number = PhysicalDriveNumber(path);
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const DriveConfig &c = drives[i].Config();
        if (number >= 0 ? c.number == number : SamePathNoCase(c.path, path))
            return static_cast<int>(i);
    }
    return -1;
}

std::string SimDeviceAccess::IdentityOf(int drive) const
{
    if (drive < 0)
        return std::string();
    const uint64_t sequence = drives[drive].Config().sequence;
    return "diskseq " + std::to_string(sequence != 0 ? sequence : static_cast<uint64_t>(drive) + 1);
}

std::string SimDeviceAccess::IdentityOfPath(const char *path)
{
    return IdentityOf(FindDrive(path));
}

std::string SimDeviceAccess::IdentityOfHandle(DeviceHandle handle)
{
    const OpenDevice *device = Lookup(handle);
    return device == nullptr ? std::string() : IdentityOf(device->drive);
}

SimDrive *SimDeviceAccess::DriveOf(DeviceHandle handle, Record &record)
{
    const OpenDevice *device = Lookup(handle);
    if (device == nullptr) {
        Finish(record, false, kBadHandle);
        return nullptr;
    }
    record.path = device->path;
    record.drive = device->drive;
    return &drives[device->drive];
}

bool SimDeviceAccess::ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount)
{
    Record record;
    record.kind = RequestKind::List;
    if (settings.listFails)
        return Finish(record, false, kNotSupported);
    for (const SimDrive &drive : drives) {
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
    const int index = FindDrive(path);
    record.drive = index;
    if (index < 0) {
        Finish(record, false, kNoSuchDevice);
        return kInvalidDeviceHandle;
    }
    if (const Fault *fault = drives[index].DueFault(FaultTarget::Open)) {
        Finish(record, false, fault->error);
        return kInvalidDeviceHandle;
    }
    const DeviceHandle handle = nextHandle++;
    handles[handle] = OpenDevice {index, record.path};
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
        handles.erase(handle);
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
    SimDrive *const opened = DriveOf(handle, record);
    if (opened == nullptr)
        return false;
    SimDrive &drive = *opened;
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

    SimDrive *const opened = DriveOf(handle, record);
    if (opened == nullptr)
        return false;
    winreq::ScsiTransfer transfer;
    if (!winreq::TranslateScsiRequest(request, transfer))
        return Finish(record, false, kBadRequest);

    SimDrive &drive = *opened;
    const DriveConfig &config = drive.Config();
    const uint8_t opcode = request.cdb[0];

    if (const Fault *fault = drive.DueFault(FaultTarget::Scsi, opcode))
        return FaultOutcome(*fault, record, &request, nullptr);

    switch (opcode) {
    case 0x12: { // INQUIRY
        if (!request.dataIn)
            return CheckCondition(request, record);
        const auto data = drive.InquiryData();
        const uint32_t allocation = (uint32_t {request.cdb[3]} << 8) | request.cdb[4];
        const uint32_t n = std::min<uint32_t>({allocation, request.length, static_cast<uint32_t>(data.size())});
        std::memcpy(request.buffer, data.data(), n);
        request.transferred = record.transferred = n;
        return Finish(record, true, 0);
    }
    case 0x00: // TEST UNIT READY
        if (!config.medium)
            return CheckCondition(request, record);
        return Finish(record, true, 0);
    case 0x25: { // READ CAPACITY(10)
        if (!config.medium || !request.dataIn)
            return CheckCondition(request, record);
        const auto data = drive.CapacityData();
        const uint32_t n = std::min<uint32_t>(request.length, static_cast<uint32_t>(data.size()));
        std::memcpy(request.buffer, data.data(), n);
        request.transferred = record.transferred = n;
        return Finish(record, true, 0);
    }
    case 0xA1:
        if (config.kind != DriveKind::JMicron || !config.medium)
            return CheckCondition(request, record);
        return HandleJMicron(drive, request, record);
    case 0xEA:
    case 0xEB:
        if (config.kind != DriveKind::ASMedia || !config.medium)
            return CheckCondition(request, record);
        return HandleASMedia(drive, request, record);
    default:
        return CheckCondition(request, record);
    }
}

// Executes the pending command of a bridge in its data phase.
bool SimDeviceAccess::RunBridged(SimDrive &drive, const NVMeSubmissionEntry &command, ScsiRequest &request,
                                 Record &record)
{
    record.hasCommand = true;
    record.command = command;
    const Fault *fault = drive.DueFault(FaultTargetOf(command), -1, LogIdOf(command), FaultPhase::Data);
    if (fault != nullptr && fault->effect != FaultEffect::Short)
        return FaultOutcome(*fault, record, &request, nullptr);
    uint32_t moved = 0;
    if (fault != nullptr) {
        // Only the first bytes cross: the drive sees zeros for the rest of
        // what was sent, and the host gets only the first bytes of the answer.
        std::vector<uint8_t> full(request.length);
        const uint32_t crossing = std::min(fault->value, request.length);
        if (!request.dataIn && crossing > 0)
            std::memcpy(full.data(), request.buffer, crossing);
        drive.Execute(command, full.data(), request.length, request.dataIn, moved);
        const uint32_t delivered = std::min(fault->value, moved);
        if (request.dataIn && delivered > 0)
            std::memcpy(request.buffer, full.data(), delivered);
        request.transferred = record.transferred = delivered;
        return Finish(record, true, 0);
    }
    const uint16_t status = drive.Execute(command, request.buffer, request.length, request.dataIn, moved);
    if (status != kNvmeSuccess)
        return CheckCondition(request, record);
    request.transferred = record.transferred = moved;
    return Finish(record, true, 0);
}

bool SimDeviceAccess::HandleJMicron(SimDrive &drive, ScsiRequest &request, Record &record)
{
    const uint8_t mode = request.cdb[1];
    const uint32_t length = GetBE24(request.cdb + 3);
    // Only admin commands (80h set), and the CDB's length must match the transfer.
    if ((mode & 0x80) == 0 || length != request.length || request.cdbLength != 12)
        return CheckCondition(request, record);

    switch (mode & 0x7F) {
    case 0x00: { // the payload block
        if (request.dataIn || length != sizeof(_SCSI_NVME_PAYLOAD_FORMAT)
            || std::memcmp(request.buffer, "NVME", 4) != 0) {
            return CheckCondition(request, record);
        }
        const NVMeSubmissionEntry command = NVMeSubmissionEntry::FromBytes(request.buffer + 8);
        record.hasCommand = true;
        record.command = command;
        if (const Fault *fault = drive.DueFault(FaultTargetOf(command), -1, LogIdOf(command), FaultPhase::Payload))
            return FaultOutcome(*fault, record, &request, nullptr);
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
            return CheckCondition(request, record);
        }
        drive.hasPending = false;
        return RunBridged(drive, drive.pending, request, record);
    }
    default:
        return CheckCondition(request, record);
    }
}

bool SimDeviceAccess::HandleASMedia(SimDrive &drive, ScsiRequest &request, Record &record)
{
    const uint8_t *cdb = request.cdb;
    const uint32_t length = GetBE32(cdb + 10);
    const bool toBridge = cdb[0] == 0xEA;
    if (cdb[1] != 0x5A || cdb[3] != 0 || length != request.length || request.cdbLength != 16
        || toBridge == request.dataIn || (cdb[4] != 1 && cdb[4] != 2)) {
        return CheckCondition(request, record);
    }

    if (cdb[2] == 0x80) { // the submission entry
        if (!toBridge || length != NVME_SUBMISSION_ENTRY_SIZE)
            return CheckCondition(request, record);
        const NVMeSubmissionEntry command = NVMeSubmissionEntry::FromBytes(request.buffer);
        record.hasCommand = true;
        record.command = command;
        if (const Fault *fault = drive.DueFault(FaultTargetOf(command), -1, LogIdOf(command), FaultPhase::Payload))
            return FaultOutcome(*fault, record, &request, nullptr);
        drive.pending = command;
        drive.pendingPhase = cdb[4];
        drive.hasPending = true;
        request.transferred = record.transferred = length;
        return Finish(record, true, 0);
    }
    if (cdb[2] == 0x81) { // the data: from the drive with phase 1, to it with phase 2
        const bool phaseIn = cdb[4] == 1;
        if (!drive.hasPending || drive.pendingPhase != cdb[4] || phaseIn != request.dataIn)
            return CheckCondition(request, record);
        drive.hasPending = false;
        return RunBridged(drive, drive.pending, request, record);
    }
    return CheckCondition(request, record);
}

bool SimDeviceAccess::StorageProtocolQuery(DeviceHandle handle, TStorageQueryWithBuffer &query)
{
    Record record;
    record.kind = RequestKind::StorageQuery;
    record.length = sizeof query;
    const auto *bytes = reinterpret_cast<const uint8_t *>(&query);
    record.sent.assign(bytes, bytes + sizeof query);

    SimDrive *const opened = DriveOf(handle, record);
    if (opened == nullptr)
        return false;
    SimDrive &drive = *opened;
    if (drive.Config().kind != DriveKind::Nvme)
        return Finish(record, false, kNotSupported);

    winreq::AdminCommand command;
    if (!winreq::TranslateStorageQuery(query, command))
        return Finish(record, false, kBadRequest);
    record.hasCommand = true;
    record.command = command.entry;
    if (const Fault *fault = drive.DueFault(FaultTargetOf(command.entry), -1, LogIdOf(command.entry)))
        return FaultOutcome(*fault, record, nullptr, nullptr);
    uint32_t moved = 0;
    if (drive.Execute(command.entry, command.data, command.dataLength, true, moved) != kNvmeSuccess)
        return Finish(record, false, kDeviceError);
    return Finish(record, true, 0);
}

bool SimDeviceAccess::FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length)
{
    Record record;
    record.kind = RequestKind::FirmwareRequest;
    record.length = length;
    if (request != nullptr)
        record.sent.assign(request, request + length);

    SimDrive *const opened = DriveOf(handle, record);
    if (opened == nullptr)
        return false;
    SimDrive &drive = *opened;
    if (drive.Config().kind != DriveKind::Nvme)
        return Finish(record, false, kNotSupported);
    winreq::FirmwareRequest decoded;
    if (!winreq::DecodeFirmwareRequest(request, length, decoded))
        return Finish(record, false, kBadRequest);

    if (decoded.function == kFirmwareFunctionGetInfo) {
        if (!winreq::InformationFits(decoded))
            return Finish(record, false, kBadRequest);
        if (const Fault *fault = drive.DueFault(FaultTarget::FwInfo))
            return FaultOutcome(*fault, record, nullptr, &decoded);
        winreq::WriteFirmwareInformation(decoded, FirmwareSummaryOf(drive.Config()));
        winreq::SetReturnCode(decoded, 0);
        record.returnCode = 0;
        return Finish(record, true, 0);
    }

    winreq::AdminCommand command;
    if (!winreq::TranslateFirmwareDownload(decoded, command))
        return Finish(record, false, kBadRequest);
    record.hasCommand = true;
    record.command = command.entry;
    if (const Fault *fault = drive.DueFault(FaultTarget::Download))
        return FaultOutcome(*fault, record, nullptr, &decoded);
    uint32_t moved = 0;
    const uint16_t status = drive.Execute(command.entry, command.data, command.dataLength, false, moved);
    winreq::SetReturnCode(decoded, status);
    record.returnCode = status;
    return Finish(record, true, 0);
}

} // namespace qz
