#pragma once
// The contract between Config and a lighting provider plug-in.
//
// A provider is a shared object that exports one C function,
// LightingProviderCreateInstance, and hands out objects through two
// interfaces laid out like COM interfaces: every object starts with a
// pointer to a table of functions whose first three slots are
// QueryInterface, AddRef and Release, followed by the interface's own
// methods. The classes below produce exactly that layout with the Itanium
// C++ ABI used on Linux (pure virtual functions, no virtual destructor), so
// a plug-in written in C can implement the same tables by hand.
//
// On Windows the same interfaces are real COM interfaces: a provider is an
// in-process COM server registered below HKEY_CLASSES_ROOT (the same key
// paths, with backslashes), created with CoCreateInstance; the methods use
// the COM calling convention (LIGHTING_CALL) and strings are the system's
// BSTRs. The folder tree and the exported factory below are the Linux
// counterparts of those.
//
// Registration lives in a folder tree (the "registry"), searched per user
// first, then system-wide:
//     $XDG_CONFIG_HOME/Zarvik/registry   (default ~/.config/Zarvik/registry)
//     /etc/Zarvik/registry
// A key is a folder and its subkeys are its subfolders. Config enumerates
// the subfolders of kInstanceKeyPath; a provider is listed there by a folder
// named with its class identifier in braces. The file
//     CLSID/{class identifier}/InprocServer32
// holds the absolute path of the plug-in (one line). Config never loads a
// plug-in named by a relative path.
//
// This header needs nothing beyond the C and C++ standard libraries (and, on
// Windows, the system's OLE automation library for the strings). Include it
// before <windows.h>: the system's headers define some of its names as
// macros.

#include <cstdint>
#include <cstdlib>
#include <cstring>

// The calling convention of the interface methods: the COM one on 32-bit
// Windows, the platform's default elsewhere.
#if defined(_WIN32) && defined(__i386__)
#define LIGHTING_CALL __stdcall
#else
#define LIGHTING_CALL
#endif

#ifdef _WIN32
// The system's string functions (oleaut32), declared as the system declares
// them.
extern "C" {
__declspec(dllimport) wchar_t *__stdcall SysAllocStringLen(const wchar_t *text, unsigned int length);
__declspec(dllimport) void __stdcall SysFreeString(wchar_t *string);
__declspec(dllimport) unsigned int __stdcall SysStringLen(wchar_t *string);
}
#endif

namespace Lighting {

// ---------------------------------------------------------------- results

using HResult = std::int32_t;

constexpr HResult S_OK = 0;
constexpr HResult S_FALSE = 1;
constexpr HResult E_NOINTERFACE = static_cast<HResult>(0x80004002u);
constexpr HResult E_POINTER = static_cast<HResult>(0x80004003u);
constexpr HResult E_FAIL = static_cast<HResult>(0x80004005u);
constexpr HResult E_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
constexpr HResult E_INVALIDARG = static_cast<HResult>(0x80070057u);
constexpr HResult CLASS_E_CLASSNOTAVAILABLE = static_cast<HResult>(0x80040111u);
constexpr HResult REGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154u);

constexpr bool Succeeded(HResult result)
{
    return result >= 0;
}
constexpr bool Failed(HResult result)
{
    return result < 0;
}

// ------------------------------------------------------------ identifiers

// 16 bytes in the usual layout: Data1..Data3 in host (little-endian) order,
// Data4 as written. Identifiers are compared over all 16 bytes.
struct Guid
{
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};
static_assert(sizeof(Guid) == 16, "a class identifier is 16 bytes");

inline bool operator==(const Guid &a, const Guid &b)
{
    return std::memcmp(&a, &b, sizeof(Guid)) == 0;
}
inline bool operator!=(const Guid &a, const Guid &b)
{
    return !(a == b);
}

// {00000000-0000-0000-C000-000000000046}
constexpr Guid IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The provider class: {DF392B70-BBFC-4A99-A269-C0B56CDA7757}
constexpr Guid CLSID_LightingProvider = {0xDF392B70, 0xBBFC, 0x4A99, {0xA2, 0x69, 0xC0, 0xB5, 0x6C, 0xDA, 0x77, 0x57}};

// ILightingProvider: {F2C8D5B4-3854-4325-8A4F-FD7C5072E3B9}
constexpr Guid IID_ILightingProvider = {0xF2C8D5B4, 0x3854, 0x4325, {0x8A, 0x4F, 0xFD, 0x7C, 0x50, 0x72, 0xE3, 0xB9}};

// ILightingDevice: {D5953F82-B71B-4249-8ABC-7EACFE874ABB}
constexpr Guid IID_ILightingDevice = {0xD5953F82, 0xB71B, 0x4249, {0x8A, 0xBC, 0x7E, 0xAC, 0xFE, 0x87, 0x4A, 0xBB}};

