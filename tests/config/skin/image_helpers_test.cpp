#include "skin/ImageHelpers.h"

#include <QBitmap>
#include <QDateTime>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

class ImageHelpersTest : public ::testing::Test
{
protected:
    QString Path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }

    QString SavePng(const QString &name, const QImage &image) const
    {
        const QString path = Path(name);
        EXPECT_TRUE(image.save(path, "PNG"));
        return path;
    }

    QTemporaryDir dir;
};

QImage StraightPixel(int r, int g, int b, int a)
{
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(r, g, b, a));
    return image;
}

// Pixel as stored (premultiplied) in a bitmap.
QRgb Stored(const Bitmap &bitmap, int x, int y)
{
    return reinterpret_cast<const QRgb *>(bitmap.Image().constScanLine(y))[x];
}

QImage WhiteMask(int width, int height)
{
    QImage mask(width, height, QImage::Format_RGB32);
    mask.fill(qRgb(255, 255, 255));
    return mask;
}

// --- Loading --------------------------------------------------------------

TEST_F(ImageHelpersTest, PremultipliesRoundingDown)
{
    // Blue 200, green 100, red 50 at alpha 128 become 100, 50, 25: Qt's own
    // conversion would give 25 for red as well but rounds other values up.
    Bitmap bitmap;
    QSize size(-1, -1);
    LoadImageFile(SavePng("a.png", StraightPixel(50, 100, 200, 128)), bitmap, &size);
    ASSERT_FALSE(bitmap.IsEmpty());
    EXPECT_EQ(size, QSize(1, 1));
    EXPECT_EQ(bitmap.Image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(Stored(bitmap, 0, 0), qRgba(25, 50, 100, 128));
}

TEST_F(ImageHelpersTest, PremultiplyMatchesFloorForEveryAlphaAndComponent)
{
    QImage all(256, 256, QImage::Format_ARGB32);
    for (int a = 0; a < 256; ++a)
        for (int c = 0; c < 256; ++c)
            all.setPixel(c, a, qRgba(c, 255 - c, c / 2, a));
    const QImage out = PremultiplyFloor(all);
    ASSERT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    for (int a = 0; a < 256; ++a) {
        const auto *line = reinterpret_cast<const QRgb *>(out.constScanLine(a));
        for (int c = 0; c < 256; ++c)
            ASSERT_EQ(line[c], qRgba(c * a / 255, (255 - c) * a / 255, (c / 2) * a / 255, a)) << c << " " << a;
    }
}

TEST_F(ImageHelpersTest, OpaqueAndTransparentPixels)
{
    Bitmap opaque;
    LoadImageFile(SavePng("o.png", StraightPixel(50, 100, 200, 255)), opaque);
    EXPECT_EQ(Stored(opaque, 0, 0), qRgba(50, 100, 200, 255));

    Bitmap clear;
    LoadImageFile(SavePng("c.png", StraightPixel(50, 100, 200, 0)), clear);
    EXPECT_EQ(Stored(clear, 0, 0), qRgba(0, 0, 0, 0));
}

TEST_F(ImageHelpersTest, PicturesWithoutAlphaLoadUnchanged)
{
    QImage rgb(2, 1, QImage::Format_RGB888);
    rgb.setPixel(0, 0, qRgb(1, 2, 3));
    rgb.setPixel(1, 0, qRgb(250, 128, 7));
    Bitmap fromPng;
    LoadImageFile(SavePng("rgb.png", rgb), fromPng);
    EXPECT_EQ(Stored(fromPng, 0, 0), qRgba(1, 2, 3, 255));
    EXPECT_EQ(Stored(fromPng, 1, 0), qRgba(250, 128, 7, 255));

    ASSERT_TRUE(rgb.save(Path("rgb.bmp"), "BMP"));
    Bitmap fromBmp;
    LoadImageFile(Path("rgb.bmp"), fromBmp);
    EXPECT_EQ(Stored(fromBmp, 1, 0), qRgba(250, 128, 7, 255));
}

TEST_F(ImageHelpersTest, UndecodableFilesGiveEmptyBitmaps)
{
    QFile junk(Path("junk.png"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("\x89PNG\r\n\x1a\nnot really a picture");
    junk.close();

    for (const QString &path : {Path("junk.png"), Path("missing.png"), QString()}) {
        Bitmap bitmap(WhiteMask(4, 4)); // held pictures are released
        QSize size(7, 7);
        LoadImageFile(path, bitmap, &size);
        EXPECT_TRUE(bitmap.IsEmpty()) << path.toStdString();
        EXPECT_EQ(size, QSize(0, 0));

        Bitmap picture(WhiteMask(4, 4));
        size = QSize(7, 7);
        LoadPictureFile(path, picture, &size);
        EXPECT_TRUE(picture.IsEmpty());
        EXPECT_EQ(size, QSize(0, 0));
    }
}

TEST_F(ImageHelpersTest, FindsFilesInOtherLetterCase)
{
    SavePng("Mixed_Case.PNG", StraightPixel(9, 9, 9, 255));
    Bitmap bitmap;
    LoadImageFile(Path("mixed_case.png"), bitmap);
    EXPECT_FALSE(bitmap.IsEmpty());
}

void Age(const QString &path, int secondsAgo)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-secondsAgo), QFileDevice::FileModificationTime));
}

