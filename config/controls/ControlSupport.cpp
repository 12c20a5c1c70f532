#include "controls/ControlSupport.h"

#include <QPainter>
#include <QPoint>
#include <QRect>

#include <climits>
#include <cmath>

namespace {

QString &FontFace()
{
    static QString face = QStringLiteral("Segoe UI");
    return face;
}

} // namespace

int TruncToInt(double value, int nanValue)
{
    if (std::isnan(value))
        return nanValue;
    if (value >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (value <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(value);
}

void SetSkinFontFace(const QString &face)
{
    FontFace() = face;
}

QString SkinFontFace()
{
    return FontFace();
}

QFont MakeSkinFont(int pixelHeight, int weight)
{
    QFont font(FontFace());
    font.setPixelSize(pixelHeight > 0 ? pixelHeight : 1);
    font.setWeight(static_cast<QFont::Weight>(weight < 1 ? 400 : (weight > 1000 ? 1000 : weight)));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QColor ToQColor(COLORREF colour)
{
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

void BlendBitmap(QPainter &painter, int x, int y, const Bitmap &source)
{
    if (source.IsEmpty())
        return;
    painter.drawImage(x, y, source.Image());
}

void BlendBitmap(QPainter &painter, const QRect &target, const Bitmap &source, const QPoint &sourceTopLeft)
{
    if (source.IsEmpty() || target.isEmpty())
        return;
    painter.drawImage(target.topLeft(), source.Image(), QRect(sourceTopLeft, target.size()));
}
