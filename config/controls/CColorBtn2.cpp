#include "controls/CColorBtn2.h"

#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

CColorBtn2::CColorBtn2(QWidget *parent)
    : CBitmapBtn2(parent)
{ }

CColorBtn2::~CColorBtn2() = default;

void CColorBtn2::SetTintSource(const Bitmap *first, const Bitmap *second, int left, int top, int right, int bottom)
{
    if (first == nullptr || first->IsEmpty())
        return;
    CropToDib32(tintedNormal, *first, left, top, right, bottom);
    if (second != nullptr)
        CropToDib32(tintedDown, *second, left, top, right, bottom);
    normalPixels.assign(static_cast<size_t>(tintedNormal.Image().sizeInBytes()), 0);
    downPixels.assign(static_cast<size_t>(tintedDown.Image().sizeInBytes()), 0);
}

void CColorBtn2::Tint(const Bitmap &source, std::vector<uchar> &pixels, Bitmap &target, float fr, float fg, float fb)
{
    if (target.IsEmpty() || pixels.empty())
        return;
    // The source's raw pixels, as many bytes as the target holds (the
    // pictures have the same size; a smaller source fills only its part).
    if (!source.IsEmpty()) {
        const size_t available = static_cast<size_t>(source.Image().sizeInBytes());
        std::memcpy(pixels.data(), source.Image().constBits(), std::min(available, pixels.size()));
    }
    for (size_t i = 0; i + 4 <= pixels.size(); i += 4) {
        const uchar h = pixels[i];
        pixels[i] = static_cast<uchar>(fb * h);
        pixels[i + 1] = static_cast<uchar>(fg * h);
        pixels[i + 2] = static_cast<uchar>(fr * h);
        pixels[i + 3] = h;
    }
    QImage &image = target.Image();
    const size_t bytes = std::min(pixels.size(), static_cast<size_t>(image.sizeInBytes()));
    std::memcpy(image.bits(), pixels.data(), bytes);
}

void CColorBtn2::SetColor(int r, int g, int b)
{
    const bool changed = r != red || g != green || b != blue;
    red = r;
    green = g;
    blue = b;
    const float fb = static_cast<float>(std::clamp(blue, 0, 255)) / 255.0f;
    const float fg = static_cast<float>(std::clamp(green, 0, 255)) / 255.0f;
    const float fr = static_cast<float>(std::clamp(red, 0, 255)) / 255.0f;
    Tint(stateImages[Normal], normalPixels, tintedNormal, fr, fg, fb);
    Tint(stateImages[Down], downPixels, tintedDown, fr, fg, fb);
    update();
    if (changed && !nameTemplate.isEmpty())
        NotifyAccessibleName(this);
}

COLORREF CColorBtn2::GetColor() const
{
    return static_cast<COLORREF>(static_cast<DWORD>(red) + 256u * static_cast<DWORD>(green)
                                 + 65536u * static_cast<DWORD>(blue));
}

void CColorBtn2::SetBackground(const Bitmap &picture, int left, int top, int right, int bottom)
{
    CropBitmap(background, picture, left, top, right, bottom);
    update();
}

void CColorBtn2::DrawItem(QImage &buffer, const DrawItemState &state)
{
    QPainter painter(&buffer);
    BlendBitmap(painter, 0, 0, background);
    painter.setOpacity(constantAlpha / 255.0);
    BlendBitmap(painter, 0, 0, checked ? tintedDown : tintedNormal);
    painter.setOpacity(1.0);

    if (caption.isEmpty())
        return;
    COLORREF colour = normalColour;
    if (state.pressed || checked)
        colour = pressedColour;
    else if (hover)
        colour = hoverColour;
    painter.setPen(ToQColor(colour));
    painter.setFont(MakeSkinFont(fontHeight, 400));
    const QRect box = rect().translated(5, 0);
    const QString shown = painter.fontMetrics().elidedText(caption, Qt::ElideRight, box.width());
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

int SelectButtonByHandle(CColorBtn2 *buttons, int count, LPARAM handle, int *indexOut)
{
    return SelectButtonInArray(buttons, count, handle, indexOut);
}

int SelectButtonByHandle(CColorBtn2 *const *buttons, int count, LPARAM handle, int *indexOut)
{
    return SelectButtonIn(buttons, count, handle, indexOut);
}

void CColorBtn2::SetAccessibleNameTemplate(const QString &text)
{
    nameTemplate = text;
}

QString CColorBtn2::AccessibleName() const
{
    if (nameTemplate.isEmpty())
        return CBitmapBtn2::AccessibleName();
    return QString(nameTemplate).arg(QString::number(red), QString::number(green), QString::number(blue));
}
