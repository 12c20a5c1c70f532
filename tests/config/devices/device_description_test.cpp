#include "devices/DeviceDescription.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

DeviceDescription Parse(const std::u16string &document, bool *result = nullptr)
{
    DeviceDescription description;
    const bool parsed = ParseDeviceDescription(document, &description);
    if (result)
        *result = parsed;
    return description;
}

// Every field filled; the speed pair and the direction pair both come from
// the effect's own `levels` and `default`.
const char16_t kFullDocument[] = uR"(<?xml version="1.0"?>
<lighting>
  <version>1.0</version>
  <type>405504</type>
  <device>
    <name>Module 1</name>
    <id>3</id>
    <layout>
      <led_count>8</led_count>
      <size><width>8</width><height>1</height></size>
      <led_name>
        <led>L1</led><led>L2</led><led>L3</led><led>L4</led>
        <led>L5</led><led>L6</led><led>L7</led><led>L8</led>
      </led_name>
    </layout>
    <supported_effect>
      <effect>
        <name>Static</name><id>1</id><synchronizable>1</synchronizable>
        <customized_color>1</customized_color><speed_supported>0</speed_supported>
        <direction_supported>0</direction_supported><discrete_supported>0</discrete_supported>
      </effect>
      <effect>
        <name>Meteor</name><id>9</id><synchronizable>1</synchronizable>
        <customized_color>1</customized_color><speed_supported>1</speed_supported>
        <direction_supported>1</direction_supported><discrete_supported>1</discrete_supported>
        <levels>5</levels><default>2</default><levels>7</levels><default>6</default>
      </effect>
    </supported_effect>
  </device>
</lighting>
)";

DeviceDescription FullExpected()
{
    DeviceDescription expected;
    expected.version = "1.0";
    expected.type = 405504;
    DeviceEntry device;
    device.name = "Module 1";
    device.id = 3;
    device.led_count = 8;
    device.width = 8;
    device.height = 1;
    device.led_names = {"L1", "L2", "L3", "L4", "L5", "L6", "L7", "L8"};
    EffectEntry fixed {"Static", 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
    EffectEntry meteor {"Meteor", 9, 1, 1, 1, 1, 1, 2, 2, 5, 5};
    device.effects = {fixed, meteor};
    expected.devices = {device};
    return expected;
}

} // namespace

TEST(DeviceDescription, ReadsEveryFieldOfAFullDocument)
{
    bool parsed = false;
    EXPECT_EQ(Parse(kFullDocument, &parsed), FullExpected());
    EXPECT_TRUE(parsed);
}

TEST(DeviceDescription, RootNameDoesNotMatter)
{
    const DeviceDescription a = Parse(u"<a><version>2</version><type>7</type><device/></a>");
    const DeviceDescription b
        = Parse(u"<anything-else x='1'><version>2</version><type>7</type><device/></anything-else>");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.version, "2");
    EXPECT_EQ(a.devices.size(), 1u);
}

TEST(DeviceDescription, LayoutPartsAreIndependent)
{
    const DeviceDescription heightOnly
        = Parse(u"<r><device><layout><size><height>4</height></size></layout></device></r>");
    ASSERT_EQ(heightOnly.devices.size(), 1u);
    EXPECT_EQ(heightOnly.devices[0].width, 0);
    EXPECT_EQ(heightOnly.devices[0].height, 4);
    EXPECT_EQ(heightOnly.devices[0].led_count, 0);

    const DeviceDescription leds
        = Parse(u"<r><device><layout><led_name><led>a</led><led></led><led>c</led></led_name></layout></device></r>");
    ASSERT_EQ(leds.devices.size(), 1u);
    EXPECT_EQ(leds.devices[0].led_names, (std::vector<std::string> {"a", "", "c"}));

    // Elements outside their parents are not found.
    const DeviceDescription misplaced = Parse(
        u"<r><device><led_count>8</led_count><size><width>3</width></size><effect><id>1</id></effect></device></r>");
    ASSERT_EQ(misplaced.devices.size(), 1u);
    EXPECT_EQ(misplaced.devices[0], DeviceEntry());
}

