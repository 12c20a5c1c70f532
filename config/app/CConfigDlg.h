#pragma once
// The one window of Config and the owner of the lighting state while the
// program runs: it turns clicks and slider movements into changes of the
// edited effect record, saves the settings file on request and tells the
// agent to apply it.

#include "app/AgentLink.h"
#include "app/ColorEditor.h"
#include "app/EffectPreview.h"
#include "app/KeyboardNavigation.h"
#include "app/PaintedLabels.h"
#include "devices/DeviceCatalogue.h"
#include "framework/WinTypes.h"
#include "settings/LightingSettings.h"
#include "app/MainScreen.h"

#include <QDialog>
#include <QImage>
#include <QPointer>
#include <QString>
#include <QTimer>

class QWindow;

#include <vector>

class CConfigDlg : public QDialog
{
public:
    static constexpr int kOkResult = 1;
    static constexpr int kCancelResult = 2;

    // What the window does around its own work; tests turn the waits and the
    // other processes off.
    struct Options
    {
        int creationWaitMs = 500; // pause after device discovery
        bool startAgent = true; // start hid when it does not answer
        bool listenForAgent = true; // answer the agent's requests
    };
    static void SetOptions(const Options &options);
    static Options CurrentOptions();

    explicit CConfigDlg(QWidget *parent = nullptr);
    ~CConfigDlg() override;

    // Creates and initialises the window, then runs it until it ends;
    // answers how it ended (kOkResult or kCancelResult).
    int DoModal();
    // Creation and initialisation alone, without running the window.
    bool Create();
    void EndDialog(int result);
    bool IsEnding() const { return ending; }

    // Numbered messages from the controls and from other processes.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A command from control `control` (0: from no control).
    void OnCommand(WPARAM wParam, LPARAM control);

    void BindCategory(int category);
    // Brings every control up to date with the edited record; `scrollEffectList`
    // also scrolls the effect list to the current effect.
    void RefreshControls(bool scrollEffectList);
    void SelectRecord(int index);
    // Saves the settings; on success the state becomes the saved one and the
    // agent is told. A failed save is logged and shown to the user with the
    // path and the reason; the edits stay in memory.
    bool SaveAndNotify();

    // State, for the tests and the colour editor.
    MainScreen &Screen() { return screen; }
    ColorEditor &Editor() { return colorEditor; }
    LightingSettings &Settings() { return settings; }
    const LightingSettings &SavedSettings() const { return savedSettings; }
    const QString &SettingsFilePath() const { return settingsPath; }
    EffectInfo *EditedRecord();
    int CurrentCategory() const { return currentCategory; }
    const std::vector<int> &CategoryList() const { return categoryList; }
    int RecordIndex() const { return recordIndex; }
    int CurrentEffect() const { return currentEffect; }
    const QString &EffectName() const { return effectName; }
    int PendingDirection() const { return pendingDirection; }
    int DeviceCountOf(int category) const;
    CPngBtnMenu *PopupMenu() const { return popupMenu.data(); }
    bool EffectListHovered() const { return effectListHover; }
    // The record as edited on screen (effect, speed slider, direction pair
    // and colour slots included), which the preview shows before Apply.
    EffectInfo PreviewedRecord() const;
    const EffectPreview &Preview() const { return preview; }
    bool PreviewAnimating() const { return previewRunning; }
    // How often the window's face has been drawn (once per effect shown, and
    // per size or pixel ratio).
    int FaceDrawings() const { return faceDrawings; }
    const KeyboardNavigation &Navigation() const { return navigation; }
    const PaintedLabels &Labels() const { return paintedLabels; }

protected:
    bool OnCreate();
    bool OnInitDialog();

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void DestroyPopupMenu();
    // Keys on a category button: Down opens the device menu as Space does;
    // while the menu is open, Up and Down move its highlight, Space chooses
    // and Escape closes it. True when the key was used.
    bool OnCategoryKey(CPngListBtn &button, const QKeyEvent &key);
    void CommitActiveEdit();
    void OnProfileButton(int profile);
    void OnCategoryButton(int category);
    void OnEffectButton(int effect);
    void OnUniformToggle();
    void OnApply();
    void OnReset();
    void OnMenuItem(int item);
    void OnSliderPosition(int value, int sliderId);
    void UpdateEffectListHover(const QPoint &point);
    void ApplyLayout();
    CategorySettings &BoundCategory();
    const CategorySettings &BoundCategory() const;
    // Repaints the preview when what it shows has changed, and animates it
    // only while the effect moves on a visible window.
    void SyncPreview();
    // Asks the window for its next frame (QWindow::requestUpdate), which
    // repaints the strip and, a frame interval later, asks for the next one.
    // A compositor gives no frames to a window it does not show (a minimised
    // window on Wayland, which is never told it was minimised): the
    // animation then rests until it does.
    void RequestPreviewFrame();
    int64_t PreviewTime() const;

    LightingSettings settings;
    LightingSettings savedSettings;
    QString settingsPath;
    DeviceCatalogue catalogue;
    bool discovered = false;
    int currentCategory = 1;
    std::vector<int> categoryList;
    int recordIndex = 1;
    int currentEffect = 0;
    QString effectName;
    bool effectListHover = false;
    int pendingDirection = 0;
    // The LED switch as last shown; the original window keeps this copy and
    // refreshes it with every refresh, so it stays for the same reads.
    int ledMirror = 1;
    MainScreen screen;
    ColorEditor colorEditor;
    KeyboardNavigation navigation;
    PaintedLabels paintedLabels;
    QPointer<CPngBtnMenu> popupMenu;
    AgentLink agent;
    bool created = false;
    bool ending = false;
    // The painted face, the window size and pixel ratio it was made for, and
    // what it shows. (Its size read back through a fractional ratio is not
    // the window's.)
    QImage face;
    QSize faceSize;
    qreal faceRatio = 0;
    int faceDrawings = 0;
    int faceEffect = -1;
    QString faceEffectName;
    // The live preview of the edited record on the drive picture.
    EffectPreview preview;
    QTimer previewTimer; // the interval from one frame to the request of the next
    QPointer<QWindow> frameWindow; // the window whose frame requests are watched
    bool previewRunning = false;
    bool previewFrameRequested = false;
    DWORD previewStartTick = 0;
    EffectInfo previewShown;
    bool previewShownLedOn = true;
};
