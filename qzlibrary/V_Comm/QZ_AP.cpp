#include "V_Comm/QZ_AP.h"

#include "QZUtil/QZUtil.h"

_AP_INSTANCE_DATA AP_Instance[QZ_MAX_INSTANCE];
bool g_SetupDeviceInfo = false;
char *g_szErrStr[QZ_MAX_INSTANCE][QZ_ERR_STR_COUNT];
char *g_szErrStrDefect[QZ_MAX_INSTANCE][QZ_ERR_STR_COUNT];
uint32_t g_dwQZDeviceCount = 0;

namespace {

// Start of each slot's allocation (the first buffer, pEarlyTableBuf).
uint8_t *g_slotBlock[QZ_MAX_INSTANCE];

} // namespace

_AP_INSTANCE_DATA *QZ_AP_Slot(uint32_t bInstance)
{
    return bInstance < QZ_MAX_INSTANCE ? &AP_Instance[bInstance] : nullptr;
}

void QZ_AP_AllocMem()
{
    for (int slot = 0; slot < QZ_MAX_INSTANCE; ++slot) {
        _AP_INSTANCE_DATA &d = AP_Instance[slot];
        uint8_t *block = static_cast<uint8_t *>(QZ_PageAlloc(QZ_SLOT_WORK_BYTES));
        g_slotBlock[slot] = block;
        if (block == nullptr)
            continue;

        // Same order as the buffers are listed: tables, SMART, message pairs,
        // table, ratio, virtual information.
        uint8_t *next = block;
        auto take = [&next](std::size_t bytes) {
            uint8_t *p = next;
            next += bytes;
            return p;
        };
        d.pEarlyTableBuf = take(QZ_EARLY_TABLE_BYTES);
        d.pDefectTableBuf = take(QZ_DEFECT_TABLE_BYTES);
        d.pEraseCountBuf = take(QZ_ERASE_COUNT_BYTES);
        d.pSmartInfoBuf = take(QZ_SMART_INFO_BYTES);
        for (int i = 0; i < QZ_ERR_STR_COUNT; ++i) {
            g_szErrStr[slot][i] = reinterpret_cast<char *>(take(QZ_ERR_STR_BYTES));
            g_szErrStrDefect[slot][i] = reinterpret_cast<char *>(take(QZ_ERR_STR_BYTES));
        }
        d.pTableBuf = take(QZ_TABLE_BYTES);
        d.pRatioBuf = take(QZ_RATIO_BYTES);
        d.pVirtInfoBuf = take(QZ_VIRT_INFO_BYTES);
    }
}

void QZ_AP_FreeMem()
{
    for (int slot = 0; slot < QZ_MAX_INSTANCE; ++slot) {
        _AP_INSTANCE_DATA &d = AP_Instance[slot];
        QZ_PageFree(g_slotBlock[slot], QZ_SLOT_WORK_BYTES);
        g_slotBlock[slot] = nullptr;
        d.pEarlyTableBuf = d.pDefectTableBuf = d.pEraseCountBuf = d.pSmartInfoBuf = nullptr;
        for (int i = 0; i < QZ_ERR_STR_COUNT; ++i) {
            g_szErrStr[slot][i] = nullptr;
            g_szErrStrDefect[slot][i] = nullptr;
        }
        d.pTableBuf = d.pRatioBuf = d.pVirtInfoBuf = nullptr;
    }
}
