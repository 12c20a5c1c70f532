// The simulation backend itself: its file, how it is chosen, how it decodes
// bridge commands, its faults and its record of requests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "QZUtil/QZUtil.h"
#include "QzLibTestSupport.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"

using namespace qztest;
using namespace qz::sim;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr char kExample[] = R"(# two drives and a disk
[simulation]
record = /tmp/unused.txt

[drive]
path = /sys/devices/usb1/host6/block/sdb
kind = jmicron
chip = 0562
medium = no
fault = log C7 data fail error 7 after 1 times 2

[drive]
path = /sys/devices/pci/nvme/nvme{n}/nvme{n}n1
copies = 3
number = 10
kind = NVMe
model = Model X
serial = S1
firmware = FW1
upgrade = no
slots = ro A1, rw B2, rw
active_slot = 3
pending_slot = 2
log_c6 = 01 02 ff
answer = invert

; a plain disk
[drive]
path = /sys/devices/ata1/block/sda
kind = disk
)";

TEST(SimFile, ExampleWithEveryKey)
{
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(kExample, config, error)) << error;
    EXPECT_EQ(config.settings.recordFile, "/tmp/unused.txt");
    ASSERT_EQ(config.drives.size(), 5u);

    const DriveConfig &bridge = config.drives[0];
    EXPECT_EQ(bridge.kind, DriveKind::JMicron);
    EXPECT_EQ(bridge.chip, "0562");
    EXPECT_FALSE(bridge.medium);
    EXPECT_EQ(bridge.number, 0);
    ASSERT_EQ(bridge.faults.size(), 1u);
    EXPECT_EQ(bridge.faults[0].target, FaultTarget::Log);
    EXPECT_EQ(bridge.faults[0].logId, 0xC7);
    EXPECT_EQ(bridge.faults[0].phase, FaultPhase::Data);
    EXPECT_EQ(bridge.faults[0].error, 7u);
    EXPECT_EQ(bridge.faults[0].after, 1u);
    EXPECT_EQ(bridge.faults[0].times, 2u);

    for (int n = 0; n < 3; ++n) {
        const DriveConfig &d = config.drives[1 + n];
        EXPECT_EQ(d.path, "/sys/devices/pci/nvme/nvme" + std::to_string(n) + "/nvme" + std::to_string(n) + "n1");
        EXPECT_EQ(d.number, 10 + n);
        EXPECT_EQ(d.kind, DriveKind::Nvme);
        EXPECT_FALSE(d.upgrade);
        ASSERT_EQ(d.slots.size(), 3u);
        EXPECT_TRUE(d.slots[0].readOnly);
        EXPECT_EQ(d.slots[1].revision, "B2");
        EXPECT_EQ(d.slots[2].revision, "");
        EXPECT_EQ(d.activeSlot, 3);
        EXPECT_EQ(d.pendingSlot, 2);
        EXPECT_EQ(d.logC6, Bytes({0x01, 0x02, 0xFF}));
        EXPECT_EQ(d.answer, McuAnswer::Invert);
    }
    EXPECT_EQ(config.drives[4].kind, DriveKind::Disk);
    EXPECT_EQ(config.drives[4].number, 4);
}

