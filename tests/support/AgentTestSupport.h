#pragma once
// Helpers for tests of windows that talk across processes: a sender blocks
// its thread until it has an answer, so the receiving endpoint (on the test's
// main thread) is served while the sender runs on another thread.

#include "framework/LocalWindowEndpoint.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>
#include <future>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace agent_test {

inline void Pump(int ms = 10)
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Runs `work` on another thread and serves this thread's events until it ends.
template <class Work>
auto WhileServing(Work work) -> decltype(work())
{
    auto future = std::async(std::launch::async, std::move(work));
    while (future.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        Pump(5);
    return future.get();
}

inline LocalWindows::SendOutcome SendWhileServing(const QString &title, uint32_t message, uintptr_t wParam = 0,
                                                  intptr_t lParam = 0, int timeoutMs = 3000)
{
    return WhileServing([=] { return LocalWindows::SendToWindow(title, message, wParam, lParam, timeoutMs); });
}

inline bool WaitUntil(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        Pump(10);
        QThread::msleep(5);
    }
    return condition();
}

#ifdef _WIN32
// A window of the title whose thread never handles its messages (a window
// that hangs); a crashed listener leaves nothing behind on Windows, so a
// stale one is no window at all. (Named after the sockets that play this
// part elsewhere; tests/windows-config/HungWindow.cpp.)
class RawSocket
{
public:
    enum class Kind { Hung, Stale };
    RawSocket(const QString &title, Kind kind, int backlog = 8);
    ~RawSocket();
    RawSocket(const RawSocket &) = delete;
    RawSocket &operator=(const RawSocket &) = delete;
    bool Ok() const { return ok; }

private:
    struct HungWindow;
    std::unique_ptr<HungWindow> hung;
    bool ok = false;
};
#else
// A socket bound at a title's path: listening but never accepting (a window
// that hangs), or closed again (the file a crashed listener leaves behind).
class RawSocket
{
public:
    enum class Kind { Hung, Stale };
    RawSocket(const QString &title, Kind kind, int backlog = 8)
    {
        const QByteArray path = QFile::encodeName(LocalWindows::EndpointPath(title));
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
            return;
        std::copy(path.begin(), path.end(), address.sun_path);
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ::unlink(path.constData());
        if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return;
        if (kind == Kind::Hung)
            ok = ::listen(fd, backlog) == 0;
        else {
            ::close(fd); // the file stays
            fd = -1;
            ok = true;
        }
    }
    ~RawSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    RawSocket(const RawSocket &) = delete;
    RawSocket &operator=(const RawSocket &) = delete;
    bool Ok() const { return ok; }
    int Fd() const { return fd; }

private:
    int fd = -1;
    bool ok = false;
};
#endif

// Thread-safe record of what happened, in order.
class EventLog
{
public:
    void Add(std::string event)
    {
        std::lock_guard<std::mutex> guard(mutex);
        events.push_back(std::move(event));
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(mutex);
        events.clear();
    }
    std::vector<std::string> Events() const
    {
        std::lock_guard<std::mutex> guard(mutex);
        return events;
    }

private:
    mutable std::mutex mutex;
    std::vector<std::string> events;
};

inline qint64 ElapsedMs(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

} // namespace agent_test

namespace agent_test {

// Endpoints served by a thread of their own, for senders on the main thread:
// each title listens with its handler, which runs on that thread.
class ServingThread : public QThread
{
public:
    explicit ServingThread(std::vector<std::pair<QString, LocalWindowEndpoint::Handler>> endpoints)
        : endpoints(std::move(endpoints))
    { }
    ~ServingThread() override
    {
        quit();
        wait();
    }
    // Starts the thread; true once every title listens.
    bool Begin()
    {
        auto ready = started.get_future();
        start();
        return ready.get();
    }

protected:
    void run() override
    {
        std::vector<std::unique_ptr<LocalWindowEndpoint>> listening;
        bool all = true;
        for (const auto &[title, handler] : endpoints) {
            listening.push_back(std::make_unique<LocalWindowEndpoint>(title, handler));
            all = all && listening.back()->Listen() == LocalWindowEndpoint::ListenResult::Listening;
        }
        started.set_value(all);
        exec();
    }

private:
    std::vector<std::pair<QString, LocalWindowEndpoint::Handler>> endpoints;
    std::promise<bool> started;
};

// Every message the titles get is logged as "<title>:<message>" and answered 1.
class EndpointThread : public ServingThread
{
public:
    EndpointThread(const QStringList &titles, EventLog &log)
        : ServingThread(LoggingEndpoints(titles, log))
    { }

private:
    static std::vector<std::pair<QString, LocalWindowEndpoint::Handler>> LoggingEndpoints(const QStringList &titles,
                                                                                          EventLog &log)
    {
        std::vector<std::pair<QString, LocalWindowEndpoint::Handler>> endpoints;
        for (const QString &title : titles) {
            const std::string name = title.toStdString();
            endpoints.emplace_back(title, [&log, name](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
                log.Add(name + ":" + std::to_string(message));
                return 1;
            });
        }
        return endpoints;
    }
};

} // namespace agent_test
