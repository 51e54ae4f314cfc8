// Runs the platform table on Windows; the end-to-end tests run it under Wine set to
// Windows 95. Prints one line per row and exits with the number of rows that failed.
// With "/short PATH" it prints the short spelling of PATH instead (for tests that
// spell a folder the way Windows 95's registry often does).
#include <windows.h>
#include <stdio.h>

#include "platform_table.h"

bool PlatformWriteFile(const char* path, const char* data) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, lstrlenA(data), &written, 0);
    CloseHandle(file);
    return ok && written == (DWORD)lstrlenA(data);
}

int main(int argc, char** argv) {
    if (argc == 3 && lstrcmpA(argv[1], "/short") == 0) {
        char path[MAX_PATH];
        if (!GetShortPathNameA(argv[2], path, sizeof path)) return 1;
        printf("%s\n", path);
        return 0;
    }
    int failed = 0;
    for (int i = 0; i < PLATFORM_ROW_COUNT; ++i) {
        char detail[256] = "";
        bool ok = PLATFORM_ROWS[i].run(detail);
        printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", PLATFORM_ROWS[i].name, ok ? "" : ": ", detail);
        failed += !ok;
    }
    fflush(stdout);
    return failed;
}
