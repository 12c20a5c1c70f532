#pragma once
// An exclusive lock on a file that the kernel holds for the process while the
// file stays open, and drops when the process ends in any way (a crash or a
// kill included). Who holds it is decided by the kernel alone, never by the
// file's contents: an empty, damaged or left-over lock file blocks nobody.
// Two objects of one process on the same file exclude each other as two
// processes do. The file is never removed (a removal would let a second
// holder lock a new file of the same name while the first holds the old one).

#include <QString>

#include <cstdint>

class ProcessLock
{
public:
    enum class Result {
        Held, // this object holds the lock
        HeldByAnother, // another live holder has it
        Unavailable, // the file cannot be opened or locked (no folder, no rights)
    };

    explicit ProcessLock(QString path);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    // Never waits.
    Result TryAcquire();
    void Release();
    bool IsHeld() const { return descriptor >= 0; }
    const QString &Path() const { return path; }

private:
    QString path;
    intptr_t descriptor = -1; // the open file: a descriptor, or a handle on Windows
};
