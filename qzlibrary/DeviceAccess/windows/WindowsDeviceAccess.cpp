#include "DeviceAccess/windows/WindowsDeviceAccess.h"

#include <windows.h>
#include <setupapi.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "QZUtil/QZUtil.h"

using namespace driverdef;

namespace qz {
namespace {

// GUID_DEVINTERFACE_DISK {53F56307-B6BF-11D0-94F2-00A0C91EFB8B}
const GUID kDiskInterfaceClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

constexpr DWORD kDetailRecordBytes = 1024;
constexpr DWORD kDetailSizeField = 8; // size of the detail record's fixed part, 64-bit
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == kDetailSizeField);

HANDLE ToHandle(DeviceHandle handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

constexpr DWORD kDescriptorReplyBytes = 1024;

// The zero-terminated string at `offset` of a reply of `size` bytes; "" for
// none or one outside the reply.
std::string ReplyString(const uint8_t *reply, DWORD size, uint32_t offset)
{
    if (offset == 0 || offset >= size)
        return std::string();
    const auto *start = reinterpret_cast<const char *>(reply + offset);
    const auto *end = static_cast<const char *>(std::memchr(start, 0, size - offset));
    return std::string(start, end != nullptr ? static_cast<std::size_t>(end - start) : size - offset);
}

} // namespace

WindowsDeviceAccess::WindowsDeviceAccess(WindowsSystemCalls *calls)
    : calls(calls != nullptr ? calls : &ownCalls)
{ }

bool WindowsDeviceAccess::Control(DeviceHandle handle, DWORD code, void *buffer, DWORD length)
{
    DWORD returned = 0;
    calls->SetLastError(0);
    const BOOL ok = calls->DeviceIoControl(ToHandle(handle), code, buffer, length, buffer, length, &returned, nullptr);
    QZ_SetLastError(ok ? 0 : calls->GetLastError());
    return ok != FALSE;
}

bool WindowsDeviceAccess::ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount)
{
    HDEVINFO list
        = calls->SetupDiGetClassDevsA(&kDiskInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) {
        QZ_SetLastError(calls->GetLastError());
        return false;
    }
    for (DWORD index = 0; paths.size() < maxCount; ++index) {
        SP_DEVICE_INTERFACE_DATA item;
        std::memset(&item, 0, sizeof item);
        item.cbSize = sizeof item;
        if (!calls->SetupDiEnumDeviceInterfaces(list, nullptr, &kDiskInterfaceClass, index, &item))
            break;

        alignas(8) char record[kDetailRecordBytes] = {};
        auto *detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A *>(record);
        detail->cbSize = kDetailSizeField;
        if (!calls->SetupDiGetDeviceInterfaceDetailA(list, &item, detail, kDetailRecordBytes, nullptr, nullptr))
            break;
        record[kDetailRecordBytes - 1] = '\0';
        paths.emplace_back(detail->DevicePath);
    }
    calls->SetupDiDestroyDeviceInfoList(list);
    QZ_SetLastError(0);
    return true;
}

DeviceHandle WindowsDeviceAccess::Open(const char *path)
{
    HANDLE handle = calls->CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        QZ_SetLastError(calls->GetLastError());
        return kInvalidDeviceHandle;
    }
    QZ_SetLastError(0);
    return reinterpret_cast<DeviceHandle>(handle);
}

void WindowsDeviceAccess::Close(DeviceHandle handle)
{
    if (handle == kInvalidDeviceHandle)
        return;
    const DWORD saved = calls->GetLastError();
    calls->CloseHandle(ToHandle(handle));
    calls->SetLastError(saved);
}

bool WindowsDeviceAccess::ScsiPassThrough(DeviceHandle handle, ScsiRequest &request)
{
    ScsiPassThroughDirectWithSense record;
    FillScsiPassThroughDirect(record, request.cdb, request.cdbLength, request.dataIn, request.buffer, request.length,
                              request.timeoutSeconds);
    DWORD returned = 0;
    calls->SetLastError(0);
    const BOOL ok = calls->DeviceIoControl(ToHandle(handle), kIoctlScsiPassThroughDirect, &record, sizeof record,
                                           &record, sizeof record, &returned, nullptr);
    // The request counts as carried out only when no error is left behind.
    QZ_SetLastError(calls->GetLastError());
    request.senseLength = 0;
    if (!ok) {
        // Nothing came back: the record still holds what was asked for.
        request.scsiStatus = 0;
        request.transferred = 0;
        return false;
    }
    request.scsiStatus = record.Sptd.ScsiStatus;
    request.transferred = record.Sptd.DataTransferLength;
    // The port driver leaves in SenseInfoLength how much sense data it wrote.
    if (request.scsiStatus != 0) {
        const uint8_t count = record.Sptd.SenseInfoLength < kSenseBytes ? record.Sptd.SenseInfoLength : kSenseBytes;
        static_assert(sizeof request.sense >= kSenseBytes);
        std::memcpy(request.sense, record.Sense, count);
        request.senseLength = count;
    }
    return true;
}

