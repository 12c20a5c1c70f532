// The Windows device requests the library sends, laid out byte for byte as
// the platform expects them (64-bit). The records are defined for every
// platform: the Windows backend hands them to DeviceIoControl, the other
// backends read the same records and carry them out their own way.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "the request records are little-endian");
static_assert(sizeof(void *) == 8, "the library is 64-bit");

namespace driverdef {

// Control codes.
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x0004D014;
constexpr uint32_t kIoctlScsiMiniport = 0x0004D008;
constexpr uint32_t kIoctlStorageQueryProperty = 0x002D1400;
constexpr uint32_t kIoctlStorageGetDeviceNumber = 0x002D1080;
constexpr uint32_t kIoctlScsiMiniportFirmware = 0x001B0780;

// ---- SCSI pass-through (data buffer owned by the caller) -------------------

constexpr uint8_t kScsiIoctlDataOut = 0;
constexpr uint8_t kScsiIoctlDataIn = 1;

struct ScsiPassThroughDirect
{
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void *DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[16];
};
static_assert(sizeof(ScsiPassThroughDirect) == 56);
static_assert(offsetof(ScsiPassThroughDirect, DataIn) == 8);
static_assert(offsetof(ScsiPassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThroughDirect, TimeOutValue) == 16);
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 24);
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 32);
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 36);

// The request with room for the sense data of a CHECK CONDITION after it.
constexpr uint8_t kSenseBytes = 32;
struct ScsiPassThroughDirectWithSense
{
    ScsiPassThroughDirect Sptd;
    uint32_t Filler;
    uint8_t Sense[kSenseBytes];
};
static_assert(sizeof(ScsiPassThroughDirectWithSense) == 96);
constexpr uint32_t kSenseOffset = offsetof(ScsiPassThroughDirectWithSense, Sense);
static_assert(kSenseOffset == 60);

// Fills a pass-through request: path 0, target 1, LUN 0, 32 bytes of sense
// data asked for at the record's sense area, the CDB copied to the front of
// 16 zero bytes (a CDB longer than 16 is cut).
void FillScsiPassThroughDirect(ScsiPassThroughDirectWithSense &record, const uint8_t *cdb, uint32_t cdbLength,
                               bool dataIn, void *buffer, uint32_t length, uint32_t timeoutSeconds);

// ---- Storage protocol query (Identify, Get Log Page) -----------------------

constexpr uint32_t kStorageAdapterProtocolSpecificProperty = 49;
constexpr uint32_t kPropertyStandardQuery = 0;
constexpr uint32_t kProtocolTypeNvme = 3;
constexpr uint32_t kNVMeDataTypeIdentify = 1;
constexpr uint32_t kNVMeDataTypeLogPage = 2;

struct StorageProtocolSpecificData
{
    uint32_t ProtocolType;
    uint32_t DataType;
    uint32_t ProtocolDataRequestValue;
    uint32_t ProtocolDataRequestSubValue;
    uint32_t ProtocolDataOffset; // from the start of this record
    uint32_t ProtocolDataLength;
    uint32_t FixedProtocolReturnData;
    uint32_t Reserved[3];
};
static_assert(sizeof(StorageProtocolSpecificData) == 40);

constexpr uint32_t kProtocolRecordOffset = 8; // where StorageProtocolSpecificData starts
constexpr uint32_t kProtocolDataSize = 4096;

struct TStorageQueryWithBuffer
{
    uint32_t PropertyId;
    uint32_t QueryType;
    StorageProtocolSpecificData ProtocolSpecific;
    uint8_t Buffer[kProtocolDataSize];
};
static_assert(sizeof(TStorageQueryWithBuffer) == 4144);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific) == kProtocolRecordOffset);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.DataType) == 12);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.ProtocolDataRequestValue) == 16);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.ProtocolDataRequestSubValue) == 20);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.ProtocolDataOffset) == 24);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.ProtocolDataLength) == 28);
static_assert(offsetof(TStorageQueryWithBuffer, ProtocolSpecific.FixedProtocolReturnData) == 32);
static_assert(offsetof(TStorageQueryWithBuffer, Buffer) == 48);

// ---- Miniport firmware requests (get information, download) ---------------

constexpr uint32_t kFirmwareFunctionGetInfo = 1;
constexpr uint32_t kFirmwareFunctionDownload = 2;
constexpr uint32_t kFirmwareRequestFlagController = 1;
constexpr uint32_t kFirmwareRequestBlockVersion = 1;
constexpr uint32_t kFirmwareTimeoutSeconds = 30;
constexpr char kFirmwareSignature[8] = {'F', 'I', 'R', 'M', 'W', 'A', 'R', 'E'};
constexpr uint8_t kNoPendingSlot = 255;

