#include "controls/CPngListBtn.h"

#include "controls/ControlSupport.h"
#include "framework/WheelInput.h"
#include "skin/ImageHelpers.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

CPngListBtn::CPngListBtn(QWidget *parent)
    : CBitmapBtnEx(parent)
{ }

CPngListBtn::~CPngListBtn() = default;

void CPngListBtn::SetBackground(const Bitmap &picture, int left, int top, int right, int bottom)
{
    CropBitmap(background, picture, left, top, right, bottom);
    update();
}

void CPngListBtn::SetIcon(const Bitmap *normal, const Bitmap *over, const Bitmap *down, int left, int top, int right,
                          int bottom)
{
    CropEach(iconImages, {normal, over, down}, 0, 0, right - left, bottom - top);
    iconRect = RECT {left, top, right, bottom};
    update();
}

void CPngListBtn::SetCaption(const QString &text, int offset)
{
    if (text == caption && offset == iconOffset)
        return;
    const bool renamed = text != caption;
    caption = text;
    iconOffset = offset;
    update();
    if (renamed)
        NotifyAccessibleName(this);
}

CPngListBtn::Look CPngListBtn::ChooseLook(const DrawItemState &state) const
{
    if (state.disabled)
        return {Disable, disabledColour, IconNormal};
    if (checked)
        return {Down, pressedColour, IconDown};
    if (!alternateLook) {
        if (state.pressed)
            return {Down, pressedColour, IconDown};
        if (hover)
            return {Over, hoverColour, IconOver};
        return {Normal, normalColour, IconNormal};
    }
    if (state.pressed)
        return {Normal, hoverColour, IconNormal};
    if (hover)
        return {Over, normalColour, IconOver};
    return {Normal, normalColour, IconNormal};
}

QRect CPngListBtn::CaptionRect(int textHeight) const
{
    int left = iconOffset;
    if (HasIcon())
        left += iconRect.Width();
    const int right = width();
    int top = (height() - textHeight) / 2;
    if (alignmentCode == 8)
        top = height() - 2 - textHeight;
    return QRect(QPoint(left, top), QPoint(right - 1, top + textHeight - 1));
}

void CPngListBtn::DrawItem(QImage &buffer, const DrawItemState &state)
{
    const Look look = ChooseLook(state);
    QPainter painter(&buffer);
    BlendBitmap(painter, 0, 0, background);
    BlendBitmap(painter, 0, 0, stateImages[look.image]);
    if (caption.isEmpty())
        return;

    const QFont font = MakeSkinFont(fontHeight, fontWeight);
    painter.setFont(font);
    painter.setPen(ToQColor(look.captionColour));
    const QFontMetrics metrics(font);
    const QRect box = CaptionRect(metrics.height());
    int align = Qt::AlignRight;
    if (alignmentCode == 1 || alignmentCode == 8)
        align = Qt::AlignHCenter;
    else if (alignmentCode == 0)
        align = Qt::AlignLeft;
    const QString shown = metrics.elidedText(caption, Qt::ElideRight, box.width(), Qt::TextShowMnemonic);
    painter.drawText(box, align | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, shown);

    if (HasIcon()) {
        const int iconHeight = iconRect.Height();
        const QRect target(0, (height() - iconHeight) / 2, iconRect.Width(), iconHeight);
        BlendBitmap(painter, target, iconImages[look.icon], QPoint(iconRect.left, iconRect.top));
    }
}

void CPngListBtn::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        update();
        HandleLeftPress();
    }
    event->accept();
}

void CPngListBtn::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void CPngListBtn::wheelEvent(QWheelEvent *event)
{
    const int notches = wheelNotches.Add(VerticalWheelDelta(*event));
    for (int i = 0; i < std::abs(notches); ++i)
        PostMessage(parentWidget(), WM_VSCROLL, MAKEWPARAM(notches > 0 ? SB_LINEUP : SB_LINEDOWN, 0), 0);
    event->ignore();
}

int SelectButtonByHandle(CPngListBtn *buttons, int count, LPARAM handle, int *indexOut)
{
    return SelectButtonInArray(buttons, count, handle, indexOut);
}

int SelectButtonByHandle(CPngListBtn *const *buttons, int count, LPARAM handle, int *indexOut)
{
    return SelectButtonIn(buttons, count, handle, indexOut);
}
