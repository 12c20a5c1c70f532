#include "DeviceAccess/DeviceSession.h"

#include <cstdio>
#include <cstring>

#include "QZUtil/QZUtil.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"

namespace qz {
namespace {

thread_local DeviceSession *t_current = nullptr;

// The identity recorded for `path` in the slot, or nullptr when none was.
const char *RecordedIdentity(uint32_t slot, const char *path)
{
    const _AP_INSTANCE_DATA *data = QZ_AP_Slot(slot);
    if (data == nullptr || path == nullptr)
        return nullptr;
    const char *identity = nullptr;
    if (std::strcmp(path, data->pDevicePath) == 0)
        identity = data->diskIdentity;
    else if (std::strcmp(path, data->devPhyFileName) == 0)
        identity = data->controllerIdentity;
    return identity != nullptr && identity[0] != '\0' ? identity : nullptr;
}

void CopyIdentity(char (&field)[QZ_IDENTITY_LENGTH], const std::string &identity)
{
    // An identity too long for the field is not recorded rather than cut
    // (a cut one could match another drive's).
    field[0] = '\0';
    if (identity.size() < sizeof field)
        std::memcpy(field, identity.c_str(), identity.size() + 1);
}

} // namespace

DeviceSession::DeviceSession(uint32_t slot)
    : slot(slot)
    , outer(t_current)
{
    t_current = this;
}

DeviceSession::~DeviceSession()
{
    DeviceAccess &access = CurrentDeviceAccess();
    for (const Entry &entry : entries) {
        if (entry.handle != kInvalidDeviceHandle)
            access.Close(entry.handle);
    }
    t_current = outer;
}

DeviceSession *DeviceSession::Current()
{
    return t_current;
}

DeviceHandle DeviceSession::Acquire(const char *path)
{
    if (path == nullptr)
        return CurrentDeviceAccess().Open(path);
    for (const Entry &entry : entries) {
        if (entry.path == path) {
            QZ_SetLastError(entry.error);
            return entry.handle;
        }
    }
    DeviceAccess &access = CurrentDeviceAccess();
    Entry entry;
    entry.path = path;
    entry.handle = access.Open(path);
    const char *expected = RecordedIdentity(slot, path);
    if (expected != nullptr) {
        // The drive must be the one enumerated into the slot: a disk that
        // took its name (and path, and device number) is never sent a command.
        const std::string now = entry.handle != kInvalidDeviceHandle ? access.IdentityOfHandle(entry.handle)
                                                                     : access.IdentityOfPath(path);
        if (now != expected) {
            if (entry.handle != kInvalidDeviceHandle) {
                access.Close(entry.handle);
                entry.handle = kInvalidDeviceHandle;
                QZ_SetLastError(QZ_ErrorDeviceReplaced());
            }
            __dll_printf(QZ_FORMAT_REPLACED, static_cast<unsigned>(slot), path);
        }
    }
    entry.error = entry.handle == kInvalidDeviceHandle ? QZ_GetLastError() : 0;
    entries.push_back(entry);
    QZ_SetLastError(entry.error);
    return entry.handle;
}

DeviceLease::DeviceLease(const char *path)
    : handle(kInvalidDeviceHandle)
    , owned(DeviceSession::Current() == nullptr)
{
    handle = owned ? CurrentDeviceAccess().Open(path) : DeviceSession::Current()->Acquire(path);
}

DeviceLease::~DeviceLease()
{
    if (owned && handle != kInvalidDeviceHandle)
        CurrentDeviceAccess().Close(handle);
}

void RecordSlotIdentity(uint32_t slot)
{
    _AP_INSTANCE_DATA *data = QZ_AP_Slot(slot);
    if (data == nullptr)
        return;
    DeviceAccess &access = CurrentDeviceAccess();
    CopyIdentity(data->diskIdentity, data->pDevicePath[0] != '\0' ? access.IdentityOfPath(data->pDevicePath) : "");
    CopyIdentity(data->controllerIdentity,
                 data->devPhyFileName[0] != '\0' ? access.IdentityOfPath(data->devPhyFileName) : "");
}

} // namespace qz
