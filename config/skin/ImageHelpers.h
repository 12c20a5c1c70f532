#pragma once
// Picture operations shared by the skin loader, the screen build and the
// skinned controls: loading pictures ready for alpha blending, cutting
// rectangles out of bitmaps, making 32-bit drawing surfaces and turning mask
// pictures into window shapes. Free functions without state; every bitmap
// belongs to the caller. User-interface thread only.
//
// Paths use '/' separators. A file that does not exist with the exact name is
// looked up without regard to letter case (CaseInsensitivePath).

#include "skin/Bitmap.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <QString>

#include <initializer_list>
#include <optional>
#include <span>

// Largest width or height of a bitmap that the helpers make. Bigger requests
// (from broken skin rectangles) give an empty bitmap instead of exhausting
// memory.
inline constexpr int kMaxBitmapSide = 16384;
// Largest area of a bitmap that the helpers make: a few times the whole
// window. Bigger requests give an empty bitmap and a warning.
inline constexpr qint64 kMaxBitmapPixels = 8 * 1024 * 1024;

// A straight-alpha picture (any format with alpha; converted to ARGB32 first)
// premultiplied the way every skin picture is: blue, green and red each become
// floor(component * alpha / 255), alpha stays. Qt's own conversion rounds
// instead, so this is done here pixel by pixel.
QImage PremultiplyFloor(const QImage &straight);

// Whether LoadImageFile() looks for 2x companions: by default when some
// screen has a device pixel ratio of 1.5 or more. SetCompanionLoading()
// overrides that (nullopt returns to the default).
bool LoadsCompanions();
void SetCompanionLoading(std::optional<bool> load);

// The name of the 2x companion of a picture file: "@2x" before the
// extension of the file name ("a/b.png" gives "a/b@2x.png", "a/b" gives
// "a/b@2x").
QString CompanionPath(const QString &path);

// Loads a state picture. Pictures with an alpha channel are premultiplied
// with PremultiplyFloor(); pictures without alpha keep their colours and are
// opaque. A file that is missing or does not decode leaves `target` empty and
// the size 0 x 0. `sizeOut` (optional) receives width and height (always
// those of the 1x picture). When LoadsCompanions(), a companion file
// (CompanionPath(), looked up the same way) of exactly twice the size is
// loaded the same way and carried as the bitmap's companion.
void LoadImageFile(const QString &path, Bitmap &target, QSize *sizeOut = nullptr);

// Loads the background picture: any format Qt decodes, held opaque (an alpha
// channel in the file is dropped). On failure `target` is left empty and the
// size is 0 x 0. A companion is loaded as LoadImageFile() does.
void LoadPictureFile(const QString &path, Bitmap &target, QSize *sizeOut = nullptr);

// A new 32-bit surface of width x height, every pixel transparent black
// (0, 0, 0, 0). `target` (optional) releases its picture and holds the new
// surface; the surface is also returned (sharing pixels with `target` until
// either is written to). Sizes below 1 or above kMaxBitmapSide, or an area
// above kMaxBitmapPixels, give an empty bitmap.
Bitmap CreateDib32(int width, int height, Bitmap *target = nullptr);

// Copies the rectangle left, top, right (exclusive), bottom (exclusive) of
// `source` into a new bitmap of (right - left) x (bottom - top) held by
// `target`. Parts of the rectangle outside the source come out transparent
// black. An empty source changes nothing, not even `target`; a rectangle
// without area (or too large, see kMaxBitmapSide and kMaxBitmapPixels)
// leaves `target` empty. A companion of the source is cropped to the same
// rectangle at twice the scale and carried by `target`.
void CropBitmap(Bitmap &target, const Bitmap &source, int left, int top, int right, int bottom);

// CropBitmap() of each listed source into the target at the same index; a
// null source, like an empty one, leaves its target as it was. Sources beyond
// the number of targets are not used.
void CropEach(std::span<Bitmap> targets, std::initializer_list<const Bitmap *> sources, int left, int top, int right,
              int bottom);

// The same as CropBitmap(). Every bitmap of this program is a 32-bit surface,
// so the two differ only in name; both are kept so that each caller says
// which kind of bitmap it relies on.
void CropToDib32(Bitmap &target, const Bitmap &source, int left, int top, int right, int bottom);

// The shape of a mask: every pixel whose blue, green and red are not all 255
// is inside, pure white is outside (alpha does not matter). Each row is
// scanned for runs of inside pixels and the answer is the union of these
// one-row runs. No region (nullopt) for an empty mask; an all-white mask gives
// an empty region.
std::optional<QRegion> RegionFromMask(const Bitmap &mask);
