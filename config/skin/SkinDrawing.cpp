#include "skin/SkinDrawing.h"

#include "framework/CaseInsensitivePath.h"

#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <climits>

int QtTextFlags(int format)
{
    int flags = 0;
    if (format & kTextCentre)
        flags |= Qt::AlignHCenter;
    else if (format & kTextRight)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if ((format & kTextSingleLine) && (format & kTextVCentre))
        flags |= Qt::AlignVCenter;
    else if ((format & kTextSingleLine) && (format & kTextBottom))
        flags |= Qt::AlignBottom;
    else
        flags |= Qt::AlignTop;
    if (format & kTextSingleLine)
        flags |= Qt::TextSingleLine;
    else if (format & kTextWordBreak)
        flags |= Qt::TextWordWrap;
    if (format & kTextNoClip)
        flags |= Qt::TextDontClip;
    return flags;
}

QString ExpandSkinLineBreaks(const QString &text)
{
    QString expanded = text;
    expanded.replace(QLatin1String("\\r\\n"), QLatin1String(" \r\n"));
    return expanded;
}

int SkinTextTopOffset(int rectHeight, int textHeight)
{
    return static_cast<int>((static_cast<long long>(rectHeight) - textHeight) / 2);
}

void DrawSkinPicture(const QString &section, const QString &key, QPainter &dc, const QString &baseFolder,
                     const RECT *rect)
{
    const SkinEntry entry = ReadSkinEntry(section, key, SkinEntryUse::Drawing);
    if (entry.text.isEmpty())
        return;
    QString name = entry.text;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QImageReader reader(CaseInsensitivePath::Resolve(baseFolder + QStringLiteral("skins/Pic/") + name));
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    if (picture.isNull())
        return;
    const RECT target = rect ? *rect : entry.rect;
    if (target.IsEmpty())
        return;
    dc.save();
    dc.setRenderHint(QPainter::SmoothPixmapTransform, true);
    dc.drawImage(target.ToQRect(), picture);
    dc.restore();
}

void DrawSkinText(const QString &section, const QString &key, QPainter &dc, const QString &text, int format)
{
    const SkinEntry entry = ReadSkinEntry(section, key, SkinEntryUse::Drawing);
    QString shown = ExpandSkinLineBreaks(text.isEmpty() ? entry.text : text);
    RECT rect = entry.rect;
    const int lineHeight = QFontMetrics(dc.font(), dc.device()).height();
    const long long top = static_cast<long long>(rect.top) + SkinTextTopOffset(rect.Height(), lineHeight);
    rect.top = static_cast<int>(std::clamp<long long>(top, INT_MIN, INT_MAX));
    if (rect.IsEmpty() || shown.isEmpty())
        return;
    // Qt breaks lines at '\n' alone; a '\r' would be drawn as a blank glyph.
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    dc.drawText(rect.ToQRect(), QtTextFlags(format), shown);
}
