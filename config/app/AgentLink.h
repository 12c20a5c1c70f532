#pragma once
// The link between Config and the background agent `hid`, which applies the
// lighting: Config starts the agent when it is not running, tells it after
// every save that the settings file changed, and answers the agent's close,
// restore and query requests. Both sides find each other by window title.

#include "framework/AgentProtocol.h"
#include "framework/LocalWindowEndpoint.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class AgentLink
{
public:
    // Receives 1624, 4000 and 1044 sent to Config's window; returns the answer.
    using MessageHandler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;
    // Called with true before a send that makes the user wait, false after it.
    using WaitCursor = std::function<void(bool shown)>;

    // What the main window does for the requests of the standard handler.
    struct WindowActions
    {
        std::function<void()> endWithoutSaving; // end the window with result 1, no save
        std::function<void()> showNormal; // show the window in its normal state
    };

    enum class StartStatus { AlreadyRunning, Started, StartFailed };
    struct StartOutcome
    {
        StartStatus status = StartStatus::StartFailed;
        qint64 processId = 0; // of the started agent
    };

    // A send never waits longer than this for the receiver's answer.
    static constexpr int kDefaultSendTimeoutMs = 3000;
    // Looking for a window waits no longer than this for its answer.
    static constexpr int kDefaultFindTimeoutMs = 1000;

    AgentLink();
    ~AgentLink();
    AgentLink(const AgentLink &) = delete;
    AgentLink &operator=(const AgentLink &) = delete;

    void SetWaitCursor(WaitCursor cursor) { waitCursor = std::move(cursor); }
    // The application's wait cursor (override cursor); nothing without a GUI.
    static WaitCursor ApplicationWaitCursor();
    void SetSendTimeout(int ms) { sendTimeoutMs = ms; }
    void SetFindTimeout(int ms) { findTimeoutMs = ms; }

    // The agent's window answers.
    bool AgentRunning() const;
    // Starts `hid` from the program folder, detached, unless the agent's
    // window answers. A failed start is only reported in the result.
    StartOutcome StartAgentIfAbsent();

    // The settings file has changed: sends 1324 (wParam 0, lParam 0) to the
    // agent and waits for it to be handled, with the wait cursor shown,
    // bounded by the send timeout. Without an agent nothing is sent. Call it
    // only after the file has been written completely.
    LocalWindows::SendOutcome NotifySettingsSaved();

    // Listens under Config's title. Messages 1624, 4000 and 1044 go to
    // `handler` on the event loop's thread; any other message is answered 0.
    // False when the title is taken (another Config) or no socket can be made.
    bool StartListening(MessageHandler handler);
    void StopListening();
    bool IsListening() const;
    QString ListenError() const;

    // Sends the close message to the Warning and Preference windows that exist.
    void CloseCompanionWindows();

    // The handler of the three requests: 1624 with wParam 1625 or 1626 closes
    // the companion windows and ends the main window without saving; any other
    // wParam does nothing; either way the answer is 1. 4000 shows the window
    // normally (answer 0). 1044 is answered 1.
    MessageHandler StandardHandler(WindowActions actions);

private:
    WaitCursor waitCursor;
    int sendTimeoutMs = kDefaultSendTimeoutMs;
    int findTimeoutMs = kDefaultFindTimeoutMs;
    std::unique_ptr<LocalWindowEndpoint> listener;
    QString listenError;
};
