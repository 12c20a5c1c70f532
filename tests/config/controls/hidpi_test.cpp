// Skin pictures on a screen of device pixel ratio 2: the controls draw the
// 2x companions into the same logical rectangles, pixel for pixel, and
// pictures without companions as the 1x pixels doubled.
#include "ControlTestSupport.h"

#include "controls/CClrEdit.h"
#include "controls/CPngBtnMenu.h"
#include "controls/CPngListBtn.h"
#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Set before the test program makes its application.
const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");

// A hard vertical edge: the left half black, the right half white.
QImage Edge(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(0xFFFFFFFFu);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            image.setPixel(x, y, 0xFF000000u);
    return image;
}

// A 1x picture whose edge pixel is grey (the edge falls inside it), and its
// companion, where the edge falls between two pixels.
Bitmap SoftEdgeWithCompanion(int w, int h)
{
    QImage soft = Edge(w, h);
    for (int y = 0; y < h; ++y)
        soft.setPixel(w / 2, y, 0xFF808080u);
    Bitmap bitmap(soft);
    QImage sharp = Edge(2 * w, 2 * h);
    for (int y = 0; y < 2 * h; ++y)
        sharp.setPixel(w, y, 0xFF000000u);
    bitmap.AttachCompanion(sharp);
    return bitmap;
}

// `image` (device pixels) equals `expected`, or the 1x `expected` with each
// pixel doubled in both directions.
bool SamePixels(const QImage &image, const QImage &expected, int factor)
{
    if (image.width() != expected.width() * factor || image.height() != expected.height() * factor)
        return false;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ctl::Raw(image, x, y) != ctl::Raw(expected, x / factor, y / factor))
                return false;
    return true;
}

QImage Surface(QSize logical, qreal ratio)
{
    QImage surface(logical * ratio, QImage::Format_ARGB32_Premultiplied);
    surface.fill(0);
    surface.setDevicePixelRatio(ratio);
    return surface;
}

TEST(HiDpiTest, BlendsDrawTheCompanionOnlyOnFineSurfaces)
{
    const Bitmap withCompanion = SoftEdgeWithCompanion(8, 4);
    const Bitmap plain(withCompanion.Image());
    const struct
    {
        const Bitmap *source;
        int ratio;
        const QImage &expected;
        int factor; // device pixels per pixel of `expected`
    } rows[] = {
        {&withCompanion, 2, withCompanion.Companion(), 1}, // sharp
        {&plain, 2, plain.Image(), 2}, // the 1x picture doubled, as before
        {&withCompanion, 1, withCompanion.Image(), 1}, // 1x screens keep the 1x pixels
    };
    for (const auto &row : rows) {
        QImage whole = Surface(QSize(8, 4), row.ratio);
        QImage part = Surface(QSize(8, 4), row.ratio);
        {
            QPainter painter(&whole);
            BlendBitmap(painter, 0, 0, *row.source);
            QPainter partPainter(&part);
            BlendBitmap(partPainter, QRect(4, 0, 4, 4), *row.source, QPoint(4, 0)); // the right half
        }
        EXPECT_TRUE(SamePixels(whole, row.expected, row.factor)) << row.ratio;
        const QRect left(0, 0, 4 * row.ratio, 4 * row.ratio);
        const QRect right = left.translated(4 * row.ratio, 0);
        EXPECT_EQ(part.copy(right), whole.copy(right)) << row.ratio;
        EXPECT_EQ(part.copy(left), Surface(QSize(4, 4), row.ratio).copy(left)) << row.ratio;
    }
}

TEST(HiDpiTest, ControlFacesAreMadeAtTheScreensRatioWithTheSameGeometry)
{
    ASSERT_TRUE(kScaled);
    RecordingWindow parent;
    parent.resize(100, 100);
    const Bitmap sharp = SoftEdgeWithCompanion(40, 20);
    const Bitmap soft(sharp.Image());
    for (const Bitmap *picture : {&sharp, &soft}) {
        CPngListBtn button;
        button.Create(QString(), &parent, QRect(10, 10, 40, 20), 1);
        button.LoadBitmaps(picture, picture, picture, picture, 0, 0, 40, 20);
        ASSERT_EQ(button.devicePixelRatioF(), 2.0);
        EXPECT_EQ(button.size(), QSize(40, 20)); // geometry stays logical
        const QImage face = button.RenderBuffer();
        EXPECT_EQ(face.devicePixelRatio(), 2.0);
        if (picture == &sharp)
            EXPECT_TRUE(SamePixels(face, sharp.Companion(), 1));
        else
            EXPECT_TRUE(SamePixels(face, soft.Image(), 2));
    }
}

