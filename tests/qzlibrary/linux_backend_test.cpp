// The Linux backend without hardware: its disk listing on fixture sysfs
// trees, and what it packs into SG_IO and NVMe admin requests (through the
// system-call seam), with the mapping of their results.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "DeviceAccess/DeviceSession.h"
#include "DeviceAccess/NVMeDirect.h"
#include "DeviceAccess/linux/LinuxDeviceAccess.h"
#include "DeviceAccess/linux/LinuxDiskList.h"
#include "QZUtil/ByteOrder.h"
#include "QZUtil/QZUtil.h"
#include "QZUtil/Sha256.h"
#include "QzLibTestSupport.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"
#include "V_Proc/VP_Proc.h"

using namespace qztest;
using ::testing::ElementsAre;
namespace fs = std::filesystem;

namespace {

// ---- fixture sysfs trees ---------------------------------------------------------

constexpr char kUsbDisk[] = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
constexpr char kSataDisk[] = "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda";
constexpr char kNvmeController[] = "/sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0";
constexpr char kMultipathHead[] = "/sys/devices/virtual/nvme-subsystem/nvme-subsys1/nvme1n1";

class SysfsTree
{
public:
    explicit SysfsTree(const std::string &root)
        : root(root)
    { }

    // A disk folder at `devicePath`, linked from /sys/block/<name>, whose
    // "device" link points `deviceTarget` (relative; empty: no link).
    void Disk(const std::string &devicePath, const std::string &deviceTarget)
    {
        const fs::path dir = root + devicePath;
        fs::create_directories(dir);
        if (!deviceTarget.empty())
            fs::create_directory_symlink(deviceTarget, dir / "device");
        Link(devicePath);
    }
    void Link(const std::string &devicePath)
    {
        fs::create_directories(root + "/sys/block");
        const std::string name = fs::path(devicePath).filename().string();
        fs::create_directory_symlink(".." + devicePath.substr(4), root + "/sys/block/" + name);
    }
    void File(const std::string &path, const std::string &text)
    {
        fs::create_directories(fs::path(root + path).parent_path());
        std::ofstream(root + path) << text;
    }
    void Folder(const std::string &path) { fs::create_directories(root + path); }

private:
    std::string root;
};

// A machine with a USB bridge disk (and its partition), a SATA disk, a PCIe
// NVMe controller with two namespaces, a multipath NVMe namespace with its
// hidden path node, and loop, RAM and device-mapper devices.
void BuildMachine(const std::string &root)
{
    SysfsTree t(root);
    t.Folder("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0");
    t.Disk(kUsbDisk, "../../../6:0:0:0");
    t.File(std::string(kUsbDisk) + "/sdb1/partition", "1\n");
    // A partition listed among the block devices, with a device link of its own.
    t.File("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1/dev",
           "8:17\n");
    fs::create_directory_symlink("../../..", root + std::string(kUsbDisk) + "/sdb1/device");
    fs::create_directory_symlink(
        "../devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb/sdb1",
        root + "/sys/block/sdb1");
    t.Folder("/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0");
    t.Disk(kSataDisk, "../../../0:0:0:0");
    t.Disk(std::string(kNvmeController) + "/nvme0n1", "../../nvme0");
    t.Disk(std::string(kNvmeController) + "/nvme0n2", "../../nvme0");
    t.Folder("/sys/devices/virtual/nvme-subsystem/nvme-subsys1");
    t.Disk(kMultipathHead, "../../nvme-subsys1");
    t.Folder(std::string(kMultipathHead) + "/multipath/nvme1c3n1");
    t.Folder("/sys/devices/pci0000:00/0000:00:02.0/0000:02:00.0/nvme/nvme3");
    t.Disk("/sys/devices/pci0000:00/0000:00:02.0/0000:02:00.0/nvme/nvme3/nvme1c3n1", "../../nvme3");
    t.File("/sys/devices/pci0000:00/0000:00:02.0/0000:02:00.0/nvme/nvme3/nvme1c3n1/hidden", "1\n");
    // What names the NVMe drives: their controllers' serials and models.
    for (const std::string &controller :
         {std::string(kNvmeController), std::string("/sys/devices/pci0000:00/0000:00:02.0/0000:02:00.0/nvme/nvme3"),
          std::string("/sys/devices/virtual/nvme-subsystem/nvme-subsys1")}) {
        t.File(controller + "/serial", "S" + std::to_string(controller.size()) + "\n");
        t.File(controller + "/model", "Drive\n");
        const std::string name = fs::path(controller).filename().string();
        if (name.rfind("nvme-", 0) != 0) {
            fs::create_directories(root + "/sys/class/nvme");
            fs::create_directory_symlink(root + controller, root + "/sys/class/nvme/" + name);
        }
    }
    t.Disk("/sys/devices/virtual/block/loop0", "");
    t.Disk("/sys/devices/virtual/block/ram0", "");
    t.Disk("/sys/devices/virtual/block/dm-0", "");
}

TEST(LinuxDiskList, ListsWholeHardwareDisksWithTheirCanonicalPaths)
{
    TempFolder root;
    BuildMachine(root.path);
    std::vector<std::string> paths;
    ASSERT_TRUE(qz::ListSysfsDisks(root.path, 80, paths));
    EXPECT_THAT(paths,
                ElementsAre(std::string(kNvmeController) + "/nvme0n1", std::string(kNvmeController) + "/nvme0n2",
                            kMultipathHead, kSataDisk, kUsbDisk));
}

TEST(LinuxDiskList, PathsCarryTheBusAndSurviveLowerCasing)
{
    TempFolder root;
    BuildMachine(root.path);
    std::vector<std::string> paths;
    ASSERT_TRUE(qz::ListSysfsDisks(root.path, 80, paths));
    for (const std::string &p : paths) {
        std::string lower = p;
        for (char &c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(lower, p);
        EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor(p.c_str()), "/dev/" + fs::path(p).filename().string());
    }
    EXPECT_NE(paths.back().find("usb"), std::string::npos);
    EXPECT_EQ(paths.back().find("scsi"), std::string::npos);
    EXPECT_NE(paths.front().find("nvme"), std::string::npos);
}

TEST(LinuxDiskList, StopsAtTheLimitAndFailsWithoutABlockFolder)
{
    TempFolder root;
    BuildMachine(root.path);
    std::vector<std::string> paths;
    ASSERT_TRUE(qz::ListSysfsDisks(root.path, 2, paths));
    EXPECT_EQ(paths.size(), 2u);
    TempFolder empty;
    paths.clear();
    EXPECT_FALSE(qz::ListSysfsDisks(empty.path, 80, paths));
    EXPECT_TRUE(paths.empty());
}

TEST(LinuxDiskList, NamesSortTheWayTheKernelNumbersThem)
{
    std::vector<std::string> names = {"sdaa", "sdb", "nvme10n1", "sda", "nvme2n1", "nvme2n10", "nvme2n2"};
    std::sort(names.begin(), names.end(), qz::NaturalLess);
    EXPECT_THAT(names, ElementsAre("nvme2n1", "nvme2n2", "nvme2n10", "nvme10n1", "sda", "sdb", "sdaa"));
}

TEST(LinuxDiskList, AMultipathNamespaceTakesALiveController)
{
    // Paths through controllers 3 (first by name) and 4; the state decides.
    TempFolder root;
    BuildMachine(root.path);
    SysfsTree tree(root.path);
    tree.Folder(std::string(kMultipathHead) + "/multipath/nvme1c4n1");
    tree.File("/sys/class/nvme/nvme4/state", "live\n");
    for (const char *state : {"connecting", "resetting", "dead", "deleting"}) {
        tree.File("/sys/class/nvme/nvme3/state", std::string(state) + "\n");
        uint32_t instance = 99;
        EXPECT_TRUE(qz::SysfsNvmeControllerInstance(root.path, kMultipathHead, instance));
        EXPECT_EQ(instance, 4u) << state;
    }
    tree.File("/sys/class/nvme/nvme3/state", "live\n");
    uint32_t instance = 99;
    EXPECT_TRUE(qz::SysfsNvmeControllerInstance(root.path, kMultipathHead, instance));
    EXPECT_EQ(instance, 3u);
}

TEST(LinuxDiskList, ControllerInstanceOfANamespace)
{
    TempFolder root;
    BuildMachine(root.path);
    uint32_t instance = 99;
    EXPECT_TRUE(qz::SysfsNvmeControllerInstance(root.path, std::string(kNvmeController) + "/nvme0n2", instance));
    EXPECT_EQ(instance, 0u);
    EXPECT_TRUE(qz::SysfsNvmeControllerInstance(root.path, kMultipathHead, instance));
    EXPECT_EQ(instance, 3u);
    EXPECT_FALSE(qz::SysfsNvmeControllerInstance(root.path, kSataDisk, instance));
    EXPECT_FALSE(qz::SysfsNvmeControllerInstance(root.path, "/sys/../etc/nvme0n1", instance));
    EXPECT_FALSE(qz::SysfsNvmeControllerInstance(root.path, "nvme0n1", instance));
}

// ---- the system-call seam ------------------------------------------------------------

// Records every call and answers as it is told.
class FakeCalls : public qz::LinuxSystemCalls
{
public:
    int Open(const char *path, int flags) override
    {
        opened.push_back(path);
        openFlags = flags;
        const int refusal = (flags & O_ACCMODE) == O_RDONLY && readOnlyErrno != 0 ? readOnlyErrno : openErrno;
        if (refusal != 0) {
            errno = refusal;
            return -1;
        }
        ++openCount;
        return 40 + openCount;
    }
    int Close(int fd) override
    {
        closed.push_back(fd);
        errno = EBADF; // closing must not disturb the reported error
        return 0;
    }
    int SgIo(int, sg_io_hdr_t *header) override
    {
        sg.push_back(*header);
        sgCdbs.emplace_back(header->cmdp, header->cmdp + header->cmd_len);
        if (header->dxfer_direction == SG_DXFER_TO_DEV) {
            auto *data = static_cast<uint8_t *>(header->dxferp);
            sgOut.emplace_back(data, data + header->dxfer_len);
        }
        if (sgErrno != 0) {
            errno = sgErrno;
            return -1;
        }
        if (header->cmdp[0] == 0x12 && (header->cmdp[1] & 1) != 0)
            return VitalProductData(*header);
        if (header->dxfer_direction == SG_DXFER_FROM_DEV) {
            std::memset(header->dxferp, 0xA5, header->dxfer_len);
        }
        const bool answered = !dataInRepliesOnly || header->dxfer_direction == SG_DXFER_FROM_DEV;
        header->status = answered ? sgStatus : 0;
        header->host_status = answered ? hostStatus : 0;
        header->driver_status = answered ? driverStatus : 0;
        header->resid = answered ? resid : 0;
        const std::size_t senseBytes = std::min<std::size_t>(sense.size(), header->mx_sb_len);
        if (answered && senseBytes > 0)
            std::memcpy(header->sbp, sense.data(), senseBytes);
        header->sb_len_wr = answered ? static_cast<unsigned char>(senseBytes) : 0;
        return 0;
    }
    // A page held in `vpd` is delivered (cut to the allocation length); any
    // other is refused with CHECK CONDITION, ILLEGAL REQUEST, INVALID FIELD IN CDB.
    int VitalProductData(sg_io_hdr_t &header)
    {
        static const uint8_t kRefusal[] = {0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x24, 0};
        header.status = 0;
        header.host_status = header.driver_status = 0;
        const auto page = vpd.find(header.cmdp[2]);
        if (page == vpd.end()) {
            header.status = 0x02;
            header.resid = static_cast<int>(header.dxfer_len);
            header.sb_len_wr = static_cast<unsigned char>(std::min<std::size_t>(sizeof kRefusal, header.mx_sb_len));
            std::memcpy(header.sbp, kRefusal, header.sb_len_wr);
            return 0;
        }
        const std::size_t count = std::min<std::size_t>(page->second.size(), header.dxfer_len);
        std::memcpy(header.dxferp, page->second.data(), count);
        header.resid = static_cast<int>(header.dxfer_len - count);
        header.sb_len_wr = 0;
        return 0;
    }
    int DiskSequence(int fd, unsigned long long *sequence) override
    {
        if (diskSequenceErrno != 0) {
            errno = diskSequenceErrno;
            return -1;
        }
        *sequence = diskSequence + static_cast<unsigned long long>(fd - 41) * replacedBy;
        return 0;
    }
    int DeviceNumber(int, unsigned *major, unsigned *minor) override
    {
        *major = rdevMajor;
        *minor = rdevMinor;
        return 0;
    }
    int NvmeAdmin(int, struct nvme_admin_cmd *cmd) override
    {
        admin.push_back(*cmd);
        if (cmd->opcode == 0x11) {
            auto *data = reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(cmd->addr));
            downloads.emplace_back(data, data + cmd->data_len);
        }
        if (answer)
            return answer(*cmd);
        return 0;
    }

