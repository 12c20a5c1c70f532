#include "app/CConfigDlg.h"

#include "app/CConfigApp.h"
#include "app/EffectLayout.h"
#include "framework/MessageBox.h"
#include "framework/PlatformPaths.h"
#include "framework/TickCount.h"
#include "framework/WheelInput.h"
#include "framework/WindowMessage.h"
#include "settings/DiagnosticLog.h"
#include "settings/EffectAnimation.h"
#include "skin/ImageSet.h"
#include "skin/SkinFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QThread>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

namespace {

// The options are process-wide because the window is made deep inside the
// application object's start-up (CConfigApp::InitInstance); tests set them
// before the application runs.
CConfigDlg::Options &StoredOptions()
{
    static CConfigDlg::Options options;
    return options;
}

constexpr int kCaptionBandHeight = 48;
constexpr int kCaptionBandWidth = 1200;
const QRect kEffectListArea(QPoint(91, 93), QPoint(241, 436)); // left 91, top 93, right 242, bottom 437

// A command with this identifier (-1 in the low word, all bits set) ends the
// window with the cancel result.
constexpr WORD kCancelCommandId = 0xFFFF;

// Skin texts of the device menu and the category buttons.
constexpr int kAllDevicesText = 48;
constexpr int kCategoryNameText = 49; // + category

bool IsEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

void CConfigDlg::SetOptions(const Options &options)
{
    StoredOptions() = options;
}

CConfigDlg::Options CConfigDlg::CurrentOptions()
{
    return StoredOptions();
}

CConfigDlg::CConfigDlg(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint)
    , colorEditor(screen, [this] { return EditedRecord(); })
    , navigation(screen)
{
    setAttribute(Qt::WA_OpaquePaintEvent); // the paint covers every pixel; nothing is erased first
    setMouseTracking(true);
    previewTimer.setInterval(EffectPreview::kFrameIntervalMs);
    previewTimer.setSingleShot(true);
    connect(&previewTimer, &QTimer::timeout, this, &CConfigDlg::RequestPreviewFrame);
}

CConfigDlg::~CConfigDlg()
{
    DestroyPopupMenu();
}

int CConfigDlg::DoModal()
{
    if (!Create())
        return kCancelResult;
    const int result = exec();
    return result == QDialog::Accepted ? kOkResult : kCancelResult;
}

bool CConfigDlg::Create()
{
    if (created)
        return true;
    if (!OnCreate())
        return false;
    created = OnInitDialog();
    return created;
}

void CConfigDlg::EndDialog(int result)
{
    ending = true;
    DestroyPopupMenu();
    done(result == kOkResult ? QDialog::Accepted : QDialog::Rejected);
}

int CConfigDlg::DeviceCountOf(int category) const
{
    // The settings keep a record for 16 devices per category at most.
    return std::clamp(catalogue.DeviceCount(category), 0, kMaxDevicesPerCategory);
}

CategorySettings &CConfigDlg::BoundCategory()
{
    return settings.CurrentProfileSettings().Category(currentCategory);
}

const CategorySettings &CConfigDlg::BoundCategory() const
{
    return settings.Profile(settings.CurrentProfile).Category(currentCategory);
}

EffectInfo *CConfigDlg::EditedRecord()
{
    return &BoundCategory().records[static_cast<std::size_t>(std::clamp(recordIndex, 0, kMaxDevicesPerCategory))];
}

// ---------------------------------------------------------------- creation

bool CConfigDlg::OnCreate()
{
    const Options options = CurrentOptions();
    discovered = catalogue.Discover();
    if (options.creationWaitMs > 0)
        QThread::msleep(static_cast<unsigned long>(options.creationWaitMs));

    if (discovered)
        categoryList.push_back(DeviceCatalogue::kCategorySsd);
    if (categoryList.empty()) {
        categoryList.push_back(DeviceCatalogue::kCategorySsd);
        currentCategory = DeviceCatalogue::kCategorySsd;
    } else {
        currentCategory = categoryList.front();
    }

    if (options.startAgent)
        agent.StartAgentIfAbsent();
    QDir::setCurrent(PlatformPaths::ApplicationDirectory());
    return true;
}

bool CConfigDlg::OnInitDialog()
{
    setWindowTitle(QString::fromLatin1(CConfigApp::kInstanceName));

    settingsPath = SettingsPath();
    if (!settingsPath.isEmpty()) {
        WriteLog(QStringLiteral("OnInitDialog-createIniPath - %1").arg(settingsPath));
        WriteLog(QStringLiteral("OnInitDialog-createIniPath2 - %1%2")
                     .arg(qEnvironmentVariable(PlatformPaths::kConfigHomeVariable),
                          QStringLiteral("/Zarvik/Zarvik RGB Software/config")));
    }

    LoadSettings(settings, settingsPath);
    savedSettings = settings;
    BindCategory(currentCategory);

    ScreenContext context;
    context.languageId = settings.lan_id;
    context.categoryList = categoryList;
    context.currentCategory = currentCategory;
    BuildScreen(screen, this, context);
    paintedLabels.Build(this);
    // The program's icon is the skin's logo picture.
    const QString logo = StaticPicturePath(ReadSkinEntry(QStringLiteral("MAINPIC"), QStringLiteral("1")).text);
    if (QFile::exists(logo))
        setWindowIcon(QIcon(logo));
    effectName = screen.firstEffectName;
    preview.LoadFromSkin();
    previewStartTick = GetTickCount();
    LayoutEffectList(screen, 1);
    colorEditor.SyncViewsOnly();
    for (CClrEdit *box : {&screen.numberBoxes[0], &screen.numberBoxes[1], &screen.numberBoxes[2], &screen.hexBox})
        box->installEventFilter(this);
    for (CPngListBtn &button : screen.categoryButtons)
        button.installEventFilter(this);

    const int n = DeviceCountOf(currentCategory);
    SelectRecord(n <= 1 || BoundCategory().synchronize == 0 ? 1 : 0);

    if (CurrentOptions().listenForAgent) {
        agent.SetWaitCursor(AgentLink::ApplicationWaitCursor());
        AgentLink::WindowActions actions;
        actions.endWithoutSaving = [this] { EndDialog(kOkResult); };
        actions.showNormal = [this] {
            showNormal();
            raise();
            activateWindow();
        };
        agent.StartListening(agent.StandardHandler(std::move(actions)));
    }

    if (const QScreen *display = QWidget::screen())
        move(display->availableGeometry().center() - rect().center());
    return true;
}

// ---------------------------------------------------------------- state

void CConfigDlg::BindCategory(int category)
{
    if (category != 0 && category != 1)
        return;
    settings.CurrentProfileSettings().Category(category).devNum = DeviceCountOf(category);
}

void CConfigDlg::SelectRecord(int index)
{
    recordIndex = std::clamp(index, 0, kMaxDevicesPerCategory);
    currentEffect = std::clamp(EditedRecord()->effectId, 0, kEffectCount - 1);
    effectName = screen.effectButtons[static_cast<std::size_t>(currentEffect)].GetCaption();
    RefreshControls(true);
}

void CConfigDlg::RefreshControls(bool scrollEffectList)
{
    // 1.-2. Profile buttons and the LED pair.
    for (int i = 0; i < kProfileCount; ++i)
        screen.profileButtons[static_cast<std::size_t>(i)].SetChecked(i == settings.CurrentProfile);
    ledMirror = settings.led_sw;
    screen.ledOnButton.SetChecked(settings.led_sw != 0);
    screen.ledOffButton.SetChecked(settings.led_sw == 0);

    // 3.-4. Device count and the colour counts of present and absent devices.
    const int n = HasStoredRecords(currentCategory) ? DeviceCountOf(currentCategory) : 0;
    // The count goes into category 0's field whichever category is current,
    // as the stored files of the original carry it.
    settings.CurrentProfileSettings().Category(0).devNum = n;
    auto &records = BoundCategory().records;
    if (n > 0) {
        for (int r = 1; r < kRecordsPerCategory; ++r)
            records[static_cast<std::size_t>(r)].colorCount = r <= n ? kEffectColorSlots : 0;
        records[0].colorCount = records[1].colorCount;
    }

    // 5. Category captions.
    screen.categoryButtons[0].SetCaption(LookupSkinText(kCategoryNameText), screen.categoryButtons[0].GetIconOffset());
    screen.categoryButtons[1].SetCaption(LookupSkinText(kCategoryNameText + 1),
                                         screen.categoryButtons[1].GetIconOffset());
    const int captionCategory = HasStoredRecords(currentCategory) ? currentCategory : 0;
    const QString name = screen.categoryButtons[static_cast<std::size_t>(captionCategory)].GetCaption();
    QString caption = name;
    if (n > 1)
        caption = recordIndex == 0 ? LookupSkinText(kAllDevicesText) : name + QString::number(recordIndex);
    CPngListBtn &categoryButton = screen.categoryButtons[static_cast<std::size_t>(currentCategory)];
    categoryButton.SetCaption(caption, categoryButton.GetIconOffset());

    // 6. Uniform colour and the colour slots.
    const EffectInfo &record = *EditedRecord();
    const bool uniform = record.uniformColor != 0;
    screen.uniformToggle.SetChecked(uniform);
    for (int i = 0; i < kEffectColorSlots; ++i) {
        const RgbColor color = FromColorRef(record.colors[static_cast<std::size_t>(uniform ? 0 : i)]);
        CColorBtn2 &slot = screen.colorSlots[static_cast<std::size_t>(i)];
        slot.SetColor(color.red, color.green, color.blue);
        slot.setEnabled(!uniform);
    }

    // 7.-8. The effect list.
    for (int i = 0; i < kEffectCount; ++i)
        screen.effectButtons[static_cast<std::size_t>(i)].SetChecked(i == record.effectId);
    if (scrollEffectList) {
        const int first = EffectListOffsetFor(record.effectId);
        screen.effectListScroll.SetPos(first);
        LayoutEffectList(screen, first);
    }

    // 9. The colour editor shows the active slot (and stores it back).
    colorEditor.LoadActiveSlot();

    // 10.-12. Direction, speed, layout.
    const EffectInfo &edited = *EditedRecord();
    pendingDirection = std::clamp(edited.direction, 0, 1);
    screen.directionButtons[0].SetChecked(pendingDirection == 0);
    screen.directionButtons[1].SetChecked(pendingDirection == 1);
    screen.speedSlider.SetPos(edited.speed);
    ApplyLayout();
    SyncPreview();
}

void CConfigDlg::ApplyLayout()
{
    ApplyEffectLayout(screen, currentEffect, *EditedRecord(), *this);
    paintedLabels.Sync(currentEffect, effectName);
}

bool CConfigDlg::SaveAndNotify()
{
    QString reason;
    QString keptAside;
    const bool saved = SaveSettings(settings, settingsPath, &reason, &keptAside);
    if (!keptAside.isEmpty())
        ShowMessageBox(
            this,
            QStringLiteral("The settings file %1 could not be read; it was kept as %2.").arg(settingsPath, keptAside),
            QString::fromLatin1(CConfigApp::kProgramName), MessageBoxKind::OkInformation);
    if (!saved) {
        WriteLog(QStringLiteral("SaveSettings failed - %1 - %2").arg(settingsPath, reason));
        // The user must not believe the lighting is stored; the edits stay.
        const QString where = settingsPath.isEmpty() ? QStringLiteral("the settings file") : settingsPath;
        ShowMessageBox(this, QStringLiteral("The settings could not be saved to %1:\n%2").arg(where, reason),
                       QString::fromLatin1(CConfigApp::kProgramName), MessageBoxKind::OkError);
        return false;
    }
    savedSettings = settings;
    agent.NotifySettingsSaved();
    return true;
}

// ---------------------------------------------------------------- messages

bool CConfigDlg::event(QEvent *event)
{
    if (WindowMessageEvent *message = WindowMessageEvent::From(event)) {
        message->result = WindowProc(message->message, message->wParam, message->lParam);
        return true;
    }
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::Show || event->type() == QEvent::Hide || event->type() == QEvent::WindowStateChange)
        SyncPreview();
    return handled;
}

