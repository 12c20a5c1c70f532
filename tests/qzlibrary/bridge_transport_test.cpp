// The USB bridge transport on simulated bridges: the SCSI request beneath
// it, the standard commands, the JMicron and ASMedia tunnels and the three
// NVMe commands, byte for byte, with their debug lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "QzLibTestSupport.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"

using namespace qztest;
using ::testing::ElementsAre;
using Record = qz::SimDeviceAccess::Record;
using Kind = qz::SimDeviceAccess::RequestKind;

namespace {

constexpr char kJMicronPath[]
    = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
constexpr char kASMediaPath[]
    = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7/target7:0:0/7:0:0:0/block/sdc";

std::string Drives(const std::string &jmicronExtra = "", const std::string &asmediaExtra = "")
{
    return std::string("[drive]\npath = ") + kJMicronPath + "\nkind = jmicron\nmodel = Bridged One\n" + jmicronExtra
        + "\n[drive]\npath = " + kASMediaPath + "\nkind = asmedia\nmodel = Bridged Two\n" + asmediaExtra + "\n";
}

class BridgeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ClearInstanceTable();
        SetBridgeSlot(0, kJMicronPath, CHIP_VENDOR_JMICRON);
        SetBridgeSlot(1, kASMediaPath, CHIP_VENDOR_ASMEDIA);
    }
    void TearDown() override { ClearInstanceTable(); }
};

// The 12- or 16-byte CDB a record carries, as sent (16 bytes, zero-padded).
std::vector<uint8_t> Cdb(std::initializer_list<int> front, std::size_t size)
{
    std::vector<uint8_t> cdb = Bytes(front);
    cdb.resize(size, 0);
    return cdb;
}

// The payload block the library must send for a submission entry.
std::vector<uint8_t> PayloadFor(uint8_t opcode, uint32_t nsid, uint32_t cdw10, uint32_t cdw11)
{
    std::vector<uint8_t> block(512, 0);
    block[0] = 'N';
    block[1] = 'V';
    block[2] = 'M';
    block[3] = 'E';
    block[8] = opcode;
    for (int i = 0; i < 4; ++i) {
        block[12 + i] = static_cast<uint8_t>(nsid >> (8 * i));
        block[48 + i] = static_cast<uint8_t>(cdw10 >> (8 * i));
        block[52 + i] = static_cast<uint8_t>(cdw11 >> (8 * i));
    }
    return block;
}

std::vector<uint8_t> EntryFor(uint8_t opcode, uint32_t nsid, uint32_t cdw10)
{
    std::vector<uint8_t> payload = PayloadFor(opcode, nsid, cdw10, 0);
    return std::vector<uint8_t>(payload.begin() + 8, payload.begin() + 72);
}

// ---- the SCSI request and ScsiCdbPassThrough ------------------------------

TEST_F(BridgeTest, AnEmptyDevicePathAnswersMinusOneWithoutOpeningAnything)
{
    SimulatedDrives sim(Drives());
    DebugCapture capture;
    const uint8_t cdb[12] = {0x12, 0, 0, 0, 0x28};
    uint8_t data[40] = {};
    EXPECT_EQ(ScsiCdbPassThrough(5, true, cdb, 12, data, 40, false), SCSI_PASS_NO_DEVICE);
    EXPECT_EQ(ScsiCdbPassThrough(200, true, cdb, 12, data, 40, false), SCSI_PASS_NO_DEVICE);
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_THAT(capture.Texts(), ElementsAre("ScsiCdbPassThrough 0 \r\n", "ScsiCdbPassThrough 0 \r\n"));
}

TEST_F(BridgeTest, EachCommandOpensThePathSendsOneRequestAndClosesIt)
{
    SimulatedDrives sim(Drives());
    uint8_t data[512] = {};
    ASSERT_EQ(VC_STD_Inquiry(0, data, 36), VC_RESULT_SUCCESS);
    const auto &records = sim->Records();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].kind, Kind::Open);
    EXPECT_EQ(records[0].path, kJMicronPath);
    EXPECT_EQ(records[1].kind, Kind::Scsi);
    EXPECT_EQ(records[2].kind, Kind::Close);
}

