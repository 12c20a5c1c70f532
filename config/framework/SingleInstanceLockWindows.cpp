#include "framework/SingleInstanceLock.h"

#include <windows.h>

struct SingleInstanceLock::Holder
{
    HANDLE mutex = nullptr;
};

SingleInstanceLock::SingleInstanceLock(const QString &lockName, const QString &)
    : name(lockName)
    , description(QStringLiteral("mutex \"%1\"").arg(lockName))
    , holder(std::make_unique<Holder>())
{ }

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

SingleInstanceLock::Result SingleInstanceLock::TryAcquire()
{
    if (holder->mutex)
        return Result::Held;
    if (name.isEmpty() || name.contains(QLatin1Char('\\')))
        return Result::Unavailable;
    // The mutex lives as long as one handle to it is open: another copy's
    // handle makes the name exist already.
    const std::wstring wide = name.toStdWString();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, wide.c_str());
    const DWORD error = GetLastError();
    if (!mutex)
        return error == ERROR_ACCESS_DENIED ? Result::HeldByAnother : Result::Unavailable;
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        return Result::HeldByAnother;
    }
    holder->mutex = mutex;
    return Result::Held;
}

void SingleInstanceLock::Release()
{
    if (holder && holder->mutex) {
        CloseHandle(holder->mutex);
        holder->mutex = nullptr;
    }
}

bool SingleInstanceLock::IsHeld() const
{
    return holder->mutex != nullptr;
}
