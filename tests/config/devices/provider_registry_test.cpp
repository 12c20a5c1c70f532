#include "TestRegistry.h"

#include "devices/DeviceLog.h"
#include "devices/ProviderRegistry.h"
#include "framework/PlatformPaths.h"
#include "settings/DiagnosticLog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <unistd.h>

using namespace Lighting;

namespace {

QStringList capturedLog;
void CaptureLog(const QString &line)
{
    capturedLog << line;
}

class LogCapture
{
public:
    LogCapture() { capturedLog.clear(), previous = SetDeviceLogSink(CaptureLog); }
    ~LogCapture() { SetDeviceLogSink(previous); }
    QString Joined() const { return capturedLog.join(QLatin1Char('\n')); }

private:
    DeviceLogSink previous;
};

// Changes the working folder for the life of the object.
class ScopedWorkingFolder
{
public:
    explicit ScopedWorkingFolder(const QString &folder)
        : previous(QDir::currentPath())
    {
        QDir::setCurrent(folder);
    }
    ~ScopedWorkingFolder() { QDir::setCurrent(previous); }

private:
    QString previous;
};

} // namespace

TEST(ClassIdentifier, AcceptsExactlyTheBracedForm)
{
    Guid id {};
    ASSERT_TRUE(CLSIDFromString(QStringLiteral("{DF392B70-BBFC-4A99-A269-C0B56CDA7757}"), &id));
    EXPECT_EQ(id, CLSID_LightingProvider);
    ASSERT_TRUE(CLSIDFromString(QStringLiteral("{df392b70-bbfc-4a99-a269-c0b56cda7757}"), &id));
    EXPECT_EQ(id, CLSID_LightingProvider);
    ASSERT_TRUE(CLSIDFromString(QStringLiteral("{F2C8D5B4-3854-4325-8A4F-FD7C5072E3B9}"), &id));
    EXPECT_EQ(id, IID_ILightingProvider);
    EXPECT_NE(id, CLSID_LightingProvider);

    for (const char *bad :
         {"DF392B70-BBFC-4A99-A269-C0B56CDA7757", "{DF392B70-BBFC-4A99-A269-C0B56CDA775}",
          "{DF392B70-BBFC-4A99-A269-C0B56CDA77577}", "{DF392B70BBFC-4A99-A269-C0B56CDA7757-}",
          "{DF392B70-BBFC-4A99-A269-C0B56CDA775G}", " {DF392B70-BBFC-4A99-A269-C0B56CDA7757}",
          "{+F392B70-BBFC-4A99-A269-C0B56CDA7757}", "(DF392B70-BBFC-4A99-A269-C0B56CDA7757)", "", "Instance"}) {
        Guid untouched = IID_IUnknown;
        EXPECT_FALSE(CLSIDFromString(QString::fromLatin1(bad), &untouched)) << bad;
        EXPECT_EQ(untouched, IID_IUnknown) << bad;
    }

    EXPECT_EQ(StringFromCLSID(CLSID_LightingProvider), QStringLiteral("{DF392B70-BBFC-4A99-A269-C0B56CDA7757}"));
    EXPECT_EQ(StringFromCLSID(IID_IUnknown), QStringLiteral("{00000000-0000-0000-C000-000000000046}"));
}

TEST(DescriptionString, CarriesItsLengthAndAnyCharacter)
{
    const char16_t text[] = {u'a', 0, u'\xD800', u'z'};
    Bstr s = SysAllocStringLen(text, 4);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 4u);
    EXPECT_EQ(std::u16string(s, 4), std::u16string(text, 4));
    EXPECT_EQ(s[4], 0);
    SysFreeString(s);

    Bstr empty = SysAllocStringLen(nullptr, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    SysFreeString(empty);

    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFFu), nullptr);
}

