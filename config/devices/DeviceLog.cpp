#include "devices/DeviceLog.h"

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
}
