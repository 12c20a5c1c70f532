// The translator of the Windows requests: exact records in, exact commands
// and replies out, and every record the platform would refuse.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "DeviceAccess/WindowsRequests.h"
#include "QZUtil/ByteOrder.h"

using namespace driverdef;
using namespace qz::winreq;

namespace {

TStorageQueryWithBuffer Query(uint32_t dataType, uint32_t value, uint32_t subValue, uint32_t length = 4096)
{
    TStorageQueryWithBuffer query;
    std::memset(&query, 0, sizeof query);
    query.PropertyId = kStorageAdapterProtocolSpecificProperty;
    query.QueryType = kPropertyStandardQuery;
    query.ProtocolSpecific.ProtocolType = kProtocolTypeNvme;
    query.ProtocolSpecific.DataType = dataType;
    query.ProtocolSpecific.ProtocolDataRequestValue = value;
    query.ProtocolSpecific.ProtocolDataRequestSubValue = subValue;
    query.ProtocolSpecific.ProtocolDataOffset = 40;
    query.ProtocolSpecific.ProtocolDataLength = length;
    return query;
}

TEST(WindowsRequests, StorageQueriesBecomeIdentifyOrGetLogPage)
{
    struct Case
    {
        const char *name;
        TStorageQueryWithBuffer query;
        uint8_t opcode;
        uint32_t nsid, cdw10, cdw11, cdw12, length;
    };
    const Case cases[] = {
        {"identify controller", Query(1, 1, 0), 0x06, 0, 1, 0, 0, 4096},
        {"identify namespace 1", Query(1, 0, 1), 0x06, 1, 0, 0, 0, 4096},
        {"log C7h, 1024 dwords", Query(2, 0xC7, 0), 0x02, 0, 0x03FF00C7, 0, 0, 4096},
        {"log C6h, 512 bytes at offset 8", Query(2, 0xC6, 8, 512), 0x02, 0, 0x007F00C6, 0, 8, 512},
    };
    for (const Case &c : cases) {
        TStorageQueryWithBuffer query = c.query;
        AdminCommand command;
        ASSERT_TRUE(TranslateStorageQuery(query, command)) << c.name;
        EXPECT_EQ(command.entry.opcode, c.opcode) << c.name;
        EXPECT_EQ(command.entry.nsid, c.nsid) << c.name;
        EXPECT_EQ(command.entry.cdw10, c.cdw10) << c.name;
        EXPECT_EQ(command.entry.cdw11, c.cdw11) << c.name;
        EXPECT_EQ(command.entry.cdw12, c.cdw12) << c.name;
        EXPECT_EQ(command.dataLength, c.length) << c.name;
        EXPECT_EQ(command.data, query.Buffer) << c.name;
        EXPECT_TRUE(command.toHost) << c.name;
    }
}

TEST(WindowsRequests, StorageQueriesThePlatformRefuses)
{
    const std::function<void(TStorageQueryWithBuffer &)> spoilers[] = {
        [](auto &q) { q.PropertyId = 50; },
        [](auto &q) { q.QueryType = 1; },
        [](auto &q) { q.ProtocolSpecific.ProtocolType = 2; },
        [](auto &q) { q.ProtocolSpecific.DataType = 3; },
        [](auto &q) { q.ProtocolSpecific.ProtocolDataOffset = 36; },
        [](auto &q) { q.ProtocolSpecific.ProtocolDataLength = 0; },
        [](auto &q) { q.ProtocolSpecific.ProtocolDataLength = 4094; },
        [](auto &q) { q.ProtocolSpecific.ProtocolDataLength = 8192; }, // beyond the record
        [](auto &q) { q.ProtocolSpecific.ProtocolDataOffset = 44; }, // 4096 bytes from 44 overrun it
        [](auto &q) { q.ProtocolSpecific.ProtocolDataLength = 2048; }, // Identify needs 4096
    };
    int index = 0;
    for (const auto &spoil : spoilers) {
        TStorageQueryWithBuffer query = Query(1, 1, 0);
        spoil(query);
        AdminCommand command;
        EXPECT_FALSE(TranslateStorageQuery(query, command)) << "case " << index;
        ++index;
    }
}

std::vector<uint8_t> FirmwareRecord(uint32_t function, uint32_t length = kFirmwareRequestSize)
{
    std::vector<uint8_t> record(length, 0);
    FillFirmwareRequestHeader(record.data(), length, function);
    return record;
}

void PutDownload(std::vector<uint8_t> &record, uint64_t offset, uint64_t size)
{
    qz::PutLE32(&record[56], 1);
    qz::PutLE32(&record[60], 24);
    qz::PutLE64(&record[64], offset);
    qz::PutLE64(&record[72], size);
}

TEST(WindowsRequests, AFirmwareRequestDecodesItsHeader)
{
    std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionGetInfo);
    FirmwareRequest request;
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    EXPECT_EQ(request.function, kFirmwareFunctionGetInfo);
    EXPECT_EQ(request.data, record.data() + 56);
    EXPECT_EQ(request.dataLength, kFirmwareRequestSize - 56);
    EXPECT_EQ(request.timeoutMs, 30000u);
    SetReturnCode(request, 0x01020304);
    EXPECT_EQ(qz::GetLE32(&record[20]), 0x01020304u);
}

