#include "framework/CaseInsensitivePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

class CaseInsensitivePathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDir(root()).mkpath(QStringLiteral("skins/menu")));
        Touch(root() + QStringLiteral("/skins/menu/Device_Menu_Normal.png"));
        Touch(root() + QStringLiteral("/skins/Close_normal.png"));
    }
    QString root() const { return dir.path(); }

    QTemporaryDir dir;
};

TEST_F(CaseInsensitivePathTest, ExactPathsAreAnsweredAsTheyAre)
{
    const QString exact = root() + QStringLiteral("/skins/Close_normal.png");
    EXPECT_EQ(CaseInsensitivePath::Resolve(exact), exact);
    EXPECT_EQ(CaseInsensitivePath::Resolve(QString()), QString());
}

TEST_F(CaseInsensitivePathTest, FoldersAndFilesInOtherCase)
{
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/Skins/Menu/device_menu_normal.PNG")),
              root() + QStringLiteral("/skins/menu/Device_Menu_Normal.png"));
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/SKINS/")), root() + QStringLiteral("/skins/"));
}

TEST_F(CaseInsensitivePathTest, MissingPathsComeBackUnchanged)
{
    const QString missing = root() + QStringLiteral("/Skins/Pic/x.png");
    EXPECT_EQ(CaseInsensitivePath::Resolve(missing), missing);
    const QString missingLeaf = root() + QStringLiteral("/SKINS/nothing.png");
    EXPECT_EQ(CaseInsensitivePath::Resolve(missingLeaf), missingLeaf);
}

TEST_F(CaseInsensitivePathTest, SeveralCandidatesPickTheFirstInCodePointOrder)
{
    Touch(root() + QStringLiteral("/skins/a.PNG"));
    Touch(root() + QStringLiteral("/skins/A.png"));
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/skins/a.png")),
              root() + QStringLiteral("/skins/A.png"));
}

TEST_F(CaseInsensitivePathTest, TriesEveryMatchingFolder)
{
    // Two folders that differ only in case: the file is found in the one
    // that holds it.
    ASSERT_TRUE(QDir(root()).mkpath(QStringLiteral("SKINS")));
    Touch(root() + QStringLiteral("/SKINS/only_here.png"));
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/Skins/only_here.png")),
              root() + QStringLiteral("/SKINS/only_here.png"));
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/Skins/close_normal.png")),
              root() + QStringLiteral("/skins/Close_normal.png"));
    // Even an exactly named folder gives way when the file is in its twin.
    EXPECT_EQ(CaseInsensitivePath::Resolve(root() + QStringLiteral("/skins/only_here.png")),
              root() + QStringLiteral("/SKINS/only_here.png"));
}

TEST_F(CaseInsensitivePathTest, SeesEntriesAddedAfterALookup)
{
    const QString wanted = root() + QStringLiteral("/Skins/New.png");
    EXPECT_EQ(CaseInsensitivePath::Resolve(wanted), wanted);
    Touch(root() + QStringLiteral("/skins/new.PNG"));
    EXPECT_EQ(CaseInsensitivePath::Resolve(wanted), root() + QStringLiteral("/skins/new.PNG"));
}

TEST_F(CaseInsensitivePathTest, RelativePathsFromTheWorkingFolder)
{
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root()));
    EXPECT_EQ(CaseInsensitivePath::Resolve(QStringLiteral("SKINS/close_NORMAL.png")),
              QStringLiteral("skins/Close_normal.png"));
    QDir::setCurrent(saved);
}

} // namespace
