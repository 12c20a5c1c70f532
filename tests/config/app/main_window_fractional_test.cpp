// The main window on a screen of fractional pixel ratio (1.604, a 154 dpi
// screen): the face is drawn once per effect shown, and the preview's frames
// repaint the strip alone.

#include "MainWindowFixture.h"

namespace {

// Set before the test program makes its application.
const bool kScaled = qputenv("QT_SCALE_FACTOR", "1.604");

TEST_F(MainWindowTest, AtAFractionalRatioTheFaceIsDrawnOncePerEffect)
{
    ASSERT_TRUE(kScaled);
    CConfigDlg &w = Open(1);
    ASSERT_NEAR(w.devicePixelRatioF(), 1.604, 1e-4);
    ChooseEffect(5);
    ASSERT_TRUE(w.PreviewAnimating());
    w.repaint();
    const int drawn = w.FaceDrawings();
    for (int frame = 0; frame < 3; ++frame)
        w.repaint(w.Preview().Area());
    w.repaint();
    EXPECT_EQ(w.FaceDrawings(), drawn) << "frames and full repaints reuse the face";

    ChooseEffect(9);
    w.repaint();
    EXPECT_EQ(w.FaceDrawings(), drawn + 1) << "another effect draws it again";
}

} // namespace
