#pragma once
// hid's command line: run as the agent, or send one request to Config.

#include <QString>
#include <QStringList>

#include <cstdint>

struct HidOptions
{
    enum class Mode { Agent, Send, Preview, Help, Invalid };

    Mode mode = Mode::Agent;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    int timeoutMs = 3000;
    int previewLeds = 12; // LEDs per device line
    int previewFrames = 0; // frames to draw before ending; 0: until ended
    QString error; // for Mode::Invalid
};

// `arguments` without the program name.
HidOptions ParseHidCommandLine(const QStringList &arguments);

QString HidUsage();
