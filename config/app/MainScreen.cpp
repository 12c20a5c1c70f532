#include "app/MainScreen.h"

#include "app/ScreenAccessibility.h"
#include "controls/ControlSupport.h"
#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/SkinFile.h"
#include "settings/LightingSettings.h"

#include <QWidget>

#include <algorithm>
#include <iterator>
#include <tuple>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

void MoveTo(QWidget &control, const SkinEntry &entry)
{
    control.setGeometry(entry.rect.ToQRect());
    control.update();
}

void SetWhiteColours(CBitmapBtn &button)
{
    button.SetTextColors(kWhite, kWhite, kWhite);
}

// List button: state pictures (or the "btnPng" frame with an icon), the
// background under it, caption and tooltip.
SkinEntry CreateListButton(CPngListBtn &button, QWidget *window, const Bitmap &background, const QString &section,
                           const QString &key)
{
    const SkinEntry entry = ReadSkinEntry(section, key);
    const int w = entry.rect.Width();
    const int h = entry.rect.Height();
    const ButtonPictureNames names = SplitButtonPictureName(entry.name);
    const ImageSet pictures = LoadImageSet(names.frame, entry.flag);

    button.Create(QString(), window, QRect(0, 0, w, h), 0, true);
    button.SetBackground(background, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    button.LoadBitmaps(&pictures.normal, &pictures.over, &pictures.down, &pictures.disable, 0, 0, w, h);
    MoveTo(button, entry);
    button.SetFontHeight(15);
    button.SetTextColors(RGB(255, 255, 255), RGB(153, 153, 153), RGB(153, 153, 153));
    button.SetCaption(entry.text, 0);
    button.SetTooltipText(entry.text, false);

    if (!names.icon.isEmpty()) {
        QSize iconSize;
        const ImageSet icon = LoadImageSet(names.icon, false, MaskRequest::None, &iconSize);
        button.SetIcon(&icon.normal, &icon.over, &icon.down, 0, 0, iconSize.width(), iconSize.height());
    }
    return entry;
}

void CreateColorButton(CColorBtn2 &button, QWidget *window, const Bitmap &background, const QString &key)
{
    const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), key);
    const int w = entry.rect.Width();
    const int h = entry.rect.Height();
    const ImageSet pictures = LoadImageSet(entry.name, entry.flag);

    button.Create(QString(), window, entry.rect.ToQRect(), 0, true);
    button.LoadBitmaps(&pictures.normal, &pictures.over, &pictures.down, &pictures.disable, 0, 0, w, h);
    const Bitmap tint = LoadTintSource(entry.name, pictures.normal);
    button.SetTintSource(&tint, &tint, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    button.SetCaption(entry.text, 0);
    button.SetBackground(background, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    MoveTo(button, entry);
}

void CreateEditBox(CClrEdit &box, QWidget *window, const QString &key, bool digitsOnly)
{
    const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), key);
    const ImageSet pictures = LoadImageSet(entry.name, entry.flag);
    box.Create(window, entry.rect.ToQRect(), 0, digitsOnly, true);
    box.LoadBitmaps(&pictures.normal, &pictures.over, &pictures.down, &pictures.disable, 0, 0, entry.rect.Width(),
                    entry.rect.Height());
    box.SetEditFont(SkinFontFace(), 16);
    box.LimitText(3);
    box.setText(entry.text);
    MoveTo(box, entry);
}

template <typename Slider>
void ApplySliderPictures(Slider &slider, const SkinEntry &entry, const Bitmap &background, int minimum, int maximum)
{
    const ImageSet track = LoadImageSet(entry.name, entry.flag);
    const ImageSet thumb = LoadImageSet(ThumbSetName(entry.name), entry.flag);
    slider.SetTrackImages(&track.normal, &track.down, &track.disable, 0, 0, entry.rect.Width(), entry.rect.Height());
    slider.SetThumbImages(&thumb.normal, &thumb.over, &thumb.down, &thumb.disable, true);
    slider.SetRange(minimum, maximum);
    slider.SetBackground(background, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    MoveTo(slider, entry);
}

void CreateHorizontalSlider(CPngHSliderBar &slider, int id, QWidget *window, const Bitmap &background,
                            const QString &key, int minimum, int maximum)
{
    const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), key);
    slider.CreateSlider(id, window, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    ApplySliderPictures(slider, entry, background, minimum, maximum);
}

