// Windows found by title across processes: private sockets, answers, bounds,
// stale sockets and malformed peers.

#include "framework/LocalWindowEndpoint.h"
#include "framework/PlatformPaths.h"

#include "AgentTestSupport.h"
#include "TempUserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QThread>
#include <future>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace agent_test;
using LocalWindows::SendStatus;

namespace {

constexpr uid_t kNobody = 65534;
const QString kTitle = QStringLiteral("Zarvik RGB Software_Test");

struct Call
{
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

int ModeOf(const QString &path)
{
    struct stat info = {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return static_cast<int>(info.st_mode & 07777);
}

// A connected raw client, for peers that do not follow the protocol.
class RawClient
{
public:
    explicit RawClient(const QString &title)
    {
        const QByteArray path = QFile::encodeName(LocalWindows::EndpointPath(title));
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::copy(path.begin(), path.end(), address.sun_path);
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); // never waits for a full queue
        connected = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(fd); }
    bool Connected() const { return connected; }
    void Send(const QByteArray &bytes)
    {
        [[maybe_unused]] auto n = ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
    }
    // True when the listener has closed the connection.
    bool ClosedByPeer()
    {
        char byte;
        pollfd entry = {fd, POLLIN, 0};
        return ::poll(&entry, 1, 0) == 1 && ::recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    }

private:
    int fd = -1;
    bool connected = false;
};

class LocalWindowEndpointTest : public ::testing::Test
{
protected:
    TempUserFolders folders;
    QString SocketPath() const { return folders.RuntimeDir() + "/Zarvik/" + kTitle; }
};

TEST_F(LocalWindowEndpointTest, MessageAndParametersArriveWholeAndTheAnswerComesBack)
{
    std::vector<Call> calls;
    LocalWindowEndpoint endpoint(kTitle, [&](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        calls.push_back({message, wParam, lParam});
        return lParam - 2;
    });
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);

    const auto outcome = SendWhileServing(kTitle, 1324, UINTPTR_MAX, INTPTR_MIN + 2);
    ASSERT_EQ(outcome.status, SendStatus::Answered);
    EXPECT_EQ(outcome.result, INTPTR_MIN);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].message, 1324u);
    EXPECT_EQ(calls[0].wParam, UINTPTR_MAX);
    EXPECT_EQ(calls[0].lParam, INTPTR_MIN + 2);

    // The probe answers without reaching the handler.
    EXPECT_TRUE(WhileServing([] { return LocalWindows::WindowExists(kTitle, 3000); }));
    EXPECT_EQ(calls.size(), 1u);
}

// An agent on a thread of its own whose handler sends 1044 back to `replyTo`
// and answers what it got + 100.
class SendingBackAgent : public ServingThread
{
public:
    SendingBackAgent(const QString &title, const QString &replyTo)
        : ServingThread({{title, [replyTo](uint32_t, uintptr_t, intptr_t) -> intptr_t {
                              const auto back = LocalWindows::SendToWindow(replyTo, 1044, 0, 0, 3000);
                              return back.Answered() ? back.result + 100 : -1;
                          }}})
    { }
};

TEST_F(LocalWindowEndpointTest, AWaitingSenderKeepsAnsweringTheSendsThatArriveForIt)
{
    const QString agentTitle = QStringLiteral("Zarvik RGB Software_TestAgent");
    int handled = 0;
    LocalWindowEndpoint config(kTitle, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        ++handled;
        return message == 1044 ? 1 : 0;
    });
    ASSERT_EQ(config.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    SendingBackAgent agent(agentTitle, kTitle);
    ASSERT_TRUE(agent.Begin());

    // This thread blocks in the send and never runs its event loop.
    LocalWindows::SendOutcome outcome;
    const qint64 elapsed = ElapsedMs([&] { outcome = LocalWindows::SendToWindow(agentTitle, 1324, 0, 0, 3000); });
    EXPECT_EQ(outcome.status, SendStatus::Answered);
    EXPECT_EQ(outcome.result, 101);
    EXPECT_EQ(handled, 1);
    EXPECT_LT(elapsed, 2000);
}

