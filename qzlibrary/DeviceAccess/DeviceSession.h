// One descriptor per device for the whole of an operation on a slot (an
// MCU exchange, an Identify, the probe of an enumeration candidate), so that
// nothing of ours makes the system send a command between the phases of a
// tunnelled command; and every open checked against the identity recorded
// for the slot at enumeration, so that a slot reaches only its own drive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"

namespace qz {

class DeviceSession
{
public:
    // Keeps what is opened for `slot` open until the session ends. Sessions
    // belong to the thread that made them; the innermost one is current.
    explicit DeviceSession(uint32_t slot);
    ~DeviceSession();
    DeviceSession(const DeviceSession &) = delete;
    DeviceSession &operator=(const DeviceSession &) = delete;

    static DeviceSession *Current();

    // The session's handle of `path`, opened (and checked) at the first use.
    // kInvalidDeviceHandle when it cannot be opened, reaches another drive,
    // or (on a platform that tells disks apart) no identity was recorded for
    // it in the slot or none can be read now; a path refused once stays
    // refused for the session.
    DeviceHandle Acquire(const char *path);

private:
    struct Entry
    {
        std::string path;
        DeviceHandle handle = kInvalidDeviceHandle;
        uint32_t error = 0; // of a refused open
    };

    uint32_t slot;
    std::vector<Entry> entries;
    DeviceSession *outer;
};

// A handle for one request: the current session's when there is one,
// otherwise one opened (unchecked) for the request and closed with it.
class DeviceLease
{
public:
    explicit DeviceLease(const char *path);
    ~DeviceLease();
    DeviceLease(const DeviceLease &) = delete;
    DeviceLease &operator=(const DeviceLease &) = delete;

    DeviceHandle Handle() const { return handle; }
    bool Valid() const { return handle != kInvalidDeviceHandle; }

private:
    DeviceHandle handle;
    bool owned;
};

// Records with the slot (as digests) what identifies its disk and controller
// now (enumeration); an identity that cannot be read is recorded as missing.
void RecordSlotIdentity(uint32_t slot);

} // namespace qz
