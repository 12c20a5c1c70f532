#pragma once
// The skinned single-line colour box: one colour component in decimal or the
// whole colour in hexadecimal. The first state image shows through as its
// background (tiled from the top left), the text is drawn in the text colour.
//
// Every typed character (including Backspace, Enter and control characters
// such as Ctrl+V) posts UM_EDIT_CHAR (wParam 0, lParam the identifier) to
// the parent before the box decides on it. In hex mode only 0-9, a-f, A-F,
// Backspace and the copy, paste and cut characters reach the box; a digits-only
// box rejects other printable characters. Text committed by an input method
// is filtered the same way, each character posting UM_EDIT_CHAR. Text pasted
// (by key, menu or middle click) or dropped keeps only the characters the
// filter accepts; from the menu, a middle click or a drop each character kept
// posts UM_EDIT_CHAR, as if typed. Every path stops at the length limit
// (EditInputFilter). A left press sends WM_COMMAND (wParam 0, lParam
// Handle()) to the parent before the box handles it.

#include "framework/WinTypes.h"
#include "skin/Bitmap.h"

#include <QLineEdit>

#include <optional>

class CClrEdit : public QLineEdit
{
public:
    explicit CClrEdit(QWidget *parent = nullptr);
    ~CClrEdit() override;

    // Makes the object a box: child of `parent` at `rect`, identifier `id`,
    // centred text, digits only when `digitsOnly`.
    void Create(QWidget *parent, const QRect &rect, int id, bool digitsOnly, bool visible = true);

    int GetDlgCtrlID() const { return controlId; }
    void SetDlgCtrlID(int id) { controlId = id; }
    LPARAM Handle() const;

    void LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable, int left,
                     int top, int right, int bottom);
    // Font of that face and pixel height, weight 400.
    void SetEditFont(const QString &face, int height);
    void SetHexMode();
    void SetDigitsOnly(bool on) { digitsOnly = on; }
    // At most `count` characters by typing, pasting, dropping or an input
    // method; text that the program sets is not limited. 0: no limit.
    void LimitText(int count) { typedLimit = count; }
    int TypedLimit() const { return typedLimit; }
    void SetTextColor(COLORREF colour);

    bool IsHexMode() const { return hexMode; }
    bool IsDigitsOnly() const { return digitsOnly; }
    COLORREF GetTextColor() const { return textColour; }
    const Bitmap &GetBackgroundImage() const { return stateImages[0]; }

    // The character a key press types, as the character code the filter and
    // UM_EDIT_CHAR speak of (Ctrl+letter gives 1..26, Backspace 8, Tab 9,
    // Enter 13, Escape 27); none for keys that type nothing (arrows, Delete,
    // function keys).
    static std::optional<int> TypedCharacter(const QKeyEvent &event);
    // Whether the filter lets the character through to the box.
    bool AcceptsCharacter(int code) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Committed text goes through the same filter as typed keys, character by
    // character; text still being composed is not shown.
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    int controlId = 0;
    bool hexMode = false;
    bool digitsOnly = false;
    int typedLimit = 0;
    // Set while the key or input-method handler edits: it has reported the
    // characters itself (a Ctrl+V as the one character typed).
    bool typedInput = false;

    // Posts UM_EDIT_CHAR for each of `count` characters that a paste from the
    // menu or by middle click, or a drop, put into the box.
    void PostInserted(qsizetype count);
    COLORREF textColour = RGB(255, 255, 255);
    Bitmap stateImages[4];
};
