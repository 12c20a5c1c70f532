#include "devices/ProviderRegistry.h"

#include <QSet>

#include <algorithm>

using namespace Lighting;

QString StringFromCLSID(const Guid &clsid)
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", clsid.data1, clsid.data2,
                             clsid.data3, clsid.data4[0], clsid.data4[1], clsid.data4[2], clsid.data4[3],
                             clsid.data4[4], clsid.data4[5], clsid.data4[6], clsid.data4[7]);
}

ProviderRegistry::ProviderRegistry(QString userRoot, QStringList systemRoots)
    : userRoot(std::move(userRoot))
    , systemRoots(std::move(systemRoots))
{ }

QStringList ProviderRegistry::UniqueSubkeyNames(const QStringList &names)
{
    // Registry names are compared without regard to case: a key listed twice
    // in another letter case is one key (the spelling listed first is kept).
    QSet<QString> seen;
    QStringList unique;
    for (const QString &name : names)
        if (!seen.contains(name.toCaseFolded())) {
            seen.insert(name.toCaseFolded());
            unique << name;
        }
    std::sort(unique.begin(), unique.end());
    return unique;
}
