#pragma once
// The pictures of the default skin, drawn with QPainter. Sizes come from the
// skin file, so pictures and rectangles always agree.

#include <QColor>
#include <QImage>
#include <QSize>
#include <QString>

#include <map>

namespace SkinArt {

inline const QColor kAccent(234, 10, 42);

// The four state pictures of a control, keyed by suffix ("normal", "over",
// "down", "disable"); other suffixes ("normal2", "mask") where a set has them.
using PictureSet = std::map<QString, QImage>;

// Pictures are drawn in the sizes given (logical pixels) at `ratio` device
// pixels per logical pixel: 1 for the ordinary files, 2 for the @2x ones.
// Masks are always 1x.
void SetPixelRatio(int ratio);
int PixelRatio();

QImage Background(QSize size);

PictureSet TileButton(QSize size); // profile tiles, LED switches
PictureSet PrimaryFrame(QSize size); // frame of the buttons with icons
PictureSet Icon(QSize size, const QString &glyph); // "apply", "reset"
PictureSet WindowButton(QSize size, const QString &glyph); // "min", "close", "lang"
PictureSet CategoryPill(QSize size);
PictureSet EffectRow(QSize size);
PictureSet SegmentButton(QSize size); // direction pair
PictureSet CheckBox(QSize size);
PictureSet Swatch(QSize size); // grey templates tinted by the program
// Edit boxes are drawn opaque over the piece of background they sit on.
PictureSet EditBox(const QImage &backgroundPiece);

enum class TrackFill { Red, Green, Blue, Saturation, Value, Accent };
PictureSet HorizontalTrack(QSize size, TrackFill fill);
PictureSet HorizontalThumb(QSize size);
PictureSet VerticalTrack(QSize size);
PictureSet VerticalThumb(QSize size);

// The hue ring (value = angle counter-clockwise from 3 o'clock), its mask
// (the ring band and the centre disc inside, white elsewhere) and its thumb.
PictureSet HueRing(QSize size, int bandWidth);
PictureSet RingThumb(QSize size);

// Rows of the drop-down menu: three identical 24-pixel bands, opaque.
PictureSet MenuRows(QSize size, int rowHeight);

QImage Logo(QSize size);
QImage DriveIllustration(QSize size);

} // namespace SkinArt
