// Small services shared by every layer: the platform error of the last
// device request, zero-filled heap blocks and page allocations.
#pragma once

#include <cstddef>
#include <cstdint>

// Error codes of the platform, for failures the library detects itself.
uint32_t QZ_ErrorInvalidParameter();
// The device at a path is not (or no longer) the one expected there.
uint32_t QZ_ErrorDeviceReplaced();
// The device took only part of the data sent to it.
uint32_t QZ_ErrorShortTransfer();
// The device ended a command with CHECK CONDITION (the sense data, when there
// is any, is on the debug channel).
uint32_t QZ_ErrorCheckCondition();

// Whether a platform error code means the caller lacks a permission or
// privilege (EACCES or EPERM on Linux, ERROR_ACCESS_DENIED on Windows).
bool QZ_IsAccessDenied(uint32_t error);

// The error code of the last platform request (the thread's last system error
// on Windows, errno on Linux); 0 after a request that succeeded.
uint32_t QZ_GetLastError();
void QZ_SetLastError(uint32_t error);

// The value of an environment variable, or nullptr. The library runs with
// its host's privileges (often root): where the system offers it, a process
// that gained privileges at start (set-user-ID) sees none of these variables.
const char *QZ_GetEnvironment(const char *name);

// A zero-filled heap block, or nullptr (last error set) when none is available.
void *QZ_HeapAlloc(std::size_t size);
void QZ_HeapFree(void *block);

// Zero-filled pages taken from the system: pages never written cost no memory.
void *QZ_PageAlloc(std::size_t size);
void QZ_PageFree(void *block, std::size_t size);

namespace qz {

// Makes the next `count` allocations after `skip` successful ones fail (tests).
void FailAllocationsForTesting(int skip, int count);

// Case-insensitive search for an ASCII needle.
bool ContainsNoCase(const char *text, const char *needle);

} // namespace qz
