// The library frame: version, initialization and its work buffers, the
// exports' instance check, the load hook and the debug channel.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "Main/QZLibMain.h"
#include "QZUtil/QZUtil.h"
#include "QZlibrary.h"
#include "QzLibTestSupport.h"

using namespace qztest;
using ::testing::ElementsAre;

namespace {

// Leaves the library uninitialized and the table empty around each test.
class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override { Reset(); }
    void TearDown() override
    {
        Reset();
        qz::FailAllocationsForTesting(0, 0);
    }
    static void Reset()
    {
        qz::dbg::SetCapture([](void *, const char *, std::size_t) {}, nullptr);
        if (g_SetupDeviceInfo)
            QZLib_UnInitialize();
        qz::dbg::SetCapture(nullptr, nullptr);
        ClearInstanceTable();
    }
};

// ---- version ---------------------------------------------------------------

TEST_F(FrameTest, VersionIsTheSameTextBeforeDuringAndAfterInitialization)
{
    const char *before = QZLib_GetDllVersion();
    EXPECT_STREQ(before, "0.00.001");
    ASSERT_TRUE(QZLib_Initialize());
    EXPECT_EQ(QZLib_GetDllVersion(), before);
    QZLib_PROC_GetQZDevice();
    ASSERT_TRUE(QZLib_UnInitialize());
    EXPECT_STREQ(before, "0.00.001");
}

// ---- initialization ------------------------------------------------------

TEST_F(FrameTest, InitializeTwiceSucceedsAndSaysSoTheSecondTime)
{
    DebugCapture capture;
    EXPECT_TRUE(QZLib_Initialize());
    EXPECT_TRUE(QZLib_Initialize());
    EXPECT_THAT(capture.Texts(), ElementsAre("QZ library initialized\n", "QZ library already initialized\n"));
}

TEST_F(FrameTest, UnInitializeNeedsAPrecedingInitialize)
{
    DebugCapture capture;
    EXPECT_FALSE(QZLib_UnInitialize());
    ASSERT_EQ(capture.Texts().size(), 1u);
    EXPECT_TRUE(
        std::regex_match(capture.Texts()[0], std::regex("[0-9]+@QZLib_UnInitialize::QZ library is not initialized!\n")))
        << capture.Texts()[0];

    capture.Clear();
    EXPECT_TRUE(QZLib_Initialize());
    EXPECT_TRUE(QZLib_UnInitialize());
    EXPECT_FALSE(QZLib_UnInitialize());
    const auto texts = capture.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "QZ library initialized\n");
    EXPECT_EQ(texts[1], "QZ library uninitialized\n");
    EXPECT_NE(texts[2].find("@QZLib_UnInitialize::QZ library is not initialized!\n"), std::string::npos);
}

TEST_F(FrameTest, InitializeGivesEverySlotItsZeroFilledBuffersInOrder)
{
    ASSERT_TRUE(QZLib_Initialize());
    std::set<const void *> starts;
    for (int slot = 0; slot < QZ_MAX_INSTANCE; ++slot) {
        const _AP_INSTANCE_DATA &d = AP_Instance[slot];
        ASSERT_NE(d.pEarlyTableBuf, nullptr) << slot;
        // Each buffer follows the previous one with exactly its size.
        EXPECT_EQ(d.pDefectTableBuf - d.pEarlyTableBuf, 262144);
        EXPECT_EQ(d.pEraseCountBuf - d.pDefectTableBuf, 262144);
        EXPECT_EQ(d.pSmartInfoBuf - d.pEraseCountBuf, 262144);
        EXPECT_EQ(reinterpret_cast<uint8_t *>(g_szErrStr[slot][0]) - d.pSmartInfoBuf, 512);
        for (int i = 0; i < QZ_ERR_STR_COUNT; ++i) {
            ASSERT_NE(g_szErrStr[slot][i], nullptr);
            EXPECT_EQ(g_szErrStrDefect[slot][i] - g_szErrStr[slot][i], 2048);
        }
        EXPECT_EQ(d.pTableBuf - reinterpret_cast<uint8_t *>(g_szErrStrDefect[slot][94]), 2048);
        EXPECT_EQ(d.pRatioBuf - d.pTableBuf, 1425408);
        EXPECT_EQ(d.pVirtInfoBuf - d.pRatioBuf, 512);
        EXPECT_EQ(d.pVirtInfoBuf[0], 0);
        EXPECT_EQ(d.pVirtInfoBuf[2047], 0);
        EXPECT_EQ(d.pEarlyTableBuf[0], 0);
        starts.insert(d.pEarlyTableBuf);
    }
    EXPECT_EQ(starts.size(), 128u);
    // The buffers can be written to their last byte.
    AP_Instance[127].pVirtInfoBuf[2047] = 0x5A;
    g_szErrStrDefect[127][94][2047] = 'x';

    ASSERT_TRUE(QZLib_UnInitialize());
    for (int slot = 0; slot < QZ_MAX_INSTANCE; ++slot) {
        EXPECT_EQ(AP_Instance[slot].pEarlyTableBuf, nullptr);
        EXPECT_EQ(AP_Instance[slot].pVirtInfoBuf, nullptr);
        EXPECT_EQ(g_szErrStr[slot][0], nullptr);
        EXPECT_EQ(g_szErrStrDefect[slot][94], nullptr);
    }
}

