// Simulation files of any content: parsed without crashing, and a parsed
// file gives drives that answer the first requests of an enumeration.
#include <string_view>

#include "DeviceAccess/sim/SimDeviceAccess.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    qz::sim::SimConfig config;
    std::string error;
    if (!qz::sim::ParseSimConfig(std::string_view(reinterpret_cast<const char *>(data), size), config, error)) {
        return 0;
    }
    config.settings.recordFile.clear(); // never write files while fuzzing
    qz::SimDeviceAccess sim(std::move(config));
    std::vector<std::string> paths;
    sim.ListDiskInterfaces(paths, 80);
    for (const std::string &path : paths) {
        const qz::DeviceHandle handle = sim.Open(path.c_str());
        if (handle == qz::kInvalidDeviceHandle)
            continue;
        uint8_t inquiry[40] = {};
        qz::ScsiRequest request;
        request.cdb[0] = 0x12;
        request.cdb[4] = sizeof inquiry;
        request.cdbLength = 12;
        request.dataIn = true;
        request.buffer = inquiry;
        request.length = sizeof inquiry;
        sim.ScsiPassThrough(handle, request);
        uint32_t number = 0;
        sim.GetDiskNumber(handle, number);
        sim.Close(handle);
    }
    return 0;
}
