#pragma once
// The program's plain-text trace of its start-up and shutdown steps.

#include <QString>

// Appends "hh:mm:ss:mmm ::  <message>" to the log file, creating its folder
// on first use. The file is opened and closed for every line; a line that
// cannot be written is dropped without a word.
void WriteLog(const QString &message);

// The log file: <state folder>/Zarvik/LOG/Zarvik RGB Software_Config.log,
// empty when the per-user state folder is unknown.
QString DiagnosticLogPath();
