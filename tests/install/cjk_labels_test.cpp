// The Chinese skin's labels need a CJK font, which the package recommends:
// with it installed, every label of the Chinese skin is drawn with real
// glyphs, not with the empty boxes of a font that lacks them, and the whole
// window renders with language 1 (kept as a picture for a reviewer's eye).
#include "../config/app/MainWindowFixture.h"

#include "controls/ControlSupport.h"
#include "skin/PrivateProfile.h"
#include "skin/SkinEntry.h"

#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>

#include <set>

namespace {

const QString kChineseSkin = QStringLiteral(QZ_SOURCE_DIR "/config/resources/Lan/skin_Cs.ini");

PrivateProfile ChineseSkin()
{
    QFile file(kChineseSkin);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return PrivateProfile::FromBytes(file.readAll());
}

// The labels the window paints from the skin: the effect and control texts.
QStringList Labels(const PrivateProfile &skin)
{
    QStringList labels;
    for (int key = 0; key <= 20; ++key) {
        const QString text
            = ParseSkinEntry(skin.Value(QStringLiteral("LED_TEXT"), QString::number(key)).value_or(QString()),
                             SkinEntryUse::Drawing)
                  .text;
        if (!text.isEmpty())
            labels << text;
    }
    return labels;
}

QImage Glyph(const QFont &font, char32_t c)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(image.rect(), Qt::AlignCenter, QString::fromUcs4(&c, 1));
    return image;
}

TEST(ChineseSkin, ACjkFontIsInstalled)
{
    const QStringList families = QFontDatabase::families();
    const bool found = families.contains(QStringLiteral("WenQuanYi Micro Hei"))
        || families.filter(QStringLiteral("Noto Sans CJK")).size() > 0;
    EXPECT_TRUE(found) << "install fonts-wqy-microhei or fonts-noto-cjk (scripts/setup does)";
}

// A font without a character draws its one "missing" box for each; a real
// glyph differs from that box, from blank paper and, mostly, from the others.
TEST(ChineseSkin, EveryLabelIsDrawnWithRealGlyphs)
{
    const PrivateProfile skin = ChineseSkin();
    SetSkinFontFace(skin.Value(QStringLiteral("GLOBAL"), QStringLiteral("FONT")).value_or(QString()));
    const QFont font = MakeSkinFont(15, 500); // as the window paints its labels
    QImage blank(32, 32, QImage::Format_RGB32);
    blank.fill(Qt::white);
    const QImage missing = Glyph(font, U'\U0010FFFD'); // a private-use character no font draws

    std::set<char32_t> characters;
    const QStringList labels = Labels(skin);
    ASSERT_GE(labels.size(), 10);
    for (const QString &label : labels) {
        for (char32_t c : label.toUcs4()) {
            if (c >= 0x2E80)
                characters.insert(c);
        }
    }
    ASSERT_GE(characters.size(), 10u) << "the Chinese skin has Chinese labels";
    std::set<QByteArray> distinct;
    for (char32_t c : characters) {
        const QImage glyph = Glyph(font, c);
        EXPECT_NE(glyph, blank) << "U+" << std::hex << unsigned(c);
        EXPECT_NE(glyph, missing) << "U+" << std::hex << unsigned(c) << " is drawn as a missing-glyph box";
        distinct.insert(QByteArray(reinterpret_cast<const char *>(glyph.constBits()), glyph.sizeInBytes()));
    }
    EXPECT_GT(distinct.size(), characters.size() * 9 / 10);
}

using ChineseWindow = MainWindowTest;

TEST_F(ChineseWindow, RendersWithLanguage1)
{
    WriteSettings([](LightingSettings &s) { s.lan_id = 1; });
    CConfigDlg &w = Open(3);
    const QImage picture = w.grab().toImage();
    EXPECT_EQ(picture.size(), w.size());
    const QString folder = QStringLiteral(QZ_TEST_BIN_DIR "/../test-renders");
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(folder + "/main-window-chinese.png"));
}

} // namespace
