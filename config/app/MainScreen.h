#pragma once
// Every control of the main window, made from the skin by BuildScreen(), and
// the device menu made by BuildPopupMenu().

#include "controls/CClrEdit.h"
#include "controls/CColorBtn2.h"
#include "controls/CPngBtnMenu.h"
#include "controls/CPngHSliderBar.h"
#include "controls/CPngListBtn.h"
#include "controls/CPngRSliderBar2.h"
#include "controls/CPngVSliderBar.h"
#include "skin/Bitmap.h"
#include "skin/SkinEntry.h"

#include <QRegion>
#include <QString>

#include <array>
#include <vector>

class QWidget;

// Slider identifiers, reported as the lParam of UM_SLIDER_POS.
inline constexpr int kEffectListScrollId = 10001;
inline constexpr int kRedSliderId = 10002;
inline constexpr int kGreenSliderId = 10003;
inline constexpr int kBlueSliderId = 10004;
inline constexpr int kSaturationSliderId = 10005;
inline constexpr int kHueRingId = 10006;
inline constexpr int kValueSliderId = 10007;
inline constexpr int kSpeedSliderId = 10008;

// Device menu items: "all devices", then device d as kAllDevicesItem + d.
inline constexpr int kAllDevicesItem = 48;

struct MainScreen
{
    Bitmap background;
    QRegion textRegion; // where the painted labels go
    std::array<RECT, 4> categorySlots {}; // MAIN 11..14
    RECT effectRowRect; // first visible effect row (LED 1)
    QString firstEffectName; // text of LED 1

    // MAIN 1..7
    CPngListBtn minimiseButton, closeButton, languageButton, applyButton, resetButton, ledOnButton, ledOffButton;
    std::array<CPngListBtn, 4> profileButtons; // MAIN 21..24
    std::array<CPngListBtn, 4> categoryButtons; // MAIN 11..14
    std::array<CPngListBtn, 16> effectButtons; // LED 1..15: effects 0..14; the 16th is never a window
    CPngVSliderBar effectListScroll; // LED 21
    CPngHSliderBar redSlider, greenSlider, blueSlider; // LED 22..24
    CPngHSliderBar saturationSlider; // LED 25
    CPngRSliderBar2 hueRing; // LED 28
    CPngHSliderBar valueSlider; // LED 26
    CPngHSliderBar speedSlider; // LED 27
    std::array<CPngListBtn, 3> numberBoxButtons; // LED 31..33, hidden
    std::array<CClrEdit, 3> numberBoxes; // LED 31..33: red, green, blue
    CPngListBtn hexBoxButton; // LED 34, hidden
    CClrEdit hexBox; // LED 34
    std::array<CColorBtn2, 8> colorSlots; // LED 41..48
    std::array<CColorBtn2, 5> presets; // LED 51..55
    CPngListBtn uniformToggle; // LED 63
    std::array<CPngListBtn, 2> directionButtons; // LED 61, 62

    // The sliders of the colour editor by identifier (10002..10007 but the
    // ring); null for any other identifier.
    CPngHSliderBar *ColorSlider(int id);
};

// What the screen build needs to know of the window's state.
struct ScreenContext
{
    int languageId = 0; // selects the skin file
    std::vector<int> categoryList; // categories offered, in order
    int currentCategory = 1;
};

// Reads the skin file of the language and makes every control of `screen` a
// child window of `window`, with its pictures, caption, colours and place;
// sizes `window` to the background picture. Missing keys and pictures give
// empty rectangles and pictures; windows are still made.
void BuildScreen(MainScreen &screen, QWidget *window, const ScreenContext &context);

// The device menu under `clickedButton`: "all devices" (item 48) and one item
// per device (48 + d, d = 1..deviceCount). The caller owns the menu.
CPngBtnMenu *BuildPopupMenu(QWidget *window, const CPngListBtn &clickedButton, int currentCategory, int deviceCount);
