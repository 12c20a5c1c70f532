#pragma once
// Where the device catalogue reports what it skipped (a plug-in it would not
// or could not load, a device count it cut). The program points this at its
// diagnostic log; tests capture the lines. Without a sink, lines are dropped.

#include <QString>

using DeviceLogSink = void (*)(const QString &message);

// Installs the sink (null: drop lines) and returns the previous one.
DeviceLogSink SetDeviceLogSink(DeviceLogSink sink);

void DeviceLog(const QString &message);
