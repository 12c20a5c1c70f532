// Enumeration, Identify and the lighting-MCU exchange are built on the bridge
// and direct transports. Until they are in place, no drive is counted and
// every per-drive request answers failure without touching a device.
#include "V_Proc/VP_Proc.h"

uint32_t VP_PROC_GetQZDevice() { return 0; }

uint8_t VP_Identify(uint8_t bInstance, uint8_t* pBuffer, NVME_IDENTIFY_CNS_CODES CNS) {
  (void)bInstance;
  (void)pBuffer;
  (void)CNS;
  return 0;
}

uint8_t VP_SysIloRgbMcuCmdWrite(uint8_t bInstance, uint8_t* pBuffer) {
  (void)bInstance;
  (void)pBuffer;
  return 0;
}

uint8_t VP_SysIloRgbMcuCmdRead(uint8_t bInstance, uint8_t* pBuffer) {
  (void)bInstance;
  (void)pBuffer;
  return 0;
}
