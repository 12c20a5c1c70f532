#include "controls/CClrEdit.h"

#include "controls/ControlSupport.h"
#include "controls/EditInputFilter.h"
#include "framework/WindowMessage.h"
#include "skin/ImageHelpers.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CClrEdit::CClrEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setAlignment(Qt::AlignCenter);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    SetTextColor(textColour);
    auto *filter
        = new EditInputFilter(*this,
                              {[this](char16_t c) { return AcceptsCharacter(c); }, [this] { return typedLimit; },
                               [this](qsizetype count) { PostInserted(count); }});
    setValidator(filter);
    connect(this, &QLineEdit::textChanged, filter, &EditInputFilter::SetShownText);
}

CClrEdit::~CClrEdit() = default;

void CClrEdit::Create(QWidget *parent, const QRect &rect, int id, bool digits, bool visible)
{
    if (parent != parentWidget())
        setParent(parent);
    controlId = id;
    digitsOnly = digits;
    setAlignment(Qt::AlignCenter);
    setGeometry(rect.normalized());
    setVisible(visible);
}

LPARAM CClrEdit::Handle() const
{
    return HandleOf(this);
}

void CClrEdit::LoadBitmaps(const Bitmap *normal, const Bitmap *over, const Bitmap *down, const Bitmap *disable,
                           int left, int top, int right, int bottom)
{
    CropEach(stateImages, {normal, over, down, disable}, left, top, right, bottom);
    setFocusPolicy(Qt::ClickFocus);
    update();
}

void CClrEdit::SetEditFont(const QString &face, int height)
{
    QFont font(face);
    font.setPixelSize(height > 0 ? height : 1);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    update();
}

void CClrEdit::SetHexMode()
{
    hexMode = true;
}

void CClrEdit::SetTextColor(COLORREF colour)
{
    textColour = colour;
    QPalette p = palette();
    p.setColor(QPalette::Text, ToQColor(colour));
    p.setBrush(QPalette::Base, Qt::transparent);
    p.setBrush(QPalette::Window, Qt::transparent);
    setPalette(p);
    update();
}

std::optional<int> CClrEdit::TypedCharacter(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return std::nullopt;
    default:
        break;
    }
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier)) {
        if (event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
            return event.key() - Qt::Key_A + 1;
        return std::nullopt;
    }
    const QString text = event.text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F)
        return std::nullopt;
    return static_cast<int>(text.at(0).unicode());
}

bool CClrEdit::AcceptsCharacter(int code) const
{
    const bool digit = code >= '0' && code <= '9';
    if (hexMode) {
        if (digit || (code >= 'a' && code <= 'f') || (code >= 'A' && code <= 'F') || code == 8)
            return true;
        return code == 3 || code == 22 || code == 24;
    }
    if (digitsOnly && code >= 0x20 && !digit)
        return false;
    return true;
}

void CClrEdit::keyPressEvent(QKeyEvent *event)
{
    const std::optional<int> typed = TypedCharacter(*event);
    if (!typed) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    PostMessage(parentWidget(), UM_EDIT_CHAR, 0, static_cast<LPARAM>(controlId));
    if (AcceptsCharacter(*typed)) {
        typedInput = true;
        QLineEdit::keyPressEvent(event);
        typedInput = false;
    } else {
        event->accept(); // dropped
    }
}

void CClrEdit::inputMethodEvent(QInputMethodEvent *event)
{
    QString accepted;
    for (const QChar c : event->commitString()) {
        PostMessage(parentWidget(), UM_EDIT_CHAR, 0, static_cast<LPARAM>(controlId));
        if (c.unicode() >= 0x20 && AcceptsCharacter(c.unicode()))
            accepted += c;
    }
    if (!accepted.isEmpty()) {
        typedInput = true;
        insert(accepted);
        typedInput = false;
    }
    event->accept();
}

void CClrEdit::PostInserted(qsizetype count)
{
    if (typedInput)
        return;
    for (qsizetype i = 0; i < count; ++i)
        PostMessage(parentWidget(), UM_EDIT_CHAR, 0, static_cast<LPARAM>(controlId));
}

void CClrEdit::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        QPointer<CClrEdit> alive(this);
        SendMessage(parentWidget(), WM_COMMAND, 0, Handle());
        if (!alive)
            return;
    } else if (event->button() == Qt::RightButton) {
        update();
    }
    QLineEdit::mousePressEvent(event);
}

void CClrEdit::paintEvent(QPaintEvent *event)
{
    if (!stateImages[0].IsEmpty()) {
        QPainter painter(this);
        const Bitmap &face = stateImages[0];
        // The picture, repeated if the box is larger; on fine screens its 2x
        // companion when the picture covers the box.
        if (DrawsCompanion(painter, face) && QRect(QPoint(0, 0), face.Size()).contains(rect()))
            BlendBitmap(painter, 0, 0, face);
        else
            painter.fillRect(rect(), QBrush(face.Image()));
    }
    QLineEdit::paintEvent(event);
}
