#include "SkinArt.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace SkinArt {
namespace {

const QColor kWindow(16, 18, 22);
const QColor kWindowBottom(13, 14, 18);
const QColor kHeader(10, 11, 14);
const QColor kPanel(23, 26, 32);
const QColor kPanelBorder(36, 40, 48);
const QColor kLine(34, 38, 46);

int pixelRatio = 1;

// A surface of `size` logical pixels at the current ratio, filled with
// `fill`.
QImage Surface(QSize size, QImage::Format format, const QColor &fill)
{
    QImage image(size * pixelRatio, format);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(fill);
    return image;
}

QImage Canvas(QSize size)
{
    return Surface(size, QImage::Format_ARGB32_Premultiplied, Qt::transparent);
}

QColor Alpha(QColor colour, int alpha)
{
    colour.setAlpha(alpha);
    return colour;
}

void Box(QPainter &p, const QRectF &rect, qreal radius, const QBrush &fill, const QColor &border, qreal width = 1.0)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(fill);
    if (border.alpha() > 0 && width > 0)
        p.setPen(QPen(border, width));
    else
        p.setPen(Qt::NoPen);
    const qreal inset = border.alpha() > 0 ? width / 2 : 0;
    p.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), radius, radius);
}

QLinearGradient Vertical(const QRectF &rect, const QColor &top, const QColor &bottom)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    return gradient;
}

QImage Tile(QSize size, qreal radius, const QBrush &fill, const QColor &border, qreal width = 1.0)
{
    QImage image = Canvas(size);
    QPainter p(&image);
    Box(p, QRectF(QPointF(0, 0), QSizeF(size)), radius, fill, border, width);
    return image;
}

QBrush AccentFill(QSize size, int lighten = 0)
{
    const QRectF r(QPointF(0, 0), QSizeF(size));
    return Vertical(r, kAccent.lighter(118 + lighten), kAccent.darker(118 - lighten / 2));
}

void Glyph(QPainter &p, const QString &glyph, const QRectF &area, const QColor &colour)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(colour, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QPointF c = area.center();
    const qreal s = std::min(area.width(), area.height()) / 2;
    if (glyph == QLatin1String("min")) {
        p.drawLine(QPointF(c.x() - s * 0.45, c.y() + s * 0.1), QPointF(c.x() + s * 0.45, c.y() + s * 0.1));
    } else if (glyph == QLatin1String("close")) {
        const qreal d = s * 0.4;
        p.drawLine(QPointF(c.x() - d, c.y() - d), QPointF(c.x() + d, c.y() + d));
        p.drawLine(QPointF(c.x() + d, c.y() - d), QPointF(c.x() - d, c.y() + d));
    } else if (glyph == QLatin1String("lang")) {
        pen.setWidthF(1.6);
        p.setPen(pen);
        const qreal r = s * 0.55;
        p.drawEllipse(c, r, r);
        p.drawEllipse(c, r * 0.45, r);
        p.drawLine(QPointF(c.x() - r, c.y()), QPointF(c.x() + r, c.y()));
    } else if (glyph == QLatin1String("apply")) {
        QPainterPath tick;
        tick.moveTo(c.x() - s * 0.42, c.y() + s * 0.02);
        tick.lineTo(c.x() - s * 0.12, c.y() + s * 0.32);
        tick.lineTo(c.x() + s * 0.45, c.y() - s * 0.3);
        p.drawPath(tick);
    } else if (glyph == QLatin1String("reset")) {
        const qreal r = s * 0.4;
        const QRectF arc(c.x() - r, c.y() - r, 2 * r, 2 * r);
        p.drawArc(arc, 100 * 16, 290 * 16);
        // Arrow head at the arc's start (upper left).
        const qreal a = 100.0 * M_PI / 180.0;
        const QPointF tip(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
        p.drawLine(tip, tip + QPointF(s * 0.28, -s * 0.02));
        p.drawLine(tip, tip + QPointF(s * 0.06, s * 0.26));
    } else if (glyph == QLatin1String("bulb")) {
        pen.setWidthF(1.5);
        p.setPen(pen);
        const qreal r = s * 0.5;
        p.drawEllipse(QPointF(c.x(), c.y() - s * 0.15), r, r);
        p.drawLine(QPointF(c.x() - r * 0.5, c.y() + s * 0.5), QPointF(c.x() + r * 0.5, c.y() + s * 0.5));
        p.drawLine(QPointF(c.x() - r * 0.4, c.y() + s * 0.72), QPointF(c.x() + r * 0.4, c.y() + s * 0.72));
    }
}

// One pass of the band of a horizontal track: a rounded bar across the
// middle, leaving half a thumb free at either end.
void TrackBar(QPainter &p, QSize size, const QBrush &brush)
{
    const qreal thickness = 6;
    const QRectF bar(2, (size.height() - thickness) / 2.0, size.width() - 4, thickness);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRoundedRect(bar, thickness / 2, thickness / 2);
}

} // namespace

