// Drive enumeration: the disk list, the classification by path, the bridge
// probe, the direct probe, the slot-filling order and the debug lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "DeviceAccess/DiskEnum.h"
#include "QZlibrary.h"
#include "QzLibTestSupport.h"
#include "V_Proc/VP_Proc.h"

using namespace qztest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Kind = qz::SimDeviceAccess::RequestKind;

namespace {

constexpr char kNvmePath[] = "/sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1";
constexpr char kUsbPath[] = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
constexpr char kSataPath[] = "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
constexpr char kUsbStorPath[]
    = "\\\\?\\USBSTOR#Disk&Ven_JMicron&Prod_Tech&Rev_0204#DD564198838A0&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";

std::string Drive(const std::string &path, const std::string &kind, const std::string &more = "")
{
    return "[drive]\npath = " + path + "\nkind = " + kind + "\n" + more;
}

std::string Lower(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

class EnumerationTest : public CleanTableTest
{ };

// ---- the disk list ------------------------------------------------------------------------

TEST_F(EnumerationTest, NoDisksCountsNothingAndSaysSo)
{
    SimulatedDrives sim("");
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_THAT(capture.Texts(), ElementsAre("dwDeviceCount = 0\n"));
}

TEST_F(EnumerationTest, AListThatCannotBeObtainedChangesNoSlot)
{
    SimulatedDrives sim("[simulation]\nlist = fail\n" + Drive(kNvmePath, "nvme"));
    SetBridgeSlot(0, "/earlier/path", CHIP_VENDOR_ASMEDIA);
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_THAT(capture.Texts(), ElementsAre("dwDeviceCount = 0\n"));
    EXPECT_STREQ(AP_Instance[0].pDevicePath, "/earlier/path");
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_ASMEDIA);
}

TEST_F(EnumerationTest, Of81DisksOnlyTheFirst80AreExamined)
{
    SimulatedDrives sim(Drive("/sys/devices/pci0000:00/nvme/nvme{n}/nvme{n}n1", "nvme", "copies = 81\n"));
    DebugCapture capture;
    EXPECT_EQ(QZLib_PROC_GetQZDevice(), 80);
    EXPECT_TRUE(capture.Has("dwDeviceCount = 80\n"));
    for (const std::string &path : OpenedPaths(sim->Records()))
        EXPECT_THAT(path, ::testing::Not(HasSubstr("nvme80")));
    EXPECT_STREQ(AP_Instance[79].pDevicePath, "/sys/devices/pci0000:00/nvme/nvme79/nvme79n1");
    EXPECT_STREQ(AP_Instance[79].devPhyFileName, "\\\\.\\PHYSICALDRIVE79");
    EXPECT_EQ(AP_Instance[80].pDevicePath[0], '\0');
}

TEST_F(EnumerationTest, PathsTooLongForTheirBufferAreLeftOutNotCut)
{
    const std::string longPath = "/sys/devices/" + std::string(240, 'x') + "/nvme/nvme1/nvme1n1"; // 272 characters
    const std::string fitting = "/sys/devices/" + std::string(255 - 13 - 19, 'y') + "/nvme/nvme2/nvme2n1";
    ASSERT_EQ(fitting.size(), 255u);
    SimulatedDrives sim(Drive(longPath, "nvme", "number = 1\n") + Drive(fitting, "nvme", "number = 2\n"));
    char paths[QZ_MAX_DISK_PATHS][QZ_DISK_PATH_BUFFER];
    DebugCapture capture;
    ASSERT_EQ(JM_EnumerateDiskDevice(paths), 1);
    EXPECT_EQ(std::string(paths[0]), fitting);
    ASSERT_EQ(capture.Texts().size(), 1u);
    EXPECT_THAT(capture.Texts()[0], HasSubstr("path of 272 characters skipped: /sys/devices/xxx"));

    EXPECT_EQ(VP_PROC_GetQZDevice(), 1u);
    EXPECT_EQ(std::string(AP_Instance[0].pDevicePath), fitting);
    EXPECT_STREQ(AP_Instance[0].devPhyFileName, "\\\\.\\PHYSICALDRIVE2");
}

// ---- bridges ------------------------------------------------------------------------------

TEST_F(EnumerationTest, AJMicronBridgeOnAUsbStoragePathIsAcceptedWithItsVendor)
{
    SimulatedDrives sim(Drive(kUsbStorPath, "jmicron", "chip = 0583\nblock_length = 512\n"));
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);

