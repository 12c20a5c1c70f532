// The live preview of the main window: the cost of one frame (the colours
// alone, and the strip's rectangle repainted), and the processor share of the
// animation running at its frame rate, against the same window standing still.

#include "app/CConfigDlg.h"
#include "framework/PlatformPaths.h"
#include "settings/EffectAnimation.h"

#include "ProviderRegistration.h"
#include "TempUserFolders.h"
#include "QuietMainWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <memory>

namespace {

constexpr int kRainbowWave = 5;
constexpr int kStatic = 1;

double ProcessCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Every record of every profile shows `effect`, so the window opens on it.
void StoreEffect(int effect)
{
    LightingSettings settings;
    ResetSettings(settings);
    for (ProfileSettings &profile : settings.profiles)
        for (CategorySettings &category : profile.categories)
            for (EffectInfo &record : category.records)
                record.effectId = effect;
    SaveSettings(settings, SettingsPath());
}

std::unique_ptr<CConfigDlg> OpenOn(int effect)
{
    StoreEffect(effect);
    auto window = std::make_unique<CConfigDlg>();
    window->Create();
    window->show();
    QCoreApplication::processEvents();
    return window;
}

void BM_FrameColours(benchmark::State &state)
{
    EffectInfo record;
    record.effectId = static_cast<int>(state.range(0));
    int64_t t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(EffectFrame(record, true, 12, t));
        t += 33;
    }
}
BENCHMARK(BM_FrameColours)->Arg(5)->Arg(9)->Arg(12)->Arg(14)->Unit(benchmark::kNanosecond);

void BM_StripRepaint(benchmark::State &state)
{
    auto window = OpenOn(kRainbowWave);
    const QRect area = window->Preview().Area();
    for (auto _ : state)
        window->repaint(area);
}
BENCHMARK(BM_StripRepaint)->Unit(benchmark::kMicrosecond);

// Processor time used while the event loop runs for `seconds`.
double CpuWhileRunning(double seconds)
{
    const double start = ProcessCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return ProcessCpuSeconds() - start;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TempUserFolders folders;
    PrepareQuietMainWindow(folders);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    constexpr double kSeconds = 5.0;
    double stillCpu = 0;
    {
        auto still = OpenOn(kStatic);
        stillCpu = CpuWhileRunning(kSeconds);
    }
    double movingCpu = 0;
    bool animating = false;
    {
        auto moving = OpenOn(kRainbowWave);
        animating = moving->PreviewAnimating();
        movingCpu = CpuWhileRunning(kSeconds);
    }
    const double share = 100.0 * (movingCpu - stillCpu) / kSeconds;
    std::printf("animation at %d ms a frame (%s): %.2f%% of one core above the still window (budget 2%%); "
                "%.2f%% still, %.2f%% animated\n",
                EffectPreview::kFrameIntervalMs, animating ? "timer running" : "TIMER NOT RUNNING", share,
                100.0 * stillCpu / kSeconds, 100.0 * movingCpu / kSeconds);
    return 0;
}