void SetPixelRatio(int ratio)
{
    pixelRatio = std::max(1, ratio);
}

int PixelRatio()
{
    return pixelRatio;
}

QImage Background(QSize size)
{
    QImage image = Surface(size, QImage::Format_RGB32, Qt::black);
    QPainter p(&image);
    const QRectF all(QPointF(0, 0), QSizeF(size));
    p.fillRect(all, Vertical(all, kWindow, kWindowBottom));

    // Title band (the window is dragged by it) with an accent underline.
    p.fillRect(QRectF(0, 0, size.width(), 56), kHeader);
    p.fillRect(QRectF(0, 55, size.width(), 1), kLine);
    QLinearGradient glow(0, 0, 420, 0);
    glow.setColorAt(0, kAccent);
    glow.setColorAt(1, Alpha(kAccent, 0));
    p.fillRect(QRectF(0, 54, 420, 2), glow);

    // Profile column, effect list, editor.
    const QRectF panels[] = {QRectF(8, 64, 76, 556), QRectF(90, 64, 160, 556), QRectF(258, 64, 734, 556)};
    for (const QRectF &panel : panels)
        Box(p, panel, 10, kPanel, kPanelBorder);

    // Separators: LED switch below the profiles; speed and direction below
    // the colour editor; the buttons at the bottom.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRectF(16, 306, 60, 1), kLine);
    p.fillRect(QRectF(276, 470, 700, 1), kLine);
    p.fillRect(QRectF(276, 548, 700, 1), kLine);
    p.fillRect(QRectF(98, 430, 144, 1), kLine);
    Glyph(p, QStringLiteral("bulb"), QRectF(36, 312, 20, 20), QColor(120, 124, 132));
    // The dark well inside the hue ring belongs to the ring's picture: effects
    // without colours hide the ring and show a clean panel.
    return image;
}

PictureSet TileButton(QSize size)
{
    return {
        {QStringLiteral("normal"), Tile(size, 8, QColor(255, 255, 255, 10), QColor(255, 255, 255, 30))},
        {QStringLiteral("over"), Tile(size, 8, QColor(255, 255, 255, 26), QColor(255, 255, 255, 70))},
        {QStringLiteral("down"), Tile(size, 8, AccentFill(size), kAccent.lighter(140))},
        {QStringLiteral("disable"), Tile(size, 8, QColor(255, 255, 255, 5), QColor(255, 255, 255, 14))},
    };
}

PictureSet PrimaryFrame(QSize size)
{
    return {
        {QStringLiteral("normal"), Tile(size, 8, QColor(234, 10, 42, 28), Alpha(kAccent, 200), 1.5)},
        {QStringLiteral("over"), Tile(size, 8, AccentFill(size, 10), kAccent.lighter(150), 1.5)},
        {QStringLiteral("down"), Tile(size, 8, AccentFill(size, -10), kAccent.darker(130), 1.5)},
        {QStringLiteral("disable"), Tile(size, 8, QColor(255, 255, 255, 6), QColor(255, 255, 255, 24), 1.5)},
    };
}

PictureSet Icon(QSize size, const QString &glyph)
{
    auto draw = [&](const QColor &colour) {
        QImage image = Canvas(size);
        QPainter p(&image);
        // The glyph sits right of centre: the caption follows it.
        const qreal side = std::min(size.width(), size.height()) * 0.55;
        Glyph(p, glyph, QRectF(size.width() - side - 4, (size.height() - side) / 2, side, side), colour);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(200, 200, 204))},
        {QStringLiteral("over"), draw(Qt::white)},
        {QStringLiteral("down"), draw(QColor(230, 230, 230))},
    };
}

