// The load hook and the library's version text.
#pragma once

constexpr char QZLIB_VERSION_TEXT[] = "0.00.001";

constexpr unsigned QZ_REASON_PROCESS_DETACH = 0;
constexpr unsigned QZ_REASON_PROCESS_ATTACH = 1;
constexpr unsigned QZ_REASON_THREAD_ATTACH = 2;
constexpr unsigned QZ_REASON_THREAD_DETACH = 3;

// Called by the platform when the library is loaded and unloaded (and, on
// Windows, when threads start and end). Prints the event; always 1.
int _libmain(unsigned reason);

// Whether a per-drive export may go ahead: a buffer, and an instance number
// below the count of the last enumeration. Anything else is refused before
// any device is touched.
bool QZ_InstanceUsable(unsigned char bInstance, const unsigned char *pBuffer);