TEST(ProviderRegistry, SubkeysAreTheSortedUnionOfBothRoots)
{
    TestRegistry t;
    const ProviderRegistry registry = t.Registry();
    QStringList names {QStringLiteral("stale")};
    EXPECT_FALSE(registry.EnumerateSubkeys(QLatin1String(kInstanceKeyPath), &names));
    EXPECT_TRUE(names.isEmpty());

    t.AddInstanceSubkey(QStringLiteral("{B}"));
    t.AddInstanceSubkey(QStringLiteral("{C}"), true);
    t.AddInstanceSubkey(QStringLiteral("{A}"), true);
    t.AddInstanceSubkey(QStringLiteral("{B}"), true);
    TestRegistry::WriteFile(
        t.UserRoot() + QLatin1Char('/') + QLatin1String(kInstanceKeyPath) + QStringLiteral("/a-file"), "x");
    ASSERT_TRUE(registry.EnumerateSubkeys(QLatin1String(kInstanceKeyPath), &names));
    EXPECT_EQ(names, (QStringList {QStringLiteral("{A}"), QStringLiteral("{B}"), QStringLiteral("{C}")}));

    // Key names are found without regard to case, and a key registered per
    // user and system-wide in another letter case is listed once.
    ASSERT_TRUE(registry.EnumerateSubkeys(QString::fromLatin1(kInstanceKeyPath).toLower(), &names));
    EXPECT_EQ(names.size(), 3);
    t.AddInstanceSubkey(QStringLiteral("{d}"));
    t.AddInstanceSubkey(QStringLiteral("{D}"), true);
    t.AddInstanceSubkey(QStringLiteral("{c}"));
    ASSERT_TRUE(registry.EnumerateSubkeys(QLatin1String(kInstanceKeyPath), &names));
    EXPECT_EQ(
        names,
        (QStringList {QStringLiteral("{A}"), QStringLiteral("{B}"), QStringLiteral("{c}"), QStringLiteral("{d}")}));
    EXPECT_FALSE(registry.EnumerateSubkeys(QStringLiteral("CLSID/../CLSID"), &names));
}

TEST(ProviderRegistry, ServerPathPrefersThePerUserEntry)
{
    TestRegistry t;
    const ProviderRegistry registry = t.Registry();
    EXPECT_EQ(registry.InprocServerPath(CLSID_LightingProvider), QString());

    t.SetServerPath(QLatin1String(kProviderClassName), "/system/plugin.so\n", true);
    EXPECT_EQ(registry.InprocServerPath(CLSID_LightingProvider), QStringLiteral("/system/plugin.so"));

    t.SetServerPath(QStringLiteral("{df392b70-bbfc-4a99-a269-c0b56cda7757}"), "  /user/plugin.so \r\nignored\n");
    EXPECT_EQ(registry.InprocServerPath(CLSID_LightingProvider), QStringLiteral("/user/plugin.so"));

    // The default roots: below the configuration home, then the system-wide
    // folders of XDG and /etc.
    const ProviderRegistry defaults = ProviderRegistry::Default();
    EXPECT_EQ(defaults.UserRoot(), t.UserRoot());
    EXPECT_TRUE(defaults.SystemRoots().contains(QStringLiteral("/etc/Zarvik/registry")));
}

// System-wide registrations are found where an installation of any prefix
// puts them, and in the configuration folders of XDG.
TEST(ProviderRegistry, SystemRootsFollowTheInstallationAndXdg)
{
    const struct
    {
        const char *programFolder;
        const char *configFolder;
    } installs[] = {
        {"/usr/lib/zarvik-rgb/", "/etc"},
        {"/usr/local/lib/zarvik-rgb/", "/usr/local/etc"},
        {"/home/ana/.local/lib/zarvik-rgb", "/home/ana/.local/etc"},
        {"/opt/zarvik/lib/zarvik-rgb/", "/etc/opt/zarvik"},
        {"/lib/zarvik-rgb/", "/etc"},
        {"/work/build/bin/", ""}, // a build tree
        {"lib/zarvik-rgb/", ""},
    };
    for (const auto &install : installs)
        EXPECT_EQ(ProviderRegistry::InstallConfigFolder(QString::fromUtf8(install.programFolder)),
                  QString::fromUtf8(install.configFolder))
            << install.programFolder;

    TestRegistry t;
    const QString xdgFirst = t.Path() + QStringLiteral("/xdg-first");
    const QString xdgSecond = t.Path() + QStringLiteral("/xdg-second");
    ScopedEnvironment dirs("XDG_CONFIG_DIRS", (xdgFirst + QStringLiteral(":relative::") + xdgSecond).toLocal8Bit());
    const QString previousProgramFolder = PlatformPaths::ApplicationDirectory();
    PlatformPaths::SetApplicationDirectory(t.Path() + QStringLiteral("/prefix/lib/zarvik-rgb/"));
    const QStringList roots = ProviderRegistry::DefaultSystemRoots();
    PlatformPaths::SetApplicationDirectory(previousProgramFolder);
    EXPECT_EQ(roots,
              (QStringList {t.Path() + QStringLiteral("/prefix/etc/Zarvik/registry"),
                            xdgFirst + QStringLiteral("/Zarvik/registry"),
                            xdgSecond + QStringLiteral("/Zarvik/registry"), QStringLiteral("/etc/Zarvik/registry")}));

    // A class registered only in the second XDG folder is found; the first
    // system root that registers it wins.
    const QString key = QStringLiteral("/Zarvik/registry/CLSID/") + QLatin1String(kProviderClassName);
    QDir().mkpath(xdgSecond + key);
    TestRegistry::WriteFile(xdgSecond + key + QStringLiteral("/InprocServer32"), "/second/plugin.so\n");
    const ProviderRegistry registry(t.UserRoot(), roots);
    EXPECT_EQ(registry.InprocServerPath(CLSID_LightingProvider), QStringLiteral("/second/plugin.so"));
    QDir().mkpath(xdgFirst + key);
    TestRegistry::WriteFile(xdgFirst + key + QStringLiteral("/InprocServer32"), "/first/plugin.so\n");
    EXPECT_EQ(registry.InprocServerPath(CLSID_LightingProvider), QStringLiteral("/first/plugin.so"));
}

