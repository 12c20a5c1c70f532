// The live preview of the edited record on the drive picture: what it
// follows, when its timer runs, and that it paints nothing else.

#include "MainWindowFixture.h"

#include "app/EffectCapabilities.h"
#include "framework/TickCount.h"
#include "settings/EffectAnimation.h"
#include "skin/SkinFile.h"

#include <QFile>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <functional>
#include <utility>

namespace {

// Whether some moment of the first minute tells the two records apart.
bool FramesDiffer(const EffectInfo &a, const EffectInfo &b)
{
    for (int64_t t = 0; t < 60000; t += 125)
        if (EffectFrame(a, true, 12, t) != EffectFrame(b, true, 12, t))
            return true;
    return false;
}

// An animation reacts to exactly the controls its effect shows.
TEST(EffectPreviewDefinitions, FollowExactlyTheControlsEachEffectShows)
{
    for (int effect = 0; effect < kEffectCount; ++effect) {
        const EffectCapability shown = CapabilityOf(effect);
        EffectInfo base;
        base.effectId = effect;

        EffectInfo colour = base;
        colour.colors[0] = 0x336699;
        EXPECT_EQ(FramesDiffer(base, colour), shown.colour) << "colour, effect " << effect;
        EffectInfo speed = base;
        speed.speed = 2;
        EXPECT_EQ(FramesDiffer(base, speed), shown.speed) << "speed, effect " << effect;
        EffectInfo direction = base;
        direction.direction = 1;
        EXPECT_EQ(FramesDiffer(base, direction), shown.direction) << "direction, effect " << effect;
    }
}

// Strip keys as a skin author may write them; the bad ones are left out.
TEST(EffectPreviewSkin, TakesOnlySensibleStrips)
{
    TempUserFolders folders;
    const QString path = folders.Root() + QStringLiteral("/skin.ini");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[MAINPIC]\n"
               "STRIP1=,10,20,2,100,12,FALSE\n" // vertical, kept
               "STRIP2=,0,0,0,100,12,FALSE\n" // no width
               "STRIP3=,0,0,50,4,0,FALSE\n" // no LEDs
               "STRIP4=,5,5,3000,4,8,FALSE\n"); // longer than any window
    file.close();
    const QString previous = SkinFile();
    SetSkinFile(path);
    EffectPreview preview;
    preview.LoadFromSkin();
    SetSkinFile(previous);
    ASSERT_EQ(preview.Strips().size(), 1u);
    EXPECT_EQ(preview.Strips()[0].rect, QRect(10, 20, 2, 100));
    EXPECT_EQ(preview.Strips()[0].ledCount, 12);
    EXPECT_EQ(preview.Area(),
              QRect(10 - EffectPreview::kGlowRadius, 20 - EffectPreview::kGlowRadius,
                    2 + 2 * EffectPreview::kGlowRadius, 100 + 2 * EffectPreview::kGlowRadius));
}

class EffectPreviewTest : public MainWindowTest
{
protected:
    // The window as painted `timeMs` after it was made (the clock stands
    // still while it opens).
    QImage Render(int64_t timeMs)
    {
        const DWORD now = clock.Now();
        clock.Set(kOpeningTick + static_cast<DWORD>(timeMs));
        QImage image = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        clock.Set(now);
        return image;
    }

    // The strip as last painted on the screen, without painting anew: an
    // edit shows here only when it asked for the strip to be repainted.
    QImage OnScreen()
    {
        QCoreApplication::processEvents();
        const QRect area = window->Preview().Area();
        return window->QWidget::screen()
            ->grabWindow(window->winId(), area.x(), area.y(), area.width(), area.height())
            .toImage();
    }

    // A click on a button that ignores clicks following each other too fast.
    void Tap(QWidget &button)
    {
        clock.Advance(1000);
        Click(button);
    }

    static QImage Cut(const QImage &image, const QRect &area) { return image.copy(area); }

    // `image` with the preview's rectangle blacked out.
    static QImage Outside(QImage image, const QRect &area)
    {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                image.setPixel(x, y, 0);
        return image;
    }

