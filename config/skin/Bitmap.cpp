#include "skin/Bitmap.h"

void Bitmap::Attach(QImage image)
{
    if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
        image.convertTo(QImage::Format_ARGB32_Premultiplied); // in place when the depth allows
    image_ = std::move(image);
}
