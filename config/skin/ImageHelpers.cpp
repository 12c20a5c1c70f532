#include "skin/ImageHelpers.h"

#include "framework/CaseInsensitivePath.h"
#include "skin/PictureCache.h"

#include <QImageReader>
#include <QRect>

#include <vector>

namespace {

QImage DecodeFile(const QString &resolvedPath)
{
    if (resolvedPath.isEmpty())
        return {};
    QImageReader reader(resolvedPath);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

QImage Premultiplied(const QImage &decoded)
{
    if (decoded.isNull())
        return {};
    if (decoded.hasAlphaChannel())
        return PremultiplyFloor(decoded);
    // Opaque: Qt's conversion only adds alpha 255.
    return decoded.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

PictureCache &StatePictures()
{
    static PictureCache cache(PictureCache::kDefaultMaxBytes,
                              [](const QString &resolved) { return Premultiplied(DecodeFile(resolved)); });
    return cache;
}

// Bitmaps made from skin rectangles: a broken rectangle must not take
// gigabytes (five crops per button).
bool SizeIsUsable(long long width, long long height)
{
    if (width <= 0 || height <= 0)
        return false;
    if (width <= kMaxBitmapSide && height <= kMaxBitmapSide && width * height <= kMaxBitmapPixels)
        return true;
    qWarning("skin bitmap of %lld x %lld pixels refused: larger than %d pixels per side or %lld pixels", width, height,
             kMaxBitmapSide, static_cast<long long>(kMaxBitmapPixels));
    return false;
}

void SetSize(QSize *sizeOut, const Bitmap &bitmap)
{
    if (sizeOut)
        *sizeOut = bitmap.Size();
}

// Runs of inside pixels of one mask row as half-open [start, end) pairs.
void ScanRow(const QRgb *row, int width, std::vector<int> &runs)
{
    runs.clear();
    int x = 0;
    while (x < width) {
        const int start = x;
        while (x < width && (row[x] & 0x00FFFFFFu) != 0x00FFFFFFu)
            ++x;
        if (x > start) {
            runs.push_back(start);
            runs.push_back(x);
        }
        ++x; // past the white pixel that ended the run
    }
}

} // namespace

QImage PremultiplyFloor(const QImage &straight)
{
    if (straight.isNull())
        return {};
    QImage image = straight.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = line[x];
            const unsigned a = qAlpha(p);
            line[x] = qRgba(int(qRed(p) * a / 255), int(qGreen(p) * a / 255), int(qBlue(p) * a / 255), int(a));
        }
    }
    image.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    return image;
}

void LoadImageFile(const QString &path, Bitmap &target, QSize *sizeOut)
{
    target.Attach(StatePictures().Load(CaseInsensitivePath::Resolve(path)));
    SetSize(sizeOut, target);
}

void LoadPictureFile(const QString &path, Bitmap &target, QSize *sizeOut)
{
    QImage decoded = path.isEmpty() ? QImage() : DecodeFile(CaseInsensitivePath::Resolve(path));
    if (!decoded.isNull())
        decoded.convertTo(QImage::Format_RGB32); // opaque; alpha in the file is dropped
    target.Attach(std::move(decoded));
    SetSize(sizeOut, target);
}

Bitmap CreateDib32(int width, int height, Bitmap *target)
{
    Bitmap surface;
    if (SizeIsUsable(width, height)) {
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        if (!image.isNull()) {
            image.fill(0);
            surface.Attach(std::move(image));
        }
    }
    if (target)
        *target = surface;
    return surface;
}

void CropBitmap(Bitmap &target, const Bitmap &source, int left, int top, int right, int bottom)
{
    if (source.IsEmpty())
        return;
    target.Release();
    const long long width = static_cast<long long>(right) - left;
    const long long height = static_cast<long long>(bottom) - top;
    if (!SizeIsUsable(width, height))
        return;
    Bitmap crop = CreateDib32(int(width), int(height));
    if (crop.IsEmpty())
        return;
    // Only the part of the rectangle that lies on the source is copied; the
    // rest keeps the surface's transparent black.
    const QRect wanted(QPoint(left, top), QSize(int(width), int(height)));
    const QRect covered = wanted.intersected(source.Image().rect());
    const QImage &from = source.Image();
    QImage &to = crop.Image();
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(from.constScanLine(y)) + covered.left();
        auto *out = reinterpret_cast<QRgb *>(to.scanLine(y - top)) + (covered.left() - left);
        std::copy(in, in + covered.width(), out);
    }
    target = std::move(crop);
}

void CropEach(std::span<Bitmap> targets, std::initializer_list<const Bitmap *> sources, int left, int top, int right,
              int bottom)
{
    std::size_t i = 0;
    for (const Bitmap *source : sources) {
        if (i == targets.size())
            return;
        if (source != nullptr)
            CropBitmap(targets[i], *source, left, top, right, bottom);
        ++i;
    }
}

void CropToDib32(Bitmap &target, const Bitmap &source, int left, int top, int right, int bottom)
{
    CropBitmap(target, source, left, top, right, bottom);
}

std::optional<QRegion> RegionFromMask(const Bitmap &mask)
{
    if (mask.IsEmpty())
        return std::nullopt;

    // Rows with the same runs as the row above extend the band above instead
    // of starting a new one, which gives the region in Qt's canonical banded
    // form (sorted by y then x, bands as tall as possible) in one pass. Runs
    // of a row are separated by white pixels, so they never touch.
    const QImage &image = mask.Image();
    std::vector<QRect> rects;
    std::vector<int> bandRuns;
    std::vector<int> rowRuns;
    int bandTop = 0;
    int bandHeight = 0;
    auto closeBand = [&] {
        for (std::size_t i = 0; i + 1 < bandRuns.size(); i += 2)
            rects.emplace_back(bandRuns[i], bandTop, bandRuns[i + 1] - bandRuns[i], bandHeight);
        bandRuns.clear();
        bandHeight = 0;
    };
    for (int y = 0; y < image.height(); ++y) {
        ScanRow(reinterpret_cast<const QRgb *>(image.constScanLine(y)), image.width(), rowRuns);
        if (bandHeight > 0 && rowRuns == bandRuns) {
            ++bandHeight;
            continue;
        }
        closeBand();
        if (!rowRuns.empty()) {
            bandRuns.swap(rowRuns);
            bandTop = y;
            bandHeight = 1;
        }
    }
    closeBand();

    QRegion region;
    if (!rects.empty())
        region.setRects(rects.data(), int(rects.size()));
    return region;
}
