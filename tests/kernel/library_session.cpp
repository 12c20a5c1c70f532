// One host session of the drive library, driven by its arguments, for the
// tests inside the QEMU guest. Unlike qzctl it keeps its enumeration across
// steps, so that a test can change the disks between the enumeration and a
// later call on a slot. Steps, run in order:
//   enumerate                 prints "enumerate: N"
//   identify SLOT FILE        writes the 4096 bytes of Identify data to FILE
//   write SLOT FILE           sends the 4096-byte block in FILE
//   read SLOT FILE ANSWER     sends FILE, writes the answer to ANSWER
//   signal PATH               creates PATH (tells the test script a step is done)
//   wait-for PATH             waits up to 60 s for PATH to exist
// Each call prints "<step>: ok" or "<step>: failed"; the exit status is 0
// unless the arguments are wrong or a file cannot be read or written.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "QZlibrary.h"

namespace {

using Block = std::vector<unsigned char>;

bool ReadBlock(const char *path, Block &block)
{
    block.assign(QZLIB_BLOCK_SIZE, 0);
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    const std::size_t got = std::fread(block.data(), 1, block.size(), file);
    std::fclose(file);
    return got == block.size();
}

bool WriteBlock(const char *path, const Block &block)
{
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    return std::fclose(file) == 0 && written;
}

bool ParseSlot(const char *text, unsigned char &slot)
{
    char *end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value > 255)
        return false;
    slot = static_cast<unsigned char>(value);
    return true;
}

void Report(const char *step, bool ok)
{
    std::printf("%s: %s\n", step, ok ? "ok" : "failed");
    std::fflush(stdout);
}

int Usage(const char *why)
{
    std::fprintf(stderr, "qz_library_session: %s\n", why);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    QZLib_Initialize();
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const int left = argc - i - 1;
        unsigned char slot = 0;
        Block block;
        if (step == "enumerate") {
            std::printf("enumerate: %d\n", QZLib_PROC_GetQZDevice());
            std::fflush(stdout);
        } else if (step == "identify" && left >= 2) {
            if (!ParseSlot(argv[i + 1], slot))
                return Usage("bad slot number");
            block.assign(QZLIB_BLOCK_SIZE, 0);
            const bool ok = QZLib_Identify(slot, block.data());
            if (ok && !WriteBlock(argv[i + 2], block))
                return Usage("cannot write the Identify file");
            Report("identify", ok);
            i += 2;
        } else if (step == "write" && left >= 2) {
            if (!ParseSlot(argv[i + 1], slot) || !ReadBlock(argv[i + 2], block))
                return Usage("bad slot number or block file");
            Report("write", QZLib_SYS_IloRgbMcuCmdWrite(slot, block.data()));
            i += 2;
        } else if (step == "read" && left >= 3) {
            if (!ParseSlot(argv[i + 1], slot) || !ReadBlock(argv[i + 2], block))
                return Usage("bad slot number or block file");
            const bool ok = QZLib_SYS_IloRgbMcuCmdRead(slot, block.data());
            if (ok && !WriteBlock(argv[i + 3], block))
                return Usage("cannot write the answer file");
            Report("read", ok);
            i += 3;
        } else if (step == "signal" && left >= 1) {
            std::FILE *file = std::fopen(argv[++i], "w");
            if (file == nullptr)
                return Usage("cannot create the signal file");
            std::fclose(file);
        } else if (step == "wait-for" && left >= 1) {
            const char *path = argv[++i];
            int tenths = 0;
            while (::access(path, F_OK) != 0 && tenths++ < 600)
                ::usleep(100 * 1000);
            if (::access(path, F_OK) != 0)
                return Usage("timed out waiting for the signal file");
        } else {
            return Usage(("unknown or incomplete step " + step).c_str());
        }
    }
    QZLib_UnInitialize();
    return 0;
}
