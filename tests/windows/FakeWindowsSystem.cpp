#include "FakeWindowsSystem.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "QZUtil/QZUtil.h"
#include "driverdef/WinIoStructures.h"

using namespace driverdef;

namespace qztest {
namespace {

const GUID kDiskInterfaceClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};
const HDEVINFO kList = reinterpret_cast<HDEVINFO>(static_cast<intptr_t>(0x5E70));
constexpr DWORD kFileDeviceDisk = 7;

bool SameGuid(const GUID *a, const GUID &b)
{
    return a != nullptr && std::memcmp(a, &b, sizeof b) == 0;
}

} // namespace

FakeWindowsSystem::FakeWindowsSystem(std::string_view simulation)
{
    std::string error;
    sim = qz::SimDeviceAccess::FromText(simulation, &error);
    if (!sim) {
        ADD_FAILURE() << "simulation: " << error;
        sim = std::make_unique<qz::SimDeviceAccess>();
    }
    for (std::size_t i = 0; i < sim->DriveCount(); ++i)
        interfaces.push_back(sim->Drive(i).Config().path);
}

BOOL FakeWindowsSystem::Fail(DWORD error)
{
    lastError = error;
    return FALSE;
}

HDEVINFO FakeWindowsSystem::SetupDiGetClassDevsA(const GUID *classGuid, PCSTR enumerator, HWND parent, DWORD flags)
{
    classDevsCalls.push_back(
        {classGuid != nullptr ? *classGuid : GUID {}, enumerator != nullptr, parent != nullptr, flags});
    if (classDevsError != 0) {
        lastError = classDevsError;
        return reinterpret_cast<HDEVINFO>(INVALID_HANDLE_VALUE);
    }
    ++listsOpen;
    return kList;
}

BOOL FakeWindowsSystem::SetupDiEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA device, const GUID *interfaceClass,
                                                    DWORD index, PSP_DEVICE_INTERFACE_DATA item)
{
    enumIndexes.push_back(index);
    if (list != kList || device != nullptr || !SameGuid(interfaceClass, kDiskInterfaceClass) || item == nullptr
        || item->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        badEnumArguments = true;
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (index >= interfaces.size())
        return Fail(ERROR_NO_MORE_ITEMS);
    item->InterfaceClassGuid = kDiskInterfaceClass;
    item->Flags = SPINT_ACTIVE;
    item->Reserved = index + 1;
    return TRUE;
}

BOOL FakeWindowsSystem::SetupDiGetDeviceInterfaceDetailA(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA item,
                                                         PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                                         PDWORD requiredSize, PSP_DEVINFO_DATA device)
{
    detailSizes.push_back(detailSize);
    if (list != kList || item == nullptr || item->Reserved == 0 || item->Reserved > interfaces.size()
        || detail == nullptr || detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || device != nullptr) {
        badDetailArguments = true;
        return Fail(ERROR_INVALID_PARAMETER);
    }
    const std::size_t index = item->Reserved - 1;
    if (index == detailFailsAt)
        return Fail(ERROR_GEN_FAILURE);
    const std::string &path = interfaces[index];
    const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1);
    if (requiredSize != nullptr)
        *requiredSize = needed;
    if (needed > detailSize)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return TRUE;
}

BOOL FakeWindowsSystem::SetupDiDestroyDeviceInfoList(HDEVINFO list)
{
    if (list != kList)
        return Fail(ERROR_INVALID_HANDLE);
    --listsOpen;
    return TRUE;
}

