#include "DeviceAccess/windows/WindowsSystemCalls.h"

namespace qz {

HDEVINFO WindowsSystemCalls::SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags)
{
    return ::SetupDiGetClassDevsA(classGuid, enumerator, parent, flags);
}

BOOL WindowsSystemCalls::SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID *interfaceClass,
                                                     DWORD index, PSP_DEVICE_INTERFACE_DATA item)
{
    return ::SetupDiEnumDeviceInterfaces(list, device, interfaceClass, index, item);
}

BOOL WindowsSystemCalls::SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA item,
                                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                                          PDWORD requiredSize, PSP_DEVINFO_DATA device)
{
    return ::SetupDiGetDeviceInterfaceDetailA(list, item, detail, detailSize, requiredSize, device);
}

BOOL WindowsSystemCalls::SetupDiDestroyDeviceInfoList(HDEVINFO list)
{
    return ::SetupDiDestroyDeviceInfoList(list);
}

HANDLE WindowsSystemCalls::CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                       DWORD creation, DWORD flags, HANDLE templateFile)
{
    return ::CreateFileA(path, access, share, security, creation, flags, templateFile);
}

BOOL WindowsSystemCalls::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                         LPDWORD returned, LPOVERLAPPED overlapped)
{
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, returned, overlapped);
}

BOOL WindowsSystemCalls::CloseHandle(HANDLE handle)
{
    return ::CloseHandle(handle);
}

DWORD WindowsSystemCalls::GetLastError()
{
    return ::GetLastError();
}

void WindowsSystemCalls::SetLastError(DWORD error)
{
    ::SetLastError(error);
}

} // namespace qz
