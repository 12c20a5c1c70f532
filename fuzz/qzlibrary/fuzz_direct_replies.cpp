// Whatever the platform answers (query records with any data offset,
// firmware information with any slot count, SCSI data of any length), the
// transports stay inside their buffers.
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/NVMeDirect.h"
#include "FuzzInput.h"
#include "QZUtil/QZUtil.h"
#include "V_Cmd/VC_Bridge.h"
#include "V_Cmd/VC_Std.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"

namespace {

class ReplyingAccess : public qz::DeviceAccess
{
public:
    explicit ReplyingAccess(FuzzInput &in)
        : in(in)
    { }
    bool ListDiskInterfaces(std::vector<std::string> &, std::size_t) override { return false; }
    qz::DeviceHandle Open(const char *) override
    {
        QZ_SetLastError(in.Byte() == 0xFF ? 2 : 0);
        return QZ_GetLastError() == 0 ? 7 : qz::kInvalidDeviceHandle;
    }
    void Close(qz::DeviceHandle) override { }
    bool ScsiPassThrough(qz::DeviceHandle, qz::ScsiRequest &request) override
    {
        const uint32_t n = std::min<uint32_t>(request.length, in.Word());
        if (request.dataIn && request.buffer != nullptr)
            in.Fill(request.buffer, n);
        request.scsiStatus = in.Byte();
        request.transferred = in.Dword();
        in.Fill(request.sense, sizeof request.sense);
        request.senseLength = in.Byte();
        return Answer();
    }
    bool GetDiskNumber(qz::DeviceHandle, uint32_t &number) override
    {
        number = in.Dword();
        return Answer();
    }
    bool StorageProtocolQuery(qz::DeviceHandle, driverdef::TStorageQueryWithBuffer &query) override
    {
        in.Fill(&query, sizeof query);
        return Answer();
    }
    bool FirmwareRequest(qz::DeviceHandle, uint8_t *request, uint32_t length) override
    {
        in.Fill(request, length);
        return Answer();
    }

private:
    bool Answer()
    {
        const uint8_t b = in.Byte();
        QZ_SetLastError(b & 0x7F);
        return (b & 0x80) == 0;
    }
    FuzzInput &in;
};

void Silence(void *, const char *, std::size_t)
{ }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    qz::dbg::SetCapture(&Silence, nullptr);
    FuzzInput in(data, size);
    ReplyingAccess access(in);
    qz::SetDeviceAccessForTesting(&access);
    std::snprintf(AP_Instance[0].pDevicePath, sizeof AP_Instance[0].pDevicePath, "/sys/fuzz/sdb");
    AP_Instance[0].ucUSBBridgeVendor = static_cast<uint8_t>(in.Byte() % 4);

    std::vector<uint8_t> block(4096, 0);
    Windows10NVMeIdentify("/fuzz", block.data(), static_cast<NVME_IDENTIFY_CNS_CODES>(in.Byte() % 3));
    Windows10NVMeGetLog("/fuzz", block.data(), in.Byte());
    std::vector<uint8_t> info(in.Word() % 4200, 0);
    NVMePassThrough_GetFwSlotInfo("/fuzz", info.empty() ? nullptr : info.data(), static_cast<uint32_t>(info.size()));
    NVMeVendorCmd_By_FirmwareDownload("/fuzz", block.data(), 4096);
    VC_Bridge_GetLogPageCmd(0, block.data(), 0xC6, 1024);
    VC_Bridge_IdentifyCmd(0, block.data(), NVME_IDENTIFY_CNS_CONTROLLER);
    VC_Bridge_FirmwareImageDownloadCmd(0, block.data(), 1024, 0);
    uint8_t one = 0;
    const uint8_t cdb[12] = {0x25};
    ScsiCdbPassThrough(0, true, cdb, 12, &one, 1, false);
    VC_STD_ReadCapacity(0, block.data(), 8);

    qz::SetDeviceAccessForTesting(nullptr);
    qz::dbg::SetCapture(nullptr, nullptr);
    return 0;
}
