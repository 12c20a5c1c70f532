// The direct NVMe transport on simulated drives: the storage protocol query
// and the miniport firmware requests as sent, byte for byte, the firmware
// slot rules, result codes and debug lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "DeviceAccess/NVMeDirect.h"
#include "QZUtil/ByteOrder.h"
#include "QZUtil/QZUtil.h"
#include "QzLibTestSupport.h"

using namespace qztest;
using ::testing::ElementsAre;
using Kind = qz::SimDeviceAccess::RequestKind;

namespace {

constexpr char kInterfacePath[] = "/sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1";
constexpr char kPhysicalDrive[] = "\\\\.\\PHYSICALDRIVE3";

std::string Drive(const std::string &extra = "")
{
    return std::string("[drive]\npath = ") + kInterfacePath
        + "\nkind = nvme\nnumber = 3\nmodel = Direct Drive\nserial = SN123\n" + extra;
}

uint32_t At32(const std::vector<uint8_t> &bytes, std::size_t offset)
{
    return qz::GetLE32(&bytes[offset]);
}
uint64_t At64(const std::vector<uint8_t> &bytes, std::size_t offset)
{
    return qz::GetLE64(&bytes[offset]);
}

std::vector<qz::SimDeviceAccess::Record> OfKind(const SimulatedDrives &sim, Kind kind)
{
    std::vector<qz::SimDeviceAccess::Record> out;
    for (const auto &r : sim.sim->Records()) {
        if (r.kind == kind)
            out.push_back(r);
    }
    return out;
}

class DirectNvmeTest : public ::testing::Test
{
protected:
    void TearDown() override { qz::FailAllocationsForTesting(0, 0); }
};

// ---- Identify -----------------------------------------------------------------

TEST_F(DirectNvmeTest, IdentifyQueryRecordFieldsForControllerAndNamespace)
{
    SimulatedDrives sim(Drive());
    std::vector<uint8_t> data(4096, 0);
    ASSERT_TRUE(Windows10NVMeIdentify(kInterfacePath, data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&data[24]), 12), "Direct Drive");
    ASSERT_TRUE(Windows10NVMeIdentify(kInterfacePath, data.data(), NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE));

    const auto queries = OfKind(sim, Kind::StorageQuery);
    ASSERT_EQ(queries.size(), 2u);
    for (const auto &q : queries) {
        ASSERT_EQ(q.sent.size(), 4144u);
        EXPECT_EQ(q.path, kInterfacePath);
        EXPECT_EQ(At32(q.sent, 0), 49u); // PropertyId
        EXPECT_EQ(At32(q.sent, 4), 0u); // QueryType
        EXPECT_EQ(At32(q.sent, 8), 3u); // ProtocolType NVMe
        EXPECT_EQ(At32(q.sent, 12), 1u); // DataType Identify
        EXPECT_EQ(At32(q.sent, 24), 40u); // ProtocolDataOffset
        EXPECT_EQ(At32(q.sent, 28), 4096u); // ProtocolDataLength
        EXPECT_EQ(At32(q.sent, 32), 0u);
        EXPECT_EQ(std::vector<uint8_t>(q.sent.begin() + 36, q.sent.end()), std::vector<uint8_t>(4144 - 36, 0));
    }
    EXPECT_EQ(At32(queries[0].sent, 16), 1u); // CNS 1
    EXPECT_EQ(At32(queries[0].sent, 20), 0u);
    EXPECT_EQ(At32(queries[1].sent, 16), 0u); // CNS 0 ...
    EXPECT_EQ(At32(queries[1].sent, 20), 1u); // ... namespace 1
    EXPECT_EQ(queries[1].command.nsid, 1u);
}

