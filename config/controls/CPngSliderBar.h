#pragma once
// What the horizontal and the vertical image slider share: track and thumb
// images blended over the piece of the skin background under the control,
// dragging and hover, and (through CSliderWnd) the range and position and
// UM_SLIDER_POS (wParam the requested value, lParam the identifier) posted to
// the parent for every value the user asks for. A slider never moves its
// thumb for the user: the parent answers UM_SLIDER_POS with SetPos().
//
// The axis-specific parts (value under the pointer, track painting, thumb
// placement, wheel direction) are in CPngHSliderBar and CPngVSliderBar.

#include "controls/CSliderWnd.h"
#include "skin/Bitmap.h"

class CPngSliderBar : public CSliderWnd
{
public:
    enum TrackImage { Unfilled = 0, Filled = 1, TrackDisabled = 2 };
    enum ThumbImage { ThumbNormal = 0, ThumbOver = 1, ThumbDown = 2, ThumbDisabled = 3 };

    ~CPngSliderBar() override;

    // The three track images become crops of their pictures; a missing
    // picture leaves its slot empty.
    void SetTrackImages(const Bitmap *unfilled, const Bitmap *filled, const Bitmap *disabled, int left, int top,
                        int right, int bottom);
    // Each given picture replaces its slot (full size); the normal picture
    // sets the thumb size. The flag places the thumb at the top (horizontal)
    // and is only stored by the vertical slider.
    void SetThumbImages(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disabled,
                        bool flag);
    void SetBackground(const Bitmap &background, int left, int top, int right, int bottom);
    // Stores and repaints when different; no notification, no range check.
    void SetPos(int position);

    // Wheel steps post the position moved by that many values, clamped.
    void OnMouseWheel(int steps) override = 0;
    // The value for a pointer at `point` (client coordinates).
    virtual int ValueFromPoint(const QPoint &point) const = 0;
    // Top left corner of the thumb (client coordinates).
    virtual QPoint ThumbPosition() const = 0;

    bool IsHovered() const { return hover; }
    RECT SliderRect() const { return sliderRect; }
    const Bitmap &GetTrackImage(TrackImage which) const { return trackImages[which]; }
    const Bitmap &GetThumbImage(ThumbImage which) const { return thumbImages[which]; }

protected:
    explicit CPngSliderBar(QWidget *parent);

    // The thumb picture of the current state (disabled, dragging, hover,
    // normal, first match; the disabled one only when it exists).
    const Bitmap &CurrentThumb() const;
    // Offset of the thumb along the axis for `length` pixels of travel.
    int ThumbOffset(int length) const;
    // The value for `c` pixels of travel out of `track` (c already known to
    // lie within the travel): minimum + trunc(c / step + bias), capped.
    int ValueFromOffset(int c, int track) const;
    // Posts position + step, raised to the minimum, then lowered to the
    // maximum (wheel steps).
    void PostStep(int step);
    // Whether hover changes are repainted on every move.
    virtual bool RepaintEveryMove() const = 0;

    QImage PaintBuffer() override;
    virtual void PaintTrackAndThumb(QPainter &painter, const QSize &client) = 0;
    void OnCaptureChanged() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

    Bitmap trackImages[3];
    bool thumbFlag = false;
    Bitmap thumbImages[4];
    float roundingBias = 0.5f;
    bool enabled = true;
    bool hover = false;
    Bitmap background;
};