struct SrbIoControl
{
    uint32_t HeaderLength;
    uint8_t Signature[8];
    uint32_t Timeout;
    uint32_t ControlCode;
    uint32_t ReturnCode;
    uint32_t Length;
};
static_assert(sizeof(SrbIoControl) == 28);

struct FirmwareRequestBlock
{
    uint32_t Version;
    uint32_t Size;
    uint32_t Function;
    uint32_t Flags;
    uint32_t DataBufferOffset;
    uint32_t DataBufferLength;
};
static_assert(sizeof(FirmwareRequestBlock) == 24);

// The fixed part of every firmware request; the data follows at offset 56.
struct FirmwareRequestHeader
{
    SrbIoControl Srb;
    FirmwareRequestBlock Request;
    uint32_t Reserved;
};
static_assert(sizeof(FirmwareRequestHeader) == 56);
static_assert(offsetof(FirmwareRequestHeader, Srb.ReturnCode) == 20);
static_assert(offsetof(FirmwareRequestHeader, Srb.Length) == 24);
static_assert(offsetof(FirmwareRequestHeader, Request.Function) == 36);
static_assert(offsetof(FirmwareRequestHeader, Request.DataBufferOffset) == 44);
static_assert(offsetof(FirmwareRequestHeader, Request.DataBufferLength) == 48);

constexpr uint32_t kFirmwareDataOffset = sizeof(FirmwareRequestHeader);

struct StorageFirmwareInfo
{
    uint32_t Version;
    uint32_t Size;
    uint8_t UpgradeSupport;
    uint8_t SlotCount;
    uint8_t ActiveSlot;
    uint8_t PendingActivateSlot;
    uint32_t Reserved;
    // SlotCount StorageFirmwareSlotInfo entries follow.
};
static_assert(sizeof(StorageFirmwareInfo) == 16);

struct StorageFirmwareSlotInfo
{
    uint8_t SlotNumber;
    uint8_t ReadOnly;
    uint8_t Reserved[6];
    uint8_t Revision[8];
};
static_assert(sizeof(StorageFirmwareSlotInfo) == 16);

struct StorageFirmwareDownload
{
    uint32_t Version;
    uint32_t Size;
    uint64_t Offset;
    uint64_t BufferSize;
    // the image follows
};
static_assert(sizeof(StorageFirmwareDownload) == 24);

constexpr uint32_t kFirmwareImageOffset = kFirmwareDataOffset + sizeof(StorageFirmwareDownload);
constexpr uint32_t kFirmwareRequestSize = kFirmwareImageOffset + 4096;
static_assert(kFirmwareImageOffset == 80);
static_assert(kFirmwareRequestSize == 4176);

// Sets the fixed part of a firmware request of `bufferLength` bytes.
void FillFirmwareRequestHeader(uint8_t *buffer, uint32_t bufferLength, uint32_t function);

// ---- Disk number ----------------------------------------------------------

struct StorageDeviceNumber
{
    uint32_t DeviceType;
    uint32_t DeviceNumber;
    uint32_t PartitionNumber;
};
static_assert(sizeof(StorageDeviceNumber) == 12);

// ---- Device descriptor (vendor, product, serial number) ---------------------

constexpr uint32_t kStorageDeviceProperty = 0;

struct StoragePropertyQuery
{
    uint32_t PropertyId;
    uint32_t QueryType;
    uint8_t AdditionalParameters[4];
};
static_assert(sizeof(StoragePropertyQuery) == 12);

// The fixed part of the reply; the strings it points at (offsets from its
// start, 0: none) follow, each ending with a zero byte.
struct StorageDeviceDescriptor
{
    uint32_t Version;
    uint32_t Size;
    uint8_t DeviceType;
    uint8_t DeviceTypeModifier;
    uint8_t RemovableMedia;
    uint8_t CommandQueueing;
    uint32_t VendorIdOffset;
    uint32_t ProductIdOffset;
    uint32_t ProductRevisionOffset;
    uint32_t SerialNumberOffset;
    uint32_t BusType;
    uint32_t RawPropertiesLength;
    uint8_t RawDeviceProperties[4];
};
static_assert(sizeof(StorageDeviceDescriptor) == 40);
static_assert(offsetof(StorageDeviceDescriptor, VendorIdOffset) == 12);
static_assert(offsetof(StorageDeviceDescriptor, SerialNumberOffset) == 24);
static_assert(offsetof(StorageDeviceDescriptor, BusType) == 28);

} // namespace driverdef
