#include "controls/CPngSliderBar.h"

#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>

CPngSliderBar::CPngSliderBar(QWidget *parent)
    : CSliderWnd(parent)
{
    setMouseTracking(true);
    SetOpaqueFace(true);
}

CPngSliderBar::~CPngSliderBar() = default;

void CPngSliderBar::SetTrackImages(const Bitmap *unfilled, const Bitmap *filled, const Bitmap *disabled, int left,
                                   int top, int right, int bottom)
{
    const Bitmap *sources[3] = {unfilled, filled, disabled};
    for (int i = 0; i < 3; ++i) {
        trackImages[i].Release();
        if (sources[i] != nullptr)
            CropBitmap(trackImages[i], *sources[i], left, top, right, bottom);
    }
    update();
}

void CPngSliderBar::SetThumbImages(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disabled,
                                   bool flag)
{
    const Bitmap *sources[4] = {normal, over, down, disabled};
    for (int i = 0; i < 4; ++i)
        if (sources[i] != nullptr && !sources[i]->IsEmpty())
            thumbImages[i] = *sources[i];
    if (normal != nullptr && !normal->IsEmpty()) {
        thumbWidth = normal->Width();
        thumbHeight = normal->Height();
    }
    thumbFlag = flag;
    update();
}

void CPngSliderBar::SetBackground(const Bitmap &picture, int left, int top, int right, int bottom)
{
    CropBitmap(background, picture, left, top, right, bottom);
    update();
}

void CPngSliderBar::SetPos(int value)
{
    if (value == position)
        return;
    position = value;
    update();
    NotifyValueChange();
}

const Bitmap &CPngSliderBar::CurrentThumb() const
{
    if (!enabled && !thumbImages[ThumbDisabled].IsEmpty())
        return thumbImages[ThumbDisabled];
    if (dragging)
        return thumbImages[ThumbDown];
    if (hover)
        return thumbImages[ThumbOver];
    return thumbImages[ThumbNormal];
}

int CPngSliderBar::ThumbOffset(int length) const
{
    const long long range = static_cast<long long>(maximum) - minimum;
    if (range == 0)
        return 0;
    const float offset = static_cast<float>(length) / static_cast<float>(range)
        * static_cast<float>(static_cast<long long>(position) - minimum);
    return TruncToInt(offset);
}

int CPngSliderBar::ValueFromOffset(int c, int track) const
{
    const long long range = static_cast<long long>(maximum) - minimum;
    if (range == 0)
        return minimum;
    const float step = static_cast<float>(track) / static_cast<float>(range);
    const float f = static_cast<float>(c) / step;
    long long value = static_cast<long long>(minimum) + TruncToInt(f + roundingBias);
    value = std::min<long long>(value, maximum);
    return static_cast<int>(std::max<long long>(value, INT_MIN));
}

void CPngSliderBar::PostStep(int step)
{
    long long request = static_cast<long long>(position) + step;
    request = std::max<long long>(request, minimum);
    request = std::min<long long>(request, maximum);
    PostValue(static_cast<int>(request));
}

QImage CPngSliderBar::PaintBuffer()
{
    QImage buffer = CreateFaceBuffer(*this);
    if (buffer.isNull())
        return QImage();
    QPainter painter(&buffer);
    BlendBitmap(painter, 0, 0, background);
    PaintTrackAndThumb(painter, size());
    painter.end();
    return buffer;
}

void CPngSliderBar::OnCaptureChanged()
{
    // A drag ends with the capture (the button went up somewhere we did not
    // see, or the slider was hidden or disabled).
    if (dragging) {
        dragging = false;
        update();
    }
}

void CPngSliderBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        update();
        SetCapture();
    }
    event->accept();
}

void CPngSliderBar::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && dragging) {
        dragging = false;
        update();
        ReleaseCapture();
        PostValue(ValueFromPoint(event->position().toPoint()));
    }
    event->accept();
}

void CPngSliderBar::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (dragging) {
        const int value = ValueFromPoint(point);
        if (value != position)
            PostValue(value);
    } else {
        const Hover result = TrackHover(point, event->buttons(), hover);
        if (RepaintEveryMove() || result == Hover::Entered || result == Hover::Regained || result == Hover::Left)
            update();
    }
    event->accept();
}

void CPngSliderBar::leaveEvent(QEvent *event)
{
    // Without a mouse grab the pointer's leaving stands in for the move over
    // another window.
    if (!dragging && EndHover(hover))
        update();
    CWnd::leaveEvent(event);
}

void CPngSliderBar::changeEvent(QEvent *event)
{
    CWnd::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        enabled = isEnabled();
        update();
    }
}
