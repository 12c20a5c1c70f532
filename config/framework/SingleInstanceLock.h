#pragma once
// A per-user named lock that tells a second copy of a program that the first
// one runs. A copy that was killed leaves no lasting lock behind.

#include <QString>

#include <memory>

class QLockFile;

class SingleInstanceLock
{
public:
    explicit SingleInstanceLock(const QString &name);
    ~SingleInstanceLock();

    // True when this process now holds the lock; false when another live
    // process holds it (or the lock file cannot be made at all).
    bool TryAcquire();
    void Release();
    bool IsHeld() const { return held_; }

private:
    std::unique_ptr<QLockFile> lock_;
    bool held_ = false;
};
