#pragma once
// Registers the bundled lighting provider plug-in (built into `binFolder`) in
// the per-user registry below `configHome`, as scripts/register-provider does.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

inline bool RegisterBundledProvider(const QString &configHome, const QString &binFolder)
{
    const QString providerClass = QStringLiteral("{DF392B70-BBFC-4A99-A269-C0B56CDA7757}");
    const QString registry = configHome + QStringLiteral("/Zarvik/registry");
    QDir().mkpath(registry
                  + QStringLiteral("/CLSID/{109DC3E4-B9FF-4AF3-9008-AB13705D4E5F}/Instance/"
                                   "{E9BBD754-6CF4-492E-BA89-782177A2771B}/Instance/")
                  + providerClass);
    QDir().mkpath(registry + QStringLiteral("/CLSID/") + providerClass);
    QFile server(registry + QStringLiteral("/CLSID/") + providerClass + QStringLiteral("/InprocServer32"));
    if (!server.open(QIODevice::WriteOnly))
        return false;
    return server.write(binFolder.toLocal8Bit() + "/libZarvikLightingProvider.so\n") > 0;
}
