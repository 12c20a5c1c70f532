// The provider plug-in, loaded as Config loads it, and its registration
// script.

#include "TestRegistry.h"

#include "devices/DeviceCatalogue.h"
#include "devices/LightingProviderContract.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>

#include <dlfcn.h>

#include <string>
#include <vector>

using namespace Lighting;

namespace {

ProviderFactory Factory()
{
    static void *module = dlopen(QZ_PROVIDER_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<ProviderFactory>(dlsym(module, kProviderFactorySymbol)) : nullptr;
}

ILightingProvider *CreateProvider()
{
    void *object = nullptr;
    if (Failed(Factory()(&CLSID_LightingProvider, &IID_ILightingProvider, &object)))
        return nullptr;
    return static_cast<ILightingProvider *>(object);
}

// The descriptions of every device, as the provider hands them out; a
// device without a document gives "<null>".
std::vector<std::u16string> Descriptions(ILightingProvider *provider)
{
    std::uint32_t count = 0;
    provider->GetDevices(nullptr, &count);
    std::vector<ILightingDevice *> devices(count);
    provider->GetDevices(devices.data(), &count);
    std::vector<std::u16string> texts;
    for (std::uint32_t i = 0; i < count; ++i) {
        Bstr text = nullptr;
        devices[i]->GetDescription(&text);
        texts.push_back(text ? std::u16string(text, SysStringLen(text)) : u"<null>");
        SysFreeString(text);
        devices[i]->Release();
    }
    return texts;
}

int RunScript(const QStringList &arguments, const QString &configHome, QString *output = nullptr)
{
    QProcess script;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    script.setProcessEnvironment(environment);
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(QZ_SOURCE_DIR "/scripts/register-provider"), arguments);
    if (!script.waitForFinished(30000))
        return -1;
    if (output)
        *output = QString::fromLocal8Bit(script.readAll());
    return script.exitCode();
}

} // namespace