HANDLE FakeWindowsSystem::CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                      DWORD creation, DWORD flags, HANDLE templateFile)
{
    const std::string name = path != nullptr ? path : "";
    opens.push_back({name, access, share, creation, flags, security != nullptr, templateFile != nullptr});
    if (const auto it = openErrors.find(name); it != openErrors.end()) {
        lastError = it->second;
        return INVALID_HANDLE_VALUE;
    }
    const qz::DeviceHandle handle = sim->Open(name.c_str());
    if (handle == qz::kInvalidDeviceHandle) {
        lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    ++handlesOpen;
    const HANDLE result = reinterpret_cast<HANDLE>(handle);
    paths[result] = name;
    return result;
}

BOOL FakeWindowsSystem::CloseHandle(HANDLE handle)
{
    if (paths.erase(handle) == 0)
        return Fail(ERROR_INVALID_HANDLE);
    sim->Close(reinterpret_cast<qz::DeviceHandle>(handle));
    --handlesOpen;
    lastError = ERROR_SUCCESS; // a call that succeeds may leave any last error
    return TRUE;
}

BOOL FakeWindowsSystem::DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                                        LPDWORD returned, LPOVERLAPPED overlapped)
{
    IoCall call {};
    const auto path = paths.find(device);
    call.path = path != paths.end() ? path->second : "";
    call.code = code;
    if (in != nullptr)
        call.in.assign(static_cast<uint8_t *>(in), static_cast<uint8_t *>(in) + inSize);
    call.inSize = inSize;
    call.outSize = outSize;
    call.inIsOut = in != nullptr && in == out;
    call.returnedGiven = returned != nullptr;
    call.overlapped = overlapped != nullptr;
    if (code == kIoctlScsiPassThroughDirect && in != nullptr && inSize >= sizeof(ScsiPassThroughDirect)) {
        ScsiPassThroughDirect sptd;
        std::memcpy(&sptd, in, sizeof sptd);
        call.dataBuffer = sptd.DataBuffer;
        if (sptd.DataIn == kScsiIoctlDataOut && sptd.DataBuffer != nullptr) {
            const auto *data = static_cast<const uint8_t *>(sptd.DataBuffer);
            call.dataOut.assign(data, data + sptd.DataTransferLength);
        }
    }
    ioCalls.push_back(call);

    if (path == paths.end())
        return Fail(ERROR_INVALID_HANDLE);
    DWORD count = 0;
    const auto answer = answers.find(ioCalls.size() - 1);
    if (answer == answers.end()) {
        const BOOL ok = Carry(device, code, in, inSize, out, outSize, count);
        if (returned != nullptr)
            *returned = count;
        return ok;
    }
    const Answer &a = answer->second;
    if (a.carryOut)
        Carry(device, code, in, inSize, out, outSize, count);
    if (code == kIoctlScsiPassThroughDirect && in != nullptr) {
        auto *sptd = static_cast<ScsiPassThroughDirect *>(in);
        if (a.scsiStatus >= 0)
            sptd->ScsiStatus = static_cast<uint8_t>(a.scsiStatus);
        if (a.transferLength >= 0)
            sptd->DataTransferLength = static_cast<uint32_t>(a.transferLength);
        if (!a.sense.empty())
            WriteSense(in, inSize, a.sense.data(), a.sense.size());
    }
    if (a.error != 0)
        lastError = a.error;
    if (returned != nullptr)
        *returned = a.returnedBytes >= 0 ? static_cast<DWORD>(a.returnedBytes) : count;
    return a.result;
}

void FakeWindowsSystem::WriteSense(void *record, DWORD size, const uint8_t *sense, std::size_t count)
{
    // As the port driver does: at most what was asked for, where it was
    // asked for, with SenseInfoLength saying how much came.
    auto *sptd = static_cast<ScsiPassThroughDirect *>(record);
    if (sptd->SenseInfoOffset > size || sptd->SenseInfoLength > size - sptd->SenseInfoOffset)
        return;
    const std::size_t written = std::min<std::size_t>(count, sptd->SenseInfoLength);
    std::memcpy(static_cast<uint8_t *>(record) + sptd->SenseInfoOffset, sense, written);
    sptd->SenseInfoLength = static_cast<uint8_t>(written);
}

