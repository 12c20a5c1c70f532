// The lighting-MCU exchange: the command order on both transports, the bytes
// that reach the drive, the answer, and the failure of each step.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "QZUtil/ByteOrder.h"
#include "V_Cmd/VC_Std.h"
#include "V_Proc/VP_Proc.h"
#include "QzLibTestSupport.h"

using namespace qztest;
using ::testing::ElementsAre;
using Kind = qz::SimDeviceAccess::RequestKind;

namespace {

constexpr char kBridgePath[] = "/sys/devices/usb2/2-1/host6/block/sdb";
constexpr char kNvmePath[] = "/sys/devices/pci0000:00/nvme/nvme0/nvme0n1";
constexpr char kPhysicalDrive[] = "\\\\.\\PHYSICALDRIVE0";

const std::vector<uint8_t> kPayloadCdb = Bytes({0xA1, 0x80, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0});
const std::vector<uint8_t> kDataInCdb = Bytes({0xA1, 0x82, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0});
const std::vector<uint8_t> kDataOutCdb = Bytes({0xA1, 0x83, 0, 0, 0x10, 0, 0, 0, 0, 0, 0, 0});
const std::vector<uint8_t> kAsmCommandCdb = Bytes({0xEA, 0x5A, 0x80, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0});
const std::vector<uint8_t> kAsmDataCdb = Bytes({0xEB, 0x5A, 0x81, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0});

class ExchangeTest : public CleanTableTest
{
protected:
    void SetDirectSlot(int slot)
    {
        std::snprintf(AP_Instance[slot].pDevicePath, sizeof AP_Instance[slot].pDevicePath, "%s", kNvmePath);
        std::snprintf(AP_Instance[slot].devPhyFileName, sizeof AP_Instance[slot].devPhyFileName, "%s", kPhysicalDrive);
        AP_Instance[slot].ucUSBCommandPath = 0;
        AP_Instance[slot].ucNVMeCommandPath = 1;
        RecordIdentity(slot);
    }
};

std::string Bridge(const std::string &kind, const std::string &more = "")
{
    return "[drive]\npath = " + std::string(kBridgePath) + "\nkind = " + kind + "\n" + more;
}

std::string Direct(const std::string &more = "")
{
    return "[drive]\npath = " + std::string(kNvmePath) + "\nkind = nvme\nnumber = 0\n" + more;
}

// Checks the 512-byte JMicron payload block: "NVME", zeros, the submission
// entry with `opcode` and `cdw10`, zeros.
void ExpectPayload(const std::vector<uint8_t> &block, uint8_t opcode, uint32_t cdw10)
{
    ASSERT_EQ(block.size(), 512u);
    EXPECT_EQ(std::string(block.begin(), block.begin() + 4), "NVME");
    std::vector<uint8_t> expected(512, 0);
    std::memcpy(expected.data(), "NVME", 4);
    expected[8] = opcode;
    qz::PutLE32(&expected[48], cdw10);
    EXPECT_EQ(block, expected);
}

std::vector<uint8_t> Inverted(std::vector<uint8_t> block)
{
    for (uint8_t &b : block)
        b = static_cast<uint8_t>(~b);
    return block;
}

// ---- JMicron ------------------------------------------------------------------------------------

TEST_F(ExchangeTest, AWriteThroughJMicronSendsA1A2B1B2WithTheCallersBlock)
{
    SimulatedDrives sim(Bridge("jmicron"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> block = PatternBlock(7);
    const std::vector<uint8_t> original = block;
    ASSERT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1);
    EXPECT_EQ(block, original);

    const auto calls = ScsiCalls(sim->Records());
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].cdb, kPayloadCdb);
    EXPECT_FALSE(calls[0].dataIn);
    ExpectPayload(calls[0].sent, 0x02, 0x03FF00C6);
    EXPECT_EQ(calls[1].cdb, kDataInCdb);
    EXPECT_TRUE(calls[1].dataIn);
    EXPECT_EQ(calls[1].length, 4096u);
    EXPECT_EQ(calls[2].cdb, kPayloadCdb);
    ExpectPayload(calls[2].sent, 0x11, 0x000003FF);
    EXPECT_EQ(calls[3].cdb, kDataOutCdb);
    EXPECT_FALSE(calls[3].dataIn);
    EXPECT_EQ(calls[3].sent, original);

