/*
 * QZlibrary_Ocelot_64: access to the RGB lighting MCU of QZ-family NVMe drives.
 *
 * A host loads the library, calls QZLib_Initialize once, enumerates the drives
 * with QZLib_PROC_GetQZDevice (n drives, instance numbers 0 to n-1), then uses
 * the per-drive calls, and finally calls QZLib_UnInitialize. Calls made at
 * the same time from several threads run one after another. Every per-drive
 * buffer is 4096 bytes.
 */
#ifndef QZLIBRARY_H
#define QZLIBRARY_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(_WIN32)
#if defined(QZLIB_BUILDING)
#define QZLIB_API __declspec(dllexport)
#else
#define QZLIB_API __declspec(dllimport)
#endif
#else
#define QZLIB_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Size of every buffer passed to the per-drive calls. */
#define QZLIB_BLOCK_SIZE 4096

/* The library's version text, "0.00.001"; valid while the library is loaded. */
QZLIB_API const char *QZLib_GetDllVersion(void);

/* Sets up the library's work areas; true, also when already initialized. */
QZLIB_API bool QZLib_Initialize(void);

/* Releases the work areas; false when the library was not initialized. */
QZLIB_API bool QZLib_UnInitialize(void);

/* Finds the reachable drives and returns their count n (0 when none). */
QZLIB_API int QZLib_PROC_GetQZDevice(void);

/* Reads the drive's 4096-byte NVMe Identify Controller data into pBuffer. */
QZLIB_API bool QZLib_Identify(unsigned char bInstance, unsigned char *pBuffer);

/* Sends the 4096-byte lighting-MCU command block in pBuffer to the drive. */
QZLIB_API bool QZLib_SYS_IloRgbMcuCmdWrite(unsigned char bInstance, unsigned char *pBuffer);

/* Sends the 4096-byte request block in pBuffer, then replaces it with the
 * MCU's 4096-byte answer. */
QZLIB_API bool QZLib_SYS_IloRgbMcuCmdRead(unsigned char bInstance, unsigned char *pBuffer);

#ifdef __cplusplus
}
#endif

#endif /* QZLIBRARY_H */
