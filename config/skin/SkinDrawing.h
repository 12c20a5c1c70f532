#pragma once
// Drawing the static pictures and labels that the skin places on the main
// window. The painter's font, pen and background mode are the caller's.

#include "skin/SkinEntry.h"

#include <QString>

class QPainter;

// Text format flags as the skin's callers pass them (the platform's text
// drawing codes): 17 = word break and centred, 16 = word break, left.
enum SkinTextFormat : int {
    kTextLeft = 0x0000,
    kTextCentre = 0x0001,
    kTextRight = 0x0002,
    kTextVCentre = 0x0004, // single-line texts only
    kTextBottom = 0x0008, // single-line texts only
    kTextWordBreak = 0x0010,
    kTextSingleLine = 0x0020,
    kTextNoClip = 0x0100,
};

// Qt's alignment and text flags for a combination of the codes above.
int QtTextFlags(int format);

// Each "\r\n" written in a skin value (backslash, r, backslash, n) becomes a
// space and a line break (" \r\n").
QString ExpandSkinLineBreaks(const QString &text);

// How far the top of a text rectangle moves down so that a line of
// `textHeight` sits in the middle of `rectHeight`: the difference halved,
// truncated toward zero (negative when the text is taller).
int SkinTextTopOffset(int rectHeight, int textHeight);

// Draws the picture named by the text of the skin entry (section, key):
// baseFolder + "skins/Pic/" + text, scaled to `rect` when given, else to the
// entry's rectangle. A missing or undecodable file draws nothing.
void DrawSkinPicture(const QString &section, const QString &key, QPainter &dc, const QString &baseFolder,
                     const RECT *rect = nullptr);

// Draws `text` (the entry's own text when `text` is empty) in the rectangle
// of the skin entry (section, key), its top moved down by
// SkinTextTopOffset(rectangle height, height of a line in the painter's
// font), with the format codes `format`.
void DrawSkinText(const QString &section, const QString &key, QPainter &dc, const QString &text, int format);
