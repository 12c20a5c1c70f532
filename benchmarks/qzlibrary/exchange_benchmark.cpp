// The library's own time per lighting-MCU write and read, and per enumeration
// of 80 disks, on the simulation backend. Every backend call is timed, so the
// simulated drives' own work can be taken out: "library" time is the time of
// the export minus the time spent inside the backend.
// Budgets: at most 20 us of library time per write or read; at most 10 ms per
// enumeration of 80 simulated disks.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "QZlibrary.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kExchangeBudgetSeconds = 20e-6;
constexpr double kEnumerationBudgetSeconds = 10e-3;

// Forwards every request to the simulation and adds up the time it takes.
class TimedAccess : public qz::DeviceAccess
{
public:
    explicit TimedAccess(qz::SimDeviceAccess &sim)
        : sim(sim)
    { }

    Clock::duration inside {};

    template <typename F>
    auto Timed(F f) -> decltype(f())
    {
        const auto start = Clock::now();
        auto result = f();
        inside += Clock::now() - start;
        return result;
    }

    bool ListDiskInterfaces(std::vector<std::string> &paths, std::size_t maxCount) override
    {
        return Timed([&] { return sim.ListDiskInterfaces(paths, maxCount); });
    }
    qz::DeviceHandle Open(const char *path) override
    {
        return Timed([&] { return sim.Open(path); });
    }
    void Close(qz::DeviceHandle handle) override
    {
        Timed([&] {
            sim.Close(handle);
            return 0;
        });
    }
    bool ScsiPassThrough(qz::DeviceHandle handle, qz::ScsiRequest &request) override
    {
        return Timed([&] { return sim.ScsiPassThrough(handle, request); });
    }
    bool GetDiskNumber(qz::DeviceHandle handle, uint32_t &number) override
    {
        return Timed([&] { return sim.GetDiskNumber(handle, number); });
    }
    bool StorageProtocolQuery(qz::DeviceHandle handle, driverdef::TStorageQueryWithBuffer &query) override
    {
        return Timed([&] { return sim.StorageProtocolQuery(handle, query); });
    }
    bool FirmwareRequest(qz::DeviceHandle handle, uint8_t *request, uint32_t length) override
    {
        return Timed([&] { return sim.FirmwareRequest(handle, request, length); });
    }
    bool IdentifiesDisks() const override { return sim.IdentifiesDisks(); }
    std::string IdentityOfPath(const char *path) override
    {
        return Timed([&] { return sim.IdentityOfPath(path); });
    }
    std::string IdentityOfHandle(qz::DeviceHandle handle) override
    {
        return Timed([&] { return sim.IdentityOfHandle(handle); });
    }

private:
    qz::SimDeviceAccess &sim;
};

void Silence(void *, const char *, std::size_t)
{ }

// A simulation installed as the backend, timed, with the debug channel silent.
struct Bench
{
    explicit Bench(const std::string &text)
        : sim(qz::SimDeviceAccess::FromText(text, nullptr))
        , timed(*sim)
    {
        qz::dbg::SetCapture(&Silence, nullptr);
        qz::SetDeviceAccessForTesting(&timed);
    }
    ~Bench()
    {
        qz::SetDeviceAccessForTesting(nullptr);
        qz::dbg::SetCapture(nullptr, nullptr);
    }
    // Keeps the simulation's request log and received blocks from growing.
    void Forget()
    {
        sim->ClearRecords();
        for (std::size_t i = 0; i < sim->DriveCount(); ++i)
            sim->Drive(i).mcuBlocks.clear();
    }
    std::unique_ptr<qz::SimDeviceAccess> sim;
    TimedAccess timed;
};

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

const char *const kDrives[] = {
    "[drive]\npath = /sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1\nkind = nvme\n",
    "[drive]\npath = /sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/block/sdb\nkind = jmicron\n",
    "[drive]\npath = /sys/devices/pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7/block/sdc\nkind = asmedia\n",
};
const char *const kTransportNames[] = {"direct", "jmicron", "asmedia"};