    ASSERT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks[0], original);
    for (const std::string &path : OpenedPaths(sim->Records()))
        EXPECT_EQ(path, kBridgePath);
}

TEST_F(ExchangeTest, ThePayloadsCarryTheirOpcodesAndDwordCountsAtTheirOffsets)
{
    SimulatedDrives sim(Bridge("jmicron"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> block = PatternBlock(1);
    ASSERT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 1);
    const auto calls = ScsiCalls(sim->Records());
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].sent[8], 0x02);
    EXPECT_EQ(std::vector<uint8_t>(calls[0].sent.begin() + 48, calls[0].sent.begin() + 52), Bytes({0xC6, 0, 0xFF, 3}));
    EXPECT_EQ(calls[2].sent[8], 0x11);
    EXPECT_EQ(std::vector<uint8_t>(calls[2].sent.begin() + 48, calls[2].sent.begin() + 56),
              Bytes({0xFF, 3, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(calls[4].sent.begin() + 48, calls[4].sent.begin() + 52), Bytes({0xC7, 0, 0xFF, 3}));
}

TEST_F(ExchangeTest, AReadThroughJMicronLeavesExactlyTheC2Bytes)
{
    SimulatedDrives sim(Bridge("jmicron", "answer = invert\n"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> block = PatternBlock(9);
    const std::vector<uint8_t> request = block;
    ASSERT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 1);
    EXPECT_EQ(block, Inverted(request));

    const auto calls = ScsiCalls(sim->Records());
    ASSERT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[0].cdb, kPayloadCdb);
    EXPECT_EQ(calls[1].cdb, kDataInCdb);
    EXPECT_EQ(calls[2].cdb, kPayloadCdb);
    EXPECT_EQ(calls[3].cdb, kDataOutCdb);
    EXPECT_EQ(calls[3].sent, request);
    EXPECT_EQ(calls[4].cdb, kPayloadCdb);
    ExpectPayload(calls[4].sent, 0x02, 0x03FF00C7);
    EXPECT_EQ(calls[5].cdb, kDataInCdb);
    EXPECT_EQ(calls[5].length, 4096u);
}

// ---- ASMedia ------------------------------------------------------------------------------------

TEST_F(ExchangeTest, ThroughASMediaNothingIsSentAndTheExchangeFails)
{
    // The bridge cannot carry the block, so not even the C6h pre-read goes out.
    SimulatedDrives sim(Bridge("asmedia", "answer = zero\n"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_ASMEDIA);
    std::vector<uint8_t> block = PatternBlock(3);
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_TRUE(ScsiCalls(sim->Records()).empty());
    EXPECT_EQ(block, PatternBlock(3));
}

// ---- directly attached ------------------------------------------------------------------------

TEST_F(ExchangeTest, ADirectWriteReadsC6hAsksForTheSlotsAndDownloadsTheBlock)
{
    SimulatedDrives sim(Direct());
    SetDirectSlot(0);
    std::vector<uint8_t> block = PatternBlock(5);
    const std::vector<uint8_t> original = block;
    ASSERT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1);
    EXPECT_EQ(block, original);

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].kind, Kind::StorageQuery);
    EXPECT_EQ(requests[0].command.opcode, 0x02);
    EXPECT_EQ(requests[0].command.cdw10 & 0xFF, 0xC6u);
    EXPECT_EQ(requests[1].kind, Kind::FirmwareRequest);
    EXPECT_EQ(requests[2].kind, Kind::FirmwareRequest);
    EXPECT_EQ(requests[2].command.opcode, 0x11);
    EXPECT_EQ(requests[2].command.cdw10, 0x3FFu);
    EXPECT_EQ(requests[2].command.cdw11, 0u);
    ASSERT_EQ(requests[2].sent.size(), 4176u);
    EXPECT_EQ(std::vector<uint8_t>(requests[2].sent.begin() + 80, requests[2].sent.end()), original);
    // Every request goes to the physical-drive path, opened once for the exchange.
    EXPECT_THAT(OpenedPaths(sim->Records()), ElementsAre(kPhysicalDrive));
    ASSERT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks[0], original);
}

