// hid --preview: its command line and the frames it prints.

#include "HidCommandLine.h"
#include "TerminalPreview.h"

#include <gtest/gtest.h>

namespace {

TEST(HidPreviewCommandLine, AcceptsPreviewOptionsAndRefusesMixtures)
{
    struct Case
    {
        QStringList arguments;
        HidOptions::Mode mode;
        int leds;
        int frames;
    };
    const Case cases[] = {
        {{"--preview"}, HidOptions::Mode::Preview, 12, 0},
        {{"--preview", "--leds", "30", "--frames", "2"}, HidOptions::Mode::Preview, 30, 2},
        {{"--frames", "5", "--preview"}, HidOptions::Mode::Preview, 12, 5},
        {{"--preview", "--leds", "0"}, HidOptions::Mode::Invalid, 12, 0},
        {{"--preview", "--leds", "121"}, HidOptions::Mode::Invalid, 12, 0},
        {{"--preview", "--leds"}, HidOptions::Mode::Invalid, 12, 0},
        {{"--preview", "--frames", "x"}, HidOptions::Mode::Invalid, 12, 0},
        {{"--leds", "8"}, HidOptions::Mode::Invalid, 8, 0},
        {{"--preview", "--send", "ping"}, HidOptions::Mode::Invalid, 12, 0},
    };
    for (const Case &c : cases) {
        const HidOptions options = ParseHidCommandLine(c.arguments);
        EXPECT_EQ(options.mode, c.mode) << c.arguments.join(' ').toStdString();
        if (c.mode == HidOptions::Mode::Preview) {
            EXPECT_EQ(options.previewLeds, c.leds);
            EXPECT_EQ(options.previewFrames, c.frames);
        }
    }
}

LightingSettings TwoSsds(int synchronize)
{
    LightingSettings settings;
    settings.CurrentProfile = 2;
    CategorySettings &ssd = settings.Profile(2).Category(1);
    settings.Profile(2).Category(0).devNum = 0;
    ssd.synchronize = synchronize;
    ssd.devNum = 2;
    ssd.records[0].effectId = 0;
    ssd.records[0].colorCount = 1;
    ssd.records[1].effectId = 5;
    ssd.records[2].effectId = 9;
    return settings;
}

TEST(HidPreviewFrames, OneLinePerDeviceWithItsRecord)
{
    const std::vector<PreviewDevice> synchronised = PreviewDevices(TwoSsds(1));
    ASSERT_EQ(synchronised.size(), 2u);
    EXPECT_EQ(synchronised[0].record.effectId, 0);
    EXPECT_EQ(synchronised[1].record.effectId, 0);
    EXPECT_EQ(synchronised[1].label, QStringLiteral("category 1 (SSD) device 2"));

    const std::vector<PreviewDevice> separate = PreviewDevices(TwoSsds(0));
    ASSERT_EQ(separate.size(), 2u);
    EXPECT_EQ(separate[0].record.effectId, 5);
    EXPECT_EQ(separate[1].record.effectId, 9);

    LightingSettings broken = TwoSsds(0);
    broken.CurrentProfile = 9;
    broken.Profile(3).Category(1).devNum = 99; // profile 9 is taken as the last one
    EXPECT_EQ(PreviewDevices(broken).size(), 2u + 16u) << "brought into range, never beyond 16 devices";
}

TEST(HidPreviewFrames, ColoursAndRedrawInPlace)
{
    const std::vector<PreviewDevice> devices = PreviewDevices(TwoSsds(1));
    const QString red = QStringLiteral("\x1b[38;2;255;0;0m");
    const QString dark = QStringLiteral("\x1b[38;2;0;0;0m");

    const QString first = PreviewFrame(devices, true, 3, 0, 0);
    EXPECT_EQ(first.count(red), 6) << "three red LEDs on each of two lines";
    EXPECT_EQ(first.count('\n'), 2);
    EXPECT_FALSE(first.startsWith(QStringLiteral("\x1b[")));

    const QString next = PreviewFrame(devices, true, 3, 40, 2);
    EXPECT_TRUE(next.startsWith(QStringLiteral("\x1b[2A\r"))) << "moves up over the previous frame";

    const QString off = PreviewFrame(devices, false, 3, 0, 0);
    EXPECT_EQ(off.count(dark), 6) << "LED off is dark";
    EXPECT_EQ(PreviewFrame({}, true, 3, 0, 0), QStringLiteral("no devices\x1b[K\n"));
}

} // namespace