TEST(WindowsRequests, FirmwareRequestsThePlatformRefuses)
{
    // Each spoils one field of a valid information request (offsets of the header).
    const std::function<void(std::vector<uint8_t> &)> spoilers[] = {
        [](auto &r) { qz::PutLE32(&r[0], 24); }, // HeaderLength
        [](auto &r) { r[4] = 'X'; }, // Signature
        [](auto &r) { qz::PutLE32(&r[16], 0x001B0781); }, // ControlCode
        [](auto &r) { qz::PutLE32(&r[24], kFirmwareRequestSize); }, // Srb.Length
        [](auto &r) { qz::PutLE32(&r[28], 2); }, // Version
        [](auto &r) { qz::PutLE32(&r[32], 28); }, // Size
        [](auto &r) { qz::PutLE32(&r[36], 3); }, // Function
        [](auto &r) { qz::PutLE32(&r[44], 52); }, // DataBufferOffset inside the header
        [](auto &r) { qz::PutLE32(&r[48], kFirmwareRequestSize); }, // data beyond the record
    };
    int index = 0;
    for (const auto &spoil : spoilers) {
        std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionGetInfo);
        spoil(record);
        FirmwareRequest request;
        EXPECT_FALSE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request))
            << "case " << index;
        ++index;
    }
    std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionGetInfo);
    FirmwareRequest request;
    EXPECT_FALSE(DecodeFirmwareRequest(record.data(), 55, request));
    EXPECT_FALSE(DecodeFirmwareRequest(nullptr, kFirmwareRequestSize, request));
}

TEST(WindowsRequests, ADownloadBecomesOneFirmwareImageDownload)
{
    std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionDownload);
    PutDownload(record, 8192, 4096);
    FirmwareRequest request;
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    AdminCommand command;
    ASSERT_TRUE(TranslateFirmwareDownload(request, command));
    EXPECT_EQ(command.entry.opcode, 0x11);
    EXPECT_EQ(command.entry.nsid, 0u);
    EXPECT_EQ(command.entry.cdw10, 1023u);
    EXPECT_EQ(command.entry.cdw11, 2048u);
    EXPECT_EQ(command.data, record.data() + 80);
    EXPECT_EQ(command.dataLength, 4096u);
    EXPECT_FALSE(command.toHost);
    EXPECT_EQ(command.timeoutMs, 30000u);
}

TEST(WindowsRequests, DownloadRecordsThePlatformRefuses)
{
    struct Case
    {
        uint32_t version, size;
        uint64_t offset, bufferSize;
    };
    const Case cases[] = {
        {2, 24, 0, 4096}, {1, 32, 0, 4096},
        {1, 24, 0, 0},    {1, 24, 0, 4094},
        {1, 24, 0, 4100}, // more than the record holds
        {1, 24, 2, 4096}, {1, 24, uint64_t {UINT32_MAX} * 4 + 4, 4096},
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionDownload);
        PutDownload(record, c.offset, c.bufferSize);
        qz::PutLE32(&record[56], c.version);
        qz::PutLE32(&record[60], c.size);
        FirmwareRequest request;
        ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
        AdminCommand command;
        EXPECT_FALSE(TranslateFirmwareDownload(request, command))
            << c.version << " " << c.size << " " << c.offset << " " << c.bufferSize;
    }
    // A data area too small for the download record.
    std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionDownload, 56 + 20);
    FirmwareRequest request;
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    AdminCommand command;
    EXPECT_FALSE(TranslateFirmwareDownload(request, command));
}

