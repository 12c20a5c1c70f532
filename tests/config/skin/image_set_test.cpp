#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinFile.h"

#include "SkinTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QRgb Stored(const Bitmap &bitmap, int x, int y)
{
    return reinterpret_cast<const QRgb *>(bitmap.Image().constScanLine(y))[x];
}

// A skin folder in a temporary application directory.
class SkinFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        savedDirectory = PlatformPaths::ApplicationDirectory();
        PlatformPaths::SetApplicationDirectory(dir.path() + QLatin1Char('/'));
    }
    void TearDown() override
    {
        PlatformPaths::SetApplicationDirectory(savedDirectory);
        SetSkinFile(QString());
    }

    // A picture of one colour; its width tells the pictures apart.
    void Picture(const QString &relative, int width, QRgb colour = qRgba(10, 20, 30, 255))
    {
        const QString path = dir.path() + QLatin1Char('/') + relative;
        QDir().mkpath(QFileInfo(path).path());
        QImage image(width, 4, QImage::Format_ARGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(path));
    }

    QString WriteSkin(const QByteArray &text)
    {
        return skin_test::WriteFile(dir.path() + QStringLiteral("/Lan/skin_En.ini"), text);
    }

    QTemporaryDir dir;
    QString savedDirectory;
};

TEST_F(SkinFolderTest, FourStatesWithFallbacks)
{
    Picture("skins/btn_normal.png", 10);
    Picture("skins/btn_over.png", 11);
    Picture("skins/btn_disable.png", 13);
    QSize size;
    const ImageSet set = LoadImageSet("btn", false, MaskRequest::None, &size);
    EXPECT_EQ(size, QSize(10, 4));
    EXPECT_EQ(set.normal.Width(), 10);
    EXPECT_EQ(set.over.Width(), 11);
    EXPECT_EQ(set.down.Width(), 10) << "missing down falls back to normal";
    EXPECT_EQ(set.disable.Width(), 13);
    EXPECT_TRUE(set.mask.IsEmpty());
}

TEST_F(SkinFolderTest, OnePictureFlagIgnoresPresentStateFiles)
{
    Picture("skins/btn_normal.png", 10);
    Picture("skins/btn_over.png", 11);
    Picture("skins/btn_down.png", 12);
    const ImageSet set = LoadImageSet("btn", true);
    EXPECT_EQ(set.over.Width(), 10);
    EXPECT_EQ(set.down.Width(), 10);
    EXPECT_EQ(set.disable.Width(), 10);
}

TEST_F(SkinFolderTest, MaskOnlyWhenAskedAndPresent)
{
    Picture("skins/ring_normal.png", 10);
    QImage mask(10, 4, QImage::Format_RGB888);
    mask.fill(Qt::white);
    ASSERT_TRUE(mask.save(dir.path() + "/skins/ring_mask.bmp"));
    EXPECT_TRUE(LoadImageSet("ring", false).mask.IsEmpty());
    EXPECT_EQ(LoadImageSet("ring", false, MaskRequest::Wanted).mask.Width(), 10);
    EXPECT_TRUE(LoadImageSet("ring", false, MaskRequest::Wanted).maskPresent);
    EXPECT_TRUE(LoadImageSet("btn", false, MaskRequest::Wanted).mask.IsEmpty());
    EXPECT_FALSE(LoadImageSet("btn", false, MaskRequest::Wanted).maskPresent);

    // A mask that is there but does not decode is present, and empty.
    QFile broken(dir.path() + "/skins/ring_mask.bmp");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("BM garbage");
    broken.close();
    const ImageSet set = LoadImageSet("ring", false, MaskRequest::Wanted);
    EXPECT_TRUE(set.maskPresent);
    EXPECT_TRUE(set.mask.IsEmpty());
}

