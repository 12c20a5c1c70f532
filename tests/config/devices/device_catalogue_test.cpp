#include "TestRegistry.h"

#include "devices/DeviceCatalogue.h"
#include "devices/DeviceLog.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

constexpr int kSsd = DeviceCatalogue::kCategorySsd;

const QByteArray kTwoDevicesSecondNotXml
    = "<devices>"
      "  <device><r><version>1.0</version><type>405504</type><device><name>first</name></device></r></device>"
      "  <device><![CDATA[this is not XML]]></device>"
      "</devices>";

int CountOf(const QStringList &lines, const QString &line)
{
    return static_cast<int>(lines.count(line));
}

QStringList capturedLog;
void CaptureLog(const QString &line)
{
    capturedLog << line;
}

template <typename Function>
Function MisbehavingExport(const char *name)
{
    void *module = dlopen(QZ_MISBEHAVING_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    return module ? reinterpret_cast<Function>(dlsym(module, name)) : nullptr;
}

} // namespace

TEST(DeviceCatalogue, CreatesTheProviderOnceAmongOtherSubkeys)
{
    TestRegistry t;
    t.WriteDeviceList("<d><device><r/></device><device><r/></device><device><r/></device></d>");
    t.RegisterProvider();
    t.AddInstanceSubkey(QStringLiteral("{00000000-1111-2222-3333-444444444444}"));
    t.AddInstanceSubkey(QStringLiteral("{FFFFFFFF-1111-2222-3333-444444444444}"));
    // The other classes are registered too, with the very same plug-in.
    t.SetServerPath(QStringLiteral("{00000000-1111-2222-3333-444444444444}"), QZ_PROVIDER_PLUGIN);

    DeviceCatalogue catalogue(t.Registry());
    EXPECT_TRUE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 3);
    EXPECT_EQ(CountOf(t.TraceLines(), QStringLiteral("create provider")), 1);
}

TEST(DeviceCatalogue, SkipsSubkeysThatAreNotBracedIdentifiers)
{
    TestRegistry t;
    t.WriteDeviceList("<d><device><r/></device></d>");
    t.RegisterProvider();
    t.AddInstanceSubkey(QStringLiteral("DF392B70-BBFC-4A99-A269-C0B56CDA7757"));
    t.AddInstanceSubkey(QStringLiteral("not an identifier"));
    t.AddInstanceSubkey(QStringLiteral("{DF392B70-BBFC-4A99-A269-C0B56CDA7757"));
    t.AddInstanceSubkey(QStringLiteral("{df392b70-bbfc-4a99-a269-c0b56cda7757}")); // same class, other case

    DeviceCatalogue catalogue(t.Registry());
    EXPECT_TRUE(catalogue.Discover());
    // Registry names ignore case: the two spellings are one key.
    EXPECT_EQ(CountOf(t.TraceLines(), QStringLiteral("create provider")), 1);
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 1);
}

TEST(DeviceCatalogue, EveryDeviceCountsWhateverItsDocument)
{
    TestRegistry t;
    t.WriteDeviceList(kTwoDevicesSecondNotXml);
    t.RegisterProvider();

    DeviceCatalogue catalogue(t.Registry());
    EXPECT_TRUE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 2);
    const auto &descriptions = catalogue.Descriptions(kSsd);
    ASSERT_EQ(descriptions.size(), 2u);
    EXPECT_EQ(descriptions[0].version, "1.0");
    ASSERT_EQ(descriptions[0].devices.size(), 1u);
    EXPECT_EQ(descriptions[0].devices[0].name, "first");
    EXPECT_EQ(descriptions[1], DeviceDescription());

    // A device with no document at all counts as well.
    t.WriteDeviceList("<d><device/><device/></d>");
    EXPECT_TRUE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 2); // rediscovery replaces, never appends
    EXPECT_EQ(catalogue.Descriptions(kSsd)[0], DeviceDescription());
}

TEST(DeviceCatalogue, CategoryZeroAndOthersHaveNoDevices)
{
    TestRegistry t;
    t.WriteDeviceList(kTwoDevicesSecondNotXml);
    t.RegisterProvider();
    DeviceCatalogue catalogue(t.Registry());
    for (int category : {0, 2, -1, 1000})
        EXPECT_EQ(catalogue.DeviceCount(category), 0) << category;
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 0);
    ASSERT_TRUE(catalogue.Discover());
    for (int category : {0, 2, -1, 1000}) {
        EXPECT_EQ(catalogue.DeviceCount(category), 0) << category;
        EXPECT_TRUE(catalogue.Descriptions(category).empty());
    }
}

TEST(DeviceCatalogue, NothingRegisteredGivesFalse)
{
    TestRegistry t;
    DeviceCatalogue catalogue(t.Registry());
    EXPECT_FALSE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 0);

    // The key exists, but the provider has no devices.
    t.RegisterProvider();
    EXPECT_FALSE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 0);

    // Registered under the key, but the class has no plug-in entry.
    TestRegistry u;
    u.AddInstanceSubkey(QLatin1String(kProviderClassName));
    DeviceCatalogue unregistered(u.Registry());
    EXPECT_FALSE(unregistered.Discover());
}