bool WindowsDeviceAccess::GetDiskNumber(DeviceHandle handle, uint32_t &number)
{
    StorageDeviceNumber device;
    std::memset(&device, 0, sizeof device);
    DWORD returned = 0;
    calls->SetLastError(0);
    const BOOL ok = calls->DeviceIoControl(ToHandle(handle), kIoctlStorageGetDeviceNumber, nullptr, 0, &device,
                                           sizeof device, &returned, nullptr);
    QZ_SetLastError(ok ? 0 : calls->GetLastError());
    if (!ok)
        return false;
    // A number that did not come back must not name disk 0.
    if (returned < offsetof(StorageDeviceNumber, DeviceNumber) + sizeof device.DeviceNumber) {
        QZ_SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    number = device.DeviceNumber;
    return true;
}

bool WindowsDeviceAccess::StorageProtocolQuery(DeviceHandle handle, TStorageQueryWithBuffer &query)
{
    return Control(handle, kIoctlStorageQueryProperty, &query, sizeof query);
}

bool WindowsDeviceAccess::FirmwareRequest(DeviceHandle handle, uint8_t *request, uint32_t length)
{
    return Control(handle, kIoctlScsiMiniport, request, length);
}

std::string WindowsDeviceAccess::IdentityOfHandle(DeviceHandle handle)
{
    // What the storage stack says the disk is: vendor, product and serial
    // number (an enclosure's product is mostly the drive model inside), bus
    // type and disk number. Not the product revision, which a firmware
    // update through this library changes.
    StoragePropertyQuery query;
    std::memset(&query, 0, sizeof query);
    query.PropertyId = kStorageDeviceProperty;
    query.QueryType = kPropertyStandardQuery;
    alignas(8) uint8_t reply[kDescriptorReplyBytes] = {};
    DWORD returned = 0;
    const DWORD savedError = calls->GetLastError();
    std::string identity;
    if (calls->DeviceIoControl(ToHandle(handle), kIoctlStorageQueryProperty, &query, sizeof query, reply, sizeof reply,
                               &returned, nullptr)
        && returned >= sizeof(StorageDeviceDescriptor) && returned <= sizeof reply) {
        StorageDeviceDescriptor descriptor;
        std::memcpy(&descriptor, reply, sizeof descriptor);
        identity = "device " + ReplyString(reply, returned, descriptor.VendorIdOffset) + "|"
            + ReplyString(reply, returned, descriptor.ProductIdOffset) + "|"
            + ReplyString(reply, returned, descriptor.SerialNumberOffset) + "|bus "
            + std::to_string(descriptor.BusType);
        StorageDeviceNumber device;
        std::memset(&device, 0, sizeof device);
        returned = 0;
        const BOOL numbered = calls->DeviceIoControl(ToHandle(handle), kIoctlStorageGetDeviceNumber, nullptr, 0,
                                                     &device, sizeof device, &returned, nullptr);
        identity += numbered && returned >= offsetof(StorageDeviceNumber, DeviceNumber) + sizeof device.DeviceNumber
            ? " disk " + std::to_string(device.DeviceNumber)
            : " disk -";
    }
    calls->SetLastError(savedError);
    return identity;
}

std::string WindowsDeviceAccess::IdentityOfPath(const char *path)
{
    const uint32_t savedError = QZ_GetLastError();
    const DeviceHandle handle = Open(path);
    std::string identity;
    if (handle != kInvalidDeviceHandle) {
        identity = IdentityOfHandle(handle);
        Close(handle);
    }
    QZ_SetLastError(savedError);
    return identity;
}

DeviceAccess &PlatformDeviceAccess()
{
    static WindowsDeviceAccess access;
    return access;
}

} // namespace qz
