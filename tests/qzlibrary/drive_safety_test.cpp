// What keeps a user's drive safe: a data-in phase that brought no data
// fails and leaves the caller's buffer alone, and a block a bridge cannot
// carry is reported as not carried.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "QZlibrary.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Proc/VP_Proc.h"
#include "QzLibTestSupport.h"

using namespace qztest;

namespace {

constexpr char kBridgePath[] = "/sys/devices/usb2/2-1/host6/block/sdb";

class DriveSafetyTest : public CleanTableTest
{ };

std::string Bridge(const std::string &kind, const std::string &more)
{
    return "[drive]\npath = " + std::string(kBridgePath) + "\nkind = " + kind + "\n" + more;
}

TEST_F(DriveSafetyTest, ADataInPhaseWithoutItsDataFailsAndLeavesTheBufferAlone)
{
    enum class Operation { Identify, AnswerLog, McuRead };
    const char *const kinds[] = {"jmicron", "asmedia"};
    const char *const replies[] = {"status 2", "short 100", "short 0"};
    const Operation operations[] = {Operation::Identify, Operation::AnswerLog, Operation::McuRead};
    for (const char *kind : kinds) {
        for (const char *reply : replies) {
            for (Operation operation : operations) {
                const std::string fault = operation == Operation::Identify ? "identify" : "log c7";
                SimulatedDrives sim(Bridge(kind, "fault = " + fault + " " + reply + " data\n"));
                SetBridgeSlot(0, kBridgePath,
                              std::string(kind) == "jmicron" ? CHIP_VENDOR_JMICRON : CHIP_VENDOR_ASMEDIA);
                g_dwQZDeviceCount = 1;
                const std::vector<uint8_t> before = PatternBlock(9);
                std::vector<uint8_t> buffer = before;
                bool ok = true;
                if (operation == Operation::Identify)
                    ok = VP_Identify(0, buffer.data(), NVME_IDENTIFY_CNS_CONTROLLER) != 0;
                else if (operation == Operation::AnswerLog)
                    ok = VC_Bridge_GetLogPageCmd(0, buffer.data(), 0xC7, 1024) == VC_RESULT_SUCCESS;
                else
                    ok = VP_SysIloRgbMcuCmdRead(0, buffer.data()) != 0;
                const std::string what = std::string(kind) + ", " + reply + ", " + fault
                    + (operation == Operation::McuRead ? " in an MCU read" : "");
                EXPECT_FALSE(ok) << what;
                EXPECT_EQ(buffer, before) << what;
            }
        }
    }
}

TEST_F(DriveSafetyTest, AShortDataInPhaseSaysHowMuchCameAndAFullOneSucceeds)
{
    SimulatedDrives sim(Bridge("jmicron", "fault = log c7 short 100 data times 1\nfault = log c6 short 4096 data\n"));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> buffer(4096, 0);
    DebugCapture capture;
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(0, buffer.data(), 0xC7, 1024), VC_RESULT_FAIL);
    EXPECT_TRUE(capture.Has("Short data-in = 100 of 4096\n"));
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(0, buffer.data(), 0xC6, 1024), VC_RESULT_SUCCESS);
}

TEST_F(DriveSafetyTest, ABlockOrPayloadTheBridgeTookOnlyInPartFailsTheExchange)
{
    struct Case
    {
        const char *fault;
        const char *line;
    };
    const Case cases[] = {
        {"download short 2048 data", "Short data-out = 2048 of 4096\n"},
        {"download short 0 data", "Short data-out = 0 of 4096\n"},
        {"download short 100 payload", "Short data-out = 100 of 512\n"},
        {"log c6 short 511 payload", "Short data-out = 511 of 512\n"},
    };
    for (const Case &c : cases) {
        SimulatedDrives sim(Bridge("jmicron", "chip = 0583\nfault = " + std::string(c.fault) + " times 1\n"));
        SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_JMICRON);
        g_dwQZDeviceCount = 1;
        std::vector<uint8_t> block = PatternBlock(4);
        const std::vector<uint8_t> before = block;
        DebugCapture capture;
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0) << c.fault;
        EXPECT_EQ(block, before) << c.fault;
        EXPECT_TRUE(capture.Has(c.line)) << c.fault;
        // No answer is read for a block that did not arrive whole.
        for (const ScsiCall &call : ScsiCalls(sim.Requests()))
            EXPECT_FALSE(call.cdb[1] == 0x80 && call.sent[0] == 0x02 && call.sent[40] == 0xC7) << c.fault;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1) << c.fault << ": the fault has passed";
    }
}

