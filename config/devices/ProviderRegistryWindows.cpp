// The contract's header comes before the system's: they define some of its
// names as macros. Below, the system's status macros carry the same values.
#include "devices/ProviderRegistry.h"

#include "devices/DeviceLog.h"

#include <cstring>
#include <string>
#include <vector>

#include <objbase.h>
#include <windows.h>

namespace {

static_assert(sizeof(CLSID) == sizeof(Lighting::Guid), "the contract's identifiers are the system's");

GUID SystemGuid(const Lighting::Guid &id)
{
    GUID result;
    std::memcpy(&result, &id, sizeof result);
    return result;
}

// A '/'-separated key path below HKEY_CLASSES_ROOT in the system's form.
std::wstring NativeKey(const QString &key)
{
    return QString(key).replace(QLatin1Char('/'), QLatin1Char('\\')).toStdWString();
}

// Objects created here are used on the creating thread only; COM stays
// initialised on it for the life of the thread, since the objects may live
// as long. A thread where COM was set up otherwise keeps that set-up.
void InitialiseComOnThisThread()
{
    thread_local bool initialised = false;
    if (initialised)
        return;
    initialised = true;
    CoInitialize(nullptr);
}

} // namespace

bool CLSIDFromString(const QString &text, Lighting::Guid *clsid)
{
    const std::wstring wide = text.toStdWString();
    CLSID id;
    if (FAILED(::CLSIDFromString(wide.c_str(), &id)))
        return false;
    std::memcpy(clsid, &id, sizeof id);
    return true;
}

ProviderRegistry ProviderRegistry::Default()
{
    return ProviderRegistry(QString(), QStringList());
}

QStringList ProviderRegistry::DefaultSystemRoots()
{
    return {};
}

QString ProviderRegistry::InstallConfigFolder(const QString &)
{
    return {};
}

bool ProviderRegistry::EnumerateSubkeys(const QString &key, QStringList *names) const
{
    names->clear();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, NativeKey(key).c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS)
        return false;
    for (DWORD index = 0;; ++index) {
        // A key name has at most 255 characters.
        wchar_t name[256];
        DWORD length = 256;
        const LONG result = RegEnumKeyExW(opened, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS)
            break;
        *names << QString::fromWCharArray(name, static_cast<int>(length));
    }
    RegCloseKey(opened);
    *names = UniqueSubkeyNames(*names);
    return true;
}

QString ProviderRegistry::InprocServerPath(const Lighting::Guid &clsid) const
{
    const std::wstring key = NativeKey(QStringLiteral("CLSID/") + StringFromCLSID(clsid) + QLatin1Char('/')
                                       + QLatin1String(Lighting::kInprocServerName));
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, nullptr,
                     &bytes)
        != ERROR_SUCCESS)
        return {};
    // A path, not a document: a few kilobytes are plenty.
    if (bytes == 0 || bytes > 65536)
        return {};
    std::vector<wchar_t> value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr,
                     value.data(), &bytes)
        != ERROR_SUCCESS)
        return {};
    return QString::fromWCharArray(value.data()).trimmed();
}

Lighting::HResult ProviderRegistry::CreateInstance(const Lighting::Guid &clsid, const Lighting::Guid &iid,
                                                   void **object) const
{
    if (!object)
        return E_POINTER;
    *object = nullptr;

    InitialiseComOnThisThread();
    void *created = nullptr;
    const HRESULT result
        = CoCreateInstance(SystemGuid(clsid), nullptr, CLSCTX_INPROC_SERVER, SystemGuid(iid), &created);
    if (FAILED(result) || !created) {
        const QString id = StringFromCLSID(clsid);
        if (result == REGDB_E_CLASSNOTREG)
            DeviceLog(QStringLiteral("Lighting provider %1: no plug-in registered").arg(id));
        else
            DeviceLog(QStringLiteral("Lighting provider %1: creation from \"%2\" failed (0x%3)")
                          .arg(id, InprocServerPath(clsid))
                          .arg(static_cast<std::uint32_t>(result), 8, 16, QLatin1Char('0')));
        // A failing creation should have returned nothing; if it did return
        // an object anyway, it is not ours to use.
        return FAILED(result) ? result : E_FAIL;
    }
    *object = created;
    return result;
}
