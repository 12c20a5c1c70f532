// The lighting provider as a COM in-process server: registered and
// unregistered with regsvr32, found by the device catalogue through the
// system registry, its devices' descriptions read as the system's strings.
// The steps share the prefix's registry, so they run as one sequence.

// The contract's header comes before the system's.
#include "devices/DeviceCatalogue.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <objbase.h>
#include <windows.h>

namespace {

const wchar_t kInstanceKey[]
    = L"CLSID\\{109DC3E4-B9FF-4AF3-9008-AB13705D4E5F}\\Instance\\{E9BBD754-6CF4-492E-BA89-782177A2771B}\\Instance";

QString BinFolder()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path, static_cast<int>(length))).absolutePath();
}

int Regsvr32(const QStringList &arguments)
{
    const QString dll = QDir::toNativeSeparators(BinFolder() + QStringLiteral("/ZarvikLightingProvider.dll"));
    QProcess regsvr32;
    regsvr32.start(QStringLiteral("regsvr32.exe"), arguments + QStringList {QStringLiteral("/s"), dll});
    // A registration takes a moment; one that hangs fails the test instead.
    if (!regsvr32.waitForFinished(60000)) {
        regsvr32.kill();
        regsvr32.waitForFinished();
        return -1;
    }
    return regsvr32.exitStatus() == QProcess::NormalExit ? regsvr32.exitCode() : -1;
}

bool ClassKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{DF392B70-BBFC-4A99-A269-C0B56CDA7757}\\InprocServer32", 0, KEY_READ,
                      &key)
        != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void AddInstanceSubkey(const std::wstring &name)
{
    HKEY key = nullptr;
    const std::wstring path = std::wstring(kInstanceKey) + L"\\" + name;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void RemoveInstanceSubkey(const std::wstring &name)
{
    const std::wstring path = std::wstring(kInstanceKey) + L"\\" + name;
    RegDeleteKeyW(HKEY_CLASSES_ROOT, path.c_str());
}

QStringList TraceLines(const QString &file)
{
    QFile trace(file);
    if (!trace.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(trace.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(ProviderThroughCom, RegisteredWithRegsvr32TheCatalogueOffersItsDevicesAndUnregisteredNone)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString trace = folder.filePath(QStringLiteral("trace.txt"));
    qputenv("ZARVIK_PROVIDER_TRACE", QDir::toNativeSeparators(trace).toLocal8Bit());
    qunsetenv("ZARVIK_PROVIDER_DEVICES");
    qunsetenv("APPDATA");

    // Whatever an earlier run left registered goes first, and nothing stays
    // registered for the tests that follow, whatever fails here.
    struct Unregister
    {
        ~Unregister() { Regsvr32({QStringLiteral("/u")}); }
    } unregister;
    ASSERT_EQ(Regsvr32({QStringLiteral("/u")}), 0);
    ASSERT_FALSE(ClassKeyExists());

    ASSERT_EQ(Regsvr32({}), 0);
    ASSERT_TRUE(ClassKeyExists());
    // Names beside the provider's that are no class identifiers are skipped;
    // so is an identifier of another class.
    const std::vector<std::wstring> strangers
        = {L"not a class", L"{DF392B70-BBFC-4A99-A269-C0B56CDA775}", L"{00000000-0000-0000-0000-000000000001}"};
    struct RemoveStrangers
    {
        const std::vector<std::wstring> &names;
        ~RemoveStrangers()
        {
            for (const std::wstring &name : names)
                RemoveInstanceSubkey(name);
        }
    } removeStrangers {strangers};
    for (const std::wstring &name : strangers)
        AddInstanceSubkey(name);

    {
        DeviceCatalogue catalogue;
        ASSERT_TRUE(catalogue.Discover());
        // The default list beside the DLL: three SSDs of eight LEDs each.
        ASSERT_EQ(catalogue.DeviceCount(DeviceCatalogue::kCategorySsd), 3);
        for (const DeviceDescription &description : catalogue.Descriptions(DeviceCatalogue::kCategorySsd)) {
            ASSERT_EQ(description.devices.size(), 1u);
            EXPECT_EQ(description.devices[0].led_count, 8);
            EXPECT_EQ(description.devices[0].effects.size(), 14u);
        }
        // Asked again, the catalogue holds the devices once.
        ASSERT_TRUE(catalogue.Discover());
        EXPECT_EQ(catalogue.DeviceCount(DeviceCatalogue::kCategorySsd), 3);
    }
    // Every object the provider made went with the catalogue.
    const QStringList lines = TraceLines(trace);
    EXPECT_EQ(lines.filter(QStringLiteral("create")).size(), 8) << lines.join(u'|').toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("destroy")).size(), 8) << lines.join(u'|').toStdString();

    // Any COM client reaches the provider through the system's own
    // interface declarations, in the system's calling convention.
    CoInitialize(nullptr);
    ::IUnknown *unknown = nullptr;
    ASSERT_EQ(CoCreateInstance(*reinterpret_cast<const CLSID *>(&Lighting::CLSID_LightingProvider), nullptr,
                               CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void **>(&unknown)),
              S_OK);
    void *provider = nullptr;
    EXPECT_EQ(unknown->QueryInterface(*reinterpret_cast<const IID *>(&Lighting::IID_ILightingProvider), &provider),
              S_OK);
    EXPECT_EQ(unknown->Release(), 1u);
    EXPECT_EQ(static_cast<::IUnknown *>(provider)->Release(), 0u);

    ASSERT_EQ(Regsvr32({QStringLiteral("/u")}), 0);
    EXPECT_FALSE(ClassKeyExists());
    {
        DeviceCatalogue catalogue;
        EXPECT_FALSE(catalogue.Discover());
        EXPECT_EQ(catalogue.DeviceCount(DeviceCatalogue::kCategorySsd), 0);
    }
}

} // namespace
