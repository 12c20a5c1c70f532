#include "DeviceAccess/DeviceSession.h"

#include <cstdio>
#include <cstring>

#include "QZUtil/QZUtil.h"
#include "QZUtil/Sha256.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"

namespace qz {
namespace {

thread_local DeviceSession *t_current = nullptr;

// The digest of the identity recorded for `path` in the slot, or nullptr
// when none was (or the path is none of the slot's).
const Sha256Digest *RecordedIdentity(uint32_t slot, const char *path)
{
    const _AP_INSTANCE_DATA *data = QZ_AP_Slot(slot);
    if (data == nullptr || path == nullptr)
        return nullptr;
    if (data->diskIdentityRecorded && std::strcmp(path, data->pDevicePath) == 0)
        return &data->diskIdentity;
    if (data->controllerIdentityRecorded && std::strcmp(path, data->devPhyFileName) == 0)
        return &data->controllerIdentity;
    return nullptr;
}

bool IsControllerPathOf(uint32_t slot, const char *path)
{
    const _AP_INSTANCE_DATA *data = QZ_AP_Slot(slot);
    return data != nullptr && data->devPhyFileName[0] != '\0' && std::strcmp(path, data->devPhyFileName) == 0;
}

void RecordIdentity(Sha256Digest &digest, bool &recorded, const std::string &identity)
{
    recorded = !identity.empty();
    digest = recorded ? Sha256(identity) : Sha256Digest {};
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
    if (access.IdentifiesDisks()) {
        // The drive must be the one enumerated into the slot: a disk that
        // took its name (and path, and device number) is never sent a
        // command, nor is one that could not be identified then or now.
        const Sha256Digest *expected = RecordedIdentity(slot, path);
        const std::string now = expected == nullptr ? std::string()
            : entry.handle != kInvalidDeviceHandle  ? access.IdentityOfHandle(entry.handle)
                                                    : access.IdentityOfPath(path);
        bool same = !now.empty() && Sha256(now) == *expected;
        if (same && IsControllerPathOf(slot, path)) {
            // A direct drive's controller is used for the slot's namespace:
            // the namespace must still be the one listed, below the same
            // controller.
            const Sha256Digest *disk = RecordedIdentity(slot, QZ_AP_Slot(slot)->pDevicePath);
            const std::string namespaceNow
                = disk != nullptr ? access.IdentityOfPath(QZ_AP_Slot(slot)->pDevicePath) : "";
            same = !namespaceNow.empty() && Sha256(namespaceNow) == *disk;
        }
        if (!same) {
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
    RecordIdentity(data->diskIdentity, data->diskIdentityRecorded,
                   data->pDevicePath[0] != '\0' ? access.IdentityOfPath(data->pDevicePath) : "");
    RecordIdentity(data->controllerIdentity, data->controllerIdentityRecorded,
                   data->devPhyFileName[0] != '\0' ? access.IdentityOfPath(data->devPhyFileName) : "");
}

} // namespace qz