    std::vector<std::string> opened;
    int openFlags = 0;
    int openErrno = 0;
    int readOnlyErrno = 0; // refuses read-only opens only
    int openCount = 0;
    std::vector<int> closed;
    std::vector<sg_io_hdr_t> sg;
    std::vector<std::vector<uint8_t>> sgCdbs;
    std::vector<std::vector<uint8_t>> sgOut;
    int sgErrno = 0;
    unsigned char sgStatus = 0;
    unsigned short hostStatus = 0;
    unsigned short driverStatus = 0;
    int resid = 0;
    std::vector<uint8_t> sense; // returned with the status above
    int diskSequenceErrno = ENOTTY; // asked only where sysfs has a diskseq file
    unsigned long long diskSequence = 0;
    unsigned long long replacedBy = 0; // added per later open: another disk behind the name
    unsigned rdevMajor = 8; // the device number a descriptor reaches
    unsigned rdevMinor = 16;
    bool dataInRepliesOnly = false; // the status and resid above only for data from the device
    std::map<uint8_t, std::vector<uint8_t>> vpd; // INQUIRY EVPD answers by page code
    std::vector<struct nvme_admin_cmd> admin;
    std::vector<std::vector<uint8_t>> downloads;
    std::function<int(struct nvme_admin_cmd &)> answer;
};

