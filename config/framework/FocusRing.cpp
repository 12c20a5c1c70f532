#include "framework/FocusRing.h"

#include <QPainter>
#include <QPen>
#include <QRect>

#include <algorithm>

namespace {

FocusRingStyle &StoredStyle()
{
    static FocusRingStyle style;
    return style;
}

} // namespace

void SetFocusRingStyle(const FocusRingStyle &style)
{
    FocusRingStyle &stored = StoredStyle();
    stored.colour = style.colour.isValid() ? style.colour : FocusRingStyle().colour;
    stored.width = std::clamp(style.width, 1, 8);
}

const FocusRingStyle &CurrentFocusRingStyle()
{
    return StoredStyle();
}

bool IsKeyboardFocusReason(Qt::FocusReason reason)
{
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

void PaintFocusRing(QPainter &painter, const QRect &area, bool round)
{
    const FocusRingStyle &style = CurrentFocusRingStyle();
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, round);
    QPen pen(style.colour, style.width);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const qreal inset = style.width / 2.0;
    QRectF line = QRectF(area).adjusted(inset, inset, -inset, -inset);
    if (round) {
        const qreal side = std::min(line.width(), line.height());
        line = QRectF(line.center().x() - side / 2, line.center().y() - side / 2, side, side);
        painter.drawEllipse(line);
    } else {
        painter.drawRect(line);
    }
    painter.restore();
}
