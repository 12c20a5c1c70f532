#pragma once
// Observation of the message traffic, for tests and diagnostics.
//
// MessageRecorder sees every SendMessage() and PostMessage() call while it
// exists, at the moment of the call, in call order (several recorders may be
// active at once). RecordingWindow is a plain window that keeps every message
// delivered to it, in delivery order, and answers sends with a chosen result.

#include "framework/WinTypes.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

struct RecordedMessage
{
    enum Kind { Sent, Posted };

    Kind kind;
    QPointer<QObject> receiver;
    const QObject *receiverAddress; // stays valid for comparison after deletion
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    const std::vector<RecordedMessage> &Messages() const { return messages; }
    // Only the messages with this number, in order.
    std::vector<RecordedMessage> Messages(UINT message) const;
    int Count(UINT message) const;
    void Clear() { messages.clear(); }

    // Called by the message layer.
    static void Notify(RecordedMessage::Kind kind, QObject *receiver, UINT message, WPARAM wParam, LPARAM lParam);

private:
    std::vector<RecordedMessage> messages;
};

class RecordingWindow : public QWidget
{
public:
    struct Delivered
    {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool posted;
    };

    explicit RecordingWindow(QWidget *parent = nullptr);

    const std::vector<Delivered> &Received() const { return received; }
    std::vector<Delivered> Received(UINT message) const;
    void Clear() { received.clear(); }

    // Called for every delivered message after it is recorded; its result
    // answers a send. Without a handler sends are answered with 0.
    void SetHandler(std::function<LRESULT(const Delivered &)> answer) { handler = std::move(answer); }

protected:
    bool event(QEvent *event) override;

private:
    std::vector<Delivered> received;
    std::function<LRESULT(const Delivered &)> handler;
};
