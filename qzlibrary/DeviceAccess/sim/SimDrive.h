// Virtual drives for the simulation backend: directly attached NVMe drives,
// JMicron and ASMedia USB bridges (with or without a drive inside) and plain
// disks. A drive answers what a real one answers to the requests the library
// sends, and can be told to fail chosen requests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nvme/NVMeCommand.h"

namespace qz::sim {

enum class DriveKind { Nvme, JMicron, ASMedia, Disk };

// Which request a fault applies to.
enum class FaultTarget {
    Open, // opening the drive
    DiskNumber, // asking for its disk number
    Scsi, // a SCSI command by operation code (CDB byte 0)
    Identify, // NVMe Identify, however it travels
    Log, // NVMe Get Log Page (one log identifier, or any)
    Download, // NVMe Firmware Image Download
    FwInfo, // the firmware information request (direct drives)
};

enum class FaultEffect {
    Fail, // the request is not carried out; the platform reports `error`
    Status, // the SCSI command ends with SCSI status `value`, nothing executed
    ReturnCode, // the firmware request ends with ReturnCode `value`, nothing executed
    Short, // a SCSI command of a bridged NVMe command moves only its first `value` bytes, status GOOD
};

// Which SCSI command of a bridged NVMe command a fault hits.
enum class FaultPhase { Payload, Data };

struct Fault
{
    FaultTarget target = FaultTarget::Open;
    int scsiOpcode = -1; // Scsi
    int logId = -1; // Log: -1 any
    FaultPhase phase = FaultPhase::Data;
    FaultEffect effect = FaultEffect::Fail;
    uint32_t value = 0;
    uint32_t error = 5;
    uint32_t after = 0; // matching requests let through first
    uint32_t times = UINT32_MAX; // how often it applies
    // state
    uint32_t seen = 0;
    uint32_t applied = 0;
};

struct FirmwareSlot
{
    bool readOnly = false;
    std::string revision;
};

// What log page C7h answers after a command block has been received.
enum class McuAnswer { Echo, Invert, Zero };

struct DriveConfig
{
    std::string path;
    DriveKind kind = DriveKind::Nvme;
    int64_t number = -1; // disk number; -1: none
    uint64_t sequence = 0; // the disk's sequence number; 0: its position + 1

    // SCSI identity
    std::string vendor;
    std::string product;
    std::string revision = "0001";
    std::string chip;
    bool medium = true; // bridges: a drive inside
    uint32_t blockLength = 512;
    uint32_t lastLba = 0x00FFFFFF;

    // The NVMe drive
    std::string model = "Virtual NVMe Drive";
    std::string serial;
    std::string firmware = "SIMFW002";
    bool upgrade = true;
    std::vector<FirmwareSlot> slots;
    uint8_t activeSlot = 2;
    uint8_t pendingSlot = 0; // 0: none
    std::vector<uint8_t> logC6;
    McuAnswer answer = McuAnswer::Echo;

    std::vector<Fault> faults;

    bool IsBridge() const { return kind == DriveKind::JMicron || kind == DriveKind::ASMedia; }
    bool HasNvme() const { return kind != DriveKind::Disk; }
};

// NVMe status codes the drive answers with (status code type << 8 | code).
constexpr uint16_t kNvmeSuccess = 0x0000;
constexpr uint16_t kNvmeInvalidOpcode = 0x0001;
constexpr uint16_t kNvmeInvalidField = 0x0002;
constexpr uint16_t kNvmeInvalidNamespace = 0x000B;
constexpr uint16_t kNvmeInvalidLogPage = 0x0109;

class SimDrive
{
public:
    explicit SimDrive(DriveConfig config);

    DriveConfig &Config() { return config; }
    const DriveConfig &Config() const { return config; }

    // The first fault for this request that is due, or nullptr.
    Fault *DueFault(FaultTarget target, int scsiOpcode = -1, int logId = -1, FaultPhase phase = FaultPhase::Data);

    // Runs an admin command with `length` bytes of data room; `toHost` is the
    // direction of the data. Returns the NVMe status; `moved` the bytes moved.
    uint16_t Execute(const NVMeSubmissionEntry &command, uint8_t *data, uint32_t length, bool toHost, uint32_t &moved);

    // Standard INQUIRY data (96 bytes) and READ CAPACITY(10) data (8 bytes).
    std::array<uint8_t, 96> InquiryData() const;
    std::array<uint8_t, 8> CapacityData() const;

    std::vector<uint8_t> IdentifyController() const;
    std::vector<uint8_t> FirmwareSlotLog() const;
    // The log page with this identifier, or empty when the drive has none.
    std::vector<uint8_t> LogPage(uint8_t lid) const;

    // Bridge state: the command sent ahead of its data phase.
    bool hasPending = false;
    NVMeSubmissionEntry pending;
    uint8_t pendingPhase = 0;

    // Every 4096-byte block that reached the MCU, in order.
    std::vector<std::vector<uint8_t>> mcuBlocks;

private:
    DriveConfig config;
};

// The simulation file: [simulation] settings, then one [drive] section per drive.
struct SimSettings
{
    bool listFails = false;
    std::string recordFile;
};

struct SimConfig
{
    SimSettings settings;
    std::vector<DriveConfig> drives;
};

// Parses a simulation file. On error returns false with "line N: reason".
bool ParseSimConfig(std::string_view text, SimConfig &config, std::string &error);

} // namespace qz::sim
