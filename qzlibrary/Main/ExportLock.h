// One lock for the library's entry points: calls that a host makes at the
// same time from several threads run one after another, so that the shared
// state (the instance table, the last error, the backends' bookkeeping) is
// never seen half-changed. A misbehaving host is slowed, never corrupted.
#pragma once

namespace qz {

// Holds the lock while alive. Not re-entrant: the entry points never call
// one another.
class ExportLock
{
public:
    ExportLock();
    ~ExportLock();
    ExportLock(const ExportLock &) = delete;
    ExportLock &operator=(const ExportLock &) = delete;
};

} // namespace qz
