#include "skin/ImageHelpers.h"

#include "framework/CaseInsensitivePath.h"
#include "skin/PictureCache.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QRect>

#include <climits>
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

std::optional<bool> &CompanionLoadingOverride()
{
    static std::optional<bool> load;
    return load;
}

// The rectangle `wanted` of `from` as a new transparent-black surface of its
// size; the part outside `from` stays transparent. Null when the size is
// unusable.
QImage CopyRect(const QImage &from, const QRect &wanted)
{
    Bitmap crop = CreateDib32(wanted.width(), wanted.height());
    if (crop.IsEmpty())
        return {};
    const QRect covered = wanted.intersected(from.rect());
    QImage &to = crop.Image();
    for (int y = covered.top(); y <= covered.bottom(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(from.constScanLine(y)) + covered.left();
        auto *out = reinterpret_cast<QRgb *>(to.scanLine(y - wanted.top())) + (covered.left() - wanted.left());
        std::copy(in, in + covered.width(), out);
    }
    return to;
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

bool LoadsCompanions()
{
    if (const std::optional<bool> load = CompanionLoadingOverride())
        return *load;
    return qGuiApp != nullptr && qGuiApp->devicePixelRatio() >= 1.5;
}

void SetCompanionLoading(std::optional<bool> load)
{
    CompanionLoadingOverride() = load;
}

QString CompanionPath(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= slash + 1) // no extension, or a name that only starts with a dot
        return path + QStringLiteral("@2x");
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

namespace {

QImage DecodeOpaque(const QString &resolvedPath)
{
    QImage decoded = DecodeFile(resolvedPath);
    if (!decoded.isNull())
        decoded.convertTo(QImage::Format_RGB32); // opaque; alpha in the file is dropped
    return decoded;
}

// The companion of the picture at `path`, decoded by `decode`, when
// companions are wanted and the file exists.
template <typename Decode>
void AttachCompanionFile(const QString &path, Bitmap &target, Decode decode)
{
    if (target.IsEmpty() || path.isEmpty() || !LoadsCompanions())
        return;
    const QString companion = CaseInsensitivePath::Resolve(CompanionPath(path));
    if (QFileInfo(companion).isFile())
        target.AttachCompanion(decode(companion));
}

} // namespace

void LoadImageFile(const QString &path, Bitmap &target, QSize *sizeOut)
{
    target.Attach(StatePictures().Load(CaseInsensitivePath::Resolve(path)));
    AttachCompanionFile(path, target, [](const QString &resolved) { return StatePictures().Load(resolved); });
    SetSize(sizeOut, target);
}

void LoadPictureFile(const QString &path, Bitmap &target, QSize *sizeOut)
{
    target.Attach(path.isEmpty() ? QImage() : DecodeOpaque(CaseInsensitivePath::Resolve(path)));
    AttachCompanionFile(path, target, DecodeOpaque);
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
    // Only the part of the rectangle that lies on the source is copied; the
    // rest keeps the surface's transparent black.
    const QRect wanted(QPoint(left, top), QSize(int(width), int(height)));
    Bitmap crop(CopyRect(source.Image(), wanted));
    if (crop.IsEmpty())
        return;
    // The companion's rectangle, in its own pixels; one that does not fit
    // in int coordinates leaves the crop without a companion.
    const long long left2x = 2LL * left;
    const long long top2x = 2LL * top;
    if (source.HasCompanion() && left2x >= INT_MIN && top2x >= INT_MIN && left2x + 2 * width <= INT_MAX
        && top2x + 2 * height <= INT_MAX && SizeIsUsable(2 * width, 2 * height))
        crop.AttachCompanion(
            CopyRect(source.Companion(), QRect(int(left2x), int(top2x), int(2 * width), int(2 * height))));
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