    // A program folder whose skin files lack the strip keys.
    QString FolderWithoutStrips()
    {
        const QString bin = QStringLiteral(QZ_TEST_BIN_DIR);
        const QString folder = folders.Root() + QStringLiteral("/nostrip/");
        QDir().mkpath(folder + QStringLiteral("Lan"));
        for (const char *name : {"skins", "Skins", "Help"})
            QFile::link(bin + QStringLiteral("/") + QLatin1String(name), folder + QLatin1String(name));
        for (const char *name : {"Lan/skin_En.ini", "Lan/skin_Cs.ini"}) {
            QFile source(bin + QStringLiteral("/") + QLatin1String(name));
            EXPECT_TRUE(source.open(QIODevice::ReadOnly));
            QByteArray text = source.readAll();
            const bool wide = text.startsWith("\xFF\xFE");
            QString decoded = wide
                ? QString::fromUtf16(reinterpret_cast<const char16_t *>(text.constData() + 2), (text.size() - 2) / 2)
                : QString::fromUtf8(text);
            QStringList lines = decoded.split(QStringLiteral("\n"));
            lines.removeIf([](const QString &line) { return line.startsWith(QStringLiteral("STRIP")); });
            decoded = lines.join(QStringLiteral("\n"));
            QFile target(folder + QLatin1String(name));
            EXPECT_TRUE(target.open(QIODevice::WriteOnly));
            if (wide)
                target.write(QByteArray("\xFF\xFE", 2)
                             + QByteArray(reinterpret_cast<const char *>(decoded.utf16()), decoded.size() * 2));
            else
                target.write(decoded.toUtf8());
        }
        return folder;
    }

    static constexpr DWORD kOpeningTick = 100000;
    FakeTickCount clock {kOpeningTick};
};

TEST_F(EffectPreviewTest, TimerRunsOnlyWhileAVisibleEffectMoves)
{
    CConfigDlg &w = Open(1);
    ASSERT_FALSE(w.Preview().IsEmpty());
    ChooseEffect(1);
    EXPECT_FALSE(w.PreviewAnimating()) << "static effect";
    ChooseEffect(5);
    EXPECT_TRUE(w.PreviewAnimating()) << "rainbow wave";
    Tap(Screen().ledOffButton);
    EXPECT_FALSE(w.PreviewAnimating()) << "LED off";
    Tap(Screen().ledOnButton);
    EXPECT_TRUE(w.PreviewAnimating()) << "LED on again";
    w.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.PreviewAnimating()) << "minimised";
    w.showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.PreviewAnimating()) << "restored";
    w.hide();
    EXPECT_FALSE(w.PreviewAnimating()) << "hidden";
    w.show();
    EXPECT_TRUE(w.PreviewAnimating()) << "shown";
    ChooseEffect(14);
    EXPECT_TRUE(w.PreviewAnimating()) << "demo mode";
}

// Frames follow the window's frame requests: while the compositor sends none
// (a minimised window on Wayland, which is never told so) nothing is
// painted and nothing more is asked; its next frame starts them again.
TEST_F(EffectPreviewTest, FramesFollowTheWindowsFrameRequests)
{
    struct Compositor : QObject
    {
        QWidget *widget = nullptr;
        bool withholdFrames = true;
        int paints = 0;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::UpdateRequest && watched->isWindowType())
                return withholdFrames;
            if (event->type() == QEvent::Paint && watched == widget)
                ++paints;
            return false;
        }
    } compositor;
    CConfigDlg &w = Open(1);
    ChooseEffect(5);
    ASSERT_TRUE(w.PreviewAnimating());
    QTest::qWait(100);
    // The window is hidden by the compositor from here on.
    compositor.widget = &w;
    w.windowHandle()->installEventFilter(&compositor);
    w.installEventFilter(&compositor);
    QTest::qWait(100); // the frame asked for before is not sent
    compositor.paints = 0;
    QTest::qWait(300);
    EXPECT_EQ(compositor.paints, 0) << "no frames, no painting";

    compositor.withholdFrames = false;
    w.windowHandle()->requestUpdate(); // the window is shown again
    QTest::qWait(300);
    EXPECT_GE(compositor.paints, 2) << "the frame, and the one it asked for next";
}

