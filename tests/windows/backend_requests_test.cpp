// What the Windows backend hands to DeviceIoControl for every request the
// library makes (the 96-, 4144- and 4176-byte records byte for byte, control
// codes, lengths, direction), and how each answer, error and short transfer
// of the platform comes back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "DeviceAccess/NVMeDirect.h"
#include "DeviceAccess/ScsiCommand.h"
#include "QZUtil/QZUtil.h"
#include "QZlibrary.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"
#include "WindowsBackendTest.h"

using namespace qztest;
using ::testing::ElementsAre;

namespace {

constexpr char kPhysicalDrive[] = "\\\\.\\PHYSICALDRIVE3";
const std::string kBridgePath = Lower(kJMicronInterface);
const std::string kNvmePath = Lower(kNvmeInterface);

std::string Drive(const std::string &path, const std::string &kind, const std::string &more = "")
{
    return "[drive]\npath = " + path + "\nkind = " + kind + "\n" + more;
}

const std::string kDirectDrive
    = Drive(kNvmePath, "nvme", "number = 3\nmodel = Lit Drive\nslots = ro FW1, rw FW2\nanswer = invert\n");

void SetDirectSlot(int slot)
{
    std::snprintf(AP_Instance[slot].pDevicePath, sizeof AP_Instance[slot].pDevicePath, "%s", kNvmePath.c_str());
    std::snprintf(AP_Instance[slot].devPhyFileName, sizeof AP_Instance[slot].devPhyFileName, "%s", kPhysicalDrive);
    AP_Instance[slot].ucNVMeCommandPath = 1;
    g_dwQZDeviceCount = slot + 1;
    RecordIdentity(slot);
}

void SetBridge(NVMeBridgeVendorType vendor)
{
    SetBridgeSlot(0, kBridgePath, vendor);
    g_dwQZDeviceCount = 1;
}

class WindowsRequestsTest : public WindowsBackendTest
{ };

// ---- SCSI pass-through ---------------------------------------------------------------------------

TEST_F(WindowsRequestsTest, EveryBridgeCommandIsOnePassThroughRecord)
{
    std::vector<uint8_t> buffer = PatternBlock(3);
    uint8_t byte = 0x5A;
    uint32_t count = 0;
    const uint8_t inquiry[12] = {0x12, 0, 0, 0, 0x28};
    struct Case
    {
        const char *name;
        std::function<void()> send;
        std::vector<uint8_t> cdb;
        bool dataIn;
        uint32_t length;
        enum { Callers, Own, None } dataBuffer; // the caller's, the library's own, none
        std::vector<uint8_t> dataOut;
    };
    const std::vector<uint8_t> block(buffer.begin(), buffer.end());
    const std::vector<uint8_t> sector(buffer.begin(), buffer.begin() + 512);
    const std::vector<uint8_t> entry(buffer.begin(), buffer.begin() + 64);
    const auto cdb12 = [](int b0, int b1, int b4) { return Bytes({b0, b1, 0, 0, b4, 0, 0, 0, 0, 0, 0, 0}); };
    const auto cdb16 = [](int b0, int b2, int b3, int b4, int b12, int b13) {
        return Bytes({b0, 0x5A, b2, b3, b4, 0, 0, 0, 0, 0, 0, 0, b12, b13, 0, 0});
    };
    uint8_t *data = buffer.data();
    const char *path = kBridgePath.c_str();
    // clang-format off
    const Case cases[] = {
        {"INQUIRY", [&] { VC_STD_Inquiry(0, data, 40); }, cdb12(0x12, 0, 0x28), true, 40, Case::Own, {}},
        {"TEST UNIT READY", [&] { VC_STD_TestUnitReady(0, data); }, cdb12(0, 0, 0), false, 0, Case::None, {}},
        {"READ CAPACITY", [&] { VC_STD_ReadCapacity(0, data, 1); }, cdb12(0x25, 0, 0), true, 512, Case::Own, {}},
        {"JMicron payload", [&] { VC_Bridge_JM_SetPayloadCmd(0, data, 1, true); },
         cdb12(0xA1, 0x80, 0x02), false, 512, Case::Callers, sector},
        {"JMicron data out", [&] { VC_Bridge_JM_DataOutCmd(0, data, 8, true); },
         cdb12(0xA1, 0x83, 0x10), false, 4096, Case::Callers, block},
        {"JMicron no data, not admin", [&] { VC_Bridge_JM_DataOutCmd(0, data, 0, false); },
         cdb12(0xA1, 0x01, 0), false, 0, Case::Callers, {}},
        {"JMicron data in, not admin", [&] { VC_Bridge_JM_DataInCmd(0, data, 8, false); },
         cdb12(0xA1, 0x02, 0x10), true, 4096, Case::Own, {}},
        {"ASMedia command", [&] { VC_Bridge_ASM_DataOutCmd(0, data, 64, true, 0x80, 1); },
         cdb16(0xEA, 0x80, 0, 1, 0, 0x40), false, 64, Case::Callers, entry},
        {"ASMedia data in, not admin", [&] { VC_Bridge_ASM_DataInCmd(0, data, 4096, false, 0x81, 2); },
         cdb16(0xEB, 0x81, 1, 2, 0x10, 0), true, 4096, Case::Own, {}},
        {"one byte in travels as two", [&] { ReadSCSICommandWithTimeOutValue(path, inquiry, 12, &byte, 1, &count, 10); },
         cdb12(0x12, 0, 0x28), true, 2, Case::Own, {}},
        {"one byte out travels with a zero", [&] { WriteSCSICommandWithTimeOutValue(path, inquiry, 12, &byte, 1, &count, 10); },
         cdb12(0x12, 0, 0x28), false, 2, Case::Own, Bytes({0x5A, 0})},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(Drive(kBridgePath, "jmicron"));
        SetBridge(CHIP_VENDOR_JMICRON);
        ForgetCalls();
        std::memcpy(data, block.data(), block.size());
        byte = 0x5A;
        c.send();
        ASSERT_EQ(fake->ioCalls.size(), 1u);
        const auto &call = fake->ioCalls[0];
        EXPECT_EQ(call.code, kPassThrough);
        EXPECT_EQ(call.path, kBridgePath);
        EXPECT_TRUE(call.inIsOut);
        EXPECT_EQ(call.inSize, 96u);
        EXPECT_EQ(call.outSize, 96u);
        const void *data = c.dataBuffer == Case::Callers ? buffer.data()
            : c.dataBuffer == Case::Own                  ? call.dataBuffer
                                                         : nullptr;
        EXPECT_EQ(data == nullptr, c.dataBuffer == Case::None);
        EXPECT_EQ(call.in, PassThroughRecord(c.cdb, c.dataIn, c.length, data));
        EXPECT_EQ(call.dataOut, c.dataOut);
        EXPECT_EQ(fake->opens.size(), 1u);
    }
}

TEST_F(WindowsRequestsTest, PassThroughAnswersAndErrors)
{
    using Answer = FakeWindowsSystem::Answer;
    const auto exact = DataInLength::Exact;
    const auto upTo = DataInLength::UpTo;
    struct Case
    {
        const char *name;
        bool dataIn;
        DataInLength rule;
        Answer answer;
        DWORD openError;
        bool ok;
        uint32_t transferred;
        uint32_t keptFrom; // the caller's bytes from here on are untouched
        std::vector<std::string> lines;
    };
    const std::string path = kBridgePath;
    const std::string denied = "######### - Permission denied (error 5): ";
    // clang-format off
    const Case cases[] = {
        {"carried out", true, exact, {true, TRUE, 0, 0, 40}, 0, true, 40, 40, {}},
        {"a whole write", false, upTo, {true, TRUE, 0, 0, 40}, 0, true, 40, 0, {}},
        {"a write the device took in part fails", false, upTo, {true, TRUE, 0, 0, 24}, 0, false, 24, 0,
         {"Short data-out = 24 of 40\n"}},
        {"a short read is taken as far as it goes", true, upTo, {true, TRUE, 0, 0, 24}, 0, true, 24, 24, {}},
        {"a short tunnel read fails", true, exact, {true, TRUE, 0, 0, 24}, 0, false, 24, 0,
         {"Short data-in = 24 of 40\n"}},
        {"a tunnel read without data fails", true, exact, {true, TRUE, 0, 0, 0}, 0, false, 0, 0,
         {"Short data-in = 0 of 40\n"}},
        {"a read with CHECK CONDITION", true, upTo, {true, TRUE, 0, 2, 40}, 0, false, 40, 0, {"SCSI Status Fail = 2\n"}},
        {"a write the drive refuses, with its sense data", false, upTo, {true, TRUE, 0, 2, 40}, 0, false, 40, 0,
         {"SCSI Status Fail = 2\n", "Sense key = 5, ASC = 20, ASCQ = 00\n"}},
        {"refused by the platform, reading", true, exact, {false, FALSE, ERROR_IO_DEVICE, -1, -1}, 0, false, 0, 0,
         {"LastError(ReadSCSICommandWithTimeOutValue)[1] = 1117\r\n"}},
        {"refused by the platform, writing", false, upTo, {false, FALSE, ERROR_SEM_TIMEOUT, -1, -1}, 0, false, 0, 0,
         {"LastError(WriteSCSICommandWithTimeOutValue)[1] = 121\r\n"}},
        {"carried out but an error left behind", true, exact, {true, TRUE, ERROR_INVALID_PARAMETER, 0, 40}, 0, false,
         40, 0, {"LastError(ReadSCSICommandWithTimeOutValue)[1] = 87\r\n"}},
        {"the platform denies the request", false, upTo, {false, FALSE, ERROR_ACCESS_DENIED, -1, -1}, 0, false, 0, 0,
         {"LastError(WriteSCSICommandWithTimeOutValue)[1] = 5\r\n", denied + "SCSI pass-through to " + path + "\n"}},
        {"the device cannot be opened", true, exact, {}, ERROR_FILE_NOT_FOUND, false, 0, 0,
         {"ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = " + path + "\r\n"}},
        {"the device may not be opened", false, upTo, {}, ERROR_ACCESS_DENIED, false, 0, 0,
         {"WriteSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = " + path + "\r\n", denied + "open " + path + "\n"}},
    };
    // clang-format on
    const uint8_t cdb[12] = {0x12, 0, 0, 0, 0x28};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(Drive(path, "jmicron"));
        if (c.openError != 0)
            fake->openErrors[path] = c.openError;
        else
            fake->answers[0] = c.answer;
        std::vector<uint8_t> buffer(40, 0xEE);
        uint32_t transferred = 0;
        DebugCapture capture;
        const bool ok = c.dataIn
            ? ReadSCSICommandWithTimeOutValue(path.c_str(), cdb, 12, buffer.data(), 40, &transferred, 10, c.rule)
            : WriteSCSICommandWithTimeOutValue(path.c_str(), cdb, 12, buffer.data(), 40, &transferred, 10);
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(capture.Texts(), c.lines);
        EXPECT_EQ(transferred, c.transferred);
        if (c.answer.error != 0) {
            EXPECT_EQ(fake->GetLastError(), c.answer.error) << "closing the device keeps the platform's error";
        }
        EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + c.keptFrom, buffer.end()),
                  std::vector<uint8_t>(40 - c.keptFrom, 0xEE));
        if (c.keptFrom > 0) {
            EXPECT_EQ(std::string(buffer.begin() + 8, buffer.begin() + 15), "JMicron") << "the drive's data arrived";
        }
    }
}

