#pragma once
// The hue ring: a shaped circular window showing a ring picture and a thumb
// the user drags around it. Positions run clockwise on the screen from the
// bottom of the ring; the reported value (GetValue, UM_SLIDER_POS) is the
// angle counter-clockwise from 3 o'clock: with the range 0..359 the top
// reports 90, the left 180, the bottom 269, and 1..359 are reported (0 never
// by dragging). Dragging moves the thumb at once and posts every value; the
// wheel only posts. Identifier 10006.

#include "controls/CSliderWnd.h"
#include "skin/Bitmap.h"

class CPngRSliderBar2 : public CSliderWnd
{
public:
    static constexpr int kIdentifier = 10006;
    static constexpr int kAngleOffset = 90;

    explicit CPngRSliderBar2(QWidget *parent = nullptr);
    ~CPngRSliderBar2() override;

    // Rectangle in the parent's client coordinates; position 0, range 0..10.
    void CreateSlider(QWidget *parent, int left, int top, int right, int bottom);
    // Crops of both pictures; only the first is drawn.
    void SetRingImages(const Bitmap *first, const Bitmap *second, int left, int top, int right, int bottom);
    // The ring's picture; the window paints it under the ring while the ring
    // is shown (the ring's shape leaves its open middle to the window).
    const Bitmap &GetRingImage() const { return ringImages[0]; }
    // Full-size copies; the first sets the thumb size and is the one drawn.
    void SetThumbImages(const Bitmap *first, const Bitmap *second);
    // Shapes the window by the mask (white is outside). A mask that gives no
    // shape shows the message box "error" and leaves the window unshaped.
    void SetRegion(const Bitmap &mask);
    void SetValue(int value);
    int GetValue() const;

    // Wheel steps away from the user request the value that many below,
    // toward the user that many above, wrapping within the range; posted
    // only.
    void OnMouseWheel(int steps) override;

    // The position for a pointer at `point` (client coordinates): the angle
    // about the ring's centre; the exact centre gives the minimum.
    int PositionFromPoint(const QPoint &point) const;
    // Centre of the thumb for the current position (client coordinates).
    QPoint ThumbCentre() const;

    bool IsShaped() const { return shaped; }

    // Keys: as the linear sliders, on the reported value, except that the
    // arrows and pages wrap within the range as the wheel does.
    int ReportedValue() const override { return GetValue(); }
    std::optional<int> RequestForKey(int key) const override;
    QAccessible::Role AccessibleRole() const override;

protected:
    QImage PaintBuffer() override;
    void OnCaptureChanged() override;
    void PaintFocusIndicator(QPainter &painter) override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Position from the pointer, then the ring and a thumb-sized margin are
    // repainted.
    void TrackPointer(const QPoint &point);

    Bitmap ringImages[2];
    Bitmap thumbImages[2];
    bool shaped = false;
};