TEST(SimFile, MistakesAreReportedWithTheirLine)
{
    struct Case
    {
        const char *text;
        const char *error;
    };
    const Case cases[] = {
        {"path = /x\n", "line 1: key outside a section"},
        {"[drive\n", "line 1: unclosed section"},
        {"[drives]\n", "line 1: unknown section [drives]"},
        {"[drive]\nkind = sata\n", "line 2: unknown kind"},
        {"[drive]\ncolour = red\n", "line 2: unknown key \"colour\""},
        {"[drive]\nkind = nvme\n", "line 1: drive without a path"},
        {"[drive]\npath = /a\nnumber = -1\n", "line 3: bad number"},
        {"[drive]\npath = /a\ncopies = 2\n", "line 1: copies need \"{n}\" in the path"},
        {"[drive]\npath = /a{n}\ncopies = 5000\n", "line 3: copies must be 1 to 1024"},
        {"[drive]\npath = /a\nlog_c6 = 0g\n", "line 3: log_c6"},
        {"[drive]\npath = /a\nslots = rx A\n", "line 3: a slot is"},
        {"[drive]\npath = /a\nslots = rw,rw,rw,rw,rw,rw,rw,rw\n", "line 3: at most 7 firmware slots"},
        {"[drive]\npath = /a\nfault = log\n", "line 3: fault log needs"},
        {"[drive]\npath = /a\nfault = tur\n", "line 3: fault without an effect"},
        {"[drive]\npath = /a\nfault = tur status 300\n", "line 3: a SCSI status is one byte"},
        {"[drive]\npath = /a\nfault = tur fail error x\n", "line 3: \"error\" needs a number"},
        {"[drive]\npath = /a\nfault = smoke fail\n", "line 3: unknown fault target"},
        {"[drive]\npath = /a\nkind = nvme\nfault = identify status 2\n", "line 1: a status fault needs a SCSI command"},
        {"[drive]\npath = /a\nkind = jmicron\nfault = download returncode 5\n", "line 1: a returncode fault"},
        {"[simulation]\nlist = maybe\n", "line 2: list is ok or fail"},
        {"[drive]\npath = /a\nmedium = perhaps\n", "line 3: medium is yes or no"},
    };
    for (const Case &c : cases) {
        SimConfig config;
        std::string error;
        EXPECT_FALSE(ParseSimConfig(c.text, config, error)) << c.text;
        EXPECT_THAT(error, HasSubstr(c.error)) << c.text;
    }
}

TEST(SimFile, ALogPageOfMoreThan4096BytesIsRefused)
{
    std::string text = "[drive]\npath = /a\nlog_c6 = ";
    for (int i = 0; i < 4097; ++i)
        text += "00";
    SimConfig config;
    std::string error;
    EXPECT_FALSE(ParseSimConfig(text, config, error));
}

TEST(SimFile, KindsBringTheirOwnIdentity)
{
    DriveConfig jmConfig;
    jmConfig.path = "/a";
    jmConfig.kind = DriveKind::JMicron;
    DriveConfig asmConfig;
    asmConfig.path = "/b";
    asmConfig.kind = DriveKind::ASMedia;
    SimDrive jm(jmConfig);
    SimDrive asm2362(asmConfig);
    const auto jmData = jm.InquiryData();
    EXPECT_EQ(std::string(jmData.begin() + 8, jmData.begin() + 16), "JMicron ");
    EXPECT_EQ(std::string(jmData.begin() + 36, jmData.begin() + 40), "0583");
    const auto asmData = asm2362.InquiryData();
    EXPECT_EQ(std::string(asmData.begin() + 8, asmData.begin() + 16), "ASMedia ");
    EXPECT_EQ(std::string(asmData.begin() + 19, asmData.begin() + 23), "2362");
}

// ---- requests -----------------------------------------------------------------

TEST(SimRequests, DrivesAreOpenedByPathInAnyCaseOrByDiskNumber)
{
    auto sim = qz::SimDeviceAccess::FromText(kExample, nullptr);
    ASSERT_TRUE(sim);
    const qz::DeviceHandle a = sim->Open("/SYS/DEVICES/USB1/HOST6/BLOCK/SDB");
    const qz::DeviceHandle b = sim->Open("\\\\.\\PhysicalDrive11");
    EXPECT_NE(a, qz::kInvalidDeviceHandle);
    ASSERT_NE(b, qz::kInvalidDeviceHandle);
    uint32_t number = 0;
    EXPECT_TRUE(sim->GetDiskNumber(b, number));
    EXPECT_EQ(number, 11u);
    EXPECT_EQ(sim->Open("/sys/devices/none"), qz::kInvalidDeviceHandle);
    EXPECT_EQ(QZ_GetLastError(), 2u);
    EXPECT_EQ(sim->Open("\\\\.\\PHYSICALDRIVE"), qz::kInvalidDeviceHandle);
    EXPECT_EQ(sim->Open("\\\\.\\PHYSICALDRIVE99"), qz::kInvalidDeviceHandle);
    sim->Close(a);
    sim->Close(b);
    EXPECT_EQ(sim->OpenHandleCount(), 0u);
}

