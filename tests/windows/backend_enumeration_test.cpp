// The SetupAPI walk of the Windows backend and a whole enumeration over
// Windows interface paths, through the system-call seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "DeviceAccess/DiskEnum.h"
#include "QZlibrary.h"
#include "QZUtil/QZUtil.h"
#include "WindowsBackendTest.h"

using namespace qztest;
using ::testing::ElementsAre;

namespace {

const GUID kDiskInterfaceClass = {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}};

std::string Drive(const char *path, const std::string &kind, const std::string &more = "")
{
    return "[drive]\npath = " + std::string(path) + "\nkind = " + kind + "\n" + more;
}

class WindowsEnumerationTest : public WindowsBackendTest
{ };

TEST_F(WindowsEnumerationTest, TheWalkAsksForPresentDiskInterfacesOneIndexAtATime)
{
    Use(Drive(kJMicronInterface, "jmicron") + Drive(kNvmeInterface, "nvme") + Drive(kSataInterface, "disk"));
    std::vector<std::string> paths;
    ASSERT_TRUE(backend->ListDiskInterfaces(paths, 80));
    EXPECT_THAT(paths, ElementsAre(kJMicronInterface, kNvmeInterface, kSataInterface));
    EXPECT_EQ(QZ_GetLastError(), 0u);

    ASSERT_EQ(fake->classDevsCalls.size(), 1u);
    const auto &call = fake->classDevsCalls[0];
    EXPECT_EQ(std::memcmp(&call.guid, &kDiskInterfaceClass, sizeof(GUID)), 0);
    EXPECT_FALSE(call.enumerator || call.parent);
    EXPECT_EQ(call.flags, DWORD {0x12}); // DIGCF_PRESENT | DIGCF_DEVICEINTERFACE
    EXPECT_THAT(fake->enumIndexes, ElementsAre(0u, 1u, 2u, 3u)); // index 3 is past the end
    EXPECT_THAT(fake->detailSizes, ElementsAre(1024u, 1024u, 1024u));
    EXPECT_FALSE(fake->badEnumArguments || fake->badDetailArguments);
}

TEST_F(WindowsEnumerationTest, WhatEndsTheWalk)
{
    struct Case
    {
        const char *name;
        DWORD classDevsError;
        size_t detailFailsAt;
        size_t maxCount;
        size_t listed;
        bool ok;
        uint32_t error;
    };
    const Case cases[] = {
        {"the list cannot be obtained", ERROR_ACCESS_DENIED, SIZE_MAX, 80, 0, false, ERROR_ACCESS_DENIED},
        {"a failing detail query ends the list at its index", 0, 1, 80, 1, true, 0},
        {"no more than the caller's count are taken", 0, SIZE_MAX, 2, 2, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(Drive("\\\\?\\scsi#a", "disk") + Drive("\\\\?\\scsi#b", "disk") + Drive("\\\\?\\scsi#c", "disk"));
        fake->classDevsError = c.classDevsError;
        fake->detailFailsAt = c.detailFailsAt;
        std::vector<std::string> paths;
        EXPECT_EQ(backend->ListDiskInterfaces(paths, c.maxCount), c.ok);
        EXPECT_EQ(paths.size(), c.listed);
        EXPECT_EQ(QZ_GetLastError(), c.error);
        EXPECT_EQ(fake->listsOpen, 0);
        EXPECT_LE(fake->enumIndexes.size(), c.maxCount + 1);
    }
}

TEST_F(WindowsEnumerationTest, APathLongerThanTheDetailRecordEndsTheList)
{
    const std::string longPath = "\\\\?\\scsi#" + std::string(1100, 'x');
    Use(Drive(kNvmeInterface, "nvme") + Drive(longPath.c_str(), "disk") + Drive(kSataInterface, "disk"));
    std::vector<std::string> paths;
    ASSERT_TRUE(backend->ListDiskInterfaces(paths, 80));
    EXPECT_THAT(paths, ElementsAre(kNvmeInterface));
}

TEST_F(WindowsEnumerationTest, BridgesAndADirectDriveAreFoundOnWindowsPaths)
{
    Use(Drive(kJMicronInterface, "jmicron", "chip = 0583\n") + Drive(kASMediaInterface, "asmedia", "medium = no\n")
        + Drive(kSataInterface, "disk") + Drive(kNvmeInterface, "nvme", "number = 3\n"));
    DebugCapture capture;
    ASSERT_EQ(QZLib_PROC_GetQZDevice(), 2);

    EXPECT_EQ(std::string(AP_Instance[0].pDevicePath), Lower(kJMicronInterface));
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_JMICRON);
    EXPECT_EQ(std::string(AP_Instance[1].pDevicePath), Lower(kNvmeInterface));
    EXPECT_EQ(AP_Instance[1].ucNVMeCommandPath, 1);
    EXPECT_STREQ(AP_Instance[1].devPhyFileName, "\\\\.\\PHYSICALDRIVE3");

    // The disk number is asked of the lower-cased interface path (and of
    // every disk whose identity is taken): no input, a 12-byte
    // STORAGE_DEVICE_NUMBER out.
    const auto numbers = fake->CallsWith(kDeviceNumber);
    ASSERT_FALSE(numbers.empty());
    for (const auto &number : numbers) {
        EXPECT_TRUE(number.in.empty());
        EXPECT_EQ(number.inSize, 0u);
        EXPECT_EQ(number.outSize, 12u);
    }
    EXPECT_TRUE(std::any_of(numbers.begin(), numbers.end(),
                            [](const auto &number) { return number.path == Lower(kNvmeInterface); }));
    // Every other request of the probes is a SCSI pass-through or the
    // device descriptor of an identity.
    EXPECT_EQ(fake->CallsWith(kPassThrough).size() + fake->CallsWith(kQueryProperty).size() + numbers.size(),
              fake->ioCalls.size());
    EXPECT_TRUE(capture.Has("######### - QZ device 1: NVMe \\\\.\\PHYSICALDRIVE3, " + Lower(kNvmeInterface) + "\n"));
}

TEST_F(WindowsEnumerationTest, ADirectDriveWithoutADiskNumberIsNotAccepted)
{
    struct Case
    {
        const char *name;
        DWORD openError;
        FakeWindowsSystem::Answer answer; // to the disk number's request
        std::string line;
        bool permissionLine;
    };
    const std::string path = Lower(kNvmeInterface);
    const Case cases[] = {
        {"the disk cannot be opened",
         ERROR_ACCESS_DENIED,
         {},
         "GetPhysicalDriver - CreateFile " + path + " failed:5\n",
         true},
        {"the disk number is refused",
         0,
         {false, FALSE, ERROR_INVALID_FUNCTION, -1, -1, -1},
         "GetPhysicalDriver - DeviceIoControl " + path + " failed:1\n",
         false},
        {"the disk number does not come back whole",
         0,
         {true, TRUE, 0, -1, -1, 4},
         "GetPhysicalDriver - DeviceIoControl " + path + " failed:13\n",
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ClearInstanceTable();
        Use(Drive(kNvmeInterface, "nvme", "number = 3\n"));
        if (c.openError != 0)
            fake->openErrors[path] = c.openError;
        else
            fake->answers[5] = c.answer; // after two identities of two requests and the bridge probe's INQUIRY
        DebugCapture capture;
        EXPECT_EQ(QZLib_PROC_GetQZDevice(), 0);
        EXPECT_TRUE(capture.Has(c.line));
        EXPECT_EQ(capture.Has("######### - Permission denied (error 5): open " + path + "\n"), c.permissionLine);
        EXPECT_EQ(fake->handlesOpen, 0);
    }
}

} // namespace
