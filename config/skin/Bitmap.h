#pragma once
// The bitmap that skin pictures, crops and off-screen surfaces are held in.
//
// Pixels are always 32-bit premultiplied ARGB (QImage::Format_ARGB32_Premultiplied,
// in memory blue, green, red, alpha), so every bitmap can be blended with its
// per-pixel alpha as it is. Rows run top-down. Copies share their pixels until
// one of them is written to.

#include <QImage>
#include <QSize>

class Bitmap
{
public:
    Bitmap() = default;
    // Takes the picture as with Attach().
    explicit Bitmap(QImage image) { Attach(std::move(image)); }

    bool IsEmpty() const { return image_.isNull(); }
    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    QSize Size() const { return IsEmpty() ? QSize(0, 0) : image_.size(); }

    const QImage &Image() const { return image_; }
    // Writable pixels; the format stays premultiplied ARGB32.
    QImage &Image() { return image_; }

    // Releases the picture held so far and holds `image` instead. Pictures in
    // another format are converted with Qt's own conversion, which is exact
    // only for opaque pictures: premultiply pictures with alpha with
    // PremultiplyFloor() first. A null image leaves the bitmap empty.
    void Attach(QImage image);
    void Release() { image_ = QImage(); }

private:
    QImage image_;
};
