#pragma once
// The pictures of one skinned control and the picture file names a skin
// derives from a picture name. All files are below ApplicationDirectory and
// are found without regard to letter case.

#include "skin/Bitmap.h"

#include <QSize>
#include <QString>

// The four state pictures of a control, premultiplied, and optionally its
// mask (an empty bitmap when the set has none).
struct ImageSet
{
    Bitmap normal;
    Bitmap over;
    Bitmap down;
    Bitmap disable;
    Bitmap mask;
    // The mask file is there, whether or not it decoded: a present mask is
    // used (and a broken one reported) by the control.
    bool maskPresent = false;
};

enum class MaskRequest { None, Wanted };

// Loads the set of picture name `name`: base = ApplicationDirectory + "skins/"
// + name; normal from base + "_normal.png" (its size into `sizeOut`). With
// `onePicture` over, down and disable are the normal picture as well;
// otherwise each comes from base + "_over.png", "_down.png", "_disable.png"
// when that file exists, else from "_normal.png". With MaskRequest::Wanted the
// mask comes from base + "_mask.bmp" when that file exists. A file that does
// not decode gives an empty picture (0 x 0).
ImageSet LoadImageSet(const QString &name, bool onePicture, MaskRequest mask = MaskRequest::None,
                      QSize *sizeOut = nullptr);

// ApplicationDirectory + "skins/" + `fileName`.
QString SkinPicturePath(const QString &fileName);
// ApplicationDirectory + "skins/Pic/" + `fileName` (static pictures).
QString StaticPicturePath(const QString &fileName);
// ApplicationDirectory + "Skins/Menu/" + menu name + "_menu_normal.png" / "_menu_over.png".
QString MenuNormalPicturePath(const QString &menuName);
QString MenuOverPicturePath(const QString &menuName);

// True when the skin file exists (in any letter case).
bool SkinFileExists(const QString &path);

// The set name of a slider's or the hue ring's thumb: name + "_bar".
QString ThumbSetName(const QString &name);

// The tint template of a colour slot or preset: base + "_normal2.png" when
// that file exists, else `normal` (the set's normal picture).
Bitmap LoadTintSource(const QString &name, const Bitmap &normal);

// A list button whose picture name contains "btnPng" takes its state pictures
// from the set "btnPng" and its icon from the set named by the part after the
// first underscore ("btnPng_apply" -> frame "btnPng", icon "apply"). Names
// without "btnPng", or without an underscore or anything after it, have no
// icon and keep their own pictures.
struct ButtonPictureNames
{
    QString frame;
    QString icon; // empty: no icon
};
ButtonPictureNames SplitButtonPictureName(const QString &name);