TEST_F(ExchangeTest, ADirectReadAnswersTheC7hPage)
{
    SimulatedDrives sim(Direct("answer = invert\n"));
    SetDirectSlot(0);
    std::vector<uint8_t> block = PatternBlock(11);
    const std::vector<uint8_t> request = block;
    ASSERT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 1);
    EXPECT_EQ(block, Inverted(request));
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[3].kind, Kind::StorageQuery);
    EXPECT_EQ(requests[3].command.cdw10 & 0xFF, 0xC7u);
}

TEST_F(ExchangeTest, ADirectDriveWithoutAWritableSlotTakesNoDownload)
{
    for (const char *config : {"slots = ro SIMFW001, ro SIMFW002\n", "upgrade = no\n"}) {
        SimulatedDrives sim(Direct(config));
        SetDirectSlot(0);
        std::vector<uint8_t> block = PatternBlock(2);
        DebugCapture capture;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << config;
        EXPECT_TRUE(capture.Has("\t FirmwareUpgrade - No writable Firmware slot.\n"));
        const auto requests = sim.Requests();
        ASSERT_EQ(requests.size(), 2u) << config;
        EXPECT_EQ(requests[0].kind, Kind::StorageQuery);
        EXPECT_EQ(requests[1].kind, Kind::FirmwareRequest);
        EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
    }
}

TEST_F(ExchangeTest, ARefusedC6hQueryDoesNotStopTheExchangeOnADirectDrive)
{
    SimulatedDrives sim(Direct("fault = log c6 fail\nanswer = echo\n"));
    SetDirectSlot(0);
    std::vector<uint8_t> block = PatternBlock(4);
    const std::vector<uint8_t> original = block;
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1);
    EXPECT_TRUE(capture.Has("Windows10NVMeGetLog() fail = 0x5\r\n"));
    ASSERT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks[0], original);
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 1);
    EXPECT_EQ(block, original);
}

TEST_F(ExchangeTest, AFailedC7hReadOnADirectDriveIsAFailureAndKeepsTheRequest)
{
    SimulatedDrives sim(Direct("fault = log c7 fail\n"));
    SetDirectSlot(0);
    std::vector<uint8_t> block = PatternBlock(6);
    const std::vector<uint8_t> request = block;
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_EQ(block, request);
    EXPECT_EQ(capture.Texts().back(), "Windows10NVMeGetLog() fail = 0x5\r\n");
    // The command block did reach the drive.
    EXPECT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
}

TEST_F(ExchangeTest, AReadThatCannotOpenTheDriveIsAFailureToo)
{
    SimulatedDrives sim(Direct("fault = open fail error 2\n"));
    SetDirectSlot(0);
    std::vector<uint8_t> block = PatternBlock(8);
    const std::vector<uint8_t> request = block;
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_EQ(block, request);
    EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
}

// ---- the failure table, row by row ---------------------------------------------------------------

