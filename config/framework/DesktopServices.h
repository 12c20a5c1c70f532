#pragma once

#include <QString>

#include <functional>

namespace DesktopServices {

// Opens a document with the desktop's default handler. False when no
// handler took it (the caller decides whether that matters).
bool OpenDocument(const QString &path);

// The platform's own opening, which OpenDocument uses unless a test replaced
// it: the desktop's handler of the file's type; on Windows ShellExecuteW with
// the default verb.
bool OpenDocumentWithPlatform(const QString &path);

// Tests replace the desktop with a recorder; an empty function restores it.
void SetDocumentOpenerForTesting(std::function<bool(const QString &)> opener);

} // namespace DesktopServices