void CreateRing(CPngRSliderBar2 &ring, QWidget *window, const QString &key)
{
    const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), key);
    const ImageSet pictures = LoadImageSet(entry.name, entry.flag, MaskRequest::Wanted);
    const ImageSet thumb = LoadImageSet(ThumbSetName(entry.name), entry.flag);
    ring.CreateSlider(window, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    ring.SetRingImages(&pictures.normal, &pictures.down, 0, 0, entry.rect.Width(), entry.rect.Height());
    ring.SetThumbImages(&thumb.normal, &thumb.disable);
    ring.SetRange(0, 359);
    ring.SetValue(50);
    if (pictures.maskPresent)
        ring.SetRegion(pictures.mask); // a mask that does not decode is reported there
    MoveTo(ring, entry);
}

} // namespace

CPngHSliderBar *MainScreen::ColorSlider(int id)
{
    switch (id) {
    case kRedSliderId:
        return &redSlider;
    case kGreenSliderId:
        return &greenSlider;
    case kBlueSliderId:
        return &blueSlider;
    case kSaturationSliderId:
        return &saturationSlider;
    case kValueSliderId:
        return &valueSlider;
    default:
        return nullptr;
    }
}

namespace {

const QString kMainSection = QStringLiteral("MAIN");
const QString kLedSection = QStringLiteral("LED");

// The skin file of the language, then the background picture, whose size
// the window takes.
void LoadSkinAndBackground(MainScreen &screen, QWidget *window, int languageId)
{
    SetSkinFile(SkinFileForLanguage(languageId));
    QSize backgroundSize;
    LoadPictureFile(SkinPicturePath(ReadSkinString(QStringLiteral("MAINSCREENNEW"), QStringLiteral("Main"))),
                    screen.background, &backgroundSize);
    window->setGeometry(0, 0, backgroundSize.width(), backgroundSize.height());
    window->setFixedSize(backgroundSize);
}

// "FONT" is the face of every text; the other two are read only.
void ApplySkinFonts()
{
    const QString defaultFace = QStringLiteral("Segoe UI");
    SetSkinFontFace(ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONT"), defaultFace));
    ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONTEN"), defaultFace);
    ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONTNB"), defaultFace);
}

// MAIN 1..7 and the profile buttons MAIN 21..24.
void CreateWindowAndProfileButtons(MainScreen &screen, QWidget *window)
{
    const Bitmap &bg = screen.background;
    CPngListBtn *windowButtons[]
        = {&screen.minimiseButton, &screen.closeButton, &screen.languageButton, &screen.applyButton,
           &screen.resetButton,    &screen.ledOnButton, &screen.ledOffButton};
    for (std::size_t i = 0; i < std::size(windowButtons); ++i)
        CreateListButton(*windowButtons[i], window, bg, kMainSection, QString::number(i + 1));
    screen.languageButton.hide();

    for (std::size_t i = 0; i < screen.profileButtons.size(); ++i) {
        CreateListButton(screen.profileButtons[i], window, bg, kMainSection, QString::number(21 + i));
        screen.profileButtons[i].SetTextColors(RGB(100, 100, 100), RGB(100, 100, 100), RGB(255, 255, 255));
    }
    screen.profileButtons[0].SetChecked(true);
    screen.minimiseButton.SetClickOnRelease();
    screen.closeButton.SetClickOnRelease();
}

// MAIN 11..14, hidden; their rectangles are the slots that the present
// categories then fill from the first one, without gaps.
void CreateCategoryButtons(MainScreen &screen, QWidget *window, const ScreenContext &context)
{
    const int buttonCount = static_cast<int>(screen.categoryButtons.size());
    for (int i = 0; i < buttonCount; ++i) {
        CPngListBtn &button = screen.categoryButtons[i];
        const SkinEntry entry
            = CreateListButton(button, window, screen.background, kMainSection, QString::number(11 + i));
        button.SetTextColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
        button.SetFontHeight(16);
        button.SetTextAlign(8);
        button.hide();
        screen.categorySlots[i] = entry.rect;
    }

    int shown = 0;
    for (int c = 0; c < buttonCount; ++c) {
        if (std::find(context.categoryList.begin(), context.categoryList.end(), c) == context.categoryList.end())
            continue;
        CPngListBtn &button = screen.categoryButtons[c];
        button.show();
        button.setGeometry(screen.categorySlots[shown++].ToQRect());
    }
    if (context.currentCategory >= 0 && context.currentCategory < buttonCount)
        screen.categoryButtons[context.currentCategory].SetChecked(true);
}

// LED 1..15 and the list's scroll bar LED 21.
void CreateEffectList(MainScreen &screen, QWidget *window)
{
    const Bitmap &bg = screen.background;
    for (int i = 0; i < kEffectCount; ++i) {
        CreateListButton(screen.effectButtons[i], window, bg, kLedSection, QString::number(i + 1));
        screen.effectButtons[i].SetTextColors(RGB(136, 138, 138), RGB(136, 138, 138), RGB(234, 10, 42));
    }
    const SkinEntry firstEffect = ReadSkinEntry(kLedSection, QStringLiteral("1"));
    screen.effectRowRect = firstEffect.rect;
    screen.firstEffectName = firstEffect.text;
    screen.effectButtons[0].SetChecked(true);

    const SkinEntry entry = ReadSkinEntry(kLedSection, QStringLiteral("21"));
    screen.effectListScroll.CreateSlider(window, entry.rect.left, entry.rect.top, entry.rect.right, entry.rect.bottom);
    ApplySliderPictures(screen.effectListScroll, entry, bg, 0, 6);
}

// The colour sliders and the ring (LED 22..28), the number and hex boxes
// with their hidden buttons (LED 31..34), the colour slots (LED 41..48) and
// the presets (LED 51..55).
void CreateColourControls(MainScreen &screen, QWidget *window)
{
    const Bitmap &bg = screen.background;
    CreateHorizontalSlider(screen.redSlider, kRedSliderId, window, bg, QStringLiteral("22"), 0, 255);
    CreateHorizontalSlider(screen.greenSlider, kGreenSliderId, window, bg, QStringLiteral("23"), 0, 255);
    CreateHorizontalSlider(screen.blueSlider, kBlueSliderId, window, bg, QStringLiteral("24"), 0, 255);
    CreateHorizontalSlider(screen.saturationSlider, kSaturationSliderId, window, bg, QStringLiteral("25"), 0, 100);
    CreateRing(screen.hueRing, window, QStringLiteral("28"));
    CreateHorizontalSlider(screen.valueSlider, kValueSliderId, window, bg, QStringLiteral("26"), 0, 255);
    CreateHorizontalSlider(screen.speedSlider, kSpeedSliderId, window, bg, QStringLiteral("27"), -2, 2);
    screen.redSlider.SetPos(255);

    CPngHSliderBar *components[] = {&screen.redSlider, &screen.greenSlider, &screen.blueSlider};
    for (std::size_t i = 0; i < std::size(components); ++i) {
        const QString key = QString::number(31 + i);
        CreateListButton(screen.numberBoxButtons[i], window, bg, kLedSection, key);
        SetWhiteColours(screen.numberBoxButtons[i]);
        CreateEditBox(screen.numberBoxes[i], window, key, true);
        const QString value = QString::number(components[i]->GetPos());
        screen.numberBoxes[i].setText(value);
        screen.numberBoxButtons[i].SetCaption(value, 0);
        screen.numberBoxButtons[i].hide();
    }

    CreateListButton(screen.hexBoxButton, window, bg, kLedSection, QStringLiteral("34"));
    SetWhiteColours(screen.hexBoxButton);
    screen.hexBoxButton.hide();
    CreateEditBox(screen.hexBox, window, QStringLiteral("34"), false);
    screen.hexBox.LimitText(6);
    screen.hexBox.SetHexMode();

    for (std::size_t i = 0; i < screen.colorSlots.size(); ++i) {
        CreateColorButton(screen.colorSlots[i], window, bg, QString::number(41 + i));
        screen.colorSlots[i].SetColor(255, 0, 0);
        screen.colorSlots[i].SetWhiteText();
    }

    struct Preset
    {
        int red, green, blue;
    };
    const Preset presetColours[] = {{255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}};
    static_assert(std::size(presetColours) == std::tuple_size_v<decltype(MainScreen::presets)>);
    for (std::size_t i = 0; i < std::size(presetColours); ++i) {
        CreateColorButton(screen.presets[i], window, bg, QString::number(51 + i));
        screen.presets[i].SetColor(presetColours[i].red, presetColours[i].green, presetColours[i].blue);
    }
}

// The uniform-colour toggle (LED 63) and the direction pair (LED 61, 62).
void CreateEffectOptionButtons(MainScreen &screen, QWidget *window)
{
    CreateListButton(screen.uniformToggle, window, screen.background, kLedSection, QStringLiteral("63"));
    SetWhiteColours(screen.uniformToggle);
    screen.uniformToggle.SetAlternateLook();

    for (std::size_t i = 0; i < screen.directionButtons.size(); ++i) {
        CreateListButton(screen.directionButtons[i], window, screen.background, kLedSection, QString::number(61 + i));
        SetWhiteColours(screen.directionButtons[i]);
    }
    screen.directionButtons[0].SetChecked(true);
}

// Where the window paints its labels: the union of LED_TEXT 0..20.
QRegion PaintedTextRegion()
{
    QRegion region;
    for (int key = 0; key <= 20; ++key) {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED_TEXT"), QString::number(key));
        if (!entry.rect.IsEmpty())
            region += entry.rect.ToQRect();
    }
    return region;
}

} // namespace

void BuildScreen(MainScreen &screen, QWidget *window, const ScreenContext &context)
{
    LoadSkinAndBackground(screen, window, context.languageId);
    ApplySkinFonts();
    // The controls, in creation order.
    CreateWindowAndProfileButtons(screen, window);
    CreateCategoryButtons(screen, window, context);
    CreateEffectList(screen, window);
    CreateColourControls(screen, window);
    CreateEffectOptionButtons(screen, window);
    screen.textRegion = PaintedTextRegion();
    ApplySkinFocusRing();
    DescribeScreenForAccessibility(screen);
}

CPngBtnMenu *BuildPopupMenu(QWidget *window, const CPngListBtn &clickedButton, int currentCategory, int deviceCount)
{
    const QPoint anchor = clickedButton.mapToGlobal(QPoint(clickedButton.width(), 0));
    auto *menu = new CPngBtnMenu(window);

    const QString menuName = QStringLiteral("Device");
    menu->SetRowHeight(24);
    menu->SetRowFontHeight(15);
    menu->SetRowTextLayout(5, 0);
    menu->SetPosition(anchor.x(), anchor.y());
    const QString normal = MenuNormalPicturePath(menuName);
    const QString over = MenuOverPicturePath(menuName);
    menu->SetItemImages(normal, over, over, normal);

    menu->AddItem(LookupSkinText(kAllDevicesItem), kAllDevicesItem, 0, true);
    const QString deviceName = LookupSkinText(49 + currentCategory);
    for (int d = 1; d <= deviceCount; ++d)
        menu->AddItem(deviceName + QString::number(d), kAllDevicesItem + d, 0, true);

    menu->CreateMenu(window);
    DescribeMenuForAccessibility(*menu);
    return menu;
}