PictureSet WindowButton(QSize size, const QString &glyph)
{
    const bool close = glyph == QLatin1String("close");
    auto draw = [&](const QBrush &fill, const QColor &colour) {
        QImage image = Canvas(size);
        QPainter p(&image);
        Box(p, QRectF(QPointF(0, 0), QSizeF(size)).adjusted(2, 2, -2, -2), 6, fill, Qt::transparent);
        Glyph(p, glyph, QRectF(QPointF(0, 0), QSizeF(size)).adjusted(6, 6, -6, -6), colour);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(Qt::transparent, QColor(153, 153, 153))},
        {QStringLiteral("over"), draw(close ? QBrush(kAccent) : QBrush(QColor(255, 255, 255, 28)), Qt::white)},
        {QStringLiteral("down"),
         draw(close ? QBrush(kAccent.darker(130)) : QBrush(QColor(255, 255, 255, 16)), QColor(220, 220, 220))},
        {QStringLiteral("disable"), draw(Qt::transparent, QColor(80, 80, 84))},
    };
}

PictureSet CategoryPill(QSize size)
{
    // Dark captions on light pills; the chosen category shows white on red.
    const qreal radius = size.height() / 2.0;
    const QRectF r(QPointF(0, 0), QSizeF(size));
    return {
        {QStringLiteral("normal"),
         Tile(size, radius, Vertical(r, QColor(222, 225, 230), QColor(196, 200, 207)), Qt::transparent)},
        {QStringLiteral("over"),
         Tile(size, radius, Vertical(r, QColor(240, 242, 245), QColor(216, 219, 225)), Qt::transparent)},
        {QStringLiteral("down"), Tile(size, radius, AccentFill(size), kAccent.lighter(140))},
        {QStringLiteral("disable"), Tile(size, radius, QColor(90, 94, 102), Qt::transparent)},
    };
}

PictureSet EffectRow(QSize size)
{
    auto draw = [&](const QColor &fill, bool marker) {
        QImage image = Canvas(size);
        QPainter p(&image);
        Box(p, QRectF(QPointF(0, 0), QSizeF(size)), 6, fill, Qt::transparent);
        if (marker) {
            p.setBrush(kAccent);
            p.drawRoundedRect(QRectF(0, 6, 3, size.height() - 12), 1.5, 1.5);
        }
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(255, 255, 255, 0), false)},
        {QStringLiteral("over"), draw(QColor(255, 255, 255, 18), false)},
        {QStringLiteral("down"), draw(QColor(234, 10, 42, 34), true)},
        {QStringLiteral("disable"), draw(QColor(255, 255, 255, 0), false)},
    };
}

PictureSet SegmentButton(QSize size)
{
    return {
        {QStringLiteral("normal"), Tile(size, 6, QColor(255, 255, 255, 12), QColor(255, 255, 255, 36))},
        {QStringLiteral("over"), Tile(size, 6, QColor(255, 255, 255, 28), QColor(255, 255, 255, 80))},
        {QStringLiteral("down"), Tile(size, 6, AccentFill(size), kAccent.lighter(140))},
        {QStringLiteral("disable"), Tile(size, 6, QColor(255, 255, 255, 5), QColor(255, 255, 255, 14))},
    };
}

PictureSet CheckBox(QSize size)
{
    const QRectF box = QRectF(QPointF(0, 0), QSizeF(size)).adjusted(4, 4, -4, -4);
    auto draw = [&](const QBrush &fill, const QColor &border, bool tick) {
        QImage image = Canvas(size);
        QPainter p(&image);
        Box(p, box, 4, fill, border, 1.5);
        if (tick)
            Glyph(p, QStringLiteral("apply"), box.adjusted(1, 1, -1, -1), Qt::white);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(255, 255, 255, 8), QColor(150, 154, 162), false)},
        {QStringLiteral("over"), draw(QColor(255, 255, 255, 24), Qt::white, false)},
        {QStringLiteral("down"), draw(kAccent, kAccent.lighter(140), true)},
        {QStringLiteral("disable"), draw(Qt::transparent, QColor(70, 74, 80), false)},
    };
}

