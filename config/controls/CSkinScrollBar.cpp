#include "controls/CSkinScrollBar.h"

#include "framework/WindowMessage.h"

#include <QPointer>

#include <algorithm>

CSkinScrollBar::CSkinScrollBar(QWidget *parent)
    : QScrollBar(Qt::Vertical, parent)
{
    setVisible(false);
    connect(this, &QAbstractSlider::actionTriggered, this, [this](int action) { OnAction(action); });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        SendMessage(parentWidget(), WM_VSCROLL,
                    MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(std::max(0, sliderPosition()))), Handle());
        SendMessage(parentWidget(), WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), Handle());
    });
}

CSkinScrollBar::~CSkinScrollBar() = default;

void CSkinScrollBar::Create(QWidget *parent, const QRect &rect, int id)
{
    if (parent != parentWidget())
        setParent(parent);
    controlId = id;
    setGeometry(rect.normalized());
    setVisible(false);
}

LPARAM CSkinScrollBar::Handle() const
{
    return HandleOf(this);
}

void CSkinScrollBar::SetScrollInfo(int minimum, int maximum, int page, int position)
{
    scrollMin = minimum;
    scrollMax = maximum;
    scrollPage = std::max(0, page);
    scrollPos = position;
    Apply();
}

void CSkinScrollBar::SetScrollRange(int minimum, int maximum)
{
    scrollMin = minimum;
    scrollMax = maximum;
    Apply();
}

void CSkinScrollBar::SetScrollPos(int position)
{
    scrollPos = position;
    Apply();
}

void CSkinScrollBar::Apply()
{
    applying = true;
    const long long highest
        = std::max<long long>(scrollMin, static_cast<long long>(scrollMax) - std::max(scrollPage, 1) + 1);
    setRange(scrollMin, static_cast<int>(highest));
    setPageStep(std::max(scrollPage, 1));
    setSingleStep(1);
    setSliderPosition(std::clamp(scrollPos, scrollMin, static_cast<int>(highest)));
    applying = false;
}

void CSkinScrollBar::OnAction(int action)
{
    if (applying)
        return;
    WORD code = SB_ENDSCROLL;
    WORD thumb = 0;
    switch (action) {
    case SliderSingleStepSub:
        code = SB_LINEUP;
        break;
    case SliderSingleStepAdd:
        code = SB_LINEDOWN;
        break;
    case SliderPageStepSub:
        code = SB_PAGEUP;
        break;
    case SliderPageStepAdd:
        code = SB_PAGEDOWN;
        break;
    case SliderToMinimum:
        code = SB_TOP;
        break;
    case SliderToMaximum:
        code = SB_BOTTOM;
        break;
    case SliderMove:
        code = SB_THUMBTRACK;
        thumb = static_cast<WORD>(std::max(0, sliderPosition()));
        break;
    default:
        return;
    }
    // The parent decides the position; the bar shows what it set (the action
    // has already moved the slider on its own).
    QPointer<CSkinScrollBar> alive(this);
    SendMessage(parentWidget(), WM_VSCROLL, MAKEWPARAM(code, thumb), Handle());
    if (alive)
        Apply();
}
