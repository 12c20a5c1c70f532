// The library's shared state: the device instance table, the initialized
// flag and the per-slot work buffers of the controller maintenance commands.
#pragma once

#include <cstddef>
#include <cstdint>

#include "QZUtil/Sha256.h"

constexpr int QZ_MAX_INSTANCE = 128;
constexpr int QZ_PATH_LENGTH = 260;
constexpr int QZ_ERR_STR_COUNT = 95;

// Work buffer sizes per slot.
constexpr std::size_t QZ_EARLY_TABLE_BYTES = 262144;
constexpr std::size_t QZ_DEFECT_TABLE_BYTES = 262144;
constexpr std::size_t QZ_ERASE_COUNT_BYTES = 262144;
constexpr std::size_t QZ_SMART_INFO_BYTES = 512;
constexpr std::size_t QZ_ERR_STR_BYTES = 2048;
constexpr std::size_t QZ_TABLE_BYTES = 1425408;
constexpr std::size_t QZ_RATIO_BYTES = 512;
constexpr std::size_t QZ_VIRT_INFO_BYTES = 2048;
constexpr std::size_t QZ_SLOT_WORK_BYTES = QZ_EARLY_TABLE_BYTES + QZ_DEFECT_TABLE_BYTES + QZ_ERASE_COUNT_BYTES
    + QZ_SMART_INFO_BYTES + 2 * QZ_ERR_STR_COUNT * QZ_ERR_STR_BYTES + QZ_TABLE_BYTES + QZ_RATIO_BYTES
    + QZ_VIRT_INFO_BYTES;
static_assert(QZ_SLOT_WORK_BYTES == 2604032);
static_assert(QZ_SLOT_WORK_BYTES * QZ_MAX_INSTANCE == 333316096);

// One drive slot. Enumeration fills the first five fields; the rest belongs
// to the controller maintenance command set.
struct _AP_INSTANCE_DATA
{
    char pDevicePath[QZ_PATH_LENGTH]; // interface path, lower-cased
    uint8_t ucUSBCommandPath; // 1: reached through a USB bridge
    uint8_t ucNVMeCommandPath; // 1: reached through the platform's NVMe support
    char devPhyFileName[QZ_PATH_LENGTH]; // "\\.\PHYSICALDRIVE%d" of a direct drive
    uint8_t ucUSBBridgeVendor; // NVMeBridgeVendorType
    // Digests of what identified the disk at pDevicePath and the controller
    // at devPhyFileName at enumeration; every later open must find the same.
    // A digest has one size whatever the identity's length.
    qz::Sha256Digest diskIdentity;
    qz::Sha256Digest controllerIdentity;
    bool diskIdentityRecorded;
    bool controllerIdentityRecorded;

    uint32_t PhysicalDiskNumber;
    uint8_t *pEarlyTableBuf;
    uint8_t *pDefectTableBuf;
    uint8_t *pEraseCountBuf;
    uint8_t *pSmartInfoBuf;
    uint8_t *pTableBuf;
    uint8_t *pRatioBuf;
    uint8_t *pVirtInfoBuf;
};

extern _AP_INSTANCE_DATA AP_Instance[QZ_MAX_INSTANCE];
extern bool g_SetupDeviceInfo;
extern char *g_szErrStr[QZ_MAX_INSTANCE][QZ_ERR_STR_COUNT];
extern char *g_szErrStrDefect[QZ_MAX_INSTANCE][QZ_ERR_STR_COUNT];

// Number of drives the last enumeration counted; per-drive requests for
// instance numbers at or above it are refused.
extern uint32_t g_dwQZDeviceCount;

// The slot of an instance number, or nullptr outside the table.
_AP_INSTANCE_DATA *QZ_AP_Slot(uint32_t bInstance);

// Takes / releases every slot's work buffers. A slot's buffers are carved out
// of one zero-filled page allocation, so pages never written cost no memory;
// a slot whose allocation fails keeps empty pointers.
void QZ_AP_AllocMem();
void QZ_AP_FreeMem();