TEST_F(DriveSafetyTest, AnASMediaBridgeDoesNotCarryTheBlockAndSaysSo)
{
    SimulatedDrives sim(Bridge("asmedia", ""));
    SetBridgeSlot(0, kBridgePath, CHIP_VENDOR_ASMEDIA);
    g_dwQZDeviceCount = 1;
    DebugCapture capture;
    std::vector<uint8_t> block = PatternBlock(3);
    const std::vector<uint8_t> before = block;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
    EXPECT_EQ(block, before);
    const std::string line = "######### - MCU block not carried on this bridge (ASMedia, slot 0)\n";
    const std::vector<std::string> texts = capture.Texts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), line), 2);
    // Nothing went out, not even the C6h pre-read, and nothing was opened.
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_TRUE(sim->Drive(0).mcuBlocks.empty());
}

} // namespace

namespace {

constexpr char kNvmePath[] = "/sys/devices/pci0000:00/nvme/nvme0/nvme0n1";

std::string Replaced(unsigned slot, const std::string &path)
{
    return "######### - drive of slot " + std::to_string(slot) + " is gone or was replaced: " + path + "\n";
}

TEST_F(DriveSafetyTest, AWholeExchangeAndAnIdentifyUseOneDescriptor)
{
    const char *const kinds[] = {"jmicron", "nvme"};
    for (const char *kind : kinds) {
        SimulatedDrives sim(std::string(kind) == "nvme"
                                ? "[drive]\npath = " + std::string(kNvmePath) + "\nkind = nvme\nnumber = 0\n"
                                : Bridge(kind, "chip = 0583\n"));
        ASSERT_EQ(VP_PROC_GetQZDevice(), 1u) << kind;
        g_dwQZDeviceCount = 1;
        // Enumeration: one open for the whole probe of the candidate.
        EXPECT_EQ(OpenedPaths(sim->Records()).size(), 1u) << kind;
        std::vector<uint8_t> block = PatternBlock(5);
        const auto opensOf = [&](auto operation) {
            sim->ClearRecords();
            EXPECT_TRUE(operation()) << kind;
            return OpenedPaths(sim->Records()).size();
        };
        EXPECT_EQ(opensOf([&] { return VP_SysIloRgbMcuCmdWrite(0, block.data()) != 0; }), 1u) << kind;
        EXPECT_EQ(opensOf([&] { return VP_SysIloRgbMcuCmdRead(0, block.data()) != 0; }), 1u) << kind;
        EXPECT_EQ(opensOf([&] { return VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER) != 0; }), 1u) << kind;
    }
}

TEST_F(DriveSafetyTest, ASlotWithoutARecordedIdentitySendsNothing)
{
    // A drive that could not be identified at enumeration, or a slot whose
    // path belongs to no drive then: every command is refused.
    for (const bool direct : {false, true}) {
        SimulatedDrives sim(direct ? "[drive]\npath = " + std::string(kNvmePath) + "\nkind = nvme\nnumber = 0\n"
                                   : Bridge("jmicron", "chip = 0583\n"));
        _AP_INSTANCE_DATA &slot = AP_Instance[0];
        std::snprintf(slot.pDevicePath, sizeof slot.pDevicePath, "%s", direct ? kNvmePath : kBridgePath);
        std::snprintf(slot.devPhyFileName, sizeof slot.devPhyFileName, "%s", direct ? "\\\\.\\PHYSICALDRIVE0" : "");
        slot.ucUSBCommandPath = direct ? 0 : 1;
        slot.ucNVMeCommandPath = direct ? 1 : 0;
        slot.ucUSBBridgeVendor = CHIP_VENDOR_JMICRON;
        g_dwQZDeviceCount = 1;
        DebugCapture capture;
        std::vector<uint8_t> block = PatternBlock(7);
        const std::vector<uint8_t> before = block;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << direct;
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0) << direct;
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0) << direct;
        EXPECT_EQ(block, before);
        for (const auto &record : sim.Requests())
            ADD_FAILURE() << direct << ": sent " << qz::SimDeviceAccess::Describe(record);
        EXPECT_TRUE(capture.Has(Replaced(0, slot.pDevicePath))) << direct;
        ClearInstanceTable();
    }
}