LRESULT CConfigDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(wParam, lParam);
        break;
    case UM_SLIDER_POS:
        OnSliderPosition(static_cast<int>(static_cast<intptr_t>(wParam)), static_cast<int>(lParam));
        break;
    case UM_MENU_ITEM:
        OnMenuItem(HIWORD(static_cast<DWORD>(lParam)));
        break;
    default:
        return 0;
    }
    SyncPreview();
    return 0;
}

void CConfigDlg::DestroyPopupMenu()
{
    if (!popupMenu)
        return;
    popupMenu->DestroyWindow();
    popupMenu->deleteLater();
    popupMenu = nullptr;
}

void CConfigDlg::CommitActiveEdit()
{
    if (colorEditor.ActiveEdit())
        colorEditor.CommitColorEdit();
}

void CConfigDlg::OnCommand(WPARAM wParam, LPARAM control)
{
    DestroyPopupMenu();

    const bool fromColorBox = control != 0 && colorEditor.IsColorBox(control);
    if (fromColorBox && wParam != 0)
        return; // other notifications of a box: ignored, and no commit either

    if (LOWORD(static_cast<DWORD>(wParam)) == kCancelCommandId) {
        EndDialog(kCancelResult);
    }

    auto matches = [control](const QWidget &button) { return control == HandleOf(&button); };
    auto indexIn = [&matches](auto &buttons) {
        for (std::size_t i = 0; i < buttons.size(); ++i)
            if (matches(buttons[i]))
                return static_cast<int>(i);
        return -1;
    };

    int index;
    if (matches(screen.closeButton)) {
        EndDialog(kCancelResult);
    } else if (matches(screen.minimiseButton)) {
        showMinimized();
    } else if (control == 0) {
        // A failed save keeps the window and its edits: the user can fix the
        // cause and save again, or leave through the close button.
        if (SaveAndNotify())
            EndDialog(kOkResult);
    } else if (matches(screen.applyButton)) {
        OnApply();
    } else if (matches(screen.resetButton)) {
        OnReset();
    } else if (matches(screen.ledOnButton) || matches(screen.ledOffButton)) {
        const bool on = matches(screen.ledOnButton);
        screen.ledOnButton.SetChecked(on);
        screen.ledOffButton.SetChecked(!on);
        settings.led_sw = on ? 1 : 0;
    } else if ((index = indexIn(screen.profileButtons)) >= 0) {
        OnProfileButton(index);
    } else if ((index = indexIn(screen.categoryButtons)) >= 0) {
        OnCategoryButton(index);
    } else if ((index = indexIn(screen.effectButtons)) >= 0 && index < kEffectCount) {
        OnEffectButton(index);
    } else if (matches(screen.uniformToggle)) {
        OnUniformToggle();
    } else if ((index = indexIn(screen.directionButtons)) >= 0) {
        SelectButtonByHandle(screen.directionButtons.data(), 2, control);
        pendingDirection = index;
    } else {
        colorEditor.OnCommand(control); // colour slots, presets and the colour boxes
    }

    if (!fromColorBox)
        CommitActiveEdit();
    SyncPreview();
}

