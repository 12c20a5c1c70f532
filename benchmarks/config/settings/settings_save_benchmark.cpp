// Saving and loading the whole settings file, against the way the platform's
// private-profile writer works: read the file, change one key, write the
// whole file, once for every one of the 157 keys.

#include "settings/IniFile.h"
#include "settings/LightingSettings.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct KeyRef
{
    std::string section;
    std::string key;
};

std::vector<KeyRef> AllKeys(const QString &path)
{
    // Every key of the file, taken from a saved file so the list is the real one.
    std::vector<KeyRef> keys;
    const IniFile ini(path);
    for (const char *key : {"Show_TrayIcon", "Show_OSD", "lan_id", "led_sw", "CurrentProfile"})
        keys.push_back({"Setting", key});
    for (int p = 0; p < kProfileCount; ++p) {
        const std::string section = "Profile" + std::to_string(p) + "Setting";
        for (const std::string suffix : {"", "_SSD"}) {
            keys.push_back({section, "Synchronize" + suffix});
            keys.push_back({section, "DevNum" + suffix});
            for (int r = 0; r < kRecordsPerCategory; ++r)
                keys.push_back({section, "EffectInfo" + suffix + std::to_string(r)});
        }
    }
    return keys;
}

LightingSettings FullSettings()
{
    LightingSettings settings;
    ResetSettings(settings);
    int n = 0;
    for (auto &profile : settings.profiles)
        for (auto &category : profile.categories)
            for (auto &record : category.records)
                record.colors[0] = static_cast<uint32_t>(++n);
    return settings;
}

void BM_SaveAndLoadSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config";
    const LightingSettings settings = FullSettings();
    SaveSettings(settings, path);
    LightingSettings loaded;
    for (auto _ : state) {
        SaveSettings(settings, path);
        LoadSettings(loaded, path);
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_SaveAndLoadSettings)->Unit(benchmark::kMicrosecond);

void BM_SaveSettings(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config";
    const LightingSettings settings = FullSettings();
    SaveSettings(settings, path);
    for (auto _ : state)
        benchmark::DoNotOptimize(SaveSettings(settings, path));
}
BENCHMARK(BM_SaveSettings)->Unit(benchmark::kMicrosecond);

void BM_PerKeyRewrite(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/config";
    SaveSettings(FullSettings(), path);
    const std::vector<KeyRef> keys = AllKeys(path);
    for (auto _ : state) {
        for (const KeyRef &ref : keys) {
            IniFile ini(path);
            ini.WriteString(ref.section, ref.key, *ini.ReadString(ref.section, ref.key));
            ini.Flush();
        }
    }
    state.counters["keys"] = static_cast<double>(keys.size());
}
BENCHMARK(BM_PerKeyRewrite)->Unit(benchmark::kMicrosecond);

// Keeps the real time per iteration of every run so that main can print the
// ratio against the per-key reference measured in the same run.
class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto save = reporter.times.find("BM_SaveSettings");
    const auto perKey = reporter.times.find("BM_PerKeyRewrite");
    if (save != reporter.times.end() && perKey != reporter.times.end() && save->second > 0) {
        std::printf("save of a full file: %.3f ms (budget 2 ms); per-key rewrite / save = %.1fx (budget >= 20x)\n",
                    save->second / 1000.0, perKey->second / save->second);
    }
    benchmark::Shutdown();
    return 0;
}
