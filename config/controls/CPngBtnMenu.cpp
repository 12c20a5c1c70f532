#include "controls/CPngBtnMenu.h"

#include "controls/ControlSupport.h"
#include "skin/ImageHelpers.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <iterator>

QString BMPMENUINFO::Text() const
{
    int length = 0;
    while (length < kMaxTextLength && text[length] != 0)
        ++length;
    return QString::fromUtf16(text, length);
}

void BMPMENUINFO::SetText(const QString &value)
{
    const int length = static_cast<int>(std::min<qsizetype>(value.size(), kMaxTextLength));
    for (int i = 0; i < length; ++i)
        text[i] = value.at(i).unicode();
    std::fill(std::begin(text) + length, std::end(text), u'\0');
}

CPngBtnMenu::CPngBtnMenu(QWidget *ownerWindow)
    : CWnd(nullptr)
    , scrollBar(this)
    , owner(ownerWindow)
{
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    SetAccessibleRole(QAccessible::List);
}

CPngBtnMenu::~CPngBtnMenu()
{
    checkedRow = nullptr;
    rows.clear();
}

void CPngBtnMenu::SetItemImages(const QString &normal, const QString &over, const QString &down, const QString &disable)
{
    const QString *names[4] = {&normal, &over, &down, &disable};
    for (int i = 0; i < 4; ++i) {
        itemImages[i].Release();
        LoadImageFile(*names[i], itemImages[i]);
    }
}

void CPngBtnMenu::SetRowTextLayout(int iconOffset, int alignment)
{
    rowIconOffset = iconOffset;
    rowAlignment = alignment;
}

void CPngBtnMenu::SetMargins(int left, int top)
{
    leftMargin = left;
    topMargin = top;
}

void CPngBtnMenu::SetPosition(int newX, int newY)
{
    x = newX;
    y = newY;
}

void CPngBtnMenu::AddItem(const QString &text, int value, int iconParameter, bool enabled)
{
    BMPMENUINFO item;
    item.SetText(text);
    item.value = value;
    item.iconParameter = iconParameter;
    item.enabled = enabled ? 1 : 0;
    items.push_back(item);
}

CPngListBtn *CPngBtnMenu::GetRow(int index) const
{
    if (index < 0 || index >= static_cast<int>(rows.size()))
        return nullptr;
    return rows[static_cast<size_t>(index)].get();
}

namespace {

// FitToHeight() of one picture held at `scale` pixels per logical pixel;
// `w`, `h`, `target` and `band` are logical.
void FitRows(const QImage &source, QImage &out, int w, int h, int target, int band, int scale)
{
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // Rows [from, to) of the picture placed with their first row at `at`.
    auto place = [&](int from, int to, int at) {
        from = std::clamp(from, 0, h);
        to = std::clamp(to, from, h);
        if (to > from)
            painter.drawImage(QPoint(0, at * scale), source, QRect(0, from * scale, w * scale, (to - from) * scale));
    };
    if (target < h) {
        if (target > band) {
            place(0, target, 0);
            place(h - band, h, target - band);
        } else {
            place(0, target, 0);
            place(h - target / 2, h, target / 2);
        }
        return;
    }
    place(0, h, 0);
    const int middle = h - 2 * band;
    if (middle > 0) {
        const long long last = (static_cast<long long>(target) - h + band) / middle;
        for (long long k = 0; k <= last; ++k) {
            const long long at = band + k * middle;
            if (at >= target)
                break;
            place(band, h - band, static_cast<int>(at));
        }
    }
    place(band, h, std::max(target - h + band, band));
}

} // namespace

Bitmap CPngBtnMenu::FitToHeight(const Bitmap &picture, int target, int band)
{
    Bitmap fitted = CreateDib32(picture.Width(), target);
    if (picture.IsEmpty() || fitted.IsEmpty())
        return fitted;
    FitRows(picture.Image(), fitted.Image(), picture.Width(), picture.Height(), target, band, 1);
    if (picture.HasCompanion()) {
        Bitmap companion = CreateDib32(picture.Width() * 2, target * 2);
        if (!companion.IsEmpty()) {
            QImage pixels = picture.Companion();
            pixels.setDevicePixelRatio(1.0); // placed pixel for pixel, not at logical size
            FitRows(pixels, companion.Image(), picture.Width(), picture.Height(), target, band, 2);
            fitted.AttachCompanion(companion.Image());
        }
    }
    return fitted;
}

