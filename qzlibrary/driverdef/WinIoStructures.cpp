#include "driverdef/WinIoStructures.h"

#include <cstring>

namespace driverdef {

void FillScsiPassThroughDirect(ScsiPassThroughDirectWithSense &record, const uint8_t *cdb, uint32_t cdbLength,
                               bool dataIn, void *buffer, uint32_t length, uint32_t timeoutSeconds)
{
    std::memset(&record, 0, sizeof record);
    ScsiPassThroughDirect &sptd = record.Sptd;
    if (cdbLength > sizeof sptd.Cdb)
        cdbLength = sizeof sptd.Cdb;
    sptd.Length = sizeof(ScsiPassThroughDirect);
    sptd.ScsiStatus = 0;
    sptd.PathId = 0;
    sptd.TargetId = 1;
    sptd.Lun = 0;
    sptd.CdbLength = static_cast<uint8_t>(cdbLength);
    sptd.SenseInfoLength = kSenseBytes;
    sptd.SenseInfoOffset = kSenseOffset;
    sptd.DataIn = dataIn ? kScsiIoctlDataIn : kScsiIoctlDataOut;
    sptd.DataTransferLength = length;
    sptd.TimeOutValue = timeoutSeconds;
    sptd.DataBuffer = buffer;
    if (cdbLength > 0)
        std::memcpy(sptd.Cdb, cdb, cdbLength);
}

void FillFirmwareRequestHeader(uint8_t *buffer, uint32_t bufferLength, uint32_t function)
{
    FirmwareRequestHeader header;
    std::memset(&header, 0, sizeof header);
    header.Srb.HeaderLength = sizeof(SrbIoControl);
    std::memcpy(header.Srb.Signature, kFirmwareSignature, sizeof header.Srb.Signature);
    header.Srb.Timeout = kFirmwareTimeoutSeconds;
    header.Srb.ControlCode = kIoctlScsiMiniportFirmware;
    header.Srb.ReturnCode = 0;
    header.Srb.Length = bufferLength - sizeof(SrbIoControl);
    header.Request.Version = kFirmwareRequestBlockVersion;
    header.Request.Size = sizeof(FirmwareRequestBlock);
    header.Request.Function = function;
    header.Request.Flags = kFirmwareRequestFlagController;
    header.Request.DataBufferOffset = kFirmwareDataOffset;
    header.Request.DataBufferLength = bufferLength - kFirmwareDataOffset;
    std::memcpy(buffer, &header, sizeof header);
}

} // namespace driverdef