TEST(WindowsRequests, FirmwareInformationFromIdentifyAndTheSlotLog)
{
    uint8_t controller[4096] = {};
    uint8_t slotLog[512] = {};
    const AdminCommand identify = FirmwareIdentifyCommand(controller, 30000);
    EXPECT_EQ(identify.entry.opcode, 0x06);
    EXPECT_EQ(identify.entry.cdw10, 1u);
    EXPECT_EQ(identify.dataLength, 4096u);
    const AdminCommand log = FirmwareSlotLogCommand(slotLog, 30000);
    EXPECT_EQ(log.entry.opcode, 0x02);
    EXPECT_EQ(log.entry.nsid, 0xFFFFFFFFu);
    EXPECT_EQ(log.entry.cdw10, 0x007F0003u);
    EXPECT_EQ(log.dataLength, 512u);
    EXPECT_EQ(log.timeoutMs, 30000u);

    controller[256] = 0x04; // OACS: download
    controller[260] = 0x05; // two slots, slot 1 read-only
    slotLog[0] = 0x12; // slot 2 active, slot 1 pending
    std::memcpy(slotLog + 8, "REV00001", 8);
    std::memcpy(slotLog + 16, "REV00002", 8);
    const FirmwareSummary summary = SummaryFromController(controller, slotLog);

    // Room for the header and one slot entry only.
    std::vector<uint8_t> record = FirmwareRecord(kFirmwareFunctionGetInfo, 56 + 16 + 16 + 8);
    FirmwareRequest request;
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    ASSERT_TRUE(WriteFirmwareInformation(request, summary));
    const std::vector<uint8_t> reply(record.begin() + 56, record.end());
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 16, 0, 0, 0, 1,   1,   2,   1,   0,   0,   0,   0, // info
                                           1, 1, 0, 0, 0,  0, 0, 0, 'R', 'E', 'V', '0', '0', '0', '0', '1', // slot 1
                                           0, 0, 0, 0, 0,  0, 0, 0};
    EXPECT_EQ(reply, expected);

    slotLog[0] = 0x02; // nothing pending
    record = FirmwareRecord(kFirmwareFunctionGetInfo, 56 + 16);
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    ASSERT_TRUE(WriteFirmwareInformation(request, SummaryFromController(controller, slotLog)));
    EXPECT_EQ(record[56 + 9], 0); // no slot entry fits
    EXPECT_EQ(record[56 + 11], kNoPendingSlot);

    record = FirmwareRecord(kFirmwareFunctionGetInfo, 56 + 12);
    ASSERT_TRUE(DecodeFirmwareRequest(record.data(), static_cast<uint32_t>(record.size()), request));
    EXPECT_FALSE(InformationFits(request));
    EXPECT_FALSE(WriteFirmwareInformation(request, summary));
}

TEST(WindowsRequests, ScsiRequestsGiveDirectionAndTimeout)
{
    uint8_t buffer[8] = {};
    struct Case
    {
        uint8_t cdbLength;
        bool dataIn;
        uint8_t *buffer;
        uint32_t length, timeoutSeconds;
        bool valid;
        DataDirection direction;
        uint32_t timeoutMs;
    };
    const Case cases[] = {
        {12, true, buffer, 8, 10, true, DataDirection::In, 10000},
        {16, false, buffer, 8, 10, true, DataDirection::Out, 10000},
        {12, true, nullptr, 0, 10, true, DataDirection::None, 10000},
        {12, false, buffer, 8, UINT32_MAX, true, DataDirection::Out, UINT32_MAX},
        {0, false, buffer, 8, 10, false, DataDirection::None, 0},
        {17, false, buffer, 8, 10, false, DataDirection::None, 0},
        {12, true, nullptr, 8, 10, false, DataDirection::None, 0},
    };
    for (const Case &c : cases) {
        qz::ScsiRequest request;
        request.cdbLength = c.cdbLength;
        request.dataIn = c.dataIn;
        request.buffer = c.buffer;
        request.length = c.length;
        request.timeoutSeconds = c.timeoutSeconds;
        ScsiTransfer transfer;
        ASSERT_EQ(TranslateScsiRequest(request, transfer), c.valid) << int {c.cdbLength} << " " << c.length;
        if (c.valid) {
            EXPECT_EQ(transfer.direction, c.direction);
            EXPECT_EQ(transfer.timeoutMs, c.timeoutMs);
        }
    }
}

} // namespace
