// Where the per-user folders come from, and the single-instance lock in them.

#include "framework/PlatformPaths.h"
#include "framework/SingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <pwd.h>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Sets (or, with a null value, unsets) environment variables for one test.
class ScopedEnvironment
{
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char *, QByteArray>> values)
    {
        for (const auto &[name, value] : values) {
            saved.push_back({name, qgetenv(name)});
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }
    ~ScopedEnvironment()
    {
        for (const auto &[name, value] : saved) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

private:
    std::vector<std::pair<const char *, QByteArray>> saved;
};

TEST(PlatformPaths, WithoutHomeAndXdgVariablesThePasswordDatabaseGivesTheHome)
{
    const struct passwd *user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    ScopedEnvironment environment {
        {"HOME", QByteArray()}, {"XDG_CONFIG_HOME", QByteArray()}, {"XDG_STATE_HOME", QByteArray()}};
    const QString home = QDir::cleanPath(QFile::decodeName(user->pw_dir));
    EXPECT_EQ(PlatformPaths::ConfigHome(), home + "/.config");
    EXPECT_EQ(PlatformPaths::StateHome(), home + "/.local/state");
}

TEST(PlatformPaths, RuntimeFolderIsAlwaysPrivateAndCannotBeSquatted)
{
    if (getuid() != 0)
        GTEST_SKIP() << "making a folder of another user needs root";
    QTemporaryDir dir;
    const QString others = dir.path() + "/others";
    ASSERT_TRUE(QDir().mkpath(others));
    ASSERT_EQ(chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
    const QString squatted = dir.path() + QString("/tmp/zarvik-runtime-%1").arg(getuid());
    ASSERT_TRUE(QDir().mkpath(squatted));
    ASSERT_EQ(chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);

    // The session's folder of another user (after su) and the squatted
    // temporary name are both passed over.
    ScopedEnvironment environment {{"XDG_RUNTIME_DIR", QFile::encodeName(others)},
                                   {"TMPDIR", QFile::encodeName(dir.path() + "/tmp")},
                                   {"XDG_STATE_HOME", QFile::encodeName(dir.path() + "/state")}};
    const QString runtime = PlatformPaths::RuntimeDirectory();
    EXPECT_EQ(runtime, dir.path() + "/state/Zarvik/runtime");
    struct stat info = {};
    ASSERT_EQ(lstat(QFile::encodeName(runtime).constData(), &info), 0);
    EXPECT_EQ(info.st_uid, getuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(SingleInstanceLock, OnlyALiveHolderRefusesAndAMissingFolderIsNoHolder)
{
    QTemporaryDir dir;
    SingleInstanceLock first("app", dir.path());
    SingleInstanceLock second("app", dir.path());
    EXPECT_EQ(first.TryAcquire(), SingleInstanceLock::Result::Held);
    EXPECT_EQ(second.TryAcquire(), SingleInstanceLock::Result::HeldByAnother);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), SingleInstanceLock::Result::Held);

    EXPECT_EQ(SingleInstanceLock("app", dir.path() + "/missing").TryAcquire(), SingleInstanceLock::Result::Unavailable);
    EXPECT_EQ(SingleInstanceLock("app", QString()).TryAcquire(), SingleInstanceLock::Result::Unavailable);
}

TEST(SingleInstanceLock, EmptyOrDamagedLockFilesNeverBlock)
{
    QTemporaryDir dir;
    for (const QByteArray &contents : {QByteArray(), QByteArray("\x01\xFFnot a lock\n\n")}) {
        QFile file(dir.path() + "/app.lock");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        SingleInstanceLock lock("app", dir.path());
        EXPECT_EQ(lock.TryAcquire(), SingleInstanceLock::Result::Held) << contents.size() << " bytes";
    }
}

TEST(SingleInstanceLock, DiesWithItsHolderAndIsNotInheritedByAStartedProgram)
{
    QTemporaryDir dir;
    const QByteArray path = QFile::encodeName(dir.path() + "/app.lock");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
        if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) [[maybe_unused]]
            auto n = ::write(ready[1], "1", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    SingleInstanceLock lock("app", dir.path());
    EXPECT_EQ(lock.TryAcquire(), SingleInstanceLock::Result::HeldByAnother);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);
    EXPECT_EQ(lock.TryAcquire(), SingleInstanceLock::Result::Held);

    // A program started meanwhile outlives this holder without keeping it.
    QProcess started;
    started.start("sleep", {"30"});
    ASSERT_TRUE(started.waitForStarted());
    lock.Release();
    EXPECT_EQ(SingleInstanceLock("app", dir.path()).TryAcquire(), SingleInstanceLock::Result::Held);
    started.kill();
    started.waitForFinished();
}

} // namespace