TEST_F(BridgeTest, StandardCommandsSendTheirCdbsAndByteCounts)
{
    SimulatedDrives sim(Drives());
    uint8_t data[2048] = {};
    EXPECT_EQ(VC_STD_Inquiry(0, data, 40), VC_RESULT_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data + 8), 7), "JMicron");
    EXPECT_EQ(std::string(reinterpret_cast<char *>(data + 36), 4), "0583");
    EXPECT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_SUCCESS);
    EXPECT_EQ(VC_STD_ReadCapacity(0, data, 1), VC_RESULT_SUCCESS);
    EXPECT_EQ(data[6], 0x02); // block length 512

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].cdb, Cdb({0x12, 0, 0, 0, 0x28}, 12));
    EXPECT_TRUE(requests[0].dataIn);
    EXPECT_EQ(requests[0].length, 40u);
    EXPECT_EQ(requests[1].cdb, Cdb({0x00}, 12));
    EXPECT_FALSE(requests[1].dataIn);
    EXPECT_EQ(requests[1].length, 0u);
    EXPECT_EQ(requests[2].cdb, Cdb({0x25}, 12));
    EXPECT_TRUE(requests[2].dataIn);
    EXPECT_EQ(requests[2].length, 512u);
}

TEST_F(BridgeTest, ScsiStatusFailsWritingAndReadingCommands)
{
    SimulatedDrives sim(Drives("fault = tur status 2\nfault = inquiry status 2\n"));
    DebugCapture capture;
    uint8_t data[40];
    std::memset(data, 0x5A, sizeof data);
    EXPECT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(), ElementsAre("SCSI Status Fail = 2\n", "ScsiCdbPassThrough -2 \r\n"));
    capture.Clear();
    EXPECT_EQ(VC_STD_Inquiry(0, data, 36), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(), ElementsAre("SCSI Status Fail = 2\n", "ScsiCdbPassThrough -2 \r\n"));
    for (uint8_t byte : data)
        ASSERT_EQ(byte, 0x5A);
}

TEST_F(BridgeTest, AFailedRequestReportsTheSystemErrorOfItsDirection)
{
    SimulatedDrives sim(Drives("fault = inquiry fail error 1117\nfault = tur fail error 121\n"));
    DebugCapture capture;
    uint8_t data[40] = {};
    EXPECT_EQ(VC_STD_Inquiry(0, data, 36), VC_RESULT_FAIL);
    EXPECT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("LastError(ReadSCSICommandWithTimeOutValue)[1] = 1117\r\n", "ScsiCdbPassThrough -2 \r\n",
                            "LastError(WriteSCSICommandWithTimeOutValue)[1] = 121\r\n", "ScsiCdbPassThrough -2 \r\n"));
}

TEST_F(BridgeTest, APathThatCannotBeOpenedNamesItselfInTheLine)
{
    SimulatedDrives sim(Drives("fault = open fail error 5\n"));
    DebugCapture capture;
    uint8_t data[40] = {};
    EXPECT_EQ(VC_STD_Inquiry(0, data, 36), VC_RESULT_FAIL);
    EXPECT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_FAIL);
    EXPECT_THAT(
        capture.Texts(),
        ElementsAre(std::string("ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = ") + kJMicronPath + "\r\n",
                    "ScsiCdbPassThrough -2 \r\n",
                    std::string("WriteSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = ") + kJMicronPath + "\r\n",
                    "ScsiCdbPassThrough -2 \r\n"));
}

TEST_F(BridgeTest, OneByteTransfersTravelAsTwoBytes)
{
    SimulatedDrives sim(Drives("last_lba = 0xAB000000\n"));
    const uint8_t readCapacity[12] = {0x25};
    uint8_t in[2] = {0x00, 0x77};
    ASSERT_EQ(ScsiCdbPassThrough(0, true, readCapacity, 12, in, 1, false), SCSI_PASS_SUCCESS);
    EXPECT_EQ(in[0], 0xAB); // the first byte of the answer
    EXPECT_EQ(in[1], 0x77); // the caller's second byte is not touched

    // A writing command with one byte sends it followed by a zero.
    const uint8_t unknown[12] = {0xC5};
    uint8_t out[2] = {0x3C, 0x99};
    EXPECT_EQ(ScsiCdbPassThrough(0, false, unknown, 12, out, 1, false), SCSI_PASS_FAILED); // unknown to the bridge

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].length, 2u);
    EXPECT_EQ(requests[1].length, 2u);
    EXPECT_EQ(requests[1].sent, Bytes({0x3C, 0x00}));
}

TEST_F(BridgeTest, ABridgeWithoutADriveFailsTestUnitReadyAndReadCapacity)
{
    SimulatedDrives sim(Drives("medium = no\n"));
    uint8_t data[512] = {};
    EXPECT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_FAIL);
    EXPECT_EQ(VC_STD_ReadCapacity(0, data, 1), VC_RESULT_FAIL);
    EXPECT_EQ(data[6], 0);
}