TEST_F(LocalWindowEndpointTest, WithoutListenerThereIsNoWindowAndNothingIsCreated)
{
    EXPECT_EQ(LocalWindows::SendToWindow(kTitle, 1324, 0, 0, 3000).status, SendStatus::NoWindow);
    EXPECT_FALSE(LocalWindows::WindowExists(kTitle, 3000));
    EXPECT_FALSE(QFileInfo::exists(SocketPath()));
}

TEST_F(LocalWindowEndpointTest, FolderAndSocketAreOpenToTheOwnerOnly)
{
    // A folder of ours that someone opened up is closed again.
    ASSERT_TRUE(QDir().mkpath(folders.RuntimeDir() + "/Zarvik"));
    ::chmod(QFile::encodeName(folders.RuntimeDir() + "/Zarvik").constData(), 0755);

    LocalWindowEndpoint endpoint(kTitle, {});
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    EXPECT_EQ(ModeOf(folders.RuntimeDir() + "/Zarvik"), 0700);
    struct stat info = {};
    ASSERT_EQ(::lstat(QFile::encodeName(SocketPath()).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_uid, ::geteuid());

    endpoint.Close();
    EXPECT_FALSE(QFileInfo::exists(SocketPath()));
}

TEST_F(LocalWindowEndpointTest, FolderThatIsALinkOrSomeoneElsesIsNotUsed)
{
    const QString folder = folders.RuntimeDir() + "/Zarvik";
    ASSERT_TRUE(QDir().mkpath(folders.Root() + "/elsewhere"));
    ASSERT_TRUE(QFile::link(folders.Root() + "/elsewhere", folder));
    {
        LocalWindowEndpoint endpoint(kTitle, {});
        EXPECT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::NoFolder);
        EXPECT_EQ(LocalWindows::SendToWindow(kTitle, 1324, 0, 0, 1000).status, SendStatus::NoWindow);
        EXPECT_TRUE(QDir(folders.Root() + "/elsewhere").isEmpty());
    }
    ASSERT_TRUE(QFile::remove(folder));

    if (::geteuid() != 0)
        GTEST_SKIP() << "handing a folder to another user needs root";
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::chown(QFile::encodeName(folder).constData(), kNobody, kNobody), 0);
    LocalWindowEndpoint endpoint(kTitle, {});
    EXPECT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::NoFolder);
    EXPECT_TRUE(LocalWindows::EndpointFolder().isEmpty());
}

TEST_F(LocalWindowEndpointTest, SquattedRuntimeFallbackGivesWayToAFolderOfOurOwn)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "a fallback folder owned by another user needs root";
    // No session folder, and the fallback below the temporary folder was
    // made by someone else first.
    const QByteArray savedTmp = qgetenv("TMPDIR");
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QString tmp = folders.Root() + "/tmp";
    const QString fallback = tmp + QStringLiteral("/zarvik-runtime-%1").arg(::getuid());
    ASSERT_TRUE(QDir().mkpath(fallback));
    ASSERT_EQ(::chown(QFile::encodeName(fallback).constData(), kNobody, kNobody), 0);
    qputenv("TMPDIR", tmp.toLocal8Bit());
    qunsetenv("XDG_RUNTIME_DIR");

    LocalWindowEndpoint endpoint(kTitle, {});
    EXPECT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    EXPECT_TRUE(LocalWindows::EndpointPath(kTitle).startsWith(folders.StateHome() + "/Zarvik/runtime/"));
    EXPECT_TRUE(QDir(fallback).isEmpty());
    endpoint.Close();

    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    if (savedTmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmp);
}

// Connects as user "nobody" from a child process and tries a request:
// answers connect()'s errno (0 when connected) and whether an answer came.
std::pair<int, bool> TryAsAnotherUser(const QString &socketPath)
{
    const QByteArray path = QFile::encodeName(socketPath);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::copy(path.begin(), path.end(), address.sun_path);
    const uint8_t request[24] = {20, 0, 0, 0, 0x14, 0x04}; // 1044, no parameters
    int report[2];
    if (::pipe(report) != 0)
        return {-1, false};

    const pid_t child = ::fork();
    if (child == 0) {
        int result[2] = {0, 0};
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            result[0] = errno;
        } else {
            [[maybe_unused]] auto sent = ::send(fd, request, sizeof request, MSG_NOSIGNAL);
            pollfd entry = {fd, POLLIN, 0};
            uint8_t answer[12];
            result[1] = ::poll(&entry, 1, 3000) == 1 && ::recv(fd, answer, sizeof answer, MSG_WAITALL) == 12;
        }
        [[maybe_unused]] auto written = ::write(report[1], result, sizeof result);
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    WaitUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 10000);
    int result[2] = {-1, 0};
    [[maybe_unused]] auto got = ::read(report[0], result, sizeof result);
    ::close(report[0]);
    return {result[0], result[1] != 0};
}