TEST_F(SkinFolderTest, MissingAndBrokenPictures)
{
    QSize size(5, 5);
    const ImageSet missing = LoadImageSet("nothing", false, MaskRequest::Wanted, &size);
    EXPECT_EQ(size, QSize(0, 0));
    EXPECT_TRUE(missing.normal.IsEmpty());
    EXPECT_TRUE(missing.over.IsEmpty());
    EXPECT_TRUE(missing.disable.IsEmpty());

    // A present state file that does not decode is an empty picture, not a
    // reason to fall back.
    Picture("skins/btn_normal.png", 10);
    QDir().mkpath(dir.path() + "/skins");
    QFile broken(dir.path() + "/skins/btn_down.png");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("garbage");
    broken.close();
    const ImageSet set = LoadImageSet("btn", false);
    EXPECT_TRUE(set.down.IsEmpty());
    EXPECT_EQ(set.over.Width(), 10);
}

TEST_F(SkinFolderTest, NamesInOtherLetterCase)
{
    // One folder on disk, named in two ways by the skin: "skins/" and
    // "Skins/Menu/".
    Picture("SKINS/BTN_Normal.PNG", 10);
    Picture("SKINS/btn_OVER.png", 11);
    Picture("SKINS/menu/Device_Menu_Normal.png", 20);
    const ImageSet set = LoadImageSet("btn", false);
    EXPECT_EQ(set.normal.Width(), 10);
    EXPECT_EQ(set.over.Width(), 11);
    Bitmap menu;
    LoadImageFile(MenuNormalPicturePath("Device"), menu);
    EXPECT_EQ(menu.Width(), 20);
}

TEST_F(SkinFolderTest, PremultipliedStates)
{
    Picture("skins/glass_normal.png", 2, qRgba(50, 100, 200, 128));
    const ImageSet set = LoadImageSet("glass", false);
    EXPECT_EQ(Stored(set.normal, 0, 0), qRgba(25, 50, 100, 128));
    EXPECT_EQ(Stored(set.disable, 1, 3), qRgba(25, 50, 100, 128));
}

TEST_F(SkinFolderTest, DerivedNames)
{
    EXPECT_EQ(ThumbSetName("sliderRed"), QStringLiteral("sliderRed_bar"));
    EXPECT_EQ(QDir::fromNativeSeparators(SkinPicturePath("a\\b.png")), dir.path() + QStringLiteral("/skins/a/b.png"));
    EXPECT_EQ(QDir::fromNativeSeparators(StaticPicturePath("logo.png")),
              dir.path() + QStringLiteral("/skins/Pic/logo.png"));
    EXPECT_EQ(QDir::fromNativeSeparators(MenuOverPicturePath("Device")),
              dir.path() + QStringLiteral("/Skins/Menu/Device_menu_over.png"));

    ButtonPictureNames names = SplitButtonPictureName("btnPng_apply");
    EXPECT_EQ(names.frame, QStringLiteral("btnPng"));
    EXPECT_EQ(names.icon, QStringLiteral("apply"));
    names = SplitButtonPictureName("big_btnPng_x");
    EXPECT_EQ(names.frame, QStringLiteral("btnPng"));
    EXPECT_EQ(names.icon, QStringLiteral("btnPng_x")) << "after the first underscore";
    names = SplitButtonPictureName("btnPng");
    EXPECT_EQ(names.frame, QStringLiteral("btnPng"));
    EXPECT_EQ(names.icon, QString());
    names = SplitButtonPictureName("btnClose");
    EXPECT_EQ(names.frame, QStringLiteral("btnClose"));
    EXPECT_EQ(names.icon, QString());
}

TEST_F(SkinFolderTest, TintSourcePrefersNormal2)
{
    Picture("skins/slot_normal.png", 10);
    const ImageSet set = LoadImageSet("slot", false);
    EXPECT_EQ(LoadTintSource("slot", set.normal).Width(), 10);
    Picture("skins/slot_normal2.png", 12);
    EXPECT_EQ(LoadTintSource("slot", set.normal).Width(), 12);
}

// --- Drawing ------------------------------------------------------------------

