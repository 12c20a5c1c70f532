// The simulation backend: virtual drives described by a simulation file (see
// SimConfig.cpp), selected only when QZLIB_SIMULATION names such a file.
// It decodes what the library sends as the real parts would (bridge CDBs,
// payload blocks, submission entries, the Windows request records) and keeps
// a record of every request.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/WindowsRequests.h"
#include "DeviceAccess/sim/SimDrive.h"

namespace qz {

class SimDeviceAccess : public DeviceAccess
{
public:
    enum class RequestKind { List, Open, Close, Scsi, StorageQuery, FirmwareRequest, DiskNumber };

    // One request as the simulation received it.
    struct Record
    {
        RequestKind kind = RequestKind::Open;
        std::string path; // the path the request went to
        int drive = -1; // index of the drive, -1 for none
        std::vector<uint8_t> cdb; // Scsi
        bool dataIn = false; // Scsi
        uint32_t length = 0; // Scsi: byte count; requests: record size
        std::vector<uint8_t> sent; // bytes sent to the device (the whole record for requests)
        bool carried = true;
        uint32_t error = 0;
        uint8_t scsiStatus = 0;
        uint32_t transferred = 0;
        uint32_t returnCode = 0; // FirmwareRequest
        bool hasCommand = false; // the NVMe admin command this request carried
        NVMeSubmissionEntry command;
    };

    SimDeviceAccess();
    explicit SimDeviceAccess(sim::SimConfig config);

    static std::unique_ptr<SimDeviceAccess> FromText(std::string_view text, std::string *error);
    static std::unique_ptr<SimDeviceAccess> FromFile(const char *path, std::string *error);

    sim::SimDrive &AddDrive(sim::DriveConfig config);
    sim::SimDrive &Drive(std::size_t index) { return drives[index]; }
    std::size_t DriveCount() const { return drives.size(); }
    sim::SimSettings &Settings() { return settings; }

    const std::vector<Record> &Records() const { return records; }
    void ClearRecords() { records.clear(); }
    std::size_t OpenHandleCount() const { return handles.size(); }

    bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) override;
    DeviceHandle Open(const char *path) override;
    void Close(DeviceHandle handle) override;
    bool ScsiPassThrough(DeviceHandle handle, ScsiRequest &request) override;
    bool GetDiskNumber(DeviceHandle handle, uint32_t &number) override;
    bool StorageProtocolQuery(DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) override;
    bool FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length) override;
    bool IdentifiesDisks() const override { return true; }
    // "diskseq <sequence>" of the drive; "" for none.
    std::string IdentityOfPath(const char *path) override;
    std::string IdentityOfHandle(DeviceHandle handle) override;

    // One line describing a record (the record file's format).
    static std::string Describe(const Record &record);

    // Error codes the simulated platform reports.
    static constexpr uint32_t kNoSuchDevice = 2; // no drive at the path
    static constexpr uint32_t kBadHandle = 9;
    static constexpr uint32_t kBadRequest = 22; // malformed request record
    static constexpr uint32_t kNotSupported = 95; // not an NVMe drive / no disk number
    static constexpr uint32_t kDeviceError = 5; // the drive refused the command

private:
    struct OpenDevice
    {
        int drive;
        std::string path;
    };

    bool Finish(Record &record, bool carried, uint32_t error);
    // The drive behind an open handle, named in `record`; nullptr after
    // finishing the record as a bad handle.
    sim::SimDrive *DriveOf(DeviceHandle handle, Record &record);
    int FindDrive(const char *path) const;
    std::string IdentityOf(int drive) const;
    // The SCSI command ends with CHECK CONDITION, nothing executed.
    bool CheckCondition(ScsiRequest &request, Record &record);
    // What a due fault makes of a request: a SCSI status (`scsi`), a firmware
    // ReturnCode (`firmware`) or a failure to carry it out.
    bool FaultOutcome(const sim::Fault &fault, Record &record, ScsiRequest *scsi,
                      const winreq::FirmwareRequest *firmware);
    const OpenDevice *Lookup(DeviceHandle handle);
    bool HandleJMicron(sim::SimDrive &drive, ScsiRequest &request, Record &record);
    bool HandleASMedia(sim::SimDrive &drive, ScsiRequest &request, Record &record);
    bool RunBridged(sim::SimDrive &drive, const NVMeSubmissionEntry &command, ScsiRequest &request, Record &record);

    sim::SimSettings settings;
    std::deque<sim::SimDrive> drives;
    std::map<DeviceHandle, OpenDevice> handles;
    DeviceHandle nextHandle = 100;
    std::vector<Record> records;
};

} // namespace qz
