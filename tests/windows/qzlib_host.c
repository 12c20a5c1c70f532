/*
 * A Windows host of the drive library: loads QZlibrary_Ocelot_64.dll by name
 * as any host does, finds its seven exports and runs a whole session on a
 * machine without lighting drives. With a file name as its argument it then
 * checks that the library's debug file sink (QZLIB_DEBUG naming that file)
 * received the session's lines. Exits 0 when everything answered as expected.
 */
#include <windows.h>

#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef const char *(*VersionFunction)(void);
typedef bool (*StateFunction)(void);
typedef int (*CountFunction)(void);
typedef bool (*DriveFunction)(unsigned char, unsigned char *);

static int failures;

static void Check(bool ok, const char *what)
{
    printf("%s: %s\n", ok ? "ok" : "FAILED", what);
    if (!ok)
        ++failures;
}

static DWORD WINAPI DoNothing(LPVOID unused)
{
    (void)unused;
    return 0;
}

static bool AllBytesAre(const unsigned char *bytes, size_t count, unsigned char value)
{
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != value)
            return false;
    }
    return true;
}

/* The whole file as a text, or NULL. */
static char *ReadWholeFile(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == NULL)
        return NULL;
    char *text = malloc(1 << 20);
    size_t length = text != NULL ? fread(text, 1, (1 << 20) - 1, file) : 0;
    fclose(file);
    if (text != NULL)
        text[length] = '\0';
    return text;
}

int main(int argc, char **argv)
{
    HMODULE library = LoadLibraryA("QZlibrary_Ocelot_64.dll");
    if (library == NULL) {
        printf("FAILED: LoadLibraryA: error %lu\n", GetLastError());
        return 1;
    }

    static const char *const names[] = {"QZLib_GetDllVersion",       "QZLib_Initialize", "QZLib_UnInitialize",
                                        "QZLib_PROC_GetQZDevice",    "QZLib_Identify",   "QZLib_SYS_IloRgbMcuCmdWrite",
                                        "QZLib_SYS_IloRgbMcuCmdRead"};
    FARPROC exports[7];
    for (int i = 0; i < 7; ++i) {
        exports[i] = GetProcAddress(library, names[i]);
        Check(exports[i] != NULL, names[i]);
    }
    if (failures != 0)
        return 1;
    VersionFunction version = (VersionFunction)(void (*)(void))exports[0];
    StateFunction initialize = (StateFunction)(void (*)(void))exports[1];
    StateFunction uninitialize = (StateFunction)(void (*)(void))exports[2];
    CountFunction enumerate = (CountFunction)(void (*)(void))exports[3];
    DriveFunction perDrive[3] = {(DriveFunction)(void (*)(void))exports[4], (DriveFunction)(void (*)(void))exports[5],
                                 (DriveFunction)(void (*)(void))exports[6]};

    const char *text = version();
    Check(text != NULL && strcmp(text, "0.00.001") == 0, "version 0.00.001");
    Check(!uninitialize(), "UnInitialize before Initialize answers false");
    Check(initialize(), "Initialize");
    Check(initialize(), "Initialize again");
    Check(enumerate() == 0, "no drives");

    static unsigned char buffer[4096];
    memset(buffer, 0xA5, sizeof buffer);
    static const unsigned char instances[] = {0, 1, 127, 128, 255};
    for (int call = 0; call < 3; ++call) {
        for (size_t i = 0; i < sizeof instances; ++i) {
            char what[96];
            snprintf(what, sizeof what, "%s(%u) on an empty table answers false", names[4 + call], instances[i]);
            Check(!perDrive[call](instances[i], buffer), what);
        }
        Check(!perDrive[call](0, NULL), "no buffer answers false");
    }
    Check(AllBytesAre(buffer, sizeof buffer, 0xA5), "the buffer was not touched");
    Check(version() == text && strcmp(text, "0.00.001") == 0, "the version text is intact");

    /* A thread started and ended while the library is loaded. */
    HANDLE thread = CreateThread(NULL, 0, DoNothing, NULL, 0, NULL);
    Check(thread != NULL && WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0, "a thread ran");
    if (thread != NULL)
        CloseHandle(thread);

    Check(uninitialize(), "UnInitialize");
    Check(!uninitialize(), "UnInitialize again answers false");
    Check(FreeLibrary(library) != FALSE, "FreeLibrary");

    if (argc > 1) {
        /* The sink is closed when the library is unloaded. */
        char *log = ReadWholeFile(argv[1]);
        Check(log != NULL, "the debug file exists");
        static const char *const lines[] = {"\n[DLL]QZ DLL Enterance\n",
                                            "\n[DLL]QZ DLL_PROCESS_ATTACH!\n",
                                            "\n[DLL]QZ library initialized\n",
                                            "\n[DLL]QZ library already initialized\n",
                                            "\n[DLL]dwDeviceCount = 0\n",
                                            "\n[DLL]QZ library uninitialized\n",
                                            "QZLib_UnInitialize::QZ library is not initialized!\n",
                                            "\n[DLL]QZ DLL_THREAD_ATTACH!\n",
                                            "\n[DLL]QZ DLL_THREAD_DETACH!\n",
                                            "\n[DLL]QZ DLL_PROCESS_DETACH!\n"};
        for (size_t i = 0; log != NULL && i < sizeof lines / sizeof lines[0]; ++i) {
            char what[128];
            const char *shown = lines[i][0] == '\n' ? lines[i] + 1 : lines[i];
            snprintf(what, sizeof what, "the debug file holds \"%.*s\"", (int)strcspn(shown, "\n"), shown);
            Check(strstr(log, lines[i]) != NULL, what);
        }
        free(log);
    }
    printf("%s\n", failures == 0 ? "host session passed" : "host session FAILED");
    return failures == 0 ? 0 : 1;
}
