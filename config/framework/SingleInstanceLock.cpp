#include "framework/SingleInstanceLock.h"

#include "framework/PlatformPaths.h"

#include <QLockFile>

SingleInstanceLock::SingleInstanceLock(const QString &name, const QString &folder)
    : path_(folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name + QStringLiteral(".lock"))
    , lock_(std::make_unique<QLockFile>(path_))
{
    // A lock whose holder is gone is taken over at once; the holder's process
    // id decides, not the file's age.
    lock_->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

SingleInstanceLock::Result SingleInstanceLock::TryAcquire()
{
    if (held_)
        return Result::Held;
    if (path_.isEmpty())
        return Result::Unavailable;
    held_ = lock_->tryLock(0);
    if (held_)
        return Result::Held;
    return lock_->error() == QLockFile::LockFailedError ? Result::HeldByAnother : Result::Unavailable;
}

void SingleInstanceLock::Release()
{
    if (held_)
        lock_->unlock();
    held_ = false;
}
