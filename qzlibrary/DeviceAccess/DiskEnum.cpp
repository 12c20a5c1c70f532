#include "DeviceAccess/DiskEnum.h"

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/DeviceSession.h"
#include "QZUtil/QZUtil.h"
#include "dbg/DllPrintf.h"

int JM_EnumerateDiskDevice(char pszDevicePath[QZ_MAX_DISK_PATHS][QZ_DISK_PATH_BUFFER])
{
    std::vector<std::string> paths;
    paths.reserve(QZ_MAX_DISK_PATHS);
    if (!qz::CurrentDeviceAccess().ListDiskInterfaces(paths, QZ_MAX_DISK_PATHS))
        return 0;

    int count = 0;
    for (const std::string &path : paths) {
        if (count >= QZ_MAX_DISK_PATHS)
            break;
        if (path.size() >= QZ_DISK_PATH_BUFFER || path.find('\0') != std::string::npos) {
            __dll_printf("JM_EnumerateDiskDevice - path of %u characters skipped: %.64s...\n",
                         static_cast<unsigned>(path.size()), path.c_str());
            continue;
        }
        std::memcpy(pszDevicePath[count], path.c_str(), path.size() + 1);
        ++count;
    }
    return count;
}

int GetPhysicalDriver(const char *devFileName)
{
    qz::DeviceAccess &access = qz::CurrentDeviceAccess();
    const qz::DeviceLease lease(devFileName);
    const qz::DeviceHandle handle = lease.Handle();
    if (handle == qz::kInvalidDeviceHandle) {
        const uint32_t error = QZ_GetLastError();
        __dll_printf("GetPhysicalDriver - CreateFile %s failed:%d\n", devFileName, static_cast<int>(error));
        qz::ReportIfAccessDenied(qz::DeniedAction::Open, devFileName);
        return -1;
    }
    uint32_t number = 0;
    const bool ok = access.GetDiskNumber(handle, number);
    const uint32_t error = QZ_GetLastError();
    if (!ok || number > INT_MAX) {
        __dll_printf("GetPhysicalDriver - DeviceIoControl %s failed:%d\n", devFileName,
                     static_cast<int>(ok ? QZ_ErrorInvalidParameter() : error));
        return -1;
    }
    return static_cast<int>(number);
}