TEST_F(FrameTest, ABlockThatCannotBeTakenLeavesItsSlotEmptyAndInitializeStillSucceeds)
{
    qz::FailAllocationsForTesting(5, 1);
    DebugCapture capture;
    EXPECT_TRUE(QZLib_Initialize());
    EXPECT_EQ(AP_Instance[5].pEarlyTableBuf, nullptr);
    EXPECT_EQ(AP_Instance[5].pTableBuf, nullptr);
    EXPECT_EQ(g_szErrStr[5][0], nullptr);
    EXPECT_NE(AP_Instance[4].pEarlyTableBuf, nullptr);
    EXPECT_NE(AP_Instance[6].pEarlyTableBuf, nullptr);
    EXPECT_TRUE(QZLib_UnInitialize());
    EXPECT_THAT(capture.Texts(), ElementsAre("QZ library initialized\n", "QZ library uninitialized\n"));
}

TEST_F(FrameTest, InitializationKeepsTheDriveEntriesOfTheTable)
{
    SetBridgeSlot(3, "/sys/devices/usb1/block/sdc", CHIP_VENDOR_JMICRON);
    ASSERT_TRUE(QZLib_Initialize());
    ASSERT_TRUE(QZLib_UnInitialize());
    EXPECT_STREQ(AP_Instance[3].pDevicePath, "/sys/devices/usb1/block/sdc");
    EXPECT_EQ(AP_Instance[3].ucUSBCommandPath, 1);
    EXPECT_EQ(AP_Instance[3].ucUSBBridgeVendor, CHIP_VENDOR_JMICRON);
}

#if defined(__linux__)
long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

TEST_F(FrameTest, TheWorkBuffersCostNoMemoryUntilWritten)
{
    const long before = ResidentKiB();
    ASSERT_TRUE(QZLib_Initialize());
    const long after = ResidentKiB();
    ASSERT_GT(before, 0);
    EXPECT_LE(after - before, 8 * 1024) << "resident memory grew by " << (after - before) << " KiB";
}
#endif

// ---- the per-drive exports' instance check --------------------------------

TEST_F(FrameTest, WithoutDrivesEnumerationCountsNothingAndRequestsTouchNoDevice)
{
    // The drive is there, but the platform lists no disk.
    SimulatedDrives sim(
        "[simulation]\nlist = fail\n[drive]\npath = /sys/devices/pci0000:00/nvme/nvme0/nvme0n1\nkind = nvme\n");
    // A slot that names a reachable drive, but no enumeration counted it.
    std::snprintf(AP_Instance[0].pDevicePath, sizeof AP_Instance[0].pDevicePath, "%s",
                  "/sys/devices/pci0000:00/nvme/nvme0/nvme0n1");
    AP_Instance[0].ucNVMeCommandPath = 1;
    std::snprintf(AP_Instance[0].devPhyFileName, sizeof AP_Instance[0].devPhyFileName, "\\\\.\\PHYSICALDRIVE0");
    std::vector<uint8_t> buffer(4096, 0xEE);

    EXPECT_EQ(QZLib_PROC_GetQZDevice(), 0);
    ASSERT_EQ(sim->Records().size(), 1u);
    EXPECT_EQ(sim->Records()[0].kind, qz::SimDeviceAccess::RequestKind::List);
    sim->ClearRecords();
    EXPECT_FALSE(QZLib_Identify(0, buffer.data()));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdWrite(0, buffer.data()));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdRead(0, buffer.data()));
    EXPECT_TRUE(sim->Records().empty());
    EXPECT_EQ(buffer, std::vector<uint8_t>(4096, 0xEE));
}

