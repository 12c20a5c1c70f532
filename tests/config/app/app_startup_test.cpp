// Config started as a real program: single copy, log lines, program folder.

#include "app/CConfigApp.h"
#include "framework/DesktopServices.h"
#include "framework/PlatformPaths.h"
#include "settings/DiagnosticLog.h"
#include "settings/IniFile.h"
#include "settings/LightingSettings.h"

#include "TempUserFolders.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

const QString kConfigProgram = QStringLiteral(QZ_TEST_BIN_DIR "/Config");

// Config copied into a program folder of its own, without an agent beside it,
// so that no agent process outlives the test.
QString ProgramCopy(const TempUserFolders &folders, const QString &folderName = QStringLiteral("program"))
{
    const QString folder = folders.Root() + QLatin1Char('/') + folderName;
    QDir().mkpath(folder);
    const QString program = folder + QStringLiteral("/Config");
    if (!QFile::exists(program))
        QFile::copy(kConfigProgram, program);
    return program;
}

QStringList LogMessages()
{
    QFile file(DiagnosticLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList messages;
    for (const QString &line : QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts))
        messages << line.section(" ::  ", 1);
    return messages;
}

bool WaitForLogLine(const QString &message, int occurrences = 1)
{
    QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        if (LogMessages().count(message) >= occurrences)
            return true;
        QThread::msleep(20);
    }
    return false;
}

class RunningConfig
{
public:
    explicit RunningConfig(const QString &program, const QStringList &extraEnvironment = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        for (const QString &entry : extraEnvironment)
            environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, {});
        process.waitForStarted(10000);
    }
    ~RunningConfig()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess &Process() { return process; }
    bool EndPolitely()
    {
        process.terminate();
        return process.waitForFinished(20000) && process.exitStatus() == QProcess::NormalExit;
    }

private:
    QProcess process;
};

const QString kReadyLine = QStringLiteral("OnInitDialog-createIniPath2 - ");

QString ReadyLine(const TempUserFolders &folders)
{
    return kReadyLine + folders.ConfigHome() + "/Zarvik/Zarvik RGB Software/config";
}

TEST(ConfigStartUp, NormalRunLogsItsStepsInOrderAndCreatesTheSettings)
{
    TempUserFolders folders;
    RunningConfig config(ProgramCopy(folders));
    ASSERT_TRUE(WaitForLogLine(ReadyLine(folders)));
    ASSERT_TRUE(config.EndPolitely());

    const QString settingsPath = folders.ConfigHome() + "/Zarvik/Zarvik RGB Software/config";
    const QStringList expected = {
        folders.Root() + "/program/", "STEP CreateDlg",      "OnInitDialog-createIniPath - " + settingsPath,
        ReadyLine(folders),           "STEP CreateDlg -End", "Instance End",
        "STEP-ExitInstance()-End",
    };
    EXPECT_EQ(LogMessages(), expected);
    EXPECT_TRUE(QFile::exists(settingsPath));
}

TEST(ConfigStartUp, SecondCopyEndsAtOnceWithOneLogLine)
{
    TempUserFolders folders;
    RunningConfig first(ProgramCopy(folders));
    ASSERT_TRUE(WaitForLogLine(ReadyLine(folders)));
    const QStringList before = LogMessages();

    RunningConfig second(ProgramCopy(folders));
    ASSERT_TRUE(second.Process().waitForFinished(20000));
    EXPECT_EQ(second.Process().exitStatus(), QProcess::NormalExit);

    const QStringList after = LogMessages();
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.last(), "STEP-ExitInstance()-End");
    EXPECT_EQ(first.Process().state(), QProcess::Running);
    EXPECT_TRUE(first.EndPolitely());
}

TEST(ConfigStartUp, LockOfAKilledCopyDoesNotBlockTheNextStart)
{
    TempUserFolders folders;
    {
        RunningConfig killed(ProgramCopy(folders));
        ASSERT_TRUE(WaitForLogLine(ReadyLine(folders)));
        killed.Process().kill();
        ASSERT_TRUE(killed.Process().waitForFinished(5000));
    }
    RunningConfig next(ProgramCopy(folders));
    EXPECT_TRUE(WaitForLogLine(ReadyLine(folders), 2));
    EXPECT_TRUE(next.EndPolitely());
}

TEST(ConfigStartUp, FileSizeLimitFailsTheSaveInsteadOfKillingTheProgram)
{
    // The log fits below the limit, the first-run settings file does not.
    TempUserFolders folders;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setChildProcessModifier([] {
        struct rlimit limit = {8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
    });
    process.start(ProgramCopy(folders), {});
    ASSERT_TRUE(WaitForLogLine(ReadyLine(folders)));
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
}

TEST(ConfigStartUp, ProgramFolderWithSpacesIsKeptWhole)
{
    TempUserFolders folders;
    const QString folder = folders.Root() + "/My Zarvik Programs";
    RunningConfig config(ProgramCopy(folders, "My Zarvik Programs"), {"LC_ALL=zh_CN.UTF-8"});
    ASSERT_TRUE(WaitForLogLine(ReadyLine(folders)));
    ASSERT_TRUE(config.EndPolitely());
    ASSERT_FALSE(LogMessages().isEmpty());
    EXPECT_EQ(LogMessages().first(), folder + "/");

    // The first run took its language from the Chinese (PRC) locale.
    const IniFile settings(folders.ConfigHome() + "/Zarvik/Zarvik RGB Software/config");
    EXPECT_EQ(settings.ReadInt("Setting", "lan_id", -1), 1);
}

TEST(ConfigHelp, OpensTheManualBesideTheProgramWhateverTheWorkingFolder)
{
    QStringList opened;
    DesktopServices::SetDocumentOpenerForTesting([&opened](const QString &path) {
        opened << path;
        return false;
    });
    const QString savedFolder = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    PlatformPaths::SetApplicationDirectory("/opt/Zarvik RGB Software");

    CConfigApp app;
    app.OnHelp();

    QDir::setCurrent(savedFolder);
    DesktopServices::SetDocumentOpenerForTesting({});
    EXPECT_EQ(opened, QStringList {"/opt/Zarvik RGB Software/Help/Help.pdf"});
}

} // namespace
