// Any bytes as a skin file: the private-profile reader, the value parser and
// the mask scan must neither crash nor trip a sanitizer, and what they answer
// must keep its promised limits.

#include "skin/ImageHelpers.h"
#include "skin/PrivateProfile.h"
#include "skin/SkinEntry.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const PrivateProfile profile = PrivateProfile::FromBytes(bytes);
    for (const char *section : {"MAIN", "LED", "LED_TEXT", "FUNC_STRING", "GLOBAL"})
        for (const char *key : {"1", "21", "28", "30", "FONT", ""})
            if (const std::optional<QString> value
                = profile.Value(QString::fromLatin1(section), QString::fromLatin1(key))) {
                const SkinEntry control = ParseSkinEntry(*value);
                const SkinEntry drawing = ParseSkinEntry(*value, SkinEntryUse::Drawing);
                if (control.name.size() > kMaxSkinNameLength || control.text.size() > kMaxSkinControlTextLength)
                    std::abort();
                if (control.rect != drawing.rect || control.flag != drawing.flag
                    || !drawing.text.startsWith(control.text))
                    std::abort();
                (void)control.rect.ToQRect();
            }

    // The whole input as one value, in both readings of its bytes.
    const SkinEntry latin = ParseSkinEntry(QString::fromLatin1(bytes));
    const SkinEntry utf8 = ParseSkinEntry(PrivateProfile::DecodeText(bytes), SkinEntryUse::Drawing);
    if (latin.name.size() > kMaxSkinNameLength || utf8.name.size() > kMaxSkinNameLength)
        std::abort();

    // The bytes as the pixels of a small mask: the region lies inside it.
    if (size >= 4) {
        const int width = 1 + data[0] % 64;
        const int height = 1 + data[1] % 16;
        QImage mask(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t i = (size_t(y) * width + x) % size;
                const uint8_t v = data[i];
                mask.setPixel(x, y, v & 1 ? qRgba(255, 255, 255, 255) : qRgba(v, v, v, 255));
            }
        const std::optional<QRegion> region = RegionFromMask(Bitmap(mask));
        if (!region
            || !QRect(0, 0, width, height)
                    .contains(region->boundingRect().isEmpty() ? QRect(0, 0, 1, 1) : region->boundingRect()))
            std::abort();
    }
    return 0;
}
