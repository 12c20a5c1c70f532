// The debug lines a host reads, printed by the library and read back by
// qzctl's reader: a changed format fails here, not silently in the tool.
#include <gtest/gtest.h>

#include <string>

#include "DebugText.h"
#include "QZUtil/QZUtil.h"
#include "QzLibTestSupport.h"
#include "V_Proc/VP_Proc.h"

using namespace qztest;

namespace {

constexpr char kNvmePath[] = "/sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1";
constexpr char kUsbPath[] = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
constexpr char kDeniedPath[] = "/sys/devices/pci0000:00/0000:00:02.0/0000:02:00.0/nvme/nvme1/nvme1n1";

std::string Joined(const DebugCapture &capture)
{
    std::string text;
    for (const std::string &line : capture.lines)
        text += line;
    return text;
}

class DebugLinesTest : public CleanTableTest
{ };

TEST_F(DebugLinesTest, EnumerationLinesReadBackAsKeptDrivesProgressAndDenials)
{
    SimulatedDrives sim(std::string("[drive]\npath = ") + kUsbPath + "\nkind = jmicron\nchip = 0583\n"
                        + "[drive]\npath = " + kNvmePath + "\nkind = nvme\nnumber = 4\n"
                        + "[drive]\npath = " + kDeniedPath + "\nkind = nvme\nfault = open fail error 13\n");
    DebugCapture capture;
    ASSERT_EQ(VP_PROC_GetQZDevice(), 2u);
    const std::string text = Joined(capture);

    const std::vector<qzctl::KeptDrive> kept = qzctl::KeptDrives(text);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE(kept[0].bridge);
    EXPECT_EQ(kept[0].bridgeVendor, "JMicron");
    EXPECT_EQ(kept[0].path, kUsbPath);
    EXPECT_FALSE(kept[1].bridge);
    EXPECT_EQ(kept[1].physicalDrive, "\\\\.\\PHYSICALDRIVE4");
    EXPECT_EQ(kept[1].path, kNvmePath);

    EXPECT_EQ(qzctl::DisksExamined(text), 3);
    const qzctl::EnumerationProgress progress = qzctl::ProgressOf(text);
    EXPECT_TRUE(progress.known);
    EXPECT_EQ(progress.position, 2);
    EXPECT_EQ(progress.path, kDeniedPath);

    // Refused twice: by the bridge probe, then by the direct one.
    const std::vector<qzctl::Denial> denials = qzctl::Denials(text);
    ASSERT_EQ(denials.size(), 2u);
    for (const qzctl::Denial &denial : denials) {
        EXPECT_EQ(denial.action, qzctl::Denial::Action::Open);
        EXPECT_EQ(denial.error, 13u);
        EXPECT_EQ(denial.path, kDeniedPath);
    }
}

TEST_F(DebugLinesTest, EveryRefusedActionReadsBackAsItsOwnDenial)
{
    const qz::DeniedAction actions[]
        = {qz::DeniedAction::Open, qz::DeniedAction::ScsiPassThrough, qz::DeniedAction::NvmeAdmin};
    const qzctl::Denial::Action expected[]
        = {qzctl::Denial::Action::Open, qzctl::Denial::Action::ScsiPassThrough, qzctl::Denial::Action::NvmeAdmin};
    for (int i = 0; i < 3; ++i) {
        DebugCapture capture;
        QZ_SetLastError(1); // EPERM
        qz::ReportIfAccessDenied(actions[i], "/dev/sdz");
        const std::vector<qzctl::Denial> denials = qzctl::Denials(Joined(capture));
        ASSERT_EQ(denials.size(), 1u) << i;
        EXPECT_EQ(denials[0].action, expected[i]);
        EXPECT_EQ(denials[0].error, 1u);
        EXPECT_EQ(denials[0].path, "/dev/sdz");
    }
}

TEST_F(DebugLinesTest, ReplacedDrivesAndBlocksNotCarriedReadBack)
{
    SimulatedDrives sim("[drive]\npath = /sys/usb/sdb\nkind = asmedia\n[drive]\npath = /sys/usb/sdc\nkind = jmicron\n");
    ASSERT_EQ(VP_PROC_GetQZDevice(), 2u);
    g_dwQZDeviceCount = 2;
    sim->Drive(1).Config().sequence = 99;
    DebugCapture capture;
    std::vector<uint8_t> block(4096, 0);
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(1, block.data()), 0);
    EXPECT_EQ(qzctl::ReplacedSlots(Joined(capture)), std::vector<unsigned> {1});
    EXPECT_FALSE(qzctl::BlockNotCarried(Joined(capture)));
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_TRUE(qzctl::BlockNotCarried(Joined(capture)));
}

} // namespace