TEST_F(ExchangeTest, ASlotWithoutTransportTouchesNothing)
{
    SimulatedDrives sim(Bridge("jmicron"));
    std::snprintf(AP_Instance[0].pDevicePath, sizeof AP_Instance[0].pDevicePath, "%s", kBridgePath);
    std::vector<uint8_t> block = PatternBlock(1);
    const std::vector<uint8_t> original = block;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_EQ(VC_STD_GetLogPage(0, block.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(block, original);
    EXPECT_TRUE(sim->Records().empty());
}

TEST_F(ExchangeTest, AFailedPreReadOnABridgeEndsTheExchange)
{
    for (const char *phase : {"payload", "data"}) {
        SimulatedDrives sim(Bridge("jmicron", std::string("fault = log c6 fail ") + phase + "\n"));
        SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
        std::vector<uint8_t> block = PatternBlock(1);
        const std::vector<uint8_t> original = block;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << phase;
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0) << phase;
        EXPECT_EQ(block, original);
        for (const auto &r : sim->Records())
            EXPECT_NE(r.command.opcode, 0x11) << phase;
        EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
    }
}

TEST_F(ExchangeTest, AFailedDownloadFailsWriteAndRead)
{
    {
        SimulatedDrives sim(Direct("fault = download returncode 5\n"));
        SetDirectSlot(0);
        std::vector<uint8_t> block = PatternBlock(1);
        const std::vector<uint8_t> original = block;
        DebugCapture capture;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
        EXPECT_TRUE(capture.Has("\t FirmwareUpgrade - firmware download failed. srbControl->ReturnCode 5.\n"));
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
        EXPECT_EQ(block, original);
        for (const auto &r : sim->Records())
            EXPECT_FALSE(r.hasCommand && (r.command.cdw10 & 0xFF) == 0xC7);
    }
    for (const char *phase : {"payload", "data"}) {
        SimulatedDrives sim(Bridge("jmicron", std::string("fault = download fail ") + phase + "\n"));
        SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
        std::vector<uint8_t> block = PatternBlock(1);
        const std::vector<uint8_t> original = block;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << phase;
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0) << phase;
        EXPECT_EQ(block, original);
        // Nothing after the download: no C7h read.
        EXPECT_LE(ScsiCalls(sim->Records()).size(), 8u);
    }
}

TEST_F(ExchangeTest, AFailedAnswerReadOnABridgeFailsTheRead)
{
    SimulatedDrives sim(Bridge("jmicron", "fault = log c7 fail data\n"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> block = PatternBlock(1);
    const std::vector<uint8_t> request = block;
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_EQ(block, request);
    EXPECT_EQ(capture.Texts().back(), "######### - VC_Bridge_GetLogPageCmd fail[1]!\n");
    EXPECT_EQ(ScsiCalls(sim->Records()).size(), 6u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
}

TEST_F(ExchangeTest, APermissionFailureOnTheBridgeIsNamed)
{
    SimulatedDrives sim(Bridge("jmicron", "fault = scsi a1 fail error 1\n"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> block = PatternBlock(1);
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_TRUE(capture.Has("######### - Permission denied (error 1): SCSI pass-through to " + std::string(kBridgePath)
                            + "\n"));
}

// ---- the log page router -------------------------------------------------------------------------

TEST_F(ExchangeTest, TheLogPageRouterReportsADirectReadThatFailed)
{
    SimulatedDrives sim(Direct("fault = log c6 fail times 1\n"));
    SetDirectSlot(0);
    std::vector<uint8_t> page(4096, 0xEE);
    EXPECT_EQ(VC_STD_GetLogPage(0, page.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(page, std::vector<uint8_t>(4096, 0xEE)); // a refused query leaves the buffer alone
    EXPECT_EQ(VC_STD_GetLogPage(0, page.data(), 0xC6, 1024), VC_RESULT_SUCCESS);
    EXPECT_EQ(page, sim->Drive(0).Config().logC6);
    // The platform reads 4096 bytes whatever the dword count says.
    EXPECT_EQ(VC_STD_GetLogPage(0, page.data(), 0xC6, 16), VC_RESULT_SUCCESS);
    EXPECT_EQ(sim.Requests().back().command.cdw10, 0x03FF00C6u);
}

} // namespace
