// hid as a real process: started, notified after a save, asked to end,
// killed, stopped; and its command line talking to Config's window.

#include "HidLog.h"
#include "app/AgentLink.h"
#include "framework/PlatformPaths.h"
#include "settings/FolderChain.h"
#include "settings/LightingSettings.h"

#include "AgentTestSupport.h"
#include "TempUserFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>

using namespace agent_test;
using LocalWindows::SendStatus;

namespace {

const QString kHid = QStringLiteral(QZ_TEST_BIN_DIR "/hid");
const QString kAgentTitle = QString::fromLatin1(AgentTitles::kAgent);
const QString kConfigTitle = QString::fromLatin1(AgentTitles::kConfig);

class HidProcess
{
public:
    explicit HidProcess(const QStringList &arguments = {})
    {
        process.start(kHid, arguments);
        process.waitForStarted(10000);
    }
    ~HidProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process.processId()), SIGCONT);
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess &Process() { return process; }
    pid_t Pid() const { return static_cast<pid_t>(process.processId()); }
    // Stops the agent and waits until every thread of it has stopped: kill()
    // returns before a busy process takes the stop, and a thread that still
    // runs could answer.
    bool Stop()
    {
        if (::kill(Pid(), SIGSTOP) != 0)
            return false;
        const QString stat = QStringLiteral("/proc/%1/stat").arg(Pid());
        return WaitUntil([&] {
            QFile file(stat);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const QByteArray line = file.readAll();
            const qsizetype end = line.lastIndexOf(')');
            return end >= 0 && line.mid(end + 2, 1) == "T";
        });
    }

    bool WaitListening()
    {
        return WaitUntil([] { return LocalWindows::WindowExists(kAgentTitle, 1000); });
    }
    QString Output()
    {
        output += QString::fromLocal8Bit(process.readAllStandardOutput());
        return output;
    }
    bool WaitForOutput(const QString &text, int occurrences = 1)
    {
        return WaitUntil([&] { return Output().count(text) >= occurrences; });
    }
    bool WaitForEnd()
    {
        return WaitUntil([&] { return process.state() == QProcess::NotRunning; });
    }

private:
    QProcess process;
    QString output;
};

struct HidRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs hid to its end while this thread keeps serving its windows.
HidRun RunHid(const QStringList &arguments)
{
    HidProcess hid(arguments);
    HidRun run;
    if (!hid.WaitForEnd())
        return run;
    run.exitCode = hid.Process().exitCode();
    run.out = hid.Output();
    run.err = QString::fromLocal8Bit(hid.Process().readAllStandardError());
    return run;
}

QString SocketPath(const QString &title)
{
    return LocalWindows::EndpointPath(title);
}

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class HidAgentProcess : public ::testing::Test
{
protected:
    TempUserFolders folders;
    AgentLink link;
};

TEST_F(HidAgentProcess, ReportsAtStartWithoutCreatingTheSettingsFile)
{
    HidProcess hid;
    ASSERT_TRUE(hid.WaitListening());
    ASSERT_TRUE(hid.WaitForOutput("category 1 (SSD)"));
    EXPECT_TRUE(
        hid.Output().startsWith("apply #1 (start): no settings file at " + SettingsPath() + ", the defaults\n"));
    EXPECT_TRUE(hid.Output().contains("LED switch: on\ncurrent profile: 0\n"));
    EXPECT_FALSE(QFileInfo::exists(SettingsPath()));
    EXPECT_TRUE(ReadAll(HidLogPath()).contains("apply #1 (start)"));
}