TEST_F(DirectNvmeTest, IdentifyOnADeviceThatCannotBeOpenedLeavesTheBufferAlone)
{
    SimulatedDrives sim(Drive());
    DebugCapture capture;
    std::vector<uint8_t> data(4096, 0xEE);
    EXPECT_FALSE(Windows10NVMeIdentify("/sys/devices/none/nvme9n1", data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    EXPECT_EQ(data, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_THAT(capture.Texts(), ElementsAre("######### - INVALID_HANDLE_VALUE!\n"));
}

TEST_F(DirectNvmeTest, ARefusedIdentifyQueryLeavesTheBufferAlone)
{
    SimulatedDrives sim(Drive("fault = identify fail error 31\n"));
    DebugCapture capture;
    std::vector<uint8_t> data(4096, 0xEE);
    EXPECT_FALSE(Windows10NVMeIdentify(kInterfacePath, data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    EXPECT_EQ(data, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_THAT(capture.Texts(), ElementsAre("Windows10NVMeIdentify() fail = 0x1f\r\n"));
}

// ---- Get Log Page -------------------------------------------------------------

TEST_F(DirectNvmeTest, GetLogReadsThePageAndReportsWhereItsDataStarts)
{
    SimulatedDrives sim(Drive());
    DebugCapture capture;
    std::vector<uint8_t> page(4096, 0);
    Windows10NVMeGetLog(kPhysicalDrive, page.data(), 0xC6);
    EXPECT_EQ(page, sim->Drive(0).Config().logC6);
    EXPECT_THAT(capture.Texts(), ElementsAre("ProtocolDataOffset: 8\n", "ProtocolDataOffset: 40\n"));

    const auto queries = OfKind(sim, Kind::StorageQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].path, kPhysicalDrive);
    EXPECT_EQ(At32(queries[0].sent, 12), 2u); // DataType log page
    EXPECT_EQ(At32(queries[0].sent, 16), 0xC6u); // log identifier
    EXPECT_EQ(At32(queries[0].sent, 20), 0u);
    EXPECT_EQ(At32(queries[0].sent, 28), 4096u);
    EXPECT_EQ(queries[0].command.cdw10, 0x03FF00C6u);
}

TEST_F(DirectNvmeTest, ARefusedLogQueryLeavesTheBufferAlone)
{
    SimulatedDrives sim(Drive("fault = log C6 fail error 1117\n"));
    DebugCapture capture;
    std::vector<uint8_t> page(4096, 0xEE);
    EXPECT_FALSE(Windows10NVMeGetLog(kPhysicalDrive, page.data(), 0xC6));
    EXPECT_EQ(page, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_THAT(capture.Texts(), ElementsAre("Windows10NVMeGetLog() fail = 0x45d\r\n"));
}

TEST_F(DirectNvmeTest, GetLogWithoutDeviceOrMemoryLeavesTheBufferAlone)
{
    SimulatedDrives sim(Drive("fault = open fail error 2 times 1\n"));
    DebugCapture capture;
    std::vector<uint8_t> page(4096, 0xEE);
    Windows10NVMeGetLog(kPhysicalDrive, page.data(), 0xC7);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("######### - INVALID_HANDLE_VALUE!\n", "Windows10NVMeGetLog() fail = 0x2\r\n"));

    capture.Clear();
    qz::FailAllocationsForTesting(0, 1);
    Windows10NVMeGetLog(kPhysicalDrive, page.data(), 0xC7);
    EXPECT_THAT(capture.Texts(), ElementsAre("DeviceNVMeQueryProtocolDataTest: allocate buffer failed, exit.\n"));
    EXPECT_EQ(page, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_TRUE(OfKind(sim, Kind::StorageQuery).empty());
}

// ---- firmware information -----------------------------------------------------

TEST_F(DirectNvmeTest, FirmwareInformationRequestAndItsPrintout)
{
    SimulatedDrives sim(Drive("slots = ro FWSLOT01, rw FWSLOT02\nactive_slot = 2\n"));
    DebugCapture capture;
    std::vector<uint8_t> block(4176, 0);
    ASSERT_TRUE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 4176));
    EXPECT_THAT(capture.Texts(),
                ElementsAre("\t ----Firmware Information----\n", "\t Support upgrade command: Yes\n",
                            "\t Slot Count: 2\n", "\t Current Active Slot: 2\n", "\t Pending Active Slot: No\n\n",
                            "\t\t Slot Number: 1\n", "\t\t Slot Read Only: Yes\n", "\t\t Revision: FWSLOT01\n", "\n",
                            "\t\t Slot Number: 2\n", "\t\t Slot Read Only: No\n", "\t\t Revision: FWSLOT02\n", "\n"));

    const auto requests = OfKind(sim, Kind::FirmwareRequest);
    ASSERT_EQ(requests.size(), 1u);
    const std::vector<uint8_t> &sent = requests[0].sent;
    ASSERT_EQ(sent.size(), 4176u);
    EXPECT_EQ(At32(sent, 0), 28u);
    EXPECT_EQ(std::string(sent.begin() + 4, sent.begin() + 12), "FIRMWARE");
    EXPECT_EQ(At32(sent, 12), 30u);
    EXPECT_EQ(At32(sent, 16), 0x1B0780u);
    EXPECT_EQ(At32(sent, 20), 0u);
    EXPECT_EQ(At32(sent, 24), 4148u);
    EXPECT_EQ(At32(sent, 28), 1u);
    EXPECT_EQ(At32(sent, 32), 24u);
    EXPECT_EQ(At32(sent, 36), 1u); // get information
    EXPECT_EQ(At32(sent, 40), 1u); // controller
    EXPECT_EQ(At32(sent, 44), 56u);
    EXPECT_EQ(At32(sent, 48), 4120u);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 52, sent.end()), std::vector<uint8_t>(4176 - 52, 0));
}

TEST_F(DirectNvmeTest, APendingSlotIsPrintedByNumber)
{
    SimulatedDrives sim(Drive("slots = rw A, ro \x1b]0;\x07\\\npending_slot = 1\nactive_slot = 1\n"));
    DebugCapture capture;
    std::vector<uint8_t> block(4176, 0);
    ASSERT_TRUE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 4176));
    EXPECT_TRUE(capture.Has("\t Pending Active Slot: 1\n\n"));
    EXPECT_TRUE(capture.Has("\t\t Revision: A\n"));
    // A revision holding a terminal escape is printed quoted.
    EXPECT_TRUE(capture.Has("\t\t Revision: \\x1B]0;\\x07\\\\\n"));
}

