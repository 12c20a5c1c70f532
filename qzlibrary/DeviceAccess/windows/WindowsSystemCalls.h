// The system calls the Windows backend makes, behind one seam so that tests
// can see every request it packs and answer as the platform would.
#pragma once

#include <windows.h>
#include <setupapi.h>

namespace qz {

class WindowsSystemCalls
{
public:
    virtual ~WindowsSystemCalls() = default;
    // Each does what the platform function of the same name does.
    virtual HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags);
    virtual BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID *interfaceClass,
                                             DWORD index, PSP_DEVICE_INTERFACE_DATA item);
    virtual BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA item,
                                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                                  PDWORD requiredSize, PSP_DEVINFO_DATA device);
    virtual BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list);
    virtual HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                               DWORD flags, HANDLE templateFile);
    virtual BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                 LPDWORD returned, LPOVERLAPPED overlapped);
    virtual BOOL CloseHandle(HANDLE handle);
    virtual DWORD GetLastError();
    virtual void SetLastError(DWORD error);
};

} // namespace qz
