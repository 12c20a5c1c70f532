#include "devices/ProviderRegistry.h"

#include "devices/DeviceLog.h"
#include "framework/HexDigit.h"
#include "framework/PlatformPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <dlfcn.h>

using namespace Lighting;

namespace {

// Reads `digits` hexadecimal digits starting at text[at].
bool ReadHex(const QString &text, int at, int digits, std::uint64_t *value)
{
    std::uint64_t result = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = HexDigitValue(text[at + i].unicode());
        if (v < 0)
            return false;
        result = (result << 4) | std::uint64_t(v);
    }
    *value = result;
    return true;
}

// The entries of a folder that are folders themselves.
QStringList SubfolderNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
}

} // namespace

bool CLSIDFromString(const QString &text, Guid *clsid)
{
    // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    if (text.size() != 38 || text[0] != u'{' || text[37] != u'}' || text[9] != u'-' || text[14] != u'-'
        || text[19] != u'-' || text[24] != u'-')
        return false;

    std::uint64_t d1, d2, d3, d4a, d4b;
    if (!ReadHex(text, 1, 8, &d1) || !ReadHex(text, 10, 4, &d2) || !ReadHex(text, 15, 4, &d3)
        || !ReadHex(text, 20, 4, &d4a) || !ReadHex(text, 25, 12, &d4b))
        return false;

    Guid id {};
    id.data1 = static_cast<std::uint32_t>(d1);
    id.data2 = static_cast<std::uint16_t>(d2);
    id.data3 = static_cast<std::uint16_t>(d3);
    id.data4[0] = static_cast<std::uint8_t>(d4a >> 8);
    id.data4[1] = static_cast<std::uint8_t>(d4a);
    for (int i = 0; i < 6; ++i)
        id.data4[2 + i] = static_cast<std::uint8_t>(d4b >> (8 * (5 - i)));
    *clsid = id;
    return true;
}

QString ProviderRegistry::InstallConfigFolder(const QString &programFolder)
{
    static const QString kProgramFolder = QStringLiteral("/lib/zarvik-rgb");
    const QString folder = QDir::cleanPath(programFolder);
    if (!QDir::isAbsolutePath(folder) || !folder.endsWith(kProgramFolder))
        return {};
    const QString prefix = folder.chopped(kProgramFolder.size());
    if (prefix.isEmpty() || prefix == QLatin1String("/usr"))
        return QStringLiteral("/etc");
    if (prefix.startsWith(QLatin1String("/opt/")))
        return QStringLiteral("/etc") + prefix;
    return prefix + QStringLiteral("/etc");
}

QStringList ProviderRegistry::DefaultSystemRoots()
{
    QStringList folders;
    const QString install = InstallConfigFolder(PlatformPaths::ApplicationDirectory());
    if (!install.isEmpty())
        folders << install;
    folders << PlatformPaths::ConfigDirs() << QStringLiteral("/etc");
    folders.removeDuplicates();
    QStringList roots;
    for (const QString &folder : std::as_const(folders))
        roots << folder + QStringLiteral("/Zarvik/registry");
    return roots;
}

ProviderRegistry ProviderRegistry::Default()
{
    const QString home = PlatformPaths::ConfigHome();
    return ProviderRegistry(home.isEmpty() ? QString() : home + QStringLiteral("/Zarvik/registry"),
                            DefaultSystemRoots());
}

QStringList ProviderRegistry::Roots() const
{
    return QStringList {userRoot} + systemRoots;
}

// Key names are compared without regard to case, as the registry does: a
// component that does not exist with the exact name is matched against the
// folder's entries ignoring case (the first in name order wins).
QString ProviderRegistry::ResolveKey(const QString &root, const QString &key) const
{
    if (root.isEmpty() || !QFileInfo(root).isDir())
        return {};
    QString folder = root;
    const QStringList parts = key.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        if (part == QLatin1String(".") || part == QLatin1String(".."))
            return {};
        const QString exact = folder + QLatin1Char('/') + part;
        if (QFileInfo(exact).isDir()) {
            folder = exact;
            continue;
        }
        QStringList candidates = SubfolderNames(folder);
        std::sort(candidates.begin(), candidates.end());
        const auto match = std::find_if(candidates.begin(), candidates.end(), [&](const QString &name) {
            return name.compare(part, Qt::CaseInsensitive) == 0;
        });
        if (match == candidates.end())
            return {};
        folder += QLatin1Char('/') + *match;
    }
    return folder;
}

