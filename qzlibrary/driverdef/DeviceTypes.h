// Classification values shared by enumeration and the transports.
#pragma once

#include <cstdint>

enum DeviceType : uint32_t {
    DEVICE_IDE = 1,
    DEVICE_SCSI = 2,
    DEVICE_USB = 3,
    DEVICE_NVME = 4,
    DEVICE_UNKNOWN = 5,
};

enum NVMeBridgeChipType : uint32_t {
    CHIP_TYPE_UNKNOWN = 0,
    CHIP_TYPE_JM583 = 0x1000,
    CHIP_TYPE_ASM2362 = 0x2000,
    CHIP_TYPE_NONE = 0xFFFF,
};

enum NVMeBridgeVendorType : uint8_t {
    CHIP_VENDOR_UNKNOWN = 0,
    CHIP_VENDOR_JMICRON = 1,
    CHIP_VENDOR_ASMEDIA = 2,
    CHIP_VENDOR_END = 3,
};

// The vendor of a chip type: bits 12 to 15.
inline NVMeBridgeVendorType BridgeVendorOf(NVMeBridgeChipType chip)
{
    return static_cast<NVMeBridgeVendorType>((static_cast<uint32_t>(chip) >> 12) & 0xF);
}

// Results of the command layer.
constexpr uint32_t VC_RESULT_SUCCESS = 1;
constexpr uint32_t VC_RESULT_FAIL = 2;
