// The Windows backend installed over a FakeWindowsSystem for one test, with
// the request records the backend must hand to DeviceIoControl, built field
// by field from the platform's layouts.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "DeviceAccess/windows/WindowsDeviceAccess.h"
#include "FakeWindowsSystem.h"
#include "QzLibTestSupport.h"

namespace qztest {

// Windows disk interface paths as SetupAPI reports them (mixed case).
constexpr char kJMicronInterface[]
    = "\\\\?\\USBSTOR#Disk&Ven_JMicron&Prod_Tech&Rev_0204#DD564198838E6&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char kASMediaInterface[]
    = "\\\\?\\USBSTOR#Disk&Ven_ASMT&Prod_2362&Rev_0#0000000000000001&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char kNvmeInterface[]
    = "\\\\?\\SCSI#Disk&Ven_NVMe&Prod_Zarvik_SSD#4&2F1A0C3B&0&000000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
constexpr char kSataInterface[]
    = "\\\\?\\SCSI#Disk&Ven_&Prod_ST2000DM008#4&1B2C3D4E&0&010000#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

inline std::string Lower(std::string text)
{
    for (char &c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

class WindowsBackendTest : public CleanTableTest
{
protected:
    void Use(std::string_view simulation)
    {
        fake = std::make_unique<FakeWindowsSystem>(simulation);
        backend = std::make_unique<qz::WindowsDeviceAccess>(fake.get());
        qz::SetDeviceAccessForTesting(backend.get());
    }

    // Forgets the opens and requests so far (those that recorded a slot's
    // identity); answers count from the next request.
    void ForgetCalls()
    {
        fake->opens.clear();
        fake->ioCalls.clear();
    }

    // Every open asks for an existing device for reading and writing with
    // both kinds of sharing; every request is synchronous; nothing stays open.
    void TearDown() override
    {
        if (fake) {
            for (const auto &open : fake->opens) {
                EXPECT_EQ(open.access, DWORD {GENERIC_READ | GENERIC_WRITE}) << open.path;
                EXPECT_EQ(open.share, DWORD {FILE_SHARE_READ | FILE_SHARE_WRITE}) << open.path;
                EXPECT_EQ(open.creation, DWORD {OPEN_EXISTING}) << open.path;
                EXPECT_EQ(open.flags, DWORD {FILE_ATTRIBUTE_NORMAL}) << open.path;
                EXPECT_FALSE(open.security || open.templateFile) << open.path;
            }
            for (const auto &call : fake->ioCalls) {
                EXPECT_FALSE(call.overlapped);
                EXPECT_TRUE(call.returnedGiven);
            }
            EXPECT_EQ(fake->handlesOpen, 0) << "a device was left open";
            EXPECT_EQ(fake->listsOpen, 0) << "an interface list was not destroyed";
        }
        qz::SetDeviceAccessForTesting(nullptr);
        CleanTableTest::TearDown();
    }

    std::unique_ptr<FakeWindowsSystem> fake;
    std::unique_ptr<qz::WindowsDeviceAccess> backend;
};

template <typename T>
void Put(std::vector<uint8_t> &bytes, std::size_t offset, T value)
{
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

// SCSI_PASS_THROUGH_DIRECT with 32 bytes of room for sense data after it:
// path 0, target 1, LUN 0, the sense data asked for at offset 60, 10
// seconds, the CDB at the front of 16 zero bytes.
inline std::vector<uint8_t> PassThroughRecord(const std::vector<uint8_t> &cdb, bool dataIn, uint32_t length,
                                              const void *buffer)
{
    std::vector<uint8_t> r(96, 0);
    Put<uint16_t>(r, 0, 56);
    r[4] = 1; // TargetId
    r[6] = static_cast<uint8_t>(cdb.size());
    r[7] = 32; // SenseInfoLength
    r[8] = dataIn ? 1 : 0;
    Put<uint32_t>(r, 12, length);
    Put<uint32_t>(r, 16, 10);
    Put<const void *>(r, 24, buffer);
    Put<uint32_t>(r, 32, 60);
    std::memcpy(r.data() + 36, cdb.data(), cdb.size());
    return r;
}

// The 4144-byte storage protocol query for NVMe data.
inline std::vector<uint8_t> ProtocolQueryRecord(uint32_t dataType, uint32_t value, uint32_t subValue)
{
    std::vector<uint8_t> r(4144, 0);
    Put<uint32_t>(r, 0, 49); // StorageAdapterProtocolSpecificProperty
    Put<uint32_t>(r, 4, 0); // PropertyStandardQuery
    Put<uint32_t>(r, 8, 3); // ProtocolTypeNvme
    Put<uint32_t>(r, 12, dataType);
    Put<uint32_t>(r, 16, value);
    Put<uint32_t>(r, 20, subValue);
    Put<uint32_t>(r, 24, 40);
    Put<uint32_t>(r, 28, 4096);
    return r;
}

// The 4176-byte miniport firmware request; a download carries `image`.
inline std::vector<uint8_t> FirmwareRecord(uint32_t function, const std::vector<uint8_t> &image = {})
{
    std::vector<uint8_t> r(4176, 0);
    Put<uint32_t>(r, 0, 28);
    std::memcpy(r.data() + 4, "FIRMWARE", 8);
    Put<uint32_t>(r, 12, 30);
    Put<uint32_t>(r, 16, 0x1B0780); // IOCTL_SCSI_MINIPORT_FIRMWARE
    Put<uint32_t>(r, 24, 4148);
    Put<uint32_t>(r, 28, 1);
    Put<uint32_t>(r, 32, 24);
    Put<uint32_t>(r, 36, function);
    Put<uint32_t>(r, 40, 1); // controller
    Put<uint32_t>(r, 44, 56);
    Put<uint32_t>(r, 48, 4120);
    if (function == 2) {
        Put<uint32_t>(r, 56, 1);
        Put<uint32_t>(r, 60, 24);
        Put<uint64_t>(r, 64, 0);
        Put<uint64_t>(r, 72, 4096);
        std::memcpy(r.data() + 80, image.data(), image.size());
    }
    return r;
}

constexpr DWORD kPassThrough = 0x4D014;
constexpr DWORD kMiniport = 0x4D008;
constexpr DWORD kQueryProperty = 0x2D1400;
constexpr DWORD kDeviceNumber = 0x2D1080;

} // namespace qztest