// Registry key (relative to a registry root, '/'-separated) whose subkeys
// name the registered provider classes.
constexpr const char kInstanceKeyPath[]
    = "CLSID/{109DC3E4-B9FF-4AF3-9008-AB13705D4E5F}/Instance/{E9BBD754-6CF4-492E-BA89-782177A2771B}/Instance";

// Below CLSID/{class identifier}/: the file holding the plug-in's path.
constexpr const char kInprocServerName[] = "InprocServer32";

// ---------------------------------------------------------------- strings

// A description travels as a length-prefixed UTF-16 string: the pointer
// addresses the first character; the four bytes before it hold the length
// in bytes (without the terminator); a 0 character follows the text. A null
// pointer is a valid, empty string.
//
// Both sides allocate and free these strings only through the functions
// below. On Linux they are defined here, inline, on top of the C library's
// malloc and free, which Config and every plug-in in its process share, so a
// string allocated by a plug-in is freed correctly by Config and the other
// way round. On Windows they are the system's BSTR functions.
using Bstr = char16_t *;

#ifdef _WIN32

static_assert(sizeof(wchar_t) == sizeof(char16_t), "a BSTR holds UTF-16 code units");

inline Bstr SysAllocStringLen(const char16_t *text, std::uint32_t length)
{
    return reinterpret_cast<Bstr>(::SysAllocStringLen(reinterpret_cast<const wchar_t *>(text), length));
}

inline void SysFreeString(Bstr string)
{
    ::SysFreeString(reinterpret_cast<wchar_t *>(string));
}

inline std::uint32_t SysStringLen(const char16_t *string)
{
    return ::SysStringLen(reinterpret_cast<wchar_t *>(const_cast<char16_t *>(string)));
}

#else

inline Bstr SysAllocStringLen(const char16_t *text, std::uint32_t length)
{
    // The byte length must fit the 32-bit prefix.
    if (length > (UINT32_MAX - 8) / 2)
        return nullptr;
    const std::size_t bytes = std::size_t(length) * 2;
    auto *block = static_cast<unsigned char *>(std::malloc(4 + bytes + 2));
    if (!block)
        return nullptr;
    const std::uint32_t prefix = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &prefix, 4);
    auto *string = reinterpret_cast<char16_t *>(block + 4);
    if (text && length)
        std::memcpy(string, text, bytes);
    else if (length)
        std::memset(string, 0, bytes);
    string[length] = 0;
    return string;
}

inline void SysFreeString(Bstr string)
{
    if (string)
        std::free(reinterpret_cast<unsigned char *>(string) - 4);
}

// Number of UTF-16 code units, from the prefix.
inline std::uint32_t SysStringLen(const char16_t *string)
{
    if (!string)
        return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const unsigned char *>(string) - 4, 4);
    return bytes / 2;
}

#endif

// ------------------------------------------------------------- interfaces

struct IUnknown
{
    virtual HResult LIGHTING_CALL QueryInterface(const Guid &iid, void **object) = 0;
    virtual std::uint32_t LIGHTING_CALL AddRef() = 0;
    virtual std::uint32_t LIGHTING_CALL Release() = 0;

protected:
    // Objects are destroyed by Release, never through an interface pointer;
    // the destructor stays out of the function table.
    ~IUnknown() = default;
};

struct ILightingDevice;

struct ILightingProvider : IUnknown
{
    // With devices null: sets *count to the number of devices. Otherwise
    // *count holds the array's capacity on entry; fills up to that many
    // entries, each carrying a reference that the caller owns, and sets
    // *count to the number filled.
    virtual HResult LIGHTING_CALL GetDevices(ILightingDevice **devices, std::uint32_t *count) = 0;

protected:
    ~ILightingProvider() = default;
};

struct ILightingDevice : IUnknown
{
    // *description is null on entry. Sets it to a new string holding the
    // device's description document, which the caller frees with
    // SysFreeString; leaves it null when the device has none.
    virtual HResult LIGHTING_CALL GetDescription(Bstr *description) = 0;

protected:
    ~ILightingDevice() = default;
};

// ---------------------------------------------------------------- factory

// The one function a plug-in exports (C linkage, default visibility):
// creates an object of class clsid and returns its interface iid in *object
// with one reference; on failure returns a failure status and sets *object
// to null (CLASS_E_CLASSNOTAVAILABLE for an unknown class, E_NOINTERFACE for
// an unsupported interface).
using ProviderFactory = HResult (*)(const Guid *clsid, const Guid *iid, void **object);
constexpr const char kProviderFactorySymbol[] = "LightingProviderCreateInstance";

} // namespace Lighting

extern "C" Lighting::HResult LightingProviderCreateInstance(const Lighting::Guid *clsid, const Lighting::Guid *iid,
                                                            void **object);
