#include "controls/ControlSupport.h"

#include "skin/ImageHelpers.h"

#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QWidget>

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

QImage CreateFaceBuffer(const QWidget &widget)
{
    const qreal ratio = widget.devicePixelRatioF();
    if (ratio < 1.5)
        return CreateDib32(widget.width(), widget.height()).Image();
    Bitmap surface
        = CreateDib32(TruncToInt(std::ceil(widget.width() * ratio)), TruncToInt(std::ceil(widget.height() * ratio)));
    QImage buffer = surface.Image();
    if (!buffer.isNull())
        buffer.setDevicePixelRatio(ratio);
    return buffer;
}

bool DrawsCompanion(const QPainter &painter, const Bitmap &source)
{
    return source.HasCompanion() && painter.device() != nullptr && painter.device()->devicePixelRatioF() >= 1.5;
}

void BlendBitmap(QPainter &painter, int x, int y, const Bitmap &source)
{
    if (source.IsEmpty())
        return;
    if (DrawsCompanion(painter, source) && painter.device()->devicePixelRatioF() == 2.0)
        painter.drawImage(QPointF(x, y), source.Companion()); // Qt's quickest path: pixel for pixel
    else if (DrawsCompanion(painter, source))
        BlendBitmap(painter, QRect(QPoint(x, y), source.Size()), source, QPoint(0, 0));
    else
        painter.drawImage(x, y, source.Image());
}

void BlendBitmap(QPainter &painter, const QRect &target, const Bitmap &source, const QPoint &sourceTopLeft)
{
    if (source.IsEmpty() || target.isEmpty())
        return;
    if (!DrawsCompanion(painter, source)) {
        painter.drawImage(target.topLeft(), source.Image(), QRect(sourceTopLeft, target.size()));
        return;
    }
    // The same logical rectangle from the companion's finer pixels; at other
    // ratios than 2 they are resampled (smoothing costs several times more,
    // so it is left off where pixels map one to one).
    const QRectF from(QPointF(sourceTopLeft) * 2, QSizeF(target.size()) * 2);
    const bool resampled = painter.device()->devicePixelRatioF() != 2.0;
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, resampled);
    painter.drawImage(QRectF(target), source.Companion(), from);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}