TEST_F(FrameTest, InstanceNumbersAtOrAboveTheCountAndMissingBuffersAreRefused)
{
    SimulatedDrives sim("[drive]\npath = /sys/devices/usb1/block/sdb\nkind = jmicron\n");
    for (int slot = 0; slot < 3; ++slot)
        SetBridgeSlot(slot, "/sys/devices/usb1/block/sdb", CHIP_VENDOR_JMICRON);
    g_dwQZDeviceCount = 2;
    std::vector<uint8_t> buffer(4096, 0);

    EXPECT_FALSE(QZLib_Identify(2, buffer.data()));
    EXPECT_FALSE(QZLib_Identify(200, buffer.data()));
    EXPECT_FALSE(QZLib_Identify(255, buffer.data()));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdWrite(2, buffer.data()));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdRead(128, buffer.data()));
    EXPECT_FALSE(QZLib_Identify(0, nullptr));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdWrite(1, nullptr));
    EXPECT_FALSE(QZLib_SYS_IloRgbMcuCmdRead(0, nullptr));
    EXPECT_TRUE(sim->Records().empty());
}

TEST_F(FrameTest, TheInstanceCheckFollowsTheLastEnumerationCount)
{
    std::vector<uint8_t> buffer(4096, 0);
    EXPECT_FALSE(QZ_InstanceUsable(0, buffer.data())); // nothing enumerated
    g_dwQZDeviceCount = 2;
    EXPECT_TRUE(QZ_InstanceUsable(0, buffer.data()));
    EXPECT_TRUE(QZ_InstanceUsable(1, buffer.data()));
    EXPECT_FALSE(QZ_InstanceUsable(2, buffer.data()));
    EXPECT_FALSE(QZ_InstanceUsable(1, nullptr));
    g_dwQZDeviceCount = 200; // a count can never exceed the table
    EXPECT_TRUE(QZ_InstanceUsable(127, buffer.data()));
    EXPECT_FALSE(QZ_InstanceUsable(128, buffer.data()));
    EXPECT_FALSE(QZ_InstanceUsable(255, buffer.data()));
}

TEST_F(FrameTest, EnumerationRecordsItsCountForTheInstanceCheck)
{
    {
        SimulatedDrives sim("[drive]\npath = /sys/devices/usb1/block/sd{n}\nkind = jmicron\ncopies = 2\n");
        g_dwQZDeviceCount = 5;
        EXPECT_EQ(QZLib_PROC_GetQZDevice(), 2);
        EXPECT_EQ(g_dwQZDeviceCount, 2u);
    }
    SimulatedDrives none("");
    EXPECT_EQ(QZLib_PROC_GetQZDevice(), 0);
    EXPECT_EQ(g_dwQZDeviceCount, 0u);
}

// ---- load hook --------------------------------------------------------------

TEST_F(FrameTest, LoadHookPrintsEntranceThenTheReasonAndAlwaysSucceeds)
{
    DebugCapture capture;
    EXPECT_EQ(_libmain(1), 1);
    EXPECT_EQ(_libmain(2), 1);
    EXPECT_EQ(_libmain(3), 1);
    EXPECT_EQ(_libmain(0), 1);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("QZ DLL Enterance\n", "QZ DLL_PROCESS_ATTACH!\n", "QZ DLL Enterance\n",
                            "QZ DLL_THREAD_ATTACH!\n", "QZ DLL Enterance\n", "QZ DLL_THREAD_DETACH!\n",
                            "QZ DLL Enterance\n", "QZ DLL_PROCESS_DETACH!\n"));
}

// ---- debug channel ----------------------------------------------------------