uint8_t *DataOf(const struct nvme_admin_cmd &cmd)
{
    return reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(cmd.addr));
}

class LinuxBackendTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BuildMachine(root.path);
        access = std::make_unique<qz::LinuxDeviceAccess>(root.path, &calls);
        qz::SetDeviceAccessForTesting(access.get());
        ClearInstanceTable();
    }
    void TearDown() override
    {
        qz::SetDeviceAccessForTesting(nullptr);
        ClearInstanceTable();
        EXPECT_EQ(calls.closed.size(), static_cast<std::size_t>(calls.openCount)) << "a device was left open";
    }

    TempFolder root;
    FakeCalls calls;
    std::unique_ptr<qz::LinuxDeviceAccess> access;
};

TEST_F(LinuxBackendTest, PathsOpenTheirDeviceNodesReadOnly)
{
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("\\\\.\\PHYSICALDRIVE12"), "/dev/nvme12");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("\\\\.\\physicaldrive0"), "/dev/nvme0");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("\\\\.\\PHYSICALDRIVE"), "");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("\\\\.\\PHYSICALDRIVE1x"), "");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("/sys/devices/x/"), "");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("/sys/devices/x/.."), "");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("relative/sdb"), "");
    EXPECT_EQ(qz::LinuxDeviceAccess::DeviceNodeFor("/dev/sg3"), "/dev/sg3");

    const qz::DeviceHandle handle = access->Open(kUsbDisk);
    ASSERT_NE(handle, qz::kInvalidDeviceHandle);
    access->Close(handle);
    EXPECT_THAT(calls.opened, ElementsAre("/dev/sdb"));
    EXPECT_EQ(calls.openFlags, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

TEST_F(LinuxBackendTest, DiskNumbersAreControllerInstances)
{
    for (const auto &[path, expected] : std::vector<std::pair<std::string, uint32_t>> {
             {std::string(kNvmeController) + "/nvme0n2", 0}, {kMultipathHead, 3}, {"\\\\.\\PHYSICALDRIVE7", 7}}) {
        const qz::DeviceHandle handle = access->Open(path.c_str());
        uint32_t number = 99;
        EXPECT_TRUE(access->GetDiskNumber(handle, number)) << path;
        EXPECT_EQ(number, expected) << path;
        access->Close(handle);
    }
    const qz::DeviceHandle sata = access->Open(kSataDisk);
    uint32_t number = 0;
    EXPECT_FALSE(access->GetDiskNumber(sata, number));
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(ENODEV));
    access->Close(sata);
}

TEST_F(LinuxBackendTest, APermissionFailureIsReportedWithItsErrno)
{
    calls.openErrno = EACCES;
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    DebugCapture capture;
    uint8_t data[40] = {};
    EXPECT_EQ(VC_STD_Inquiry(0, data, 40), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(),
                ElementsAre(std::string("ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = ") + kUsbDisk + "\r\n",
                            std::string("######### - Permission denied (error 13): open ") + kUsbDisk + "\n",
                            "ScsiCdbPassThrough -2 \r\n"));
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EACCES));
}

// ---- SG_IO ---------------------------------------------------------------------------------

