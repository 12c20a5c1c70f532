#include "framework/MessageRecorder.h"

#include "framework/WindowMessage.h"

#include <algorithm>

namespace {

std::vector<MessageRecorder *> &ActiveRecorders()
{
    static std::vector<MessageRecorder *> recorders;
    return recorders;
}

} // namespace

MessageRecorder::MessageRecorder()
{
    ActiveRecorders().push_back(this);
}

MessageRecorder::~MessageRecorder()
{
    auto &all = ActiveRecorders();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

std::vector<RecordedMessage> MessageRecorder::Messages(UINT message) const
{
    std::vector<RecordedMessage> found;
    for (const RecordedMessage &m : messages)
        if (m.message == message)
            found.push_back(m);
    return found;
}

int MessageRecorder::Count(UINT message) const
{
    return static_cast<int>(std::count_if(messages.begin(), messages.end(),
                                          [message](const RecordedMessage &m) { return m.message == message; }));
}

void MessageRecorder::Notify(RecordedMessage::Kind kind, QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (MessageRecorder *recorder : ActiveRecorders())
        recorder->messages.push_back(RecordedMessage {kind, receiver, receiver, message, wParam, lParam});
}

RecordingWindow::RecordingWindow(QWidget *parent)
    : QWidget(parent)
{ }

std::vector<RecordingWindow::Delivered> RecordingWindow::Received(UINT message) const
{
    std::vector<Delivered> found;
    for (const Delivered &d : received)
        if (d.message == message)
            found.push_back(d);
    return found;
}

bool RecordingWindow::event(QEvent *event)
{
    if (WindowMessageEvent *m = WindowMessageEvent::From(event)) {
        const Delivered delivered {m->message, m->wParam, m->lParam, m->posted};
        received.push_back(delivered);
        if (handler)
            m->result = handler(delivered);
        return true;
    }
    return QWidget::event(event);
}
