#include "DeviceAccess/linux/LinuxDeviceAccess.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "DeviceAccess/VitalProductData.h"
#include "DeviceAccess/linux/LinuxDiskList.h"
#include "QZUtil/QZUtil.h"
#include "dbg/DllPrintf.h"
#include "nvme/NVMeCommand.h"

using namespace driverdef;
namespace fs = std::filesystem;

namespace qz {

int LinuxSystemCalls::Open(const char *path, int flags)
{
    return ::open(path, flags);
}
int LinuxSystemCalls::Close(int fd)
{
    return ::close(fd);
}
int LinuxSystemCalls::SgIo(int fd, sg_io_hdr_t *header)
{
    return ::ioctl(fd, SG_IO, header);
}
int LinuxSystemCalls::NvmeAdmin(int fd, struct nvme_admin_cmd *cmd)
{
    return ::ioctl(fd, NVME_IOCTL_ADMIN_CMD, cmd);
}
int LinuxSystemCalls::DiskSequence(int fd, unsigned long long *sequence)
{
    return ::ioctl(fd, BLKGETDISKSEQ, sequence);
}
int LinuxSystemCalls::DeviceNumber(int fd, unsigned *major, unsigned *minor)
{
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return -1;
    *major = major(status.st_rdev);
    *minor = minor(status.st_rdev);
    return 0;
}

namespace {

// Transport failures in sg_io_hdr: host byte DID_TIME_OUT, driver byte
// DRIVER_TIMEOUT; the DRIVER_SENSE flag only says sense data came back.
constexpr unsigned kHostTimeout = 0x03;
constexpr unsigned kDriverStatusMask = 0x07;
constexpr unsigned kDriverTimeout = 0x06;

bool StartsWithNoCase(const char *text, const char *prefix)
{
    for (; *prefix != '\0'; ++text, ++prefix) {
        const char c = (*text >= 'A' && *text <= 'Z') ? static_cast<char>(*text - 'A' + 'a') : *text;
        if (c != *prefix)
            return false;
    }
    return true;
}

uint32_t Fail(uint32_t error)
{
    QZ_SetLastError(error);
    return error;
}

} // namespace

LinuxDeviceAccess::LinuxDeviceAccess(std::string sysfsRoot, LinuxSystemCalls *calls)
    : sysfsRoot(std::move(sysfsRoot))
    , calls(calls != nullptr ? calls : &ownCalls)
{ }

bool LinuxDeviceAccess::ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount)
{
    if (!ListSysfsDisks(sysfsRoot, maxCount, paths)) {
        Fail(ENOENT);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

std::string LinuxDeviceAccess::DeviceNodeFor(const char *path)
{
    if (path == nullptr)
        return std::string();
    static const char kPhysicalDrive[] = "\\\\.\\physicaldrive";
    if (StartsWithNoCase(path, kPhysicalDrive)) {
        const char *digits = path + sizeof kPhysicalDrive - 1;
        const size_t count = std::strlen(digits);
        if (count == 0 || count > 9)
            return std::string();
        for (size_t i = 0; i < count; ++i) {
            if (digits[i] < '0' || digits[i] > '9')
                return std::string();
        }
        return "/dev/nvme" + std::to_string(std::stoul(digits));
    }
    const std::string text(path);
    if (text.rfind("/sys/", 0) == 0) {
        const std::string last = text.substr(text.find_last_of('/') + 1);
        if (last.empty() || last == "." || last == "..")
            return std::string();
        return "/dev/" + last;
    }
    if (text.rfind("/dev/", 0) == 0 && text.size() > 5)
        return text;
    return std::string();
}

int LinuxDeviceAccess::OpenNode(const std::string &node, bool reportReadWrite)
{
    // Read-only: the commands we send need CAP_SYS_RAWIO (vendor SCSI
    // commands) or CAP_SYS_ADMIN (NVMe admin commands), not a writable
    // descriptor; and closing a writable one makes udev re-probe the disk.
    int fd = calls->Open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0)
        return fd;
    const int readOnlyErrno = errno;
    if (readOnlyErrno == EACCES || readOnlyErrno == EPERM) {
        fd = calls->Open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0 && reportReadWrite)
            __dll_printf(QZ_FORMAT_READ_ONLY_REFUSED, static_cast<unsigned>(readOnlyErrno), node.c_str());
    }
    errno = readOnlyErrno;
    return fd;
}