PictureSet Swatch(QSize size)
{
    // Grey level becomes both the swatch colour's strength and its alpha:
    // white = full colour, black = transparent. The chosen slot adds a ring.
    const QRectF all(QPointF(0, 0), QSizeF(size));
    const QRectF inner = all.adjusted(4, 4, -4, -4);
    auto draw = [&](bool ring, int grey) {
        QImage image = Canvas(size);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(Vertical(inner, QColor(grey, grey, grey), QColor(grey * 9 / 10, grey * 9 / 10, grey * 9 / 10)));
        p.drawRoundedRect(inner, 6, 6);
        if (ring) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(QColor(grey, grey, grey), 2));
            p.drawRoundedRect(all.adjusted(1, 1, -1, -1), 8, 8);
        }
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(false, 255)},  {QStringLiteral("normal2"), draw(false, 255)},
        {QStringLiteral("over"), draw(false, 255)},    {QStringLiteral("down"), draw(true, 255)},
        {QStringLiteral("disable"), draw(false, 140)},
    };
}

PictureSet EditBox(const QImage &backgroundPiece)
{
    auto draw = [&](const QColor &border) {
        QImage image = backgroundPiece.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QPainter p(&image);
        Box(p, QRectF(QPointF(0, 0), image.deviceIndependentSize()), 6, QColor(11, 12, 16), border, 1.0);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(48, 53, 63))},
        {QStringLiteral("over"), draw(QColor(90, 96, 108))},
        {QStringLiteral("down"), draw(kAccent)},
        {QStringLiteral("disable"), draw(QColor(34, 38, 46))},
    };
}

PictureSet HorizontalTrack(QSize size, TrackFill fill)
{
    const QRectF r(QPointF(0, 0), QSizeF(size));
    QBrush filled;
    switch (fill) {
    case TrackFill::Red:
        filled = QColor(236, 44, 56);
        break;
    case TrackFill::Green:
        filled = QColor(40, 200, 90);
        break;
    case TrackFill::Blue:
        filled = QColor(48, 118, 250);
        break;
    case TrackFill::Saturation: {
        QLinearGradient g(r.topLeft(), r.topRight());
        g.setColorAt(0, QColor(200, 200, 204));
        g.setColorAt(1, kAccent);
        filled = g;
        break;
    }
    case TrackFill::Value: {
        QLinearGradient g(r.topLeft(), r.topRight());
        g.setColorAt(0, QColor(30, 30, 34));
        g.setColorAt(1, QColor(250, 250, 250));
        filled = g;
        break;
    }
    case TrackFill::Accent:
        filled = kAccent;
        break;
    }
    auto draw = [&](const QBrush &brush) {
        QImage image = Canvas(size);
        QPainter p(&image);
        TrackBar(p, size, brush);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(255, 255, 255, 38))},
        {QStringLiteral("down"), draw(filled)},
        {QStringLiteral("disable"), draw(QColor(255, 255, 255, 16))},
    };
}

PictureSet HorizontalThumb(QSize size)
{
    auto draw = [&](const QColor &face, const QColor &ring) {
        QImage image = Canvas(size);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF all(QPointF(0, 0), QSizeF(size));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 90));
        p.drawEllipse(all.adjusted(0.5, 1.5, -0.5, 0.5));
        p.setBrush(face);
        p.setPen(QPen(ring, 2));
        p.drawEllipse(all.adjusted(2, 1.5, -2, -2.5));
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(240, 240, 242), QColor(255, 255, 255))},
        {QStringLiteral("over"), draw(Qt::white, kAccent.lighter(130))},
        {QStringLiteral("down"), draw(Qt::white, kAccent)},
        {QStringLiteral("disable"), draw(QColor(110, 112, 118), QColor(90, 92, 98))},
    };
}

PictureSet VerticalTrack(QSize size)
{
    auto draw = [&](const QColor &colour) {
        QImage image = Canvas(size);
        QPainter p(&image);
        Box(p, QRectF(QPointF(0, 0), QSizeF(size)), size.width() / 2.0, colour, Qt::transparent);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(255, 255, 255, 16))},
        {QStringLiteral("down"), draw(QColor(255, 255, 255, 16))},
        {QStringLiteral("disable"), draw(QColor(255, 255, 255, 8))},
    };
}

PictureSet VerticalThumb(QSize size)
{
    auto draw = [&](const QColor &colour) {
        QImage image = Canvas(size);
        QPainter p(&image);
        Box(p, QRectF(QPointF(0, 0), QSizeF(size)), size.width() / 2.0, colour, Qt::transparent);
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(255, 255, 255, 80))},
        {QStringLiteral("over"), draw(QColor(255, 255, 255, 140))},
        {QStringLiteral("down"), draw(kAccent)},
        {QStringLiteral("disable"), draw(QColor(255, 255, 255, 30))},
    };
}

