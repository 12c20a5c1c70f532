#pragma once
// Names and roles that screen readers read for the controls of the main
// window and the device menu, from the texts of the skin in force (so in the
// window's language), and the skin's focus ring style.
//
// Texts the skin's labels and captions do not give come from its ACCESSIBLE
// section (MINIMISE, CLOSE, LANGUAGE, HUE, SLOT, PRESET, DEVICES; SLOT and
// PRESET with %1 for the number, %2..%4 for red, green and blue), with
// English defaults for skins that lack them. The focus ring is GLOBAL's
// FOCUSCOLOR (#RRGGBB) and FOCUSWIDTH (pixels).

struct MainScreen;
class CPngBtnMenu;

void DescribeScreenForAccessibility(MainScreen &screen);
void DescribeMenuForAccessibility(CPngBtnMenu &menu);
void ApplySkinFocusRing();
