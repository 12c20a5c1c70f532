// What the library needs of the platform, behind one interface with one
// backend per platform (linux/, windows/) and a simulation (sim/).
//
// Every operation sets the library's last error (QZ_GetLastError): 0 when it
// succeeds, the platform's error code when it fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driverdef/WinIoStructures.h"

namespace qz {

using DeviceHandle = intptr_t;
constexpr DeviceHandle kInvalidDeviceHandle = -1;

// One SCSI command with its data phase.
struct ScsiRequest
{
    uint8_t cdb[16] = {};
    uint8_t cdbLength = 0; // 12 or 16
    bool dataIn = false; // data from the device; false: to the device, or none
    uint8_t *buffer = nullptr;
    uint32_t length = 0; // exact byte count; 0: no data phase
    uint32_t timeoutSeconds = 0;
    // Filled in by the backend when the request was carried out:
    uint8_t scsiStatus = 0;
    uint32_t transferred = 0;
    // The sense data of a CHECK CONDITION, where the platform returns it.
    uint8_t sense[32] = {};
    uint8_t senseLength = 0;
};

class DeviceAccess
{
public:
    virtual ~DeviceAccess() = default;

    // The interface paths of the present disks, in the platform's order, at
    // most maxCount of them. False when the list cannot be obtained at all.
    virtual bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) = 0;

    // Opens a disk interface path or a "\\.\PHYSICALDRIVE%d" path;
    // kInvalidDeviceHandle on failure. Linux opens device nodes read-only.
    virtual DeviceHandle Open(const char *path) = 0;
    // Closing leaves the last error as it was.
    virtual void Close(DeviceHandle handle) = 0;

    // Sends one SCSI command. True when the platform carried it out without a
    // transport error; the SCSI status is reported either way.
    virtual bool ScsiPassThrough(DeviceHandle handle, ScsiRequest &request) = 0;

    // The platform's disk number of an opened disk.
    virtual bool GetDiskNumber(DeviceHandle handle, uint32_t &number) = 0;

    // The storage protocol query: the NVMe Identify (data type 1, request value
    // the CNS, sub-value the namespace) or Get Log Page (data type 2, request
    // value the log identifier) described by `query`; the data lands in its
    // data area. True when the platform carried out the query.
    virtual bool StorageProtocolQuery(DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) = 0;

    // Whether the platform tells disks apart (IdentityOfPath and
    // IdentityOfHandle below). Where it does, a slot whose identity could not
    // be recorded, or whose device cannot be identified now, is refused every
    // command; where it does not, no check is made.
    virtual bool IdentifiesDisks() const { return false; }

    // What identifies the disk (or NVMe controller) that a path reaches now,
    // and the one an open handle reaches, as comparable text; "" when the
    // platform cannot tell. Linux: the kernel's disk sequence number, which a
    // replacement disk never shares; without one, sysfs and, behind a USB
    // bridge, the drive's identification pages (asked on a descriptor).
    // Windows: the storage stack's device descriptor and disk number.
    virtual std::string IdentityOfPath(const char *path)
    {
        (void)path;
        return std::string();
    }
    virtual std::string IdentityOfHandle(DeviceHandle handle)
    {
        (void)handle;
        return std::string();
    }

    // The miniport firmware request in `request` (`length` bytes): get the
    // firmware information or download an image. True when the platform carried
    // out the request; the driver's result is the request's ReturnCode.
    virtual bool FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length) = 0;
};

// The backend in use: one installed by a test, else the simulation when the
// environment variable QZLIB_SIMULATION names a simulation file, else the
// platform's own.
DeviceAccess &CurrentDeviceAccess();

// Replaces the backend until called again with nullptr (tests).
void SetDeviceAccessForTesting(DeviceAccess *access);

constexpr char kSimulationVariable[] = "QZLIB_SIMULATION";

// The platform's own backend.
DeviceAccess &PlatformDeviceAccess();

// What a request that the platform refused for want of a permission was
// trying to do; named in the line ReportIfAccessDenied prints.
enum class DeniedAction { Open, ScsiPassThrough, NvmeAdmin };

// When the last error says the caller lacks a permission or privilege,
// prints "######### - Permission denied (error <code>): <action> <path>\n"
// with <action> one of "open", "SCSI pass-through to", "NVMe admin command
// to", so that a host can tell the user which privilege is missing.
void ReportIfAccessDenied(DeniedAction action, const char *path);

} // namespace qz