void CConfigDlg::OnApply()
{
    EffectInfo &record = *EditedRecord();
    record.speed = screen.speedSlider.GetPos();
    record.direction = pendingDirection;
    record.effectId = currentEffect;
    for (int i = 0; i < kEffectColorSlots; ++i)
        record.colors[static_cast<std::size_t>(i)] = screen.colorSlots[static_cast<std::size_t>(i)].GetColor();
    SaveAndNotify();
}

void CConfigDlg::OnReset()
{
    EffectInfo fresh;
    fresh.effectId = currentEffect;
    *EditedRecord() = fresh;
    RefreshControls(false);
}

void CConfigDlg::OnProfileButton(int profile)
{
    SelectButtonByHandle(screen.profileButtons.data(), kProfileCount, HandleOf(&screen.profileButtons[profile]));
    const int current = settings.CurrentProfile;
    if (!ProfileMatches(settings.Profile(current), savedSettings.Profile(current))
        && ShowMessageBox(this, QStringLiteral("Save Profile?"), QStringLiteral("Profile"),
                          MessageBoxKind::OkCancelExclamation)
            == IDOK
        && !SaveAndNotify()) {
        // What the user asked to keep is not stored: the switch does not
        // happen, so that the edits stay where they were made.
        SelectButtonByHandle(screen.profileButtons.data(), kProfileCount, HandleOf(&screen.profileButtons[current]));
        return;
    }
    settings = savedSettings;
    settings.CurrentProfile = profile;
    BindCategory(currentCategory);
    const bool separate = DeviceCountOf(currentCategory) == 1 || BoundCategory().synchronize == 0;
    SelectRecord(separate ? 1 : 0);
}

