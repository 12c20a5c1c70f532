#pragma once
// What the horizontal and the vertical image slider share: track and thumb
// images blended over the piece of the skin background under the control,
// the range and position, dragging and hover, and UM_SLIDER_POS (wParam the
// requested value, lParam the identifier) posted to the parent for every
// value the user asks for. A slider never moves its thumb for the user: the
// parent answers UM_SLIDER_POS with SetPos().
//
// The axis-specific parts (value under the pointer, track painting, thumb
// placement, wheel direction) are in CPngHSliderBar and CPngVSliderBar.

#include "framework/CWnd.h"
#include "skin/Bitmap.h"

class CPngSliderBar : public CWnd
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
    // Stores the bounds (repainting when one changes) and clamps the position
    // into them: raised to the minimum, then lowered to the maximum.
    void SetRange(int minimum, int maximum);
    // Stores and repaints when different; no notification, no range check.
    void SetPos(int position);
    int GetPos() const { return position; }
    int GetRangeMin() const { return minimum; }
    int GetRangeMax() const { return maximum; }

    // One wheel step: positive delta is away from the user. Posts the
    // clamped neighbour of the position.
    virtual void OnMouseWheel(int delta) = 0;
    // The value for a pointer at `point` (client coordinates).
    virtual int ValueFromPoint(const QPoint &point) const = 0;
    // Top left corner of the thumb (client coordinates).
    virtual QPoint ThumbPosition() const = 0;

    bool IsDragging() const { return dragging; }
    bool IsHovered() const { return hover; }
    QSize ThumbSize() const { return QSize(thumbWidth, thumbHeight); }
    RECT SliderRect() const { return sliderRect; }
    const Bitmap &GetTrackImage(TrackImage which) const { return trackImages[which]; }
    const Bitmap &GetThumbImage(ThumbImage which) const { return thumbImages[which]; }

    // UM_SLIDER_POS sent to the slider goes on to the parent, posted, with
    // the slider's identifier.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    explicit CPngSliderBar(QWidget *parent);

    // Stores rectangle, parent and identifier, resets position and range and
    // makes the visible window.
    void CreateSliderWindow(int id, QWidget *parent, int left, int top, int right, int bottom);
    void PostValue(int value);
    // The thumb picture of the current state (disabled, dragging, hover,
    // normal, first match; the disabled one only when it exists).
    const Bitmap &CurrentThumb() const;
    // Offset of the thumb along the axis for `length` pixels of travel.
    int ThumbOffset(int length) const;
    // The value for `c` pixels of travel out of `track` (c already known to
    // lie within the travel): minimum + trunc(c / step + bias), capped.
    int ValueFromOffset(int c, int track) const;
    // Whether hover changes are repainted on every move.
    virtual bool RepaintEveryMove() const = 0;

    QImage PaintBuffer() override;
    virtual void PaintTrackAndThumb(QPainter &painter, const QSize &client) = 0;
    void OnCaptureChanged() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

    Bitmap trackImages[3];
    bool thumbFlag = false;
    Bitmap thumbImages[4];
    float roundingBias = 0.5f;
    bool enabled = true;
    int thumbWidth = 0;
    int thumbHeight = 0;
    RECT sliderRect;
    QPointer<QWidget> notifyParent;
    int position = 0;
    int minimum = 0;
    int maximum = 10;
    bool dragging = false;
    bool hover = false;
    Bitmap background;
};
