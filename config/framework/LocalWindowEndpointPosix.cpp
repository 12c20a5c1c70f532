#include "framework/LocalWindowEndpoint.h"

#include "framework/PlatformPaths.h"
#include "framework/ProcessLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr const char *kFolderName = "Zarvik";
constexpr const char *kLockSuffix = ".lock";
constexpr int kBacklog = 8;

constexpr uint32_t kRequestBodyBytes = 20; // message, wParam, lParam
constexpr uint32_t kAnswerBodyBytes = 8; // result
constexpr std::size_t kRequestFrameBytes = 4 + kRequestBodyBytes;
constexpr std::size_t kAnswerFrameBytes = 4 + kAnswerBodyBytes;

void PutLittleEndian(uint8_t *out, uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t GetLittleEndian(const uint8_t *in, int bytes)
{
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<uint64_t>(in[i]) << (8 * i);
    return value;
}

std::array<uint8_t, kRequestFrameBytes> EncodeRequest(uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    std::array<uint8_t, kRequestFrameBytes> frame {};
    PutLittleEndian(frame.data(), kRequestBodyBytes, 4);
    PutLittleEndian(frame.data() + 4, message, 4);
    PutLittleEndian(frame.data() + 8, static_cast<uint64_t>(wParam), 8);
    PutLittleEndian(frame.data() + 16, static_cast<uint64_t>(static_cast<int64_t>(lParam)), 8);
    return frame;
}

std::array<uint8_t, kAnswerFrameBytes> EncodeAnswer(intptr_t result)
{
    std::array<uint8_t, kAnswerFrameBytes> frame {};
    PutLittleEndian(frame.data(), kAnswerBodyBytes, 4);
    PutLittleEndian(frame.data() + 4, static_cast<uint64_t>(static_cast<int64_t>(result)), 8);
    return frame;
}

bool FillAddress(const QByteArray &path, sockaddr_un &address)
{
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

// The other end of a connected socket runs as this user.
bool PeerIsSameUser(int fd)
{
    ucred credentials = {};
    socklen_t length = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && length == sizeof credentials
        && credentials.uid == ::geteuid();
}

bool ValidTitle(const QString &title)
{
    return !title.isEmpty() && title != QLatin1String(".") && title != QLatin1String("..")
        && !title.contains(QLatin1Char('/')) && !title.contains(QChar(0))
        && !title.endsWith(QLatin1String(kLockSuffix));
}

int RemainingMs(const QDeadlineTimer &deadline)
{
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 0, 60 * 60 * 1000));
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd entry = {fd, events, 0};
        const int ready = ::poll(&entry, 1, RemainingMs(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// The endpoints listening on this thread, served while a send of this thread
// waits for its answer.
thread_local std::vector<LocalWindowEndpoint *> listeningEndpoints;

// Waits like WaitFor() and meanwhile serves the requests that reach the
// endpoints listening on this thread; nothing else runs.
bool WaitForWhileServing(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        std::vector<pollfd> entries {{fd, events, 0}};
        std::vector<LocalWindowEndpoint *> owners {nullptr};
        for (LocalWindowEndpoint *endpoint : listeningEndpoints) {
            for (int served : endpoint->Descriptors()) {
                entries.push_back({served, POLLIN, 0});
                owners.push_back(endpoint);
            }
        }
        const int ready = ::poll(entries.data(), entries.size(), RemainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        if (entries[0].revents != 0)
            return true;
        // A handler may close or destroy any endpoint: each one is looked up
        // again before it is served.
        for (std::size_t i = 1; i < entries.size(); ++i) {
            const auto &live = listeningEndpoints;
            if (entries[i].revents != 0 && std::find(live.begin(), live.end(), owners[i]) != live.end())
                owners[i]->ServeReady(entries[i].fd);
        }
    }
}

enum class Transfer { Done, TimedOut, Failed };

// Moves `size` bytes over the non-blocking socket `fd`: `step(done)` sends or
// receives from offset `done` on and answers what it moved (-1 with errno
// set on error). While the socket would block, waits for `events` until the
// deadline. Any other error, or a step that moves nothing (the peer closed),
// fails.
template <typename Step>
Transfer TransferAll(int fd, short events, std::size_t size, const QDeadlineTimer &deadline, Step step,
                     bool serveWhileWaiting = false)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t moved = step(done);
        if (moved > 0) {
            done += static_cast<std::size_t>(moved);
            continue;
        }
        if (moved < 0 && errno == EINTR)
            continue;
        if (moved < 0 && errno == EAGAIN) {
            if (!(serveWhileWaiting ? WaitForWhileServing(fd, events, deadline) : WaitFor(fd, events, deadline)))
                return Transfer::TimedOut;
            continue;
        }
        return Transfer::Failed;
    }
    return Transfer::Done;
}

class FileDescriptor
{
public:
    explicit FileDescriptor(int fd)
        : fd(fd)
    { }
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    int Get() const { return fd; }
    int Release() { return std::exchange(fd, -1); }

private:
    int fd;
};

} // namespace