TEST(DebugChannel, EveryLineCarriesThePrefixAndItsFormattedText)
{
    DebugCapture capture;
    __dll_printf("szDevicePath[%d] = %s\n", 3, "/sys/block/sdb");
    __dll_printf("%s", "");
    ASSERT_EQ(capture.lines.size(), 2u);
    EXPECT_EQ(capture.lines[0], "\n[DLL]szDevicePath[3] = /sys/block/sdb\n");
    EXPECT_EQ(capture.lines[1], "\n[DLL]");
}

TEST(DebugChannel, LongTextsAreCutTo1023Characters)
{
    DebugCapture capture;
    std::string text(2000, 'a');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char>('a' + i % 26);
    __dll_printf("%s", text.c_str());
    __dll_printf("%s", text.substr(0, 1023).c_str());
    __dll_printf("%s", text.substr(0, 1024).c_str());
    ASSERT_EQ(capture.lines.size(), 3u);
    EXPECT_EQ(capture.lines[0], "\n[DLL]" + text.substr(0, 1023));
    EXPECT_EQ(capture.lines[1], "\n[DLL]" + text.substr(0, 1023));
    EXPECT_EQ(capture.lines[2], "\n[DLL]" + text.substr(0, 1023));
}

// Points QZLIB_DEBUG at a value for one test.
class SinkVariable
{
public:
    explicit SinkVariable(const char *value)
    {
        if (const char *old = std::getenv("QZLIB_DEBUG"))
            saved = old, hadValue = true;
        if (value != nullptr)
            setenv("QZLIB_DEBUG", value, 1);
        else
            unsetenv("QZLIB_DEBUG");
    }
    ~SinkVariable()
    {
        if (hadValue)
            setenv("QZLIB_DEBUG", saved.c_str(), 1);
        else
            unsetenv("QZLIB_DEBUG");
        qz::dbg::CloseSinks();
    }

private:
    std::string saved;
    bool hadValue = false;
};

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(DebugChannel, TheVariableNamesAFileThatLinesAreAppendedTo)
{
    TempFolder folder;
    const std::string first = folder.path + "/first.log";
    const std::string second = folder.path + "/second.log";
    {
        SinkVariable sink(first.c_str());
        __dll_printf("one %d\n", 1);
        __dll_printf("two\n");
        setenv("QZLIB_DEBUG", second.c_str(), 1);
        __dll_printf("three\n");
    }
    EXPECT_EQ(ReadFile(first), "\n[DLL]one 1\n\n[DLL]two\n");
    EXPECT_EQ(ReadFile(second), "\n[DLL]three\n");
}

#if !defined(_WIN32)
TEST(DebugChannel, ASymbolicLinkAtTheNamedPathIsNotFollowed)
{
    // Whoever can plant a link where the variable points must not make the
    // library (running as root) append to the file it names.
    TempFolder folder;
    const std::string target = folder.path + "/target";
    const std::string link = folder.path + "/debug.log";
    std::ofstream(target) << "kept\n";
    std::filesystem::create_symlink(target, link);
    std::filesystem::create_symlink(folder.path + "/created", folder.path + "/dangling.log");
    for (const std::string &path : {link, folder.path + "/dangling.log"}) {
        SinkVariable sink(path.c_str());
        __dll_printf("not here\n");
    }
    EXPECT_EQ(ReadFile(target), "kept\n");
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/created"));
}
#endif

TEST(DebugChannel, StandardErrorWhenAskedSilentWhenOffOrUnset)
{
    {
        SinkVariable sink("stderr");
        ::testing::internal::CaptureStderr();
        __dll_printf("to stderr\n");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "\n[DLL]to stderr\n");
    }
    for (const char *value : {"off", "0", "", static_cast<const char *>(nullptr)}) {
        SinkVariable sink(value);
        ::testing::internal::CaptureStderr();
        __dll_printf("nowhere\n");
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "") << (value ? value : "(unset)");
    }
}

TEST(DebugChannel, AFileThatCannotBeOpenedIsIgnored)
{
    SinkVariable sink("/nonexistent-folder/qz.log");
    __dll_printf("lost\n");
    SUCCEED();
}

} // namespace
