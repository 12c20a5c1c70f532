#include "framework/SingleInstanceLock.h"

#include "framework/PlatformPaths.h"

#include <QLockFile>

SingleInstanceLock::SingleInstanceLock(const QString &name)
    : lock_(std::make_unique<QLockFile>(PlatformPaths::RuntimeDirectory() + QLatin1Char('/') + name
                                        + QStringLiteral(".lock")))
{
    // A lock whose holder is gone is taken over at once; the holder's process
    // id decides, not the file's age.
    lock_->setStaleLockTime(0);
}

SingleInstanceLock::~SingleInstanceLock()
{
    Release();
}

bool SingleInstanceLock::TryAcquire()
{
    if (!held_)
        held_ = lock_->tryLock(0);
    return held_;
}

void SingleInstanceLock::Release()
{
    if (held_)
        lock_->unlock();
    held_ = false;
}