TEST_F(LinuxBackendTest, SgIoCarriesTheCdbDirectionLengthAndTimeout)
{
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    uint8_t data[512] = {};
    ASSERT_EQ(VC_STD_Inquiry(0, data, 40), VC_RESULT_SUCCESS);
    ASSERT_EQ(VC_STD_TestUnitReady(0, data), VC_RESULT_SUCCESS);
    std::vector<uint8_t> payload(512, 0x11);
    ASSERT_TRUE(VC_Bridge_JM_SetPayloadCmd(0, payload.data(), 1, true));

    ASSERT_EQ(calls.sg.size(), 3u);
    const sg_io_hdr_t &inquiry = calls.sg[0];
    EXPECT_EQ(inquiry.interface_id, 'S');
    EXPECT_EQ(inquiry.dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(inquiry.cmd_len, 12);
    EXPECT_EQ(inquiry.dxfer_len, 40u);
    EXPECT_EQ(inquiry.timeout, 10000u);
    EXPECT_EQ(inquiry.mx_sb_len, 32);
    EXPECT_EQ(calls.sgCdbs[0], Bytes({0x12, 0, 0, 0, 0x28, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(data[0], 0xA5);

    EXPECT_EQ(calls.sg[1].dxfer_direction, SG_DXFER_NONE);
    EXPECT_EQ(calls.sg[1].dxfer_len, 0u);

    EXPECT_EQ(calls.sg[2].dxfer_direction, SG_DXFER_TO_DEV);
    EXPECT_EQ(calls.sg[2].dxfer_len, 512u);
    EXPECT_EQ(calls.sgCdbs[2], Bytes({0xA1, 0x80, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(calls.sgOut[0], payload);
}

TEST_F(LinuxBackendTest, SixteenByteCdbsKeepTheirLength)
{
    SetBridgeSlot(1, kUsbDisk, CHIP_VENDOR_ASMEDIA);
    std::vector<uint8_t> page(4096, 0);
    ASSERT_EQ(VC_Bridge_GetLogPageCmd(1, page.data(), 0xC6, 1024), VC_RESULT_SUCCESS);
    ASSERT_EQ(calls.sg.size(), 2u);
    EXPECT_EQ(calls.sg[0].cmd_len, 16);
    EXPECT_EQ(calls.sg[0].dxfer_len, 64u);
    EXPECT_EQ(calls.sg[1].cmd_len, 16);
    EXPECT_EQ(calls.sg[1].dxfer_direction, SG_DXFER_FROM_DEV);
    EXPECT_EQ(calls.sg[1].dxfer_len, 4096u);
}

TEST_F(LinuxBackendTest, SgIoResultsMapToTheTransportsRules)
{
    qz::DeviceHandle handle = access->Open(kUsbDisk);
    std::vector<uint8_t> data(64, 0);
    auto send = [&](bool dataIn) {
        qz::ScsiRequest request;
        request.cdb[0] = 0x28;
        request.cdbLength = 12;
        request.dataIn = dataIn;
        request.buffer = data.data();
        request.length = static_cast<uint32_t>(data.size());
        request.timeoutSeconds = 10;
        const bool carried = access->ScsiPassThrough(handle, request);
        return std::make_tuple(carried, QZ_GetLastError(), request.scsiStatus, request.transferred);
    };

    // CHECK CONDITION with sense data is a SCSI answer, not a transport error.
    calls.sgStatus = 0x02;
    calls.driverStatus = 0x08;
    calls.resid = 16;
    EXPECT_EQ(send(true), std::make_tuple(true, 0u, uint8_t {2}, 48u));

    calls.sgStatus = 0;
    calls.driverStatus = 0;
    calls.resid = 0;
    calls.hostStatus = 0x01; // DID_NO_CONNECT
    EXPECT_EQ(send(true), std::make_tuple(false, static_cast<uint32_t>(EIO), uint8_t {0}, 64u));
    calls.hostStatus = 0x03; // DID_TIME_OUT
    EXPECT_EQ(std::get<1>(send(false)), static_cast<uint32_t>(ETIMEDOUT));
    calls.hostStatus = 0;
    calls.driverStatus = 0x06; // DRIVER_TIMEOUT
    EXPECT_EQ(std::get<1>(send(false)), static_cast<uint32_t>(ETIMEDOUT));
    calls.driverStatus = 0;
    calls.sgErrno = EPERM;
    EXPECT_EQ(std::get<0>(send(false)), false);
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EPERM));
    access->Close(handle);
}

TEST_F(LinuxBackendTest, ATunnelDataInWithoutItsDataFailsAndLeavesTheBufferAlone)
{
    struct Reply
    {
        unsigned char status;
        int resid;
    };
    // Status only, short, nothing at all; the last one brings all its data.
    const Reply replies[] = {{0x02, 4096}, {0x00, 100}, {0x00, 4096}, {0x00, 0}};
    const uint8_t vendors[] = {CHIP_VENDOR_JMICRON, CHIP_VENDOR_ASMEDIA};
    calls.dataInRepliesOnly = true;
    for (uint8_t vendor : vendors) {
        SetBridgeSlot(0, kUsbDisk, static_cast<NVMeBridgeVendorType>(vendor));
        for (const Reply &reply : replies) {
            calls.sgStatus = reply.status;
            calls.driverStatus = reply.status != 0 ? 0x08 : 0;
            calls.resid = reply.resid;
            std::vector<uint8_t> buffer(4096, 0x11);
            const bool ok = VC_Bridge_IdentifyCmd(0, buffer.data(), NVME_IDENTIFY_CNS_CONTROLLER) == VC_RESULT_SUCCESS;
            const bool whole = reply.status == 0 && reply.resid == 0;
            EXPECT_EQ(ok, whole) << int {vendor} << " " << int {reply.status} << " " << reply.resid;
            EXPECT_EQ(buffer, std::vector<uint8_t>(4096, whole ? 0xA5 : 0x11));
        }
    }
}

TEST_F(LinuxBackendTest, ADataOutPhaseWithAResidueFailsOnBothBridgesAndAWholeOneSucceeds)
{
    // The payload (JMicron, 512 bytes), the submission entry (ASMedia, 64)
    // and the MCU block (JMicron, 4096): GOOD status with a residue left.
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    SetBridgeSlot(1, kUsbDisk, CHIP_VENDOR_ASMEDIA);
    std::vector<uint8_t> data(4096, 0x5A);
    const std::function<bool()> sends[] = {
        [&] { return VC_Bridge_JM_SetPayloadCmd(0, data.data(), 1, true); },
        [&] { return VC_Bridge_ASM_DataOutCmd(1, data.data(), 64, true, ASM_OPERATION_COMMAND, ASM_DATA_PHASE_IN); },
        [&] { return VC_Bridge_JM_DataOutCmd(0, data.data(), 8, true); },
    };
    const char *const shortLines[]
        = {"Short data-out = 511 of 512\n", "Short data-out = 0 of 64\n", "Short data-out = 2048 of 4096\n"};
    const int residues[] = {1, 64, 2048};
    for (std::size_t i = 0; i < std::size(sends); ++i) {
        calls.resid = residues[i];
        DebugCapture capture;
        EXPECT_FALSE(sends[i]()) << i;
        EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EIO)) << i;
        EXPECT_TRUE(capture.Has(shortLines[i])) << i;
        calls.resid = 0;
        EXPECT_TRUE(sends[i]()) << i;
    }
}

TEST_F(LinuxBackendTest, AWritingCommandWithCheckConditionFailsWithTheStatusLine)
{
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    calls.sgStatus = 0x02;
    calls.driverStatus = 0x08;
    DebugCapture capture;
    EXPECT_EQ(VC_STD_TestUnitReady(0, nullptr), VC_RESULT_FAIL);
    EXPECT_THAT(capture.Texts(), ElementsAre("SCSI Status Fail = 2\n", "ScsiCdbPassThrough -2 \r\n"));
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EREMOTEIO));
}

TEST_F(LinuxBackendTest, SenseDataIsAskedForAndSaysWhatTheCheckConditionWas)
{
    // A UNIT ATTENTION after a USB reset (fixed format) and a bridge's
    // refusal of the command (descriptor format) now read differently.
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    calls.sgStatus = 0x02;
    calls.driverStatus = 0x08;
    struct Case
    {
        std::vector<uint8_t> sense;
        const char *line; // nullptr: none
    };
    const Case cases[] = {
        {Bytes({0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00}), "Sense key = 6, ASC = 29, ASCQ = 00\n"},
        {Bytes({0x72, 0x05, 0x20, 0x01}), "Sense key = 5, ASC = 20, ASCQ = 01\n"},
        {Bytes({0x70, 0, 0x06, 0, 0, 0, 0, 10}), nullptr}, // too short to hold the codes
        {{}, nullptr},
    };
    std::vector<uint8_t> payload(512, 0);
    for (const Case &c : cases) {
        calls.sense = c.sense;
        calls.sg.clear();
        DebugCapture capture;
        EXPECT_FALSE(VC_Bridge_JM_SetPayloadCmd(0, payload.data(), 1, true));
        ASSERT_EQ(calls.sg.size(), 1u);
        EXPECT_EQ(calls.sg[0].mx_sb_len, 32);
        EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EREMOTEIO));
        const std::vector<std::string> texts = capture.Texts();
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[0], "SCSI Status Fail = 2\n");
        if (c.line != nullptr)
            EXPECT_EQ(texts[1], c.line);
        else
            EXPECT_EQ(texts[1].rfind("Sense", 0), std::string::npos);
    }
}

