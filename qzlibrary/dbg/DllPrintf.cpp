#include "dbg/DllPrintf.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "QZUtil/QZUtil.h"

namespace qz::dbg {
namespace {

CaptureFunction g_capture = nullptr;
void *g_captureContext = nullptr;

// The file sink stays open between lines and is reopened when the variable
// names another file. Plain arrays only: the load hook prints before any
// constructor of this file may have run.
std::FILE *g_sinkFile = nullptr;
char g_sinkPath[4096];

// Opens the sink file for appending. The library runs as root: a symbolic
// link planted at the path is not followed (the file it names is never
// written), and the descriptor does not leak into programs the host starts.
std::FILE *OpenSinkFile(const char *path)
{
#if defined(_WIN32)
    return std::fopen(path, "ab");
#else
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    std::FILE *file = ::fdopen(fd, "ab");
    if (file == nullptr)
        ::close(fd);
    return file;
#endif
}

void WriteToFile(const char *path, const char *line, std::size_t length)
{
    if (std::strlen(path) >= sizeof g_sinkPath) {
        // Too long to remember: open it for this line only.
        if (std::FILE *file = OpenSinkFile(path)) {
            std::fwrite(line, 1, length, file);
            std::fclose(file);
        }
        return;
    }
    if (g_sinkFile == nullptr || std::strcmp(g_sinkPath, path) != 0) {
        CloseSinks();
        g_sinkFile = OpenSinkFile(path);
        if (g_sinkFile == nullptr)
            return;
        std::strcpy(g_sinkPath, path);
    }
    std::fwrite(line, 1, length, g_sinkFile);
    std::fflush(g_sinkFile);
}

void Emit(const char *line, std::size_t length)
{
    if (g_capture != nullptr) {
        g_capture(g_captureContext, line, length);
        return;
    }
#if defined(_WIN32)
    OutputDebugStringA(line);
#endif
    const char *sink = QZ_GetEnvironment(kSinkVariable);
    if (sink == nullptr || sink[0] == '\0' || std::strcmp(sink, "0") == 0 || std::strcmp(sink, "off") == 0) {
        return;
    }
    if (std::strcmp(sink, "stderr") == 0) {
        std::fwrite(line, 1, length, stderr);
        std::fflush(stderr);
        return;
    }
    WriteToFile(sink, line, length);
}

} // namespace

void SetCapture(CaptureFunction function, void *context)
{
    g_capture = function;
    g_captureContext = context;
}

void CloseSinks()
{
    if (g_sinkFile != nullptr)
        std::fclose(g_sinkFile);
    g_sinkFile = nullptr;
    g_sinkPath[0] = '\0';
}

} // namespace qz::dbg

void __dll_printf(const char *format, ...)
{
    using namespace qz::dbg;
    char text[kTextBufferSize];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (written < 0)
        text[0] = '\0';

    char line[kLinePrefixLength + kTextBufferSize];
    std::memcpy(line, kLinePrefix, kLinePrefixLength);
    const std::size_t textLength = std::strlen(text);
    std::memcpy(line + kLinePrefixLength, text, textLength + 1);
    Emit(line, kLinePrefixLength + textLength);
}
