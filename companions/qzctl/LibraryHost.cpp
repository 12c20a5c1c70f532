#include "LibraryHost.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace qzctl {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(100);

// A file of our own for the library's debug lines, with its name. The
// library refuses to follow a symbolic link there, so it must be a real
// file; its name is removed once the library has opened it.
int DebugFile(std::string &path)
{
    const char *folder = std::getenv("TMPDIR");
    path = std::string(folder != nullptr && folder[0] != '\0' ? folder : "/tmp") + "/qzctl-debug-XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        path.clear();
    return fd;
}

template <typename T>
bool Find(void *library, const char *name, T &function, std::string &missing)
{
    function = reinterpret_cast<T>(::dlsym(library, name));
    if (function == nullptr && missing.empty())
        missing = name;
    return function != nullptr;
}

} // namespace

LibraryHost::LibraryHost() = default;

LibraryHost::~LibraryHost()
{
    if (library != nullptr)
        ::dlclose(library);
    if (debugFd >= 0)
        ::close(debugFd);
    ForgetDebugFileName();
}

void LibraryHost::ForgetDebugFileName()
{
    if (!debugPath.empty())
        ::unlink(debugPath.c_str());
    debugPath.clear();
}

void LibraryHost::CaptureDebugChannel()
{
    if (debugFd >= 0)
        return;
    debugFd = DebugFile(debugPath);
    if (debugFd < 0)
        return;
    // The library appends each line to the file its variable names.
    ::setenv("QZLIB_DEBUG", debugPath.c_str(), 1);
}

bool LibraryHost::Load(const std::string &path, std::string &error)
{
    const bool loaded = LoadExports(path, error);
    // The load hook's first line opened the debug file: its name can go, so
    // that nothing is left behind whatever happens to qzctl later.
    ForgetDebugFileName();
    if (loaded)
        Pump(); // the load hook's lines
    return loaded;
}

bool LibraryHost::LoadExports(const std::string &path, std::string &error)
{
    std::string name = path.empty() ? std::string(kLibrarySoname) : path;
    library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char *why = ::dlerror();
        error = why != nullptr ? why : "cannot be loaded";
        if (!path.empty())
            return false;
        name = kLibraryFileName;
        library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return false; // the SONAME's reason is the one to tell
    }
    std::string missing;
    Find(library, "QZLib_GetDllVersion", version, missing);
    Find(library, "QZLib_Initialize", initialize, missing);
    Find(library, "QZLib_UnInitialize", uninitialize, missing);
    Find(library, "QZLib_PROC_GetQZDevice", enumerate, missing);
    Find(library, "QZLib_Identify", identify, missing);
    Find(library, "QZLib_SYS_IloRgbMcuCmdWrite", write, missing);
    Find(library, "QZLib_SYS_IloRgbMcuCmdRead", read, missing);
    if (!missing.empty()) {
        error = name + " is not the drive library: it lacks " + missing;
        ::dlclose(library);
        library = nullptr;
        return false;
    }
    return true;
}

void LibraryHost::Pump()
{
    if (debugFd < 0)
        return;
    const std::size_t before = debugText.size();
    char chunk[8192];
    for (;;) {
        const ssize_t n = ::pread(debugFd, chunk, sizeof chunk, static_cast<off_t>(debugText.size()));
        if (n <= 0)
            break;
        debugText.append(chunk, static_cast<std::size_t>(n));
    }
    if (debugText.size() > before && listener)
        listener(debugText, before);
}

template <typename Call>
auto LibraryHost::Watched(Call call)
{
    Pump();
    lastCallStart = debugText.size();
    if (!listener || debugFd < 0) {
        auto result = call();
        Pump();
        return result;
    }
    // The library runs on this thread; a watcher hands on its lines meanwhile
    // (an enumeration can take seconds per drive).
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread watcher([&] {
        std::unique_lock<std::mutex> lock(mutex);
        while (!done) {
            wake.wait_for(lock, kPollInterval);
            if (!done)
                Pump();
        }
    });
    auto result = call();
    {
        std::lock_guard<std::mutex> lock(mutex);
        done = true;
    }
    wake.notify_all();
    watcher.join();
    Pump();
    return result;
}

const char *LibraryHost::Version()
{
    return Watched([&] { return version(); });
}
bool LibraryHost::Initialize()
{
    return Watched([&] { return initialize(); });
}
bool LibraryHost::UnInitialize()
{
    return Watched([&] { return uninitialize(); });
}
int LibraryHost::Enumerate()
{
    return Watched([&] { return enumerate(); });
}
bool LibraryHost::Identify(unsigned char drive, unsigned char *buffer)
{
    return Watched([&] { return identify(drive, buffer); });
}
bool LibraryHost::McuWrite(unsigned char drive, unsigned char *buffer)
{
    return Watched([&] { return write(drive, buffer); });
}
bool LibraryHost::McuRead(unsigned char drive, unsigned char *buffer)
{
    return Watched([&] { return read(drive, buffer); });
}

} // namespace qzctl
