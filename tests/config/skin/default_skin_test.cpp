// The default skin that ships beside Config is complete: every key the main
// screen reads is in both language files, and every picture a key names loads
// at the size the skin places it at.

#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/PrivateProfile.h"
#include "skin/SkinEntry.h"
#include "skin/SkinFile.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const QString kResources = QStringLiteral(QZ_SOURCE_DIR "/config/resources/");

struct Key
{
    QString section;
    QString key;
};

void AddRange(std::vector<Key> &keys, const char *section, int first, int last)
{
    for (int k = first; k <= last; ++k)
        keys.push_back({QString::fromLatin1(section), QString::number(k)});
}

// Control keys: the screen builds a control from each.
std::vector<Key> ControlKeys()
{
    std::vector<Key> keys;
    AddRange(keys, "MAIN", 1, 7);
    AddRange(keys, "MAIN", 11, 14);
    AddRange(keys, "MAIN", 21, 24);
    AddRange(keys, "LED", 1, 15);
    AddRange(keys, "LED", 21, 28);
    AddRange(keys, "LED", 31, 34);
    AddRange(keys, "LED", 41, 48);
    AddRange(keys, "LED", 51, 55);
    AddRange(keys, "LED", 61, 63);
    return keys;
}

std::vector<Key> AllKeys()
{
    std::vector<Key> keys = ControlKeys();
    keys.push_back({"MAINSCREENNEW", "Main"});
    for (const char *k : {"FONT", "FONTEN", "FONTNB"})
        keys.push_back({"GLOBAL", k});
    AddRange(keys, "LED_TEXT", 0, 20);
    AddRange(keys, "MAINPIC", 1, 2);
    for (const char *k : {"VER", "1", "2", "3"})
        keys.push_back({"MAIN_TEXT", k});
    AddRange(keys, "FUNC_STRING", 30, 32); // identifiers 48, 49, 50
    return keys;
}

PrivateProfile ReadProfile(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return PrivateProfile::FromBytes(file.readAll());
}

class DefaultSkinTest : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        savedDirectory = PlatformPaths::ApplicationDirectory();
        PlatformPaths::SetApplicationDirectory(kResources);
        SetSkinFile(SkinFileForLanguage(Language()));
    }
    void TearDown() override
    {
        SetSkinFile(QString());
        PlatformPaths::SetApplicationDirectory(savedDirectory);
    }
    int Language() const { return QString::fromLatin1(GetParam()) == QLatin1String("Cs") ? 1 : 0; }

    QString savedDirectory;
};

TEST_P(DefaultSkinTest, EveryKeyIsPresent)
{
    const PrivateProfile profile = ReadProfile(SkinFileForLanguage(Language()));
    for (const Key &k : AllKeys())
        EXPECT_TRUE(profile.Value(k.section, k.key).has_value())
            << GetParam() << " [" << k.section.toStdString() << "] " << k.key.toStdString();
}

TEST_P(DefaultSkinTest, TextsThatTheWindowShows)
{
    for (int effect = 1; effect <= 15; ++effect)
        EXPECT_FALSE(ReadSkinEntry("LED", QString::number(effect)).text.isEmpty()) << "effect caption " << effect - 1;
    for (int label : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16})
        EXPECT_FALSE(ReadSkinEntry("LED_TEXT", QString::number(label), SkinEntryUse::Drawing).text.isEmpty())
            << "LED_TEXT " << label;
    for (const char *label : {"1", "2", "3"})
        EXPECT_FALSE(ReadSkinEntry("MAIN_TEXT", label, SkinEntryUse::Drawing).text.isEmpty()) << label;
    EXPECT_FALSE(LookupSkinText(48).isEmpty());
    // Device menu items are the category name followed by the number.
    for (int category : {49, 50}) {
        const QString name = LookupSkinText(category);
        ASSERT_FALSE(name.isEmpty());
        EXPECT_TRUE(name.endsWith(QLatin1Char(' '))) << "\"" << name.toStdString() << "\"";
    }
    EXPECT_FALSE(ReadSkinString("GLOBAL", "FONT").isEmpty());
}

