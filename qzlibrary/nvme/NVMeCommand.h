// NVMe admin commands as the library builds them: the 64-byte submission
// entry (NVM Express base layout, little-endian) and the 512-byte payload
// block that carries an entry through a JMicron bridge.
#pragma once

#include <cstddef>
#include <cstdint>

enum NVME_IDENTIFY_CNS_CODES : uint32_t {
    NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE = 0,
    NVME_IDENTIFY_CNS_CONTROLLER = 1,
    NVME_IDENTIFY_CNS_ACTIVE_NAMESPACES = 2,
};

constexpr uint8_t NVME_ADMIN_GET_LOG_PAGE = 0x02;
constexpr uint8_t NVME_ADMIN_IDENTIFY = 0x06;
constexpr uint8_t NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD = 0x11;

constexpr uint8_t NVME_LOG_FIRMWARE_SLOT_INFO = 0x03;
constexpr uint8_t NVME_LOG_VENDOR_C6 = 0xC6;
constexpr uint8_t NVME_LOG_VENDOR_C7 = 0xC7;

constexpr std::size_t NVME_SUBMISSION_ENTRY_SIZE = 64;
constexpr std::size_t NVME_DATA_BLOCK_SIZE = 4096;

struct NVMeSubmissionEntry
{
    uint8_t opcode = 0;
    uint8_t flags = 0;
    uint16_t commandId = 0;
    uint32_t nsid = 0;
    uint32_t cdw2 = 0;
    uint32_t cdw3 = 0;
    uint64_t metadata = 0;
    uint64_t prp1 = 0;
    uint64_t prp2 = 0;
    uint32_t cdw10 = 0;
    uint32_t cdw11 = 0;
    uint32_t cdw12 = 0;
    uint32_t cdw13 = 0;
    uint32_t cdw14 = 0;
    uint32_t cdw15 = 0;

    void ToBytes(uint8_t out[NVME_SUBMISSION_ENTRY_SIZE]) const;
    static NVMeSubmissionEntry FromBytes(const uint8_t in[NVME_SUBMISSION_ENTRY_SIZE]);
};

// Command-dword fields of the admin commands the library sends.
namespace nvme_field {

// Identify: CNS in CDW10 bits 0-7.
constexpr uint32_t IdentifyCdw10(uint32_t cns)
{
    return cns & 0xFFu;
}

// Get Log Page: the log identifier in CDW10 bits 0-7, the 0's based number
// of dwords split into NUMDL (CDW10 bits 16-31) and NUMDU (CDW11 bits 0-15);
// CDW12 holds the byte offset into the page (lower 32 bits).
constexpr uint32_t LogPageCdw10(uint8_t logId, uint32_t numdZeroBased)
{
    return logId | ((numdZeroBased & 0xFFFFu) << 16);
}
constexpr uint32_t LogPageCdw11(uint32_t numdZeroBased)
{
    return numdZeroBased >> 16;
}
constexpr uint8_t LogIdentifier(uint32_t cdw10)
{
    return static_cast<uint8_t>(cdw10 & 0xFFu);
}

// Firmware Image Download: CDW10 the 0's based number of dwords, CDW11 the
// offset in dwords.
constexpr uint32_t DownloadCdw10(uint32_t dwords)
{
    return dwords - 1u;
}
constexpr uint32_t DownloadCdw11(uint32_t dwordOffset)
{
    return dwordOffset;
}

// The 0's based dword count of a transfer of `bytes` (a non-zero multiple of 4).
constexpr uint32_t ZeroBasedDwords(uint32_t bytes)
{
    return bytes / 4 - 1;
}

} // namespace nvme_field

// Get Log Page: LID in CDW10 bits 0-7, the 0's based dword count in bits 16-27.
NVMeSubmissionEntry NVMe_GetLogPageEntry(uint8_t LID, uint16_t NUMD);
// Identify: CNS 0 asks for namespace 1, CNS 1 for the controller; any other
// CNS leaves NSID and CDW10 at 0.
NVMeSubmissionEntry NVMe_IdentifyEntry(NVME_IDENTIFY_CNS_CODES CNS);
// Firmware Image Download: CDW10 the 0's based dword count, CDW11 the dword offset.
NVMeSubmissionEntry NVMe_FirmwareImageDownloadEntry(uint32_t dwLength, uint32_t dwOffset);

struct _SCSI_NVME_PAYLOAD_FORMAT
{
    uint8_t ucSignature[4]; // "NVME"
    uint8_t ucReserved1[4];
    uint8_t command[NVME_SUBMISSION_ENTRY_SIZE];
    uint8_t ucVendorControl;
    uint8_t ucReserved2[439];
};
static_assert(sizeof(_SCSI_NVME_PAYLOAD_FORMAT) == 512);

// A zeroed payload block carrying `entry`.
void NVMe_BuildPayload(_SCSI_NVME_PAYLOAD_FORMAT &payload, const NVMeSubmissionEntry &entry);