void CConfigDlg::OnCategoryButton(int category)
{
    SelectButtonByHandle(screen.categoryButtons.data(), 4, HandleOf(&screen.categoryButtons[category]));
    if (HasStoredRecords(category)) {
        BindCategory(category);
        currentCategory = category;
    }
    const int count = DeviceCountOf(currentCategory);
    if (count > 1)
        popupMenu
            = BuildPopupMenu(this, screen.categoryButtons[static_cast<std::size_t>(category)], currentCategory, count);
    else
        SelectRecord(1);
}

void CConfigDlg::OnEffectButton(int effect)
{
    SelectButtonByHandle(screen.effectButtons.data(), kEffectCount, HandleOf(&screen.effectButtons[effect]));
    currentEffect = effect;
    effectName = screen.effectButtons[static_cast<std::size_t>(effect)].GetCaption();
    ApplyLayout();
}

void CConfigDlg::OnUniformToggle()
{
    const bool uniform = !screen.uniformToggle.GetChecked();
    screen.uniformToggle.SetChecked(uniform);
    colorEditor.ResetActiveSlot();
    EditedRecord()->uniformColor = uniform ? 1 : 0;
    RefreshControls(true);
}

void CConfigDlg::OnMenuItem(int item)
{
    DestroyPopupMenu();
    // Devices 1..n, n at most 16: the item of device 16 works as well.
    const int count = DeviceCountOf(currentCategory);
    if (item == kAllDevicesItem) {
        BoundCategory().synchronize = 1;
        SelectRecord(0);
    } else if (item > kAllDevicesItem && item <= kAllDevicesItem + count) {
        BoundCategory().synchronize = 0;
        SelectRecord(item - kAllDevicesItem);
    }
}

