#pragma once
// The one window of Config and the owner of the lighting state while the
// program runs.

#include "settings/LightingSettings.h"

#include <QDialog>
#include <QString>

class CConfigDlg : public QDialog
{
public:
    static constexpr int kOkResult = 1;
    static constexpr int kCancelResult = 2;

    explicit CConfigDlg(QWidget *parent = nullptr);
    ~CConfigDlg() override;

    // Creates the window, initialises it and runs it until it ends; answers
    // how it ended (kOkResult or kCancelResult).
    int DoModal();
    void EndDialog(int result);

    const LightingSettings &Settings() const { return settings; }
    const LightingSettings &SavedSettings() const { return savedSettings; }
    const QString &SettingsFilePath() const { return settingsPath; }

protected:
    bool OnCreate();
    bool OnInitDialog();

private:
    LightingSettings settings;
    LightingSettings savedSettings;
    QString settingsPath;
};
