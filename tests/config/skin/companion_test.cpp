// The 2x companions of skin pictures: file names, when they are loaded, and
// that crops keep them in step with the 1x picture.
#include "skin/ImageHelpers.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

namespace {

// A picture whose every pixel encodes its own position (x in red, y in
// green), so that a crop shows where it came from.
QImage Positions(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgba(x, y, 7, 255));
    return image;
}

class CompanionTest : public ::testing::Test
{
protected:
    void SetUp() override { SetCompanionLoading(true); }
    void TearDown() override { SetCompanionLoading(std::nullopt); }

    QString Save(const QString &name, const QImage &image) const
    {
        const QString path = dir.path() + QLatin1Char('/') + name;
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    QTemporaryDir dir;
};

TEST(CompanionPathTest, InsertsBeforeTheExtensionOfTheFileName)
{
    const struct
    {
        const char *path;
        const char *companion;
    } rows[] = {
        {"a/b.png", "a/b@2x.png"},
        {"a/b.tar.png", "a/b.tar@2x.png"},
        {"a.d/b", "a.d/b@2x"},
        {"b", "b@2x"},
        {"skins/.hidden", "skins/.hidden@2x"},
        {"", "@2x"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(CompanionPath(QString::fromLatin1(row.path)), QString::fromLatin1(row.companion)) << row.path;
}

TEST_F(CompanionTest, LoadsACompanionOfTwiceTheSizeFoundWithoutRegardToCase)
{
    const QString path = Save("Btn_normal.png", Positions(3, 2));
    Save("btn_NORMAL@2X.PNG", Positions(6, 4));
    Bitmap bitmap;
    QSize size;
    LoadImageFile(path, bitmap, &size);
    EXPECT_EQ(size, QSize(3, 2));
    ASSERT_TRUE(bitmap.HasCompanion());
    EXPECT_EQ(bitmap.Companion().size(), QSize(6, 4));
    EXPECT_EQ(bitmap.Companion().devicePixelRatio(), 2.0);
    EXPECT_EQ(bitmap.Companion().format(), QImage::Format_ARGB32_Premultiplied);
}

TEST_F(CompanionTest, NoCompanionWhenOffMissingOrOfTheWrongSize)
{
    const QString plain = Save("plain.png", Positions(3, 2));
    const QString odd = Save("odd.png", Positions(3, 2));
    Save("odd@2x.png", Positions(5, 4));
    const QString same = Save("same.png", Positions(3, 2));
    Save("same@2x.png", Positions(3, 2));
    for (const QString &path : {plain, odd, same}) {
        Bitmap bitmap;
        LoadImageFile(path, bitmap);
        EXPECT_FALSE(bitmap.IsEmpty());
        EXPECT_FALSE(bitmap.HasCompanion()) << path.toStdString();
    }

    const QString good = Save("good.png", Positions(3, 2));
    Save("good@2x.png", Positions(6, 4));
    SetCompanionLoading(false);
    Bitmap bitmap;
    LoadImageFile(good, bitmap);
    EXPECT_FALSE(bitmap.HasCompanion());
    // A companion without its 1x picture loads nothing.
    LoadImageFile(dir.path() + QStringLiteral("/missing.png"), bitmap);
    EXPECT_TRUE(bitmap.IsEmpty());
}

TEST_F(CompanionTest, CropsTakeTheSameRectangleOfTheCompanion)
{
    Bitmap source(Positions(8, 6));
    source.AttachCompanion(Positions(16, 12));
    ASSERT_TRUE(source.HasCompanion());

    // Inside, partly outside (transparent there) and too far out for int.
    Bitmap crop;
    CropBitmap(crop, source, 2, 1, 5, 4);
    ASSERT_TRUE(crop.HasCompanion());
    EXPECT_EQ(crop.Companion().size(), QSize(6, 6));
    EXPECT_EQ(crop.Companion().devicePixelRatio(), 2.0);
    EXPECT_EQ(crop.Companion().pixel(0, 0), qRgba(4, 2, 7, 255));
    EXPECT_EQ(crop.Companion().pixel(5, 5), qRgba(9, 7, 7, 255));

    CropBitmap(crop, source, 6, 4, 10, 8);
    ASSERT_TRUE(crop.HasCompanion());
    EXPECT_EQ(crop.Companion().pixel(3, 3), qRgba(15, 11, 7, 255));
    EXPECT_EQ(crop.Companion().pixel(4, 4), 0u);

    CropBitmap(crop, source, INT_MAX - 4, 0, INT_MAX - 1, 2);
    EXPECT_EQ(crop.Size(), QSize(3, 2));
    EXPECT_FALSE(crop.HasCompanion());

    // A source without companion gives crops without one.
    CropBitmap(crop, Bitmap(Positions(8, 6)), 0, 0, 4, 4);
    EXPECT_FALSE(crop.HasCompanion());
}

TEST_F(CompanionTest, WritingTheOneXPixelsOrAttachingAnotherPictureDropsTheCompanion)
{
    Bitmap bitmap(Positions(2, 2));
    bitmap.AttachCompanion(Positions(4, 4));
    ASSERT_TRUE(bitmap.HasCompanion());
    bitmap.Image().fill(0); // the companion would show the old picture
    EXPECT_FALSE(bitmap.HasCompanion());

    bitmap.AttachCompanion(Positions(4, 4));
    bitmap.Attach(Positions(2, 2));
    EXPECT_FALSE(bitmap.HasCompanion());
    bitmap.AttachCompanion(Positions(4, 4));
    bitmap.Release();
    EXPECT_FALSE(bitmap.HasCompanion());
}

} // namespace
