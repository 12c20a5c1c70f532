// Config's side of the agent link: notify after a save, start the agent,
// and the requests the agent sends to Config's window.

#include "app/AgentLink.h"
#include "framework/PlatformPaths.h"
#include "settings/DiagnosticLog.h"

#include "AgentTestSupport.h"
#include "TempUserFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

#include <gtest/gtest.h>

using namespace agent_test;
using LocalWindows::SendStatus;

namespace {

const QString kAgentTitle = QString::fromLatin1(AgentTitles::kAgent);
const QString kConfigTitle = QString::fromLatin1(AgentTitles::kConfig);

class AgentLinkTest : public ::testing::Test
{
protected:
    AgentLinkTest()
    {
        link.SetWaitCursor([this](bool shown) { events.Add(shown ? "cursor shown" : "cursor restored"); });
    }
    ~AgentLinkTest() override { PlatformPaths::SetApplicationDirectory(QStringLiteral(QZ_TEST_BIN_DIR)); }

    // A program folder whose "hid" only leaves a mark that it ran.
    QString FakeProgramFolder()
    {
        const QString folder = folders.Root() + "/My Programs";
        QDir().mkpath(folder);
#ifdef _WIN32
        QFile::copy(QStringLiteral(QZ_TEST_BIN_DIR "/mark_ran.exe"), folder + "/hid.exe");
#else
        QFile script(folder + "/hid");
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\necho started >> \"$0.ran\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
        PlatformPaths::SetApplicationDirectory(folder);
        return folder;
    }

    TempUserFolders folders;
    EventLog events;
    AgentLink link;
};

TEST_F(AgentLinkTest, NotifySendsOne1324ToTheAgentWhileTheWaitCursorIsShown)
{
    LocalWindowEndpoint agent(kAgentTitle, [this](uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        events.Add("agent got " + std::to_string(message) + " " + std::to_string(wParam) + " "
                   + std::to_string(lParam));
        return 1;
    });
    ASSERT_EQ(agent.Listen(), LocalWindowEndpoint::ListenResult::Listening);

    const auto outcome = WhileServing([this] { return link.NotifySettingsSaved(); });
    EXPECT_EQ(outcome.status, SendStatus::Answered);
    EXPECT_EQ(outcome.result, 1);
    EXPECT_EQ(events.Events(), (std::vector<std::string> {"cursor shown", "agent got 1324 0 0", "cursor restored"}));
}

TEST_F(AgentLinkTest, NotifyWithoutAgentSendsNothingAndRestoresTheCursor)
{
    EXPECT_EQ(link.NotifySettingsSaved().status, SendStatus::NoWindow);
    EXPECT_EQ(events.Events(), (std::vector<std::string> {"cursor shown", "cursor restored"}));

    // A socket left by a crashed agent is no agent either.
    RawSocket stale(kAgentTitle, RawSocket::Kind::Stale);
    ASSERT_TRUE(stale.Ok());
    EXPECT_EQ(link.NotifySettingsSaved().status, SendStatus::NoWindow);
}

TEST_F(AgentLinkTest, HungAgentReleasesConfigWithinTheBound)
{
    RawSocket hung(kAgentTitle, RawSocket::Kind::Hung);
    ASSERT_TRUE(hung.Ok());
    link.SetSendTimeout(700);
    LocalWindows::SendOutcome outcome;
    const qint64 elapsed = ElapsedMs([&] { outcome = link.NotifySettingsSaved(); });
    EXPECT_EQ(outcome.status, SendStatus::TimedOut);
    EXPECT_LT(elapsed, 700 + 2000);
    EXPECT_EQ(events.Events(), (std::vector<std::string> {"cursor shown", "cursor restored"}));
    QFile log(DiagnosticLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll().count("agent did not answer within 0.7 s"), 1);
}

TEST_F(AgentLinkTest, StartsTheAgentBesideTheProgramWhenNoneAnswers)
{
    const QString folder = FakeProgramFolder();
    RawSocket stale(kAgentTitle, RawSocket::Kind::Stale); // a crashed agent's leftover
    ASSERT_TRUE(stale.Ok());

    const AgentLink::StartOutcome outcome = link.StartAgentIfAbsent();
    EXPECT_EQ(outcome.status, AgentLink::StartStatus::Started);
    EXPECT_GT(outcome.processId, 0);
    EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(folder + "/hid.ran"); }));
}

