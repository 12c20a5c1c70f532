#include "skin/MainScreen.h"

#include "controls/ControlSupport.h"
#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/SkinFile.h"

#include <QWidget>

#include <algorithm>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

QRect EntryQRect(const SkinEntry &entry)
{
    return QRect(entry.rect.left, entry.rect.top, entry.rect.Width(), entry.rect.Height());
}

void MoveTo(QWidget &control, const SkinEntry &entry)
{
    control.setGeometry(EntryQRect(entry));
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

    button.Create(QString(), window, EntryQRect(entry), 0, true);
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
    box.Create(window, EntryQRect(entry), 0, digitsOnly, true);
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
    ring.SetThumbImages(&thumb.normal, &thumb.disable, true);
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

void BuildScreen(MainScreen &screen, QWidget *window, const ScreenContext &context)
{
    // 1. The skin file of the language.
    SetSkinFile(SkinFileForLanguage(context.languageId));

    // 2. Background picture; the window takes its size.
    QSize backgroundSize;
    LoadPictureFile(SkinPicturePath(ReadSkinString(QStringLiteral("MAINSCREENNEW"), QStringLiteral("Main"))),
                    screen.background, &backgroundSize);
    window->setGeometry(0, 0, backgroundSize.width(), backgroundSize.height());
    window->setFixedSize(backgroundSize);

    // 3. Fonts: "FONT" is the face of every text; the other two are read only.
    const QString defaultFace = QStringLiteral("Segoe UI");
    SetSkinFontFace(ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONT"), defaultFace));
    ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONTEN"), defaultFace);
    ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONTNB"), defaultFace);

    const Bitmap &bg = screen.background;
    const QString main = QStringLiteral("MAIN");
    const QString led = QStringLiteral("LED");

    // 4. The controls, in creation order.
    CPngListBtn *windowButtons[]
        = {&screen.minimiseButton, &screen.closeButton, &screen.languageButton, &screen.applyButton,
           &screen.resetButton,    &screen.ledOnButton, &screen.ledOffButton};
    for (int i = 0; i < 7; ++i)
        CreateListButton(*windowButtons[i], window, bg, main, QString::number(i + 1));
    screen.languageButton.hide();

    for (int i = 0; i < 4; ++i) {
        CreateListButton(screen.profileButtons[i], window, bg, main, QString::number(21 + i));
        screen.profileButtons[i].SetTextColors(RGB(100, 100, 100), RGB(100, 100, 100), RGB(255, 255, 255));
    }
    screen.profileButtons[0].SetChecked(true);
    screen.minimiseButton.SetClickOnRelease();
    screen.closeButton.SetClickOnRelease();

    for (int i = 0; i < 4; ++i) {
        CPngListBtn &button = screen.categoryButtons[i];
        const SkinEntry entry = CreateListButton(button, window, bg, main, QString::number(11 + i));
        button.SetTextColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(255, 255, 255));
        button.SetFontHeight(16);
        button.SetTextAlign(8);
        button.hide();
        screen.categorySlots[i] = entry.rect;
    }

    // 5. Present categories fill the slots from the first one, without gaps.
    int shown = 0;
    for (int c = 0; c < 4; ++c) {
        if (std::find(context.categoryList.begin(), context.categoryList.end(), c) == context.categoryList.end())
            continue;
        CPngListBtn &button = screen.categoryButtons[c];
        button.show();
        const SkinRect &slot = screen.categorySlots[shown++];
        button.setGeometry(slot.ToQRect());
    }
    if (context.currentCategory >= 0 && context.currentCategory < 4)
        screen.categoryButtons[context.currentCategory].SetChecked(true);

    for (int i = 0; i < 15; ++i) {
        CreateListButton(screen.effectButtons[i], window, bg, led, QString::number(i + 1));
        screen.effectButtons[i].SetTextColors(RGB(136, 138, 138), RGB(136, 138, 138), RGB(234, 10, 42));
    }
    const SkinEntry firstEffect = ReadSkinEntry(led, QStringLiteral("1"));
    screen.effectRowRect = firstEffect.rect;
    screen.firstEffectName = firstEffect.text;
    screen.effectButtons[0].SetChecked(true);

    {
        const SkinEntry entry = ReadSkinEntry(led, QStringLiteral("21"));
        screen.effectListScroll.CreateSlider(window, entry.rect.left, entry.rect.top, entry.rect.right,
                                             entry.rect.bottom);
        ApplySliderPictures(screen.effectListScroll, entry, bg, 0, 6);
    }

    CreateHorizontalSlider(screen.redSlider, kRedSliderId, window, bg, QStringLiteral("22"), 0, 255);
    CreateHorizontalSlider(screen.greenSlider, kGreenSliderId, window, bg, QStringLiteral("23"), 0, 255);
    CreateHorizontalSlider(screen.blueSlider, kBlueSliderId, window, bg, QStringLiteral("24"), 0, 255);
    CreateHorizontalSlider(screen.saturationSlider, kSaturationSliderId, window, bg, QStringLiteral("25"), 0, 100);
    CreateRing(screen.hueRing, window, QStringLiteral("28"));
    CreateHorizontalSlider(screen.valueSlider, kValueSliderId, window, bg, QStringLiteral("26"), 0, 255);
    CreateHorizontalSlider(screen.speedSlider, kSpeedSliderId, window, bg, QStringLiteral("27"), -2, 2);
    screen.redSlider.SetPos(255);

    CPngHSliderBar *components[] = {&screen.redSlider, &screen.greenSlider, &screen.blueSlider};
    for (int i = 0; i < 3; ++i) {
        const QString key = QString::number(31 + i);
        CreateListButton(screen.numberBoxButtons[i], window, bg, led, key);
        SetWhiteColours(screen.numberBoxButtons[i]);
        CreateEditBox(screen.numberBoxes[i], window, key, true);
        const QString value = QString::number(components[i]->GetPos());
        screen.numberBoxes[i].setText(value);
        screen.numberBoxButtons[i].SetCaption(value, 0);
        screen.numberBoxButtons[i].hide();
    }

    CreateListButton(screen.hexBoxButton, window, bg, led, QStringLiteral("34"));
    SetWhiteColours(screen.hexBoxButton);
    screen.hexBoxButton.hide();
    CreateEditBox(screen.hexBox, window, QStringLiteral("34"), false);
    screen.hexBox.LimitText(6);
    screen.hexBox.SetHexMode();

    for (int i = 0; i < 8; ++i) {
        CreateColorButton(screen.colorSlots[i], window, bg, QString::number(41 + i));
        screen.colorSlots[i].SetColor(255, 0, 0);
        screen.colorSlots[i].SetWhiteText();
    }

    struct Preset
    {
        int red, green, blue;
    };
    const Preset presetColours[5] = {{255, 0, 0}, {255, 255, 0}, {0, 255, 0}, {0, 255, 255}, {0, 0, 255}};
    for (int i = 0; i < 5; ++i) {
        CreateColorButton(screen.presets[i], window, bg, QString::number(51 + i));
        screen.presets[i].SetColor(presetColours[i].red, presetColours[i].green, presetColours[i].blue);
    }

    CreateListButton(screen.uniformToggle, window, bg, led, QStringLiteral("63"));
    SetWhiteColours(screen.uniformToggle);
    screen.uniformToggle.SetAlternateLook();

    for (int i = 0; i < 2; ++i) {
        CreateListButton(screen.directionButtons[i], window, bg, led, QString::number(61 + i));
        SetWhiteColours(screen.directionButtons[i]);
    }
    screen.directionButtons[0].SetChecked(true);

    // 7. The region of the painted labels.
    screen.textRegion = QRegion();
    for (int key = 0; key <= 20; ++key) {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED_TEXT"), QString::number(key));
        if (!entry.rect.IsEmpty())
            screen.textRegion += entry.rect.ToQRect();
    }
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
    menu->SetItemImages(normal, over, over, normal, QString(), false);

    menu->AddItem(LookupSkinText(kAllDevicesItem), kAllDevicesItem, 0, true);
    const QString deviceName = LookupSkinText(49 + currentCategory);
    for (int d = 1; d <= deviceCount; ++d)
        menu->AddItem(deviceName + QString::number(d), kAllDevicesItem + d, 0, true);

    menu->CreateMenu(window);
    return menu;
}
