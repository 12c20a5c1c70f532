#pragma once
// Numbered messages between windows of one process.
//
// A message is {number, wParam, lParam}. SendMessage() delivers it at once,
// as a synchronous call into the receiver, and answers the receiver's result.
// PostMessage() queues it: the receiver handles it after the sender has
// returned to the event loop, posted messages in the order they were posted.
// Both travel as one custom event type, WindowMessageEvent; a receiver
// handles them in its event() (or customEvent()) override, CWnd does so
// through WindowProc(). Messages to a receiver that no longer exists are
// dropped.

#include "framework/WinTypes.h"

#include <QEvent>

class QObject;

// Message numbers shared by the controls and the main window.
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_VSCROLL = 0x0115;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT UM_SLIDER_POS = WM_USER + 70; // 1094
inline constexpr UINT UM_EDIT_CHAR = WM_USER + 72; // 1096
inline constexpr UINT UM_BUTTON_HOVER = WM_USER + 129; // 1153
inline constexpr UINT UM_MENU_ITEM = WM_USER + 257; // 1281

// Notification codes in the high word of a command's wParam.
inline constexpr WORD BN_CLICKED = 0;
inline constexpr WORD BN_DOUBLECLICKED = 5;

// Vertical scroll request codes (low word of WM_VSCROLL's wParam).
inline constexpr WORD SB_LINEUP = 0;
inline constexpr WORD SB_LINEDOWN = 1;
inline constexpr WORD SB_PAGEUP = 2;
inline constexpr WORD SB_PAGEDOWN = 3;
inline constexpr WORD SB_THUMBPOSITION = 4;
inline constexpr WORD SB_THUMBTRACK = 5;
inline constexpr WORD SB_TOP = 6;
inline constexpr WORD SB_BOTTOM = 7;
inline constexpr WORD SB_ENDSCROLL = 8;

class WindowMessageEvent : public QEvent
{
public:
    WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam, bool posted);

    // The event type all messages use (registered once).
    static QEvent::Type EventType();
    // The message carried by `event`, or null when it is another event.
    static WindowMessageEvent *From(QEvent *event);

    const UINT message;
    const WPARAM wParam;
    const LPARAM lParam;
    const bool posted;
    LRESULT result = 0; // set by the receiver of a sent message
};

// Delivers the message now; answers the receiver's result, or 0 when there
// is no receiver or it does not handle messages.
LRESULT SendMessage(QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam);

// Queues the message for the receiver; false when there is no receiver.
bool PostMessage(QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam);

// A window as a message parameter (the "window handle" of commands and
// notifications). Only ever compared with other handles, never dereferenced
// by the layer; 0 for no window.
LPARAM HandleOf(const QObject *window);