TEST_F(EffectPreviewTest, FollowsEditsBeforeApply)
{
    CConfigDlg &w = Open(1);
    ChooseEffect(1);
    QImage shown = OnScreen();
    ASSERT_FALSE(shown.isNull());
    // Each edit of a still effect repaints the strip at once.
    const std::vector<std::pair<const char *, std::function<void()>>> edits = {
        {"preset", [&] { Tap(Screen().presets[2]); }},
        {"colour box",
         [&] {
             Type(Screen().hexBox, QStringLiteral("123456"));
             QTest::keyClick(&Screen().hexBox, Qt::Key_Return);
         }},
        {"slider", [&] { MoveSlider(kGreenSliderId, 200); }},
        {"uniform toggle", [&] { Tap(Screen().uniformToggle); }},
        {"effect", [&] { ChooseEffect(4); }},
        {"LED off", [&] { Tap(Screen().ledOffButton); }},
    };
    for (const auto &[what, edit] : edits) {
        edit();
        const QImage now = OnScreen();
        EXPECT_NE(now, shown) << what;
        shown = now;
    }

    Tap(Screen().ledOnButton);
    ChooseEffect(9);
    MoveSlider(kSpeedSliderId, 2);
    EXPECT_EQ(w.PreviewedRecord().speed, 2);
    Tap(Screen().directionButtons[1]);
    EXPECT_EQ(w.PreviewedRecord().direction, 1);
    EXPECT_EQ(w.EditedRecord()->direction, 0) << "nothing stored before Apply";
    Tap(Screen().resetButton);
    EXPECT_EQ(w.PreviewedRecord().speed, 0);
    EXPECT_EQ(w.PreviewedRecord().direction, 0);
}

TEST_F(EffectPreviewTest, BothLanguagesPlaceTheSameStrips)
{
    const std::vector<PreviewStrip> english = Open(1).Preview().Strips();
    ASSERT_EQ(english.size(), 2u);
    window.reset();
    WriteSettings([](LightingSettings &s) { s.lan_id = 1; });
    const std::vector<PreviewStrip> chinese = Open(1).Preview().Strips();
    ASSERT_EQ(chinese.size(), english.size());
    for (std::size_t i = 0; i < english.size(); ++i) {
        EXPECT_EQ(chinese[i].rect, english[i].rect);
        EXPECT_EQ(chinese[i].ledCount, english[i].ledCount);
    }
}

// Frames of three effects at two moments each, kept in build/test-renders/:
// the strip moves only for animated effects, and every pixel outside the
// preview's rectangle is the window as painted by a skin without strips.
TEST_F(EffectPreviewTest, PaintsOnlyTheStripAndMovesOnlyWhenAnimated)
{
    struct Case
    {
        int effect;
        bool animated;
    };
    const Case cases[] = {{1, false}, {5, true}, {9, true}};
    const int64_t times[] = {400, 1900};

    PlatformPaths::SetApplicationDirectory(FolderWithoutStrips());
    Open(1);
    ASSERT_TRUE(window->Preview().IsEmpty());
    std::vector<QImage> plain;
    for (const Case &c : cases) {
        ChooseEffect(c.effect);
        plain.push_back(Render(times[0]));
    }
    window.reset();
    PlatformPaths::SetApplicationDirectory(QStringLiteral(QZ_TEST_BIN_DIR));

    CConfigDlg &w = Open(1);
    const QRect area = w.Preview().Area();
    ASSERT_FALSE(area.isEmpty());
    const QString renders = QStringLiteral(QZ_TEST_BIN_DIR "/../test-renders/");
    QDir().mkpath(renders);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        ChooseEffect(cases[i].effect);
        const QImage first = Render(times[0]);
        const QImage second = Render(times[1]);
        first.save(renders + QStringLiteral("preview_effect%1_%2ms.png").arg(cases[i].effect).arg(times[0]));
        second.save(renders + QStringLiteral("preview_effect%1_%2ms.png").arg(cases[i].effect).arg(times[1]));
        EXPECT_EQ(Cut(first, area) != Cut(second, area), cases[i].animated) << "effect " << cases[i].effect;
        EXPECT_NE(Cut(first, area), Cut(plain[i], area)) << "the strip is painted, effect " << cases[i].effect;
        EXPECT_EQ(Outside(first, area), Outside(plain[i], area)) << "outside the strip, effect " << cases[i].effect;
    }
}

} // namespace
