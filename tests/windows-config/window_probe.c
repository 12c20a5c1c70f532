/* Looks at or changes the visible top-level window of a title, as another
 * program on the desktop would, or shows one. Usage:
 *   window_probe state TITLE      prints "minimised", "normal" or "absent"
 *   window_probe minimise TITLE
 *   window_probe hold TITLE       shows a window of that title until it is
 *                                 sent the close message (prints "closed"),
 *                                 at most a minute (exit status 1)
 *   window_probe hang TITLE       shows a window of that title that never
 *                                 answers (its thread sleeps a minute) */
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

static LRESULT CALLBACK Held(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        DestroyWindow(window);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static int Hold(const wchar_t *title, int hang)
{
    WNDCLASSW windowClass = {0};
    windowClass.lpfnWndProc = Held;
    windowClass.hInstance = GetModuleHandleW(NULL);
    windowClass.lpszClassName = L"WindowProbeHeld";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"WindowProbeHeld", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL,
                                windowClass.hInstance, NULL);
    if (!window)
        return 2;
    puts("holding");
    fflush(stdout);
    if (hang) {
        Sleep(60000);
        return 0;
    }
    SetTimer(window, 1, 60000, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        if (message.message == WM_TIMER)
            return 1;
        DispatchMessageW(&message);
    }
    puts("closed");
    return 0;
}

int wmain(int argc, wchar_t **argv)
{
    if (argc == 3 && (wcscmp(argv[1], L"hold") == 0 || wcscmp(argv[1], L"hang") == 0))
        return Hold(argv[2], wcscmp(argv[1], L"hang") == 0);
    if (argc != 3 || (wcscmp(argv[1], L"state") != 0 && wcscmp(argv[1], L"minimise") != 0)) {
        fputs("usage: window_probe state|minimise|hold|hang TITLE\n", stderr);
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
