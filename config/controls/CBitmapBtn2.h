#pragma once
// The image button base of the colour swatches: the hover tracking of
// CBitmapBtn, but the click command is sent at the release, and only when
// more than 500 ms (unsigned tick difference) passed since the last command;
// entering the button posts UM_BUTTON_HOVER (wParam identifier, lParam
// Handle()) to the owner, else the parent. The face is drawn by the derived
// class in DrawItem().

#include "controls/CBitmapBtn.h"
#include "framework/CWnd.h"
#include "skin/Bitmap.h"

#include <QString>

class CBitmapBtn2 : public CWnd
{
public:
    enum StateImage { Normal = 0, Over = 1, Down = 2, Disable = 3 };

    explicit CBitmapBtn2(QWidget *parent = nullptr);
    ~CBitmapBtn2() override;

    void Create(const QString &caption, QWidget *parent, const QRect &rect, int id, bool visible = true);

    // As CBitmapBtn::LoadBitmaps, but does nothing before Create(); clears
    // hover afterwards.
    void LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                     int left, int top, int right, int bottom);
    // Stores both and repaints.
    void SetCaption(const QString &text, int alignment);
    void SetLeftAligned();
    void SetWhiteText();
    // Stores and repaints when the value changes.
    void SetChecked(bool checked);

    bool GetChecked() const { return checked; }
    bool IsHovered() const { return hover; }
    bool IsPressed() const { return pressed; }
    QString GetCaption() const { return caption; }
    int GetTextAlign() const { return alignmentCode; }
    const Bitmap &GetStateImage(StateImage which) const { return stateImages[which]; }

    static constexpr DWORD kClickGuardMs = 500;

protected:
    virtual void DrawItem(QImage &buffer, const DrawItemState &state);

    QImage PaintBuffer() override;
    void OnCaptureChanged() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void changeEvent(QEvent *event) override;

    bool checked = false;
    DWORD lastNotificationTick = 0;
    bool hover = false;
    int alignmentCode = 0;
    int fontHeight = 15;
    COLORREF normalColour = RGB(255, 255, 255);
    COLORREF hoverColour = RGB(255, 255, 255);
    COLORREF pressedColour = RGB(255, 255, 255);
    Bitmap stateImages[4];
    QString caption;
    bool pressed = false;

private:
    void SendCommand(WORD code);
};
