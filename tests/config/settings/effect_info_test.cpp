#include "settings/EffectInfo.h"

#include <gtest/gtest.h>

namespace {

constexpr const char *kDefaultRecordText = "01000000010000000800000000000000FF000000FFFF000000FF000000FFFF000000FF00FF0"
                                           "0FF00FF7800007D007D00000000000000000072";

std::string Encode(const EffectInfo &record)
{
    const auto bytes = EffectInfoToBytes(record);
    return EncodeStructValue(bytes.data(), bytes.size());
}

std::optional<EffectInfo> Decode(std::string_view text)
{
    std::array<uint8_t, kEffectInfoBytes> bytes {};
    if (!DecodeStructValue(text, bytes.data(), bytes.size()))
        return std::nullopt;
    return EffectInfoFromBytes(bytes);
}

TEST(EffectInfoEncoding, DefaultRecordHasItsWellKnownText)
{
    EXPECT_EQ(Encode(EffectInfo {}), kDefaultRecordText);
    ASSERT_EQ(std::string(kDefaultRecordText).size(), 114u);
    EXPECT_EQ(Decode(kDefaultRecordText), EffectInfo {});
}

TEST(EffectInfoEncoding, NegativeFieldsAndHighColoursRoundTripLittleEndian)
{
    EffectInfo record;
    record.effectId = 14;
    record.speed = -2;
    record.direction = 1;
    record.uniformColor = 1;
    record.colors[7] = 0x00ABCDEF;
    const std::string text = Encode(record);
    // speed -2 is the ninth word from the end: FEFFFFFF
    EXPECT_EQ(text.substr(96, 8), "FEFFFFFF");
    EXPECT_EQ(text.substr(88, 8), "EFCDAB00");
    EXPECT_EQ(Decode(text), record);
}

TEST(EffectInfoEncoding, LowerCaseDigitsAreAccepted)
{
    std::string lower(kDefaultRecordText);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(Decode(lower), EffectInfo {});
}

TEST(EffectInfoEncoding, DamagedValuesAreRejectedAndLeaveTheBufferAlone)
{
    const std::string good(kDefaultRecordText);
    std::string wrongChecksum = good;
    wrongChecksum.back() = '3';
    std::string notHex = good;
    notHex[10] = 'G';
    const std::string cases[] = {good.substr(0, 112), good + "00", notHex, wrongChecksum, "", " " + good.substr(1)};
    for (const std::string &text : cases) {
        std::array<uint8_t, kEffectInfoBytes> bytes;
        bytes.fill(0xAA);
        EXPECT_FALSE(DecodeStructValue(text, bytes.data(), bytes.size())) << text;
        EXPECT_EQ(bytes[0], 0xAA) << text;
    }
}

} // namespace