TEST_F(LinuxBackendTest, AMissingPrivilegeOnSgIoShowsTheErrno)
{
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    calls.sgErrno = EPERM;
    DebugCapture capture;
    std::vector<uint8_t> payload(512, 0);
    EXPECT_FALSE(VC_Bridge_JM_SetPayloadCmd(0, payload.data(), 1, true));
    EXPECT_THAT(
        capture.Texts(),
        ElementsAre("LastError(WriteSCSICommandWithTimeOutValue)[1] = 1\r\n",
                    std::string("######### - Permission denied (error 1): SCSI pass-through to ") + kUsbDisk + "\n",
                    "ScsiCdbPassThrough -2 \r\n", "FAILED(VC_Bridge_JM_SetPayloadCmd)\r\n"));
}

// ---- NVMe admin pass-through -------------------------------------------------------------

TEST_F(LinuxBackendTest, IdentifyBecomesAnAdminIdentifyOnTheInterfacePathsNode)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) {
        std::memset(DataOf(cmd), 0x3C, cmd.data_len);
        return 0;
    };
    std::vector<uint8_t> data(4096, 0);
    const std::string path = std::string(kNvmeController) + "/nvme0n1";
    ASSERT_TRUE(Windows10NVMeIdentify(path.c_str(), data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    ASSERT_TRUE(Windows10NVMeIdentify(path.c_str(), data.data(), NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE));
    EXPECT_EQ(data, std::vector<uint8_t>(4096, 0x3C));
    EXPECT_THAT(calls.opened, ElementsAre("/dev/nvme0n1", "/dev/nvme0n1"));
    ASSERT_EQ(calls.admin.size(), 2u);
    EXPECT_EQ(calls.admin[0].opcode, 0x06);
    EXPECT_EQ(calls.admin[0].nsid, 0u);
    EXPECT_EQ(calls.admin[0].cdw10, 1u);
    EXPECT_EQ(calls.admin[0].data_len, 4096u);
    EXPECT_EQ(calls.admin[1].nsid, 1u);
    EXPECT_EQ(calls.admin[1].cdw10, 0u);
}

TEST_F(LinuxBackendTest, GetLogPageReadsTheControllerNodeWithTheDwordCountSplit)
{
    std::vector<uint8_t> page(4096, 0);
    Windows10NVMeGetLog("\\\\.\\PHYSICALDRIVE0", page.data(), 0xC7);
    EXPECT_THAT(calls.opened, ElementsAre("/dev/nvme0"));
    ASSERT_EQ(calls.admin.size(), 1u);
    EXPECT_EQ(calls.admin[0].opcode, 0x02);
    EXPECT_EQ(calls.admin[0].nsid, 0u); // as the bridge tunnel sends it
    EXPECT_EQ(calls.admin[0].cdw10, 0x03FF00C7u);
    EXPECT_EQ(calls.admin[0].cdw11, 0u);
    EXPECT_EQ(calls.admin[0].cdw12, 0u);
    EXPECT_EQ(calls.admin[0].data_len, 4096u);
}

TEST_F(LinuxBackendTest, NvmeStatusAndErrnoOfQueries)
{
    std::vector<uint8_t> data(4096, 0xEE);
    const std::string path = std::string(kNvmeController) + "/nvme0n1";
    DebugCapture capture;
    calls.answer = [](struct nvme_admin_cmd &) { return 0x4002; }; // Invalid Field, do not retry
    EXPECT_FALSE(Windows10NVMeIdentify(path.c_str(), data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    EXPECT_EQ(data, std::vector<uint8_t>(4096, 0xEE));
    calls.answer = [](struct nvme_admin_cmd &) {
        errno = EACCES;
        return -1;
    };
    EXPECT_FALSE(Windows10NVMeIdentify(path.c_str(), data.data(), NVME_IDENTIFY_CNS_CONTROLLER));
    Windows10NVMeGetLog("\\\\.\\PHYSICALDRIVE0", data.data(), 0xC6);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("Windows10NVMeIdentify() fail = 0x5\r\n", "Windows10NVMeIdentify() fail = 0xd\r\n",
                            "######### - Permission denied (error 13): NVMe admin command to " + path + "\n",
                            "Windows10NVMeGetLog() fail = 0xd\r\n",
                            "######### - Permission denied (error 13): NVMe admin command to \\\\.\\PHYSICALDRIVE0\n"));
}

// Answers Identify Controller and the firmware slot log like a drive with
// slot 1 read-only, two slots, slot 2 active and slot 1 pending.
int FirmwareDrive(struct nvme_admin_cmd &cmd, bool upgrade)
{
    uint8_t *data = DataOf(cmd);
    if (cmd.opcode == 0x06) {
        std::memset(data, 0, cmd.data_len);
        data[256] = upgrade ? 0x04 : 0x00;
        data[260] = 0x05;
    } else if (cmd.opcode == 0x02) {
        std::memset(data, 0, cmd.data_len);
        data[0] = 0x12;
        std::memcpy(data + 8, "REV00001", 8);
        std::memcpy(data + 16, "REV00002", 8);
    }
    return 0;
}

TEST_F(LinuxBackendTest, FirmwareInformationComesFromIdentifyAndTheSlotLog)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, true); };
    DebugCapture capture;
    std::vector<uint8_t> block(4176, 0);
    ASSERT_TRUE(NVMePassThrough_GetFwSlotInfo("\\\\.\\PHYSICALDRIVE0", block.data(), 4176));
    EXPECT_THAT(capture.Texts(),
                ElementsAre("\t ----Firmware Information----\n", "\t Support upgrade command: Yes\n",
                            "\t Slot Count: 2\n", "\t Current Active Slot: 2\n", "\t Pending Active Slot: 1\n\n",
                            "\t\t Slot Number: 1\n", "\t\t Slot Read Only: Yes\n", "\t\t Revision: REV00001\n", "\n",
                            "\t\t Slot Number: 2\n", "\t\t Slot Read Only: No\n", "\t\t Revision: REV00002\n", "\n"));
    ASSERT_EQ(calls.admin.size(), 2u);
    EXPECT_EQ(calls.admin[0].opcode, 0x06);
    EXPECT_EQ(calls.admin[0].cdw10, 1u);
    EXPECT_EQ(calls.admin[0].timeout_ms, 30000u);
    EXPECT_EQ(calls.admin[1].opcode, 0x02);
    EXPECT_EQ(calls.admin[1].cdw10, 0x007F0003u);
    EXPECT_EQ(calls.admin[1].data_len, 512u);
}