namespace LocalWindows {

QString EndpointFolder()
{
    const QString runtime = PlatformPaths::RuntimeDirectory();
    if (runtime.isEmpty())
        return {};
    const QString folder = runtime + QLatin1Char('/') + QLatin1String(kFolderName);
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return {};
    // Only a real folder of our own is used; it is closed to everyone else.
    struct stat info = {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return {};
    if ((info.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return {};
    return folder;
}

QString EndpointPath(const QString &title)
{
    if (!ValidTitle(title))
        return {};
    const QString folder = EndpointFolder();
    if (folder.isEmpty())
        return {};
    const QString path = folder + QLatin1Char('/') + title;
    sockaddr_un address;
    if (!FillAddress(QFile::encodeName(path), address))
        return {};
    return path;
}

SendOutcome SendToWindow(const QString &title, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs)
{
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    const QString path = EndpointPath(title);
    sockaddr_un address;
    if (path.isEmpty() || !FillAddress(QFile::encodeName(path), address))
        return {SendStatus::NoWindow, 0};

    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Get() < 0)
        return {SendStatus::Failed, 0};

    // A local connection is made at once, unless the listener's queue is
    // full: it is there, but busy. Try again until the deadline.
    for (;;) {
        if (::connect(socket.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            break;
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error == ENOENT || error == ECONNREFUSED || error == ENOTDIR)
            return {SendStatus::NoWindow, 0};
        if (error != EAGAIN)
            return {SendStatus::Failed, 0};
        if (deadline.hasExpired())
            return {SendStatus::TimedOut, 0};
        ::poll(nullptr, 0, std::min(5, RemainingMs(deadline)));
    }
    if (!PeerIsSameUser(socket.Get()))
        return {SendStatus::Failed, 0};

    const auto request = EncodeRequest(message, wParam, lParam);
    const Transfer sent = TransferAll(socket.Get(), POLLOUT, request.size(), deadline, [&](std::size_t done) {
        return ::send(socket.Get(), request.data() + done, request.size() - done, MSG_NOSIGNAL);
    });
    if (sent != Transfer::Done)
        return {sent == Transfer::TimedOut ? SendStatus::TimedOut : SendStatus::Failed, 0};

    std::array<uint8_t, kAnswerFrameBytes> answer {};
    const Transfer received = TransferAll(
        socket.Get(), POLLIN, answer.size(), deadline,
        [&](std::size_t done) { return ::recv(socket.Get(), answer.data() + done, answer.size() - done, 0); }, true);
    if (received != Transfer::Done) // closed without (a whole) answer, or broken
        return {received == Transfer::TimedOut ? SendStatus::TimedOut : SendStatus::Failed, 0};
    if (GetLittleEndian(answer.data(), 4) != kAnswerBodyBytes)
        return {SendStatus::Failed, 0};
    const auto result = static_cast<int64_t>(GetLittleEndian(answer.data() + 4, 8));
    return {SendStatus::Answered, static_cast<intptr_t>(result)};
}

bool WindowExists(const QString &title, int timeoutMs)
{
    return SendToWindow(title, kProbeMessage, 0, 0, timeoutMs).Answered();
}

} // namespace LocalWindows

// ---------------------------------------------------------------------------

struct LocalWindowEndpoint::Connection
{
    QSocketNotifier *notifier = nullptr;
    QDeadlineTimer deadline;
    QByteArray received;
};

struct LocalWindowEndpoint::State
{
    std::unique_ptr<ProcessLock> lock;
    QByteArray socketPath;
    dev_t socketDevice = 0;
    ino_t socketInode = 0;
    int listenFd = -1;
    QSocketNotifier *acceptNotifier = nullptr;
    QTimer *sweepTimer = nullptr;
    std::map<int, Connection> connections;
};

namespace {

// Objects whose signal may be running right now must not be deleted
// directly; everything else goes at once.
void Dispose(QObject *object, bool inCallback)
{
    if (!object)
        return;
    if (auto *notifier = qobject_cast<QSocketNotifier *>(object))
        notifier->setEnabled(false);
    if (auto *timer = qobject_cast<QTimer *>(object))
        timer->stop();
    object->disconnect();
    if (inCallback)
        object->deleteLater();
    else
        delete object;
}

} // namespace

LocalWindowEndpoint::LocalWindowEndpoint(QString title, Handler handler, QObject *parent)
    : QObject(parent)
    , title(std::move(title))
    , handler(std::move(handler))
    , alive(std::make_shared<bool>(true))
{ }

LocalWindowEndpoint::~LocalWindowEndpoint()
{
    *alive = false;
    Close();
}

bool LocalWindowEndpoint::IsListening() const
{
    return listening != nullptr;
}

LocalWindowEndpoint::ListenResult LocalWindowEndpoint::Listen()
{
    if (listening)
        return ListenResult::Listening;
    error.clear();

    if (LocalWindows::EndpointFolder().isEmpty()) {
        error = QStringLiteral("no private runtime folder");
        return ListenResult::NoFolder;
    }
    const QString path = LocalWindows::EndpointPath(title);
    if (path.isEmpty()) {
        error = QStringLiteral("the title \"%1\" cannot name a socket").arg(title);
        return ListenResult::Failed;
    }

    // The title's lock decides who may listen. Whoever holds it may remove a
    // socket file left behind: its owner is gone.
    auto state = std::make_unique<State>();
    state->lock = std::make_unique<ProcessLock>(path + QLatin1String(kLockSuffix));
    switch (state->lock->TryAcquire()) {
    case ProcessLock::Result::Held:
        break;
    case ProcessLock::Result::HeldByAnother:
        error = QStringLiteral("another program listens as \"%1\"").arg(title);
        return ListenResult::TitleInUse;
    case ProcessLock::Result::Unavailable:
        error = QStringLiteral("cannot make the lock of \"%1\"").arg(title);
        return ListenResult::Failed;
    }

    state->socketPath = QFile::encodeName(path);
    sockaddr_un address;
    FillAddress(state->socketPath, address);
    if (::unlink(state->socketPath.constData()) != 0 && errno != ENOENT) {
        error = QStringLiteral("cannot remove the old socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return ListenResult::Failed;
    }

    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    struct stat info = {};
    if (socket.Get() < 0 || ::bind(socket.Get(), reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::chmod(state->socketPath.constData(), 0600) != 0 || ::lstat(state->socketPath.constData(), &info) != 0
        || ::listen(socket.Get(), kBacklog) != 0) {
        error = QStringLiteral("cannot listen as \"%1\": %2").arg(title, QString::fromLocal8Bit(std::strerror(errno)));
        if (socket.Get() >= 0)
            ::unlink(state->socketPath.constData());
        return ListenResult::Failed;
    }
    state->socketDevice = info.st_dev;
    state->socketInode = info.st_ino;
    state->listenFd = socket.Release();

    state->acceptNotifier = new QSocketNotifier(state->listenFd, QSocketNotifier::Read);
    connect(state->acceptNotifier, &QSocketNotifier::activated, this, [this] { OnAcceptReady(); });
    state->sweepTimer = new QTimer;
    state->sweepTimer->setInterval(250);
    connect(state->sweepTimer, &QTimer::timeout, this, [this] {
        if (!listening)
            return;
        std::vector<int> expired;
        for (const auto &[fd, connection] : listening->connections)
            if (connection.deadline.hasExpired())
                expired.push_back(fd);
        for (int fd : expired)
            DropConnection(fd);
        if (listening->connections.empty())
            listening->sweepTimer->stop();
    });
    listening = std::move(state);
    listeningEndpoints.push_back(this);
    return ListenResult::Listening;
}

void LocalWindowEndpoint::Close()
{
    if (!listening)
        return;
    std::unique_ptr<State> state = std::move(listening);
    std::erase(listeningEndpoints, this);
    const bool inCallback = callbackDepth > 0;
    for (auto &[fd, connection] : state->connections) {
        Dispose(connection.notifier, inCallback);
        ::close(fd);
    }
    state->connections.clear();
    Dispose(state->acceptNotifier, inCallback);
    Dispose(state->sweepTimer, inCallback);
    ::close(state->listenFd);

    // Remove the socket only when it is still the one we made.
    struct stat info = {};
    if (::lstat(state->socketPath.constData(), &info) == 0 && info.st_dev == state->socketDevice
        && info.st_ino == state->socketInode)
        ::unlink(state->socketPath.constData());
    state->lock->Release();
}

std::vector<int> LocalWindowEndpoint::Descriptors() const
{
    std::vector<int> descriptors;
    if (!listening)
        return descriptors;
    descriptors.push_back(listening->listenFd);
    for (const auto &[fd, connection] : listening->connections)
        descriptors.push_back(fd);
    return descriptors;
}

void LocalWindowEndpoint::ServeReady(int fd)
{
    if (!listening)
        return;
    if (fd == listening->listenFd)
        OnAcceptReady();
    else
        OnConnectionReadable(fd);
}

void LocalWindowEndpoint::OnAcceptReady()
{
    if (!listening)
        return;
    for (;;) {
        const int fd = ::accept4(listening->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return; // EAGAIN: all taken; anything else: try again at the next wake-up
        }
        if (!PeerIsSameUser(fd)) {
            ::close(fd);
            continue;
        }
        // Full: the connection waiting longest makes room, so that idle
        // connections cannot lock the title's real senders out.
        if (static_cast<int>(listening->connections.size()) >= kMaxConnections) {
            const auto oldest
                = std::min_element(listening->connections.begin(), listening->connections.end(),
                                   [](const auto &a, const auto &b) { return a.second.deadline < b.second.deadline; });
            DropConnection(oldest->first);
        }
        Connection &connection = listening->connections[fd];
        connection.deadline = QDeadlineTimer(kRequestTimeoutMs);
        connection.notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
        connect(connection.notifier, &QSocketNotifier::activated, this, [this, fd] { OnConnectionReadable(fd); });
        if (!listening->sweepTimer->isActive())
            listening->sweepTimer->start();
    }
}

void LocalWindowEndpoint::DropConnection(int fd)
{
    if (!listening)
        return;
    const auto it = listening->connections.find(fd);
    if (it == listening->connections.end())
        return;
    Dispose(it->second.notifier, true);
    listening->connections.erase(it);
    ::close(fd);
}

void LocalWindowEndpoint::OnConnectionReadable(int fd)
{
    if (!listening)
        return;
    const auto it = listening->connections.find(fd);
    if (it == listening->connections.end())
        return;
    QByteArray &received = it->second.received;

    // Read no further than the end of one request.
    for (;;) {
        std::array<char, kRequestFrameBytes> chunk {};
        const std::size_t wanted = kRequestFrameBytes - static_cast<std::size_t>(received.size());
        if (wanted == 0)
            break;
        const ssize_t got = ::recv(fd, chunk.data(), wanted, 0);
        if (got > 0) {
            received.append(chunk.data(), static_cast<qsizetype>(got));
            if (received.size() >= 4
                && GetLittleEndian(reinterpret_cast<const uint8_t *>(received.constData()), 4) != kRequestBodyBytes) {
                DropConnection(fd); // not one of our requests
                return;
            }
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return; // wait for the rest
        DropConnection(fd); // closed before the request was whole, or broken
        return;
    }

    const auto *bytes = reinterpret_cast<const uint8_t *>(received.constData());
    const auto message = static_cast<uint32_t>(GetLittleEndian(bytes + 4, 4));
    const auto wParam = static_cast<uintptr_t>(GetLittleEndian(bytes + 8, 8));
    const auto lParam = static_cast<intptr_t>(static_cast<int64_t>(GetLittleEndian(bytes + 16, 8)));

    // The connection leaves the table before the handler runs: the handler
    // may close or even destroy this endpoint.
    Dispose(it->second.notifier, true);
    listening->connections.erase(it);
    FileDescriptor connection(fd);

    intptr_t result = 0;
    if (message != LocalWindows::kProbeMessage && handler) {
        const Handler callback = handler;
        const std::shared_ptr<bool> endpointAlive = alive;
        ++callbackDepth;
        result = callback(message, wParam, lParam);
        if (*endpointAlive)
            --callbackDepth;
    }
    const auto answer = EncodeAnswer(result);
    // The answer fits any socket buffer; a sender that went away gets nothing.
    [[maybe_unused]] const ssize_t written
        = ::send(connection.Get(), answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}
