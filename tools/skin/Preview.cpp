#include "Preview.h"

#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/SkinDrawing.h"
#include "skin/SkinEntry.h"
#include "skin/SkinFile.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

namespace {

struct Painter
{
    QPainter &p;
    QString face;

    void Picture(const Bitmap &bitmap, const RECT &at)
    {
        if (!bitmap.IsEmpty())
            p.drawImage(QPoint(at.left, at.top), bitmap.Image(), QRect(0, 0, at.Width(), at.Height()));
    }

    void Caption(const QString &text, const QRect &box, const QColor &colour, int height, int flags)
    {
        QFont font(face);
        font.setPixelSize(height);
        font.setWeight(QFont::Medium);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(box, flags | Qt::TextSingleLine, text);
    }

    void ListButton(const char *section, int key, bool checked, QColor normal, QColor pressed, int fontHeight = 15,
                    int align = 1)
    {
        const SkinEntry entry = ReadSkinEntry(QString::fromLatin1(section), QString::number(key));
        const ButtonPictureNames names = SplitButtonPictureName(entry.name);
        const ImageSet set = LoadImageSet(names.frame, entry.flag);
        Picture(checked ? set.down : set.normal, entry.rect);
        int iconWidth = 0;
        if (!names.icon.isEmpty()) {
            QSize iconSize;
            const ImageSet icon = LoadImageSet(names.icon, false, MaskRequest::None, &iconSize);
            p.drawImage(QPoint(entry.rect.left, entry.rect.top + (entry.rect.Height() - iconSize.height()) / 2),
                        icon.normal.Image());
            iconWidth = iconSize.width();
        }
        QRect box = entry.rect.ToQRect().adjusted(iconWidth, 0, 0, 0);
        int flags = Qt::AlignVCenter | (align == 0 ? Qt::AlignLeft : Qt::AlignHCenter);
        if (align == 8) {
            box.setBottom(box.bottom() - 2);
            flags = Qt::AlignHCenter | Qt::AlignBottom;
        }
        Caption(entry.text, box, checked ? pressed : normal, fontHeight, flags);
    }

    void Slider(int key, int position, int minimum, int maximum)
    {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QString::number(key));
        const ImageSet track = LoadImageSet(entry.name, entry.flag);
        QSize thumbSize;
        const ImageSet thumb = LoadImageSet(ThumbSetName(entry.name), entry.flag, MaskRequest::None, &thumbSize);
        const int w = entry.rect.Width();
        const int x = int(float(w - thumbSize.width()) / (maximum - minimum) * (position - minimum));
        const QPoint at(entry.rect.left, entry.rect.top);
        p.drawImage(at + QPoint(x, 0), track.normal.Image(), QRect(x, 0, w - x, entry.rect.Height()));
        p.drawImage(at, track.down.Image(), QRect(0, 0, x + thumbSize.width() / 2, entry.rect.Height()));
        p.drawImage(at + QPoint(x, 0), thumb.normal.Image());
    }

    void Swatch(int key, QColor colour, bool checked)
    {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QString::number(key));
        const ImageSet set = LoadImageSet(entry.name, entry.flag);
        QImage tinted = (checked ? set.down : set.normal).Image().copy(0, 0, entry.rect.Width(), entry.rect.Height());
        for (int y = 0; y < tinted.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(tinted.scanLine(y));
            for (int x = 0; x < tinted.width(); ++x) {
                const int h = qBlue(line[x]);
                line[x] = qRgba(int(colour.redF() * h), int(colour.greenF() * h), int(colour.blueF() * h), h);
            }
        }
        p.drawImage(QPoint(entry.rect.left, entry.rect.top), tinted);
    }

    void Edit(int key, const QString &text)
    {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QString::number(key));
        const ImageSet set = LoadImageSet(entry.name, entry.flag);
        Picture(set.normal, entry.rect);
        Caption(text, entry.rect.ToQRect(), Qt::white, 16, Qt::AlignCenter);
    }
};

} // namespace

