// A Windows platform for the backend's tests: SetupAPI lists disk interface
// paths, CreateFileA opens the simulated drive at a path, and DeviceIoControl
// decodes the request record and lets that drive carry it out. Every call is
// kept with the exact bytes it was given; a test can replace any
// DeviceIoControl answer (result, last error, SCSI status, transfer length,
// sense data).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "DeviceAccess/windows/WindowsSystemCalls.h"

namespace qztest {

class FakeWindowsSystem : public qz::WindowsSystemCalls
{
public:
    // `simulation`: the drives, in the simulation file's format. The listed
    // interfaces start as the drives' paths.
    explicit FakeWindowsSystem(std::string_view simulation);

    struct OpenCall
    {
        std::string path;
        DWORD access, share, creation, flags;
        bool security, templateFile; // non-null pointers passed
    };
    struct IoCall
    {
        std::string path; // what the handle was opened as
        DWORD code;
        std::vector<uint8_t> in; // the input buffer as given (empty when null)
        DWORD inSize, outSize;
        bool inIsOut, returnedGiven, overlapped;
        std::vector<uint8_t> dataOut; // pass-through to the device: the bytes DataBuffer held
        const void *dataBuffer; // pass-through: the DataBuffer field
    };
    // Replaces the answer of one DeviceIoControl call.
    struct Answer
    {
        bool carryOut = false; // let the drive carry the request out first
        BOOL result = FALSE;
        DWORD error = 0; // the last error left behind (0: unchanged)
        int scsiStatus = -1; // pass-through: ScsiStatus written back when >= 0
        int64_t transferLength = -1; // pass-through: DataTransferLength written back when >= 0
        int64_t returnedBytes = -1; // the byte count reported back when >= 0
        std::vector<uint8_t> sense {}; // pass-through: sense data written back when not empty
    };

    // SetupAPI
    std::vector<std::string> interfaces;
    DWORD classDevsError = 0; // non-zero: the list cannot be obtained
    size_t detailFailsAt = SIZE_MAX; // the detail query of this index fails
    struct ClassDevsCall
    {
        GUID guid;
        bool enumerator, parent;
        DWORD flags;
    };
    std::vector<ClassDevsCall> classDevsCalls;
    std::vector<DWORD> enumIndexes; // SetupDiEnumDeviceInterfaces, in order
    std::vector<DWORD> detailSizes;
    bool badEnumArguments = false, badDetailArguments = false;
    int listsOpen = 0;

    std::map<std::string, DWORD> openErrors; // CreateFileA fails for these paths
    // The device descriptor (vendor "ZRVK", product "Disk", USB): its serial
    // number by the path opened, else the drive's identity in the simulation;
    // non-zero descriptorError fails the query.
    std::map<std::string, std::string> serialNumbers;
    DWORD descriptorError = 0;
    std::map<size_t, Answer> answers; // by index into ioCalls
    std::vector<OpenCall> opens;
    std::vector<IoCall> ioCalls;
    int handlesOpen = 0;
    std::unique_ptr<qz::SimDeviceAccess> sim;

    HDEVINFO SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags) override;
    BOOL SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID *interfaceClass, DWORD index,
                                     PSP_DEVICE_INTERFACE_DATA item) override;
    BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA item,
                                          PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                          PDWORD requiredSize, PSP_DEVINFO_DATA device) override;
    BOOL SetupDiDestroyDeviceInfoList(HDEVINFO list) override;
    HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                       DWORD flags, HANDLE templateFile) override;
    BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                         LPDWORD returned, LPOVERLAPPED overlapped) override;
    BOOL CloseHandle(HANDLE handle) override;
    DWORD GetLastError() override { return lastError; }
    void SetLastError(DWORD error) override { lastError = error; }

    // The DeviceIoControl calls with this code.
    std::vector<IoCall> CallsWith(DWORD code) const;

private:
    BOOL Carry(HANDLE device, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize, DWORD &returned);
    BOOL Fail(DWORD error);
    BOOL Describe(HANDLE device, const void *in, void *out, DWORD outSize, DWORD &returned);
    static void WriteSense(void *record, DWORD size, const uint8_t *sense, std::size_t count);

    DWORD lastError = 0;
    std::map<HANDLE, std::string> paths;
};

} // namespace qztest
