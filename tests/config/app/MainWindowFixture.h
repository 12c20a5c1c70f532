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

#include <gtest/gtest.h>

#include <memory>

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
        SetMessageBoxHandler([this](const QString &text, const QString &caption, MessageBoxKind) {
            boxes << caption + QStringLiteral(": ") + text;
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
        return *window;
    }

    void Click(const QWidget &control)
    {
        SendMessage(window.get(), WM_COMMAND, 0, HandleOf(&control));
    }

    void Post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        PostMessage(window.get(), message, wParam, lParam);
        QCoreApplication::sendPostedEvents();
    }

    void MoveSlider(int id, int value)
    {
        Post(UM_SLIDER_POS, static_cast<WPARAM>(value), id);
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
    int boxAnswer = IDCANCEL;
};
