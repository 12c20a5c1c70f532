#pragma once
// Pointer, wheel and key events delivered straight to a widget, with the
// button state the test chooses (no grabs, no enter or leave of their own).

#include <QApplication>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

namespace testev {

inline void Mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void Press(QWidget *w, QPoint pos = QPoint(1, 1))
{
    Mouse(w, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

inline void Release(QWidget *w, QPoint pos = QPoint(1, 1))
{
    Mouse(w, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

inline void Move(QWidget *w, QPoint pos, Qt::MouseButtons held = Qt::NoButton)
{
    Mouse(w, QEvent::MouseMove, pos, Qt::NoButton, held);
}

// The sequence a double-click arrives as: press, release, double-click,
// release.
inline void DoubleClick(QWidget *w, QPoint pos = QPoint(1, 1))
{
    Press(w, pos);
    Release(w, pos);
    Mouse(w, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
    Release(w, pos);
}

inline void Wheel(QWidget *w, int delta, QPoint pos = QPoint(1, 1))
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// Makes the window of `w` the program's active window, as a user's click on
// it would: hover starts only while a window of the program is active.
inline void Activate(QWidget *w)
{
    QApplication::setActiveWindow(w->window());
}

inline void Leave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

inline void Key(QWidget *w, int key, const QString &text, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &e);
}

inline void FocusOut(QWidget *w)
{
    QFocusEvent e(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(w, &e);
}

} // namespace testev