TEST_F(WindowsRequestsTest, SenseDataIsAskedForAndSaysWhatTheCheckConditionWas)
{
    // As on Linux: a UNIT ATTENTION after a reset and a bridge's refusal
    // read differently, and the last error says the device reported it.
    struct Case
    {
        const char *name;
        std::vector<uint8_t> sense;
        const char *line; // nullptr: none
    };
    const Case cases[] = {
        {"fixed format", Bytes({0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00}),
         "Sense key = 6, ASC = 29, ASCQ = 00\n"},
        {"descriptor format", Bytes({0x72, 0x05, 0x20, 0x01}), "Sense key = 5, ASC = 20, ASCQ = 01\n"},
        {"no sense data", {}, nullptr},
    };
    const uint8_t cdb[12] = {0x5F};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(Drive(kBridgePath, "jmicron"));
        FakeWindowsSystem::Answer answer;
        answer.result = TRUE;
        answer.scsiStatus = 2;
        answer.transferLength = 0;
        answer.sense = c.sense;
        fake->answers[0] = answer;
        std::vector<uint8_t> buffer(40, 0);
        uint32_t transferred = 0;
        DebugCapture capture;
        EXPECT_FALSE(
            WriteSCSICommandWithTimeOutValue(kBridgePath.c_str(), cdb, 12, buffer.data(), 40, &transferred, 10));
        EXPECT_EQ(QZ_GetLastError(), DWORD {ERROR_IO_DEVICE});
        std::vector<std::string> lines = {"SCSI Status Fail = 2\n"};
        if (c.line != nullptr)
            lines.push_back(c.line);
        EXPECT_EQ(capture.Texts(), lines);
    }
}

