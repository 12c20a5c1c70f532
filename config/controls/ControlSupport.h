#pragma once
// Drawing and arithmetic shared by the skinned controls.

#include "framework/WinTypes.h"
#include "skin/Bitmap.h"

#include <QColor>
#include <QFont>
#include <QString>

#include <vector>

class QPainter;
class QPoint;
class QRect;
class QWidget;

// Truncation toward zero of a computed value, without undefined behaviour:
// values beyond the int range saturate and NaN gives `nanValue`.
int TruncToInt(double value, int nanValue = 0);

// The face name of all control text (the skin's "FONT" value), "Segoe UI"
// until the screen build sets it.
void SetSkinFontFace(const QString &face);
QString SkinFontFace();

// A font of the skin face with the given pixel height and weight (100..900).
QFont MakeSkinFont(int pixelHeight, int weight);

QColor ToQColor(COLORREF colour);

// A transparent paint buffer for the face of `widget`: the widget's size in
// pixels, or, when its device pixel ratio is 1.5 or more, that many device
// pixels per logical pixel (the buffer carries the ratio, so painters on it
// draw in logical coordinates). Empty when CreateDib32() refuses the size.
QImage CreateFaceBuffer(const QWidget &widget);

// Whether the blends below draw the companion of `source`: it has one and
// the painter's device has a pixel ratio of 1.5 or more.
bool DrawsCompanion(const QPainter &painter, const Bitmap &source);

// Blends `source` source-over (premultiplied alpha, constant alpha 255) with
// its top left corner at (x, y). An empty bitmap draws nothing. When
// DrawsCompanion(), the companion is drawn into the same logical rectangle.
void BlendBitmap(QPainter &painter, int x, int y, const Bitmap &source);
// Blends the part of `source` starting at `sourceTopLeft` into `target`
// (same size, no scaling).
void BlendBitmap(QPainter &painter, const QRect &target, const Bitmap &source, const QPoint &sourceTopLeft);

// Group selection over `count` buttons: the first button whose window is
// `handle` becomes checked and every other one unchecked (SetChecked is
// called on all of them). Answers its index, also through `indexOut`; -1 and
// nothing changed when no button has that handle.
template <class Button>
int SelectButtonIn(Button *const *buttons, int count, LPARAM handle, int *indexOut)
{
    int found = -1;
    for (int i = 0; buttons != nullptr && i < count && found < 0; ++i)
        if (buttons[i] != nullptr && buttons[i]->Handle() == handle)
            found = i;
    if (found < 0)
        return -1;
    for (int i = 0; i < count; ++i)
        if (buttons[i] != nullptr)
            buttons[i]->SetChecked(i == found);
    if (indexOut != nullptr)
        *indexOut = found;
    return found;
}

// The same over an array of `count` buttons (none when `buttons` is null).
template <class Button>
int SelectButtonInArray(Button *buttons, int count, LPARAM handle, int *indexOut)
{
    std::vector<Button *> all;
    for (int i = 0; buttons != nullptr && i < count; ++i)
        all.push_back(&buttons[i]);
    return SelectButtonIn(all.data(), static_cast<int>(all.size()), handle, indexOut);
}