TEST_F(ImageHelpersTest, RepeatedLoadsShareButNeverLeakChanges)
{
    // An old file is decoded once and then shared between loads.
    const QString path = SavePng("shared.png", StraightPixel(50, 100, 200, 128));
    Age(path, 3600);
    Bitmap first;
    LoadImageFile(path, first);
    first.Image().setPixel(0, 0, qRgba(1, 1, 1, 1)); // the holder's own copy
    Bitmap second;
    LoadImageFile(path, second);
    EXPECT_EQ(Stored(second, 0, 0), qRgba(25, 50, 100, 128));

    // A rewritten file is read again, even when it keeps its size.
    SavePng("shared.png", StraightPixel(52, 100, 200, 128));
    Age(path, 1800);
    Bitmap third;
    LoadImageFile(path, third);
    EXPECT_EQ(Stored(third, 0, 0), qRgba(26, 50, 100, 128));

    QFile::remove(path);
    Bitmap gone;
    LoadImageFile(path, gone);
    EXPECT_TRUE(gone.IsEmpty());
}

TEST_F(ImageHelpersTest, BackgroundPicturesAreOpaque)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(qRgba(10, 20, 30, 40));
    Bitmap background;
    QSize size;
    LoadPictureFile(SavePng("bg.png", image), background, &size);
    EXPECT_EQ(size, QSize(3, 2));
    EXPECT_EQ(Stored(background, 2, 1), qRgba(10, 20, 30, 255));

    QImage jpeg(16, 8, QImage::Format_RGB32);
    jpeg.fill(qRgb(0, 0, 0));
    ASSERT_TRUE(jpeg.save(Path("bg.jpg"), "JPEG"));
    LoadPictureFile(Path("bg.jpg"), background, &size);
    EXPECT_EQ(size, QSize(16, 8));
}

// --- Surfaces and crops ----------------------------------------------------

