#include "framework/WindowMessage.h"

#include "framework/MessageRecorder.h"

#include <QCoreApplication>
#include <QObject>

WindowMessageEvent::WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam, bool posted)
    : QEvent(EventType())
    , message(message)
    , wParam(wParam)
    , lParam(lParam)
    , posted(posted)
{ }

QEvent::Type WindowMessageEvent::EventType()
{
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

WindowMessageEvent *WindowMessageEvent::From(QEvent *event)
{
    if (event == nullptr || event->type() != EventType())
        return nullptr;
    return static_cast<WindowMessageEvent *>(event);
}

LRESULT SendMessage(QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam)
{
    MessageRecorder::Notify(RecordedMessage::Sent, receiver, message, wParam, lParam);
    if (receiver == nullptr)
        return 0;
    WindowMessageEvent event(message, wParam, lParam, false);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result;
}

bool PostMessage(QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam)
{
    MessageRecorder::Notify(RecordedMessage::Posted, receiver, message, wParam, lParam);
    if (receiver == nullptr)
        return false;
    QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam, true));
    return true;
}

LPARAM HandleOf(const QObject *window)
{
    return reinterpret_cast<LPARAM>(window);
}
