#pragma once

#include <functional>

// Turns SIGTERM, SIGINT and SIGHUP into a call of `onQuit` on the event loop's
// thread, so that a program asked to end by the session or a terminal closes
// its window and runs its normal shutdown steps instead of dying mid-way.
void InstallQuitSignalHandler(std::function<void()> onQuit);
