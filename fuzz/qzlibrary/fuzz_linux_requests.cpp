// The Linux backend given request records with any field values and device
// answers of any content: it refuses what does not fit and never lets the
// kernel (here a stand-in) read or write outside the record.
#include <cstring>
#include <vector>

#include "DeviceAccess/linux/LinuxDeviceAccess.h"
#include "FuzzInput.h"

namespace {

// Stands in for the kernel: touches exactly the bytes a request names.
class KernelStandIn : public qz::LinuxSystemCalls
{
public:
    explicit KernelStandIn(FuzzInput &in)
        : in(in)
    { }
    int Open(const char *, int) override { return 5; }
    int Close(int) override { return 0; }
    int SgIo(int, sg_io_hdr_t *header) override
    {
        auto *data = static_cast<uint8_t *>(header->dxferp);
        if (header->dxfer_direction == SG_DXFER_FROM_DEV)
            in.Fill(data, header->dxfer_len);
        volatile uint8_t sink = 0;
        if (header->dxfer_direction == SG_DXFER_TO_DEV) {
            for (unsigned i = 0; i < header->dxfer_len; ++i)
                sink = sink + data[i];
        }
        for (unsigned i = 0; i < header->cmd_len; ++i)
            sink = sink + header->cmdp[i];
        header->status = in.Byte();
        header->host_status = in.Byte() & 3;
        header->driver_status = in.Byte() & 0xF;
        header->resid = static_cast<int>(in.Dword());
        return 0;
    }
    int NvmeAdmin(int, struct nvme_admin_cmd *cmd) override
    {
        auto *data = reinterpret_cast<uint8_t *>(static_cast<uintptr_t>(cmd->addr));
        if (cmd->opcode == 0x11) {
            volatile uint8_t sink = 0;
            for (unsigned i = 0; i < cmd->data_len; ++i)
                sink = sink + data[i];
        } else {
            in.Fill(data, cmd->data_len);
        }
        const uint8_t outcome = in.Byte();
        return outcome < 200 ? 0 : outcome - 200;
    }

private:
    FuzzInput &in;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    FuzzInput in(data, size);
    KernelStandIn kernel(in);
    qz::LinuxDeviceAccess access("/nonexistent-sysfs", &kernel);
    const qz::DeviceHandle handle = access.Open("\\\\.\\PHYSICALDRIVE0");

    driverdef::TStorageQueryWithBuffer query;
    in.Fill(&query, offsetof(driverdef::TStorageQueryWithBuffer, Buffer));
    std::memset(query.Buffer, 0, sizeof query.Buffer);
    access.StorageProtocolQuery(handle, query);

    std::vector<uint8_t> request(in.Word() % 4400);
    in.Fill(request.data(), std::min<std::size_t>(request.size(), 96));
    access.FirmwareRequest(handle, request.empty() ? nullptr : request.data(), static_cast<uint32_t>(request.size()));

    std::vector<uint8_t> buffer(in.Word() % 5000);
    qz::ScsiRequest scsi;
    scsi.cdbLength = static_cast<uint8_t>(in.Byte() % 18);
    in.Fill(scsi.cdb, sizeof scsi.cdb);
    scsi.dataIn = (in.Byte() & 1) != 0;
    scsi.buffer = buffer.empty() ? nullptr : buffer.data();
    scsi.length = static_cast<uint32_t>(buffer.size());
    access.ScsiPassThrough(handle, scsi);
    uint32_t number = 0;
    access.GetDiskNumber(handle, number);
    access.Close(handle);
    return 0;
}
