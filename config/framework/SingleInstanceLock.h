#pragma once
// A per-user named lock that tells a second copy of a program that the first
// one runs. Only a live copy holds it: a copy that was killed, or a lock file
// left empty or damaged, never stops the next start.

#include "framework/PlatformPaths.h"
#include "framework/ProcessLock.h"

#include <QString>

class SingleInstanceLock
{
public:
    enum class Result {
        Held, // this process holds the lock
        HeldByAnother, // another live process holds it
        Unavailable, // the lock file cannot be made (no folder, no rights)
    };

    // The lock file `name`.lock in `folder` (the per-user runtime folder).
    explicit SingleInstanceLock(const QString &name, const QString &folder = PlatformPaths::RuntimeDirectory());
    ~SingleInstanceLock();

    Result TryAcquire();
    QString FilePath() const { return lock.Path(); }
    void Release() { lock.Release(); }
    bool IsHeld() const { return lock.IsHeld(); }

private:
    ProcessLock lock;
};