TEST_P(DefaultSkinTest, ControlPicturesMatchTheirRectangles)
{
    QSize window;
    Bitmap background;
    LoadPictureFile(SkinPicturePath(ReadSkinString("MAINSCREENNEW", "Main")), background, &window);
    ASSERT_FALSE(background.IsEmpty());
    EXPECT_NEAR(window.width(), 1000, 100);
    EXPECT_NEAR(window.height(), 640, 100);

    for (const Key &k : ControlKeys()) {
        const std::string where = std::string(GetParam()) + " [" + k.section.toStdString() + "] " + k.key.toStdString();
        const SkinEntry entry = ReadSkinEntry(k.section, k.key);
        ASSERT_FALSE(entry.name.isEmpty()) << where;
        ASSERT_FALSE(entry.rect.IsEmpty()) << where;
        EXPECT_TRUE(QRect(QPoint(0, 0), window).contains(entry.rect.ToQRect())) << where;

        const ButtonPictureNames names = SplitButtonPictureName(entry.name);
        QSize size;
        const ImageSet set = LoadImageSet(names.frame, entry.flag, MaskRequest::None, &size);
        EXPECT_EQ(size, QSize(entry.rect.Width(), entry.rect.Height())) << where;
        for (const Bitmap *state : {&set.over, &set.down, &set.disable})
            EXPECT_EQ(state->Size(), size) << where;
        if (!names.icon.isEmpty()) {
            QSize iconSize;
            const ImageSet icon = LoadImageSet(names.icon, false, MaskRequest::None, &iconSize);
            EXPECT_FALSE(icon.normal.IsEmpty()) << where;
            EXPECT_LE(iconSize.height(), entry.rect.Height()) << where;
            EXPECT_LT(iconSize.width(), entry.rect.Width()) << where;
        }
    }
}

TEST_P(DefaultSkinTest, ButtonsHaveAllFourStatePictures)
{
    std::vector<Key> buttons;
    AddRange(buttons, "MAIN", 1, 7);
    AddRange(buttons, "MAIN", 11, 14);
    AddRange(buttons, "MAIN", 21, 24);
    AddRange(buttons, "LED", 1, 15);
    AddRange(buttons, "LED", 41, 48);
    AddRange(buttons, "LED", 51, 55);
    AddRange(buttons, "LED", 61, 63);
    for (const Key &k : buttons) {
        const QString base = SkinPicturePath(SplitButtonPictureName(ReadSkinEntry(k.section, k.key).name).frame);
        for (const char *state : {"_normal.png", "_over.png", "_down.png", "_disable.png"})
            EXPECT_TRUE(SkinFileExists(base + QLatin1String(state))) << base.toStdString() << state;
    }
}

TEST_P(DefaultSkinTest, SlidersHaveTracksAndThumbsThatFit)
{
    for (int key = 21; key <= 27; ++key) {
        const SkinEntry entry = ReadSkinEntry("LED", QString::number(key));
        for (const char *track : {"_normal.png", "_down.png", "_disable.png"})
            EXPECT_TRUE(SkinFileExists(SkinPicturePath(entry.name) + QLatin1String(track))) << key << track;
        QSize thumb;
        const ImageSet set = LoadImageSet(ThumbSetName(entry.name), entry.flag, MaskRequest::None, &thumb);
        ASSERT_FALSE(set.normal.IsEmpty()) << key;
        EXPECT_FALSE(set.disable.IsEmpty()) << key;
        EXPECT_LE(thumb.width(), entry.rect.Width()) << key;
        EXPECT_LE(thumb.height(), entry.rect.Height()) << key;
        if (key == 21) // the scroll bar's thumb must leave room to move
            EXPECT_LT(thumb.height() * 2, entry.rect.Height());
        else
            EXPECT_LT(thumb.width() * 4, entry.rect.Width());
    }
}

TEST_P(DefaultSkinTest, HueRingIsARealHueGradientShapedByItsMask)
{
    const SkinEntry entry = ReadSkinEntry("LED", "28");
    QSize size;
    const ImageSet ring = LoadImageSet(entry.name, entry.flag, MaskRequest::Wanted, &size);
    ASSERT_FALSE(ring.normal.IsEmpty());
    ASSERT_FALSE(ring.mask.IsEmpty());
    EXPECT_EQ(ring.mask.Size(), size);
    QSize thumb;
    LoadImageSet(ThumbSetName(entry.name), entry.flag, MaskRequest::None, &thumb);
    EXPECT_FALSE(thumb.isEmpty());

    const QImage &image = ring.normal.Image();
    const int cx = size.width() / 2;
    const int cy = size.height() / 2;
    // Where the program puts the thumb's centre.
    const int radius = size.height() / 2 - thumb.width() / 2 + 1;
    for (int degrees = 0; degrees < 360; degrees += 15) {
        const double a = degrees * M_PI / 180.0;
        const int x = cx + int(std::lround(std::cos(a) * (radius - 3)));
        const int y = cy - int(std::lround(std::sin(a) * (radius - 3)));
        const QColor colour = QColor::fromRgba(image.pixel(x, y));
        EXPECT_EQ(colour.alpha(), 255) << degrees;
        const int hue = colour.hsvHue();
        const int difference = std::abs(hue - degrees);
        EXPECT_LE(std::min(difference, 360 - difference), 3) << degrees << " gives hue " << hue;
    }
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << "transparent outside";
    // The open middle holds the dark well that the window paints with the ring.
    EXPECT_EQ(qAlpha(image.pixel(cx + 30, cy)), 255) << "the well inside";
    EXPECT_LT(qBlue(image.pixel(cx + 30, cy)), 40) << "the well inside";

    const std::optional<QRegion> region = RegionFromMask(ring.mask);
    ASSERT_TRUE(region.has_value());
    EXPECT_TRUE(region->contains(QPoint(cx + radius - 3, cy)));
    EXPECT_TRUE(region->contains(QPoint(cx, cy))) << "the centre disc is drawn";
    EXPECT_FALSE(region->contains(QPoint(0, 0)));
    EXPECT_FALSE(region->contains(QPoint(size.width() - 1, size.height() - 1)));
}

