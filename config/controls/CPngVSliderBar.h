#pragma once
// The vertical image slider (the effect list's scroll bar, identifier
// 10001): minimum at the top, thumb at the right edge. The filled track shows
// from the thumb to the bottom, the unfilled track from the top to the middle
// of the thumb; disabling changes only the thumb picture.

#include "controls/CPngSliderBar.h"

class CPngVSliderBar : public CPngSliderBar
{
public:
    static constexpr int kIdentifier = 10001;

    explicit CPngVSliderBar(QWidget *parent = nullptr);
    ~CPngVSliderBar() override;

    // Rectangle in the parent's client coordinates; identifier 10001,
    // position 0, range 0..10.
    void CreateSlider(QWidget *parent, int left, int top, int right, int bottom);

    void OnMouseWheel(int steps) override;
    int ValueFromPoint(const QPoint &point) const override;
    QPoint ThumbPosition() const override;

protected:
    bool RepaintEveryMove() const override { return false; }
    bool GrowsDownward() const override { return true; }
    void PaintTrackAndThumb(QPainter &painter, const QSize &client) override;
};