    const std::string lowered = Lower(kUsbStorPath);
    EXPECT_EQ(std::string(AP_Instance[0].pDevicePath), lowered);
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[0].ucNVMeCommandPath, 0);
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_JMICRON);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("dwDeviceCount = 1\n", "szDevicePath[0] = " + lowered + "\n", "DEVICE_USB\n",
                            "######### - [0]vendorString is JMicron \n",
                            "######### - Bridge type of port 0 is JMicron\n", "######### - [0]chipString is 0583\n",
                            "######### - QZ device 0: USB bridge JMicron, " + lowered + "\n"));

    // INQUIRY for 36 bytes, again for 40 (the chip identifier), TEST UNIT
    // READY, READ CAPACITY(10) with 512 bytes of room, each on the
    // lower-cased path.
    const auto calls = ScsiCalls(sim.Requests());
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].cdb, Bytes({0x12, 0, 0, 0, 0x24, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(calls[0].dataIn);
    EXPECT_EQ(calls[0].length, 36u);
    EXPECT_EQ(calls[1].cdb, Bytes({0x12, 0, 0, 0, 0x28, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[1].length, 40u);
    EXPECT_EQ(calls[2].cdb, Bytes({0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[2].length, 0u);
    EXPECT_EQ(calls[3].cdb, Bytes({0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls[3].length, 512u);
    for (const std::string &path : OpenedPaths(sim->Records()))
        EXPECT_EQ(path, lowered);
}

TEST_F(EnumerationTest, JMicronChips0583And0562AreKnownOthersAreNot)
{
    SimulatedDrives sim(Drive("/usb/a", "jmicron", "chip = 0562\n") + Drive("/usb/b", "jmicron", "chip = 0580\n")
                        + Drive("/usb/c", "jmicron", "chip = 0583\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 2u);
    EXPECT_STREQ(AP_Instance[0].pDevicePath, "/usb/a");
    EXPECT_STREQ(AP_Instance[1].pDevicePath, "/usb/c");
    EXPECT_TRUE(capture.Has("######### - [1]chipString is 0580\n"));
}

TEST_F(EnumerationTest, ABridgeWithoutADriveInsideIsNotAccepted)
{
    // Not ready; ready but READ CAPACITY fails; a block length whose bits 15-8 are zero.
    SimulatedDrives sim(
        Drive("/usb/a", "jmicron", "medium = no\n") + Drive("/usb/b", "jmicron", "fault = readcap fail\n")
        + Drive("/usb/c", "jmicron", "block_length = 255\n") + Drive("/usb/d", "jmicron", "block_length = 65536\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_TRUE(capture.Has("######### - [0]VC_STD_TestUnitReady fail!\n"));
    EXPECT_TRUE(capture.Has("######### - [0]VC_STD_ReadCapacity fail!\n"));
    // The last candidate's traces stay in slot 0.
    EXPECT_STREQ(AP_Instance[0].pDevicePath, "/usb/d");
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_UNKNOWN);
    // A rejected block length says nothing more than the chip line.
    const auto texts = capture.Texts();
    EXPECT_EQ(texts.back(), "######### - [0]chipString is 0583\n");
}

TEST_F(EnumerationTest, ASMediaNeeds2362AsTheFourthToSeventhProductCharacters)
{
    // The simulated bridge puts its chip at product characters 4 to 7.
    SimulatedDrives sim(Drive("/usb/a", "asmedia", "chip = 2364\n") + Drive("/usb/b", "asmedia", "chip = 236\n")
                        + Drive("/usb/c", "asmedia", "chip = 2362\n"));
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);
    EXPECT_STREQ(AP_Instance[0].pDevicePath, "/usb/c");
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_ASMEDIA);
    EXPECT_TRUE(capture.Has("######### - Bridge type of port 0 is Asmedia\n"));
    EXPECT_TRUE(capture.Has("######### - [0]chipString is 2364\n"));
    EXPECT_TRUE(capture.Has("######### - [0]chipString is 236 \n"));
    EXPECT_TRUE(capture.Has("######### - QZ device 0: USB bridge ASMedia, /usb/c\n"));
}

TEST_F(EnumerationTest, VendorsAreMatchedWithoutRegardToCaseAndOthersEndTheProbeQuietly)
{
    SimulatedDrives sim(Drive("/usb/a", "jmicron", "vendor = JMICRON\n")
                        + Drive("/usb/b", "disk", "vendor = Samsung\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 1u);
    const auto texts = capture.Texts();
    // The second disk: its path, DEVICE_USB, its vendor line, then nothing.
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[texts.size() - 3], "szDevicePath[1] = /usb/b\n");
    EXPECT_EQ(texts[texts.size() - 1], "######### - [1]vendorString is Samsung \n");
}

TEST_F(EnumerationTest, DeviceStringsReachTheDebugChannelQuoted)
{
    // A device that puts terminal escapes or controls into its INQUIRY
    // strings gets them printed as escapes, never raw.
    SimulatedDrives sim(Drive("/usb/a", "disk", "vendor = J\x1b[2J\\\x7f\x80\n")
                        + Drive("/usb/b", "jmicron",
                                "vendor = JMicron\x1b\nchip = 0\t\x01"
                                "3\n")
                        + Drive("/usb/c", "asmedia",
                                "chip = 23\x9b"
                                "2\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_TRUE(capture.Has("######### - [0]vendorString is J\\x1B[2J\\\\\\x7F\\x80\n"));
    EXPECT_TRUE(capture.Has("######### - [0]vendorString is JMicron\\x1B\n"));
    EXPECT_TRUE(capture.Has("######### - [0]chipString is 0\\t\\x013\n"));
    EXPECT_TRUE(capture.Has("######### - [0]chipString is 23\\x9B2\n"));
    for (const std::string &text : capture.Texts()) {
        for (char c : text.substr(0, text.size() - 1))
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << text;
    }
}

TEST_F(EnumerationTest, AFailedInquiryRejectsTheCandidate)
{
    // The first INQUIRY, or a JMicron bridge's second one for its chip.
    for (const char *fault : {"fault = inquiry fail\n", "fault = inquiry fail after 1\n"}) {
        SimulatedDrives sim(Drive("/usb/a", "jmicron", fault));
        DebugCapture capture;
        EXPECT_EQ(VP_PROC_GetQZDevice(), 0u) << fault;
        EXPECT_TRUE(capture.Has("######### - [0]VC_STD_Inquiry fail!\n")) << fault;
    }
}

TEST_F(EnumerationTest, OnlyAJMicronBridgeIsAskedForMoreThan36InquiryBytes)
{
    SimulatedDrives sim(Drive("/usb/a", "asmedia", "chip = 2362\n") + Drive("/usb/b", "disk", "vendor = Stick\n")
                        + Drive("/sys/devices/pci0000:00/nvme/nvme0/nvme0n1", "nvme", "number = 0\n"));
    EXPECT_EQ(VP_PROC_GetQZDevice(), 2u);
    int inquiries = 0;
    for (const ScsiCall &call : ScsiCalls(sim.Requests())) {
        if (call.cdb[0] == 0x12) {
            ++inquiries;
            EXPECT_EQ(call.cdb[4], 36);
            EXPECT_EQ(call.length, 36u);
        }
    }
    EXPECT_EQ(inquiries, 3);
}

// ---- classification -------------------------------------------------------------------------

TEST_F(EnumerationTest, AUsbPathWhoseProbeFailsIsNotTriedDirectly)
{
    // The path names both usb and nvme; it is a USB disk only.
    SimulatedDrives sim(Drive("/sys/devices/usb2/nvme/nvme0/nvme0n1", "nvme", "number = 0\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_TRUE(capture.Has("DEVICE_USB\n"));
    for (const std::string &text : capture.Texts())
        EXPECT_THAT(text, ::testing::Not(HasSubstr("AP_Instance[")));
    for (const auto &r : sim.Requests())
        EXPECT_NE(r.kind, Kind::DiskNumber);
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[0].ucNVMeCommandPath, 0);
}

TEST_F(EnumerationTest, APathWithUsbAndScsiIsProbedAsABridgeThenDirectly)
{
    const std::string bridge = "\\\\?\\scsi#disk&ven_usb&prod_bridge#7&1a2b#{53f56307}";
    const std::string disk = "\\\\?\\scsi#disk&ven_usb&prod_stick#8&3c4d#{53f56307}";
    SimulatedDrives sim(Drive(bridge, "jmicron") + Drive(disk, "disk"));
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);
    EXPECT_EQ(std::string(AP_Instance[0].pDevicePath), bridge);
    EXPECT_EQ(AP_Instance[0].ucUSBBridgeVendor, CHIP_VENDOR_JMICRON);
    EXPECT_FALSE(capture.Has("DEVICE_USB\n"));
    // The second one: bridge probe, then the direct probe, which its path fails.
    EXPECT_TRUE(capture.Has("######### - [1]vendorString is ATA     \n"));
    EXPECT_TRUE(capture.Has("######### - AP_Instance[1].pDevicePath is " + disk + "\n"));
    EXPECT_EQ(AP_Instance[1].ucUSBCommandPath, 0);
    EXPECT_EQ(AP_Instance[1].ucNVMeCommandPath, 1);
}

TEST_F(EnumerationTest, ADirectNvmeDriveGetsItsPhysicalDrivePath)
{
    SimulatedDrives sim(Drive(kNvmePath, "nvme", "number = 3\n"));
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);
    EXPECT_STREQ(AP_Instance[0].pDevicePath, kNvmePath);
    EXPECT_EQ(AP_Instance[0].ucUSBCommandPath, 0);
    EXPECT_EQ(AP_Instance[0].ucNVMeCommandPath, 1);
    EXPECT_STREQ(AP_Instance[0].devPhyFileName, "\\\\.\\PHYSICALDRIVE3");
    const std::string path = kNvmePath;
    EXPECT_THAT(capture.Texts(),
                ElementsAre("dwDeviceCount = 1\n", "szDevicePath[0] = " + path + "\n",
                            "######### - [0]vendorString is NVMe    \n",
                            "######### - AP_Instance[0].pDevicePath is " + path + "\n",
                            "######### - VP_IsQZChip - Find NVMe device!\n", "######### - pDevicePath " + path + "!\n",
                            "######### - QZ device 0: NVMe \\\\.\\PHYSICALDRIVE3, " + path + "\n"));
    // The disk number is asked of the interface path.
    const auto requests = sim.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().kind, Kind::DiskNumber);
    EXPECT_EQ(requests.back().path, path);
}

TEST_F(EnumerationTest, AnNvmeDriveWhosePathLacksNvmeIsNotAccepted)
{
    SimulatedDrives sim(Drive("/sys/devices/pci0000:00/0000:00:1d.0/block/sdz", "nvme", "number = 0\n"));
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    for (const auto &r : sim.Requests())
        EXPECT_NE(r.kind, Kind::DiskNumber);
}

TEST_F(EnumerationTest, WithoutADiskNumberADirectDriveIsNotAccepted)
{
    SimulatedDrives sim(Drive("/sys/nvme/nvme0/nvme0n1", "nvme", "number = none\n")
                        + Drive("/sys/nvme/nvme1/nvme1n1", "nvme", "fault = open fail error 2\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_TRUE(capture.Has("GetPhysicalDriver - DeviceIoControl /sys/nvme/nvme0/nvme0n1 failed:95\n"));
    EXPECT_TRUE(capture.Has("GetPhysicalDriver - CreateFile /sys/nvme/nvme1/nvme1n1 failed:2\n"));
    EXPECT_EQ(sim->OpenHandleCount(), 0u);
}

TEST_F(EnumerationTest, ADriveThatMayNotBeOpenedIsNamedAsAPermissionFailure)
{
    SimulatedDrives sim(Drive(kNvmePath, "nvme", "fault = open fail error 13\n"));
    DebugCapture capture;
    EXPECT_EQ(VP_PROC_GetQZDevice(), 0u);
    EXPECT_TRUE(capture.Has("######### - Permission denied (error 13): open " + std::string(kNvmePath) + "\n"));
    EXPECT_TRUE(capture.Has("GetPhysicalDriver - CreateFile " + std::string(kNvmePath) + " failed:13\n"));
}

// ---- slot filling ---------------------------------------------------------------------------

TEST_F(EnumerationTest, ARejectedDiskBetweenTwoAcceptedOnesLeavesNoGap)
{
    SimulatedDrives sim(Drive(kNvmePath, "nvme", "number = 0\n") + Drive(kSataPath, "disk")
                        + Drive(kUsbPath, "jmicron"));
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 2u);
    EXPECT_STREQ(AP_Instance[0].pDevicePath, kNvmePath);
    EXPECT_EQ(AP_Instance[0].ucNVMeCommandPath, 1);
    EXPECT_STREQ(AP_Instance[1].pDevicePath, kUsbPath);
    EXPECT_EQ(AP_Instance[1].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[1].ucNVMeCommandPath, 0);
    EXPECT_EQ(AP_Instance[1].ucUSBBridgeVendor, CHIP_VENDOR_JMICRON);
    // The SATA disk was probed in slot 1 before the bridge took it over.
    EXPECT_TRUE(capture.Has("######### - [1]vendorString is ATA     \n"));
    EXPECT_TRUE(capture.Has("######### - AP_Instance[1].pDevicePath is " + std::string(kSataPath) + "\n"));
    EXPECT_TRUE(capture.Has("######### - QZ device 1: USB bridge JMicron, " + std::string(kUsbPath) + "\n"));
    EXPECT_EQ(AP_Instance[2].pDevicePath[0], '\0');
}

TEST_F(EnumerationTest, ARejectedLastDiskStaysInTheSlotAfterTheCount)
{
    SimulatedDrives sim(Drive(kUsbPath, "jmicron") + Drive(kSataPath, "disk"));
    ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);
    EXPECT_STREQ(AP_Instance[1].pDevicePath, kSataPath);
    EXPECT_EQ(AP_Instance[1].ucUSBCommandPath, 0);
    EXPECT_EQ(AP_Instance[1].ucNVMeCommandPath, 1);
    EXPECT_EQ(AP_Instance[1].ucUSBBridgeVendor, CHIP_VENDOR_UNKNOWN);
}

TEST_F(EnumerationTest, AFreshEnumerationRenumbersAndLeavesLaterSlotsAsTheyWere)
{
    {
        SimulatedDrives sim(Drive("/usb/a", "jmicron") + Drive("/usb/b", "asmedia") + Drive("/usb/c", "jmicron"));
        ASSERT_EQ(QZLib_PROC_GetQZDevice(), 3);
    }
    SimulatedDrives sim(Drive("/usb/c", "jmicron"));
    ASSERT_EQ(QZLib_PROC_GetQZDevice(), 1);
    EXPECT_STREQ(AP_Instance[0].pDevicePath, "/usb/c");
    EXPECT_STREQ(AP_Instance[1].pDevicePath, "/usb/b");
    EXPECT_STREQ(AP_Instance[2].pDevicePath, "/usb/c");
    // The host reaches only the drives of the last enumeration.
    std::vector<uint8_t> buffer(4096, 0);
    sim->ClearRecords();
    EXPECT_FALSE(QZLib_Identify(1, buffer.data()));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdWrite(2, buffer.data()));
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_TRUE(QZLib_Identify(0, buffer.data()));
}

TEST_F(EnumerationTest, EveryDeviceOpenedDuringEnumerationIsClosedAgain)
{
    SimulatedDrives sim(Drive(kNvmePath, "nvme") + Drive(kUsbPath, "jmicron") + Drive(kSataPath, "disk")
                        + Drive("/usb/x", "asmedia", "medium = no\n"));
    VP_PROC_GetQZDevice();
    int opens = 0;
    int closes = 0;
    for (const auto &r : sim->Records()) {
        if (r.kind == Kind::Open && r.carried)
            ++opens;
        if (r.kind == Kind::Close)
            ++closes;
    }
    EXPECT_GT(opens, 0);
    EXPECT_EQ(opens, closes);
}

} // namespace
