#include "DeviceAccess/sim/SimDrive.h"

#include <algorithm>
#include <cstring>

#include "QZUtil/ByteOrder.h"

namespace qz::sim {
namespace {

void PutPadded(uint8_t *out, const std::string &text, std::size_t width)
{
    std::memset(out, ' ', width);
    std::memcpy(out, text.data(), std::min(width, text.size()));
}

} // namespace

SimDrive::SimDrive(DriveConfig described)
    : config(std::move(described))
{
    DriveConfig &c = config;
    if (c.vendor.empty()) {
        switch (c.kind) {
        case DriveKind::Nvme:
            c.vendor = "NVMe";
            break;
        case DriveKind::JMicron:
            c.vendor = "JMicron";
            break;
        case DriveKind::ASMedia:
            c.vendor = "ASMedia";
            break;
        case DriveKind::Disk:
            c.vendor = "ATA";
            break;
        }
    }
    if (c.chip.empty()) {
        if (c.kind == DriveKind::JMicron)
            c.chip = "0583";
        if (c.kind == DriveKind::ASMedia)
            c.chip = "2362";
    }
    if (c.product.empty()) {
        switch (c.kind) {
        case DriveKind::Nvme:
            c.product = c.model.substr(0, 16);
            break;
        case DriveKind::JMicron:
            c.product = "USB to NVMe";
            break;
        case DriveKind::ASMedia:
            c.product = "ASM" + c.chip + " NVMe";
            break;
        case DriveKind::Disk:
            c.product = "Virtual Disk";
            break;
        }
    }
    if (c.serial.empty())
        c.serial = "SIM" + std::to_string(c.number < 0 ? 0 : c.number);
    if (c.slots.empty())
        c.slots = {{true, "SIMFW001"}, {false, "SIMFW002"}};
    if (c.logC6.size() != NVME_DATA_BLOCK_SIZE) {
        const std::size_t given = c.logC6.size();
        c.logC6.resize(NVME_DATA_BLOCK_SIZE, 0);
        if (given == 0) {
            for (std::size_t i = 0; i < c.logC6.size(); ++i)
                c.logC6[i] = static_cast<uint8_t>(i * 7 + 0xC6);
        }
    }
}

Fault *SimDrive::DueFault(FaultTarget target, int scsiOpcode, int logId, FaultPhase phase)
{
    for (Fault &f : config.faults) {
        if (f.target != target)
            continue;
        if (target == FaultTarget::Scsi && f.scsiOpcode != scsiOpcode)
            continue;
        if (target == FaultTarget::Log && f.logId >= 0 && f.logId != logId)
            continue;
        if ((target == FaultTarget::Identify || target == FaultTarget::Log || target == FaultTarget::Download)
            && config.IsBridge() && f.phase != phase) {
            continue;
        }
        ++f.seen;
        if (f.seen <= f.after || f.applied >= f.times)
            continue;
        ++f.applied;
        return &f;
    }
    return nullptr;
}

std::array<uint8_t, 96> SimDrive::InquiryData() const
{
    std::array<uint8_t, 96> d {};
    d[0] = 0x00; // direct-access block device
    d[2] = 0x06;
    d[3] = 0x02;
    d[4] = static_cast<uint8_t>(d.size() - 5);
    PutPadded(&d[8], config.vendor, 8);
    PutPadded(&d[16], config.product, 16);
    PutPadded(&d[32], config.revision, 4);
    if (config.kind == DriveKind::JMicron)
        PutPadded(&d[36], config.chip, 4);
    if (config.kind == DriveKind::ASMedia)
        PutPadded(&d[19], config.chip, 4);
    return d;
}

std::array<uint8_t, 8> SimDrive::CapacityData() const
{
    std::array<uint8_t, 8> d {};
    PutBE32(&d[0], config.lastLba);
    PutBE32(&d[4], config.blockLength);
    return d;
}

std::vector<uint8_t> SimDrive::IdentifyController() const
{
    std::vector<uint8_t> id(NVME_DATA_BLOCK_SIZE, 0);
    PutPadded(&id[4], config.serial, 20);
    PutPadded(&id[24], config.model, 40);
    PutPadded(&id[64], config.firmware, 8);
    PutLE16(&id[256], config.upgrade ? 0x0004 : 0x0000); // OACS: firmware commit and download
    const std::size_t slots = std::min<std::size_t>(config.slots.size(), 7);
    const bool slot1ReadOnly = !config.slots.empty() && config.slots[0].readOnly;
    id[260] = static_cast<uint8_t>((slots << 1) | (slot1ReadOnly ? 1 : 0)); // FRMW
    PutLE32(&id[516], 1); // NN: one namespace
    return id;
}

std::vector<uint8_t> SimDrive::FirmwareSlotLog() const
{
    std::vector<uint8_t> log(512, 0);
    log[0] = static_cast<uint8_t>((config.activeSlot & 0x7) | ((config.pendingSlot & 0x7) << 4));
    for (std::size_t i = 0; i < config.slots.size() && i < 7; ++i) {
        std::memset(&log[8 + 8 * i], 0, 8);
        std::memcpy(&log[8 + 8 * i], config.slots[i].revision.data(),
                    std::min<std::size_t>(8, config.slots[i].revision.size()));
    }
    return log;
}

std::vector<uint8_t> SimDrive::LogPage(uint8_t lid) const
{
    switch (lid) {
    case NVME_LOG_FIRMWARE_SLOT_INFO:
        return FirmwareSlotLog();
    case NVME_LOG_VENDOR_C6:
        return config.logC6;
    case NVME_LOG_VENDOR_C7: {
        std::vector<uint8_t> answer(NVME_DATA_BLOCK_SIZE, 0);
        if (mcuBlocks.empty() || config.answer == McuAnswer::Zero)
            return answer;
        const std::vector<uint8_t> &last = mcuBlocks.back();
        for (std::size_t i = 0; i < answer.size(); ++i) {
            answer[i] = config.answer == McuAnswer::Invert ? static_cast<uint8_t>(~last[i]) : last[i];
        }
        return answer;
    }
    default:
        return {};
    }
}

uint16_t SimDrive::Execute(const NVMeSubmissionEntry &command, uint8_t *data, uint32_t length, bool toHost,
                           uint32_t &moved)
{
    moved = 0;
    if (!config.HasNvme())
        return kNvmeInvalidOpcode;
    if (length > 0 && data == nullptr)
        return kNvmeInvalidField;

    switch (command.opcode) {
    case NVME_ADMIN_IDENTIFY: {
        if (!toHost)
            return kNvmeInvalidField;
        std::vector<uint8_t> result(NVME_DATA_BLOCK_SIZE, 0);
        const uint32_t cns = command.cdw10 & 0xFF;
        if (cns == NVME_IDENTIFY_CNS_CONTROLLER) {
            result = IdentifyController();
        } else if (cns == NVME_IDENTIFY_CNS_SPECIFIC_NAMESPACE) {
            if (command.nsid != 1)
                return kNvmeInvalidNamespace;
            const uint64_t blocks = uint64_t {config.lastLba} + 1;
            PutLE64(&result[0], blocks);
            PutLE64(&result[8], blocks);
            PutLE64(&result[16], blocks);
            uint8_t shift = 0;
            while (shift < 31 && (1u << shift) < config.blockLength)
                ++shift;
            result[130] = shift; // LBA format 0: data size
        } else if (cns == NVME_IDENTIFY_CNS_ACTIVE_NAMESPACES) {
            if (command.nsid < 1)
                PutLE32(&result[0], 1);
        } else {
            return kNvmeInvalidField;
        }
        moved = std::min<uint32_t>(length, NVME_DATA_BLOCK_SIZE);
        std::memcpy(data, result.data(), moved);
        return kNvmeSuccess;
    }
    case NVME_ADMIN_GET_LOG_PAGE: {
        if (!toHost)
            return kNvmeInvalidField;
        const uint8_t lid = static_cast<uint8_t>(command.cdw10 & 0xFF);
        const uint64_t numd = (((command.cdw10 >> 16) & 0xFFFF) | (uint64_t {command.cdw11 & 0xFFFF} << 16)) + 1;
        const uint64_t offset = command.cdw12 | (uint64_t {command.cdw13} << 32);
        const std::vector<uint8_t> page = LogPage(lid);
        if (page.empty())
            return kNvmeInvalidLogPage;
        if (offset > page.size())
            return kNvmeInvalidField;
        moved = static_cast<uint32_t>(std::min<uint64_t>(numd * 4, length));
        const uint64_t available = page.size() - offset;
        const uint32_t copy = static_cast<uint32_t>(std::min<uint64_t>(moved, available));
        std::memcpy(data, page.data() + offset, copy);
        std::memset(data + copy, 0, moved - copy);
        return kNvmeSuccess;
    }
    case NVME_ADMIN_FIRMWARE_IMAGE_DOWNLOAD: {
        if (toHost)
            return kNvmeInvalidField;
        if (!config.upgrade)
            return kNvmeInvalidOpcode;
        const uint64_t offset = uint64_t {command.cdw11} * 4;
        const uint64_t bytes = std::min<uint64_t>((uint64_t {command.cdw10} + 1) * 4, length);
        // The MCU takes one 4096-byte block, written from offset 0.
        if (offset + bytes > NVME_DATA_BLOCK_SIZE)
            return kNvmeInvalidField;
        std::vector<uint8_t> block
            = offset == 0 || mcuBlocks.empty() ? std::vector<uint8_t>(NVME_DATA_BLOCK_SIZE, 0) : mcuBlocks.back();
        std::memcpy(block.data() + offset, data, bytes);
        mcuBlocks.push_back(std::move(block));
        moved = static_cast<uint32_t>(bytes);
        return kNvmeSuccess;
    }
    default:
        return kNvmeInvalidOpcode;
    }
}

} // namespace qz::sim