TEST(SimRequests, ListingFollowsTheFileUpToTheLimitOrFailsWhenToldTo)
{
    auto sim = qz::SimDeviceAccess::FromText(kExample, nullptr);
    ASSERT_TRUE(sim);
    std::vector<std::string> paths;
    EXPECT_TRUE(sim->ListDiskInterfaces(paths, 2));
    EXPECT_THAT(paths, ElementsAre("/sys/devices/usb1/host6/block/sdb", "/sys/devices/pci/nvme/nvme0/nvme0n1"));
    sim->Settings().listFails = true;
    paths.clear();
    EXPECT_FALSE(sim->ListDiskInterfaces(paths, 80));
    EXPECT_TRUE(paths.empty());
}

TEST(SimRequests, FaultsHonourAfterAndTimes)
{
    SimulatedDrives sim("[drive]\npath = /d\nkind = jmicron\nfault = tur fail after 1 times 2\n");
    ClearInstanceTable();
    SetBridgeSlot(0, "/d", CHIP_VENDOR_JMICRON);
    std::vector<uint32_t> results;
    for (int i = 0; i < 4; ++i)
        results.push_back(VC_STD_TestUnitReady(0, nullptr));
    EXPECT_THAT(results, ElementsAre(VC_RESULT_SUCCESS, VC_RESULT_FAIL, VC_RESULT_FAIL, VC_RESULT_SUCCESS));
    ClearInstanceTable();
}

// Sends one SCSI command to the single drive of `sim`.
qz::ScsiRequest Send(qz::SimDeviceAccess &sim, std::vector<uint8_t> cdb, bool dataIn, std::vector<uint8_t> &data)
{
    qz::ScsiRequest request;
    std::copy(cdb.begin(), cdb.end(), request.cdb);
    request.cdbLength = static_cast<uint8_t>(cdb.size());
    request.dataIn = dataIn;
    request.buffer = data.empty() ? nullptr : data.data();
    request.length = static_cast<uint32_t>(data.size());
    const qz::DeviceHandle handle = sim.Open(sim.Drive(0).Config().path.c_str());
    EXPECT_TRUE(sim.ScsiPassThrough(handle, request));
    sim.Close(handle);
    return request;
}

std::vector<uint8_t> Cdb12(std::initializer_list<int> front)
{
    std::vector<uint8_t> cdb = Bytes(front);
    cdb.resize(12, 0);
    return cdb;
}

TEST(SimBridgeDecoding, AJMicronBridgeRefusesWhatARealOneWouldRefuse)
{
    auto sim = qz::SimDeviceAccess::FromText("[drive]\npath = /j\nkind = jmicron\n", nullptr);
    ASSERT_TRUE(sim);
    std::vector<uint8_t> sector(512, 0);
    std::vector<uint8_t> page(4096, 0);
    std::vector<uint8_t> none;

    // A data phase before any payload.
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x82, 0, 0, 0x10, 0}), true, page).scsiStatus, 2);
    // A payload without the signature.
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x80, 0, 0, 0x02, 0}), false, sector).scsiStatus, 2);
    // A CDB whose length disagrees with the transfer.
    std::memcpy(sector.data(), "NVME", 4);
    sector[8] = 0x06;
    sector[48] = 0x01;
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x80, 0, 0, 0x04, 0}), false, sector).scsiStatus, 2);
    // Not an admin command.
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x00, 0, 0, 0x02, 0}), false, sector).scsiStatus, 2);
    // An ASMedia command.
    std::vector<uint8_t> asmCdb = Bytes({0xEA, 0x5A, 0x80, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0});
    std::vector<uint8_t> entry(64, 0);
    EXPECT_EQ(Send(*sim, asmCdb, false, entry).scsiStatus, 2);

    // The proper pair works, and the payload is consumed by its data phase.
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x80, 0, 0, 0x02, 0}), false, sector).scsiStatus, 0);
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x82, 0, 0, 0x10, 0}), true, page).scsiStatus, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(&page[24]), 7), "Virtual");
    EXPECT_EQ(Send(*sim, Cdb12({0xA1, 0x82, 0, 0, 0x10, 0}), true, page).scsiStatus, 2);
    (void)none;
}