PictureSet HueRing(QSize size, int bandWidth)
{
    // Every pixel is computed: hue = angle counter-clockwise from 3 o'clock,
    // full saturation and value; the ring's edges are anti-aliased by the
    // pixel's covered share of the band, taken at 4 x 4 sample points.
    // Distances are in device pixels; the mask is made at 1x only.
    const int r = pixelRatio;
    QImage ring(size * r, QImage::Format_ARGB32);
    QImage mask(r == 1 ? size : QSize(), QImage::Format_RGB888);
    const double cx = size.width() * r / 2.0;
    const double cy = size.height() * r / 2.0;
    const double outer = std::min(cx, cy);
    const double inner = outer - bandWidth * r;
    const double disc = 12.0 * r; // the program paints a disc of diameter 24 in the middle
    for (int y = 0; y < ring.height(); ++y) {
        for (int x = 0; x < ring.width(); ++x) {
            int covered = 0;
            for (int sy = 0; sy < 4; ++sy)
                for (int sx = 0; sx < 4; ++sx) {
                    const double px = x + (sx + 0.5) / 4 - cx;
                    const double py = y + (sy + 0.5) / 4 - cy;
                    const double d = std::hypot(px, py);
                    covered += (d >= inner && d <= outer) ? 1 : 0;
                }
            const double dx = x + 0.5 - cx;
            const double dy = y + 0.5 - cy;
            double angle = std::atan2(-dy, dx) * 180.0 / M_PI;
            if (angle < 0)
                angle += 360.0;
            QColor colour = QColor::fromHsvF(std::fmod(angle, 360.0) / 360.0, 1.0, 1.0);
            const int alpha = covered * 255 / 16;
            ring.setPixel(x, y,
                          alpha == 0 ? qRgba(0, 0, 0, 0) : qRgba(colour.red(), colour.green(), colour.blue(), alpha));
            const bool inside = covered > 0 || std::hypot(dx, dy) <= disc;
            if (r == 1)
                mask.setPixel(x, y, inside ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    // A dark well fills the open middle, under the band. The program paints
    // it with the window while the ring is shown; the ring itself is shaped to
    // its band and centre disc.
    {
        QPainter p(&ring);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOver);
        const QPointF centre(cx, cy);
        QRadialGradient well(centre, inner);
        well.setColorAt(0, QColor(12, 13, 17));
        well.setColorAt(0.85, QColor(18, 20, 25));
        well.setColorAt(1, kPanel);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(well);
        p.drawEllipse(centre, inner, inner);
    }
    PictureSet set {{QStringLiteral("normal"), ring}, {QStringLiteral("down"), ring}};
    if (r == 1)
        set.emplace(QStringLiteral("mask"), mask);
    return set;
}

PictureSet RingThumb(QSize size)
{
    auto draw = [&](const QColor &ring) {
        QImage image = Canvas(size);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        const QRectF all(QPointF(0, 0), QSizeF(size));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0, 0, 0, 160), 4));
        p.drawEllipse(all.adjusted(2, 2, -2, -2));
        p.setPen(QPen(ring, 2));
        p.drawEllipse(all.adjusted(2, 2, -2, -2));
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(Qt::white)},
        {QStringLiteral("disable"), draw(QColor(120, 120, 120))},
    };
}

PictureSet MenuRows(QSize size, int rowHeight)
{
    auto draw = [&](const QColor &fill, bool marker) {
        QImage image = Surface(size, QImage::Format_ARGB32_Premultiplied, QColor(27, 30, 37));
        QPainter p(&image);
        for (int top = 0; top < size.height(); top += rowHeight) {
            p.fillRect(QRect(0, top, size.width(), rowHeight), fill);
            p.fillRect(QRect(0, top + rowHeight - 1, size.width(), 1), QColor(40, 44, 53));
            p.fillRect(QRect(0, top, 1, rowHeight), QColor(52, 57, 68));
            p.fillRect(QRect(size.width() - 1, top, 1, rowHeight), QColor(52, 57, 68));
            if (marker)
                p.fillRect(QRect(1, top + 4, 3, rowHeight - 8), kAccent);
        }
        return image;
    };
    return {
        {QStringLiteral("normal"), draw(QColor(27, 30, 37), false)},
        {QStringLiteral("over"), draw(QColor(44, 48, 58), true)},
    };
}

