#pragma once
// Windows of different processes that find each other by title and exchange
// data-less messages {message, wParam, lParam}, each answered by a result.
//
// On Windows these are real windows: a listener is a hidden top-level window
// of that title, found with FindWindowW and reached with SendMessageTimeoutW;
// a visible top-level window of the program with the same title (the main
// window) hands the same messages to the listener's handler.
//
// Elsewhere a title is a local (Unix domain) socket in a private folder of
// the user's runtime folder: <runtime>/Zarvik/<title>. The folder is created
// with mode 0700 and used only when it belongs to this user; sockets get mode
// 0600, and both ends check that the other end runs as the same user. A
// window "exists" when its socket accepts a connection and answers. A socket
// file left behind by a process that died is not a window: the next listener
// of that title takes its place (it removes the file only while it holds the
// title's lock).
//
// Wire format of the sockets, little-endian: a request is a 4-byte length
// (20) followed by the 4-byte message, the 8-byte wParam and the 8-byte
// lParam; the answer is a 4-byte length (8) followed by the 8-byte result.
// One request per connection.

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace LocalWindows {

// Message used to ask whether a window is there; answered 0 by every listener
// without reaching its handler.
inline constexpr uint32_t kProbeMessage = 0;

// The sockets' folder (not used on Windows):
// <runtime>/Zarvik, created (mode 0700) on first use. Empty when there is no
// runtime folder or the folder is not this user's own.
QString EndpointFolder();

// The socket of a title; empty when the folder is unavailable or the title
// cannot name a socket (empty, contains '/', "." or "..", or too long).
QString EndpointPath(const QString &title);

enum class SendStatus {
    Answered, // the receiver handled the message; `result` holds its answer
    NoWindow, // nobody listens under that title (no socket, or a stale one)
    TimedOut, // a window is there but did not answer within the bound
    Failed, // the connection broke, the answer was malformed, or the peer is another user
};

struct SendOutcome
{
    SendStatus status = SendStatus::NoWindow;
    intptr_t result = 0;

    bool Answered() const { return status == SendStatus::Answered; }
};

// Sends a message to the window of `title` and waits for its answer, never
// longer than `timeoutMs` in all (connection included). Blocks the calling
// thread; no events are processed meanwhile, except that the endpoints
// listening on this thread keep answering the requests sent to them (as a
// window waiting in a send still handles the sends that arrive for it), so
// that a receiver may send back while it handles the message.
SendOutcome SendToWindow(const QString &title, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs);

// True when a window of `title` answers a probe within `timeoutMs`.
bool WindowExists(const QString &title, int timeoutMs);

} // namespace LocalWindows

// The receiving side: one title, served on the thread's event loop.
class LocalWindowEndpoint : public QObject
{
public:
    // Called for every well-formed request except the probe; its return value
    // is the answer.
    using Handler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

    enum class ListenResult {
        Listening, // the title is ours until Close() or destruction
        TitleInUse, // another live listener (of any process) holds the title
        NoFolder, // no private runtime folder could be had
        Failed, // the title cannot name a socket, or the socket could not be made
    };

    LocalWindowEndpoint(QString title, Handler handler, QObject *parent = nullptr);
    ~LocalWindowEndpoint() override;
    LocalWindowEndpoint(const LocalWindowEndpoint &) = delete;
    LocalWindowEndpoint &operator=(const LocalWindowEndpoint &) = delete;

    ListenResult Listen();
    // Stops listening, drops connections being served, removes the socket
    // and gives the title up.
    void Close();

    bool IsListening() const;
    const QString &Title() const { return title; }
    // What went wrong in the last Listen(), for logs.
    const QString &ErrorString() const { return error; }

    // A connection that has not delivered its request by then is dropped.
    static constexpr int kRequestTimeoutMs = 5000;
    // Connections served at once; a further one takes the place of the one
    // that has waited longest.
    static constexpr int kMaxConnections = 16;

    // The descriptors this endpoint waits on (its listening socket and its
    // connections), and serving one that is ready; for sends that wait on
    // this thread (sockets only: on Windows the system serves them).
    std::vector<int> Descriptors() const;
    void ServeReady(int fd);

private:
    struct Connection;
    struct State;

    void OnAcceptReady();
    void OnConnectionReadable(int fd);
    void DropConnection(int fd);

    QString title;
    Handler handler;
    QString error;
    std::unique_ptr<State> listening;
    std::shared_ptr<bool> alive;
    int callbackDepth = 0; // handlers running right now
};
