// The plug-in as a COM in-process server: the class factory behind
// DllGetClassObject, DllCanUnloadNow, and the registration regsvr32 asks for
// (the class with its InprocServer32 key, and the provider's entry below the
// lighting providers' Instance key).

// The contract's header comes before the system's: they define some of its
// names as macros. Below, the system's status macros carry the same values.
#include "LiveObjects.h"

#include "devices/LightingProviderContract.h"

#include <string>

#include <objbase.h>
#include <olectl.h>
#include <windows.h>

namespace {

static_assert(sizeof(GUID) == sizeof(Lighting::Guid), "the contract's identifiers are the system's");

const Lighting::Guid *ContractGuid(const GUID &id)
{
    return reinterpret_cast<const Lighting::Guid *>(&id);
}

const GUID &SystemGuid(const Lighting::Guid &id)
{
    return *reinterpret_cast<const GUID *>(&id);
}

std::wstring Widened(const char *text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

std::wstring BracedString(const Lighting::Guid &id)
{
    wchar_t text[40];
    const int length = StringFromGUID2(SystemGuid(id), text, 40);
    return length > 0 ? std::wstring(text) : std::wstring();
}

// A '/'-separated key path in the system's form.
std::wstring NativeKey(const char *path)
{
    std::wstring key = Widened(path);
    for (wchar_t &c : key)
        if (c == L'/')
            c = L'\\';
    return key;
}

std::wstring ClassKey()
{
    return L"CLSID\\" + BracedString(Lighting::CLSID_LightingProvider);
}

std::wstring InstanceKey()
{
    return NativeKey(Lighting::kInstanceKeyPath) + L"\\" + BracedString(Lighting::CLSID_LightingProvider);
}

// The full path of this DLL; empty when unknown.
std::wstring ModulePath()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ModulePath), &module))
        return {};
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(module, path, 32768);
    return length == 0 || length >= 32768 ? std::wstring() : std::wstring(path, length);
}

// Creates (or opens) HKEY_CLASSES_ROOT\key and sets one string value (null
// name: the key's default value).
bool WriteString(const std::wstring &key, const wchar_t *name, const std::wstring &value)
{
    HKEY opened = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                        &opened, nullptr)
        != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return result == ERROR_SUCCESS;
}

// Deletes HKEY_CLASSES_ROOT\key with everything below it; a key that is not
// there is already gone.
bool DeleteTree(const std::wstring &key)
{
    const LONG result = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        return false;
    const LONG removed = RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
}

// One factory for the life of the DLL; its references count as locks on
// the server.
class ProviderClassFactory final : public IClassFactory
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory *>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override
    {
        ++provider::liveObjects;
        return 2;
    }

    ULONG STDMETHODCALLTYPE Release() override
    {
        --provider::liveObjects;
        return 1;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown *outer, REFIID iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return LightingProviderCreateInstance(&Lighting::CLSID_LightingProvider, ContractGuid(iid), object);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        if (lock)
            ++provider::liveObjects;
        else
            --provider::liveObjects;
        return S_OK;
    }
};

ProviderClassFactory classFactory;

} // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, SystemGuid(Lighting::CLSID_LightingProvider)))
        return CLASS_E_CLASSNOTAVAILABLE;
    return classFactory.QueryInterface(iid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return provider::liveObjects == 0 ? S_OK : S_FALSE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer()
{
    const std::wstring path = ModulePath();
    if (path.empty())
        return SELFREG_E_CLASS;
    const std::wstring classKey = ClassKey();
    const std::wstring serverKey = classKey + L"\\" + Widened(Lighting::kInprocServerName);
    // The objects count their references atomically and keep no thread's
    // state: any apartment may call them directly.
    const bool written = WriteString(classKey, nullptr, L"Zarvik lighting provider")
        && WriteString(serverKey, nullptr, path) && WriteString(serverKey, L"ThreadingModel", L"Both")
        && WriteString(InstanceKey(), L"CLSID", BracedString(Lighting::CLSID_LightingProvider))
        && WriteString(InstanceKey(), L"FriendlyName", L"Zarvik lighting provider");
    return written ? S_OK : SELFREG_E_CLASS;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    const bool removed = DeleteTree(InstanceKey()) && DeleteTree(ClassKey());
    return removed ? S_OK : SELFREG_E_CLASS;
}