// ---- tunnel commands ------------------------------------------------------

TEST_F(BridgeTest, JMicronTunnelModesAndLengths)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> buffer(4096, 0);
    VC_Bridge_JM_DataOutCmd(0, buffer.data(), 0, true);
    VC_Bridge_JM_DataOutCmd(0, buffer.data(), 0, false);
    VC_Bridge_JM_DataInCmd(0, buffer.data(), 8, false);
    VC_Bridge_JM_SetPayloadCmd(0, buffer.data(), 1, false);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].cdb, Cdb({0xA1, 0x81, 0, 0, 0, 0}, 12));
    EXPECT_EQ(requests[0].length, 0u);
    EXPECT_FALSE(requests[0].dataIn);
    EXPECT_EQ(requests[1].cdb, Cdb({0xA1, 0x01}, 12));
    EXPECT_EQ(requests[2].cdb, Cdb({0xA1, 0x02, 0, 0, 0x10, 0}, 12));
    EXPECT_EQ(requests[2].length, 4096u);
    EXPECT_TRUE(requests[2].dataIn);
    EXPECT_EQ(requests[3].cdb, Cdb({0xA1, 0x00, 0, 0, 0x02, 0}, 12));
}

TEST_F(BridgeTest, ASMediaTunnelCdbsCarryTheirParameters)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> buffer(0x1234, 0);
    VC_Bridge_ASM_DataOutCmd(1, buffer.data(), 0x1234, false, 0x81, 2);
    VC_Bridge_ASM_DataInCmd(1, buffer.data(), 4096, true, 0x81, 1);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].cdb, Cdb({0xEA, 0x5A, 0x81, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0x12, 0x34}, 16));
    EXPECT_EQ(requests[0].length, 0x1234u);
    EXPECT_EQ(requests[1].cdb, Cdb({0xEB, 0x5A, 0x81, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x10, 0x00}, 16));
    EXPECT_TRUE(requests[1].dataIn);
}

TEST_F(BridgeTest, TunnelFailuresNameTheTunnelCommand)
{
    SimulatedDrives sim(Drives("fault = scsi A1 fail\n", "fault = scsi EA fail\nfault = scsi EB fail\n"));
    DebugCapture capture;
    uint8_t buffer[512] = {};
    EXPECT_FALSE(VC_Bridge_JM_SetPayloadCmd(0, buffer, 1, true));
    EXPECT_FALSE(VC_Bridge_JM_DataOutCmd(0, buffer, 1, true));
    EXPECT_FALSE(VC_Bridge_JM_DataInCmd(0, buffer, 1, true));
    EXPECT_FALSE(VC_Bridge_ASM_DataOutCmd(1, buffer, 64, true, 0x80, 1));
    EXPECT_FALSE(VC_Bridge_ASM_DataInCmd(1, buffer, 512, true, 0x81, 1));
    std::vector<std::string> tunnelLines;
    for (const std::string &text : capture.Texts()) {
        if (text.rfind("FAILED(", 0) == 0)
            tunnelLines.push_back(text);
    }
    EXPECT_THAT(tunnelLines,
                ElementsAre("FAILED(VC_Bridge_JM_SetPayloadCmd)\r\n", "FAILED(VC_Bridge_JM_DataOutCmd)\r\n",
                            "FAILED(VC_Bridge_JM_DataInCmd)\r\n", "FAILED(VC_Bridge_ASM_DataOutCmd)\r\n",
                            "FAILED(VC_Bridge_ASM_DataInCmd)\r\n"));
}

// ---- NVMe commands through a JMicron bridge --------------------------------

TEST_F(BridgeTest, JMicronGetLogPageWith1024DwordsSendsThePayloadThenReadsEightSectors)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> page(4096, 0);
    ASSERT_EQ(VC_Bridge_GetLogPageCmd(0, page.data(), 0xC6, 1024), VC_RESULT_SUCCESS);
    EXPECT_EQ(page, sim->Drive(0).Config().logC6);

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].cdb, Cdb({0xA1, 0x80, 0, 0, 0x02, 0}, 12));
    EXPECT_FALSE(requests[0].dataIn);
    EXPECT_EQ(requests[0].sent, PayloadFor(0x02, 0, 0x03FF00C6, 0));
    EXPECT_EQ(requests[1].cdb, Cdb({0xA1, 0x82, 0, 0, 0x10, 0}, 12));
    EXPECT_TRUE(requests[1].dataIn);
    EXPECT_EQ(requests[1].length, 4096u);
}

