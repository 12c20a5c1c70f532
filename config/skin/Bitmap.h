#pragma once
// The bitmap that skin pictures, crops and off-screen surfaces are held in.
//
// Pixels are always 32-bit premultiplied ARGB (QImage::Format_ARGB32_Premultiplied,
// in memory blue, green, red, alpha), so every bitmap can be blended with its
// per-pixel alpha as it is. Rows run top-down. Copies share their pixels until
// one of them is written to.
//
// A bitmap may also carry a companion: the same picture drawn at twice the
// width and height, for screens with a device pixel ratio of 1.5 or more.
// All geometry (sizes, crops, masks, hit tests) is that of the 1x picture;
// the companion only gives finer pixels where it is drawn.

#include <QImage>
#include <QSize>

class Bitmap
{
public:
    Bitmap() = default;
    // Takes the picture as with Attach().
    explicit Bitmap(QImage picture) { Attach(std::move(picture)); }

    bool IsEmpty() const { return image.isNull(); }
    int Width() const { return image.width(); }
    int Height() const { return image.height(); }
    QSize Size() const { return IsEmpty() ? QSize(0, 0) : image.size(); }

    const QImage &Image() const { return image; }
    // Writable pixels; the format stays premultiplied ARGB32. The companion
    // is dropped, since it would no longer show the same picture.
    QImage &Image()
    {
        companion = QImage();
        return image;
    }

    // The 2x companion (device pixel ratio 2, premultiplied ARGB32), or a
    // null image when there is none.
    const QImage &Companion() const { return companion; }
    bool HasCompanion() const { return !companion.isNull(); }
    // Holds `picture` as the companion when it is exactly twice the size of
    // the 1x picture; anything else (or a null image) leaves no companion.
    // Converted like Attach() does.
    void AttachCompanion(QImage picture);

    // Releases the picture held so far and holds `picture` instead. Pictures in
    // another format are converted with Qt's own conversion, which is exact
    // only for opaque pictures: premultiply pictures with alpha with
    // PremultiplyFloor() first. A null image leaves the bitmap empty.
    void Attach(QImage picture);
    void Release()
    {
        image = QImage();
        companion = QImage();
    }

private:
    QImage image;
    QImage companion;
};
