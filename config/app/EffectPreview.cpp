#include "app/EffectPreview.h"

#include "settings/EffectAnimation.h"
#include "skin/SkinEntry.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr int kGlowAlpha = 120;

QColor ColourOf(uint32_t value)
{
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// The part of `strip` that LED `index` of `count` covers.
QRect LedRect(const QRect &strip, int index, int count)
{
    if (strip.height() >= strip.width()) {
        const int top = strip.top() + strip.height() * index / count;
        const int bottom = strip.top() + strip.height() * (index + 1) / count;
        return QRect(strip.left(), top, strip.width(), std::max(bottom - top, 1));
    }
    const int left = strip.left() + strip.width() * index / count;
    const int right = strip.left() + strip.width() * (index + 1) / count;
    return QRect(left, strip.top(), std::max(right - left, 1), strip.height());
}

} // namespace

void EffectPreview::LoadFromSkin()
{
    std::vector<PreviewStrip> found;
    for (int i = 1; i <= kMaxStrips; ++i) {
        const SkinEntry entry
            = ReadSkinEntry(QStringLiteral("MAINPIC"), QStringLiteral("STRIP%1").arg(i), SkinEntryUse::Drawing);
        bool numeric = false;
        const int leds = entry.text.trimmed().toInt(&numeric);
        const QRect rect = entry.rect.ToQRect();
        if (!numeric || leds < 1 || leds > kMaxAnimationLeds || rect.width() <= 0 || rect.height() <= 0
            || rect.width() > kMaxStripLength || rect.height() > kMaxStripLength)
            continue;
        found.push_back({rect, leds});
    }
    SetStrips(std::move(found));
}

void EffectPreview::SetStrips(std::vector<PreviewStrip> newStrips)
{
    strips = std::move(newStrips);
    area = QRect();
    for (const PreviewStrip &strip : strips)
        area |= strip.rect.adjusted(-kGlowRadius, -kGlowRadius, kGlowRadius, kGlowRadius);
}

void EffectPreview::Paint(QPainter &painter, const EffectInfo &record, bool ledOn, int64_t timeMs) const
{
    if (strips.empty())
        return;
    painter.save();
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setPen(Qt::NoPen);
    for (const PreviewStrip &strip : strips) {
        const std::vector<uint32_t> colours = EffectFrame(record, ledOn, strip.ledCount, timeMs);
        const int count = static_cast<int>(colours.size());
        // The glow of every lit LED first, so that no glow covers an LED. Its
        // edge is transparent, so it needs no antialiasing (which would cut
        // each glow into many spans, filled by threads at large pixel ratios).
        for (int i = 0; i < count; ++i) {
            const uint32_t value = colours[static_cast<std::size_t>(i)];
            if (value == 0)
                continue;
            const QRectF led = LedRect(strip.rect, i, count);
            const qreal radius = kGlowRadius + std::max(led.width(), led.height()) / 2.0;
            QColor inner = ColourOf(value);
            inner.setAlpha(kGlowAlpha);
            QColor outer = inner;
            outer.setAlpha(0);
            QRadialGradient glow(led.center(), radius);
            glow.setColorAt(0, inner);
            glow.setColorAt(1, outer);
            painter.setBrush(glow);
            painter.drawEllipse(led.center(), radius, radius);
        }
        for (int i = 0; i < count; ++i)
            painter.fillRect(LedRect(strip.rect, i, count), ColourOf(colours[static_cast<std::size_t>(i)]));
    }
    painter.restore();
}