QImage Logo(QSize size)
{
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QPointF c(size.width() / 2.0, size.height() / 2.0);
    const qreal r = std::min(size.width(), size.height()) / 2.0 - 2;
    QPainterPath hexagon;
    for (int i = 0; i < 6; ++i) {
        const qreal a = (60.0 * i - 90.0) * M_PI / 180.0;
        const QPointF point(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        i == 0 ? hexagon.moveTo(point) : hexagon.lineTo(point);
    }
    hexagon.closeSubpath();
    QConicalGradient spectrum(c, 90);
    for (int i = 0; i <= 6; ++i)
        spectrum.setColorAt(i / 6.0, QColor::fromHsvF(std::fmod(i / 6.0, 1.0), 0.85, 1.0));
    p.setPen(QPen(QBrush(spectrum), r * 0.16));
    p.setBrush(QColor(16, 18, 22));
    p.drawPath(hexagon);
    // A stylised "Z".
    QPen pen(Qt::white, r * 0.16, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    QPainterPath z;
    z.moveTo(c.x() - r * 0.38, c.y() - r * 0.36);
    z.lineTo(c.x() + r * 0.38, c.y() - r * 0.36);
    z.lineTo(c.x() - r * 0.38, c.y() + r * 0.36);
    z.lineTo(c.x() + r * 0.38, c.y() + r * 0.36);
    p.setBrush(Qt::NoBrush);
    p.drawPath(z);
    return image;
}

QImage DriveIllustration(QSize size)
{
    // An M.2 drive seen from above, standing upright, with a lit edge.
    QImage image = Canvas(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal w = size.width();
    const qreal h = size.height();
    const QRectF board(w * 0.36, h * 0.05, w * 0.28, h * 0.9);

    QRadialGradient halo(board.center(), w * 0.48);
    halo.setColorAt(0, QColor(234, 10, 42, 90));
    halo.setColorAt(0.5, QColor(120, 40, 220, 40));
    halo.setColorAt(1, QColor(0, 0, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(board.center(), w * 0.48, h * 0.48);

    p.setBrush(QColor(22, 26, 30));
    p.setPen(QPen(QColor(70, 76, 86), 1.5));
    p.drawRoundedRect(board, 4, 4);
    // Connector fingers at the bottom and the screw notch at the top.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 160, 70));
    const int fingers = 9;
    for (int i = 0; i < fingers; ++i) {
        const qreal fw = board.width() / (fingers * 1.6);
        p.drawRect(
            QRectF(board.left() + board.width() * 0.08 + i * fw * 1.55, board.bottom() - h * 0.05, fw, h * 0.04));
    }
    p.setBrush(QColor(10, 11, 14));
    p.drawEllipse(QPointF(board.center().x(), board.top() + h * 0.03), w * 0.025, w * 0.025);
    // Controller and flash packages.
    p.setBrush(QColor(40, 44, 50));
    p.drawRoundedRect(
        QRectF(board.left() + board.width() * 0.18, board.top() + h * 0.12, board.width() * 0.64, h * 0.16), 2, 2);
    p.setBrush(QColor(34, 37, 43));
    p.drawRoundedRect(
        QRectF(board.left() + board.width() * 0.14, board.top() + h * 0.36, board.width() * 0.72, h * 0.18), 2, 2);
    p.drawRoundedRect(
        QRectF(board.left() + board.width() * 0.14, board.top() + h * 0.58, board.width() * 0.72, h * 0.18), 2, 2);
    // The light strip along both edges.
    QLinearGradient strip(board.topLeft(), board.bottomLeft());
    for (int i = 0; i <= 6; ++i)
        strip.setColorAt(i / 6.0, QColor::fromHsvF(std::fmod(i / 6.0, 1.0), 0.9, 1.0));
    p.setBrush(strip);
    p.drawRoundedRect(QRectF(board.left() - 3, board.top() + h * 0.06, 3, board.height() - h * 0.14), 1.5, 1.5);
    p.drawRoundedRect(QRectF(board.right(), board.top() + h * 0.06, 3, board.height() - h * 0.14), 1.5, 1.5);
    return image;
}

} // namespace SkinArt
