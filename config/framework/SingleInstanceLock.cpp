#include "framework/SingleInstanceLock.h"

SingleInstanceLock::SingleInstanceLock(const QString &name, const QString &folder)
    : lock(folder.isEmpty() ? QString() : folder + QLatin1Char('/') + name + QStringLiteral(".lock"))
{ }

SingleInstanceLock::~SingleInstanceLock() = default;

SingleInstanceLock::Result SingleInstanceLock::TryAcquire()
{
    switch (lock.TryAcquire()) {
    case ProcessLock::Result::Held:
        return Result::Held;
    case ProcessLock::Result::HeldByAnother:
        return Result::HeldByAnother;
    case ProcessLock::Result::Unavailable:
        break;
    }
    return Result::Unavailable;
}
