#include "framework/PlatformStartup.h"

#include <csignal>

void PrepareProcessForWindowLayer()
{
    // Under a file size limit a write beyond it must fail (EFBIG) and be
    // reported as a failed save, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
}
