// Identify on both transports, and a whole host session through the exports.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "QZUtil/ByteOrder.h"
#include "QZlibrary.h"
#include "V_Cmd/VC_Std.h"
#include "V_Proc/VP_Proc.h"
#include "QzLibTestSupport.h"

using namespace qztest;
using ::testing::ElementsAre;
using Kind = qz::SimDeviceAccess::RequestKind;

namespace {

constexpr char kNvmePath[] = "/sys/devices/pci0000:00/nvme/nvme0/nvme0n1";
constexpr char kBridgePath[] = "/sys/devices/usb2/2-1/host6/block/sdb";

std::string Field(const std::vector<uint8_t> &id, std::size_t offset, std::size_t length)
{
    std::string text(id.begin() + static_cast<long>(offset), id.begin() + static_cast<long>(offset + length));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

class IdentifyTest : public CleanTableTest
{ };

TEST_F(IdentifyTest, ADirectDriveIsAskedThroughItsInterfacePath)
{
    SimulatedDrives sim("[drive]\npath = " + std::string(kNvmePath)
                        + "\nkind = nvme\nnumber = 4\nmodel = Lit Drive\nserial = S123\nfirmware = FW01\n");
    ASSERT_EQ(QZLib_PROC_GetQZDevice(), 1);
    ASSERT_STREQ(AP_Instance[0].devPhyFileName, "\\\\.\\PHYSICALDRIVE4");
    sim->ClearRecords();

    std::vector<uint8_t> id(4096, 0xEE);
    ASSERT_TRUE(QZLib_Identify(0, id.data()));
    EXPECT_EQ(Field(id, 4, 20), "S123");
    EXPECT_EQ(Field(id, 24, 40), "Lit Drive");
    EXPECT_EQ(Field(id, 64, 8), "FW01");
    EXPECT_THAT(OpenedPaths(sim->Records()), ElementsAre(kNvmePath));

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 1u);
    ASSERT_EQ(requests[0].kind, Kind::StorageQuery);
    const std::vector<uint8_t> &query = requests[0].sent;
    EXPECT_EQ(qz::GetLE32(&query[12]), 1u); // data type Identify
    EXPECT_EQ(qz::GetLE32(&query[16]), 1u); // CNS controller
    EXPECT_EQ(qz::GetLE32(&query[20]), 0u);
}

TEST_F(IdentifyTest, AJMicronBridgeGetsSetPayloadThenAnEightSectorDataIn)
{
    SimulatedDrives sim("[drive]\npath = " + std::string(kBridgePath) + "\nkind = jmicron\nserial = J1\n");
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> id(4096, 0);
    ASSERT_EQ(VP_Identify(0, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);
    EXPECT_EQ(Field(id, 4, 20), "J1");
    const auto calls = ScsiCalls(sim->Records());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].cdb, Bytes({0xA1, 0x80, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}));
    std::vector<uint8_t> payload(512, 0);
    std::memcpy(payload.data(), "NVME", 4);
    payload[8] = 0x06;
    payload[48] = 1; // CDW10 1, NSID 0
    EXPECT_EQ(calls[0].sent, payload);
    EXPECT_EQ(calls[1].cdb, Bytes({0xA1, 0x82, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(calls[1].dataIn);
}

TEST_F(IdentifyTest, AnASMediaBridgeGetsA64ByteDataOutThenA4096ByteDataIn)
{
    SimulatedDrives sim("[drive]\npath = " + std::string(kBridgePath) + "\nkind = asmedia\nserial = A1\n");
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_ASMEDIA);
    std::vector<uint8_t> id(4096, 0);
    ASSERT_EQ(VP_Identify(0, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);
    EXPECT_EQ(Field(id, 4, 20), "A1");
    const auto calls = ScsiCalls(sim->Records());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].cdb[0], 0xEA);
    EXPECT_EQ(calls[0].cdb[2], 0x80);
    EXPECT_EQ(calls[0].length, 64u);
    EXPECT_EQ(calls[0].sent[0], 0x06);
    EXPECT_EQ(calls[1].cdb[0], 0xEB);
    EXPECT_EQ(calls[1].cdb[2], 0x81);
    EXPECT_EQ(calls[1].length, 4096u);
}

TEST_F(IdentifyTest, FailuresAndWhatTheyLeaveInTheBuffer)
{
    SimulatedDrives sim("[drive]\npath = " + std::string(kNvmePath) + "\nkind = nvme\nfault = identify fail times 1\n"
                        + "fault = open fail error 2 after 1 times 1\n" + "[drive]\npath = " + kBridgePath
                        + "\nkind = jmicron\nfault = identify fail payload\n");
    std::snprintf(AP_Instance[0].pDevicePath, sizeof AP_Instance[0].pDevicePath, "%s", kNvmePath);
    AP_Instance[0].ucNVMeCommandPath = 1;
    RecordIdentity(0);
    SetBridgeSlot(1, kBridgePath, CHIP_VENDOR_JMICRON);
    std::snprintf(AP_Instance[2].pDevicePath, sizeof AP_Instance[2].pDevicePath, "%s", kBridgePath);

    DebugCapture capture;
    std::vector<uint8_t> id(4096, 0xEE);
    // A refused query, a drive that cannot be opened, a failed payload phase,
    // a slot without a transport: false, and the buffer untouched.
    EXPECT_EQ(VP_Identify(0, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_EQ(id, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_THAT(
        capture.Texts(),
        ElementsAre("Windows10NVMeIdentify() fail = 0x5\r\n", "######### - VC_STD_Win10_NVMe_Identify fail!\n"));
    EXPECT_EQ(VP_Identify(0, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_EQ(VP_Identify(1, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    sim->ClearRecords();
    EXPECT_EQ(VC_STD_Identify(2, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_FAIL);
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_EQ(id, std::vector<uint8_t>(4096, 0xEE));
    // The drive answers again once the faults have passed.
    EXPECT_EQ(VP_Identify(0, id.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);
}

// ---- a host session -------------------------------------------------------------------------------

TEST_F(IdentifyTest, AWholeHostSessionThroughTheExports)
{
    SimulatedDrives sim(
        "[drive]\npath = /sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1\nkind = nvme\n"
        "number = 0\nserial = DIRECT\nanswer = invert\n"
        "[drive]\npath = /sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda\nkind = disk\n"
        "[drive]\npath = /sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb\n"
        "kind = jmicron\nserial = BRIDGED\nanswer = invert\n"
        "[drive]\npath = /sys/devices/pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7/target7:0:0/7:0:0:0/block/sdc\n"
        "kind = asmedia\nmedium = no\n");
    DebugCapture capture;
    ASSERT_TRUE(QZLib_Initialize());
    ASSERT_EQ(QZLib_PROC_GetQZDevice(), 2);

    std::vector<uint8_t> id(4096, 0);
    ASSERT_TRUE(QZLib_Identify(0, id.data()));
    EXPECT_EQ(Field(id, 4, 20), "DIRECT");
    ASSERT_TRUE(QZLib_Identify(1, id.data()));
    EXPECT_EQ(Field(id, 4, 20), "BRIDGED");
    EXPECT_FALSE(QZLib_Identify(2, id.data()));

    for (unsigned char drive = 0; drive < 2; ++drive) {
        std::vector<uint8_t> command = PatternBlock(drive);
        ASSERT_TRUE(QZLib_SYS_IloRgbMcuCmdWrite(drive, command.data()));
        std::vector<uint8_t> request = PatternBlock(static_cast<uint8_t>(drive + 100));
        std::vector<uint8_t> answer = request;
        ASSERT_TRUE(QZLib_SYS_IloRgbMcuCmdRead(drive, answer.data()));
        for (std::size_t i = 0; i < answer.size(); ++i)
            ASSERT_EQ(answer[i], static_cast<uint8_t>(~request[i]));
    }
    EXPECT_EQ(sim->Drive(0).mcuBlocks.size(), 2u);
    EXPECT_EQ(sim->Drive(2).mcuBlocks.size(), 2u);
    EXPECT_TRUE(QZLib_UnInitialize());
    EXPECT_TRUE(capture.Has("QZ library uninitialized\n"));
}

} // namespace
