#pragma once
// The drive picture's LED strips painted live with the edited record: each
// strip is cut into its LEDs along its long side, every LED filled with its
// colour of the moment and surrounded by a soft glow. The skin places the
// strips; a skin without them has no preview.

#include "settings/EffectInfo.h"

#include <QRect>

#include <cstdint>
#include <vector>

class QPainter;

struct PreviewStrip
{
    QRect rect; // LED 0 at the top (or left) end
    int ledCount = 0;
};

class EffectPreview
{
public:
    static constexpr int kGlowRadius = 6; // how far the glow reaches past a strip
    static constexpr int kFrameIntervalMs = 34; // at most 30 frames a second
    static constexpr int kMaxStrips = 4;
    static constexpr int kMaxStripLength = 2048;

    // Reads "STRIP1".."STRIP4" of the skin's "MAINPIC" section
    // (",x,y,width,height,LED count,FALSE"); entries with an empty or
    // oversized rectangle or a LED count outside 1..kMaxAnimationLeds are
    // left out.
    void LoadFromSkin();
    void SetStrips(std::vector<PreviewStrip> strips);

    bool IsEmpty() const { return strips.empty(); }
    const std::vector<PreviewStrip> &Strips() const { return strips; }
    // Everything the preview paints: the strips with their glow.
    const QRect &Area() const { return area; }

    // Paints every strip as `record` looks at `timeMs`; paints nothing
    // outside Area().
    void Paint(QPainter &painter, const EffectInfo &record, bool ledOn, int64_t timeMs) const;

private:
    std::vector<PreviewStrip> strips;
    QRect area;
};
