#pragma once
// Where the device catalogue reports what it skipped (a plug-in it would not
// or could not load, a device count it cut): the diagnostic log, unless a
// sink is installed (tests capture the lines that way).

#include <QString>

using DeviceLogSink = void (*)(const QString &message);

// Installs the sink (null: back to the diagnostic log) and returns the
// previous one.
DeviceLogSink SetDeviceLogSink(DeviceLogSink sink);

void DeviceLog(const QString &message);
