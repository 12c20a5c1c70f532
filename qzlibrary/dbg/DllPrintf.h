// The library's one reporting channel. Every line is formatted into a
// 1024-byte buffer (longer texts are cut to 1023 characters), prefixed with
// "\n[DLL]" and handed to the sink:
//  - a capture installed by a test, if any;
//  - on Windows, the debugger output;
//  - the sink named by the environment variable QZLIB_DEBUG: "stderr" for
//    standard error, any other non-empty value (except "0" and "off") is the
//    path of a file that lines are appended to (a symbolic link there is
//    not followed: nothing is written). Unset: silent (Linux). A set-user-ID
//    process sees no such variable.
#pragma once

#include <cstddef>

#include "dbg/DebugLineFormats.h"

#if defined(__GNUC__)
#define QZ_PRINTF_FORMAT(fmt, first) __attribute__((format(printf, fmt, first)))
#else
#define QZ_PRINTF_FORMAT(fmt, first)
#endif

void __dll_printf(const char *format, ...) QZ_PRINTF_FORMAT(1, 2);

namespace qz::dbg {

constexpr std::size_t kTextBufferSize = 1024;
constexpr char kLinePrefix[] = QZ_LINE_PREFIX;
constexpr std::size_t kLinePrefixLength = sizeof(kLinePrefix) - 1;
constexpr char kSinkVariable[] = "QZLIB_DEBUG";

// Receives each finished line (prefix included, no terminating NUL counted).
using CaptureFunction = void (*)(void *context, const char *line, std::size_t length);

// Installs a capture that replaces every other sink; nullptr removes it.
void SetCapture(CaptureFunction function, void *context);

// Closes a sink file that the channel opened (at unload).
void CloseSinks();

} // namespace qz::dbg