TEST_F(LinuxBackendTest, DownloadIsOneFirmwareImageDownloadOfTheCallersBlock)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, true); };
    std::vector<uint8_t> block = PatternBlock(77);
    ASSERT_EQ(NVMeVendorCmd_By_FirmwareDownload("\\\\.\\PHYSICALDRIVE0", block.data(), 4096), NVME_FW_DOWNLOAD_DONE);
    ASSERT_EQ(calls.admin.size(), 3u);
    const struct nvme_admin_cmd &download = calls.admin[2];
    EXPECT_EQ(download.opcode, 0x11);
    EXPECT_EQ(download.cdw10, 1023u);
    EXPECT_EQ(download.cdw11, 0u);
    EXPECT_EQ(download.nsid, 0u);
    EXPECT_EQ(download.data_len, 4096u);
    EXPECT_EQ(download.timeout_ms, 30000u);
    ASSERT_EQ(calls.downloads.size(), 1u);
    EXPECT_EQ(calls.downloads[0], block);
}

TEST_F(LinuxBackendTest, NoDownloadWithoutFirmwareDownloadSupport)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, false); };
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload("\\\\.\\PHYSICALDRIVE0", block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
    EXPECT_EQ(calls.admin.size(), 2u);
}

TEST_F(LinuxBackendTest, ARefusedDownloadReturnsTheNvmeStatusAsReturnCode)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) { return cmd.opcode == 0x11 ? 0x114 : FirmwareDrive(cmd, true); };
    DebugCapture capture;
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload("\\\\.\\PHYSICALDRIVE0", block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
    EXPECT_EQ(capture.Texts().back(), "\t FirmwareUpgrade - firmware download failed. srbControl->ReturnCode 276.\n");
}

TEST_F(LinuxBackendTest, ADownloadThatTheSystemRefusesReportsItsErrno)
{
    calls.answer = [](struct nvme_admin_cmd &cmd) {
        if (cmd.opcode == 0x11) {
            errno = EPERM;
            return -1;
        }
        return FirmwareDrive(cmd, true);
    };
    DebugCapture capture;
    std::vector<uint8_t> block(4096, 1);
    EXPECT_EQ(NVMeVendorCmd_By_FirmwareDownload("\\\\.\\PHYSICALDRIVE0", block.data(), 4096), NVME_FW_DOWNLOAD_FAILED);
    const auto texts = capture.Texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "\t FirmwareUpgrade - IOCTL - firmware download failed. 0x1.\n");
    EXPECT_EQ(texts.back(), "######### - Permission denied (error 1): NVMe admin command to \\\\.\\PHYSICALDRIVE0\n");
}

TEST_F(LinuxBackendTest, MalformedRequestsAreRefusedBeforeAnyCommand)
{
    // The checks the simulation makes hold here too (the translator's own
    // test has every case): a wrong request-block version, a wrong Srb.Length,
    // a download record of another version, an Identify without room.
    const qz::DeviceHandle handle = access->Open("\\\\.\\PHYSICALDRIVE0");
    std::vector<uint8_t> request(4176, 0);
    driverdef::FillFirmwareRequestHeader(request.data(), 4176, driverdef::kFirmwareFunctionGetInfo);
    qz::PutLE32(&request[28], 2);
    EXPECT_FALSE(access->FirmwareRequest(handle, request.data(), 4176));
    driverdef::FillFirmwareRequestHeader(request.data(), 4176, driverdef::kFirmwareFunctionGetInfo);
    EXPECT_FALSE(access->FirmwareRequest(handle, request.data(), 4000));
    driverdef::FillFirmwareRequestHeader(request.data(), 4176, driverdef::kFirmwareFunctionDownload);
    qz::PutLE32(&request[56], 2);
    qz::PutLE32(&request[60], 24);
    qz::PutLE64(&request[72], 4096);
    EXPECT_FALSE(access->FirmwareRequest(handle, request.data(), 4176));
    driverdef::TStorageQueryWithBuffer query {};
    query.PropertyId = 49;
    query.ProtocolSpecific.ProtocolType = 3;
    query.ProtocolSpecific.DataType = 1;
    query.ProtocolSpecific.ProtocolDataOffset = 40;
    query.ProtocolSpecific.ProtocolDataLength = 512;
    EXPECT_FALSE(access->StorageProtocolQuery(handle, query));
    EXPECT_TRUE(calls.admin.empty());
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EINVAL));
    access->Close(handle);
}

} // namespace

namespace {

// ---- enumeration on a whole machine --------------------------------------------------------

TEST_F(LinuxBackendTest, EnumerationFindsTheNvmeNamespacesFromSysfsAlone)
{
    // No disk answers INQUIRY as a known bridge here, so only the NVMe
    // namespaces are kept, each with its controller's node as physical drive.
    ASSERT_EQ(VP_PROC_GetQZDevice(), 3u);
    EXPECT_EQ(std::string(AP_Instance[0].pDevicePath), std::string(kNvmeController) + "/nvme0n1");
    EXPECT_STREQ(AP_Instance[0].devPhyFileName, "\\\\.\\PHYSICALDRIVE0");
    EXPECT_EQ(std::string(AP_Instance[1].pDevicePath), std::string(kNvmeController) + "/nvme0n2");
    EXPECT_STREQ(AP_Instance[1].devPhyFileName, "\\\\.\\PHYSICALDRIVE0");
    EXPECT_STREQ(AP_Instance[2].pDevicePath, kMultipathHead);
    EXPECT_STREQ(AP_Instance[2].devPhyFileName, "\\\\.\\PHYSICALDRIVE3");
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_EQ(AP_Instance[slot].ucNVMeCommandPath, 1);

    // Identify goes to the namespace node, the exchange to the controller node.
    calls.opened.clear();
    calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, true); };
    std::vector<uint8_t> block(4096, 0x42);
    EXPECT_EQ(VP_Identify(2, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(2, block.data()), 1);
    EXPECT_THAT(calls.opened, ElementsAre("/dev/nvme1n1", "/dev/nvme3"));
}

} // namespace

