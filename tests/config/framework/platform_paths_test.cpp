// Where the per-user folders come from, and the single-instance lock in them.

#include "framework/PlatformPaths.h"
#include "framework/SingleInstanceLock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
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

} // namespace
