// Arbitrary SCSI commands and request records sent to simulated drives: the
// simulation decodes whatever arrives without reading or writing outside the
// buffers it was given.
#include <vector>

#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "FuzzInput.h"

namespace {

constexpr char kDrives[] = "[drive]\npath = /j\nkind = jmicron\n"
                           "[drive]\npath = /a\nkind = asmedia\n"
                           "[drive]\npath = /n\nkind = nvme\n"
                           "[drive]\npath = /d\nkind = disk\n"
                           "[drive]\npath = /e\nkind = jmicron\nmedium = no\n";
const char *const kPaths[] = {"/j", "/a", "/n", "/d", "/e", "\\\\.\\PHYSICALDRIVE2"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    auto sim = qz::SimDeviceAccess::FromText(kDrives, nullptr);
    FuzzInput in(data, size);
    for (int step = 0; step < 16 && !in.Empty(); ++step) {
        const uint8_t op = in.Byte();
        const qz::DeviceHandle handle = sim->Open(kPaths[in.Byte() % 6]);
        if (handle == qz::kInvalidDeviceHandle)
            continue;
        switch (op % 3) {
        case 0: {
            qz::ScsiRequest request;
            request.cdbLength = static_cast<uint8_t>(in.Byte() % 18);
            in.Fill(request.cdb, sizeof request.cdb);
            request.dataIn = (in.Byte() & 1) != 0;
            std::vector<uint8_t> buffer(in.Word() % 9000);
            in.Fill(buffer.data(), buffer.size());
            request.buffer = buffer.empty() ? nullptr : buffer.data();
            request.length = static_cast<uint32_t>(buffer.size());
            sim->ScsiPassThrough(handle, request);
            break;
        }
        case 1: {
            driverdef::TStorageQueryWithBuffer query;
            in.Fill(&query, sizeof query);
            sim->StorageProtocolQuery(handle, query);
            break;
        }
        default: {
            std::vector<uint8_t> request(in.Word() % 5000);
            in.Fill(request.data(), request.size());
            sim->FirmwareRequest(handle, request.empty() ? nullptr : request.data(),
                                 static_cast<uint32_t>(request.size()));
            break;
        }
        }
        sim->Close(handle);
    }
    return 0;
}
