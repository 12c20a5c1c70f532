/* Looks at or changes the visible top-level window of a title, as another
 * program on the desktop would. Usage: window_probe state|minimise TITLE
 * "state" prints "minimised", "normal" or "absent". */
#include <windows.h>

#include <stdio.h>

struct Search
{
    const wchar_t *title;
    HWND found;
};

static BOOL CALLBACK Visit(HWND window, LPARAM parameter)
{
    struct Search *search = (struct Search *)parameter;
    wchar_t text[256];
    if (IsWindowVisible(window) && GetWindowTextW(window, text, 256) > 0 && wcscmp(text, search->title) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc != 3 || (wcscmp(argv[1], L"state") != 0 && wcscmp(argv[1], L"minimise") != 0)) {
        fputs("usage: window_probe state|minimise TITLE\n", stderr);
        return 2;
    }
    struct Search search = {argv[2], NULL};
    EnumWindows(Visit, (LPARAM)&search);
    if (!search.found) {
        puts("absent");
        return 1;
    }
    if (wcscmp(argv[1], L"minimise") == 0) {
        ShowWindow(search.found, SW_MINIMIZE);
        return 0;
    }
    puts(IsIconic(search.found) ? "minimised" : "normal");
    return 0;
}