void CPngBtnMenu::CreateMenu(QWidget *parent)
{
    if (parent != parentWidget())
        setParent(parent, windowFlags());
    OnInitDialog();
}

void CPngBtnMenu::OnInitDialog()
{
    const Bitmap &normal = itemImages[0];
    const int pictureWidth = normal.Width();
    const int pictureHeight = normal.Height();
    const int count = static_cast<int>(items.size());

    rowWidth = pictureWidth - 2 * leftMargin;
    if (rowHeight == -1)
        rowHeight = pictureHeight;
    if (visibleRows == -1 || visibleRows > count)
        visibleRows = count;
    visibleRows = std::max(visibleRows, 0);

    const long long tall = static_cast<long long>(visibleRows) * rowHeight + topMargin;
    const int menuHeight = static_cast<int>(std::clamp<long long>(tall, 0, kMaxBitmapSide));
    if (menuHeight != pictureHeight)
        for (Bitmap &picture : itemImages)
            picture = FitToHeight(picture, menuHeight, rowHeight);

    checkedRow = nullptr;
    rows.clear();
    for (int i = 0; i < visibleRows; ++i) {
        auto row = std::make_unique<CPngListBtn>();
        const QRect place(leftMargin, topMargin + i * rowHeight, std::max(rowWidth, 0), std::max(rowHeight, 0));
        row->Create(QString(), this, place, 0);
        row->SetAccessibleRole(QAccessible::ListItem);
        row->LoadBitmaps(&itemImages[0], &itemImages[1], &itemImages[2], &itemImages[3], 0, 0, rowWidth, rowHeight);
        row->SetTextAlign(rowAlignment);
        const QString text = items[static_cast<size_t>(i)].Text();
        row->SetCaption(text, rowIconOffset);
        row->SetTooltipText(text, true);
        row->SetFontHeight(rowFontHeight);
        rows.push_back(std::move(row));
    }

    setGeometry(x, y, pictureWidth + kMenuExtraWidth, menuHeight);
    show();

    scrollBar.Create(this, QRect(pictureWidth - kScrollBarWidth, topMargin, kScrollBarWidth, menuHeight), kScrollBarId);
    scrollBar.SetSkin(Bitmap()); // no bitmap resources on this platform; the bar keeps the standard look
    scrollBar.SetScrollInfo(0, count > 0 ? count - 1 : 0, visibleRows, 0);
    if (count > visibleRows) {
        scrollBar.SetScrollRange(0, count - 1);
        scrollBar.show();
        scrollBarShown = 1;
        for (auto &row : rows)
            row->resize(std::max(rowWidth - kScrollBarWidth, 0), row->height());
    } else {
        scrollBar.hide();
        scrollBarShown = 0;
    }
    RefreshRows();
}

void CPngBtnMenu::CheckRow(CPngListBtn *row)
{
    if (checkedRow != nullptr && checkedRow != row)
        checkedRow->SetChecked(false);
    checkedRow = row;
    if (row != nullptr)
        row->SetChecked(true);
}

void CPngBtnMenu::RefreshRows()
{
    const int count = static_cast<int>(items.size());
    const int page = static_cast<int>(rows.size());
    firstVisible = std::clamp(firstVisible, 0, std::max(count - page, 0));
    for (int i = 0; i < page; ++i) {
        CPngListBtn *row = rows[static_cast<size_t>(i)].get();
        const int index = firstVisible + i;
        const BMPMENUINFO item = index < count ? items[static_cast<size_t>(index)] : BMPMENUINFO {};
        const QString text = item.Text();
        row->setVisible(!text.isEmpty());
        row->SetCaption(text, rowIconOffset);
        const bool enabled = item.enabled != 0;
        row->SetTextColors(enabled ? enabledHoverColour : disabledRowColour,
                           enabled ? enabledNormalColour : disabledRowColour, RGB(255, 255, 255));
        if (highlightedItem >= 0)
            row->SetHighlighted(index == highlightedItem);
    }
    if (selectedItem >= firstVisible && selectedItem < firstVisible + page)
        CheckRow(rows[static_cast<size_t>(selectedItem - firstVisible)].get());
    else
        CheckRow(nullptr);
}

