#include "framework/SingleInstanceLock.h"

#include "framework/PlatformPaths.h"

#include <QLockFile>

SingleInstanceLock::SingleInstanceLock(const QString &name, const QString &folder)
    : path(folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name + QStringLiteral(".lock"))
    , lock(std::make_unique<QLockFile>(path))
{
    // A lock whose holder is gone is taken over at once; the holder's process
    // id decides, not the file's age.
    lock->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

SingleInstanceLock::Result SingleInstanceLock::TryAcquire()
{
    if (held)
        return Result::Held;
    if (path.isEmpty())
        return Result::Unavailable;
    held = lock->tryLock(0);
    if (held)
        return Result::Held;
    return lock->error() == QLockFile::LockFailedError ? Result::HeldByAnother : Result::Unavailable;
}

void SingleInstanceLock::Release()
{
    if (held)
        lock->unlock();
    held = false;
}