DeviceHandle LinuxDeviceAccess::Open(const char *path)
{
    const std::string node = DeviceNodeFor(path);
    if (node.empty()) {
        Fail(ENOENT);
        return kInvalidDeviceHandle;
    }
    const int fd = OpenNode(node, true);
    if (fd < 0) {
        Fail(static_cast<uint32_t>(errno));
        return kInvalidDeviceHandle;
    }
    openPaths[fd] = path;
    QZ_SetLastError(0);
    return fd;
}

void LinuxDeviceAccess::Close(DeviceHandle handle)
{
    if (handle < 0 || handle > INT_MAX)
        return;
    const int fd = static_cast<int>(handle);
    openPaths.erase(fd);
    const int savedErrno = errno;
    calls->Close(fd);
    errno = savedErrno;
}

bool LinuxDeviceAccess::ScsiPassThrough(DeviceHandle handle, ScsiRequest &request)
{
    winreq::ScsiTransfer transfer;
    if (!winreq::TranslateScsiRequest(request, transfer)) {
        Fail(EINVAL);
        return false;
    }
    sg_io_hdr_t header;
    std::memset(&header, 0, sizeof header);
    header.interface_id = 'S';
    header.dxfer_direction = transfer.direction == winreq::DataDirection::None ? SG_DXFER_NONE
        : transfer.direction == winreq::DataDirection::In                      ? SG_DXFER_FROM_DEV
                                                                               : SG_DXFER_TO_DEV;
    header.cmd_len = request.cdbLength;
    header.cmdp = request.cdb;
    header.dxfer_len = request.length;
    header.dxferp = request.length == 0 ? nullptr : request.buffer;
    header.mx_sb_len = sizeof request.sense;
    header.sbp = request.sense;
    header.timeout = transfer.timeoutMs;

    if (calls->SgIo(static_cast<int>(handle), &header) < 0) {
        Fail(static_cast<uint32_t>(errno));
        return false;
    }
    request.scsiStatus = header.status;
    request.senseLength = header.sb_len_wr < sizeof request.sense ? header.sb_len_wr : sizeof request.sense;
    const int resid = header.resid < 0 ? 0 : header.resid;
    request.transferred
        = static_cast<uint32_t>(resid) >= request.length ? 0 : request.length - static_cast<uint32_t>(resid);

    const unsigned driver = header.driver_status & kDriverStatusMask;
    if (header.host_status != 0 || driver != 0) {
        Fail((header.host_status == kHostTimeout || driver == kDriverTimeout) ? ETIMEDOUT : EIO);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::GetDiskNumber(DeviceHandle handle, uint32_t &number)
{
    const auto it = openPaths.find(static_cast<int>(handle));
    if (it == openPaths.end()) {
        Fail(EBADF);
        return false;
    }
    const std::string node = DeviceNodeFor(it->second.c_str());
    if (StartsWithNoCase(it->second.c_str(), "\\\\.\\physicaldrive")) {
        number = static_cast<uint32_t>(std::stoul(node.substr(9)));
        QZ_SetLastError(0);
        return true;
    }
    if (!SysfsNvmeControllerInstance(sysfsRoot, it->second, number)) {
        Fail(ENODEV);
        return false;
    }
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::Admin(int fd, const winreq::AdminCommand &command, uint32_t &nvmeStatus)
{
    struct nvme_admin_cmd cmd;
    std::memset(&cmd, 0, sizeof cmd);
    const NVMeSubmissionEntry &e = command.entry;
    cmd.opcode = e.opcode;
    cmd.flags = e.flags;
    cmd.nsid = e.nsid;
    cmd.cdw2 = e.cdw2;
    cmd.cdw3 = e.cdw3;
    cmd.cdw10 = e.cdw10;
    cmd.cdw11 = e.cdw11;
    cmd.cdw12 = e.cdw12;
    cmd.cdw13 = e.cdw13;
    cmd.cdw14 = e.cdw14;
    cmd.cdw15 = e.cdw15;
    cmd.addr = reinterpret_cast<uintptr_t>(command.data);
    cmd.data_len = command.dataLength;
    cmd.timeout_ms = command.timeoutMs;

    nvmeStatus = 0;
    const int result = calls->NvmeAdmin(fd, &cmd);
    if (result < 0) {
        Fail(static_cast<uint32_t>(errno));
        return false;
    }
    nvmeStatus = static_cast<uint32_t>(result);
    QZ_SetLastError(0);
    return true;
}

bool LinuxDeviceAccess::StorageProtocolQuery(DeviceHandle handle, TStorageQueryWithBuffer &query)
{
    winreq::AdminCommand command;
    if (!winreq::TranslateStorageQuery(query, command)) {
        Fail(EINVAL);
        return false;
    }
    uint32_t status = 0;
    if (!Admin(static_cast<int>(handle), command, status))
        return false;
    if (status != 0) {
        Fail(EIO);
        return false;
    }
    return true;
}

bool LinuxDeviceAccess::FirmwareInformation(int fd, const winreq::FirmwareRequest &request, uint32_t &returnCode)
{
    uint8_t controller[NVME_DATA_BLOCK_SIZE] = {};
    uint8_t slotLog[winreq::kFirmwareSlotLogBytes] = {};
    uint32_t status = 0;
    if (!Admin(fd, winreq::FirmwareIdentifyCommand(controller, request.timeoutMs), status))
        return false;
    if (status == 0 && !Admin(fd, winreq::FirmwareSlotLogCommand(slotLog, request.timeoutMs), status))
        return false;
    returnCode = status;
    if (status == 0)
        winreq::WriteFirmwareInformation(request, winreq::SummaryFromController(controller, slotLog));
    return true;
}

bool LinuxDeviceAccess::FirmwareRequest(DeviceHandle handle, uint8_t *record, uint32_t length)
{
    winreq::FirmwareRequest request;
    winreq::AdminCommand download;
    if (!winreq::DecodeFirmwareRequest(record, length, request)
        || (request.function == kFirmwareFunctionGetInfo && !winreq::InformationFits(request))
        || (request.function == kFirmwareFunctionDownload && !winreq::TranslateFirmwareDownload(request, download))) {
        Fail(EINVAL);
        return false;
    }
    const int fd = static_cast<int>(handle);
    uint32_t returnCode = 0;
    const bool carried = request.function == kFirmwareFunctionGetInfo ? FirmwareInformation(fd, request, returnCode)
                                                                      : Admin(fd, download, returnCode);
    if (!carried)
        return false;
    winreq::SetReturnCode(request, returnCode);
    QZ_SetLastError(0);
    return true;
}

namespace {

std::string ReadFirstLine(const fs::path &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// "/dev/nvme<n>": true with the controller's name.
bool IsControllerNode(const std::string &node, std::string &name)
{
    static const char kPrefix[] = "/dev/nvme";
    if (node.rfind(kPrefix, 0) != 0 || node.size() == sizeof kPrefix - 1)
        return false;
    for (std::size_t i = sizeof kPrefix - 1; i < node.size(); ++i) {
        if (node[i] < '0' || node[i] > '9')
            return false;
    }
    name = node.substr(5);
    return true;
}

} // namespace

std::string LinuxDeviceAccess::ControllerOfNamespace(const std::string &node)
{
    // An NVMe namespace names the controller it sits below, so that a
    // namespace that moved to another controller is another drive for the
    // controller's node.
    uint32_t instance = 0;
    if (node.rfind("/dev/nvme", 0) != 0
        || !SysfsNvmeControllerInstance(sysfsRoot, "/sys/block/" + node.substr(5), instance))
        return std::string();
    return " below nvme" + std::to_string(instance);
}

std::string LinuxDeviceAccess::SysfsIdentity(const std::string &node, bool *behindUsb)
{
    const fs::path sys = fs::path(sysfsRoot.empty() ? "/" : sysfsRoot) / "sys";
    std::string controller;
    if (IsControllerNode(node, controller)) {
        // An NVMe controller has no disk sequence number; its serial and
        // model name the drive behind it, its controller id and bus address
        // tell apart two drives of one model with placeholder serials.
        const fs::path dir = sys / "class/nvme" / controller;
        const std::string serial = ReadFirstLine(dir / "serial");
        if (serial.empty())
            return std::string();
        return "nvme " + serial + "|" + ReadFirstLine(dir / "model") + "|" + ReadFirstLine(dir / "cntlid") + "|"
            + ReadFirstLine(dir / "address");
    }
    if (node.rfind("/dev/", 0) != 0 || node.find('/', 5) != std::string::npos)
        return std::string();
    const fs::path disk = sys / "block" / node.substr(5);
    const std::string sequence = ReadFirstLine(disk / "diskseq");
    if (!sequence.empty())
        return "diskseq " + sequence + ControllerOfNamespace(node);
    // Kernels before 5.15 number no disks. What sysfs tells about the device
    // is weaker: a second enclosure of the same make with the same drive
    // model and no serial numbers looks the same. The USB device's bus and
    // device numbers, new on every attach, and the block device number tell
    // a replugged or swapped enclosure apart; an open descriptor adds the
    // drive's own identification pages (IdentityOfHandle).
    std::string identity;
    for (const char *attribute : {"device/vendor", "device/model", "device/serial", "device/wwid", "wwid"})
        identity += ReadFirstLine(disk / attribute) + "|";
    if (identity.find_first_not_of("|") == std::string::npos)
        return std::string();
    std::error_code ec;
    for (fs::path dir = fs::canonical(disk / "device", ec); !ec && dir.has_relative_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            identity += ReadFirstLine(dir / "idVendor") + ":" + ReadFirstLine(dir / "idProduct") + ":"
                + ReadFirstLine(dir / "serial") + " usb " + ReadFirstLine(dir / "busnum") + "-"
                + ReadFirstLine(dir / "devnum");
            if (behindUsb != nullptr)
                *behindUsb = true;
            break;
        }
    }
    return "sysfs " + identity + " dev " + ReadFirstLine(disk / "dev");
}

std::string LinuxDeviceAccess::IdentityOfPath(const char *path)
{
    const std::string node = DeviceNodeFor(path);
    if (node.empty())
        return std::string();
    bool behindUsb = false;
    const std::string identity = SysfsIdentity(node, &behindUsb);
    if (identity.empty() || !behindUsb)
        return identity;
    // A USB disk without a disk sequence number is also named by what its
    // drive answers, which only a descriptor of its own can ask.
    const uint32_t savedError = QZ_GetLastError();
    const int savedErrno = errno;
    const int fd = OpenNode(node, false);
    std::string reached;
    if (fd >= 0) {
        openPaths[fd] = path;
        reached = IdentityOfHandle(fd);
        Close(fd);
    }
    QZ_SetLastError(savedError);
    errno = savedErrno;
    return reached;
}

std::string LinuxDeviceAccess::IdentityOfHandle(DeviceHandle handle)
{
    const auto it = openPaths.find(static_cast<int>(handle));
    if (it == openPaths.end())
        return std::string();
    const std::string node = DeviceNodeFor(it->second.c_str());
    std::string controller;
    const fs::path sys = fs::path(sysfsRoot.empty() ? "/" : sysfsRoot) / "sys";
    std::error_code ec;
    if (!IsControllerNode(node, controller) && node.rfind("/dev/", 0) == 0
        && fs::exists(sys / "block" / node.substr(5) / "diskseq", ec)) {
        // The kernel numbers its disks: the descriptor's own number names the
        // disk it reaches, whatever now carries its name.
        unsigned long long sequence = 0;
        const int savedErrno = errno;
        const int result = calls->DiskSequence(static_cast<int>(handle), &sequence);
        errno = savedErrno;
        return result == 0 ? "diskseq " + std::to_string(sequence) + ControllerOfNamespace(node) : std::string();
    }
    // A controller node, or a kernel without disk sequence numbers: the
    // descriptor keeps what it opened, so sysfs read now describes it unless
    // the device changed in between (weaker, see SysfsIdentity). A block
    // device's descriptor must reach the device number sysfs names.
    bool behindUsb = false;
    const std::string identity = SysfsIdentity(node, &behindUsb);
    if (identity.empty() || IsControllerNode(node, controller))
        return identity;
    const std::string sysfsNumber = ReadFirstLine(sys / "block" / node.substr(5) / "dev");
    unsigned major = 0;
    unsigned minor = 0;
    const int savedErrno = errno;
    const int result = calls->DeviceNumber(static_cast<int>(handle), &major, &minor);
    errno = savedErrno;
    if (!sysfsNumber.empty() && (result != 0 || sysfsNumber != std::to_string(major) + ":" + std::to_string(minor)))
        return std::string();
    // Behind a USB bridge the drive's own serial number and identification
    // pages tell apart two enclosures of one make, and an SSD swapped inside.
    return behindUsb ? identity + " " + DeviceIdentificationPages(*this, handle) : identity;
}

DeviceAccess &PlatformDeviceAccess()
{
    static LinuxDeviceAccess access;
    return access;
}

} // namespace qz
