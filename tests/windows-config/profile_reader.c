/* Prints every section and key of a settings file as the platform's own
 * private-profile functions read it: "[section]" lines, each followed by its
 * "key=value" lines, in UTF-8. Usage: profile_reader FILE */
#include <windows.h>

#include <stdio.h>

static void PrintUtf8(const wchar_t *text)
{
    char buffer[4 * 32768];
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (length > 0)
        fputs(buffer, stdout);
}

int wmain(int argc, wchar_t **argv)
{
    static wchar_t sections[32768];
    static wchar_t keys[32768];
    if (argc != 2) {
        fputs("usage: profile_reader FILE\n", stderr);
        return 2;
    }
    if (GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES) {
        fputs("profile_reader: no such file\n", stderr);
        return 1;
    }
    GetPrivateProfileSectionNamesW(sections, 32768, argv[1]);
    for (const wchar_t *section = sections; *section; section += wcslen(section) + 1) {
        fputs("[", stdout);
        PrintUtf8(section);
        fputs("]\n", stdout);
        /* Key by key through GetPrivateProfileStringW, as a program reads them. */
        GetPrivateProfileStringW(section, NULL, L"", keys, 32768, argv[1]);
        for (const wchar_t *key = keys; *key; key += wcslen(key) + 1) {
            wchar_t value[4096];
            GetPrivateProfileStringW(section, key, L"", value, 4096, argv[1]);
            PrintUtf8(key);
            fputs("=", stdout);
            PrintUtf8(value);
            fputs("\n", stdout);
        }
    }
    return 0;
}
