#include "controls/CPngVSliderBar.h"

#include "controls/ControlSupport.h"

#include <QPainter>

#include <algorithm>

CPngVSliderBar::CPngVSliderBar(QWidget *parent)
    : CPngSliderBar(parent)
{ }

CPngVSliderBar::~CPngVSliderBar() = default;

void CPngVSliderBar::CreateSlider(QWidget *parent, int left, int top, int right, int bottom)
{
    CreateSliderWindow(kIdentifier, parent, left, top, right, bottom);
}

int CPngVSliderBar::ValueFromPoint(const QPoint &point) const
{
    const long long y = static_cast<long long>(point.y()) + pos().y();
    const long long track = static_cast<long long>(sliderRect.bottom) - sliderRect.top - thumbHeight;
    const long long c = y - sliderRect.top - thumbHeight / 2;
    if (c > track)
        return maximum;
    // The lower snap compares the pixel offset with the minimum value.
    if (c < minimum)
        return minimum;
    return ValueFromOffset(static_cast<int>(c), static_cast<int>(track));
}

QPoint CPngVSliderBar::ThumbPosition() const
{
    return QPoint(width() - thumbWidth, ThumbOffset(height() - thumbHeight));
}

void CPngVSliderBar::PaintTrackAndThumb(QPainter &painter, const QSize &client)
{
    const QPoint thumb = ThumbPosition();
    const int y = std::clamp(thumb.y(), 0, client.height());
    BlendBitmap(painter, QRect(0, y, client.width(), client.height() - y), trackImages[Filled], QPoint(0, y));
    const int unfilledEnd = std::clamp(thumb.y() + thumbHeight / 2, 0, client.height());
    BlendBitmap(painter, QRect(0, 0, client.width(), unfilledEnd), trackImages[Unfilled], QPoint(0, 0));
    BlendBitmap(painter, thumb.x(), thumb.y(), CurrentThumb());
}

void CPngVSliderBar::OnMouseWheel(int steps)
{
    PostStep(-steps);
}