bool ProviderRegistry::EnumerateSubkeys(const QString &key, QStringList *names) const
{
    names->clear();
    bool opened = false;
    for (const QString &root : Roots()) {
        const QString folder = ResolveKey(root, key);
        if (folder.isEmpty())
            continue;
        opened = true;
        *names += SubfolderNames(folder);
    }
    // A key made per user and system-wide in another letter case is one key
    // (the per-user spelling, listed first, is kept).
    *names = UniqueSubkeyNames(*names);
    return opened;
}

QString ProviderRegistry::InprocServerPath(const Guid &clsid) const
{
    const QString key = QStringLiteral("CLSID/") + StringFromCLSID(clsid);
    for (const QString &root : Roots()) {
        const QString folder = ResolveKey(root, key);
        if (folder.isEmpty())
            continue;
        QString file = folder + QLatin1Char('/') + QLatin1String(kInprocServerName);
        if (!QFileInfo(file).isFile()) {
            const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
            const auto match = std::find_if(entries.begin(), entries.end(), [](const QString &name) {
                return name.compare(QLatin1String(kInprocServerName), Qt::CaseInsensitive) == 0;
            });
            if (match == entries.end())
                continue;
            file = folder + QLatin1Char('/') + *match;
        }
        QFile value(file);
        if (!value.open(QIODevice::ReadOnly))
            continue;
        // A path, not a document: a few kilobytes are plenty.
        const QByteArray content = value.read(8192);
        const qsizetype end = content.indexOf('\n');
        return QFile::decodeName(content.left(end < 0 ? content.size() : end)).trimmed();
    }
    return {};
}

HResult ProviderRegistry::CreateInstance(const Guid &clsid, const Guid &iid, void **object) const
{
    if (!object)
        return E_POINTER;
    *object = nullptr;

    const QString id = StringFromCLSID(clsid);
    const QString path = InprocServerPath(clsid);
    if (path.isEmpty()) {
        DeviceLog(QStringLiteral("Lighting provider %1: no plug-in registered").arg(id));
        return REGDB_E_CLASSNOTREG;
    }
    // Only an absolute path names one file; anything else would let the
    // loader's search (or the working folder) pick the code we run.
    if (!path.startsWith(QLatin1Char('/'))) {
        DeviceLog(QStringLiteral("Lighting provider %1: plug-in path \"%2\" is not absolute, skipped").arg(id, path));
        return REGDB_E_CLASSNOTREG;
    }
    if (!QFileInfo(path).isFile()) {
        DeviceLog(QStringLiteral("Lighting provider %1: plug-in \"%2\" does not exist, skipped").arg(id, path));
        return REGDB_E_CLASSNOTREG;
    }

    void *library = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *reason = dlerror();
        DeviceLog(QStringLiteral("Lighting provider %1: plug-in \"%2\" cannot be loaded: %3")
                      .arg(id, path, QString::fromLocal8Bit(reason ? reason : "unknown error")));
        return REGDB_E_CLASSNOTREG;
    }
    auto factory = reinterpret_cast<ProviderFactory>(dlsym(library, kProviderFactorySymbol));
    if (!factory) {
        DeviceLog(QStringLiteral("Lighting provider %1: plug-in \"%2\" has no %3, skipped")
                      .arg(id, path, QLatin1String(kProviderFactorySymbol)));
        dlclose(library);
        return REGDB_E_CLASSNOTREG;
    }

    void *created = nullptr;
    const HResult result = factory(&clsid, &iid, &created);
    if (Failed(result) || !created) {
        DeviceLog(QStringLiteral("Lighting provider %1: creation failed (0x%2)")
                      .arg(id)
                      .arg(static_cast<std::uint32_t>(result), 8, 16, QLatin1Char('0')));
        // A failing factory should have returned nothing; if it did return
        // an object anyway, it is not ours to use.
        return Failed(result) ? result : E_FAIL;
    }
    // The library stays loaded: the object's code lives in it.
    *object = created;
    return result;
}