TEST(SimBridgeDecoding, AnASMediaBridgeNeedsMatchingDataPhases)
{
    auto sim = qz::SimDeviceAccess::FromText("[drive]\npath = /a\nkind = asmedia\n", nullptr);
    ASSERT_TRUE(sim);
    std::vector<uint8_t> entry(64, 0);
    entry[0] = 0x06;
    entry[40] = 0x01;
    std::vector<uint8_t> page(4096, 0);
    auto cdb = [](int op, int operation, int phase, uint32_t length) {
        std::vector<uint8_t> c = Bytes({op, 0x5A, operation, 0, phase});
        c.resize(16, 0);
        c[10] = static_cast<uint8_t>(length >> 24);
        c[11] = static_cast<uint8_t>(length >> 16);
        c[12] = static_cast<uint8_t>(length >> 8);
        c[13] = static_cast<uint8_t>(length);
        return c;
    };
    EXPECT_EQ(Send(*sim, cdb(0xEA, 0x80, 1, 64), false, entry).scsiStatus, 0);
    // The entry announced data from the drive; a data phase of 2 does not match.
    std::vector<uint8_t> out(4096, 0);
    EXPECT_EQ(Send(*sim, cdb(0xEA, 0x81, 2, 4096), false, out).scsiStatus, 2);
    EXPECT_EQ(Send(*sim, cdb(0xEA, 0x80, 1, 64), false, entry).scsiStatus, 0);
    EXPECT_EQ(Send(*sim, cdb(0xEB, 0x81, 1, 4096), true, page).scsiStatus, 0);
    EXPECT_EQ(page[260], 0x05); // FRMW: two slots, the first read-only
    EXPECT_EQ(page[256], 0x04); // OACS: firmware download
}

TEST(SimMcu, LogPageC7AnswersTheLastBlockAsConfigured)
{
    for (const char *answer : {"echo", "invert", "zero"}) {
        auto sim = qz::SimDeviceAccess::FromText(std::string("[drive]\npath = /j\nkind = jmicron\nanswer = ") + answer,
                                                 nullptr);
        ASSERT_TRUE(sim);
        qz::SetDeviceAccessForTesting(sim.get());
        ClearInstanceTable();
        SetBridgeSlot(0, "/j", CHIP_VENDOR_JMICRON);
        std::vector<uint8_t> reply(4096, 0xEE);
        ASSERT_EQ(VC_Bridge_GetLogPageCmd(0, reply.data(), 0xC7, 1024), VC_RESULT_SUCCESS);
        EXPECT_EQ(reply, std::vector<uint8_t>(4096, 0)) << "nothing received yet";
        std::vector<uint8_t> block = PatternBlock(3);
        ASSERT_EQ(VC_Bridge_FirmwareImageDownloadCmd(0, block.data(), 1024, 0), VC_RESULT_SUCCESS);
        ASSERT_EQ(VC_Bridge_GetLogPageCmd(0, reply.data(), 0xC7, 1024), VC_RESULT_SUCCESS);
        std::vector<uint8_t> expected(4096, 0);
        for (std::size_t i = 0; i < 4096 && std::string(answer) != "zero"; ++i) {
            expected[i] = std::string(answer) == "invert" ? static_cast<uint8_t>(~block[i]) : block[i];
        }
        EXPECT_EQ(reply, expected) << answer;
        qz::SetDeviceAccessForTesting(nullptr);
    }
    ClearInstanceTable();
}

