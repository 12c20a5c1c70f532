// Real drives on Linux: disks listed from sysfs, SCSI commands through SG_IO,
// the NVMe services through the NVMe admin pass-through.
//
// Paths it opens: an interface path (see LinuxDiskList.h) opens /dev/ + its
// last component; "\\.\PHYSICALDRIVE<n>" opens the NVMe controller /dev/nvme<n>
// (the disk number of a namespace is its controller's instance number);
// /dev/... paths are opened as they are.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/WindowsRequests.h"
#include "DeviceAccess/linux/LinuxSystemCalls.h"

namespace qz {

class LinuxDeviceAccess : public DeviceAccess
{
public:
    // `sysfsRoot` redirects sysfs (empty: the real one); `calls` replaces the
    // system calls (nullptr: the real ones; not owned).
    explicit LinuxDeviceAccess(std::string sysfsRoot = std::string(), LinuxSystemCalls *calls = nullptr);

    bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) override;
    DeviceHandle Open(const char *path) override;
    void Close(DeviceHandle handle) override;
    bool ScsiPassThrough(DeviceHandle handle, ScsiRequest &request) override;
    bool GetDiskNumber(DeviceHandle handle, uint32_t &number) override;
    bool StorageProtocolQuery(DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) override;
    bool FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length) override;
    bool IdentifiesDisks() const override { return true; }
    std::string IdentityOfPath(const char *path) override;
    std::string IdentityOfHandle(DeviceHandle handle) override;

    // The device node a path opens ("" when the path names none).
    static std::string DeviceNodeFor(const char *path);

private:
    // Opens a device node read-only, read-write where only that is granted
    // (said on the debug channel when `reportReadWrite`); errno on failure.
    int OpenNode(const std::string &node, bool reportReadWrite);
    // What sysfs says identifies the disk or controller behind a device node;
    // `behindUsb` is set for a disk without a disk sequence number that hangs
    // below a USB device.
    std::string SysfsIdentity(const std::string &node, bool *behindUsb = nullptr);
    // " below nvme<N>" for an NVMe namespace's node, "" for any other.
    std::string ControllerOfNamespace(const std::string &node);
    bool Admin(int fd, const winreq::AdminCommand &command, uint32_t &nvmeStatus);
    bool FirmwareInformation(int fd, const winreq::FirmwareRequest &request, uint32_t &returnCode);

    std::string sysfsRoot;
    LinuxSystemCalls ownCalls;
    LinuxSystemCalls *calls;
    std::map<int, std::string> openPaths; // what each open descriptor was opened as
};

} // namespace qz
