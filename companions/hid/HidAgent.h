#pragma once
// The agent: listens as the agent's window and, whenever Config says the
// settings file changed (and once at start), reads it and reports the
// lighting it would apply.

#include "framework/LocalWindowEndpoint.h"

#include <QString>

#include <functional>

class HidAgent
{
public:
    // Every report line goes to `output` and to the agent's log.
    using Output = std::function<void(const QString &line)>;

    // `onClose` runs when the agent's window is asked to close.
    explicit HidAgent(Output output, std::function<void()> onClose = {});

    // Takes the agent's title (the single-instance rule: a second agent gets
    // TitleInUse), then applies the settings once.
    LocalWindowEndpoint::ListenResult Start();
    void Stop();
    QString ListenError() const { return endpoint.ErrorString(); }

    // Reads the settings file and reports it; `reason` names the occasion.
    void Apply(const QString &reason);
    int ApplyCount() const { return applyCount; }

private:
    intptr_t OnMessage(uint32_t message);
    void Report(const QString &line);

    Output output;
    std::function<void()> onClose;
    LocalWindowEndpoint endpoint;
    int applyCount = 0;
};
