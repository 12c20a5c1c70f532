#include "controls/CPngRSliderBar2.h"

#include "controls/ControlSupport.h"
#include "framework/FocusRing.h"
#include "framework/MessageBox.h"
#include "skin/ImageHelpers.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The angle constants of the mapping are these exact values, not 2*pi and pi.
constexpr double kFullTurn = 6.28318;
constexpr double kHalfTurn = 3.14159;

// a mod b with the sign of a (as C's %), in 64 bits; b != 0.
long long Mod(long long a, long long b)
{
    return a % b;
}

int ClampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

CPngRSliderBar2::CPngRSliderBar2(QWidget *parent)
    : CSliderWnd(parent)
{
    SetDlgCtrlID(kIdentifier);
}

CPngRSliderBar2::~CPngRSliderBar2() = default;

void CPngRSliderBar2::CreateSlider(QWidget *parent, int left, int top, int right, int bottom)
{
    CreateSliderWindow(kIdentifier, parent, left, top, right, bottom);
}

void CPngRSliderBar2::SetRingImages(const Bitmap *first, const Bitmap *second, int left, int top, int right, int bottom)
{
    CropEach(ringImages, {first, second}, left, top, right, bottom);
    update();
}

void CPngRSliderBar2::SetThumbImages(const Bitmap *first, const Bitmap *second)
{
    if (first != nullptr && !first->IsEmpty()) {
        thumbImages[0] = *first;
        thumbWidth = first->Width();
        thumbHeight = first->Height();
    }
    if (second != nullptr && !second->IsEmpty())
        thumbImages[1] = *second;
    update();
}

void CPngRSliderBar2::SetRegion(const Bitmap &mask)
{
    const std::optional<QRegion> region = RegionFromMask(mask);
    if (!region || region->isEmpty()) {
        ShowMessageBox(this, QStringLiteral("error"), QString(), MessageBoxKind::Ok);
        return;
    }
    SetWindowRgn(*region);
    shaped = true;
    update();
}

int CPngRSliderBar2::GetValue() const
{
    const long long range = static_cast<long long>(maximum) - minimum;
    if (range == 0)
        return minimum;
    return ClampToInt(range - Mod(kAngleOffset + static_cast<long long>(position), range));
}

void CPngRSliderBar2::SetValue(int value)
{
    if (value == GetValue())
        return;
    const long long range = static_cast<long long>(maximum) - minimum;
    position = range == 0 ? minimum : ClampToInt(range - Mod(static_cast<long long>(value) + kAngleOffset, range));
    update();
    NotifyValueChange();
}

int CPngRSliderBar2::PositionFromPoint(const QPoint &point) const
{
    // The ring fills the client area.
    const long long cx = width() / 2;
    const long long cy = height() / 2;
    const long long dx = cx - point.x();
    const long long dy = cy - point.y();
    const double d = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    if (d == 0.0)
        return minimum; // no angle at the centre
    double theta = std::acos(std::clamp(static_cast<double>(point.y() - cy) / d, -1.0, 1.0));
    if (point.x() > cx)
        theta = kFullTurn - theta;
    long long t = TruncToInt(theta * maximum / kHalfTurn * 0.5);
    t = std::min<long long>(t, maximum);
    t = std::max<long long>(t, minimum);
    return static_cast<int>(t);
}

QPoint CPngRSliderBar2::ThumbCentre() const
{
    const double phi = maximum == 0 ? 0.0 : 2 * kHalfTurn * position / maximum;
    const int r = (height() / 2) - (thumbWidth / 2) + 1;
    const int dx = -TruncToInt(std::sin(phi) * r);
    const int dy = TruncToInt(std::cos(phi) * r);
    return QPoint(width() / 2 + dx, height() / 2 + dy);
}

QImage CPngRSliderBar2::PaintBuffer()
{
    QImage buffer = CreateFaceBuffer(*this);
    if (buffer.isNull())
        return QImage();
    QPainter painter(&buffer);
    BlendBitmap(painter, 0, 0, ringImages[0]);
    const QPoint centre = ThumbCentre();
    BlendBitmap(painter, centre.x() - thumbWidth / 2, centre.y() - thumbHeight / 2, thumbImages[0]);

    // The centre disc: 24 pixels across, anti-aliased. Its gradient has four
    // stops that are all opaque red, which is a solid red fill, and drawn as
    // such (a third of the cost).
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF disc(width() / 2 - 12, height() / 2 - 12, 24, 24);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0, 255));
    painter.drawEllipse(disc);
    painter.end();
    return buffer;
}

void CPngRSliderBar2::TrackPointer(const QPoint &point)
{
    const int before = GetValue();
    position = PositionFromPoint(point);
    if (GetValue() != before)
        NotifyValueChange();
    const int marginX = thumbWidth;
    const int marginY = thumbHeight;
    update(rect().adjusted(-marginX, -marginY, marginX, marginY));
}

void CPngRSliderBar2::OnMouseWheel(int steps)
{
    const long long range = static_cast<long long>(maximum) - minimum;
    if (range == 0) {
        PostValue(minimum);
        return;
    }
    const long long v = GetValue();
    const long long request = minimum + Mod(v - steps, range);
    PostValue(ClampToInt(request));
}

std::optional<int> CPngRSliderBar2::RequestForKey(int key) const
{
    const long long range = static_cast<long long>(maximum) - minimum;
    long long step = 0;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        step = 1;
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        step = -1;
        break;
    case Qt::Key_PageUp:
        step = 10;
        break;
    case Qt::Key_PageDown:
        step = -10;
        break;
    default:
        return CSliderWnd::RequestForKey(key);
    }
    if (range <= 0)
        return std::nullopt;
    const long long offset = ((static_cast<long long>(GetValue()) - minimum + step) % range + range) % range;
    return ClampToInt(minimum + offset);
}

QAccessible::Role CPngRSliderBar2::AccessibleRole() const
{
    const QAccessible::Role role = CWnd::AccessibleRole();
    return role == QAccessible::Client ? QAccessible::Dial : role;
}

void CPngRSliderBar2::PaintFocusIndicator(QPainter &painter)
{
    PaintFocusRing(painter, rect(), true);
}

void CPngRSliderBar2::OnCaptureChanged()
{
    dragging = false;
}

void CPngRSliderBar2::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        SetCapture();
    }
    event->accept();
}

void CPngRSliderBar2::mouseMoveEvent(QMouseEvent *event)
{
    if (!dragging) {
        event->ignore();
        return;
    }
    TrackPointer(event->position().toPoint());
    PostValue(GetValue());
    event->accept();
}

void CPngRSliderBar2::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        TrackPointer(event->position().toPoint());
        dragging = false;
        ReleaseCapture();
        PostValue(GetValue());
    }
    event->accept();
}

void CPngRSliderBar2::changeEvent(QEvent *event)
{
    CWnd::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        update();
}
