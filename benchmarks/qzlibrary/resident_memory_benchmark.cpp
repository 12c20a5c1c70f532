// Resident memory that QZLib_Initialize adds to the host process: the 318 MiB
// of work buffers must cost (almost) nothing until written. Budget: at most
// 8 MiB above the resident size before the call.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <fstream>

#include "QZlibrary.h"
#include "dbg/DllPrintf.h"

namespace {

constexpr double kBudgetBytes = 8.0 * 1024 * 1024;

double ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void Silence(void *, const char *, std::size_t)
{ }

void BM_ResidentMemoryAfterInitialize(benchmark::State &state)
{
    qz::dbg::SetCapture(&Silence, nullptr);
    double growth = 0;
    for (auto _ : state) {
        const double before = ResidentBytes();
        benchmark::DoNotOptimize(QZLib_Initialize());
        const double after = ResidentBytes();
        state.PauseTiming();
        growth = after - before > growth ? after - before : growth;
        QZLib_UnInitialize();
        state.ResumeTiming();
    }
    state.counters["rss_growth_MiB"] = growth / (1024 * 1024);
    state.counters["budget_MiB"] = kBudgetBytes / (1024 * 1024);
    state.counters["of_budget"] = growth / kBudgetBytes;
    qz::dbg::SetCapture(nullptr, nullptr);
}
BENCHMARK(BM_ResidentMemoryAfterInitialize)->Iterations(20)->Unit(benchmark::kMicrosecond);

// Initialize followed by UnInitialize: 128 slots' allocations and releases.
void BM_InitializeAndUnInitialize(benchmark::State &state)
{
    qz::dbg::SetCapture(&Silence, nullptr);
    for (auto _ : state) {
        benchmark::DoNotOptimize(QZLib_Initialize());
        benchmark::DoNotOptimize(QZLib_UnInitialize());
    }
    qz::dbg::SetCapture(nullptr, nullptr);
}
BENCHMARK(BM_InitializeAndUnInitialize)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