void CConfigDlg::OnSliderPosition(int value, int sliderId)
{
    DestroyPopupMenu();
    CommitActiveEdit();
    if (sliderId == kEffectListScrollId) {
        screen.effectListScroll.SetPos(value);
        LayoutEffectList(screen, value);
    } else if (sliderId == kSpeedSliderId) {
        screen.speedSlider.SetPos(value);
    } else {
        colorEditor.OnSliderValue(sliderId, value);
    }
}

// ---------------------------------------------------------------- input

void CConfigDlg::mousePressEvent(QMouseEvent *event)
{
    // Only the left button acts: right and middle clicks leave the menu open
    // and the colour box uncommitted.
    if (event->button() != Qt::LeftButton)
        return;
    DestroyPopupMenu();
    CommitActiveEdit();
    const QPoint point = event->position().toPoint();
    if (point.x() >= 0 && point.x() < kCaptionBandWidth && point.y() >= 0 && point.y() < kCaptionBandHeight) {
        if (QWindow *window = windowHandle())
            window->startSystemMove();
    }
}

void CConfigDlg::UpdateEffectListHover(const QPoint &point)
{
    effectListHover = kEffectListArea.contains(point);
}

void CConfigDlg::mouseMoveEvent(QMouseEvent *event)
{
    UpdateEffectListHover(event->position().toPoint());
}

void CConfigDlg::wheelEvent(QWheelEvent *event)
{
    // Wheel turns over the effect buttons reach the window as well; the
    // pointer's place decides, as it would for a move.
    UpdateEffectListHover(mapFromGlobal(event->globalPosition().toPoint()));
    const int delta = VerticalWheelDelta(*event);
    if (effectListHover && delta != 0)
        screen.effectListScroll.TurnWheel(delta);
    event->accept();
}

void CConfigDlg::keyPressEvent(QKeyEvent *event)
{
    // Escape and Enter never close the window; Escape closes the device menu.
    if (event->key() == Qt::Key_Escape || IsEnterKey(event->key())) {
        if (event->key() == Qt::Key_Escape)
            DestroyPopupMenu();
        event->accept();
        return;
    }
    if (event->modifiers() == Qt::NoModifier && navigation.HandleGroupKey(event->key())) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        if (CConfigApp *app = CConfigApp::Instance())
            app->OnHelp();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CConfigDlg::focusNextPrevChild(bool next)
{
    // Leaving a colour box by Tab commits it, as a click elsewhere does (the
    // commit may move the focus: the order goes on from the box).
    QPointer<QWidget> from = QApplication::focusWidget();
    if (colorEditor.IsColorBox(from.data()))
        CommitActiveEdit();
    DestroyPopupMenu();
    return navigation.MoveFocus(next, from.data());
}

bool CConfigDlg::OnCategoryKey(CPngListBtn &button, const QKeyEvent &key)
{
    if (key.modifiers() != Qt::NoModifier)
        return false;
    if (!popupMenu) {
        if (key.key() != Qt::Key_Down)
            return false;
        button.ClickFromKeyboard();
        return true;
    }
    switch (key.key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        popupMenu->MoveHighlight(key.key() == Qt::Key_Up ? -1 : 1);
        return true;
    case Qt::Key_Space:
        if (!key.isAutoRepeat())
            popupMenu->ChooseHighlighted();
        return true;
    case Qt::Key_Escape:
        DestroyPopupMenu();
        return true;
    default:
        return false;
    }
}

bool CConfigDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == frameWindow && event->type() == QEvent::UpdateRequest && previewFrameRequested) {
        // The frame asked for: the strip alone is repainted (the window's
        // own handling would repaint all of it).
        previewFrameRequested = false;
        update(preview.Area());
        if (previewRunning)
            previewTimer.start();
        return true;
    }
    if (event->type() == QEvent::KeyPress) {
        for (CPngListBtn &button : screen.categoryButtons)
            if (watched == &button && OnCategoryKey(button, *static_cast<QKeyEvent *>(event)))
                return true;
    }
    if (colorEditor.IsColorBox(watched)) {
        auto *box = static_cast<CClrEdit *>(watched);
        if (event->type() == QEvent::KeyRelease) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (!key->isAutoRepeat() || !IsEnterKey(key->key()))
                colorEditor.OnKeyReleased(*box, key->key());
            SyncPreview();
            return IsEnterKey(key->key());
        }
        if (event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent *>(event)->key()))
            return true; // Enter is consumed: it never reaches the box or closes the window
    }
    return QDialog::eventFilter(watched, event);
}

