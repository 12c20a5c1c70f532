#include "Main/ExportLock.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <mutex>
#endif

namespace qz {
namespace {

// Both are constant-initialized: usable before any constructor has run.
#if defined(_WIN32)
SRWLOCK g_exportLock = SRWLOCK_INIT;
#else
std::mutex g_exportLock;
#endif

} // namespace

ExportLock::ExportLock()
{
#if defined(_WIN32)
    AcquireSRWLockExclusive(&g_exportLock);
#else
    g_exportLock.lock();
#endif
}

ExportLock::~ExportLock()
{
#if defined(_WIN32)
    ReleaseSRWLockExclusive(&g_exportLock);
#else
    g_exportLock.unlock();
#endif
}

} // namespace qz
