#include "settings/DiagnosticLog.h"
#include "settings/FolderChain.h"

#include "TempUserFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

QStringList LogLines()
{
    QFile file(DiagnosticLogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(DiagnosticLog, CreatesItsFolderAndWritesTimestampedLinesInOrder)
{
    TempUserFolders folders;
    EXPECT_EQ(DiagnosticLogPath(), folders.StateHome() + "/Zarvik/LOG/Zarvik RGB Software_Config.log");
    ASSERT_FALSE(QFileInfo::exists(DiagnosticLogPath()));

    WriteLog("first");
    WriteLog("100% done %s %d");
    WriteLog(QString::fromUtf8("/opt/Zarvik Ünïcode/"));
    const QStringList lines = LogLines();
    ASSERT_EQ(lines.size(), 3);
    const QRegularExpression prefix("^\\d\\d:\\d\\d:\\d\\d:\\d\\d\\d ::  ");
    for (const QString &line : lines)
        EXPECT_TRUE(prefix.match(line).hasMatch()) << line.toStdString();
    EXPECT_TRUE(lines[0].endsWith(" ::  first"));
    EXPECT_TRUE(lines[1].endsWith(" ::  100% done %s %d"));
    EXPECT_TRUE(lines[2].endsWith(QString::fromUtf8("/opt/Zarvik Ünïcode/")));
}

TEST(DiagnosticLog, UnwritableLogIsDroppedSilently)
{
    TempUserFolders folders;
    // A file where the log folder should be: nothing can be created there.
    QFile blocker(folders.StateHome() + "/Zarvik");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WriteLog("lost");
    EXPECT_FALSE(QFileInfo::exists(DiagnosticLogPath()));
}

TEST(FolderChain, CreatesEveryFolderOfTheChainAndAMissingRoot)
{
    TempUserFolders folders;
    const QString root = folders.Root() + "/not/yet/there";
    EnsureFolderChain(root, "/Zarvik/Zarvik RGB Software/");
    EXPECT_TRUE(QFileInfo(root + "/Zarvik/Zarvik RGB Software").isDir());

    EnsureFolderChain(root, "/Zarvik/file.txt");
    EXPECT_TRUE(QFileInfo(root + "/Zarvik/file.txt").isFile()) << "an openable file path is created empty";
    EnsureFolderChain(QString(), "/x/");
}

} // namespace
