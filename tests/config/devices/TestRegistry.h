#pragma once
// A throw-away registry for tests: XDG_CONFIG_HOME and XDG_STATE_HOME point
// into a temporary folder (the per-user root and the log lie below it) and the system-wide root is
// another temporary folder, so nothing outside the test is read or written.

#include "devices/LightingProviderContract.h"
#include "devices/ProviderRegistry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdlib>

inline const char kProviderClassName[] = "{DF392B70-BBFC-4A99-A269-C0B56CDA7757}";

// Sets an environment variable for the life of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value)
        : name(name)
    {
        if (const char *old = std::getenv(name))
            previous = QByteArray(old), hadPrevious = true;
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        if (hadPrevious)
            qputenv(name, previous);
        else
            qunsetenv(name);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *name;
    QByteArray previous;
    bool hadPrevious = false;
};

class TestRegistry
{
public:
    TestRegistry()
        : configHome("XDG_CONFIG_HOME", folder.path().toLocal8Bit() + "/config")
        , stateHome("XDG_STATE_HOME", folder.path().toLocal8Bit() + "/state")
        , trace("ZARVIK_PROVIDER_TRACE", (folder.path() + QStringLiteral("/trace.log")).toLocal8Bit())
        , deviceList("ZARVIK_PROVIDER_DEVICES", (folder.path() + QStringLiteral("/devices.xml")).toLocal8Bit())
    {
        QDir().mkpath(folder.path() + QStringLiteral("/config"));
        QDir().mkpath(SystemRoot());
    }

    QString Path() const { return folder.path(); }
    QString UserRoot() const { return folder.path() + QStringLiteral("/config/Zarvik/registry"); }
    QString SystemRoot() const { return folder.path() + QStringLiteral("/system-registry"); }
    ProviderRegistry Registry() const { return ProviderRegistry(UserRoot(), QStringList {SystemRoot()}); }

    // Adds a subkey below the provider instance key.
    void AddInstanceSubkey(const QString &name, bool systemWide = false) const
    {
        QDir().mkpath((systemWide ? SystemRoot() : UserRoot()) + QLatin1Char('/')
                      + QLatin1String(Lighting::kInstanceKeyPath) + QLatin1Char('/') + name);
    }

    // Writes CLSID/<clsid>/InprocServer32.
    void SetServerPath(const QString &clsid, const QByteArray &content, bool systemWide = false) const
    {
        const QString key = (systemWide ? SystemRoot() : UserRoot()) + QStringLiteral("/CLSID/") + clsid;
        QDir().mkpath(key);
        WriteFile(key + QStringLiteral("/InprocServer32"), content);
    }

    // Registers the real plug-in of this build for the provider class.
    void RegisterProvider(bool systemWide = false) const
    {
        AddInstanceSubkey(QLatin1String(kProviderClassName), systemWide);
        SetServerPath(QLatin1String(kProviderClassName), QByteArray(QZ_PROVIDER_PLUGIN) + "\n", systemWide);
    }

    // A device list for the plug-in, in this folder; returns its path.
    QString WriteDeviceList(const QByteArray &content, const QString &name = QStringLiteral("devices.xml")) const
    {
        const QString path = folder.path() + QLatin1Char('/') + name;
        WriteFile(path, content);
        return path;
    }

    // The plug-in's trace lines so far.
    QStringList TraceLines() const
    {
        QFile file(folder.path() + QStringLiteral("/trace.log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    static void WriteFile(const QString &path, const QByteArray &content)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }

private:
    QTemporaryDir folder;
    ScopedEnvironment configHome;
    ScopedEnvironment stateHome; // the diagnostic log goes below it
    ScopedEnvironment trace;
    // The plug-in reads <folder>/devices.xml: no devices until a test writes it.
    ScopedEnvironment deviceList;
};
