// The few POSIX functions the portable library tests use, on the Windows C
// runtime. Included ahead of every source of the Windows test programs.
#pragma once

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

static inline int setenv(const char *name, const char *value, int overwrite)
{
    if (!overwrite && getenv(name) != NULL)
        return 0;
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

static inline int unsetenv(const char *name)
{
    return _putenv_s(name, "") == 0 ? 0 : -1;
}

// The pattern ends in six X's, replaced by a unique name of a new folder.
static inline char *mkdtemp(char *pattern)
{
    if (_mktemp_s(pattern, strlen(pattern) + 1) != 0 || _mkdir(pattern) != 0)
        return NULL;
    return pattern;
}
#endif