TEST_F(HidAgentProcess, EverySaveNotificationIsReportedOnceWithTheFileAsSaved)
{
    HidProcess hid;
    ASSERT_TRUE(hid.WaitListening());

    LightingSettings settings;
    settings.led_sw = 0;
    settings.CurrentProfile = 2;
    CategorySettings &ssd = settings.Profile(2).Category(1);
    ssd.synchronize = 0;
    ssd.devNum = 2;
    ssd.records[2] = {7, 1, 8, 1, {0x112233}, -1, 1};
    EnsureFolderChain(PlatformPaths::ConfigHome(), QLatin1String(kSettingsFolderChain));
    ASSERT_TRUE(SaveSettings(settings, SettingsPath()));
    const QByteArray saved = ReadAll(SettingsPath());

    const auto outcome = link.NotifySettingsSaved();
    EXPECT_EQ(outcome.status, SendStatus::Answered);
    EXPECT_EQ(outcome.result, 1);
    ASSERT_TRUE(hid.WaitForOutput("speed -1, direction 1\n"));
    const QString report = hid.Output();
    const QString expected = "apply #2 (notified): " + SettingsPath()
        + "\nLED switch: off\ncurrent profile: 2\n"
          "category 0: synchronise 1, devices 2\n";
    EXPECT_TRUE(report.contains(expected)) << report.toStdString();
    EXPECT_TRUE(report.contains("category 1 (SSD): synchronise 0, devices 2\n"
                                "  device 1: record 1, effect 1, colours (255,0,0)"));
    EXPECT_TRUE(report.contains("  device 2: record 2, effect 7, colours (51,34,17) (51,34,17) (51,34,17) (51,34,17) "
                                "(51,34,17) (51,34,17) (51,34,17) (51,34,17), speed -1, direction 1\n"));
    EXPECT_TRUE(ReadAll(HidLogPath()).contains("device 2: record 2, effect 7, colours (51,34,17)"));

    EXPECT_EQ(link.NotifySettingsSaved().result, 1);
    ASSERT_TRUE(hid.WaitForOutput("apply #3 (notified)"));
    EXPECT_EQ(hid.Output().count("(notified)"), 2);
    EXPECT_EQ(ReadAll(SettingsPath()), saved); // the agent never writes it
}

TEST_F(HidAgentProcess, SecondAgentEndsAtOnceAndTheFirstKeepsServing)
{
    HidProcess first;
    ASSERT_TRUE(first.WaitListening());
    const HidRun second = RunHid({});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.err.contains("another agent is running"));
    EXPECT_TRUE(second.out.isEmpty());
    EXPECT_EQ(link.NotifySettingsSaved().result, 1);
}