TEST_P(DefaultSkinTest, SwatchesAreGreyTemplates)
{
    for (int key : {41, 51}) {
        const SkinEntry entry = ReadSkinEntry("LED", QString::number(key));
        const ImageSet set = LoadImageSet(entry.name, entry.flag);
        const Bitmap tint = LoadTintSource(entry.name, Bitmap());
        ASSERT_FALSE(tint.IsEmpty()) << "the _normal2.png template";
        for (const Bitmap *picture : {&set.normal, &set.down, &tint}) {
            const QImage &image = picture->Image();
            int opaque = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    ASSERT_EQ(qRed(p), qBlue(p)) << key;
                    ASSERT_EQ(qGreen(p), qBlue(p)) << key;
                    opaque += qAlpha(p) == 255 ? 1 : 0;
                }
            EXPECT_GT(opaque, image.width() * image.height() / 3) << "mostly solid, so the colour shows";
        }
    }
}

TEST_P(DefaultSkinTest, EffectListFitsTheScrollArea)
{
    // The window scrolls the effect list with the wheel inside a fixed area;
    // eight rows 37 pixels apart start at the rectangle of LED 1.
    const QRect wheelArea(QPoint(91, 93), QPoint(241, 436));
    RECT row = ReadSkinEntry("LED", "1").rect;
    for (int r = 0; r < 8; ++r) {
        QRect at = row.ToQRect().translated(0, 37 * r);
        EXPECT_TRUE(wheelArea.contains(at)) << "row " << r;
    }
    EXPECT_LE(row.Height(), 37);
}

TEST_P(DefaultSkinTest, StaticPicturesMenuAndHelp)
{
    for (const char *key : {"1", "2"}) {
        const SkinEntry entry = ReadSkinEntry("MAINPIC", key, SkinEntryUse::Drawing);
        Bitmap picture;
        LoadImageFile(StaticPicturePath(entry.text), picture);
        EXPECT_FALSE(picture.IsEmpty()) << entry.text.toStdString();
        EXPECT_FALSE(entry.rect.IsEmpty());
    }
    for (const QString &path : {MenuNormalPicturePath("Device"), MenuOverPicturePath("Device"),
                                kResources + QStringLiteral("skins/Menu/Device_menu_normal.png")}) {
        Bitmap picture;
        LoadImageFile(path, picture);
        ASSERT_FALSE(picture.IsEmpty()) << path.toStdString();
        // Rows are 24 high; the band refit needs a height other than 48.
        EXPECT_NE(picture.Height(), 48);
        EXPECT_GE(picture.Height(), 24);
    }
    QFile help(kResources + QStringLiteral("Help/Help.pdf"));
    ASSERT_TRUE(help.open(QIODevice::ReadOnly));
    EXPECT_TRUE(help.read(5) == "%PDF-");
}

INSTANTIATE_TEST_SUITE_P(Languages, DefaultSkinTest, ::testing::Values("En", "Cs"));

TEST(DefaultSkin, BothLanguagesShareTheLayout)
{
    const PrivateProfile english = ReadProfile(kResources + QStringLiteral("Lan/skin_En.ini"));
    const PrivateProfile chinese = ReadProfile(kResources + QStringLiteral("Lan/skin_Cs.ini"));
    std::vector<Key> keys = ControlKeys();
    AddRange(keys, "LED_TEXT", 0, 20);
    AddRange(keys, "MAINPIC", 1, 2);
    for (const Key &k : keys) {
        const SkinEntry en = ParseSkinEntry(english.Value(k.section, k.key).value_or(QString()));
        const SkinEntry cs = ParseSkinEntry(chinese.Value(k.section, k.key).value_or(QString()));
        EXPECT_EQ(en.name, cs.name) << k.section.toStdString() << " " << k.key.toStdString();
        EXPECT_EQ(en.rect, cs.rect) << k.section.toStdString() << " " << k.key.toStdString();
        EXPECT_EQ(en.flag, cs.flag);
    }
    EXPECT_NE(english.Value("LED", "3"), chinese.Value("LED", "3")) << "the Chinese file is translated";
}

} // namespace
