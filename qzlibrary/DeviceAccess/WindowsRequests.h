// What the Windows device requests mean, decoded once for every backend that
// is not Windows itself: the storage protocol query becomes an NVMe admin
// command, the miniport firmware requests become admin commands and replies,
// a SCSI request becomes a CDB, a direction and a length. The functions are
// pure: they check and decode, the backends only submit. A request that the
// platform would refuse is refused here, the same way for every backend.
#pragma once

#include <cstdint>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "driverdef/WinIoStructures.h"
#include "nvme/NVMeCommand.h"

namespace qz::winreq {

// One NVMe admin command with its data area.
struct AdminCommand
{
    NVMeSubmissionEntry entry;
    uint8_t *data = nullptr;
    uint32_t dataLength = 0;
    bool toHost = true; // direction of the data
    uint32_t timeoutMs = 0; // 0: the platform's default
};

// The storage protocol query (Identify with data type 1, Get Log Page with
// data type 2), its data landing in the query's own data area. False for a
// query the platform refuses: wrong property, query type or protocol, a data
// area that is empty, not whole dwords or outside the record, an Identify
// with less than 4096 bytes of room, an unknown data type.
bool TranslateStorageQuery(driverdef::TStorageQueryWithBuffer &query, AdminCommand &command);

// The decoded fixed part of a miniport firmware request.
struct FirmwareRequest
{
    uint8_t *record = nullptr; // the whole request
    uint32_t function = 0; // kFirmwareFunctionGetInfo or kFirmwareFunctionDownload
    uint8_t *data = nullptr;
    uint32_t dataLength = 0;
    uint32_t timeoutMs = 0;
};

// False for a request the platform refuses: too short, a wrong header
// length, signature, control code or Srb.Length, a request block of another
// version or size, a data area outside the request, an unknown function.
bool DecodeFirmwareRequest(uint8_t *record, uint32_t length, FirmwareRequest &request);

// Stores the driver's result in the request's ReturnCode.
void SetReturnCode(const FirmwareRequest &request, uint32_t returnCode);

// A download request's image as one Firmware Image Download. False when the
// download record is missing, of another version or size, or its image is
// empty, not whole dwords, larger than the request holds or at an offset
// that is not whole dwords.
bool TranslateFirmwareDownload(const FirmwareRequest &request, AdminCommand &command);

// What the firmware information reply says.
struct FirmwareSlot
{
    bool readOnly = false;
    uint8_t revision[8] = {};
};
struct FirmwareSummary
{
    bool upgradeSupported = false;
    uint8_t activeSlot = 0;
    uint8_t pendingSlot = 0; // 0: none
    std::vector<FirmwareSlot> slots;
};

constexpr uint32_t kFirmwareSlotLogBytes = 512;

// The two commands that answer an information request: Identify Controller
// into `controller` (4096 bytes), the Firmware Slot Information log into
// `slotLog` (512 bytes).
AdminCommand FirmwareIdentifyCommand(uint8_t *controller, uint32_t timeoutMs);
AdminCommand FirmwareSlotLogCommand(uint8_t *slotLog, uint32_t timeoutMs);

// The summary that Identify Controller and the slot log give.
FirmwareSummary SummaryFromController(const uint8_t *controller, const uint8_t *slotLog);

// Whether the request's data area holds at least the reply header.
bool InformationFits(const FirmwareRequest &request);

// Writes the information reply (as many slot entries as fit) into the
// request's data area. False when not even the reply header fits.
bool WriteFirmwareInformation(const FirmwareRequest &request, const FirmwareSummary &summary);

// A SCSI request as the platform carries it.
enum class DataDirection { None, In, Out };
struct ScsiTransfer
{
    DataDirection direction = DataDirection::None;
    uint32_t timeoutMs = 0;
};

// False for a request that cannot be expressed: no CDB, one longer than 16
// bytes, or a data phase without a buffer.
bool TranslateScsiRequest(const ScsiRequest &request, ScsiTransfer &transfer);

// Seconds to milliseconds, saturating.
uint32_t TimeoutMilliseconds(uint32_t seconds);

} // namespace qz::winreq