TEST_F(ImageHelpersTest, CreateDib32IsTransparentBlackAndReplacesTarget)
{
    Bitmap target(WhiteMask(2, 2));
    const Bitmap surface = CreateDib32(5, 3, &target);
    EXPECT_EQ(target.Size(), QSize(5, 3));
    EXPECT_EQ(surface.Size(), QSize(5, 3));
    EXPECT_EQ(Stored(target, 4, 2), 0u);

    EXPECT_TRUE(CreateDib32(0, 3).IsEmpty());
    EXPECT_TRUE(CreateDib32(3, -1).IsEmpty());
    EXPECT_TRUE(CreateDib32(kMaxBitmapSide + 1, 1, &target).IsEmpty());
    EXPECT_TRUE(target.IsEmpty());
    // Within the side limit but with too large an area (a 16000 x 16000 skin
    // rectangle would take a gigabyte per crop).
    EXPECT_TRUE(CreateDib32(16000, 16000).IsEmpty());
    EXPECT_TRUE(CreateDib32(4096, 2049).IsEmpty());
    EXPECT_EQ(CreateDib32(4096, 2048).Size(), QSize(4096, 2048));
    Bitmap crop(WhiteMask(2, 2));
    CropBitmap(crop, Bitmap(WhiteMask(4, 4)), 0, 0, 16000, 16000);
    EXPECT_TRUE(crop.IsEmpty());
}

