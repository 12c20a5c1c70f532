#pragma once
// The vertical scroll bar of the drop-down menu. It keeps the scroll
// information as the menu sets it (minimum, maximum, page, position, with the
// maximum counting the last item, so the highest position is maximum - page
// + 1) and sends WM_VSCROLL (low word the request, high word the thumb
// position for SB_THUMBTRACK and SB_THUMBPOSITION, lParam Handle()) to its
// parent for every user action; the parent sets the new position.

#include "framework/WinTypes.h"
#include "skin/Bitmap.h"

#include <QScrollBar>

class CSkinScrollBar : public QScrollBar
{
public:
    explicit CSkinScrollBar(QWidget *parent = nullptr);
    ~CSkinScrollBar() override;

    // A hidden vertical bar at `rect` of `parent`, identifier `id`.
    void Create(QWidget *parent, const QRect &rect, int id);
    int GetDlgCtrlID() const { return controlId; }
    LPARAM Handle() const;

    // Kept; it does not change the look.
    void SetSkin(const Bitmap &skin) { skinBitmap = skin; }
    const Bitmap &GetSkin() const { return skinBitmap; }

    void SetScrollInfo(int minimum, int maximum, int page, int position);
    void SetScrollRange(int minimum, int maximum);
    void SetScrollPos(int position);
    int GetScrollPos() const { return scrollPos; }
    int GetScrollMin() const { return scrollMin; }
    int GetScrollMax() const { return scrollMax; }
    int GetScrollPage() const { return scrollPage; }

private:
    void Apply();
    void OnAction(int action);

    int controlId = 0;
    int scrollMin = 0;
    int scrollMax = 0;
    int scrollPage = 0;
    int scrollPos = 0;
    bool applying = false;
    Bitmap skinBitmap;
};
