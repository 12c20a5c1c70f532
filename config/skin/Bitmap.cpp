#include "skin/Bitmap.h"

void Bitmap::Attach(QImage picture)
{
    if (!picture.isNull() && picture.format() != QImage::Format_ARGB32_Premultiplied)
        picture.convertTo(QImage::Format_ARGB32_Premultiplied); // in place when the depth allows
    image = std::move(picture);
    companion = QImage();
}

void Bitmap::AttachCompanion(QImage picture)
{
    companion = QImage();
    if (picture.isNull() || image.isNull() || picture.size() != image.size() * 2)
        return;
    if (picture.format() != QImage::Format_ARGB32_Premultiplied)
        picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(2.0);
    companion = std::move(picture);
}
