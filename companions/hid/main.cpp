// hid: the lighting agent's counterpart. Runs as the agent, or sends one
// request to Config from the command line.

#include "HidAgent.h"
#include "HidCommandLine.h"
#include "HidLog.h"
#include "LightingReport.h"
#include "TerminalPreview.h"
#include "framework/AgentProtocol.h"
#include "framework/QuitSignals.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace {

void PrintLine(std::FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int SendRequest(const HidOptions &options)
{
    const QString title = QString::fromLatin1(AgentTitles::kConfig);
    const LocalWindows::SendOutcome outcome
        = LocalWindows::SendToWindow(title, options.message, options.wParam, 0, options.timeoutMs);
    switch (outcome.status) {
    case LocalWindows::SendStatus::Answered:
        PrintLine(stdout, QStringLiteral("answer: %1").arg(outcome.result));
        return 0;
    case LocalWindows::SendStatus::NoWindow:
        PrintLine(stderr, QStringLiteral("hid: no window titled \"%1\"").arg(title));
        return 1;
    case LocalWindows::SendStatus::TimedOut:
        PrintLine(stderr, QStringLiteral("hid: \"%1\" did not answer within %2 ms").arg(title).arg(options.timeoutMs));
        return 1;
    case LocalWindows::SendStatus::Failed:
        break;
    }
    PrintLine(stderr, QStringLiteral("hid: the request could not be delivered to \"%1\"").arg(title));
    return 1;
}

// Draws the lighting of the settings file until ended, reading the file
// again whenever it changes.
int RunPreview(QCoreApplication &application, const HidOptions &options)
{
    constexpr int kFrameMs = 33;
    const QString path = SettingsPath();
    LightingSettings settings;
    QDateTime readStamp;
    int lines = 0;
    int frames = 0;
    QElapsedTimer clock;
    clock.start();
    QTimer timer;
    timer.setInterval(kFrameMs);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const QDateTime stamp = QFileInfo(path).lastModified();
        if (frames == 0 || stamp != readStamp) {
            readStamp = stamp;
            ReadSettingsWithoutWriting(path, settings);
        }
        const std::vector<PreviewDevice> devices = PreviewDevices(settings);
        const QString frame = PreviewFrame(devices, settings.led_sw != 0, options.previewLeds, clock.elapsed(), lines);
        std::fputs(frame.toUtf8().constData(), stdout);
        std::fflush(stdout);
        lines = devices.empty() ? 1 : static_cast<int>(devices.size());
        if (++frames == options.previewFrames)
            QCoreApplication::quit();
    });
    InstallQuitSignalHandler(
        [] { QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection); });
    timer.start();
    return application.exec();
}

int RunAgent(QCoreApplication &application)
{
    // Asked to close (like any window) or to end by a signal: leave the loop,
    // then give the title up.
    const auto quit = [] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
    };
    HidAgent agent([](const QString &line) { PrintLine(stdout, line); }, quit);
    switch (agent.Start()) {
    case LocalWindowEndpoint::ListenResult::Listening:
        break;
    case LocalWindowEndpoint::ListenResult::TitleInUse:
        WriteHidLog(QStringLiteral("another agent is running; ending"));
        PrintLine(stderr, QStringLiteral("hid: another agent is running"));
        return 0;
    case LocalWindowEndpoint::ListenResult::NoFolder:
    case LocalWindowEndpoint::ListenResult::Failed:
        WriteHidLog(QStringLiteral("cannot listen: %1").arg(agent.ListenError()));
        PrintLine(stderr, QStringLiteral("hid: cannot listen: %1").arg(agent.ListenError()));
        return 1;
    }

    InstallQuitSignalHandler(quit);
    const int status = application.exec();
    agent.Stop();
    WriteHidLog(QStringLiteral("ending"));
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const HidOptions options = ParseHidCommandLine(application.arguments().mid(1));
    switch (options.mode) {
    case HidOptions::Mode::Help:
        std::fputs(HidUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case HidOptions::Mode::Invalid:
        PrintLine(stderr, QStringLiteral("hid: %1").arg(options.error));
        std::fputs(HidUsage().toLocal8Bit().constData(), stderr);
        return 2;
    case HidOptions::Mode::Send:
        return SendRequest(options);
    case HidOptions::Mode::Preview:
        return RunPreview(application, options);
    case HidOptions::Mode::Agent:
        break;
    }
    return RunAgent(application);
}
