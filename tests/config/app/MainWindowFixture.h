#pragma once
// A main window built from the default skin beside the test programs, with
// the bundled provider plug-in reporting a chosen number of SSDs from a
// temporary registry. No agent is started or listened for.

#include "app/CConfigDlg.h"
#include "framework/MessageBox.h"
#include "framework/PlatformPaths.h"
#include "framework/WindowMessage.h"

#include "ProviderRegistration.h"
#include "TempUserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformPaths::SetApplicationDirectory(QStringLiteral(QZ_TEST_BIN_DIR));
        // The settings folders, as the application makes them at start.
        QDir().mkpath(folders.ConfigHome() + QStringLiteral("/Zarvik/Zarvik RGB Software"));
        CConfigDlg::Options options;
        options.creationWaitMs = 0;
        options.startAgent = false;
        options.listenForAgent = false;
        CConfigDlg::SetOptions(options);
        SetMessageBoxHandler([this](const QString &text, const QString &caption, MessageBoxKind kind) {
            boxes << caption + QStringLiteral(": ") + text;
            boxKinds.push_back(kind);
            return boxAnswer;
        });
    }

    void TearDown() override
    {
        window.reset();
        SetMessageBoxHandler({});
        qunsetenv("ZARVIK_PROVIDER_DEVICES");
    }

    // Registers the provider and lists `devices` SSDs (0: no registration).
    void RegisterDevices(int devices)
    {
        if (devices == 0)
            return;
        ASSERT_TRUE(RegisterBundledProvider(folders.ConfigHome(), QStringLiteral(QZ_TEST_BIN_DIR)));

        const QString list = folders.Root() + QStringLiteral("/devices.xml");
        QFile file(list);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray xml = "<devices>";
        for (int i = 0; i < devices; ++i)
            xml += "<device><lighting_device><version>1.0</version></lighting_device></device>";
        file.write(xml + "</devices>");
        file.close();
        qputenv("ZARVIK_PROVIDER_DEVICES", list.toLocal8Bit());
    }

    // A settings file written before the window opens.
    void WriteSettings(const std::function<void(LightingSettings &)> &change)
    {
        LightingSettings settings;
        ResetSettings(settings);
        change(settings);
        QDir().mkpath(folders.ConfigHome() + QStringLiteral("/Zarvik/Zarvik RGB Software"));
        ASSERT_TRUE(SaveSettings(settings, SettingsPath()));
    }

    CConfigDlg &Open(int devices)
    {
        RegisterDevices(devices);
        window = std::make_unique<CConfigDlg>();
        EXPECT_TRUE(window->Create());
        window->show();
        QCoreApplication::processEvents();
        return *window;
    }

    // A real left click in the middle of a control the user can see.
    void Click(QWidget &control)
    {
        if (!control.isVisible() || control.geometry().isEmpty()) {
            ADD_FAILURE() << "the control is not on the screen";
            return;
        }
        QTest::mouseClick(&control, Qt::LeftButton, Qt::NoModifier, control.rect().center());
        QCoreApplication::sendPostedEvents();
    }

    void Post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        PostMessage(window.get(), message, wParam, lParam);
        QCoreApplication::sendPostedEvents();
    }

    // Presses and releases a linear slider where the pointer means the value
    // nearest to `value`, then turns the wheel over it for the last steps (a
    // pixel of a long range skips values).
    void ClickSliderAt(CPngSliderBar &slider, int value, bool vertical)
    {
        const int length = vertical ? slider.height() : slider.width();
        QPoint best;
        int bestDistance = INT_MAX;
        for (int offset = -20; offset < length + 20; ++offset) {
            const QPoint point = vertical ? QPoint(slider.width() / 2, offset) : QPoint(offset, slider.height() / 2);
            const int distance = std::abs(slider.ValueFromPoint(point) - value);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = point;
            }
        }
        QTest::mouseClick(&slider, Qt::LeftButton, Qt::NoModifier, best);
        QCoreApplication::sendPostedEvents();

        int towards = 120; // a wheel turn away from the user; flipped when it moves the other way
        for (int turn = 0; turn < 600 && slider.GetPos() != value; ++turn) {
            const int before = slider.GetPos();
            const int delta = value > before ? towards : -towards;
            const QPointF at(slider.width() / 2.0, slider.height() / 2.0);
            QWheelEvent wheel(at, slider.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(&slider, &wheel);
            QCoreApplication::sendPostedEvents();
            if (std::abs(slider.GetPos() - value) > std::abs(before - value))
                towards = -towards;
        }
        if (slider.GetPos() != value)
            ADD_FAILURE() << "the slider did not reach " << value;
    }

    // Clicks around the hue ring until it reports `value`.
    void ClickRingAt(int value)
    {
        CPngRSliderBar2 &ring = Screen().hueRing;
        const QPointF centre(ring.width() / 2.0, ring.height() / 2.0);
        const double radius = std::min(ring.width(), ring.height()) * 0.45;
        for (int step = 0; step < 3600; ++step) {
            const double angle = step * M_PI / 1800.0;
            const QPoint point = (centre + QPointF(std::cos(angle), std::sin(angle)) * radius).toPoint();
            QTest::mouseClick(&ring, Qt::LeftButton, Qt::NoModifier, point);
            QCoreApplication::sendPostedEvents();
            if (ring.GetValue() == value)
                return;
        }
        ADD_FAILURE() << "the ring never reported " << value;
    }

    // Moves the slider `id` to `value` with the pointer.
    void MoveSlider(int id, int value)
    {
        MainScreen &screen = Screen();
        if (id == kHueRingId)
            ClickRingAt(value);
        else if (id == kEffectListScrollId)
            ClickSliderAt(screen.effectListScroll, value, true);
        else if (id == kSpeedSliderId)
            ClickSliderAt(screen.speedSlider, value, false);
        else
            ClickSliderAt(*screen.ColorSlider(id), value, false);
    }

    // Types into a colour box as the user does: a click into it, then the
    // keys.
    void Type(CClrEdit &box, const QString &text)
    {
        Click(box);
        box.selectAll();
        QTest::keyClicks(&box, text);
    }

    // Row `index` of the open device menu (0: all devices).
    void ChooseMenuRow(int index)
    {
        CPngBtnMenu *menu = window->PopupMenu();
        if (!menu) {
            ADD_FAILURE() << "no menu is open";
            return;
        }
        QList<CPngListBtn *> rows = menu->findChildren<CPngListBtn *>();
        rows.removeIf([](const CPngListBtn *row) { return !row->isVisible(); });
        std::sort(rows.begin(), rows.end(), [](auto *a, auto *b) { return a->y() < b->y(); });
        if (index >= rows.size()) {
            ADD_FAILURE() << "the menu has no row " << index;
            return;
        }
        Click(*rows[index]);
    }

    // The effect list scrolled so that `effect` is listed, then its button.
    void ChooseEffect(int effect)
    {
        if (Screen().effectButtons[effect].geometry().isEmpty())
            MoveSlider(kEffectListScrollId, std::clamp(effect - 8, 0, 6));
        Click(Screen().effectButtons[effect]);
    }

    LightingSettings FileSettings()
    {
        LightingSettings settings;
        LoadSettings(settings, SettingsPath());
        return settings;
    }

    MainScreen &Screen() { return window->Screen(); }

    TempUserFolders folders;
    std::unique_ptr<CConfigDlg> window;
    QStringList boxes;
    std::vector<MessageBoxKind> boxKinds;
    int boxAnswer = IDCANCEL;
};
