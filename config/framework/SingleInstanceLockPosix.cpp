#include "framework/SingleInstanceLock.h"

#include "framework/ProcessLock.h"

struct SingleInstanceLock::Holder
{
    explicit Holder(const QString &path)
        : lock(path)
    { }

    ProcessLock lock;
};

SingleInstanceLock::SingleInstanceLock(const QString &lockName, const QString &folder)
    : name(lockName)
    , description(folder.isEmpty() ? QString() : folder + QLatin1Char('/') + lockName + QStringLiteral(".lock"))
    , holder(std::make_unique<Holder>(description))
{ }

SingleInstanceLock::~SingleInstanceLock() = default;

SingleInstanceLock::Result SingleInstanceLock::TryAcquire()
{
    switch (holder->lock.TryAcquire()) {
    case ProcessLock::Result::Held:
        return Result::Held;
    case ProcessLock::Result::HeldByAnother:
        return Result::HeldByAnother;
    case ProcessLock::Result::Unavailable:
        break;
    }
    return Result::Unavailable;
}

void SingleInstanceLock::Release()
{
    holder->lock.Release();
}

bool SingleInstanceLock::IsHeld() const
{
    return holder->lock.IsHeld();
}
