#include "skin/PictureCache.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Files of 16 bytes each, dated in the past so that they may be kept; the
// pictures decoded from them are 4 x 4 (64 bytes).
class PictureCacheTest : public ::testing::Test
{
protected:
    QString File(const QString &name)
    {
        const QString path = dir.path() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(16, 'x'));
        file.flush();
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60), QFileDevice::FileModificationTime);
        return path;
    }

    static QImage Decode(const QString &)
    {
        QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(0);
        return image;
    }

    QTemporaryDir dir;
};

TEST_F(PictureCacheTest, LeastRecentlyUsedPicturesGoFirst)
{
    PictureCache cache(3 * 64, Decode);
    const QString a = File("a"), b = File("b"), c = File("c"), d = File("d");
    struct Step
    {
        QString path;
        int decodesAfter;
    };
    // Three fit. a is used again before d arrives, so b is the one to go.
    const Step steps[] = {{a, 1}, {b, 2}, {c, 3}, {a, 3}, {d, 4}, {a, 4}, {c, 4}, {d, 4}, {b, 5}, {a, 6}};
    for (const Step &step : steps) {
        EXPECT_FALSE(cache.Load(step.path).isNull());
        EXPECT_EQ(cache.DecodeCount(), step.decodesAfter) << step.path.toStdString();
        EXPECT_LE(cache.Bytes(), 3 * 64);
    }
}

TEST_F(PictureCacheTest, APictureLargerThanTheBudgetIsStillSharedByTheNextUse)
{
    PictureCache cache(10, Decode);
    const QString a = File("a"), b = File("b");
    cache.Load(a);
    cache.Load(a);
    EXPECT_EQ(cache.DecodeCount(), 1);
    cache.Load(b);
    EXPECT_EQ(cache.Bytes(), 64) << "only the newest picture stays";
    cache.Load(a);
    EXPECT_EQ(cache.DecodeCount(), 3);
}

TEST_F(PictureCacheTest, ChangedFilesAreDecodedAgainWithoutCountingTwice)
{
    PictureCache cache(1000, Decode);
    const QString a = File("a");
    cache.Load(a);
    QFile file(a);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("more");
    file.flush();
    file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-30), QFileDevice::FileModificationTime);
    file.close();
    cache.Load(a);
    EXPECT_EQ(cache.DecodeCount(), 2);
    EXPECT_EQ(cache.Bytes(), 64);
    EXPECT_TRUE(cache.Load(dir.path() + "/missing").isNull());
}

} // namespace
