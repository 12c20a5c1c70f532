// The emulated bridge must answer as the enclosures do, or the kernel tier
// would test the library against our own mistakes: the INQUIRY layout, the
// tunnel's phases and their order, and the faults it is told to show.
#include <gtest/gtest.h>

#include <cstring>

#include "BridgeTarget.h"

namespace qzbridge {
namespace {

struct Entry
{
    uint8_t opcode;
    uint32_t cdw10;
    uint32_t cdw11 = 0;
    uint32_t cdw12 = 0;
};

void PutLE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

ScsiCommand Plain(std::vector<uint8_t> cdb, uint32_t length, bool dataIn = true, std::vector<uint8_t> out = {})
{
    ScsiCommand c;
    c.cdb = std::move(cdb);
    c.transferLength = length;
    c.dataIn = dataIn;
    c.dataOut = std::move(out);
    return c;
}

ScsiCommand Tunnel(uint8_t mode, uint32_t bytes, bool dataIn, std::vector<uint8_t> out = {})
{
    const std::vector<uint8_t> cdb = {0xA1,
                                      mode,
                                      0,
                                      static_cast<uint8_t>(bytes >> 16),
                                      static_cast<uint8_t>(bytes >> 8),
                                      static_cast<uint8_t>(bytes),
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0};
    return Plain(cdb, bytes, dataIn, std::move(out));
}

ScsiCommand Payload(const Entry &e, const char *signature = "NVME")
{
    std::vector<uint8_t> block(512, 0);
    std::memcpy(block.data(), signature, 4);
    block[8] = e.opcode;
    PutLE32(block.data() + 8 + 40, e.cdw10);
    PutLE32(block.data() + 8 + 44, e.cdw11);
    PutLE32(block.data() + 8 + 48, e.cdw12);
    return Tunnel(0x80, 512, false, block);
}

// Key, ASC and ASCQ as REQUEST SENSE reports them.
std::vector<uint8_t> Sense(BridgeTarget &target)
{
    const ScsiReply reply = target.Execute(Plain({0x03, 0, 0, 0, 18, 0}, 18));
    EXPECT_EQ(reply.dataIn.size(), 18u);
    return {reply.dataIn[2], reply.dataIn[12], reply.dataIn[13]};
}

ScsiReply ReadThroughTunnel(BridgeTarget &target, const Entry &entry)
{
    EXPECT_TRUE(target.Execute(Payload(entry)).good);
    return target.Execute(Tunnel(0x82, 4096, true));
}

ScsiCommand ASMedia(uint8_t opcode, uint8_t operation, uint32_t bytes, bool dataIn, std::vector<uint8_t> out = {})
{
    const std::vector<uint8_t> cdb = {opcode,
                                      0x5A,
                                      operation,
                                      0,
                                      1,
                                      0,
                                      0,
                                      0,
                                      0,
                                      0,
                                      static_cast<uint8_t>(bytes >> 24),
                                      static_cast<uint8_t>(bytes >> 16),
                                      static_cast<uint8_t>(bytes >> 8),
                                      static_cast<uint8_t>(bytes),
                                      0,
                                      0};
    return Plain(cdb, bytes, dataIn, std::move(out));
}

ScsiCommand ASMediaEntry(const Entry &e)
{
    std::vector<uint8_t> entry(64, 0);
    entry[0] = e.opcode;
    PutLE32(entry.data() + 40, e.cdw10);
    return ASMedia(0xEA, 0x80, 64, false, entry);
}

TEST(BridgeTarget, InquiryNamesTheChipWhereHostsLook)
{
    const struct
    {
        Chip chip;
        uint8_t allocation;
        std::size_t expected;
        const char *vendor;
        const char *chipAt19;
        const char *chipAt36;
    } cases[] = {
        {Chip::JMicron, 40, 40, "JMicron ", "h   ", "0583"},  {Chip::JMicron, 36, 36, "JMicron ", "h   ", nullptr},
        {Chip::JMicron, 255, 40, "JMicron ", "h   ", "0583"}, {Chip::ASMedia, 40, 40, "ASMedia ", "2362", "    "},
        {Chip::JMicron, 5, 5, nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        BridgeTarget target(c.chip);
        const ScsiReply reply = target.Execute(Plain({0x12, 0, 0, 0, c.allocation, 0}, c.allocation));
        ASSERT_TRUE(reply.good);
        ASSERT_EQ(reply.dataIn.size(), c.expected) << int {c.allocation};
        const std::string data(reply.dataIn.begin(), reply.dataIn.end());
        if (c.vendor != nullptr) {
            EXPECT_EQ(data.substr(8, 8), c.vendor);
            EXPECT_EQ(data.substr(19, 4), c.chipAt19);
            EXPECT_EQ(reply.dataIn[4], 35); // additional length
        }
        if (c.chipAt36 != nullptr) {
            EXPECT_EQ(data.substr(36, 4), c.chipAt36);
        }
    }
}

TEST(BridgeTarget, TunnelledReadsAnswerAsTheDrive)
{
    BridgeTarget target;
    const ScsiReply identify = ReadThroughTunnel(target, {0x06, 1});
    ASSERT_TRUE(identify.good);
    EXPECT_EQ(identify.dataIn, target.Drive().IdentifyData());
    EXPECT_EQ(std::string(identify.dataIn.begin() + 4, identify.dataIn.begin() + 16), "QZBRIDGE0001");

    const ScsiReply c6 = ReadThroughTunnel(target, {0x02, 0x03FF00C6});
    ASSERT_TRUE(c6.good);
    ASSERT_EQ(c6.dataIn.size(), 4096u);
    EXPECT_EQ(c6.dataIn[1], 0xC6 + 7);

    // The C7h answer is the downloaded block inverted.
    std::vector<uint8_t> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(target.Execute(Payload({0x11, 0x3FF})).good);
    ASSERT_TRUE(target.Execute(Tunnel(0x83, 4096, false, block)).good);
    const ScsiReply c7 = ReadThroughTunnel(target, {0x02, 0x03FF00C7});
    ASSERT_TRUE(c7.good);
    ASSERT_EQ(c7.dataIn.size(), 4096u);
    for (std::size_t i = 0; i < block.size(); ++i)
        ASSERT_EQ(c7.dataIn[i], static_cast<uint8_t>(~block[i])) << i;
}

TEST(BridgeTarget, ASMediaTunnelCarriesTheEntryThenTheData)
{
    BridgeTarget target(Chip::ASMedia);
    ASSERT_TRUE(target.Execute(ASMediaEntry({0x06, 1})).good);
    const ScsiReply identify = target.Execute(ASMedia(0xEB, 0x81, 4096, true));
    ASSERT_TRUE(identify.good);
    EXPECT_EQ(identify.dataIn, target.Drive().IdentifyData());
}

TEST(BridgeTarget, RefusesWhatARealBridgeRefuses)
{
    const struct
    {
        const char *name;
        std::vector<ScsiCommand> commands; // the last one must fail
        std::vector<uint8_t> sense;
        Chip chip = Chip::JMicron;
    } cases[] = {
        {"ASMedia tunnel on a JMicron bridge", {ASMediaEntry({0x06, 1})}, {0x05, 0x20, 0}},
        {"JMicron tunnel on an ASMedia bridge", {Payload({0x06, 1})}, {0x05, 0x20, 0}, Chip::ASMedia},
        {"ASMedia data without an entry", {ASMedia(0xEB, 0x81, 4096, true)}, {0x05, 0x2C, 0}, Chip::ASMedia},
        {"ASMedia download",
         {ASMediaEntry({0x11, 0x3FF}), ASMedia(0xEA, 0x81, 4096, false, std::vector<uint8_t>(4096))},
         {0x05, 0x24, 0},
         Chip::ASMedia},
        {"data phase without a payload", {Tunnel(0x82, 4096, true)}, {0x05, 0x2C, 0}},
        {"payload used twice", {Payload({0x06, 1}), Tunnel(0x82, 4096, true), Tunnel(0x82, 4096, true)}, {5, 0x2C, 0}},
        {"payload without the signature", {Payload({0x06, 1}, "NVMX")}, {0x05, 0x26, 0}},
        {"data-in phase sent as data-out", {Payload({0x06, 1}), Tunnel(0x82, 4096, false, {})}, {0x05, 0x24, 0}},
        {"byte count unlike the transfer", {Payload({0x06, 1}), Plain({0xA1, 0x82, 0, 0, 0x10, 0}, 512)}, {5, 0x24, 0}},
        {"unknown log page", {Payload({0x02, 0x03FF00C8}), Tunnel(0x82, 4096, true)}, {0x05, 0x24, 0}},
        {"log page at an offset", {Payload({0x02, 0x03FF00C6, 0, 512}), Tunnel(0x82, 4096, true)}, {5, 0x24, 0}},
        {"download past the block",
         {Payload({0x11, 0x3FF, 1}), Tunnel(0x83, 4096, false, std::vector<uint8_t>(4096))},
         {0x05, 0x24, 0}},
        {"unknown operation code", {Plain({0xEA, 0x5A, 0, 0, 0, 0}, 0)}, {0x05, 0x20, 0}},
        {"vital product data", {Plain({0x12, 1, 0x80, 0, 36, 0}, 36)}, {0x05, 0x24, 0}},
    };
    for (const auto &c : cases) {
        BridgeTarget target(c.chip);
        ScsiReply reply;
        for (const ScsiCommand &command : c.commands)
            reply = target.Execute(command);
        EXPECT_FALSE(reply.good) << c.name;
        EXPECT_EQ(Sense(target), c.sense) << c.name;
        EXPECT_EQ(Sense(target), (std::vector<uint8_t> {0, 0, 0})) << c.name << ": sense is reported once";
    }
}

TEST(BridgeTarget, AShortWriteTakesPartOfTheBlockWithGoodStatusAndWritesNothing)
{
    BridgeTarget target;
    target.SetFault(Fault::ShortWrite);
    ASSERT_TRUE(target.Execute(Payload({0x11, 0x3FF, 0})).good);
    const ScsiReply reply = target.Execute(Tunnel(0x83, 4096, false, std::vector<uint8_t>(4096, 0x51)));
    EXPECT_TRUE(reply.good);
    EXPECT_EQ(reply.dataOutLeft, 3096u);
    const ScsiReply c7 = ReadThroughTunnel(target, {0x02, 0x03FF00C7});
    ASSERT_EQ(c7.dataIn.size(), 4096u);
    EXPECT_NE(c7.dataIn, std::vector<uint8_t>(4096, 0xAE)) << "the partial block reached the drive";
}

TEST(BridgeTarget, FaultsEndOnlyTheirDataPhaseShort)
{
    const struct
    {
        Fault fault;
        Entry shortened;
        Entry untouched;
        std::size_t bytesLeft;
        bool good = false;
    } cases[] = {
        {Fault::ShortAnswer, {0x02, 0x03FF00C7}, {0x02, 0x03FF00C6}, 1000},
        {Fault::ShortIdentify, {0x06, 1}, {0x02, 0x03FF00C7}, 1000},
        {Fault::StatusOnlyAnswer, {0x02, 0x03FF00C7}, {0x06, 1}, 0},
        {Fault::EmptyAnswer, {0x02, 0x03FF00C7}, {0x02, 0x03FF00C6}, 0, true},
    };
    for (const auto &c : cases) {
        BridgeTarget target;
        target.SetFault(c.fault);
        const ScsiReply full = ReadThroughTunnel(target, c.untouched);
        EXPECT_TRUE(full.good);
        EXPECT_EQ(full.dataIn.size(), 4096u);
        const ScsiReply cut = ReadThroughTunnel(target, c.shortened);
        EXPECT_EQ(cut.good, c.good);
        EXPECT_EQ(cut.dataIn.size(), c.bytesLeft);
        const std::vector<uint8_t> sense = c.good ? std::vector<uint8_t> {0, 0, 0} : std::vector<uint8_t> {4, 0x44, 0};
        EXPECT_EQ(Sense(target), sense);
    }
}

} // namespace
} // namespace qzbridge