LRESULT CPngBtnMenu::OnCommand(WPARAM wParam, LPARAM lParam)
{
    int rowIndex = -1;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i]->Handle() == lParam)
            rowIndex = static_cast<int>(i);
    if (rowIndex < 0)
        return 0; // not from a row
    const int index = firstVisible + rowIndex;
    if (index < 0 || index >= static_cast<int>(items.size()))
        return 1;
    const BMPMENUINFO &item = items[static_cast<size_t>(index)];
    if (item.enabled == 0 || item.hasSubmenu != 0)
        return 1;

    const WORD code = HIWORD(wParam);
    UINT message = 0;
    if (code == BN_CLICKED) {
        selectedItem = index;
        const int page = static_cast<int>(rows.size());
        if (index < firstVisible || index >= firstVisible + page) {
            firstVisible = index - page + 1;
            RefreshRows();
            scrollBar.SetScrollPos(firstVisible);
        } else {
            CheckRow(rows[static_cast<size_t>(rowIndex)].get());
        }
        message = clickMessage;
    } else if (code == BN_DOUBLECLICKED) {
        message = doubleClickMessage;
    } else if (code == kOtherRowCode) {
        message = otherCodeMessage;
    } else {
        return 1;
    }
    QObject *receiver = owner ? static_cast<QObject *>(owner.data()) : parentWidget();
    PostMessage(receiver, message, MAKEWPARAM(kTopLevelParentIndex, static_cast<WORD>(index)),
                MAKELPARAM(0, static_cast<WORD>(item.value & 0xFFFF)));
    return 1;
}

void CPngBtnMenu::OnVScroll(WORD code, WORD thumb)
{
    const int count = static_cast<int>(items.size());
    const int page = static_cast<int>(rows.size());
    switch (code) {
    case SB_LINEUP:
        if (firstVisible > 0)
            --firstVisible;
        break;
    case SB_LINEDOWN:
        if (firstVisible < count - page)
            ++firstVisible;
        break;
    case SB_PAGEUP:
        firstVisible = std::max(firstVisible - page, 0);
        break;
    case SB_PAGEDOWN:
        firstVisible = std::min(firstVisible + page, count - page);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        firstVisible = thumb;
        break;
    case SB_TOP:
        firstVisible = 0;
        break;
    case SB_BOTTOM:
        firstVisible = count;
        break;
    default:
        return;
    }
    RefreshRows();
    scrollBar.SetScrollPos(firstVisible);
}

LRESULT CPngBtnMenu::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    if (message == WM_VSCROLL) {
        OnVScroll(LOWORD(wParam), HIWORD(wParam));
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CPngBtnMenu::MoveHighlight(int delta)
{
    const int count = static_cast<int>(items.size());
    const int page = static_cast<int>(rows.size());
    if (count == 0 || page == 0)
        return;
    const int from = highlightedItem >= 0 ? highlightedItem : (selectedItem >= 0 ? selectedItem : -1);
    const long long target = static_cast<long long>(from) + delta;
    highlightedItem = static_cast<int>(std::clamp<long long>(target, 0, count - 1));
    if (highlightedItem < firstVisible)
        firstVisible = highlightedItem;
    else if (highlightedItem >= firstVisible + page)
        firstVisible = highlightedItem - page + 1;
    RefreshRows();
    scrollBar.SetScrollPos(firstVisible);
    NotifyAccessibleFocus(rows[static_cast<size_t>(highlightedItem - firstVisible)].get());
}

bool CPngBtnMenu::ChooseHighlighted()
{
    const int rowIndex = highlightedItem - firstVisible;
    if (highlightedItem < 0 || rowIndex < 0 || rowIndex >= static_cast<int>(rows.size()))
        return false;
    rows[static_cast<size_t>(rowIndex)]->ClickFromKeyboard();
    return true;
}

void CPngBtnMenu::DestroyWindow()
{
    checkedRow = nullptr;
    rows.clear();
    items.clear();
    highlightedItem = -1;
    hide();
}

QImage CPngBtnMenu::PaintBuffer()
{
    QImage buffer = CreateFaceBuffer(*this);
    if (buffer.isNull())
        return QImage();
    if (!itemImages[0].IsEmpty()) {
        QPainter painter(&buffer);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        BlendBitmap(painter, 0, 0, itemImages[0]);
    }
    return buffer;
}