TEST_F(LocalWindowEndpointTest, AnotherUserCannotReachTheWindowAtAnyLayer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root; the modes are checked elsewhere";
    std::vector<Call> calls;
    LocalWindowEndpoint endpoint(kTitle, [&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        calls.push_back({message, 0, 0});
        return 1;
    });
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    // Let the other user walk up to our folder.
    for (const QString &folder : {folders.Root(), folders.RuntimeDir()})
        ::chmod(QFile::encodeName(folder).constData(), 0711);

    // The private folder stops them.
    EXPECT_EQ(TryAsAnotherUser(SocketPath()).first, EACCES);
    // Were the folder open, the socket's mode stops them.
    ::chmod(QFile::encodeName(folders.RuntimeDir() + "/Zarvik").constData(), 0711);
    EXPECT_EQ(TryAsAnotherUser(SocketPath()).first, EACCES);
    // Were the socket open too, the listener hangs up on a stranger.
    ::chmod(QFile::encodeName(SocketPath()).constData(), 0666);
    const auto [error, answered] = TryAsAnotherUser(SocketPath());
    EXPECT_EQ(error, 0);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(calls.empty());

    // The owner is still served.
    EXPECT_EQ(SendWhileServing(kTitle, 1044).status, SendStatus::Answered);
}

