#include "DeviceAccess/DeviceAccess.h"

#include <memory>

#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "QZUtil/QZUtil.h"
#include "dbg/DllPrintf.h"

namespace qz {
namespace {

DeviceAccess *g_testAccess = nullptr;

DeviceAccess &SelectedAccess()
{
    // The simulation is chosen once, at the first device request, and only when
    // the variable names a file; it never falls back to real devices.
    static std::unique_ptr<SimDeviceAccess> simulation = []() -> std::unique_ptr<SimDeviceAccess> {
        const char *file = QZ_GetEnvironment(kSimulationVariable);
        if (file == nullptr || file[0] == '\0')
            return nullptr;
        std::string error;
        auto sim = SimDeviceAccess::FromFile(file, &error);
        if (!sim) {
            __dll_printf(QZ_FORMAT_SIMULATION, file, error.c_str());
            sim = std::make_unique<SimDeviceAccess>();
        }
        return sim;
    }();
    if (simulation)
        return *simulation;
    return PlatformDeviceAccess();
}

} // namespace

DeviceAccess &CurrentDeviceAccess()
{
    if (g_testAccess != nullptr)
        return *g_testAccess;
    return SelectedAccess();
}

void SetDeviceAccessForTesting(DeviceAccess *access)
{
    g_testAccess = access;
}

void ReportIfAccessDenied(DeniedAction action, const char *path)
{
    const uint32_t error = QZ_GetLastError();
    if (!QZ_IsAccessDenied(error))
        return;
    const char *what = action == DeniedAction::Open ? QZ_LINE_DENIED_OPEN
        : action == DeniedAction::ScsiPassThrough   ? QZ_LINE_DENIED_SCSI
                                                    : QZ_LINE_DENIED_NVME;
    __dll_printf(QZ_FORMAT_DENIED, error, what, path != nullptr ? path : "");
}

} // namespace qz