TEST(DeviceCatalogue, FindsASystemWideRegistration)
{
    TestRegistry t;
    t.WriteDeviceList("<d><device><r/></device></d>");
    t.RegisterProvider(true);
    DeviceCatalogue catalogue(t.Registry());
    EXPECT_TRUE(catalogue.Discover());
    EXPECT_EQ(catalogue.DeviceCount(kSsd), 1);
}

TEST(DeviceCatalogue, KeepsItsReferencesUntilItEnds)
{
    TestRegistry t;
    t.WriteDeviceList("<d><device><r/></device><device><r/></device></d>");
    t.RegisterProvider();
    {
        DeviceCatalogue catalogue(t.Registry());
        ASSERT_TRUE(catalogue.Discover());
        // Only the extra reference was given back: everything is alive.
        EXPECT_EQ(t.TraceLines(),
                  (QStringList {QStringLiteral("create provider"), QStringLiteral("create device 0"),
                                QStringLiteral("create device 1")}));
    }
    const QStringList lines = t.TraceLines();
    EXPECT_EQ(CountOf(lines, QStringLiteral("destroy provider")), 1);
    EXPECT_EQ(CountOf(lines, QStringLiteral("destroy device 0")), 1);
    EXPECT_EQ(CountOf(lines, QStringLiteral("destroy device 1")), 1);

    // A provider without devices is kept too, and released at the end.
    t.WriteDeviceList("<d/>");
    {
        DeviceCatalogue catalogue(t.Registry());
        EXPECT_FALSE(catalogue.Discover());
        EXPECT_EQ(CountOf(t.TraceLines(), QStringLiteral("destroy provider")), 1);
    }
    EXPECT_EQ(CountOf(t.TraceLines(), QStringLiteral("destroy provider")), 2);
}

TEST(DeviceCatalogue, SurvivesProvidersThatBreakTheContract)
{
    TestRegistry t;
    t.AddInstanceSubkey(QLatin1String(kProviderClassName));
    t.SetServerPath(QLatin1String(kProviderClassName), QZ_MISBEHAVING_PLUGIN);
    const DeviceLogSink previous = SetDeviceLogSink(CaptureLog);

    struct Case
    {
        const char *mode;
        int devices;
        bool logged;
    };
    for (const Case &c : {Case {"overfill", 2, true}, Case {"huge", 256, true}, Case {"null-entries", 3, false},
                          Case {"shrink", 1, false}, Case {"fail-create", 0, true}}) {
        ScopedEnvironment mode("ZARVIK_TEST_PROVIDER_MODE", c.mode);
        capturedLog.clear();
        {
            DeviceCatalogue catalogue(t.Registry());
            EXPECT_EQ(catalogue.Discover(), c.devices > 0) << c.mode;
            EXPECT_EQ(catalogue.DeviceCount(kSsd), c.devices) << c.mode;
        }
        EXPECT_EQ(!capturedLog.isEmpty(), c.logged) << c.mode;
        const auto live = MisbehavingExport<int (*)()>("MisbehavingLiveObjects");
        ASSERT_NE(live, nullptr);
        EXPECT_EQ(live(), 0) << c.mode << ": every object received was released";
        if (std::string(c.mode) == "huge") {
            const auto capacity = MisbehavingExport<std::uint32_t (*)()>("MisbehavingLastCapacity");
            EXPECT_EQ(capacity(), DeviceCatalogue::kMaxDevicesPerProvider);
        }
    }
    SetDeviceLogSink(previous);
}

TEST(DeviceCatalogue, DefaultDeviceListShowsThreeRealisticSsds)
{
    TestRegistry t;
    ScopedEnvironment noList("ZARVIK_PROVIDER_DEVICES", ""); // use the list beside the plug-in
    t.RegisterProvider();
    DeviceCatalogue catalogue(t.Registry());
    ASSERT_TRUE(catalogue.Discover());
    ASSERT_EQ(catalogue.DeviceCount(kSsd), 3);

    // Which effects show colour, speed and direction controls.
    const int colour[15] = {1, 1, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0};
    const int speed[15] = {0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0};
    const int direction[15] = {0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 0};
    for (const DeviceDescription &d : catalogue.Descriptions(kSsd)) {
        EXPECT_EQ(d.version, "1.0");
        EXPECT_NE(d.type, 0);
        ASSERT_EQ(d.devices.size(), 1u);
        const DeviceEntry &device = d.devices[0];
        EXPECT_FALSE(device.name.empty());
        EXPECT_EQ(device.led_count, 8);
        EXPECT_EQ(device.width * device.height, 8);
        EXPECT_EQ(device.led_names.size(), 8u);
        ASSERT_EQ(device.effects.size(), 14u);
        for (int i = 0; i < 14; ++i) {
            const EffectEntry &e = device.effects[i];
            EXPECT_EQ(e.id, i + 1);
            EXPECT_FALSE(e.name.empty());
            EXPECT_EQ(e.customized_color, colour[e.id]) << e.name;
            EXPECT_EQ(e.speed_supported, speed[e.id]) << e.name;
            EXPECT_EQ(e.direction_supported, direction[e.id]) << e.name;
        }
    }
}