TEST_F(DirectNvmeTest, TheRequestedLengthFillsTheTwoLengthFields)
{
    SimulatedDrives sim(Drive());
    std::vector<uint8_t> block(1024, 0);
    ASSERT_TRUE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 1024));
    const auto requests = OfKind(sim, Kind::FirmwareRequest);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(At32(requests[0].sent, 24), 1024u - 28);
    EXPECT_EQ(At32(requests[0].sent, 48), 1024u - 56);
}

TEST_F(DirectNvmeTest, FirmwareInformationFailures)
{
    SimulatedDrives sim(Drive("fault = fwinfo fail error 50 times 1\nfault = open fail error 5 after 1 times 1\n"));
    DebugCapture capture;
    std::vector<uint8_t> block(4176, 0);
    EXPECT_FALSE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 4176));
    EXPECT_THAT(capture.Texts(), ElementsAre("\t Get Firmware Information Failed: 0x32\n"));
    capture.Clear();
    EXPECT_FALSE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 4176));
    EXPECT_THAT(capture.Texts(),
                ElementsAre("######### - 2 - INVALID_HANDLE_VALUE!\n", "\t Get Firmware Information Failed: 0x5\n"));
    EXPECT_FALSE(NVMePassThrough_GetFwSlotInfo(kPhysicalDrive, block.data(), 40)); // no room for the header
}

// ---- firmware download --------------------------------------------------------

TEST_F(DirectNvmeTest, DownloadAsksForTheSlotsThenSendsTheBlockAtOffsetZero)
{
    SimulatedDrives sim(Drive());
    std::vector<uint8_t> block = PatternBlock(42);
    const std::vector<uint8_t> original = block;
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_DONE);
    EXPECT_EQ(block, original);

    std::vector<Kind> kinds;
    for (const auto &r : sim->Records())
        kinds.push_back(r.kind);
    EXPECT_THAT(
        kinds,
        ElementsAre(Kind::Open, Kind::FirmwareRequest, Kind::Close, Kind::Open, Kind::FirmwareRequest, Kind::Close));
    const auto requests = OfKind(sim, Kind::FirmwareRequest);
    const std::vector<uint8_t> &sent = requests[1].sent;
    ASSERT_EQ(sent.size(), 4176u);
    EXPECT_EQ(At32(sent, 24), 4148u);
    EXPECT_EQ(At32(sent, 36), 2u); // download
    EXPECT_EQ(At32(sent, 48), 4120u);
    EXPECT_EQ(At32(sent, 56), 1u); // Version
    EXPECT_EQ(At32(sent, 60), 24u); // Size
    EXPECT_EQ(At64(sent, 64), 0u); // Offset
    EXPECT_EQ(At64(sent, 72), 4096u); // BufferSize
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 80, sent.end()), original);
    EXPECT_EQ(requests[1].command.opcode, 0x11);
    EXPECT_EQ(requests[1].command.cdw10, 1023u);
    EXPECT_EQ(requests[1].command.cdw11, 0u);
    ASSERT_EQ(sim->Drive(0).mcuBlocks.size(), 1u);
    EXPECT_EQ(sim->Drive(0).mcuBlocks[0], original);
}

