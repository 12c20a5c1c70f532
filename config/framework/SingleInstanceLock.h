#pragma once
// A per-user named lock that tells a second copy of a program that the first
// one runs. Only a live copy holds it: a copy that was killed, or a lock file
// left empty or damaged, never stops the next start.
//
// On Windows it is the named mutex `name` of the session, which the system
// drops with the process that held it; elsewhere the lock file `name`.lock in
// `folder` (the per-user runtime folder).

#include "framework/PlatformPaths.h"

#include <QString>

#include <memory>

class SingleInstanceLock
{
public:
    enum class Result {
        Held, // this process holds the lock
        HeldByAnother, // another live process holds it
        Unavailable, // the lock cannot be made (no folder, no rights)
    };

    explicit SingleInstanceLock(const QString &name, const QString &folder = PlatformPaths::RuntimeDirectory());
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    Result TryAcquire();
    // What the lock is made of (the lock file, or the mutex's name), for logs.
    QString Description() const { return description; }
    void Release();
    bool IsHeld() const;

private:
    struct Holder;

    QString name;
    QString description;
    std::unique_ptr<Holder> holder;
};
