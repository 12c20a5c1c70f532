#pragma once
// The agent's own log, beside Config's: <state folder>/Zarvik/LOG/hid.log.

#include <QString>

// Empty when the per-user state folder is unknown.
QString HidLogPath();

// Appends "hh:mm:ss:mmm ::  <message>"; a line that cannot be written is
// dropped.
void WriteHidLog(const QString &message);
