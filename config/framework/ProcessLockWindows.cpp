#include "framework/ProcessLock.h"

#include <QDir>

#include <windows.h>

ProcessLock::Result ProcessLock::TryAcquire()
{
    if (descriptor >= 0)
        return Result::Held;
    if (path.isEmpty())
        return Result::Unavailable;
    // Handles are not inherited by the programs this one starts unless asked.
    const std::wstring name = QDir::toNativeSeparators(path).toStdWString();
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return Result::Unavailable;
    OVERLAPPED whole = {};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
        const bool busy = GetLastError() == ERROR_LOCK_VIOLATION;
        CloseHandle(file);
        return busy ? Result::HeldByAnother : Result::Unavailable;
    }
    descriptor = reinterpret_cast<intptr_t>(file);
    return Result::Held;
}

void ProcessLock::Release()
{
    if (descriptor < 0)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(descriptor)); // closing the handle drops the lock
    descriptor = -1;
}