bool WritePreview(const QString &skinFile, const QString &resourcesFolder, const QString &pngPath)
{
    PlatformPaths::SetApplicationDirectory(
        resourcesFolder.endsWith(QLatin1Char('/')) ? resourcesFolder : resourcesFolder + QLatin1Char('/'));
    SetSkinFile(skinFile);
    Bitmap background;
    QSize size;
    LoadPictureFile(SkinPicturePath(ReadSkinString(QStringLiteral("MAINSCREENNEW"), QStringLiteral("Main"))),
                    background, &size);
    if (background.IsEmpty())
        return false;
    QImage canvas = background.Image().copy();
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing, true);
    Painter paint {p, ReadSkinString(QStringLiteral("GLOBAL"), QStringLiteral("FONT"), QStringLiteral("Segoe UI"))};

    const QColor grey(153, 153, 153);
    for (int key : {1, 2, 4, 5})
        paint.ListButton("MAIN", key, false, grey, grey);
    paint.ListButton("MAIN", 6, true, grey, grey);
    paint.ListButton("MAIN", 7, false, grey, grey);
    for (int key = 21; key <= 24; ++key)
        paint.ListButton("MAIN", key, key == 21, QColor(100, 100, 100), Qt::white);
    paint.ListButton("MAIN", 11, true, Qt::black, Qt::white, 16, 8);

    const SkinEntry firstRow = ReadSkinEntry(QStringLiteral("LED"), QStringLiteral("1"));
    for (int r = 0; r < 8; ++r) {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QString::number(2 + r));
        RECT at = firstRow.rect;
        at.top += 37 * r;
        at.bottom += 37 * r;
        const ImageSet set = LoadImageSet(entry.name, entry.flag);
        paint.Picture(r == 0 ? set.down : (r == 2 ? set.over : set.normal), at);
        paint.Caption(entry.text, at.ToQRect(), r == 0 ? QColor(234, 10, 42) : QColor(136, 138, 138), 15,
                      Qt::AlignCenter);
    }
    {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QStringLiteral("21"));
        const ImageSet track = LoadImageSet(entry.name, entry.flag);
        const ImageSet thumb = LoadImageSet(ThumbSetName(entry.name), entry.flag);
        paint.Picture(track.normal, entry.rect);
        p.drawImage(QPoint(entry.rect.right - thumb.normal.Width(), entry.rect.top), thumb.normal.Image());
    }

    paint.Slider(22, 255, 0, 255);
    paint.Slider(23, 0, 0, 255);
    paint.Slider(24, 0, 0, 255);
    paint.Slider(25, 100, 0, 100);
    paint.Slider(26, 255, 0, 255);
    paint.Slider(27, 0, -2, 2);
    {
        const SkinEntry entry = ReadSkinEntry(QStringLiteral("LED"), QStringLiteral("28"));
        const ImageSet ring = LoadImageSet(entry.name, entry.flag, MaskRequest::Wanted);
        QSize thumbSize;
        const ImageSet thumb = LoadImageSet(ThumbSetName(entry.name), entry.flag, MaskRequest::None, &thumbSize);
        QImage face = CreateDib32(entry.rect.Width(), entry.rect.Height()).Image();
        {
            QPainter q(&face);
            q.drawImage(0, 0, ring.normal.Image());
            // Value 359 (pure red) sits at the 3 o'clock point.
            const int h = face.height();
            const int r = h / 2 - thumbSize.width() / 2 + 1;
            const double phi = 2 * 3.14159 * 269 / 359.0;
            const QPoint c(face.width() / 2 - int(std::sin(phi) * r), h / 2 + int(std::cos(phi) * r));
            q.drawImage(c - QPoint(thumbSize.width() / 2, thumbSize.height() / 2), thumb.normal.Image());
            q.setRenderHint(QPainter::Antialiasing, true);
            q.setPen(Qt::NoPen);
            q.setBrush(QColor(255, 0, 0));
            q.drawEllipse(QRect(face.width() / 2 - 12, h / 2 - 12, 24, 24));
        }
        if (const std::optional<QRegion> region = RegionFromMask(ring.mask))
            p.setClipRegion(region->translated(entry.rect.left, entry.rect.top));
        p.drawImage(QPoint(entry.rect.left, entry.rect.top), face);
        p.setClipping(false);
    }
    paint.Edit(31, QStringLiteral("255"));
    paint.Edit(32, QStringLiteral("0"));
    paint.Edit(33, QStringLiteral("0"));
    paint.Edit(34, QStringLiteral("FF0000"));
    const QColor slotColours[]
        = {Qt::red, QColor(255, 128, 0), Qt::yellow, Qt::green, Qt::cyan, Qt::blue, QColor(160, 0, 255), Qt::white};
    for (int i = 0; i < 8; ++i)
        paint.Swatch(41 + i, slotColours[i], i == 0);
    const QColor presets[] = {Qt::red, Qt::yellow, Qt::green, Qt::cyan, Qt::blue};
    for (int i = 0; i < 5; ++i)
        paint.Swatch(51 + i, presets[i], false);
    paint.ListButton("LED", 61, true, Qt::white, Qt::white);
    paint.ListButton("LED", 62, false, Qt::white, Qt::white);
    paint.ListButton("LED", 63, false, Qt::white, Qt::white);

    QFont font(paint.face);
    font.setPixelSize(15);
    font.setWeight(QFont::Medium);
    p.setFont(font);
    p.setPen(Qt::white);
    DrawSkinPicture(QStringLiteral("MAINPIC"), QStringLiteral("1"), p, PlatformPaths::ApplicationDirectory());
    DrawSkinPicture(QStringLiteral("MAINPIC"), QStringLiteral("2"), p, PlatformPaths::ApplicationDirectory());
    DrawSkinText(QStringLiteral("MAIN_TEXT"), QStringLiteral("VER"), p, QStringLiteral("v1.00.04"), 17);
    for (const char *key : {"1", "2", "3"})
        DrawSkinText(QStringLiteral("MAIN_TEXT"), QString::fromLatin1(key), p, QString(), 17);
    DrawSkinText(QStringLiteral("LED_TEXT"), QStringLiteral("2"), p,
                 firstRow.text.isEmpty() ? QString() : ReadSkinEntry(QStringLiteral("LED"), QStringLiteral("2")).text,
                 16);
    for (int key : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16})
        DrawSkinText(QStringLiteral("LED_TEXT"), QString::number(key), p, QString(), 16);
    p.end();
    return canvas.save(pngPath);
}
