// The Windows implementations of the platform services, run under Wine
// against the system's own window manager, kernel objects and file system.
#include "framework/KeepAside.h"
#include "framework/LocalWindowEndpoint.h"
#include "framework/PlatformPaths.h"
#include "framework/ProcessLock.h"
#include "framework/SingleInstanceLock.h"
#include "settings/DiagnosticLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

namespace {

QString Read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QStringLiteral("<missing>");
}

void Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QString Numbered(const QString &file, int n)
{
    return file + (n == 1 ? QStringLiteral(".unreadable") : QStringLiteral(".unreadable-%1").arg(n));
}

} // namespace

TEST(WindowsPaths, FoldersComeFromTheShellAndTheProgramFolderEndsInABackslash)
{
    EXPECT_EQ(PlatformPaths::ConfigHome(), QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA")));
    EXPECT_TRUE(PlatformPaths::ApplicationDirectory().endsWith(QLatin1Char('\\')));
    EXPECT_FALSE(PlatformPaths::ApplicationDirectory().contains(QLatin1Char('/')));
    PlatformPaths::SetApplicationDirectory(QStringLiteral("C:/Program Files/Zarvik"));
    EXPECT_EQ(PlatformPaths::ApplicationDirectory(), QStringLiteral("C:\\Program Files\\Zarvik\\"));
    PlatformPaths::SetApplicationDirectory(QCoreApplication::applicationDirPath());

    // The log goes to C:\LOG, made when missing.
    QDir(QStringLiteral("C:/LOG")).removeRecursively();
    WriteLog(QStringLiteral("windows log line"));
    EXPECT_EQ(DiagnosticLogPath(), QStringLiteral("C:/LOG/Zarvik RGB Software_Config.log"));
    EXPECT_TRUE(Read(DiagnosticLogPath()).endsWith(QStringLiteral(" ::  windows log line\n")));
    EXPECT_FALSE(PlatformPaths::RuntimeDirectory().isEmpty());
}

TEST(WindowsLocks, FileLocksAndTheNamedMutexAdmitOneHolderAtATime)
{
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/app.lock");
    Write(path, "left behind by a crashed copy");
    ProcessLock first(path), second(path);
    EXPECT_EQ(first.TryAcquire(), ProcessLock::Result::Held);
    EXPECT_EQ(second.TryAcquire(), ProcessLock::Result::HeldByAnother);
    first.Release();
    EXPECT_EQ(second.TryAcquire(), ProcessLock::Result::Held);
    EXPECT_EQ(ProcessLock(dir.path() + QStringLiteral("/missing/app.lock")).TryAcquire(),
              ProcessLock::Result::Unavailable);

    const QString name = QStringLiteral("Zarvik test mutex %1").arg(GetCurrentProcessId());
    SingleInstanceLock one(name), two(name);
    EXPECT_EQ(one.TryAcquire(), SingleInstanceLock::Result::Held);
    EXPECT_EQ(two.TryAcquire(), SingleInstanceLock::Result::HeldByAnother);
    EXPECT_FALSE(two.IsHeld());
    one.Release();
    EXPECT_EQ(two.TryAcquire(), SingleInstanceLock::Result::Held);
    EXPECT_EQ(SingleInstanceLock(QStringLiteral("a\\b")).TryAcquire(), SingleInstanceLock::Result::Unavailable);
}

TEST(WindowsKeepAside, TheFileGetsAHardLinkUnderTheFirstFreeNameAndAnEarlierLinkIsReused)
{
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/config");
    Write(file, "mine");
    Write(Numbered(file, 1), "someone else's");

    const KeptAside kept = KeepFileAside(file, Numbered, 3);
    EXPECT_EQ(kept.path, Numbered(file, 2)) << kept.error.toStdString();
    EXPECT_FALSE(kept.earlier);
    EXPECT_EQ(Read(Numbered(file, 2)), QStringLiteral("mine"));
    EXPECT_EQ(Read(file), QStringLiteral("mine")); // a link: the original stays in place
    EXPECT_EQ(Read(Numbered(file, 1)), QStringLiteral("someone else's"));

    const KeptAside again = KeepFileAside(file, Numbered, 3);
    EXPECT_EQ(again.path, Numbered(file, 2));
    EXPECT_TRUE(again.earlier);

    Write(Numbered(file, 3), "taken");
    QFile::remove(Numbered(file, 2));
    Write(Numbered(file, 2), "taken too");
    EXPECT_TRUE(KeepFileAside(file, Numbered, 3).path.isEmpty());
    EXPECT_FALSE(KeepFileAside(dir.path() + QStringLiteral("/absent"), Numbered, 3).error.isEmpty());
}

TEST(WindowsWindowMessages, AListenerIsARealWindowFoundByTitleAndAnsweredThroughSendMessage)
{
    const QString title = QStringLiteral("Zarvik test window %1").arg(GetCurrentProcessId());
    const QString other = title + QStringLiteral(" (other)");
    std::vector<uint32_t> seen;
    LocalWindowEndpoint otherEnd(other, [](uint32_t message, uintptr_t, intptr_t) { return intptr_t(message) + 1; });
    LocalWindowEndpoint endpoint(title, [&](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        seen.push_back(message);
        if (message == 1044)
            // A receiver may send back while it handles a message.
            return LocalWindows::SendToWindow(other, 2000, 0, 0, 1000).result;
        return intptr_t(wParam + lParam);
    });

    EXPECT_FALSE(LocalWindows::WindowExists(title, 100));
    EXPECT_EQ(LocalWindows::SendToWindow(title, 1324, 0, 0, 100).status, LocalWindows::SendStatus::NoWindow);
    ASSERT_EQ(endpoint.Listen(), LocalWindowEndpoint::ListenResult::Listening) << endpoint.ErrorString().toStdString();
    ASSERT_EQ(otherEnd.Listen(), LocalWindowEndpoint::ListenResult::Listening);

    const std::wstring wide = title.toStdWString();
    HWND window = FindWindowW(nullptr, wide.c_str());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(LocalWindows::WindowExists(title, 100));

    const LocalWindows::SendOutcome answered = LocalWindows::SendToWindow(title, 1624, 1625, 2, 1000);
    EXPECT_EQ(answered.status, LocalWindows::SendStatus::Answered);
    EXPECT_EQ(answered.result, 1627);
    EXPECT_EQ(LocalWindows::SendToWindow(title, 1044, 0, 0, 1000).result, 2001);
    // The close message reaches the handler and leaves the window in place.
    EXPECT_EQ(LocalWindows::SendToWindow(title, WM_CLOSE, 0, 0, 1000).status, LocalWindows::SendStatus::Answered);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(seen, (std::vector<uint32_t> {1624, 1044, WM_CLOSE}));

    // The program's visible window of the same title hands messages over too.
    QWidget mainWindow;
    mainWindow.setWindowTitle(title);
    mainWindow.show();
    const auto mainHandle = reinterpret_cast<HWND>(mainWindow.winId());
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendMessageTimeoutW(mainHandle, 4000, 3, 4, SMTO_NORMAL, 1000, &result));
    EXPECT_EQ(result, 7u);
    EXPECT_EQ(seen.back(), 4000u);

    // A closed listener is gone for the senders.
    endpoint.Close();
    EXPECT_FALSE(IsWindow(window));
    mainWindow.close();
    mainWindow.setWindowTitle(QStringLiteral("renamed"));
    EXPECT_EQ(LocalWindows::SendToWindow(title, 1324, 0, 0, 100).status, LocalWindows::SendStatus::NoWindow);
}

TEST(WindowsWindowMessages, AReceiverThatDoesNotAnswerDelaysTheSenderOnlyByTheBound)
{
    const QString title = QStringLiteral("Zarvik hung window %1").arg(GetCurrentProcessId());
    std::atomic<HWND> hung {nullptr};
    std::atomic<bool> release {false};
    // A window whose thread never pumps its messages, as a hung agent's.
    std::thread owner([&] {
        hung = CreateWindowExW(0, L"STATIC", title.toStdWString().c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        while (!release)
            Sleep(10);
        DestroyWindow(hung);
    });
    while (!hung)
        Sleep(5);
    const DWORD started = GetTickCount();
    EXPECT_EQ(LocalWindows::SendToWindow(title, 1324, 0, 0, 300).status, LocalWindows::SendStatus::TimedOut);
    const DWORD waited = GetTickCount() - started;
    release = true;
    owner.join();
    EXPECT_LT(waited, 5000u); // bounded, not forever; the time itself is not asserted
}
