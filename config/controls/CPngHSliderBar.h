#pragma once
// The horizontal image slider (colour components, saturation, value, speed):
// minimum at the left. The unfilled track shows from the thumb to the right
// end, the filled track from the left end to the middle of the thumb; a
// disabled slider shows its disabled track.

#include "controls/CPngSliderBar.h"

class CPngHSliderBar : public CPngSliderBar
{
public:
    explicit CPngHSliderBar(QWidget *parent = nullptr);
    ~CPngHSliderBar() override;

    // Rectangle in the parent's client coordinates; position 0, range 0..10.
    void CreateSlider(int id, QWidget *parent, int left, int top, int right, int bottom);

    void OnMouseWheel(int steps) override;
    int ValueFromPoint(const QPoint &point) const override;
    QPoint ThumbPosition() const override;

protected:
    bool RepaintEveryMove() const override { return true; }
    void PaintTrackAndThumb(QPainter &painter, const QSize &client) override;
};