TEST_F(DirectNvmeTest, NoDownloadWithoutUpgradeSupportOrWithOnlyReadOnlySlots)
{
    for (const char *extra : {"upgrade = no\n", "slots = ro A, ro B\n", "slots = ro A\n"}) {
        SimulatedDrives sim(Drive(extra));
        DebugCapture capture;
        std::vector<uint8_t> block(4096, 1);
        EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED)
            << extra;
        EXPECT_EQ(capture.Texts().back(), "\t FirmwareUpgrade - No writable Firmware slot.\n");
        EXPECT_EQ(OfKind(sim, Kind::FirmwareRequest).size(), 1u) << "only the information request";
        EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
    }
}

TEST_F(DirectNvmeTest, AReadOnlyFirstSlotAndAWritableSecondPassTheSlotSearch)
{
    SimulatedDrives sim(Drive("slots = ro A, rw B\n"));
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_DONE);
}

TEST_F(DirectNvmeTest, ADownloadReturnCodeFailsTheDownload)
{
    SimulatedDrives sim(Drive("fault = download returncode 5\n"));
    DebugCapture capture;
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
    EXPECT_EQ(capture.Texts().back(), "\t FirmwareUpgrade - firmware download failed. srbControl->ReturnCode 5.\n");
}

TEST_F(DirectNvmeTest, AnInformationReturnCodeStopsBeforeTheDownload)
{
    SimulatedDrives sim(Drive("fault = fwinfo returncode 3\n"));
    DebugCapture capture;
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
    EXPECT_EQ(capture.Texts().back(), "\t FirmwareUpgrade - get firmware info failed. srbControl->ReturnCode 3.\n");
    EXPECT_EQ(OfKind(sim, Kind::FirmwareRequest).size(), 1u);
}

TEST_F(DirectNvmeTest, DownloadFailureLines)
{
    {
        SimulatedDrives sim(Drive("fault = fwinfo fail error 6\n"));
        DebugCapture capture;
        std::vector<uint8_t> block(4096, 1);
        EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
        EXPECT_THAT(capture.Texts(),
                    ElementsAre("\t Get Firmware Information Failed: 0x6\n",
                                "\t FirmwareUpgrade: Get Firmware Information Failed: 0x6\n"));
    }
    {
        SimulatedDrives sim(Drive("fault = download fail error 1167\n"));
        DebugCapture capture;
        std::vector<uint8_t> block(4096, 1);
        EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
        EXPECT_EQ(capture.Texts().back(), "\t FirmwareUpgrade - IOCTL - firmware download failed. 0x48F.\n");
    }
    {
        SimulatedDrives sim(Drive("fault = open fail error 32 after 1\n"));
        DebugCapture capture;
        std::vector<uint8_t> block(4096, 1);
        EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
        const auto texts = capture.Texts();
        ASSERT_GE(texts.size(), 3u);
        EXPECT_THAT(std::vector<std::string>(texts.end() - 3, texts.end()),
                    ElementsAre("######### - 2 - INVALID_HANDLE_VALUE!\n",
                                "NVMeVendorCmd_By_FirmwareDownload() fail = 0x20\r\n",
                                "\t FirmwareUpgrade - IOCTL - firmware download failed. 0x20.\n"));
    }
    {
        SimulatedDrives sim(Drive());
        DebugCapture capture;
        std::vector<uint8_t> block(4096, 1);
        qz::FailAllocationsForTesting(0, 1);
        EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
        ASSERT_EQ(capture.Texts().size(), 1u);
        EXPECT_EQ(capture.Texts()[0].rfind("\t FirmwareUpgrade - Allocate buffer failed: 0x", 0), 0u);
        EXPECT_TRUE(sim->Records().empty());
    }
}

TEST_F(DirectNvmeTest, ABlockLargerThanTheImageAreaIsRefused)
{
    SimulatedDrives sim(Drive());
    std::vector<uint8_t> big(8192, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, big.data(), 8192), NVME_FW_DOWNLOAD_FAILED);
    EXPECT_EQ(OfKind(sim, Kind::FirmwareRequest).size(), 1u);
}

} // namespace