// The menu stretches or shortens its pictures band by band; the companion
// is fitted band by band at twice the scale, row for row the same.
TEST(HiDpiTest, MenuPicturesFitTheirCompanionTheSameWay)
{
    QImage rows(6, 9, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < rows.height(); ++y) // every row its own colour
        for (int x = 0; x < rows.width(); ++x)
            rows.setPixel(x, y, 0xFF000000u | (y * 20u));
    QImage doubled(12, 18, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < doubled.height(); ++y)
        for (int x = 0; x < doubled.width(); ++x)
            doubled.setPixel(x, y, rows.pixel(x / 2, y / 2));
    Bitmap withCompanion(rows);
    withCompanion.AttachCompanion(doubled);
    const Bitmap &picture = withCompanion;
    ASSERT_TRUE(SamePixels(picture.Companion(), picture.Image(), 2));
    for (int target : {20, 9, 5, 2}) { // grown, kept, shortened past the band and within it
        const Bitmap fitted = CPngBtnMenu::FitToHeight(picture, target, 3);
        ASSERT_TRUE(fitted.HasCompanion()) << target;
        EXPECT_TRUE(SamePixels(fitted.Companion(), fitted.Image(), 2)) << target;
    }
}

TEST(HiDpiTest, EditBoxesDrawTheirCompanionBehindTheText)
{
    RecordingWindow parent;
    parent.resize(100, 100);
    const Bitmap sharp = SoftEdgeWithCompanion(40, 20);
    const Bitmap soft(sharp.Image());
    for (const Bitmap *picture : {&sharp, &soft}) {
        CClrEdit edit;
        edit.Create(&parent, QRect(10, 10, 40, 20), 1, false);
        edit.LoadBitmaps(picture, picture, picture, picture, 0, 0, 40, 20);
        const QImage face = edit.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(face.size(), QSize(80, 40));
        // The edge row by row, away from the text and the frame.
        const QImage expected = picture == &sharp ? sharp.Companion() : soft.Image();
        const int factor = picture == &sharp ? 1 : 2;
        for (int x = 30; x < 50; ++x)
            EXPECT_EQ(ctl::Raw(face, x, 2), ctl::Raw(expected, x / factor, 2 / factor)) << x;
    }
}

// The default skin's own pictures: with their @2x files the edges come out
// sharp (pixel for pixel the 2x drawing, unlike the 1x picture doubled); the
// same picture without an @2x file beside it is drawn doubled, as before.
TEST(HiDpiTest, DefaultSkinPicturesDrawTheirTwoXFiles)
{
    SetCompanionLoading(true);
    QTemporaryDir alone;
    const QString skins = QStringLiteral(QZ_SOURCE_DIR "/config/resources/skins/");
    for (const char *name : {"btnClose_over.png", "btnCategory_normal.png", "ringHue_normal.png"}) {
        const QString file = QString::fromLatin1(name);
        Bitmap picture;
        LoadImageFile(skins + file, picture);
        ASSERT_TRUE(picture.HasCompanion()) << name;
        QImage face = Surface(picture.Size(), 2);
        {
            QPainter painter(&face);
            BlendBitmap(painter, 0, 0, picture);
        }
        EXPECT_TRUE(SamePixels(face, picture.Companion(), 1)) << name;
        EXPECT_FALSE(SamePixels(face, picture.Image(), 2)) << name;

        const QString copy = alone.filePath(file);
        ASSERT_TRUE(QFile::copy(skins + file, copy));
        Bitmap withoutCompanion;
        LoadImageFile(copy, withoutCompanion);
        ASSERT_FALSE(withoutCompanion.HasCompanion()) << name;
        QImage doubled = Surface(picture.Size(), 2);
        {
            QPainter painter(&doubled);
            BlendBitmap(painter, 0, 0, withoutCompanion);
        }
        EXPECT_TRUE(SamePixels(doubled, picture.Image(), 2)) << name;
    }
    SetCompanionLoading(std::nullopt);
}

} // namespace
