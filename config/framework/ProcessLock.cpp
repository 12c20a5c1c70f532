#include "framework/ProcessLock.h"

ProcessLock::ProcessLock(QString lockPath)
    : path(std::move(lockPath))
{ }

ProcessLock::~ProcessLock()
{
    Release();
}