TEST_F(BridgeTest, GetLogPageCdw10HoldsTheZeroBasedDwordCountInBits16To27)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> page(4096, 0);
    ASSERT_EQ(VC_Bridge_GetLogPageCmd(0, page.data(), 0xC7, 128), VC_RESULT_SUCCESS);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command.cdw10, 0x007F00C7u);
    EXPECT_EQ(requests[1].cdb, Cdb({0xA1, 0x82, 0, 0, 0x02, 0}, 12)); // NUMD / 128 = 1 sector
}

TEST_F(BridgeTest, JMicronIdentifyController)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> data(4096, 0);
    ASSERT_EQ(VC_Bridge_IdentifyCmd(0, data.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&data[24]), 11), "Bridged One");
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].sent, PayloadFor(0x06, 0, 1, 0));
    EXPECT_EQ(requests[1].cdb, Cdb({0xA1, 0x82, 0, 0, 0x10, 0}, 12));
}

TEST_F(BridgeTest, IdentifyNamespaceAsksForNamespaceOneOtherCnsLeaveTheFieldsZero)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> data(4096, 0);
    EXPECT_EQ(VC_Bridge_IdentifyCmd(0, data.data(), NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE), VC_RESULT_SUCCESS);
    VC_Bridge_IdentifyCmd(0, data.data(), NVME_IDENTIFY_CNS_ACTIVE_NAMESPACES);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].sent, PayloadFor(0x06, 1, 0, 0));
    EXPECT_EQ(requests[2].sent, PayloadFor(0x06, 0, 0, 0));
}

TEST_F(BridgeTest, JMicronFirmwareImageDownloadCarriesTheCallersBlockUnchanged)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> block = PatternBlock(9);
    const std::vector<uint8_t> original = block;
    ASSERT_EQ(VC_Bridge_FirmwareImageDownloadCmd(0, block.data(), 1024, 0), VC_RESULT_SUCCESS);
    EXPECT_EQ(block, original);

    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    const std::vector<uint8_t> payload = PayloadFor(0x11, 0, 1023, 0);
    EXPECT_EQ(requests[0].sent, payload);
    EXPECT_EQ(payload[8], 0x11);
    EXPECT_EQ(std::vector<uint8_t>(payload.begin() + 48, payload.begin() + 56), Bytes({0xFF, 0x03, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(requests[1].cdb, Cdb({0xA1, 0x83, 0, 0, 0x10, 0}, 12));
    EXPECT_EQ(requests[1].sent, original);
    ASSERT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks[0], original);
}

TEST_F(BridgeTest, DownloadOffsetGoesToCdw11)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> block(512, 0);
    VC_Bridge_FirmwareImageDownloadCmd(0, block.data(), 128, 0x40);
    const auto requests = sim.Requests();
    ASSERT_GE(requests.size(), 1u);
    EXPECT_EQ(requests[0].sent, PayloadFor(0x11, 0, 127, 0x40));
}

