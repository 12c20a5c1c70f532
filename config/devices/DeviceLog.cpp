#include "devices/DeviceLog.h"

#include "settings/DiagnosticLog.h"

namespace {
DeviceLogSink currentSink = nullptr;
}

DeviceLogSink SetDeviceLogSink(DeviceLogSink sink)
{
    const DeviceLogSink previous = currentSink;
    currentSink = sink;
    return previous;
}

void DeviceLog(const QString &message)
{
    if (currentSink)
        currentSink(message);
    else
        WriteLog(message);
}
