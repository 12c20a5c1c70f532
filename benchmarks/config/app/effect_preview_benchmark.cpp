// The live preview of the main window: the cost of one frame (the colours
// alone, and the strip's rectangle repainted), and the processor share of the
// animation running at its frame rate, against the same window standing still.
// Run without arguments of its own, the program runs itself once per screen
// pixel ratio (1, 1.25, 1.5, 1.6 and 2, through QT_SCALE_FACTOR), since a
// ratio is fixed for the life of an application; each run also tells how often
// the window's face was drawn again while the animation ran (0: the frames
// repainted the strip alone).

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
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

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

// Runs this program again at each pixel ratio, with the same arguments.
int RunAtEachRatio(int argc, char **argv)
{
    std::string command;
    for (int i = 0; i < argc; ++i) {
        std::string quoted = "'";
        for (const char *c = argv[i]; *c; ++c)
            quoted += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
        command += quoted + "' ";
    }
    int failures = 0;
    for (const char *ratio : {"1", "1.25", "1.5", "1.6", "2"}) {
        std::printf("---- pixel ratio %s\n", ratio);
        std::fflush(stdout);
        setenv("QT_SCALE_FACTOR", ratio, 1);
        setenv("QZ_PREVIEW_BENCHMARK_RATIO", ratio, 1);
        if (std::system(command.c_str()) != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QZ_PREVIEW_BENCHMARK_RATIO"))
        return RunAtEachRatio(argc, argv);
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
    int faceDrawings = 0;
    qreal ratio = 0;
    {
        auto moving = OpenOn(kRainbowWave);
        animating = moving->PreviewAnimating();
        ratio = moving->devicePixelRatioF();
        const int before = moving->FaceDrawings();
        movingCpu = CpuWhileRunning(kSeconds);
        faceDrawings = moving->FaceDrawings() - before;
    }
    const double share = 100.0 * (movingCpu - stillCpu) / kSeconds;
    std::printf("pixel ratio %.3g, animation at %d ms a frame (%s): %.2f%% of one core above the still window "
                "(budget 2%%); %.2f%% still, %.2f%% animated; face drawn %d times while animating\n",
                ratio, EffectPreview::kFrameIntervalMs, animating ? "animating" : "NOT ANIMATING", share,
                100.0 * stillCpu / kSeconds, 100.0 * movingCpu / kSeconds, faceDrawings);
    return 0;
}
