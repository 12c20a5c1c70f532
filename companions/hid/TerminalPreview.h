#pragma once
// The lighting as frames for a true-colour terminal: one line of coloured
// blocks per device, drawn again in place for every frame.

#include "settings/LightingSettings.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct PreviewDevice
{
    QString label; // "category 1 (SSD) device 2"
    EffectInfo record;
};

// The devices of the current profile and the record each shows (as in the
// lighting report); a category without devices has none.
std::vector<PreviewDevice> PreviewDevices(const LightingSettings &settings);

// One line: the label, then a block per LED in its colour, then the colours
// reset.
QString PreviewLine(const QString &label, const std::vector<uint32_t> &colours);

// Every device's line at `timeMs`. A frame after the first starts by moving
// the cursor back up over the previous one (`previousLines` lines) so that it
// replaces it.
QString PreviewFrame(const std::vector<PreviewDevice> &devices, bool ledOn, int ledCount, int64_t timeMs,
                     int previousLines);
