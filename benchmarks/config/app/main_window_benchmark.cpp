// The main window off-screen: from nothing to the first painted frame, and
// one slider message handled with the repaints it causes.

#include "app/CConfigDlg.h"
#include "framework/PlatformPaths.h"
#include "framework/WindowMessage.h"

#include "ProviderRegistration.h"
#include "TempUserFolders.h"
#include "QuietMainWindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

std::unique_ptr<CConfigDlg> OpenAndPaint()
{
    auto window = std::make_unique<CConfigDlg>();
    window->Create();
    window->show();
    QCoreApplication::processEvents(); // the first frame is painted here
    return window;
}

double g_coldStartMs = 0;

// Resident memory of the process in MiB (from /proc/self/statm).
double ResidentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096.0 / (1024.0 * 1024.0) : 0;
}

// The reference: a bare frameless window of the same size, shown and painted.
void BM_BareWindowToFirstFrame(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint);
        window->resize(1000, 640);
        window->show();
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BareWindowToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_StartToFirstFrame(benchmark::State &state)
{
    for (auto _ : state) {
        auto window = OpenAndPaint();
        benchmark::DoNotOptimize(window.get());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToFirstFrame)->Unit(benchmark::kMillisecond);

void BM_SliderMessageWithRepaints(benchmark::State &state)
{
    auto window = OpenAndPaint();
    int value = 0;
    for (auto _ : state) {
        value = (value + 37) % 256;
        PostMessage(window.get(), UM_SLIDER_POS, static_cast<WPARAM>(value), kRedSliderId);
        QCoreApplication::processEvents(); // the message, then the repaints it asked for
    }
}
BENCHMARK(BM_SliderMessageWithRepaints)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TempUserFolders folders;
    PrepareQuietMainWindow(folders);

    // The very first window of the process: nothing decoded or cached yet.
    const double residentBefore = ResidentMiB();
    QElapsedTimer timer;
    timer.start();
    auto first = OpenAndPaint();
    g_coldStartMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const double residentWithWindow = ResidentMiB();
    first.reset();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("cold start to first painted frame (first window of the process, without the 500 ms "
                "pause after discovery): %.1f ms (budget 150 ms)\n",
                g_coldStartMs);
    std::printf("resident memory: %.1f MiB with the main window open (%.1f MiB before it)\n", residentWithWindow,
                residentBefore);
    return 0;
}