TEST_F(DriveSafetyTest, ASlotWhoseDriveWasReplacedOrIsGoneSendsNothing)
{
    struct Case
    {
        const char *kind;
        bool remove; // the drive is gone rather than replaced
    };
    const Case cases[] = {{"jmicron", false}, {"jmicron", true}, {"nvme", false}, {"nvme", true}};
    for (const Case &c : cases) {
        const bool direct = std::string(c.kind) == "nvme";
        const std::string path = direct ? kNvmePath : kBridgePath;
        SimulatedDrives sim(direct ? "[drive]\npath = " + path + "\nkind = nvme\nnumber = 0\n"
                                   : Bridge(c.kind, "chip = 0583\n"));
        ASSERT_EQ(VP_PROC_GetQZDevice(), 1u);
        g_dwQZDeviceCount = 1;
        // Another disk under the same name and path (and number), or none at all.
        if (c.remove) {
            sim->Drive(0).Config().path = "/elsewhere";
            sim->Drive(0).Config().number = 7;
        } else {
            sim->Drive(0).Config().sequence = 42;
        }
        sim->ClearRecords();
        DebugCapture capture;
        std::vector<uint8_t> block = PatternBlock(6);
        const std::vector<uint8_t> before = block;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << c.kind << c.remove;
        EXPECT_EQ(VP_SysIloRgbMcuCmdRead(0, block.data()), 0);
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
        EXPECT_EQ(block, before);
        for (const auto &record : sim.Requests())
            ADD_FAILURE() << c.kind << c.remove << ": sent " << qz::SimDeviceAccess::Describe(record);
        const std::string exchangePath = direct ? "\\\\.\\PHYSICALDRIVE0" : path;
        EXPECT_TRUE(capture.Has(Replaced(0, exchangePath))) << c.kind << c.remove;
        EXPECT_TRUE(capture.Has(Replaced(0, path))) << c.kind << c.remove;
    }
}

} // namespace

namespace {

TEST_F(DriveSafetyTest, OverlappingCallsFromSeveralThreadsRunOneAfterAnother)
{
    // Each thread's read must come back with its own block echoed, while
    // another thread enumerates again and again.
    SimulatedDrives sim(Bridge("jmicron", "chip = 0583\nanswer = echo\n"));
    ASSERT_EQ(QZLib_PROC_GetQZDevice(), 1);
    constexpr int kReaders = 3;
    constexpr int kRounds = 1000;
    int mismatches[kReaders] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kReaders; ++t) {
        threads.emplace_back([t, &mismatches] {
            for (int round = 0; round < kRounds; ++round) {
                const std::vector<uint8_t> sent = PatternBlock(static_cast<uint8_t>(t * 50 + round));
                std::vector<uint8_t> block = sent;
                if (!QZLib_SYS_IloRgbMcuCmdRead(0, block.data()) || block != sent)
                    ++mismatches[t];
            }
        });
    }
    threads.emplace_back([] {
        for (int round = 0; round < kRounds; ++round)
            QZLib_PROC_GetQZDevice();
    });
    for (std::thread &thread : threads)
        thread.join();
    for (int t = 0; t < kReaders; ++t)
        EXPECT_EQ(mismatches[t], 0) << "thread " << t;
}

} // namespace
