#pragma once
// Keyboard focus over the main window's controls.
//
// Tab and Shift+Tab move through the stops in reading order (wrapping):
// category buttons, minimise, close, the profiles, the LED pair, the effect
// list, the colour slots, the uniform-colour toggle, the ring, each colour
// slider with its box, saturation, brightness, the hex box, the presets,
// speed, the direction pair, Reset, Apply. A stop is skipped while none of its
// controls can take the focus (hidden, disabled or out of the list's rows).
// A group (profiles, LED pair, effects, slots, presets, direction) is one
// stop: Tab enters it at its checked member, else at its first.
//
// Within a group the arrow keys move the focus to the previous or next member
// that can take it; Space then picks it. In the effect list Up and Down also
// pick, as a click on the neighbouring effect does, and scroll the list (as
// a drag of its scroll bar) when that effect is out of its rows.

#include <QWidget>

#include <vector>

struct MainScreen;

class KeyboardNavigation
{
public:
    // The screen must outlive the object.
    explicit KeyboardNavigation(MainScreen &screen);

    // Moves the focus to the stop after (before) the one of `from` (the
    // first (last) stop when `from` is none of them); false when no control
    // can take it.
    bool MoveFocus(bool forward, const QWidget *from);
    // An arrow key while a group member has the focus; false when not
    // handled.
    bool HandleGroupKey(int key);

    // One control per stop: the one Tab would focus now (null for stops that
    // are skipped).
    std::vector<QWidget *> TabStops() const;

private:
    struct Stop
    {
        std::vector<QWidget *> members;
        bool isGroup = false;
    };

    // The control of `stop` that Tab focuses now, or null.
    QWidget *Entry(const Stop &stop) const;
    // The stop holding `widget`, or -1.
    int StopOf(const QWidget *widget) const;
    bool StepEffect(int delta);

    MainScreen &screen;
    std::vector<Stop> stops;
    int effectStop = -1;
};

// Whether the control can take the keyboard focus now: shown, enabled and on
// the screen.
bool CanTakeKeyboardFocus(const QWidget &control);
