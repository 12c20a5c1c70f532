#include "QZUtil/QZUtil.h"

#include <cerrno>
#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace {

uint32_t g_lastError = 0;
int g_allocSkip = 0;
int g_allocFailures = 0;

bool AllocationRefused()
{
    if (g_allocFailures <= 0)
        return false;
    if (g_allocSkip > 0) {
        --g_allocSkip;
        return false;
    }
    --g_allocFailures;
    return true;
}

uint32_t OutOfMemoryCode()
{
#if defined(_WIN32)
    return ERROR_NOT_ENOUGH_MEMORY;
#else
    return ENOMEM;
#endif
}

} // namespace

uint32_t QZ_ErrorInvalidParameter()
{
#if defined(_WIN32)
    return ERROR_INVALID_PARAMETER;
#else
    return EINVAL;
#endif
}

uint32_t QZ_ErrorDeviceReplaced()
{
#if defined(_WIN32)
    return ERROR_DEV_NOT_EXIST;
#else
    return ENODEV;
#endif
}

uint32_t QZ_ErrorShortTransfer()
{
#if defined(_WIN32)
    return ERROR_WRITE_FAULT;
#else
    return EIO;
#endif
}

uint32_t QZ_ErrorCheckCondition()
{
#if defined(_WIN32)
    return ERROR_IO_DEVICE;
#else
    return EREMOTEIO; // the kernel's own code for an error the target reported
#endif
}

bool QZ_IsAccessDenied(uint32_t error)
{
#if defined(_WIN32)
    return error == ERROR_ACCESS_DENIED;
#else
    return error == EACCES || error == EPERM;
#endif
}

uint32_t QZ_GetLastError()
{
    return g_lastError;
}
void QZ_SetLastError(uint32_t error)
{
    g_lastError = error;
}

const char *QZ_GetEnvironment(const char *name)
{
#if defined(__GLIBC__)
    return secure_getenv(name);
#else
    return std::getenv(name);
#endif
}

void *QZ_HeapAlloc(std::size_t size)
{
    void *block = AllocationRefused() ? nullptr : std::calloc(1, size == 0 ? 1 : size);
    if (block == nullptr)
        QZ_SetLastError(OutOfMemoryCode());
    return block;
}

void QZ_HeapFree(void *block)
{
    std::free(block);
}

void *QZ_PageAlloc(std::size_t size)
{
    if (AllocationRefused() || size == 0) {
        QZ_SetLastError(OutOfMemoryCode());
        return nullptr;
    }
#if defined(_WIN32)
    void *block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        QZ_SetLastError(GetLastError());
    return block;
#else
    void *block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (block == MAP_FAILED) {
        QZ_SetLastError(static_cast<uint32_t>(errno));
        return nullptr;
    }
    return block;
#endif
}

void QZ_PageFree(void *block, std::size_t size)
{
    if (block == nullptr)
        return;
#if defined(_WIN32)
    (void)size;
    VirtualFree(block, 0, MEM_RELEASE);
#else
    munmap(block, size);
#endif
}

namespace qz {

void FailAllocationsForTesting(int skip, int count)
{
    g_allocSkip = skip;
    g_allocFailures = count;
}

bool ContainsNoCase(const char *text, const char *needle)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (*needle == '\0')
        return true;
    for (; *text != '\0'; ++text) {
        const char *t = text;
        const char *n = needle;
        while (*t != '\0' && *n != '\0' && lower(*t) == lower(*n)) {
            ++t;
            ++n;
        }
        if (*n == '\0')
            return true;
    }
    return false;
}

} // namespace qz
