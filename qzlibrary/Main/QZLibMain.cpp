#include "Main/QZLibMain.h"

#include "Main/ExportLock.h"

#include "QZlibrary.h"
#include "V_Comm/QZ_AP.h"
#include "V_Proc/VP_Proc.h"
#include "dbg/DllPrintf.h"

#if defined(_WIN32)
#include <windows.h>
#endif

int _libmain(unsigned reason)
{
    __dll_printf("QZ DLL Enterance\n");
    switch (reason) {
    case QZ_REASON_PROCESS_ATTACH:
        __dll_printf("QZ DLL_PROCESS_ATTACH!\n");
        break;
    case QZ_REASON_THREAD_ATTACH:
        __dll_printf("QZ DLL_THREAD_ATTACH!\n");
        break;
    case QZ_REASON_THREAD_DETACH:
        __dll_printf("QZ DLL_THREAD_DETACH!\n");
        break;
    case QZ_REASON_PROCESS_DETACH:
        __dll_printf("QZ DLL_PROCESS_DETACH!\n");
        break;
    default:
        break;
    }
    return 1;
}

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    const int result = _libmain(reason);
    if (reason == DLL_PROCESS_DETACH)
        qz::dbg::CloseSinks();
    return result;
}
#else
__attribute__((constructor)) static void QZLibOnLoad()
{
    _libmain(QZ_REASON_PROCESS_ATTACH);
}
__attribute__((destructor)) static void QZLibOnUnload()
{
    _libmain(QZ_REASON_PROCESS_DETACH);
    qz::dbg::CloseSinks();
}
#endif

bool QZ_InstanceUsable(unsigned char bInstance, const unsigned char *pBuffer)
{
    return pBuffer != nullptr && bInstance < g_dwQZDeviceCount && bInstance < QZ_MAX_INSTANCE;
}

extern "C" {

QZLIB_API const char *QZLib_GetDllVersion(void)
{
    const qz::ExportLock lock;
    return QZLIB_VERSION_TEXT;
}

QZLIB_API bool QZLib_Initialize(void)
{
    const qz::ExportLock lock;
    if (g_SetupDeviceInfo) {
        __dll_printf("QZ library already initialized\n");
        return true;
    }
    QZ_AP_AllocMem();
    g_SetupDeviceInfo = true;
    __dll_printf("QZ library initialized\n");
    return true;
}

QZLIB_API bool QZLib_UnInitialize(void)
{
    const qz::ExportLock lock;
    if (!g_SetupDeviceInfo) {
        __dll_printf("%u@%s::%s", static_cast<unsigned>(__LINE__), "QZLib_UnInitialize",
                     "QZ library is not initialized!\n");
        return false;
    }
    QZ_AP_FreeMem();
    g_SetupDeviceInfo = false;
    __dll_printf("QZ library uninitialized\n");
    return true;
}

QZLIB_API int QZLib_PROC_GetQZDevice(void)
{
    const qz::ExportLock lock;
    uint32_t count = VP_PROC_GetQZDevice();
    if (count > QZ_MAX_INSTANCE)
        count = QZ_MAX_INSTANCE;
    g_dwQZDeviceCount = count;
    return static_cast<int>(count);
}

QZLIB_API bool QZLib_Identify(unsigned char bInstance, unsigned char *pBuffer)
{
    const qz::ExportLock lock;
    if (!QZ_InstanceUsable(bInstance, pBuffer))
        return false;
    return VP_Identify(bInstance, pBuffer, NVME_IDENTIFY_CNS_CONTROLLER) != 0;
}

QZLIB_API bool QZLib_SYS_IloRgbMcuCmdWrite(unsigned char bInstance, unsigned char *pBuffer)
{
    const qz::ExportLock lock;
    if (!QZ_InstanceUsable(bInstance, pBuffer))
        return false;
    return VP_SysIloRgbMcuCmdWrite(bInstance, pBuffer) != 0;
}

QZLIB_API bool QZLib_SYS_IloRgbMcuCmdRead(unsigned char bInstance, unsigned char *pBuffer)
{
    const qz::ExportLock lock;
    if (!QZ_InstanceUsable(bInstance, pBuffer))
        return false;
    return VP_SysIloRgbMcuCmdRead(bInstance, pBuffer) != 0;
}

} // extern "C"