TEST(DeviceDescription, NumbersFollowTheAtoiRule)
{
    EXPECT_EQ(Parse(u"<r><type>405504</type></r>").type, 405504);
    EXPECT_EQ(Parse(u"<r><type>0x63000</type></r>").type, 0);
    EXPECT_EQ(Parse(u"<r><type>  -12abc</type></r>").type, -12);
    EXPECT_EQ(Parse(u"<r><type>+7</type></r>").type, 7);
    EXPECT_EQ(Parse(u"<r><type>abc</type></r>").type, 0);
    EXPECT_EQ(Parse(u"<r><type></type></r>").type, 0);
    EXPECT_EQ(Parse(u"<r><type value='5'>9</type></r>").type, 9);

    EXPECT_EQ(DocumentNumber("2147483647"), INT32_MAX);
    EXPECT_EQ(DocumentNumber("-2147483648"), INT32_MIN);
    EXPECT_EQ(DocumentNumber("99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(DocumentNumber("-99999999999999999999999"), INT32_MIN);
    EXPECT_EQ(DocumentNumber("\t\n 42 7"), 42);
    EXPECT_EQ(DocumentNumber("- 5"), 0);
    EXPECT_EQ(DocumentNumber(nullptr), 0);
}

TEST(DeviceDescription, TextIsTheFirstChildTextOnly)
{
    // A comment before the text hides it; CDATA counts as text; the first of
    // two equal elements wins.
    const DeviceDescription d = Parse(
        u"<r><version><!-- c -->1.0</version><device><name><![CDATA[a<b]]></name><name>second</name></device></r>");
    EXPECT_EQ(d.version, "");
    ASSERT_EQ(d.devices.size(), 1u);
    EXPECT_EQ(d.devices[0].name, "a<b");
}

TEST(DeviceDescription, LevelsNestedInsideSupportFlagsAreNotRead)
{
    const DeviceDescription d = Parse(u"<r><device><supported_effect><effect>"
                                      u"<speed_supported>1<levels>5</levels><default>3</default></speed_supported>"
                                      u"<direction_supported>1</direction_supported>"
                                      u"</effect></supported_effect></device></r>");
    ASSERT_EQ(d.devices.size(), 1u);
    ASSERT_EQ(d.devices[0].effects.size(), 1u);
    const EffectEntry &e = d.devices[0].effects[0];
    EXPECT_EQ(e.speed_supported, 1);
    EXPECT_EQ(e.direction_supported, 1);
    EXPECT_EQ(e.speed_levels, 0);
    EXPECT_EQ(e.speed_default, 0);
}

TEST(DeviceDescription, NoElementGivesFalseAndLeavesTheRecord)
{
    for (const std::u16string &document :
         {std::u16string(u"this is not XML"), std::u16string(), std::u16string(u"   \n"),
          std::u16string(u"<?xml version='1.0'?><!-- only a comment -->"), std::u16string(u"</closing>")}) {
        DeviceDescription record;
        record.version = "kept";
        record.type = 5;
        EXPECT_FALSE(ParseDeviceDescription(document, &record));
        EXPECT_EQ(record.version, "kept");
        EXPECT_EQ(record.type, 5);
        EXPECT_TRUE(record.devices.empty());
    }
}

TEST(DeviceDescription, RootWithoutDevices)
{
    bool parsed = false;
    const DeviceDescription d = Parse(u"<r><version>1.1</version><type>2</type></r>", &parsed);
    EXPECT_TRUE(parsed);
    EXPECT_EQ(d.version, "1.1");
    EXPECT_EQ(d.type, 2);
    EXPECT_TRUE(d.devices.empty());
}

TEST(DeviceDescription, NonAsciiTextArrivesAsUtf8)
{
    const DeviceDescription d = Parse(u"<r><device><name>Modul \u00C4 \u20AC \U0001F600</name></device></r>");
    ASSERT_EQ(d.devices.size(), 1u);
    EXPECT_EQ(d.devices[0].name, "Modul \xC3\x84 \xE2\x82\xAC \xF0\x9F\x98\x80");

    // A lone surrogate cannot be carried: it becomes '?'.
    std::u16string lone = u"<r><version>a_b</version></r>";
    lone[13] = 0xD800;
    EXPECT_EQ(Parse(lone).version, "a?b");
    EXPECT_EQ(NarrowDocumentText(std::u16string(1, char16_t(0xDC00)) + u"x"), "?x");

    const QString asQString = QStringLiteral("<r><version>\u00E9</version></r>");
    DeviceDescription fromQString;
    EXPECT_TRUE(ParseDeviceDescription(asQString, &fromQString));
    EXPECT_EQ(fromQString.version, "\xC3\xA9");
}

TEST(DeviceDescription, TruncatedDocumentsKeepWhatWasRead)
{
    const std::u16string full = kFullDocument;
    const DeviceDescription expected = FullExpected();

    // Every cut parses without harm and never invents data.
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        const DeviceDescription d = Parse(full.substr(0, cut));
        ASSERT_LE(d.devices.size(), 1u);
        if (!d.devices.empty()) {
            ASSERT_LE(d.devices[0].effects.size(), 2u);
            ASSERT_LE(d.devices[0].led_names.size(), 8u);
        }
    }

    // Cut right after the first effect: everything before it is there.
    const std::size_t end = full.find(u"</effect>") + 9;
    const DeviceDescription d = Parse(full.substr(0, end));
    EXPECT_EQ(d.version, "1.0");
    EXPECT_EQ(d.type, 405504);
    ASSERT_EQ(d.devices.size(), 1u);
    EXPECT_EQ(d.devices[0].led_names, expected.devices[0].led_names);
    ASSERT_EQ(d.devices[0].effects.size(), 1u);
    EXPECT_EQ(d.devices[0].effects[0], expected.devices[0].effects[0]);
}

TEST(DeviceDescription, MalformedDocumentsKeepWhatWasRead)
{
    // A wrong closing tag stops the parser; what came before is kept.
    const DeviceDescription mismatched
        = Parse(u"<r><version>3</version><type>4</typo><device><name>x</name></device></r>");
    EXPECT_EQ(mismatched.version, "3");
    EXPECT_TRUE(mismatched.devices.empty());

    const DeviceDescription badAttribute
        = Parse(u"<r><version>3</version><device id=\"unterminated><name>x</name></device></r>");
    EXPECT_EQ(badAttribute.version, "3");

    // Text after an embedded NUL is not part of the document.
    std::u16string withNul = u"<r><version>5</version></r>";
    withNul += char16_t(0);
    withNul += u"<other/>";
    EXPECT_EQ(Parse(withNul).version, "5");
}

TEST(DeviceDescription, DeepNestingIsReadUpToALimitWithoutExhaustingTheStack)
{
    std::u16string deep = u"<r><version>deep</version>";
    for (int i = 0; i < 200000; ++i)
        deep += u"<d>";
    bool parsed = false;
    const DeviceDescription d = Parse(deep, &parsed);
    EXPECT_TRUE(parsed);
    EXPECT_EQ(d.version, "deep");
    ASSERT_EQ(d.devices.size(), 0u);

    // A start tag inside a quoted attribute value, or an unclosed one at the
    // end, still counts no deeper than it is.
    std::u16string quoted = u"<r a='>'><version>q</version>";
    for (int i = 0; i < 200000; ++i)
        quoted += u"<d b=\"/>\">";
    EXPECT_EQ(Parse(quoted).version, "q");
}

TEST(DeviceDescription, FlatDocumentsOfAnyLengthAreReadWhole)
{
    // Many siblings, comments and processing instructions do not nest.
    struct Case
    {
        std::u16string before; // repeated before the version
        std::u16string led; // repeated as the LED names
    };
    const Case cases[] = {
        {u"<!-- note -->", u"<led>x</led>"},
        {u"<?pi x?>", u"<led>x</led><!-- c -->"},
        {u"<empty/>", u"<led>x</led><?p?>"},
    };
    for (const Case &c : cases) {
        std::u16string document = u"<r>";
        for (int i = 0; i < 6000; ++i)
            document += c.before;
        document += u"<version>v</version><device><layout><led_name>";
        for (int i = 0; i < 6000; ++i)
            document += c.led;
        document += u"</led_name></layout><supported_effect><effect><name>Static</name><id>1</id></effect>"
                    u"</supported_effect></device></r>";
        const DeviceDescription d = Parse(document);
        EXPECT_EQ(d.version, "v");
        ASSERT_EQ(d.devices.size(), 1u);
        EXPECT_EQ(d.devices[0].led_names.size(), 6000u);
        ASSERT_EQ(d.devices[0].effects.size(), 1u) << "the effects after many LEDs are kept";
    }
}