TEST(ProviderPlugin, FactoryCreatesOnlyTheProviderClass)
{
    TestRegistry t;
    ASSERT_NE(Factory(), nullptr);
    void *object = &t;
    EXPECT_EQ(Factory()(&IID_ILightingProvider, &IID_ILightingProvider, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Factory()(&CLSID_LightingProvider, &IID_ILightingDevice, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(Factory()(&CLSID_LightingProvider, &IID_ILightingProvider, nullptr), E_POINTER);
    EXPECT_EQ(Factory()(nullptr, &IID_ILightingProvider, &object), E_INVALIDARG);
    // The object made for the unsupported interface did not linger.
    EXPECT_EQ(t.TraceLines(), (QStringList {QStringLiteral("create provider"), QStringLiteral("destroy provider")}));

    ASSERT_EQ(Factory()(&CLSID_LightingProvider, &IID_IUnknown, &object), S_OK);
    auto *unknown = static_cast<IUnknown *>(object);
    void *provider = nullptr;
    ASSERT_EQ(unknown->QueryInterface(IID_ILightingProvider, &provider), S_OK);
    EXPECT_EQ(provider, object);
    EXPECT_EQ(unknown->QueryInterface(IID_ILightingDevice, &provider), E_NOINTERFACE);
    EXPECT_EQ(provider, nullptr);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(unknown->Release(), 0u);
}

TEST(ProviderPlugin, GetDevicesFillsNoMoreThanTheCapacity)
{
    TestRegistry t;
    t.WriteDeviceList("<d><device/><device/><device/></d>");
    ILightingProvider *provider = CreateProvider();
    ASSERT_NE(provider, nullptr);
    EXPECT_EQ(provider->GetDevices(nullptr, nullptr), E_POINTER);

    std::uint32_t count = 0;
    provider->GetDevices(nullptr, &count);
    EXPECT_EQ(count, 3u);

    ILightingDevice *devices[5] = {};
    count = 1;
    provider->GetDevices(devices, &count);
    EXPECT_EQ(count, 1u);
    ASSERT_NE(devices[0], nullptr);
    EXPECT_EQ(devices[1], nullptr);

    count = 5;
    provider->GetDevices(devices + 1, &count);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(devices[1], devices[0]); // the same device object, one more reference
    EXPECT_EQ(devices[4], nullptr);

    // Devices outlive the provider while references to them are held.
    EXPECT_EQ(provider->Release(), 0u);
    void *same = nullptr;
    EXPECT_EQ(devices[0]->QueryInterface(IID_ILightingDevice, &same), S_OK);
    EXPECT_EQ(devices[0]->QueryInterface(IID_ILightingProvider, &same), E_NOINTERFACE);
    EXPECT_EQ(devices[0]->GetDescription(nullptr), E_POINTER);
    devices[0]->Release();
    for (int i = 0; i < 4; ++i)
        devices[i]->Release();
    const QStringList lines = t.TraceLines();
    for (const char *line : {"destroy provider", "destroy device 0", "destroy device 1", "destroy device 2"})
        EXPECT_EQ(lines.count(QLatin1String(line)), 1) << line;
}

TEST(ProviderPlugin, DescriptionsComeFromFilesInlineOrText)
{
    TestRegistry t;
    QDir().mkpath(t.Path() + QStringLiteral("/docs"));
    TestRegistry::WriteFile(t.Path() + QStringLiteral("/docs/a.xml"),
                            "\xEF\xBB\xBF<r><name>\xC3\x84 \xF0\x9F\x98\x80 \xFF!</name></r>");
    t.WriteDeviceList("<?xml version='1.0'?>\n<devices>\n"
                      "  <device file='docs/a.xml'/>\n"
                      "  <device file='docs/missing.xml'/>\n"
                      "  <device><lighting><version>2</version></lighting></device>\n"
                      "  <device><![CDATA[not <xml>]]></device>\n"
                      "  <device/>\n"
                      "  <!-- comments and other elements are ignored --><other/>\n"
                      "</devices>");
    ILightingProvider *provider = CreateProvider();
    ASSERT_NE(provider, nullptr);
    const std::vector<std::u16string> texts = Descriptions(provider);
    provider->Release();

    ASSERT_EQ(texts.size(), 5u);
    // Read as UTF-8: the byte order mark dropped, a malformed byte replaced.
    EXPECT_EQ(texts[0], u"<r><name>\u00C4 \U0001F600 \uFFFD!</name></r>");
    EXPECT_EQ(texts[1], u"<null>");
    EXPECT_EQ(texts[2], u"<lighting>\n  <version>2</version>\n</lighting>\n");
    EXPECT_EQ(texts[3], u"not <xml>");
    EXPECT_EQ(texts[4], u"<null>");
}

TEST(ProviderPlugin, DeviceListLocations)
{
    TestRegistry t;
    // Named, but missing: no devices, and no other list is tried.
    {
        ILightingProvider *provider = CreateProvider();
        EXPECT_TRUE(Descriptions(provider).empty());
        provider->Release();
    }
    ScopedEnvironment unnamed("ZARVIK_PROVIDER_DEVICES", "");
    // Beside the plug-in: the default list of three SSDs.
    {
        ILightingProvider *provider = CreateProvider();
        EXPECT_EQ(Descriptions(provider).size(), 3u);
        provider->Release();
    }
    // The user's own list wins over the default one.
    const QString perUser = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/Zarvik/provider");
    QDir().mkpath(perUser);
    TestRegistry::WriteFile(perUser + QStringLiteral("/devices.xml"), "<d><device>mine</device></d>");
    {
        ILightingProvider *provider = CreateProvider();
        EXPECT_EQ(Descriptions(provider), std::vector<std::u16string> {u"mine"});
        provider->Release();
    }
}

TEST(RegisterProviderScript, RegistersTheBuiltPluginForTheUser)
{
    TestRegistry t;
    ScopedEnvironment defaultList("ZARVIK_PROVIDER_DEVICES", "");
    const QString configHome = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    const QString binFolder = QFileInfo(QStringLiteral(QZ_PROVIDER_PLUGIN)).absolutePath();

    QString output;
    ASSERT_EQ(RunScript({binFolder}, configHome, &output), 0) << output.toStdString();
    ASSERT_EQ(RunScript({binFolder + QStringLiteral("/.")}, configHome), 0); // again: harmless
    EXPECT_EQ(t.Registry().InprocServerPath(CLSID_LightingProvider),
              QFileInfo(QStringLiteral(QZ_PROVIDER_PLUGIN)).canonicalFilePath());
    QStringList names;
    ASSERT_TRUE(t.Registry().EnumerateSubkeys(QLatin1String(kInstanceKeyPath), &names));
    EXPECT_EQ(names, QStringList {QLatin1String(kProviderClassName)});

    // What a newcomer's first run sees.
    {
        DeviceCatalogue catalogue(t.Registry());
        EXPECT_TRUE(catalogue.Discover());
        EXPECT_EQ(catalogue.DeviceCount(DeviceCatalogue::kCategorySsd), 3);
    }

    // Bad arguments change nothing.
    EXPECT_EQ(RunScript({}, configHome), 2);
    EXPECT_EQ(RunScript({t.Path() + QStringLiteral("/no-such-folder")}, configHome), 1);
    EXPECT_EQ(RunScript({t.Path()}, configHome), 1); // a folder without the plug-in
    EXPECT_FALSE(t.Registry().InprocServerPath(CLSID_LightingProvider).isEmpty());

    ASSERT_EQ(RunScript({QStringLiteral("--remove")}, configHome), 0);
    EXPECT_TRUE(t.Registry().InprocServerPath(CLSID_LightingProvider).isEmpty());
    DeviceCatalogue catalogue(t.Registry());
    EXPECT_FALSE(catalogue.Discover());
}