TEST_F(ImageHelpersTest, CropCopiesTheRectangle)
{
    QImage source(40, 20, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            source.setPixel(x, y, qRgba(x, y, 0, 255));
    Bitmap crop;
    CropBitmap(crop, Bitmap(source), 10, 0, 30, 20);
    ASSERT_EQ(crop.Size(), QSize(20, 20));
    EXPECT_EQ(Stored(crop, 0, 0), qRgba(10, 0, 0, 255));
    EXPECT_EQ(Stored(crop, 19, 19), qRgba(29, 19, 0, 255));

    Bitmap dib;
    CropToDib32(dib, Bitmap(source), 35, 15, 45, 25); // half outside the source
    ASSERT_EQ(dib.Size(), QSize(10, 10));
    EXPECT_EQ(Stored(dib, 0, 0), qRgba(35, 15, 0, 255));
    EXPECT_EQ(Stored(dib, 4, 4), qRgba(39, 19, 0, 255));
    EXPECT_EQ(Stored(dib, 5, 4), 0u);
    EXPECT_EQ(Stored(dib, 4, 5), 0u);

    Bitmap negative;
    CropBitmap(negative, Bitmap(source), -5, -5, 5, 5);
    ASSERT_EQ(negative.Size(), QSize(10, 10));
    EXPECT_EQ(Stored(negative, 4, 4), 0u);
    EXPECT_EQ(Stored(negative, 5, 5), qRgba(0, 0, 0, 255));
}

TEST_F(ImageHelpersTest, CropEdgeCases)
{
    const Bitmap source(WhiteMask(8, 8));

    Bitmap kept(WhiteMask(3, 3));
    CropBitmap(kept, Bitmap(), 0, 0, 2, 2);
    EXPECT_EQ(kept.Size(), QSize(3, 3)) << "an empty source leaves the target as it was";
    CropToDib32(kept, Bitmap(), 0, 0, 2, 2);
    EXPECT_EQ(kept.Size(), QSize(3, 3));

    Bitmap target(WhiteMask(3, 3));
    CropBitmap(target, source, 4, 4, 4, 8);
    EXPECT_TRUE(target.IsEmpty()) << "a rectangle without area releases the old picture";
    CropBitmap(target, source, 0, 0, 2147483647, 5);
    EXPECT_TRUE(target.IsEmpty());
    CropBitmap(target, source, -2147483647 - 1, 0, 2147483647, 5);
    EXPECT_TRUE(target.IsEmpty());
    CropBitmap(target, source, 100, 100, 104, 102);
    EXPECT_EQ(target.Size(), QSize(4, 2)) << "wholly outside: transparent";
    EXPECT_EQ(Stored(target, 0, 0), 0u);
}

TEST_F(ImageHelpersTest, CropEachCropsByIndexAndKeepsTargetsWithoutSource)
{
    const Bitmap wide(WhiteMask(8, 8));
    const Bitmap empty;
    Bitmap targets[3] = {Bitmap(WhiteMask(3, 3)), Bitmap(WhiteMask(3, 3)), Bitmap(WhiteMask(3, 3))};
    CropEach(targets, {&wide, nullptr, &empty}, 0, 0, 4, 2);
    EXPECT_EQ(targets[0].Size(), QSize(4, 2));
    EXPECT_EQ(targets[1].Size(), QSize(3, 3)) << "no source: kept";
    EXPECT_EQ(targets[2].Size(), QSize(3, 3)) << "empty source: kept";

    Bitmap one[1];
    CropEach(one, {&wide, &wide}, 0, 0, 2, 2); // more sources than targets
    EXPECT_EQ(one[0].Size(), QSize(2, 2));
}

// --- Masks -------------------------------------------------------------------

QRegion MaskRegion(const QImage &mask)
{
    const std::optional<QRegion> region = RegionFromMask(Bitmap(mask));
    EXPECT_TRUE(region.has_value());
    return region.value_or(QRegion());
}

TEST(RegionFromMask, NoMaskGivesNoRegion)
{
    EXPECT_FALSE(RegionFromMask(Bitmap()).has_value());
}

TEST(RegionFromMask, WholeAndEmptyShapes)
{
    EXPECT_TRUE(MaskRegion(WhiteMask(10, 7)).isEmpty());

    QImage black(10, 7, QImage::Format_RGB32);
    black.fill(qRgb(0, 0, 0));
    EXPECT_EQ(MaskRegion(black), QRegion(0, 0, 10, 7));
    EXPECT_EQ(MaskRegion(black).rectCount(), 1);
}

TEST(RegionFromMask, SinglePixelAndAlmostWhite)
{
    QImage mask = WhiteMask(10, 10);
    mask.setPixel(3, 5, qRgb(0, 0, 0));
    EXPECT_EQ(MaskRegion(mask), QRegion(3, 5, 1, 1));

    mask = WhiteMask(10, 10);
    mask.setPixel(3, 5, qRgb(255, 255, 254));
    EXPECT_EQ(MaskRegion(mask), QRegion(3, 5, 1, 1));

    // Only colour decides; a transparent white pixel is still outside.
    QImage clearWhite(2, 1, QImage::Format_ARGB32_Premultiplied);
    clearWhite.setPixel(0, 0, qRgba(255, 255, 255, 255));
    clearWhite.setPixel(1, 0, qRgba(0, 0, 0, 0));
    EXPECT_EQ(MaskRegion(clearWhite), QRegion(1, 0, 1, 1));
}

TEST(RegionFromMask, RowOf2500RunsEqualsTheUnionOfTheRuns)
{
    QImage mask = WhiteMask(5000, 3);
    QRegion expected;
    for (int i = 0; i < 2500; ++i) {
        mask.setPixel(2 * i, 1, qRgb(0, 0, 0));
        expected = expected.united(QRect(2 * i, 1, 1, 1));
    }
    const QRegion region = MaskRegion(mask);
    EXPECT_EQ(region.rectCount(), 2500);
    EXPECT_TRUE(region.xored(expected).isEmpty());
    EXPECT_EQ(region, expected);
}

TEST(RegionFromMask, ShapeEqualsTheUnionOfItsRunsRowByRow)
{
    // A ring-like shape with rows that repeat, change and vanish.
    QImage mask = WhiteMask(64, 64);
    QRegion expected;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int d = (x - 32) * (x - 32) + (y - 32) * (y - 32);
            const bool inside = (d < 900 && d > 300) || (y >= 40 && y < 44);
            if (inside) {
                mask.setPixel(x, y, qRgb(x * 3, y, 128));
                expected = expected.united(QRect(x, y, 1, 1));
            }
        }
    }
    const QRegion region = MaskRegion(mask);
    // Qt's regions have no single canonical form, so compare the covered sets.
    EXPECT_TRUE(region.xored(expected).isEmpty());
    EXPECT_FALSE(region.contains(QPoint(32, 32)));
    EXPECT_TRUE(region.contains(QPoint(32, 3)));
}

} // namespace
