/* A stand-in agent program: appends "started" to <its own name>.ran (its
 * file name without ".exe") and ends. */
#include <windows.h>

#include <stdio.h>
#include <wchar.h>

int wmain(void)
{
    wchar_t path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    if (length > 4 && _wcsicmp(path + length - 4, L".exe") == 0)
        length -= 4;
    wcscpy(path + length, L".ran");
    FILE *mark = _wfopen(path, L"a");
    if (!mark)
        return 1;
    fputs("started\n", mark);
    fclose(mark);
    return 0;
}
