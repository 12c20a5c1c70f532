#include "nvme/NVMeCommand.h"

#include <cstring>

#include "QZUtil/ByteOrder.h"

void NVMeSubmissionEntry::ToBytes(uint8_t out[NVME_SUBMISSION_ENTRY_SIZE]) const
{
    using namespace qz;
    std::memset(out, 0, NVME_SUBMISSION_ENTRY_SIZE);
    out[0] = opcode;
    out[1] = flags;
    PutLE16(out + 2, commandId);
    PutLE32(out + 4, nsid);
    PutLE32(out + 8, cdw2);
    PutLE32(out + 12, cdw3);
    PutLE64(out + 16, metadata);
    PutLE64(out + 24, prp1);
    PutLE64(out + 32, prp2);
    PutLE32(out + 40, cdw10);
    PutLE32(out + 44, cdw11);
    PutLE32(out + 48, cdw12);
    PutLE32(out + 52, cdw13);
    PutLE32(out + 56, cdw14);
    PutLE32(out + 60, cdw15);
}

NVMeSubmissionEntry NVMeSubmissionEntry::FromBytes(const uint8_t in[NVME_SUBMISSION_ENTRY_SIZE])
{
    using namespace qz;
    NVMeSubmissionEntry e;
    e.opcode = in[0];
    e.flags = in[1];
    e.commandId = GetLE16(in + 2);
    e.nsid = GetLE32(in + 4);
    e.cdw2 = GetLE32(in + 8);
    e.cdw3 = GetLE32(in + 12);
    e.metadata = GetLE64(in + 16);
    e.prp1 = GetLE64(in + 24);
    e.prp2 = GetLE64(in + 32);
    e.cdw10 = GetLE32(in + 40);
    e.cdw11 = GetLE32(in + 44);
    e.cdw12 = GetLE32(in + 48);
    e.cdw13 = GetLE32(in + 52);
    e.cdw14 = GetLE32(in + 56);
    e.cdw15 = GetLE32(in + 60);
    return e;
}

NVMeSubmissionEntry NVMe_GetLogPageEntry(uint8_t LID, uint16_t NUMD)
{
    NVMeSubmissionEntry e;
    e.opcode = NVME_ADMIN_GET_LOG_PAGE;
    // The bridge form keeps the count to bits 16-27.
    const uint32_t zeroBased = (static_cast<uint32_t>(NUMD) - 1u) & 0x0FFFu;
    e.cdw10 = nvme_field::LogPageCdw10(LID, zeroBased);
    return e;
}

NVMeSubmissionEntry NVMe_IdentifyEntry(NVME_IDENTIFY_CNS_CODES CNS)
{
    NVMeSubmissionEntry e;
    e.opcode = NVME_ADMIN_IDENTIFY;
    if (CNS == NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE) {
        e.nsid = 1;
        e.cdw10 = 0;
    } else if (CNS == NVME_IDENTIFY_CNS_CONTROLLER) {
        e.nsid = 0;
        e.cdw10 = nvme_field::IdentifyCdw10(CNS);
    }
    return e;
}

NVMeSubmissionEntry NVMe_FirmwareImageDownloadEntry(uint32_t dwLength, uint32_t dwOffset)
{
    NVMeSubmissionEntry e;
    e.opcode = NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD;
    e.cdw10 = nvme_field::DownloadCdw10(dwLength);
    e.cdw11 = nvme_field::DownloadCdw11(dwOffset);
    return e;
}

void NVMe_BuildPayload(_SCSI_NVME_PAYLOAD_FORMAT &payload, const NVMeSubmissionEntry &entry)
{
    std::memset(&payload, 0, sizeof payload);
    std::memcpy(payload.ucSignature, "NVME", 4);
    entry.ToBytes(payload.command);
}
