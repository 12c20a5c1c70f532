// Real drives on Windows: SetupAPI disk interfaces, CreateFileA and the
// DeviceIoControl requests, with the request records of driverdef.
#pragma once

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/windows/WindowsSystemCalls.h"

namespace qz {

class WindowsDeviceAccess : public DeviceAccess
{
public:
    // `calls` replaces the system calls (nullptr: the real ones; not owned).
    explicit WindowsDeviceAccess(WindowsSystemCalls *calls = nullptr);

    bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) override;
    DeviceHandle Open(const char *path) override;
    void Close(DeviceHandle handle) override;
    bool ScsiPassThrough(DeviceHandle handle, ScsiRequest &request) override;
    bool GetDiskNumber(DeviceHandle handle, uint32_t &number) override;
    bool StorageProtocolQuery(DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) override;
    bool FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length) override;
    bool IdentifiesDisks() const override { return true; }
    // "device <vendor>|<product>|<serial number>|bus <type> disk <number>"
    // as the storage stack describes the disk; "" when it does not.
    std::string IdentityOfPath(const char *path) override;
    std::string IdentityOfHandle(DeviceHandle handle) override;

private:
    // Sends one request with the same buffer in and out.
    bool Control(DeviceHandle handle, DWORD code, void *buffer, DWORD length);

    WindowsSystemCalls ownCalls;
    WindowsSystemCalls *calls;
};

} // namespace qz
