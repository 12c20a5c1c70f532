#pragma once
// What the main window shows for the chosen effect: the controls it can use,
// the effect list eight rows at a time, and the window's painted labels.

#include <QString>

class QPainter;
class QWidget;
struct EffectInfo;
struct MainScreen;

inline constexpr const char *kProgramVersion = "v1.00.04";
inline constexpr int kVisibleEffectRows = 8;
inline constexpr int kEffectRowPitch = 37;
inline constexpr int kLastEffectListOffset = 6;

// Shows only the controls of `effect`; colour slots up to the record's colour
// count (slot 0 alone for the single-colour effects). Asks for the labels and
// the ring's place (its well included) to be painted again.
void ApplyEffectLayout(MainScreen &screen, int effect, const EffectInfo &record, QWidget &window);

// Lists effects first + 1 .. first + 8 in the rows of the effect list; every
// other effect button (and effect 0 always) goes to an empty rectangle.
void LayoutEffectList(MainScreen &screen, int first);

// The first listed row that shows `effectId`.
int EffectListOffsetFor(int effectId);

// Paints the window's face: background, static pictures, version and labels
// (those of the effect's controls only).
void PaintMainWindow(QPainter &painter, const MainScreen &screen, int currentEffect, const QString &effectName);