namespace {

// ---- a slot reaches only its own drive; opens that disturb nothing ----------------------------

std::string Replaced(const std::string &path)
{
    return "######### - drive of slot 0 is gone or was replaced: " + path + "\n";
}

// Whether the SCSI commands since sgCdbs was cleared asked only for the
// identification pages, which an open checks before the drive is used.
bool OnlyPagesAsked(const FakeCalls &calls)
{
    for (const auto &cdb : calls.sgCdbs) {
        if (cdb[0] != 0x12 || cdb[1] != 1)
            return false;
    }
    return true;
}

TEST_F(LinuxBackendTest, ADiskWithAnotherSequenceNumberBehindTheSameNameGetsNoCommand)
{
    SysfsTree(root.path).File("/sys/block/sdb/diskseq", "7\n");
    calls.diskSequenceErrno = 0;
    calls.diskSequence = 7;
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    qz::RecordSlotIdentity(0);
    EXPECT_EQ(AP_Instance[0].diskIdentity, qz::Sha256("diskseq 7"));
    g_dwQZDeviceCount = 1;
    std::vector<uint8_t> block(4096, 0x33);
    calls.dataInRepliesOnly = true;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1);
    // One read-only descriptor for the whole exchange: payload and data
    // phases of all three tunnelled commands.
    EXPECT_THAT(calls.opened, ElementsAre("/dev/sdb"));
    EXPECT_EQ(calls.openFlags & O_ACCMODE, O_RDONLY);
    EXPECT_EQ(calls.sg.size(), 4u);

    calls.replacedBy = 1; // the next open reaches disk 8
    calls.sg.clear();
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_TRUE(calls.sg.empty());
    EXPECT_TRUE(capture.Has(Replaced(kUsbDisk)));
}

TEST_F(LinuxBackendTest, WithoutDiskSequenceNumbersSysfsIdentifiesTheDisk)
{
    SysfsTree tree(root.path);
    const std::string device = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
    tree.File(device + "/vendor", "JMicron\n");
    tree.File(device + "/model", "Tech\n");
    tree.File("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/idVendor", "152d\n");
    tree.File("/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/idProduct", "0583\n");
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    qz::RecordSlotIdentity(0);
    EXPECT_EQ(AP_Instance[0].diskIdentity,
              qz::Sha256("sysfs JMicron|Tech||||152d:0583: usb - dev  vpd80 absent vpd83 absent"));
    g_dwQZDeviceCount = 1;
    std::vector<uint8_t> block(4096, 0);
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);

    tree.File(device + "/model", "Other disk\n");
    calls.sgCdbs.clear();
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_TRUE(OnlyPagesAsked(calls));
}

TEST_F(LinuxBackendTest, ADiskWithoutAnIdentityGetsNoCommandAndALongOneIsStillChecked)
{
    // Nothing in sysfs names the USB disk: the slot refuses every command.
    SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
    EXPECT_FALSE(AP_Instance[0].diskIdentityRecorded);
    g_dwQZDeviceCount = 1;
    std::vector<uint8_t> block(4096, 0);
    DebugCapture capture;
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_TRUE(calls.sg.empty());
    EXPECT_TRUE(capture.Has(Replaced(kUsbDisk)));

    // An identity far longer than any fixed text field is recorded and held.
    SysfsTree tree(root.path);
    const std::string device = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0";
    tree.File(device + "/wwid", "naa." + std::string(300, '5') + "\n");
    tree.File(device + "/model", "Tech" + std::string(40, ' ') + "\n");
    RecordIdentity(0);
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1);
    tree.File(device + "/wwid", "naa." + std::string(299, '5') + "6\n");
    calls.sg.clear();
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_TRUE(calls.sg.empty());
}

TEST_F(LinuxBackendTest, WithoutDiskSequenceNumbersASwappedEnclosureOrDiskGetsNoCommand)
{
    // Two enclosures of one make share vendor, model, USB ids and serial:
    // the attach's bus and device numbers and the block device number differ.
    const std::string usb = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1";
    const std::string device = usb + "/2-1:1.0/host6/target6:0:0/6:0:0:0";
    struct Case
    {
        const char *what;
        std::function<void(SysfsTree &, FakeCalls &)> change;
        bool enumerateAgain;
        bool accepted;
    };
    const Case cases[] = {
        {"an identical enclosure in its place", [&](SysfsTree &t, FakeCalls &) { t.File(usb + "/devnum", "6\n"); },
         false, false},
        {"the SSD swapped, the disk probed anew",
         [&](SysfsTree &t, FakeCalls &c) {
             t.File(std::string(kUsbDisk) + "/dev", "8:32\n");
             c.rdevMinor = 32;
         },
         false, false},
        {"a descriptor reaching another disk", [&](SysfsTree &, FakeCalls &c) { c.rdevMinor = 32; }, false, false},
        {"the same enclosure replugged and listed again",
         [&](SysfsTree &t, FakeCalls &) { t.File(usb + "/devnum", "7\n"); }, true, true},
    };
    for (const Case &c : cases) {
        SysfsTree tree(root.path);
        tree.File(device + "/vendor", "JMicron\n");
        tree.File(device + "/model", "Tech\n");
        tree.File(usb + "/idVendor", "152d\n");
        tree.File(usb + "/idProduct", "0583\n");
        tree.File(usb + "/serial", "0123456789AB\n");
        tree.File(usb + "/busnum", "2\n");
        tree.File(usb + "/devnum", "5\n");
        tree.File(std::string(kUsbDisk) + "/dev", "8:16\n");
        calls.rdevMinor = 16;
        SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
        g_dwQZDeviceCount = 1;
        std::vector<uint8_t> block(4096, 0);
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1) << c.what;
        c.change(tree, calls);
        if (c.enumerateAgain)
            RecordIdentity(0);
        calls.sgCdbs.clear();
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), c.accepted ? 1 : 0) << c.what;
        EXPECT_EQ(OnlyPagesAsked(calls), !c.accepted) << c.what;
    }
}