// ---- the platform's NVMe services ------------------------------------------------------------------

TEST_F(WindowsRequestsTest, ProtocolQueriesAreWhole4144ByteRecords)
{
    struct Case
    {
        const char *name;
        std::function<bool(uint8_t *)> send;
        std::vector<uint8_t> record;
    };
    const Case cases[] = {
        {"Identify Controller",
         [](uint8_t *b) { return Windows10NVMeIdentify(kNvmePath.c_str(), b, NVME_IDENTIFY_CNS_CONTROLLER); },
         ProtocolQueryRecord(1, 1, 0)},
        {"Identify Namespace 1",
         [](uint8_t *b) { return Windows10NVMeIdentify(kNvmePath.c_str(), b, NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE); },
         ProtocolQueryRecord(1, 0, 1)},
        {"log page C6h", [](uint8_t *b) { return Windows10NVMeGetLog(kPhysicalDrive, b, 0xC6); },
         ProtocolQueryRecord(2, 0xC6, 0)},
        {"log page C7h", [](uint8_t *b) { return Windows10NVMeGetLog(kPhysicalDrive, b, 0xC7); },
         ProtocolQueryRecord(2, 0xC7, 0)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(kDirectDrive);
        std::vector<uint8_t> buffer(4096, 0xEE);
        EXPECT_TRUE(c.send(buffer.data()));
        ASSERT_EQ(fake->ioCalls.size(), 1u);
        const auto &call = fake->ioCalls[0];
        EXPECT_EQ(call.code, kQueryProperty);
        EXPECT_TRUE(call.inIsOut);
        EXPECT_EQ(call.inSize, 4144u);
        EXPECT_EQ(call.outSize, 4144u);
        EXPECT_EQ(call.in, c.record);
        EXPECT_NE(buffer, std::vector<uint8_t>(4096, 0xEE)) << "the data area reached the caller";
    }
    // The data area is what the drive answered: the model number of Identify Controller.
    Use(kDirectDrive);
    std::vector<uint8_t> identify(4096, 0);
    ASSERT_TRUE(Windows10NVMeIdentify(kNvmePath.c_str(), identify.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    EXPECT_EQ(std::string(identify.begin() + 24, identify.begin() + 33), "Lit Drive");
}

TEST_F(WindowsRequestsTest, TheBlockTravelsInTwo4176ByteFirmwareRequests)
{
    Use(kDirectDrive);
    std::vector<uint8_t> block = PatternBlock(9);
    DebugCapture capture;
    ASSERT_EQ(NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, block.data(), 4096), NVME_FW_DOWNLOAD_DONE);
    ASSERT_EQ(fake->ioCalls.size(), 2u);
    const std::vector<uint8_t> expected[] = {FirmwareRecord(1), FirmwareRecord(2, block)};
    for (int i = 0; i < 2; ++i) {
        const auto &call = fake->ioCalls[i];
        EXPECT_EQ(call.code, kMiniport);
        EXPECT_EQ(call.path, kPhysicalDrive);
        EXPECT_TRUE(call.inIsOut);
        EXPECT_EQ(call.inSize, 4176u);
        EXPECT_EQ(call.outSize, 4176u);
        EXPECT_EQ(call.in, expected[i]) << "request " << i;
    }
    EXPECT_TRUE(capture.Has("\t\t Revision: FW2\n")); // the slot list came back
}

TEST_F(WindowsRequestsTest, NvmeServiceErrors)
{
    struct Case
    {
        const char *name;
        std::function<bool(uint8_t *)> send;
        std::map<size_t, FakeWindowsSystem::Answer> answers;
        DWORD openError;
        std::vector<std::string> lines;
    };
    const FakeWindowsSystem::Answer genFailure {false, FALSE, ERROR_GEN_FAILURE, -1, -1};
    const FakeWindowsSystem::Answer denied {false, FALSE, ERROR_ACCESS_DENIED, -1, -1};
    auto identify
        = [](uint8_t *b) { return Windows10NVMeIdentify(kNvmePath.c_str(), b, NVME_IDENTIFY_CNS_CONTROLLER); };
    auto log = [](uint8_t *b) { return Windows10NVMeGetLog(kPhysicalDrive, b, 0xC6); };
    auto download = [](uint8_t *b) {
        return NVMeVendorCmd_By_FirmwareDownload(kPhysicalDrive, b, 4096) == NVME_FW_DOWNLOAD_DONE;
    };
    const Case cases[] = {
        {"Identify refused", identify, {{0, genFailure}}, 0, {"Windows10NVMeIdentify() fail = 0x1f\r\n"}},
        {"Identify denied",
         identify,
         {{0, denied}},
         0,
         {"Windows10NVMeIdentify() fail = 0x5\r\n",
          "######### - Permission denied (error 5): NVMe admin command to " + kNvmePath + "\n"}},
        {"Identify without the device", identify, {}, ERROR_FILE_NOT_FOUND, {"######### - INVALID_HANDLE_VALUE!\n"}},
        {"log page refused", log, {{0, genFailure}}, 0, {"Windows10NVMeGetLog() fail = 0x1f\r\n"}},
        {"firmware information refused",
         download,
         {{0, genFailure}},
         0,
         {"\t Get Firmware Information Failed: 0x1F\n", "\t FirmwareUpgrade: Get Firmware Information Failed: 0x1F\n"}},
        {"download refused",
         download,
         {{1, {false, FALSE, ERROR_IO_DEVICE, -1, -1}}},
         0,
         {"\t FirmwareUpgrade - IOCTL - firmware download failed. 0x45D.\n"}},
        {"download without the device",
         download,
         {},
         ERROR_FILE_NOT_FOUND,
         {"######### - 2 - INVALID_HANDLE_VALUE!\n", "\t Get Firmware Information Failed: 0x2\n",
          "\t FirmwareUpgrade: Get Firmware Information Failed: 0x2\n"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Use(kDirectDrive);
        fake->answers = c.answers;
        if (c.openError != 0) {
            fake->openErrors[kNvmePath] = c.openError;
            fake->openErrors[kPhysicalDrive] = c.openError;
        }
        std::vector<uint8_t> buffer(4096, 0xEE);
        DebugCapture capture;
        EXPECT_FALSE(c.send(buffer.data()));
        for (const std::string &line : c.lines)
            EXPECT_TRUE(capture.Has(line)) << line;
        EXPECT_EQ(buffer, std::vector<uint8_t>(4096, 0xEE)) << "a failure leaves the caller's buffer alone";
    }
}

// ---- the exports, end to end --------------------------------------------------------------------

// Whether a request asks what identifies the disk (its descriptor or number).
bool AsksIdentity(const FakeWindowsSystem::IoCall &call)
{
    return call.code == kDeviceNumber || (call.code == kQueryProperty && call.inSize == 12);
}

// The control code of each request, with the first CDB byte and mode of a
// pass-through; the identity checks of the opens left out.
std::vector<std::string> Requests(const FakeWindowsSystem &fake)
{
    std::vector<std::string> out;
    for (const auto &call : fake.ioCalls) {
        if (AsksIdentity(call))
            continue;
        char text[32];
        if (call.code == kPassThrough)
            std::snprintf(text, sizeof text, "%02X %02X", call.in[36], call.in[37]);
        else
            std::snprintf(text, sizeof text, "%s", call.code == kMiniport ? "firmware" : "query");
        out.push_back(text);
    }
    return out;
}

TEST_F(WindowsRequestsTest, TheExportsReachTheDriveThroughTheRightRequests)
{
    using Answer = FakeWindowsSystem::Answer;
    struct Case
    {
        const char *name;
        std::string drive;
        std::function<void()> slot;
        bool (*call)(unsigned char, unsigned char *);
        std::vector<std::string> requests;
        std::map<size_t, Answer> answers;
        bool ok;
        std::string line; // a line the call prints
    };
    const std::string jmicron = Drive(kBridgePath, "jmicron", "answer = invert\n");
    const std::string asmedia = Drive(kBridgePath, "asmedia");
    auto direct = [] { SetDirectSlot(0); };
    auto jmicronChip = [] { SetBridge(CHIP_VENDOR_JMICRON); };
    auto asmediaChip = [] { SetBridge(CHIP_VENDOR_ASMEDIA); };
    const auto identify = QZLib_Identify;
    const auto write = QZLib_SYS_IloRgbMcuCmdWrite;
    const auto read = QZLib_SYS_IloRgbMcuCmdRead;
    const std::vector<std::string> jmRead = {"A1 80", "A1 82", "A1 80", "A1 83", "A1 80", "A1 82"};
    const Answer shortAnswer {true, TRUE, 0, 0, 512};
    // clang-format off
    const Case cases[] = {
        {"Identify, direct", kDirectDrive, direct, identify, {"query"}, {}, true, ""},
        {"Identify, JMicron", jmicron, jmicronChip, identify, {"A1 80", "A1 82"}, {}, true, ""},
        {"Identify, ASMedia", asmedia, asmediaChip, identify, {"EA 5A", "EB 5A"}, {}, true, ""},
        {"write, direct", kDirectDrive, direct, write, {"query", "firmware", "firmware"}, {}, true, ""},
        {"read, direct", kDirectDrive, direct, read, {"query", "firmware", "firmware", "query"}, {}, true, ""},
        {"write, JMicron", jmicron, jmicronChip, write, {"A1 80", "A1 82", "A1 80", "A1 83"}, {}, true, ""},
        {"read, JMicron", jmicron, jmicronChip, read, jmRead, {}, true, ""},
        {"read, JMicron, a short answer", jmicron, jmicronChip, read, jmRead, {{7, shortAnswer}}, false,
         "Short data-in = 512 of 4096\n"},
        {"read, JMicron, the answer with CHECK CONDITION", jmicron, jmicronChip, read, jmRead, {{7, {true, TRUE, 0, 2, 0}}},
         false, "SCSI Status Fail = 2\n"},
        {"Identify, JMicron, a short answer", jmicron, jmicronChip, identify, {"A1 80", "A1 82"}, {{3, shortAnswer}}, false,
         "Short data-in = 512 of 4096\n"},
        {"write, ASMedia: the block is not carried, nothing is sent", asmedia, asmediaChip, write, {}, {}, false,
         "######### - MCU block not carried on this bridge (ASMedia, slot 0)\n"},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ClearInstanceTable();
        Use(c.drive);
        c.slot();
        ForgetCalls();
        fake->answers = c.answers; // counting the open's two identity requests
        std::vector<uint8_t> block = PatternBlock(5);
        const std::vector<uint8_t> sent = block;
        DebugCapture capture;
        EXPECT_EQ(c.call(0, block.data()), c.ok);
        EXPECT_EQ(Requests(*fake), c.requests);
        std::map<std::string, int> opens; // one open of each path for the whole operation
        for (const auto &open : fake->opens)
            EXPECT_EQ(++opens[open.path], 1) << open.path;
        EXPECT_EQ(opens.empty(), c.requests.empty());
        if (!c.line.empty()) {
            EXPECT_TRUE(capture.Has(c.line)) << c.line;
        }
        if (!c.ok || c.call == write) {
            EXPECT_EQ(block, sent) << "the caller's block stays as it was";
        } else if (c.call == read) {
            std::vector<uint8_t> inverted = sent;
            for (uint8_t &b : inverted)
                b = static_cast<uint8_t>(~b);
            EXPECT_EQ(block, inverted) << "the answer replaces the request";
        }
        if (c.ok && c.call == write) {
            const auto &last = fake->ioCalls.back();
            if (last.code == kMiniport) {
                EXPECT_EQ(last.in, FirmwareRecord(2, sent));
            } else {
                EXPECT_EQ(last.dataOut, sent);
            }
        }
    }
}

TEST_F(WindowsRequestsTest, ASlotReachesOnlyTheDriveListedIntoIt)
{
    // The storage stack's descriptor (vendor, product, serial number, bus)
    // and the disk number, taken when the slot was filled, must describe
    // what every open reaches; otherwise nothing is sent.
    struct Case
    {
        const char *name;
        std::string drive;
        std::function<void()> slot;
        std::function<void(FakeWindowsSystem &)> change;
        bool (*call)(unsigned char, unsigned char *);
        std::string path; // named in the refusal
    };
    const std::string jmicron = Drive(kBridgePath, "jmicron");
    auto bridge = [] { SetBridge(CHIP_VENDOR_JMICRON); };
    auto direct = [] { SetDirectSlot(0); };
    const auto identify = QZLib_Identify;
    const auto write = QZLib_SYS_IloRgbMcuCmdWrite;
    const std::string physical = kPhysicalDrive;
    const Case cases[] = {
        {"another drive at the bridge's path", jmicron, bridge,
         [](FakeWindowsSystem &f) { f.serialNumbers[kBridgePath] = "S2"; }, identify, kBridgePath},
        {"a descriptor that cannot be read now", jmicron, bridge,
         [](FakeWindowsSystem &f) { f.descriptorError = ERROR_GEN_FAILURE; }, identify, kBridgePath},
        {"another drive behind the physical drive", kDirectDrive, direct,
         [&](FakeWindowsSystem &f) { f.serialNumbers[physical] = "S2"; }, write, physical},
        {"another drive at the direct drive's interface path", kDirectDrive, direct,
         [](FakeWindowsSystem &f) { f.serialNumbers[kNvmePath] = "S2"; }, write, physical},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ClearInstanceTable();
        Use(c.drive);
        c.slot();
        std::vector<uint8_t> block = PatternBlock(5);
        EXPECT_TRUE(c.call(0, block.data()));
        c.change(*fake);
        ForgetCalls();
        DebugCapture capture;
        EXPECT_FALSE(c.call(0, block.data()));
        EXPECT_TRUE(Requests(*fake).empty()) << "nothing reaches the other drive";
        EXPECT_TRUE(capture.Has("######### - drive of slot 0 is gone or was replaced: " + c.path + "\n"));
    }
    // A slot whose descriptor could not be read when it was filled is refused too.
    ClearInstanceTable();
    Use(jmicron);
    fake->descriptorError = ERROR_GEN_FAILURE;
    SetBridge(CHIP_VENDOR_JMICRON);
    fake->descriptorError = 0;
    // The descriptor is asked with a 12-byte standard query for the device property.
    const auto query = fake->CallsWith(kQueryProperty);
    ASSERT_EQ(query.size(), 1u);
    EXPECT_EQ(query[0].in, std::vector<uint8_t>(12, 0));
    EXPECT_EQ(query[0].outSize, 1024u);
    ForgetCalls();
    std::vector<uint8_t> block(4096, 0);
    EXPECT_FALSE(QZLib_Identify(0, block.data()));
    EXPECT_TRUE(Requests(*fake).empty());
}

} // namespace
