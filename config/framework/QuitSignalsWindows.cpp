#include "framework/QuitSignals.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace {

std::function<void()> &QuitCall()
{
    static std::function<void()> call;
    return call;
}

// Runs on a thread of its own: the call is queued to the event loop's thread.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(
            application, [] { QuitCall()(); }, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

// A console's Ctrl+C, Ctrl+Break and close take the place of the signals.
// Windows ends a windowed program through its window (WM_CLOSE, the
// session's WM_QUERYENDSESSION), which Qt already turns into a close.
void InstallQuitSignalHandler(std::function<void()> onQuit)
{
    QuitCall() = std::move(onQuit);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}