TEST_F(AgentLinkTest, DoesNotStartTheAgentWhenItAnswers)
{
    const QString folder = FakeProgramFolder();
    LocalWindowEndpoint agent(kAgentTitle, [](uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
    ASSERT_EQ(agent.Listen(), LocalWindowEndpoint::ListenResult::Listening);

    const auto outcome = WhileServing([this] { return link.StartAgentIfAbsent(); });
    EXPECT_EQ(outcome.status, AgentLink::StartStatus::AlreadyRunning);
    QThread::msleep(300);
    EXPECT_FALSE(QFileInfo::exists(folder + "/hid.ran"));
}

TEST_F(AgentLinkTest, MissingAgentProgramIsOnlyReported)
{
    PlatformPaths::SetApplicationDirectory(folders.Root() + "/empty");
    EXPECT_EQ(link.StartAgentIfAbsent().status, AgentLink::StartStatus::StartFailed);
}

class ConfigWindowTest : public AgentLinkTest
{
protected:
    void Listen()
    {
        ASSERT_TRUE(link.StartListening(link.StandardHandler({
            [this] { events.Add("ended without saving"); },
            [this] { events.Add("shown normally"); },
        })));
    }
    intptr_t Send(uint32_t message, uintptr_t wParam = 0)
    {
        const auto outcome = SendWhileServing(kConfigTitle, message, wParam);
        EXPECT_EQ(outcome.status, SendStatus::Answered);
        return outcome.result;
    }
};

TEST_F(ConfigWindowTest, CloseRequestWithoutCompanionWindowsStillEnds)
{
    Listen();
    EXPECT_EQ(Send(AgentMessages::kCloseRequest, AgentMessages::kCloseReasonSecond), 1);
    EXPECT_EQ(events.Events(), std::vector<std::string> {"ended without saving"});
}

TEST_F(ConfigWindowTest, RestoreRequestShowsAMinimisedWindowNormally)
{
    QWidget window;
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    ASSERT_TRUE(link.StartListening(link.StandardHandler({{}, [&window] { window.showNormal(); }})));
    Send(AgentMessages::kRestoreRequest);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

TEST_F(ConfigWindowTest, QueryIsAnsweredOneAndOtherMessagesNeverReachTheHandler)
{
    std::vector<uint32_t> handled;
    ASSERT_TRUE(link.StartListening([&](uint32_t message, uintptr_t, intptr_t) -> intptr_t {
        handled.push_back(message);
        return 5;
    }));
    EXPECT_EQ(Send(AgentMessages::kSettingsSaved), 0);
    EXPECT_EQ(Send(AgentMessages::kCloseWindow), 0);
    EXPECT_EQ(Send(AgentMessages::kQuery), 5);
    EXPECT_EQ(handled, std::vector<uint32_t> {AgentMessages::kQuery});

    link.StartListening(link.StandardHandler({}));
    EXPECT_EQ(Send(AgentMessages::kQuery), 1);
    EXPECT_TRUE(events.Events().empty());
}

TEST_F(ConfigWindowTest, SecondConfigCannotTakeTheTitle)
{
    Listen();
    AgentLink second;
    EXPECT_FALSE(second.StartListening(second.StandardHandler({})));
    EXPECT_FALSE(second.ListenError().isEmpty());
    EXPECT_FALSE(second.IsListening());
    EXPECT_TRUE(link.IsListening());
    EXPECT_EQ(Send(AgentMessages::kQuery), 1);

    link.StopListening();
    EXPECT_EQ(LocalWindows::SendToWindow(kConfigTitle, AgentMessages::kQuery, 0, 0, 1000).status, SendStatus::NoWindow);
}

} // namespace