void CConfigDlg::closeEvent(QCloseEvent *event)
{
    // The window manager's close is the command without a control: save,
    // then end. When the save fails the close is refused.
    if (!ending)
        OnCommand(IDCANCEL, 0);
    if (ending)
        event->accept();
    else
        event->ignore();
}

// ---------------------------------------------------------------- painting

void CConfigDlg::paintEvent(QPaintEvent *event)
{
    if (isMinimized())
        return;
    // The face changes only with the effect shown: it is drawn off-screen once
    // per change and copied, within the part that needs painting, on every
    // paint (a child control's repaint paints the window under it first).
    // On screens of pixel ratio 1.5 or more the face has that many pixels per
    // logical pixel, so that the skin's 2x pictures stay sharp.
    const qreal ratio = devicePixelRatioF() >= 1.5 ? devicePixelRatioF() : 1.0;
    if (faceSize != size() || faceRatio != ratio || faceEffect != currentEffect || faceEffectName != effectName) {
        face = QImage(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        face.setDevicePixelRatio(ratio);
        face.fill(Qt::black);
        QPainter painter(&face);
        PaintMainWindow(painter, screen, currentEffect, effectName);
        faceSize = size();
        faceRatio = ratio;
        ++faceDrawings;
        faceEffect = currentEffect;
        faceEffectName = effectName;
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(0, 0, face);
    if (!preview.IsEmpty() && event->region().intersects(preview.Area()))
        preview.Paint(painter, PreviewedRecord(), settings.led_sw != 0, PreviewTime());
}

// ---------------------------------------------------------------- preview

EffectInfo CConfigDlg::PreviewedRecord() const
{
    // What Apply would store.
    EffectInfo record
        = BoundCategory().records[static_cast<std::size_t>(std::clamp(recordIndex, 0, kMaxDevicesPerCategory))];
    record.effectId = currentEffect;
    record.speed = screen.speedSlider.GetPos();
    record.direction = pendingDirection;
    for (int i = 0; i < kEffectColorSlots; ++i)
        record.colors[static_cast<std::size_t>(i)] = screen.colorSlots[static_cast<std::size_t>(i)].GetColor();
    return record;
}

int64_t CConfigDlg::PreviewTime() const
{
    return static_cast<int64_t>(static_cast<DWORD>(GetTickCount() - previewStartTick));
}

void CConfigDlg::SyncPreview()
{
    if (preview.IsEmpty())
        return;
    const EffectInfo record = PreviewedRecord();
    const bool ledOn = settings.led_sw != 0;
    if (record != previewShown || ledOn != previewShownLedOn) {
        previewShown = record;
        previewShownLedOn = ledOn;
        update(preview.Area());
    }
    const bool animate = IsAnimatedEffect(record, ledOn) && isVisible() && !isMinimized();
    if (animate && !previewRunning) {
        previewRunning = true;
        RequestPreviewFrame();
    } else if (!animate && previewRunning) {
        previewRunning = false;
        previewFrameRequested = false;
        previewTimer.stop();
    }
}

void CConfigDlg::RequestPreviewFrame()
{
    QWindow *window = windowHandle();
    if (!previewRunning || window == nullptr)
        return;
    if (frameWindow != window) {
        window->installEventFilter(this);
        frameWindow = window;
    }
    previewFrameRequested = true;
    window->requestUpdate();
}
