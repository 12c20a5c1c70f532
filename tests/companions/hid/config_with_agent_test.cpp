// Config and the agent together: Config started as a real program next to a
// real hid, and the main window's Apply notifying a running hid.

#include "HidLog.h"
#include "app/AgentLink.h"
#include "settings/DiagnosticLog.h"
#include "settings/LightingSettings.h"

#include "AgentTestSupport.h"
#include "MainWindowFixture.h"
#include "TempUserFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

using namespace agent_test;

namespace {

const QString kBin = QStringLiteral(QZ_TEST_BIN_DIR);
const QString kAgentTitle = QString::fromLatin1(AgentTitles::kAgent);
const QString kConfigTitle = QString::fromLatin1(AgentTitles::kConfig);

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Ends every hid of this test's user folders: politely through its window,
// and by force for any that does not answer (an agent started by Config is
// not our child).
void EndAgents(const QString &runtimeDir)
{
    LocalWindows::SendToWindow(kAgentTitle, AgentMessages::kCloseWindow, 0, 0, 2000);
    WaitUntil([] { return !LocalWindows::WindowExists(kAgentTitle, 500); }, 5000);
    const QString hid = QFileInfo(kBin + "/hid").canonicalFilePath();
    const QByteArray marker = "XDG_RUNTIME_DIR=" + runtimeDir.toLocal8Bit() + '\0';
    QDirIterator processes(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (processes.hasNext()) {
        const QString folder = processes.next();
        bool isPid = false;
        const int pid = QFileInfo(folder).fileName().toInt(&isPid);
        if (isPid && QFileInfo(folder + "/exe").canonicalFilePath() == hid
            && ReadAll(folder + "/environ").contains(marker))
            ::kill(pid, SIGKILL);
    }
}

class Process
{
public:
    Process(const QString &program, const QStringList &arguments)
    {
        process.start(program, arguments);
        process.waitForStarted(10000);
    }
    ~Process()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess &Get() { return process; }
    bool WaitForEnd(int ms = 20000)
    {
        return WaitUntil([&] { return process.state() == QProcess::NotRunning; }, ms);
    }
    QString Output()
    {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output;
    }

private:
    QProcess process;
    QString output;
};

class ConfigAndAgent : public ::testing::Test
{
protected:
    ~ConfigAndAgent() override { EndAgents(folders.RuntimeDir()); }

    std::unique_ptr<Process> StartConfig()
    {
        auto config = std::make_unique<Process>(kBin + "/Config", QStringList {});
        EXPECT_TRUE(WaitUntil([] { return LocalWindows::WindowExists(kConfigTitle, 1000); }, 20000));
        return config;
    }
    std::unique_ptr<Process> StartAgent()
    {
        auto agent = std::make_unique<Process>(kBin + "/hid", QStringList {});
        EXPECT_TRUE(WaitUntil([] { return LocalWindows::WindowExists(kAgentTitle, 1000); }));
        return agent;
    }
    QString HidSend(const QStringList &request)
    {
        Process send(kBin + "/hid", QStringList {"--send"} + request);
        EXPECT_TRUE(send.WaitForEnd());
        return send.Output();
    }

    TempUserFolders folders;
};

TEST_F(ConfigAndAgent, ConfigStartsTheAgentWhenNoneAnswersAndLeavesItRunning)
{
    auto config = StartConfig();
    ASSERT_TRUE(WaitUntil([] { return LocalWindows::WindowExists(kAgentTitle, 1000); }));
    EXPECT_TRUE(WaitUntil([] { return ReadAll(HidLogPath()).contains("apply #1 (start)"); }));

    config->Get().terminate();
    ASSERT_TRUE(config->WaitForEnd());
    EXPECT_TRUE(LocalWindows::WindowExists(kAgentTitle, 1000)); // the agent is on its own
}

TEST_F(ConfigAndAgent, ConfigDoesNotStartASecondAgent)
{
    auto agent = StartAgent();
    auto config = StartConfig();
    QThread::msleep(500); // time for a second agent to show up, were one started
    const QByteArray log = ReadAll(HidLogPath());
    EXPECT_EQ(log.count("apply #1 (start)"), 1);
    EXPECT_FALSE(log.contains("another agent is running"));
}

TEST_F(ConfigAndAgent, CloseRequestEndsConfigWithoutSavingAndClosesTheCompanionWindows)
{
    auto agent = StartAgent();
    for (const QStringList &request : {QStringList {"close", "1625"}, QStringList {"close", "1626"}}) {
        EventLog companions;
        EndpointThread windows(
            {QString::fromLatin1(AgentTitles::kWarning), QString::fromLatin1(AgentTitles::kPreference)}, companions);
        ASSERT_TRUE(windows.Begin());
        auto config = StartConfig();
        const QByteArray settings = ReadAll(SettingsPath());
        ASSERT_FALSE(settings.isEmpty());

        EXPECT_EQ(HidSend(request), "answer: 1\n");
        EXPECT_TRUE(config->WaitForEnd());
        EXPECT_EQ(companions.Events(),
                  (std::vector<std::string> {"Zarvik RGB Software_Warning:16", "Zarvik RGB Software_Preference:16"}));
        EXPECT_EQ(ReadAll(SettingsPath()), settings);
        EXPECT_TRUE(ReadAll(DiagnosticLogPath()).contains("STEP CreateDlg -End"));
        EXPECT_FALSE(LocalWindows::WindowExists(kConfigTitle, 1000));
    }
    // The agent saw no save.
    EXPECT_FALSE(ReadAll(HidLogPath()).contains("(notified)"));
}

TEST_F(ConfigAndAgent, OtherRequestsAreAnsweredAndLeaveConfigRunning)
{
    auto agent = StartAgent();
    EventLog companions;
    EndpointThread windows({QString::fromLatin1(AgentTitles::kWarning)}, companions);
    ASSERT_TRUE(windows.Begin());
    auto config = StartConfig();

    EXPECT_EQ(HidSend({"close", "1627"}), "answer: 1\n");
    EXPECT_EQ(HidSend({"restore"}), "answer: 0\n");
    EXPECT_EQ(HidSend({"ping"}), "answer: 1\n");
    EXPECT_EQ(config->Get().state(), QProcess::Running);
    EXPECT_TRUE(LocalWindows::WindowExists(kConfigTitle, 1000));
    EXPECT_TRUE(companions.Events().empty());
}

class ApplyWithAgent : public MainWindowTest
{
protected:
    void TearDown() override
    {
        MainWindowTest::TearDown();
        EndAgents(folders.RuntimeDir());
    }
};

TEST_F(ApplyWithAgent, ApplyNotifiesTheAgentOnceAfterTheFileIsComplete)
{
    Process agent(kBin + "/hid", {});
    ASSERT_TRUE(WaitUntil([] { return LocalWindows::WindowExists(kAgentTitle, 1000); }));
    Open(1);
    ChooseEffect(9);
    Click(Screen().applyButton);

    // What the agent read on the notification was the whole new file.
    const QString expected = "category 1 (SSD): synchronise 1, devices 1\n  device 1: record 1, effect 9,";
    const auto notifiedReport = [&] {
        const QString report = agent.Output();
        return report.mid(report.indexOf("apply #2 (notified)"));
    };
    EXPECT_TRUE(WaitUntil([&] { return notifiedReport().contains(expected); })) << agent.Output().toStdString();
    EXPECT_EQ(agent.Output().count("(notified)"), 1);
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].effectId, 9);
}

TEST_F(ApplyWithAgent, ApplyWithoutAgentStillSaves)
{
    Open(1);
    Click(Screen().effectButtons[4]);
    Click(Screen().applyButton);
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].effectId, 4);
    EXPECT_FALSE(LocalWindows::WindowExists(kAgentTitle, 1000));
}

} // namespace
