// The debug lines that hosts read (qzctl parses them): their formats and the
// fixed texts a reader looks for, defined once for the library that prints
// them and the readers. The formats are macros so that they stay string
// literals the compiler checks against the printf arguments. A line printed
// through __dll_printf carries the "\n[DLL]" prefix in front of these texts.
// Plain C++ without dependencies, so that any host can include it.
#pragma once

#include <string_view>

#define QZ_LINE_PREFIX "\n[DLL]"

// "######### - QZ device <index>: USB bridge <JMicron|ASMedia>, <interface path>"
// "######### - QZ device <index>: NVMe <physical drive>, <interface path>"
#define QZ_LINE_KEPT_DRIVE "######### - QZ device "
#define QZ_LINE_KEPT_BRIDGE "USB bridge "
#define QZ_LINE_KEPT_NVME "NVMe "
#define QZ_FORMAT_KEPT_BRIDGE QZ_LINE_KEPT_DRIVE "%u: " QZ_LINE_KEPT_BRIDGE "%s, %s\n"
#define QZ_FORMAT_KEPT_NVME QZ_LINE_KEPT_DRIVE "%u: " QZ_LINE_KEPT_NVME "%s, %s\n"

// "######### - Permission denied (error <code>): <action> <path>"
#define QZ_LINE_DENIED "######### - Permission denied (error "
#define QZ_LINE_DENIED_OPEN "open"
#define QZ_LINE_DENIED_SCSI "SCSI pass-through to"
#define QZ_LINE_DENIED_NVME "NVMe admin command to"
#define QZ_FORMAT_DENIED QZ_LINE_DENIED "%u): %s %s\n"

// Enumeration progress: the number of disks, then each disk examined.
#define QZ_LINE_DISK_COUNT "dwDeviceCount = "
#define QZ_FORMAT_DISK_COUNT QZ_LINE_DISK_COUNT "%d\n"
#define QZ_LINE_DISK_PATH "szDevicePath["
#define QZ_LINE_DISK_PATH_SEPARATOR "] = "
#define QZ_FORMAT_DISK_PATH QZ_LINE_DISK_PATH "%d" QZ_LINE_DISK_PATH_SEPARATOR "%s\n"

// A simulation file that could not be used: "simulation file <path>: <reason>".
#define QZ_LINE_SIMULATION "simulation file "
#define QZ_FORMAT_SIMULATION QZ_LINE_SIMULATION "%s: %s\n"

// A slot whose disk is no longer the one enumerated into it; nothing was sent.
#define QZ_LINE_REPLACED "######### - drive of slot "
#define QZ_LINE_REPLACED_TAIL " is gone or was replaced"
#define QZ_FORMAT_REPLACED QZ_LINE_REPLACED "%u" QZ_LINE_REPLACED_TAIL ": %s\n"

// An MCU block that the slot's bridge cannot carry; the block was not sent.
#define QZ_LINE_NOT_CARRIED "######### - MCU block not carried on this bridge"
#define QZ_FORMAT_NOT_CARRIED QZ_LINE_NOT_CARRIED " (%s, slot %u)\n"

// A SCSI command that ended with a status other than GOOD, a data-in phase
// that brought less than its whole length (the caller's buffer was left as
// it was), and a data-out phase that the device took only in part.
#define QZ_FORMAT_SCSI_STATUS "SCSI Status Fail = %d\n"
#define QZ_FORMAT_SHORT_DATA_IN "Short data-in = %u of %u\n"
#define QZ_FORMAT_SHORT_DATA_OUT "Short data-out = %u of %u\n"
// What the device's sense data says about a CHECK CONDITION (printed after
// the status line when the platform returned sense data).
#define QZ_FORMAT_SENSE "Sense key = %X, ASC = %02X, ASCQ = %02X\n"

// A read-only open that the system refused where read and write was granted.
#define QZ_LINE_READ_ONLY_REFUSED "######### - read-only open refused (error "
#define QZ_FORMAT_READ_ONLY_REFUSED QZ_LINE_READ_ONLY_REFUSED "%u), read-write open works: %s\n"

namespace qz::dbg::lines {

constexpr std::string_view kLinePrefix = QZ_LINE_PREFIX;
constexpr std::string_view kKeptDrive = QZ_LINE_KEPT_DRIVE;
constexpr std::string_view kKeptBridge = QZ_LINE_KEPT_BRIDGE;
constexpr std::string_view kKeptNvme = QZ_LINE_KEPT_NVME;
constexpr std::string_view kDenied = QZ_LINE_DENIED;
constexpr std::string_view kDeniedOpen = QZ_LINE_DENIED_OPEN;
constexpr std::string_view kDeniedScsi = QZ_LINE_DENIED_SCSI;
constexpr std::string_view kDeniedNvme = QZ_LINE_DENIED_NVME;
constexpr std::string_view kDiskCount = QZ_LINE_DISK_COUNT;
constexpr std::string_view kDiskPath = QZ_LINE_DISK_PATH;
constexpr std::string_view kDiskPathSeparator = QZ_LINE_DISK_PATH_SEPARATOR;
constexpr std::string_view kSimulation = QZ_LINE_SIMULATION;
constexpr std::string_view kReplaced = QZ_LINE_REPLACED;
constexpr std::string_view kReplacedTail = QZ_LINE_REPLACED_TAIL;
constexpr std::string_view kNotCarried = QZ_LINE_NOT_CARRIED;
constexpr std::string_view kReadOnlyRefused = QZ_LINE_READ_ONLY_REFUSED;

} // namespace qz::dbg::lines
