// Real drives on Windows: SetupAPI disk interfaces, CreateFileA and the
// DeviceIoControl requests, with the request records of driverdef.
#pragma once

#include "DeviceAccess/DeviceAccess.h"

namespace qz {

class WindowsDeviceAccess : public DeviceAccess
{
public:
    bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) override;
    DeviceHandle Open(const char *path) override;
    void Close(DeviceHandle handle) override;
    bool ScsiPassThrough(DeviceHandle handle, ScsiRequest &request) override;
    bool GetDiskNumber(DeviceHandle handle, uint32_t &number) override;
    bool StorageProtocolQuery(DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) override;
    bool FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length) override;
};

} // namespace qz
