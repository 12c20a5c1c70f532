#include "skin/Bitmap.h"

void Bitmap::Attach(QImage image)
{
    if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied); // in place when the depth allows
    image_ = std::move(image);
    companion_ = QImage();
}

void Bitmap::AttachCompanion(QImage image)
{
    companion_ = QImage();
    if (image.isNull() || image_.isNull() || image.size() != image_.size() * 2)
        return;
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    companion_ = std::move(image);
}
