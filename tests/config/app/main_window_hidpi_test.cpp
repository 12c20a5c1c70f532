// The main window on a screen of device pixel ratio 2: the same logical
// geometry, drawn from the skin's @2x pictures.

#include "MainWindowFixture.h"

#include "skin/ImageHelpers.h"

#include <QImageReader>

namespace {

// Set before the test program makes its application.
const bool kScaled = qputenv("QT_SCALE_FACTOR", "2");

TEST_F(MainWindowTest, AtRatioTwoTheFaceHasTwiceThePixelsFromTheTwoXPictures)
{
    ASSERT_TRUE(kScaled);
    SetCompanionLoading(true);
    Open(3);
    ChooseEffect(2);
    EXPECT_EQ(window->size(), QSize(1000, 640));
    const QImage sharp = window->grab().toImage();
    EXPECT_EQ(sharp.size(), QSize(2000, 1280));
    const QString folder = QStringLiteral(QZ_TEST_BIN_DIR "/../test-renders");
    QDir().mkpath(folder);
    EXPECT_TRUE(sharp.save(folder + "/main-window-2x.png"));

    // A corner of bare background shows the @2x background's own pixels.
    QImageReader reader(QStringLiteral(QZ_TEST_BIN_DIR "/skins/main_bg@2x.jpg"));
    const QImage background = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(background.size(), QSize(2000, 1280));
    for (const QPoint &p : {QPoint(2, 1270), QPoint(3, 1277), QPoint(1996, 1271)})
        EXPECT_EQ(sharp.pixel(p), background.pixel(p)) << p.x() << "," << p.y();

    // The same window without the @2x pictures: the same layout, softer.
    window.reset();
    SetCompanionLoading(false);
    Open(3);
    ChooseEffect(2);
    const QImage soft = window->grab().toImage();
    EXPECT_EQ(soft.size(), sharp.size());
    EXPECT_NE(soft, sharp);
    SetCompanionLoading(std::nullopt);
}

} // namespace