TEST_F(LinuxBackendTest, WithoutDiskSequenceNumbersTheDrivesOwnPagesTellIdenticalEnclosuresApart)
{
    // Everything sysfs tells stays the same (attach numbers can repeat): the
    // unit serial number and identification pages of the drive inside,
    // asked on the descriptor at enumeration and at every open, differ.
    const std::string usb = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1";
    const std::string device = usb + "/2-1:1.0/host6/target6:0:0/6:0:0:0";
    using Pages = std::map<uint8_t, std::vector<uint8_t>>;
    const Pages driveA = {{0x80, {0, 0x80, 0, 4, 'S', 'N', '0', '1'}},
                          {0x83, {0, 0x83, 0, 12, 1, 3, 0, 8, 0x50, 0, 0, 0, 0, 0, 0, 0x0A}}};
    Pages driveB = driveA;
    driveB[0x80][7] = '2';
    Pages otherName = driveA;
    otherName[0x83][15] = 0x0B;
    struct Case
    {
        const char *what;
        Pages before, after;
        bool replugged; // new attach numbers, listed again
        bool accepted;
    };
    const Case cases[] = {
        {"another SSD in an identical enclosure", driveA, driveB, false, false},
        {"only the identification page differs", driveA, otherName, false, false},
        {"pages answered when listed, refused now", driveA, {}, false, false},
        {"the same enclosure replugged and listed again", driveA, driveA, true, true},
        {"a drive that refuses both pages", {}, {}, false, true},
    };
    for (const Case &c : cases) {
        SysfsTree tree(root.path);
        tree.File(device + "/vendor", "JMicron\n");
        tree.File(device + "/model", "Tech\n");
        tree.File(usb + "/idVendor", "152d\n");
        tree.File(usb + "/serial", "0123456789AB\n");
        tree.File(usb + "/devnum", "5\n");
        calls.vpd = c.before;
        calls.sg.clear();
        calls.sgCdbs.clear();
        SetBridgeSlot(0, kUsbDisk, CHIP_VENDOR_JMICRON);
        EXPECT_TRUE(AP_Instance[0].diskIdentityRecorded) << c.what;
        ASSERT_EQ(calls.sg.size(), 2u) << c.what;
        EXPECT_THAT(calls.sgCdbs[0], ElementsAre(0x12, 1, 0x80, 0, 252, 0, 0, 0, 0, 0, 0, 0)) << c.what;
        EXPECT_EQ(calls.sgCdbs[1][2], 0x83) << c.what;
        EXPECT_EQ(calls.sg[1].dxfer_direction, SG_DXFER_FROM_DEV);
        EXPECT_EQ(calls.sg[1].dxfer_len, 252u);
        g_dwQZDeviceCount = 1;
        std::vector<uint8_t> block(4096, 0);
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 1) << c.what;

        calls.vpd = c.after;
        if (c.replugged) {
            tree.File(usb + "/devnum", "7\n");
            RecordIdentity(0);
        }
        calls.sgCdbs.clear();
        DebugCapture capture;
        EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), c.accepted ? 1 : 0) << c.what;
        EXPECT_EQ(OnlyPagesAsked(calls), !c.accepted) << c.what;
        EXPECT_EQ(capture.Has(Replaced(kUsbDisk)), !c.accepted) << c.what;
    }
}

TEST_F(LinuxBackendTest, ADirectDrivesNamespaceAndControllerAreBothChecked)
{
    SysfsTree tree(root.path);
    tree.File(std::string(kNvmeController) + "/nvme0n1/diskseq", "3\n");
    tree.File(std::string(kNvmeController) + "/serial", "S123\n");
    tree.File(std::string(kNvmeController) + "/model", "Drive\n");
    calls.diskSequenceErrno = 0;
    calls.diskSequence = 3;
    calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, true); };
    ASSERT_EQ(VP_PROC_GetQZDevice(), 3u);
    g_dwQZDeviceCount = 3;
    EXPECT_EQ(AP_Instance[0].diskIdentity, qz::Sha256("diskseq 3 below nvme0"));
    EXPECT_EQ(AP_Instance[0].controllerIdentity, qz::Sha256("nvme S123|Drive||"));
    std::vector<uint8_t> block(4096, 0x42);
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1);

    // Another drive on the same controller number: no admin command reaches it.
    tree.File(std::string(kNvmeController) + "/serial", "S999\n");
    calls.admin.clear();
    DebugCapture capture;
    EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0);
    EXPECT_TRUE(calls.admin.empty());
    EXPECT_TRUE(capture.Has(Replaced("\\\\.\\PHYSICALDRIVE0")));
    // And another namespace disk behind nvme0n1.
    calls.diskSequence = 4;
    EXPECT_EQ(VP_Identify(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER), 0);
    EXPECT_TRUE(calls.admin.empty());
    EXPECT_TRUE(capture.Has(Replaced(std::string(kNvmeController) + "/nvme0n1")));
}

TEST_F(LinuxBackendTest, ADirectExchangeChecksTheNamespaceAndTheControllersIdAndAddress)
{
    // Two drives of one model with the same placeholder serial: the
    // controller id and bus address, and the namespace below the controller,
    // tell them apart.
    struct Case
    {
        const char *what;
        std::function<void(SysfsTree &)> change;
    };
    const std::string controller = kNvmeController;
    const std::string ns = controller + "/nvme0n1";
    const Case cases[] = {
        {"another controller id", [&](SysfsTree &t) { t.File(controller + "/cntlid", "2\n"); }},
        {"another address", [&](SysfsTree &t) { t.File(controller + "/address", "0000:02:00.0\n"); }},
        {"another namespace disk", [&](SysfsTree &t) { t.File(ns + "/diskseq", "9\n"); }},
        {"the namespace below another controller",
         [&](SysfsTree &) {
             fs::remove(root.path + ns + "/device");
             fs::create_directory_symlink("../../../../0000:00:02.0/0000:02:00.0/nvme/nvme3",
                                          root.path + ns + "/device");
         }},
    };
    for (const Case &c : cases) {
        SysfsTree tree(root.path);
        tree.File(ns + "/diskseq", "3\n");
        tree.File(controller + "/serial", "00000000\n");
        tree.File(controller + "/cntlid", "1\n");
        tree.File(controller + "/address", "0000:01:00.0\n");
        fs::remove(root.path + ns + "/device");
        fs::create_directory_symlink("../../nvme0", root.path + ns + "/device");
        calls.diskSequenceErrno = 0;
        calls.diskSequence = 3;
        calls.answer = [](struct nvme_admin_cmd &cmd) { return FirmwareDrive(cmd, true); };
        ClearInstanceTable();
        ASSERT_EQ(VP_PROC_GetQZDevice(), 3u) << c.what;
        g_dwQZDeviceCount = 3;
        std::vector<uint8_t> block(4096, 0x42);
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 1) << c.what;
        c.change(tree);
        calls.admin.clear();
        DebugCapture capture;
        EXPECT_EQ(VP_SysIloRgbMcuCmdWrite(0, block.data()), 0) << c.what;
        EXPECT_TRUE(calls.admin.empty()) << c.what;
        EXPECT_TRUE(capture.Has(Replaced("\\\\.\\PHYSICALDRIVE0"))) << c.what;
    }
}

TEST_F(LinuxBackendTest, AReadOnlyOpenRefusedWhereReadWriteWorksIsSaid)
{
    calls.readOnlyErrno = EACCES;
    DebugCapture capture;
    const qz::DeviceHandle handle = access->Open(kUsbDisk);
    ASSERT_NE(handle, qz::kInvalidDeviceHandle);
    access->Close(handle);
    EXPECT_THAT(capture.Texts(),
                ElementsAre("######### - read-only open refused (error 13), read-write open works: /dev/sdb\n"));
    // Refused both ways: the read-only refusal is what is reported.
    calls.openErrno = EROFS;
    EXPECT_EQ(access->Open(kUsbDisk), qz::kInvalidDeviceHandle);
    EXPECT_EQ(QZ_GetLastError(), static_cast<uint32_t>(EACCES));
}

} // namespace
