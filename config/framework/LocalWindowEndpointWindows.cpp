#include "framework/LocalWindowEndpoint.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

#include <algorithm>
#include <iterator>

namespace {

constexpr const wchar_t *kWindowClass = L"ZarvikRgbLocalWindow";

// The messages a listener hands to its handler: the close request, and the
// program's own messages between WM_USER and the system's registered ones.
bool IsHandled(UINT message)
{
    return message == WM_CLOSE || (message >= WM_USER && message < 0xC000);
}

std::wstring WideTitle(const QString &title)
{
    return title.toStdWString();
}

// The title of a window; empty when it has none or it is gone.
QString TitleOf(HWND window)
{
    wchar_t text[256] = {};
    const int length = GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return length > 0 ? QString::fromWCharArray(text, length) : QString();
}

bool BelongsToThisProcess(HWND window)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId == GetCurrentProcessId();
}

} // namespace

struct LocalWindowEndpoint::State : QAbstractNativeEventFilter
{
    LocalWindowEndpoint *owner = nullptr;
    HWND window = nullptr;

    // A visible window of this program with the listener's title (Qt's main
    // window): its messages reach the handler as the hidden window's do.
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->hwnd == window || !IsHandled(msg->message) || msg->message == WM_CLOSE
            || GetAncestor(msg->hwnd, GA_ROOT) != msg->hwnd || TitleOf(msg->hwnd) != owner->title)
            return false;
        *result = owner->handler(msg->message, msg->wParam, msg->lParam);
        return true;
    }

    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto *creation = reinterpret_cast<const CREATESTRUCTW *>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        }
        auto *state = reinterpret_cast<State *>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (state && state->owner->handler && IsHandled(message)) {
            const std::shared_ptr<bool> alive = state->owner->alive;
            ++state->owner->callbackDepth;
            const intptr_t answer = state->owner->handler(message, wParam, lParam);
            if (*alive)
                --state->owner->callbackDepth;
            return answer;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static bool RegisterWindowClass()
    {
        static const bool registered = [] {
            WNDCLASSEXW windowClass = {};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = WindowProcedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = kWindowClass;
            return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
        }();
        return registered;
    }
};

namespace LocalWindows {

QString EndpointFolder()
{
    return {};
}

QString EndpointPath(const QString &)
{
    return {};
}

SendOutcome SendToWindow(const QString &title, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs)
{
    SendOutcome outcome;
    if (title.isEmpty())
        return outcome;
    HWND window = FindWindowW(nullptr, WideTitle(title).c_str());
    if (!window)
        return outcome;
    // While it waits, the sending thread still handles the messages sent to
    // its own windows, so a receiver may send back before it answers.
    DWORD_PTR result = 0;
    SetLastError(ERROR_SUCCESS);
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, static_cast<UINT>(std::max(timeoutMs, 1)),
                            &result)) {
        outcome.status = SendStatus::Answered;
        outcome.result = static_cast<intptr_t>(result);
        return outcome;
    }
    const DWORD error = GetLastError();
    outcome.status = error == ERROR_TIMEOUT || error == ERROR_SUCCESS ? SendStatus::TimedOut : SendStatus::Failed;
    if (!IsWindow(window))
        outcome.status = SendStatus::NoWindow;
    return outcome;
}

bool WindowExists(const QString &title, int)
{
    return !title.isEmpty() && FindWindowW(nullptr, WideTitle(title).c_str()) != nullptr;
}

} // namespace LocalWindows

LocalWindowEndpoint::LocalWindowEndpoint(QString windowTitle, Handler onMessage, QObject *parent)
    : QObject(parent)
    , title(std::move(windowTitle))
    , handler(std::move(onMessage))
    , alive(std::make_shared<bool>(true))
{ }

LocalWindowEndpoint::~LocalWindowEndpoint()
{
    *alive = false;
    Close();
}

LocalWindowEndpoint::ListenResult LocalWindowEndpoint::Listen()
{
    if (listening)
        return ListenResult::Listening;
    error.clear();
    if (title.isEmpty() || title.size() >= 256) {
        error = QStringLiteral("the title cannot name a window");
        return ListenResult::Failed;
    }
    const std::wstring wide = WideTitle(title);
    // A title has one listener; another program's window of that title
    // counts too, but not this program's own main window.
    HWND other = FindWindowW(kWindowClass, wide.c_str());
    if (!other)
        if (HWND titled = FindWindowW(nullptr, wide.c_str()); titled && !BelongsToThisProcess(titled))
            other = titled;
    if (other) {
        error = QStringLiteral("another window is titled \"%1\"").arg(title);
        return ListenResult::TitleInUse;
    }
    if (!State::RegisterWindowClass()) {
        error = QStringLiteral("the window class cannot be registered (error %1)").arg(GetLastError());
        return ListenResult::Failed;
    }
    auto state = std::make_unique<State>();
    state->owner = this;
    // A top-level window that is never shown: FindWindowW finds it by title.
    state->window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowClass, wide.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), state.get());
    if (!state->window) {
        error = QStringLiteral("the window cannot be made (error %1)").arg(GetLastError());
        return ListenResult::Failed;
    }
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installNativeEventFilter(state.get());
    listening = std::move(state);
    return ListenResult::Listening;
}

void LocalWindowEndpoint::Close()
{
    if (!listening)
        return;
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeNativeEventFilter(listening.get());
    DestroyWindow(listening->window);
    listening.reset();
}

bool LocalWindowEndpoint::IsListening() const
{
    return listening != nullptr;
}

std::vector<int> LocalWindowEndpoint::Descriptors() const
{
    return {};
}

void LocalWindowEndpoint::ServeReady(int)
{ }
