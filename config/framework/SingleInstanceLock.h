#pragma once
// A per-user named lock that tells a second copy of a program that the first
// one runs. A copy that was killed leaves no lasting lock behind.

#include "framework/PlatformPaths.h"

#include <QString>

#include <memory>

class QLockFile;

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
    QString FilePath() const { return path; }
    void Release();
    bool IsHeld() const { return held; }

private:
    QString path;
    std::unique_ptr<QLockFile> lock;
    bool held = false;
};