TEST(SimMcu, UnknownLogPagesAreRefusedByTheDrive)
{
    SimulatedDrives sim("[drive]\npath = /j\nkind = jmicron\n");
    ClearInstanceTable();
    SetBridgeSlot(0, "/j", CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> page(4096, 0xEE);
    // The drive refuses with CHECK CONDITION.
    EXPECT_EQ(VC_Bridge_GetLogPageCmd(0, page.data(), 0x42, 1024), VC_RESULT_FAIL);
    EXPECT_EQ(page, std::vector<uint8_t>(4096, 0xEE));
    EXPECT_EQ(sim.Requests().back().scsiStatus, 2);
    ClearInstanceTable();
}

// ---- the record -------------------------------------------------------------

TEST(SimRecord, EveryRequestIsAppendedToTheRecordFile)
{
    TempFolder folder;
    const std::string file = folder.path + "/record.txt";
    SimulatedDrives sim("[simulation]\nrecord = " + file + "\n[drive]\npath = /j\nkind = jmicron\n");
    ClearInstanceTable();
    SetBridgeSlot(0, "/j", CHIP_VENDOR_JMICRON);
    std::vector<uint8_t> page(4096, 0);
    VC_Bridge_GetLogPageCmd(0, page.data(), 0xC6, 1024);
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_THAT(lines,
                ElementsAre("open /j ok",
                            "scsi /j cdb=A18000000200000000000000 out=512 status=0 nvme=02 nsid=0 "
                            "cdw10=03FF00C6 cdw11=00000000 ok",
                            "close /j ok", "open /j ok",
                            "scsi /j cdb=A18200001000000000000000 in=4096 status=0 nvme=02 nsid=0 "
                            "cdw10=03FF00C6 cdw11=00000000 ok",
                            "close /j ok"));
    ClearInstanceTable();
}

// ---- selection by the environment -------------------------------------------

TEST(SimSelection, TheVariableNamesTheSimulationFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempFolder folder;
    const std::string file = folder.path + "/drives.sim";
    std::ofstream(file) << "[drive]\npath = /sys/devices/virtual/nvme9n1\n";
    EXPECT_EXIT(
        {
            setenv("QZLIB_SIMULATION", file.c_str(), 1);
            std::vector<std::string> paths;
            qz::CurrentDeviceAccess().ListDiskInterfaces(paths, 80);
            std::exit(paths == std::vector<std::string> {"/sys/devices/virtual/nvme9n1"} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SimSelection, AnUnreadableFileGivesASimulationWithoutDrivesNeverRealOnes)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("QZLIB_SIMULATION", "/nonexistent/drives.sim", 1);
            setenv("QZLIB_DEBUG", "stderr", 1);
            std::vector<std::string> paths;
            const bool listed = qz::CurrentDeviceAccess().ListDiskInterfaces(paths, 80);
            std::exit(listed && paths.empty()
                              && dynamic_cast<qz::SimDeviceAccess *>(&qz::CurrentDeviceAccess()) != nullptr
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "simulation file /nonexistent/drives.sim: cannot be read");
}

} // namespace

namespace {

TEST(SimFile, TheDemoFileParses)
{
    std::ifstream in(std::string(QZ_SOURCE_DIR) + "/qzlibrary/DeviceAccess/sim/demo.sim");
    std::stringstream text;
    text << in.rdbuf();
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(text.str(), config, error)) << error;
    EXPECT_EQ(config.drives.size(), 4u);
}

} // namespace
