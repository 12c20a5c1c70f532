#pragma once
// The drop-down menu: a borderless window owned by the main window whose rows
// are CPngListBtn buttons built from a list of BMPMENUINFO items. Choosing an
// enabled row checks it and posts UM_MENU_ITEM to the owner (the parent when
// there is no owner): wParam high word the item index, low word the parent
// index (0xFFFF for a top-level menu); lParam high word the low 16 bits of
// the item's value, low word 0. The menu never closes itself: the owner
// destroys it.
//
// All configuration happens before CreateMenu(); the rows are built from the
// items present then. When there are more items than visible rows a scroll
// bar appears and the rows scroll (WM_VSCROLL from the bar or the rows'
// wheel).
//
// Keyboard (the owner passes the keys on while the menu is open): a
// highlight, shown as the row's hover look, moves over the items and scrolls
// them into view; choosing it is a Space press on its row, so the same
// command and UM_MENU_ITEM follow as for a click.

#include "controls/CPngListBtn.h"
#include "controls/CSkinScrollBar.h"
#include "framework/CWnd.h"
#include "skin/Bitmap.h"

#include <memory>
#include <vector>

struct BMPMENUINFO
{
    static constexpr int kMaxTextLength = 259;
    char16_t text[kMaxTextLength + 1] = {}; // UTF-16, zero-terminated
    unsigned char hasSubmenu = 0; // a row with a submenu is not chosen by a click
    unsigned char enabled = 0;
    std::int32_t value = 0;
    std::int32_t iconParameter = 0;

    QString Text() const;
    // Stores `text`, cut to 259 characters.
    void SetText(const QString &text);
};

class CPngBtnMenu : public CWnd
{
public:
    static constexpr int kTemplateId = 214;
    static constexpr int kScrollBarBitmapId = 215;
    static constexpr int kScrollBarId = 101;
    static constexpr int kScrollBarWidth = 12;
    static constexpr UINT kDoubleClickMessage = 21505;
    static constexpr UINT kOtherCodeMessage = 21506;
    // The parent index that UM_MENU_ITEM carries for a top-level menu.
    static constexpr WORD kTopLevelParentIndex = 0xFFFF;
    // The menu window is this much wider than the row picture.
    static constexpr int kMenuExtraWidth = 18;
    // A row's command code, other than click and double-click, that the menu
    // passes on as kOtherCodeMessage.
    static constexpr WORD kOtherRowCode = 255;

    explicit CPngBtnMenu(QWidget *owner);
    ~CPngBtnMenu() override;

    // Loads the four row pictures.
    void SetItemImages(const QString &normal, const QString &over, const QString &down, const QString &disable);
    void SetRowHeight(int pixels) { rowHeight = pixels; }
    void SetRowFontHeight(int pixels) { rowFontHeight = pixels; }
    void SetRowTextLayout(int iconOffset, int alignment);
    void SetVisibleRows(int rows) { visibleRows = rows; }
    void SetMargins(int left, int top);
    void SetPosition(int x, int y);
    void AddItem(const QString &text, int value, int iconParameter, bool enabled);

    // Creates the window as a pop-up of `parent`, builds the rows and shows
    // it at the position.
    void CreateMenu(QWidget *parent);
    // Destroys the rows, empties the item list and hides the window.
    void DestroyWindow();

    int GetItemCount() const { return static_cast<int>(items.size()); }
    const BMPMENUINFO &GetItem(int index) const { return items.at(static_cast<size_t>(index)); }
    int GetSelectedItem() const { return selectedItem; }
    int GetFirstVisible() const { return firstVisible; }
    int GetVisibleRows() const { return visibleRows; }
    int GetRowHeight() const { return rowHeight; }
    int GetRowWidth() const { return rowWidth; }
    int GetRowCount() const { return static_cast<int>(rows.size()); }
    CPngListBtn *GetRow(int index) const;
    const CSkinScrollBar &GetScrollBar() const { return scrollBar; }
    bool IsScrollBarShown() const { return scrollBarShown != 0; }
    const Bitmap &GetItemImage(int which) const { return itemImages[which]; }

    // Fits a picture of height H to `height`, keeping end bands of `band`
    // rows: shorter keeps the top and the bottom band, taller repeats the
    // middle band.
    // Moves the highlight `delta` items (from the selected item, or before
    // the first, when there is none yet), within the items.
    void MoveHighlight(int delta);
    // Presses the highlighted row with Space; false when nothing is
    // highlighted.
    bool ChooseHighlighted();
    int GetHighlightedItem() const { return highlightedItem; }

    static Bitmap FitToHeight(const Bitmap &picture, int height, int band);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    QImage PaintBuffer() override;

private:
    void OnInitDialog();
    LRESULT OnCommand(WPARAM wParam, LPARAM lParam);
    void OnVScroll(WORD code, WORD thumb);
    void RefreshRows();
    void CheckRow(CPngListBtn *row);

    int visibleRows = -1;
    int firstVisible = 0;
    CSkinScrollBar scrollBar;
    unsigned char scrollBarShown = 0;
    UINT clickMessage = UM_MENU_ITEM;
    UINT doubleClickMessage = kDoubleClickMessage;
    UINT otherCodeMessage = kOtherCodeMessage;
    int rowHeight = -1;
    int rowFontHeight = 18;
    int selectedItem = -1;
    int highlightedItem = -1;
    CPngListBtn *checkedRow = nullptr;
    std::vector<std::unique_ptr<CPngListBtn>> rows;
    Bitmap itemImages[4];
    int x = 0;
    int y = 0;
    int rowWidth = 0;
    int leftMargin = 0;
    int topMargin = 0;
    int rowAlignment = 1;
    int rowIconOffset = 0;
    QPointer<QWidget> owner;
    std::vector<BMPMENUINFO> items;
    COLORREF disabledRowColour = RGB(128, 128, 128);
    COLORREF enabledNormalColour = RGB(255, 255, 255);
    COLORREF enabledHoverColour = RGB(216, 38, 48);
};