TEST_F(BridgeTest, JMicronFailedPayloadStopsBeforeTheDataPhase)
{
    SimulatedDrives sim(Drives("fault = log C6 payload fail error 31\n"));
    DebugCapture capture;
    std::vector<uint8_t> page(4096, 0xEE);
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(0, page.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(page, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_EQ(sim.Requests().size(), 1u);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("LastError(WriteSCSICommandWithTimeOutValue)[1] = 31\r\n", "ScsiCdbPassThrough -2 \r\n",
                            "FAILED(VC_Bridge_JM_SetPayloadCmd)\r\n",
                            "######### - VC_Bridge_GetLogPageCmd fail[0]!\n"));
}

TEST_F(BridgeTest, JMicronFailureLinesOfEachCommandAndPhase)
{
    SimulatedDrives sim(Drives("fault = log C7 data fail\nfault = identify payload fail\n"
                               "fault = identify data fail\nfault = download payload fail times 1\n"
                               "fault = download data status 2\n"));
    DebugCapture capture;
    std::vector<uint8_t> buffer(4096, 0);
    auto lastLine = [&]() { return capture.Texts().back(); };
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(0, buffer.data(), 0xC7, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(lastLine(), "######### - VC_Bridge_GetLogPageCmd fail[1]!\n");
    EXPECT_EQ(VC_Bridge_IdentifyCmd(0, buffer.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_FAIL);
    EXPECT_EQ(lastLine(), "######### - VC_Bridge_IdentifyCmd fail[0]!\n");
    EXPECT_EQ(VC_Bridge_IdentifyCmd(0, buffer.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_FAIL);
    EXPECT_EQ(lastLine(), "######### - VC_Bridge_IdentifyCmd fail[0]!\n");
    EXPECT_EQ(VC_Bridge_FirmwareImageDownloadCmd(0, buffer.data(), 1024, 0), VC_RESULT_FAIL);
    EXPECT_EQ(lastLine(), "######### - VC_Bridge_FirmwareImageDownloadCmd fail[0]!\n");
    capture.Clear();
    EXPECT_EQ(VC_Bridge_FirmwareImageDownloadCmd(0, buffer.data(), 1024, 0), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("SCSI Status Fail = 2\n", "ScsiCdbPassThrough -2 \r\n",
                            "FAILED(VC_Bridge_JM_DataOutCmd)\r\n",
                            "######### - VC_Bridge_FirmwareImageDownloadCmd fail[1]!\n"));
    EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
}

// ---- NVMe commands through an ASMedia bridge -------------------------------

TEST_F(BridgeTest, ASMediaGetLogPageSendsTheBareEntryThenReads4096Bytes)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> page(4096, 0);
    ASSERT_EQ(VC_Bridge_GetLogPageCmd(1, page.data(), 0xC6, 1024), VC_RESULT_SUCCESS);
    EXPECT_EQ(page, sim->Drive(1).Config().logC6);
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, kASMediaPath);
    EXPECT_EQ(requests[0].cdb, Cdb({0xEA, 0x5A, 0x80, 0x00, 0x01, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x40}, 16));
    EXPECT_EQ(requests[0].sent, EntryFor(0x02, 0, 0x03FF00C6));
    EXPECT_EQ(requests[1].cdb, Cdb({0xEB, 0x5A, 0x81, 0x00, 0x01, 0, 0, 0, 0, 0, 0x00, 0x00, 0x10, 0x00}, 16));
    EXPECT_EQ(requests[1].length, 4096u);
}

TEST_F(BridgeTest, ASMediaIdentifyIsADataOutOf64ThenADataInOf4096)
{
    SimulatedDrives sim(Drives());
    std::vector<uint8_t> data(4096, 0);
    ASSERT_EQ(VC_Bridge_IdentifyCmd(1, data.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&data[24]), 11), "Bridged Two");
    const auto requests = sim.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].cdb[2], 0x80);
    EXPECT_EQ(requests[0].length, 64u);
    EXPECT_EQ(requests[0].sent, EntryFor(0x06, 0, 1));
    EXPECT_EQ(requests[1].cdb[2], 0x81);
    EXPECT_EQ(requests[1].length, 4096u);
}

TEST_F(BridgeTest, ASMediaFailureLines)
{
    SimulatedDrives sim(Drives("",
                               "fault = log C6 payload fail times 1\nfault = log C6 data fail times 1\n"
                               "fault = identify data fail\n"));
    DebugCapture capture;
    std::vector<uint8_t> buffer(4096, 0);
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(1, buffer.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(capture.Texts().back(), "######### - VC_Bridge_GetLogPageCmd fail[0]]!\n");
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(1, buffer.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(capture.Texts().back(), "######### - VC_Bridge_GetLogPageCmd fail[1]]!\n");
    capture.Clear();
    EXPECT_EQ(VC_Bridge_IdentifyCmd(1, buffer.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_FAIL);
    EXPECT_EQ(capture.Texts().back(), "FAILED(VC_Bridge_ASM_DataInCmd)\r\n");
}

TEST_F(BridgeTest, ASMediaAndUnknownVendorsSendNoDownloadAndSayItFailed)
{
    SimulatedDrives sim(Drives());
    SetBridgeSlot(2, kJMicronPath, CHIP_VENDOR_UNKNOWN);
    std::vector<uint8_t> block = PatternBlock(1);
    EXPECT_EQ(VC_Bridge_FirmwareImageDownloadCmd(1, block.data(), 1024, 0), VC_RESULT_FAIL);
    EXPECT_EQ(VC_Bridge_FirmwareImageDownloadCmd(2, block.data(), 1024, 0), VC_RESULT_FAIL);
    // An unknown bridge carries nothing, so nothing it "read" is data.
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(2, block.data(), 0xC6, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(VC_Bridge_IdentifyCmd(2, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), VC_RESULT_FAIL);
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_EQ(block, PatternBlock(1));
}

} // namespace