TEST(ProviderRegistry, RefusesPluginsItMustNotLoad)
{
    TestRegistry t;
    const ProviderRegistry registry = t.Registry();
    const QString name = QLatin1String(kProviderClassName);
    LogCapture log;
    void *object = &log;

    EXPECT_EQ(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);

    // A relative path is refused even when the working folder holds the
    // plug-in under that name.
    ASSERT_TRUE(QFile::copy(QStringLiteral(QZ_PROVIDER_PLUGIN), t.Path() + QStringLiteral("/provider.so")));
    {
        ScopedWorkingFolder here(t.Path());
        t.SetServerPath(name, "provider.so\n");
        EXPECT_TRUE(Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
        t.SetServerPath(name, "./provider.so\n");
        EXPECT_TRUE(Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
    }
    EXPECT_TRUE(t.TraceLines().isEmpty());
    EXPECT_TRUE(log.Joined().contains(QStringLiteral("not absolute")));

    t.SetServerPath(name, (t.Path() + QStringLiteral("/missing.so\n")).toLocal8Bit());
    EXPECT_TRUE(Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
    EXPECT_TRUE(log.Joined().contains(QStringLiteral("does not exist")));

    TestRegistry::WriteFile(t.Path() + QStringLiteral("/text.so"), "not a shared object");
    t.SetServerPath(name, (t.Path() + QStringLiteral("/text.so\n")).toLocal8Bit());
    EXPECT_TRUE(Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
    EXPECT_TRUE(log.Joined().contains(QStringLiteral("cannot be loaded")));

    t.SetServerPath(name, QZ_NO_FACTORY_MODULE "\n");
    EXPECT_TRUE(Failed(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
    EXPECT_TRUE(log.Joined().contains(QStringLiteral("has no LightingProviderCreateInstance")));

    ScopedEnvironment failing("ZARVIK_TEST_PROVIDER_MODE", "fail-create");
    t.SetServerPath(name, QZ_MISBEHAVING_PLUGIN "\n");
    EXPECT_EQ(registry.CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object), E_FAIL);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(capturedLog.size(), 7);
}

TEST(ProviderRegistry, CreatesTheRegisteredProvider)
{
    TestRegistry t;
    t.RegisterProvider();
    void *object = nullptr;
    ASSERT_EQ(t.Registry().CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object), S_OK);
    ASSERT_NE(object, nullptr);
    auto *provider = static_cast<ILightingProvider *>(object);
    EXPECT_EQ(provider->Release(), 0u);
    EXPECT_EQ(t.TraceLines(), (QStringList {QStringLiteral("create provider"), QStringLiteral("destroy provider")}));
}

TEST(ProviderRegistry, SkippedPluginsAreWrittenToTheDiagnosticLog)
{
    TestRegistry t;
    t.SetServerPath(QLatin1String(kProviderClassName), "relative.so");
    void *object = nullptr;
    EXPECT_TRUE(Failed(t.Registry().CreateInstance(CLSID_LightingProvider, IID_ILightingProvider, &object)));
    ASSERT_TRUE(DiagnosticLogPath().startsWith(t.Path()));
    QFile log(DiagnosticLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("plug-in path \"relative.so\" is not absolute"));
}