// state.range(0): 0 direct, 1 JMicron, 2 ASMedia; `read`: write or read.
void RunExchange(benchmark::State &state, bool read)
{
    const int transport = static_cast<int>(state.range(0));
    Bench bench(kDrives[transport]);
    if (QZLib_PROC_GetQZDevice() != 1) {
        state.SkipWithError("the simulated drive was not enumerated");
        return;
    }
    std::vector<unsigned char> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 7);

    Clock::duration library {};
    Clock::duration device {};
    for (auto _ : state) {
        bench.timed.inside = {};
        const auto start = Clock::now();
        const bool ok
            = read ? QZLib_SYS_IloRgbMcuCmdRead(0, block.data()) : QZLib_SYS_IloRgbMcuCmdWrite(0, block.data());
        const auto total = Clock::now() - start;
        if (!ok) {
            state.SkipWithError("the exchange failed");
            break;
        }
        library += total - bench.timed.inside;
        device += bench.timed.inside;
        state.SetIterationTime(Seconds(total - bench.timed.inside));
        bench.Forget();
    }
    const double n = static_cast<double>(state.iterations() > 0 ? state.iterations() : 1);
    state.SetLabel(kTransportNames[transport]);
    state.counters["library_us"] = Seconds(library) / n * 1e6;
    state.counters["simulated_device_us"] = Seconds(device) / n * 1e6;
    state.counters["of_budget"] = Seconds(library) / n / kExchangeBudgetSeconds;
}

void BM_McuWrite(benchmark::State &state)
{
    RunExchange(state, false);
}
void BM_McuRead(benchmark::State &state)
{
    RunExchange(state, true);
}
// An ASMedia bridge does not carry the block (the exchange answers failure),
// so the exchange is measured on the two transports that carry it.
BENCHMARK(BM_McuWrite)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_McuRead)->DenseRange(0, 1)->UseManualTime()->Unit(benchmark::kMicrosecond);

// Eighty disks of one kind, or a mix: direct drives, bridges, and disks the
// enumeration rejects.
std::string EightyDisks(int kind)
{
    switch (kind) {
    case 0:
        return "[drive]\npath = /sys/devices/pci0000:00/nvme/nvme{n}/nvme{n}n1\nkind = nvme\ncopies = 80\n";
    case 1:
        return "[drive]\npath = /sys/devices/usb2/2-{n}/host{n}/block/sd{n}\nkind = jmicron\ncopies = 80\n";
    case 2:
        return "[drive]\npath = /sys/devices/ata1/host{n}/block/sd{n}\nkind = disk\ncopies = 80\n";
    default:
        return "[drive]\npath = /sys/devices/pci0000:00/nvme/nvme{n}/nvme{n}n1\nkind = nvme\ncopies = 20\n"
               "[drive]\npath = /sys/devices/usb2/2-{n}/block/sdj{n}\nkind = jmicron\ncopies = 20\n"
               "[drive]\npath = /sys/devices/usb3/3-{n}/block/sda{n}\nkind = asmedia\ncopies = 20\n"
               "[drive]\npath = /sys/devices/ata1/host{n}/block/sdd{n}\nkind = disk\ncopies = 20\n";
    }
}
const char *const kMixNames[] = {"80 direct", "80 jmicron", "80 rejected", "20 of each"};

void BM_Enumerate80Disks(benchmark::State &state)
{
    const int kind = static_cast<int>(state.range(0));
    Bench bench(EightyDisks(kind));
    Clock::duration library {};
    Clock::duration whole {};
    int found = 0;
    for (auto _ : state) {
        bench.timed.inside = {};
        const auto start = Clock::now();
        found = QZLib_PROC_GetQZDevice();
        const auto total = Clock::now() - start;
        whole += total;
        library += total - bench.timed.inside;
        state.SetIterationTime(Seconds(total));
        bench.Forget();
    }
    const double n = static_cast<double>(state.iterations() > 0 ? state.iterations() : 1);
    state.SetLabel(kMixNames[kind]);
    state.counters["drives_found"] = found;
    state.counters["total_ms"] = Seconds(whole) / n * 1e3;
    state.counters["library_ms"] = Seconds(library) / n * 1e3;
    state.counters["of_budget"] = Seconds(whole) / n / kEnumerationBudgetSeconds;
}
BENCHMARK(BM_Enumerate80Disks)->DenseRange(0, 3)->UseManualTime()->Unit(benchmark::kMillisecond);

// Identify Controller through each transport.
void BM_Identify(benchmark::State &state)
{
    const int transport = static_cast<int>(state.range(0));
    Bench bench(kDrives[transport]);
    if (QZLib_PROC_GetQZDevice() != 1) {
        state.SkipWithError("the simulated drive was not enumerated");
        return;
    }
    std::vector<unsigned char> block(4096);
    Clock::duration library {};
    for (auto _ : state) {
        bench.timed.inside = {};
        const auto start = Clock::now();
        benchmark::DoNotOptimize(QZLib_Identify(0, block.data()));
        const auto total = Clock::now() - start;
        library += total - bench.timed.inside;
        state.SetIterationTime(Seconds(total - bench.timed.inside));
        bench.Forget();
    }
    const double n = static_cast<double>(state.iterations() > 0 ? state.iterations() : 1);
    state.SetLabel(kTransportNames[transport]);
    state.counters["library_us"] = Seconds(library) / n * 1e6;
}
BENCHMARK(BM_Identify)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace
