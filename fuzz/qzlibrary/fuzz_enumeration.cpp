// Enumeration and the per-drive exports over arbitrary simulated disks: odd
// paths, INQUIRY identities, block lengths and failing requests. Whatever the
// disks answer, the count stays within the path limit, every counted slot has
// exactly one transport, no device stays open, and a failed read leaves the
// caller's block as it was.
#include <cstdlib>
#include <string>
#include <vector>

#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "FuzzInput.h"
#include "QZlibrary.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"

namespace {

const char *const kFragments[] = {"/sys/devices", "/usb2", "/scsi",  "/nvme/nvme0", "/NVMe",   "usbstor#disk",
                                  "/block/sdb",   "/USB",  "/host6", "nvme0n1",     "\\\\?\\", "#{53f56307}"};

std::string Text(FuzzInput &in, std::size_t maxLength)
{
    std::string text(in.Byte() % (maxLength + 1), '\0');
    for (char &c : text)
        c = static_cast<char>(in.Byte());
    return text;
}

std::string Path(FuzzInput &in)
{
    std::string path;
    const int parts = in.Byte() % 8;
    for (int i = 0; i < parts; ++i) {
        const uint8_t choice = in.Byte();
        if (choice < 200) {
            path += kFragments[choice % (sizeof kFragments / sizeof kFragments[0])];
        } else {
            path += std::string(in.Byte(), static_cast<char>('a' + choice % 26)); // long runs
        }
    }
    for (char &c : path) {
        if (c == '\0')
            c = '0';
    }
    return path;
}

qz::sim::Fault MakeFault(FuzzInput &in)
{
    qz::sim::Fault f;
    f.target = static_cast<qz::sim::FaultTarget>(in.Byte() % 7);
    f.scsiOpcode = in.Byte();
    f.logId = (in.Byte() & 1) != 0 ? -1 : (in.Byte() & 1) != 0 ? 0xC6 : 0xC7;
    f.phase = (in.Byte() & 1) != 0 ? qz::sim::FaultPhase::Payload : qz::sim::FaultPhase::Data;
    f.effect = static_cast<qz::sim::FaultEffect>(in.Byte() % 3);
    f.value = in.Byte();
    f.error = (in.Byte() & 1) != 0 ? 13 : in.Byte();
    f.after = in.Byte() % 8;
    f.times = in.Byte() % 4 == 0 ? UINT32_MAX : in.Byte() % 4;
    return f;
}

void Silence(void *, const char *, std::size_t)
{ }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    qz::SimDeviceAccess sim;
    sim.Settings().listFails = in.Byte() == 0xFF;
    const int drives = in.Byte() % 90;
    for (int i = 0; i < drives && !in.Empty(); ++i) {
        qz::sim::DriveConfig c;
        c.path = Path(in);
        c.kind = static_cast<qz::sim::DriveKind>(in.Byte() % 4);
        c.number = in.Byte() % 5 == 0 ? -1 : in.Byte();
        if ((in.Byte() & 1) != 0)
            c.vendor = Text(in, 10);
        if ((in.Byte() & 1) != 0)
            c.product = Text(in, 18);
        if ((in.Byte() & 1) != 0)
            c.chip = Text(in, 5);
        c.medium = (in.Byte() & 3) != 0;
        c.blockLength = (in.Byte() & 1) != 0 ? 512 : in.Dword();
        c.upgrade = (in.Byte() & 3) != 0;
        const int faults = in.Byte() % 3;
        for (int f = 0; f < faults; ++f)
            c.faults.push_back(MakeFault(in));
        sim.AddDrive(std::move(c));
    }

    qz::dbg::SetCapture(&Silence, nullptr);
    qz::SetDeviceAccessForTesting(&sim);
    const int count = QZLib_PROC_GetQZDevice();
    if (count < 0 || count > 80 || count > drives)
        std::abort();
    for (int slot = 0; slot < count; ++slot) {
        if (AP_Instance[slot].ucUSBCommandPath + AP_Instance[slot].ucNVMeCommandPath != 1)
            std::abort();
    }

    std::vector<unsigned char> block(4096);
    for (int drive = 0; drive <= count && drive < 256; ++drive) {
        const auto instance = static_cast<unsigned char>(drive);
        QZLib_Identify(instance, block.data());
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<unsigned char>(i + drive);
        const std::vector<unsigned char> request = block;
        QZLib_SYS_IloRgbMcuCmdWrite(instance, block.data());
        if (block != request)
            std::abort(); // a write never changes the caller's block
        if (!QZLib_SYS_IloRgbMcuCmdRead(instance, block.data()) && block != request)
            std::abort();
    }
    if (sim.OpenHandleCount() != 0)
        std::abort();

    qz::SetDeviceAccessForTesting(nullptr);
    qz::dbg::SetCapture(nullptr, nullptr);
    return 0;
}