TEST_F(HidAgentProcess, EndsCleanlyOnSigtermAndGivesItsTitleUp)
{
    HidProcess hid;
    ASSERT_TRUE(hid.WaitListening());
    const QString socket = SocketPath(kAgentTitle);
    ASSERT_TRUE(QFileInfo::exists(socket));

    hid.Process().terminate();
    ASSERT_TRUE(hid.WaitForEnd());
    EXPECT_EQ(hid.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(hid.Process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(socket));
    EXPECT_TRUE(ReadAll(HidLogPath()).contains("ending"));
}

TEST_F(HidAgentProcess, KilledAgentLeavesNoWindowAndDoesNotBlockTheNextOne)
{
    {
        HidProcess killed;
        ASSERT_TRUE(killed.WaitListening());
        killed.Process().kill();
        ASSERT_TRUE(killed.WaitForEnd());
    }
    ASSERT_TRUE(QFileInfo::exists(SocketPath(kAgentTitle))); // what a crash leaves
    EXPECT_FALSE(link.AgentRunning());
    EXPECT_EQ(link.NotifySettingsSaved().status, SendStatus::NoWindow);

    HidProcess next;
    ASSERT_TRUE(next.WaitListening());
    EXPECT_EQ(link.NotifySettingsSaved().result, 1);
}

TEST_F(HidAgentProcess, StoppedAgentReleasesConfigWithinTheDefaultBound)
{
    HidProcess hid;
    ASSERT_TRUE(hid.WaitListening());
    ASSERT_TRUE(hid.Stop());

    LocalWindows::SendOutcome outcome;
    const qint64 elapsed = ElapsedMs([&] { outcome = link.NotifySettingsSaved(); });
    ::kill(hid.Pid(), SIGCONT);
    EXPECT_EQ(outcome.status, SendStatus::TimedOut);
    EXPECT_LT(elapsed, AgentLink::kDefaultSendTimeoutMs + 2000);
    // Once running again it answers as before.
    EXPECT_EQ(link.NotifySettingsSaved().result, 1);
}

TEST_F(HidAgentProcess, ItsSocketIsOpenToItsUserOnly)
{
    HidProcess hid;
    ASSERT_TRUE(hid.WaitListening());
    struct stat info = {};
    ASSERT_EQ(::stat(QFile::encodeName(SocketPath(kAgentTitle)).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(LocalWindows::EndpointFolder()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

TEST_F(HidAgentProcess, ConfigStartsTheAgentBesideItOnlyWhenNoneAnswers)
{
    PlatformPaths::SetApplicationDirectory(QStringLiteral(QZ_TEST_BIN_DIR));
    const AgentLink::StartOutcome started = link.StartAgentIfAbsent();
    ASSERT_EQ(started.status, AgentLink::StartStatus::Started);
    ASSERT_TRUE(WaitUntil([&] { return link.AgentRunning(); }));

    EXPECT_EQ(link.StartAgentIfAbsent().status, AgentLink::StartStatus::AlreadyRunning);
    EXPECT_EQ(link.NotifySettingsSaved().result, 1);

    ::kill(static_cast<pid_t>(started.processId), SIGTERM);
    EXPECT_TRUE(WaitUntil([&] { return !QFileInfo::exists(SocketPath(kAgentTitle)); }));
    const QByteArray log = ReadAll(HidLogPath());
    EXPECT_EQ(log.count("apply #1 (start)"), 1);
    EXPECT_EQ(log.count("apply #2 (notified)"), 1);
}

class HidSendsToConfig : public ::testing::Test
{
protected:
    void Listen()
    {
        ASSERT_TRUE(config.StartListening(config.StandardHandler({
            [this] { events.Add("ended without saving"); },
            [this] { events.Add("shown normally"); },
        })));
    }

    TempUserFolders folders;
    AgentLink config;
    EventLog events;
};

TEST_F(HidSendsToConfig, CloseRequestsEndConfigAndCloseItsCompanionWindows)
{
    Listen();
    for (const QStringList &arguments : {QStringList {"--send", "close"}, QStringList {"--send", "1624", "1626"}}) {
        EventLog companions;
        EndpointThread windows(
            {QString::fromLatin1(AgentTitles::kWarning), QString::fromLatin1(AgentTitles::kPreference)}, companions);
        ASSERT_TRUE(windows.Begin());
        const HidRun run = RunHid(arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, "answer: 1\n");
        EXPECT_EQ(events.Events(), std::vector<std::string> {"ended without saving"});
        EXPECT_EQ(companions.Events().size(), 2u);
        events.Clear();
    }
}

TEST_F(HidSendsToConfig, OtherReasonsRestoreAndQueryAreAnsweredAsDefined)
{
    Listen();
    HidRun run = RunHid({"--send", "close", "1627"});
    EXPECT_EQ(run.out, "answer: 1\n");
    EXPECT_TRUE(events.Events().empty());

    run = RunHid({"--send", "restore"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "answer: 0\n");
    EXPECT_EQ(events.Events(), std::vector<std::string> {"shown normally"});

    for (const char *query : {"ping", "1044"}) {
        run = RunHid({"--send", query});
        EXPECT_EQ(run.out, "answer: 1\n");
    }
    EXPECT_EQ(events.Events().size(), 1u);
}

TEST_F(HidSendsToConfig, MissingOrHungConfigIsReportedAndEndsTheSender)
{
    HidRun run = RunHid({"--send", "ping"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("no window titled \"Zarvik RGB Software_Config\""));
    EXPECT_TRUE(run.out.isEmpty());

    RawSocket hung(kConfigTitle, RawSocket::Kind::Hung);
    ASSERT_TRUE(hung.Ok());
    run = RunHid({"--send", "close", "--timeout", "300"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("did not answer within 300 ms"));
}

TEST(HidCommandLineProcess, HelpAndBadArguments)
{
    HidRun run = RunHid({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Usage: hid"));
    run = RunHid({"--send", "1324"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("unknown request \"1324\""));
}

} // namespace