TEST(SkinText, TopOffsetAndLineBreaks)
{
    EXPECT_EQ(SkinTextTopOffset(20, 13), 3);
    EXPECT_EQ(SkinTextTopOffset(21, 13), 4);
    EXPECT_EQ(SkinTextTopOffset(10, 13), -1) << "truncated toward zero";
    EXPECT_EQ(SkinTextTopOffset(0, 15), -7);
    EXPECT_EQ(ExpandSkinLineBreaks("Colour\\r\\nslots"), QStringLiteral("Colour \r\nslots"));
    EXPECT_EQ(ExpandSkinLineBreaks("a\\r\\n\\r\\nb\\n"), QStringLiteral("a \r\n \r\nb\\n"));
    EXPECT_EQ(QtTextFlags(kTextWordBreak | kTextCentre), int(Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap));
    EXPECT_EQ(QtTextFlags(kTextWordBreak), int(Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap));
}

// Rows of `image` that hold any pixel other than `background`.
std::pair<int, int> InkRows(const QImage &image, QRgb background)
{
    int first = -1, last = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
    return {first, last};
}

TEST_F(SkinFolderTest, LabelWithLineBreakIsDrawnOnTwoLines)
{
    SetSkinFile(WriteSkin("[LED_TEXT]\n1=,0,0,300,200,Colour\\r\\nslots,FALSE\n2=,0,0,300,200,Colourslots,FALSE\n"));
    auto draw = [](const char *key) {
        QImage canvas(300, 200, QImage::Format_ARGB32_Premultiplied);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        QFont font;
        font.setPixelSize(15);
        painter.setFont(font);
        painter.setPen(Qt::white);
        DrawSkinText("LED_TEXT", key, painter, QString(), kTextWordBreak);
        painter.end();
        return InkRows(canvas, qRgb(0, 0, 0));
    };
    const auto twoLines = draw("1");
    const auto oneLine = draw("2");
    ASSERT_GE(oneLine.first, 0) << "no text drawn (no fonts?)";
    ASSERT_GE(twoLines.first, 0);
    QFont font;
    font.setPixelSize(15);
    const int lineHeight = QFontMetrics(font).height();
    // Both start in the middle of the rectangle; the broken label reaches a
    // line further down.
    EXPECT_GE(oneLine.first, SkinTextTopOffset(200, lineHeight) - 1);
    EXPECT_GT(twoLines.second - oneLine.second, lineHeight / 2);
}

TEST_F(SkinFolderTest, GivenTextReplacesTheEntryText)
{
    SetSkinFile(WriteSkin("[MAIN_TEXT]\nVER=,0,0,200,40,,FALSE\n"));
    QImage canvas(200, 40, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    painter.setPen(Qt::white);
    DrawSkinText("MAIN_TEXT", "VER", painter, "v1.00.04", kTextWordBreak | kTextCentre);
    painter.end();
    EXPECT_GE(InkRows(canvas, qRgb(0, 0, 0)).first, 0);
}

TEST_F(SkinFolderTest, StaticPictureScaledToItsRectangle)
{
    Picture("skins/Pic/logo.png", 8, qRgba(0, 255, 0, 255));
    SetSkinFile(WriteSkin("[MAINPIC]\n1=,10,5,20,10,logo.png,FALSE\n2=,0,0,20,10,missing.png,FALSE\n"));
    QImage canvas(40, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    DrawSkinPicture("MAINPIC", "1", painter, PlatformPaths::ApplicationDirectory());
    DrawSkinPicture("MAINPIC", "2", painter, PlatformPaths::ApplicationDirectory());
    const RECT other {0, 0, 4, 4};
    DrawSkinPicture("MAINPIC", "1", painter, PlatformPaths::ApplicationDirectory(), &other);
    painter.end();
    EXPECT_EQ(canvas.pixel(15, 10), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(29, 14), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(30, 10), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(9, 10), qRgb(0, 0, 0));
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(0, 255, 0)) << "the given rectangle wins";
    EXPECT_EQ(canvas.pixel(5, 5), qRgb(0, 0, 0));
}

} // namespace
