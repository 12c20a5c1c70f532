#include "skin/Bitmap.h"

void Bitmap::Attach(QImage image)
{
    if (!image.isNull() && image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image_ = std::move(image);
}
