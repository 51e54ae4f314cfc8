// Runs the platform table on Windows; the end-to-end tests run it under Wine set to
// Windows 95. Prints one line per row and exits with the number of rows that failed.
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

int main() {
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
