#include "app/AgentLink.h"

#include "framework/PlatformPaths.h"
#include "settings/DiagnosticLog.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QProcess>

AgentLink::AgentLink() = default;

AgentLink::~AgentLink() = default;

AgentLink::WaitCursor AgentLink::ApplicationWaitCursor()
{
    return [](bool shown) {
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return;
        if (shown)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        else
            QGuiApplication::restoreOverrideCursor();
    };
}

bool AgentLink::AgentRunning() const
{
    return LocalWindows::WindowExists(QString::fromLatin1(AgentTitles::kAgent), findTimeoutMs);
}

AgentLink::StartOutcome AgentLink::StartAgentIfAbsent()
{
    if (AgentRunning())
        return {StartStatus::AlreadyRunning, 0};

    // The agent runs on its own: no terminal, no tie to Config's lifetime.
    QProcess agent;
    agent.setProgram(PlatformPaths::ApplicationDirectory() + QLatin1String(kAgentProgramName));
    agent.setStandardInputFile(QProcess::nullDevice());
    agent.setStandardOutputFile(QProcess::nullDevice());
    agent.setStandardErrorFile(QProcess::nullDevice());
    qint64 processId = 0;
    if (!agent.startDetached(&processId))
        return {StartStatus::StartFailed, 0};
    return {StartStatus::Started, processId};
}

LocalWindows::SendOutcome AgentLink::NotifySettingsSaved()
{
    if (waitCursor)
        waitCursor(true);
    const LocalWindows::SendOutcome outcome = LocalWindows::SendToWindow(
        QString::fromLatin1(AgentTitles::kAgent), AgentMessages::kSettingsSaved, 0, 0, sendTimeoutMs);
    if (waitCursor)
        waitCursor(false);
    // The window froze for the whole bound; the log says why.
    if (outcome.status == LocalWindows::SendStatus::TimedOut)
        WriteLog(QStringLiteral("agent did not answer within %1 s").arg(sendTimeoutMs / 1000.0));
    return outcome;
}

bool AgentLink::StartListening(MessageHandler handler)
{
    StopListening();
    listenError.clear();
    listener = std::make_unique<LocalWindowEndpoint>(
        QString::fromLatin1(AgentTitles::kConfig),
        [handler = std::move(handler)](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
            switch (message) {
            case AgentMessages::kCloseRequest:
            case AgentMessages::kRestoreRequest:
            case AgentMessages::kQuery:
                return handler ? handler(message, wParam, lParam) : 0;
            default:
                return 0;
            }
        });
    if (listener->Listen() != LocalWindowEndpoint::ListenResult::Listening) {
        listenError = listener->ErrorString();
        listener.reset();
        return false;
    }
    return true;
}

void AgentLink::StopListening()
{
    listener.reset();
}

bool AgentLink::IsListening() const
{
    return listener && listener->IsListening();
}

QString AgentLink::ListenError() const
{
    return listenError;
}

void AgentLink::CloseCompanionWindows()
{
    for (const char *title : {AgentTitles::kWarning, AgentTitles::kPreference})
        LocalWindows::SendToWindow(QString::fromLatin1(title), AgentMessages::kCloseWindow, 0, 0, sendTimeoutMs);
}

AgentLink::MessageHandler AgentLink::StandardHandler(WindowActions actions)
{
    return [this, actions = std::move(actions)](uint32_t message, uintptr_t wParam, intptr_t) -> intptr_t {
        switch (message) {
        case AgentMessages::kCloseRequest:
            if (wParam == AgentMessages::kCloseReasonFirst || wParam == AgentMessages::kCloseReasonSecond) {
                CloseCompanionWindows();
                if (actions.endWithoutSaving)
                    actions.endWithoutSaving();
            }
            return 1;
        case AgentMessages::kRestoreRequest:
            if (actions.showNormal)
                actions.showNormal();
            return 0;
        case AgentMessages::kQuery:
            return 1;
        default:
            return 0;
        }
    };
}