TEST_F(LocalWindowEndpointTest, StaleSocketIsNoWindowAndANewListenerTakesItsPlace)
{
    RawSocket stale(kTitle, RawSocket::Kind::Stale);
    ASSERT_TRUE(stale.Ok());
    ASSERT_TRUE(QFileInfo::exists(SocketPath()));
    // Its owner died while writing its lock file (a full disk): the file is
    // empty, which decides nothing.
    QFile lockFile(SocketPath() + ".lock");
    ASSERT_TRUE(lockFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    lockFile.close();
    EXPECT_EQ(LocalWindows::SendToWindow(kTitle, 1324, 0, 0, 3000).status, SendStatus::NoWindow);
    EXPECT_FALSE(LocalWindows::WindowExists(kTitle, 3000));

    int handled = 0;
    LocalWindowEndpoint endpoint(kTitle, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t { return ++handled; });
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    EXPECT_EQ(SendWhileServing(kTitle, 1324).result, 1);
}

TEST_F(LocalWindowEndpointTest, LiveListenerKeepsItsTitleUntilItCloses)
{
    LocalWindowEndpoint first(kTitle, [](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 1; });
    ASSERT_EQ(first.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    EXPECT_EQ(first.Listen(), LocalWindowEndpoint::ListenResult::Listening); // idempotent

    LocalWindowEndpoint second(kTitle, [](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 2; });
    EXPECT_EQ(second.Listen(), LocalWindowEndpoint::ListenResult::TitleInUse);
    EXPECT_FALSE(second.ErrorString().isEmpty());
    EXPECT_EQ(SendWhileServing(kTitle, 1324).result, 1); // the first one still answers

    first.Close();
    EXPECT_FALSE(first.IsListening());
    EXPECT_EQ(LocalWindows::SendToWindow(kTitle, 1324, 0, 0, 1000).status, SendStatus::NoWindow);
    ASSERT_EQ(second.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    EXPECT_EQ(SendWhileServing(kTitle, 1324).result, 2);
}

TEST_F(LocalWindowEndpointTest, WindowWithAFullQueueReleasesTheSenderWithinTheBound)
{
    RawSocket hung(kTitle, RawSocket::Kind::Hung, 0);
    ASSERT_TRUE(hung.Ok());
    // Fill the listener's queue until connecting would have to wait.
    std::vector<std::unique_ptr<RawClient>> queued;
    for (int i = 0; i < 8 && (queued.empty() || queued.back()->Connected()); ++i)
        queued.push_back(std::make_unique<RawClient>(kTitle));
    ASSERT_FALSE(queued.back()->Connected());

    LocalWindows::SendOutcome outcome;
    const qint64 elapsed = ElapsedMs([&] { outcome = LocalWindows::SendToWindow(kTitle, 1324, 0, 0, 300); });
    EXPECT_EQ(outcome.status, SendStatus::TimedOut);
    EXPECT_LT(elapsed, 300 + 2000);
}

TEST_F(LocalWindowEndpointTest, MalformedOrIdlePeersDoNotStopTheListener)
{
    int handled = 0;
    LocalWindowEndpoint endpoint(kTitle, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t { return ++handled; });
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);

    // A frame of the wrong length is hung up on without reaching the handler.
    RawClient wrongLength(kTitle);
    ASSERT_TRUE(wrongLength.Connected());
    wrongLength.Send(QByteArray("\xff\xff\xff\x7f garbage", 12));
    EXPECT_TRUE(WaitUntil([&] { return wrongLength.ClosedByPeer(); }, 5000));

    // Half a request, then silence; and more idle connections than are kept.
    RawClient half(kTitle);
    half.Send(QByteArray("\x14\0\0\0\x2c\x05", 6));
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < LocalWindowEndpoint::kMaxConnections + 4; ++i) {
        idle.push_back(std::make_unique<RawClient>(kTitle));
        Pump();
    }
    // A real sender is still answered at once.
    const auto outcome = SendWhileServing(kTitle, 1324);
    EXPECT_EQ(outcome.status, SendStatus::Answered);
    EXPECT_EQ(handled, 1);
    // The oldest idle peers were let go to make room.
    EXPECT_TRUE(WaitUntil([&] { return half.ClosedByPeer(); }, 5000));
}

TEST_F(LocalWindowEndpointTest, PeerThatNeverFinishesItsRequestIsDroppedInTime)
{
    LocalWindowEndpoint endpoint(kTitle, [](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 1; });
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    RawClient silent(kTitle);
    ASSERT_TRUE(silent.Connected());
    EXPECT_TRUE(WaitUntil([&] { return silent.ClosedByPeer(); }, LocalWindowEndpoint::kRequestTimeoutMs + 3000));
}

TEST_F(LocalWindowEndpointTest, HandlerMayCloseOrDestroyItsEndpoint)
{
    LocalWindowEndpoint *self = nullptr;
    LocalWindowEndpoint closing(kTitle, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        self->Close();
        return 7;
    });
    self = &closing;
    ASSERT_EQ(closing.Listen(), LocalWindowEndpoint::ListenResult::Listening);
    const auto closed = SendWhileServing(kTitle, 1324);
    EXPECT_EQ(closed.status, SendStatus::Answered);
    EXPECT_EQ(closed.result, 7);
    EXPECT_FALSE(closing.IsListening());
    EXPECT_FALSE(QFileInfo::exists(SocketPath()));

    LocalWindowEndpoint *doomed = nullptr;
    doomed = new LocalWindowEndpoint(kTitle, [&](uint32_t, uintptr_t, intptr_t) -> intptr_t {
        delete doomed;
        doomed = nullptr;
        return 9;
    });
    ASSERT_EQ(doomed->Listen(), LocalWindowEndpoint::ListenResult::Listening);
    const auto destroyed = SendWhileServing(kTitle, 1324);
    EXPECT_EQ(destroyed.status, SendStatus::Answered);
    EXPECT_EQ(destroyed.result, 9);
    EXPECT_EQ(doomed, nullptr);
    Pump();

    // The title is free again.
    LocalWindowEndpoint next(kTitle, {});
    EXPECT_EQ(next.Listen(), LocalWindowEndpoint::ListenResult::Listening);
}

TEST_F(LocalWindowEndpointTest, TitlesThatCannotNameASocketAreRefused)
{
    for (const QString &title : {QString(), QStringLiteral("a/b"), QStringLiteral(".."), QStringLiteral("x.lock"),
                                 QString(200, QLatin1Char('t'))}) {
        LocalWindowEndpoint endpoint(title, {});
        EXPECT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Failed) << title.toStdString();
        EXPECT_EQ(LocalWindows::SendToWindow(title, 1324, 0, 0, 1000).status, SendStatus::NoWindow);
    }
    EXPECT_TRUE(QDir(folders.RuntimeDir() + "/Zarvik").isEmpty());
}

} // namespace
