// The drive library as qzctl hosts it: loaded by name at run time, its seven
// exports looked up, its debug channel pointed at a private in-memory file
// that qzctl reads while and after each call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace qzctl {

#ifndef QZLIB_SONAME
#define QZLIB_SONAME "libQZlibrary_Ocelot_64.so.1"
#endif

// Loading by name tries the installed library's SONAME first (the runtime
// package has no unversioned name), then the development name.
constexpr char kLibrarySoname[] = QZLIB_SONAME;
constexpr char kLibraryFileName[] = "libQZlibrary_Ocelot_64.so";

class LibraryHost
{
public:
    LibraryHost();
    ~LibraryHost();
    LibraryHost(const LibraryHost &) = delete;
    LibraryHost &operator=(const LibraryHost &) = delete;

    // Points the library's debug channel at qzctl's own file. Call before Load.
    void CaptureDebugChannel();

    // Loads the library from `path`, or by its name when `path` is empty, and
    // finds its exports. False with the reason when it cannot be used.
    bool Load(const std::string &path, std::string &error);

    // While a call runs, new debug text is handed to this function (from
    // another thread, never at the same time as the call's own return).
    using TextListener = std::function<void(const std::string &allText, std::size_t newFrom)>;
    void SetListener(TextListener onText) { listener = std::move(onText); }

    const char *Version();
    bool Initialize();
    bool UnInitialize();
    int Enumerate();
    bool Identify(unsigned char drive, unsigned char *buffer);
    bool McuWrite(unsigned char drive, unsigned char *buffer);
    bool McuRead(unsigned char drive, unsigned char *buffer);

    // Everything the library printed so far, and where the text of the last
    // call began.
    const std::string &DebugText() const { return debugText; }
    std::size_t LastCallStart() const { return lastCallStart; }

private:
    template <typename Call>
    auto Watched(Call call);
    void Pump();
    bool LoadExports(const std::string &path, std::string &error);
    void ForgetDebugFileName();

    void *library = nullptr;
    int debugFd = -1;
    std::string debugPath; // until the library has opened it
    std::string debugText;
    std::size_t lastCallStart = 0;
    TextListener listener;

    const char *(*version)() = nullptr;
    bool (*initialize)() = nullptr;
    bool (*uninitialize)() = nullptr;
    int (*enumerate)() = nullptr;
    bool (*identify)(unsigned char, unsigned char *) = nullptr;
    bool (*write)(unsigned char, unsigned char *) = nullptr;
    bool (*read)(unsigned char, unsigned char *) = nullptr;
};

} // namespace qzctl