BOOL FakeWindowsSystem::Describe(HANDLE device, const void *in, void *out, DWORD outSize, DWORD &returned)
{
    StoragePropertyQuery query;
    std::memcpy(&query, in, sizeof query);
    if (query.PropertyId != kStorageDeviceProperty || query.QueryType != kPropertyStandardQuery || out == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (descriptorError != 0)
        return Fail(descriptorError);
    const std::string &path = paths[device];
    const auto serial = serialNumbers.find(path);
    const std::string strings[]
        = {"ZRVK", "Disk",
           serial != serialNumbers.end() ? serial->second
                                         : sim->IdentityOfHandle(reinterpret_cast<qz::DeviceHandle>(device))};
    std::vector<uint8_t> reply(sizeof(StorageDeviceDescriptor), 0);
    StorageDeviceDescriptor descriptor {};
    descriptor.Version = descriptor.Size = sizeof descriptor;
    descriptor.BusType = 7; // USB
    uint32_t *offsets[] = {&descriptor.VendorIdOffset, &descriptor.ProductIdOffset, &descriptor.SerialNumberOffset};
    for (int i = 0; i < 3; ++i) {
        *offsets[i] = static_cast<uint32_t>(reply.size());
        reply.insert(reply.end(), strings[i].begin(), strings[i].end());
        reply.push_back(0);
    }
    std::memcpy(reply.data(), &descriptor, sizeof descriptor);
    if (reply.size() > outSize)
        return Fail(ERROR_MORE_DATA);
    std::memcpy(out, reply.data(), reply.size());
    returned = static_cast<DWORD>(reply.size());
    return TRUE;
}

BOOL FakeWindowsSystem::Carry(HANDLE device, DWORD code, void *in, DWORD inSize, void *out, DWORD outSize,
                              DWORD &returned)
{
    const auto handle = reinterpret_cast<qz::DeviceHandle>(device);
    // The simulated drive reports its failures through the library's last error.
    auto carried = [&](bool ok, DWORD size) {
        if (!ok)
            return Fail(QZ_GetLastError() != 0 ? QZ_GetLastError() : ERROR_IO_DEVICE);
        returned = size;
        return TRUE;
    };
    switch (code) {
    case kIoctlScsiPassThroughDirect: {
        if (in == nullptr || in != out || inSize != sizeof(ScsiPassThroughDirectWithSense) || outSize != inSize)
            return Fail(ERROR_INVALID_PARAMETER);
        auto *sptd = static_cast<ScsiPassThroughDirect *>(in);
        qz::ScsiRequest request;
        std::memcpy(request.cdb, sptd->Cdb, sizeof request.cdb);
        request.cdbLength = sptd->CdbLength;
        request.dataIn = sptd->DataIn == kScsiIoctlDataIn;
        request.buffer = static_cast<uint8_t *>(sptd->DataBuffer);
        request.length = sptd->DataTransferLength;
        request.timeoutSeconds = sptd->TimeOutValue;
        const bool ok = sim->ScsiPassThrough(handle, request);
        sptd->ScsiStatus = request.scsiStatus;
        sptd->DataTransferLength = request.transferred;
        WriteSense(in, inSize, request.sense, request.senseLength);
        return carried(ok, inSize);
    }
    case kIoctlStorageQueryProperty:
        if (in != nullptr && inSize == sizeof(StoragePropertyQuery))
            return Describe(device, in, out, outSize, returned);
        if (in == nullptr || in != out || inSize != sizeof(TStorageQueryWithBuffer) || outSize != inSize)
            return Fail(ERROR_INVALID_PARAMETER);
        return carried(sim->StorageProtocolQuery(handle, *static_cast<TStorageQueryWithBuffer *>(in)), inSize);
    case kIoctlScsiMiniport:
        if (in == nullptr || in != out || outSize != inSize)
            return Fail(ERROR_INVALID_PARAMETER);
        return carried(sim->FirmwareRequest(handle, static_cast<uint8_t *>(in), inSize), inSize);
    case kIoctlStorageGetDeviceNumber: {
        if (out == nullptr || outSize < sizeof(StorageDeviceNumber))
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        uint32_t number = 0;
        if (!sim->GetDiskNumber(handle, number))
            return Fail(ERROR_INVALID_FUNCTION);
        const StorageDeviceNumber reply {kFileDeviceDisk, number, 0};
        std::memcpy(out, &reply, sizeof reply);
        return carried(true, sizeof reply);
    }
    default:
        return Fail(ERROR_INVALID_FUNCTION);
    }
}

std::vector<FakeWindowsSystem::IoCall> FakeWindowsSystem::CallsWith(DWORD code) const
{
    std::vector<IoCall> out;
    for (const IoCall &call : ioCalls) {
        if (call.code == code)
            out.push_back(call);
    }
    return out;
}

} // namespace qztest
