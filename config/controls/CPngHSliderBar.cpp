#include "controls/CPngHSliderBar.h"

#include "controls/ControlSupport.h"

#include <QPainter>

#include <algorithm>

CPngHSliderBar::CPngHSliderBar(QWidget *parent)
    : CPngSliderBar(parent)
{ }

CPngHSliderBar::~CPngHSliderBar() = default;

void CPngHSliderBar::CreateSlider(int id, QWidget *parent, int left, int top, int right, int bottom)
{
    CreateSliderWindow(id, parent, left, top, right, bottom);
}

int CPngHSliderBar::ValueFromPoint(const QPoint &point) const
{
    // x in the parent's coordinates, against the rectangle given at creation.
    const long long x = static_cast<long long>(point.x()) + pos().x();
    const long long track = static_cast<long long>(sliderRect.right) - sliderRect.left - thumbWidth;
    const long long c = x - sliderRect.left - thumbWidth / 2;
    if (c > track)
        return maximum;
    if (c < thumbWidth / 2)
        return minimum;
    return ValueFromOffset(static_cast<int>(c), static_cast<int>(track));
}

QPoint CPngHSliderBar::ThumbPosition() const
{
    const int x = ThumbOffset(width() - thumbWidth);
    const int y = thumbFlag ? 0 : height() - thumbHeight;
    return QPoint(x, y);
}

void CPngHSliderBar::PaintTrackAndThumb(QPainter &painter, const QSize &client)
{
    const QPoint thumb = ThumbPosition();
    if (enabled) {
        const int x = std::clamp(thumb.x(), 0, client.width());
        BlendBitmap(painter, QRect(x, 0, client.width() - x, client.height()), trackImages[Unfilled], QPoint(x, 0));
        const int filledEnd = std::clamp(thumb.x() + thumbWidth / 2, 0, client.width());
        BlendBitmap(painter, QRect(0, 0, filledEnd, client.height()), trackImages[Filled], QPoint(0, 0));
    } else {
        BlendBitmap(painter, 0, 0, trackImages[TrackDisabled]);
    }
    BlendBitmap(painter, thumb.x(), thumb.y(), CurrentThumb());
}

void CPngHSliderBar::OnMouseWheel(int steps)
{
    PostStep(steps);
}
