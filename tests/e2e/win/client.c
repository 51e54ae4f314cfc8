/* e2e-client: does what one of Windows' own programs does to start ours, or to see
 * what ours did, and prints the outcome.
 *
 *   e2e-client shellexec <verb> <file>   ShellExecuteEx of the file's verb, as the
 *                                        shell's context menu does; waits for the
 *                                        program and prints "exit <code>"
 *   e2e-client fonts                     the font families programs can use now
 *                                        (EnumFontFamiliesA), one a line
 *   e2e-client holdfont <path> <ms>      keeps the font file loaded (AddFontResourceA)
 *                                        for ms milliseconds, as a program using it does
 */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int CALLBACK family(const LOGFONTA *font, const TEXTMETRICA *metric, DWORD type, LPARAM data)
{
    (void)metric, (void)type, (void)data;
    printf("%s\n", font->lfFaceName);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "shellexec") == 0) {
        SHELLEXECUTEINFOA info;
        DWORD code = 0;
        memset(&info, 0, sizeof info);
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.lpVerb = argv[2];
        info.lpFile = argv[3];
        info.nShow = SW_SHOWNORMAL;
        if (!ShellExecuteExA(&info)) {
            printf("error %lu\n", (unsigned long)GetLastError());
            return 2;
        }
        if (info.hProcess) {
            WaitForSingleObject(info.hProcess, INFINITE);
            GetExitCodeProcess(info.hProcess, &code);
            CloseHandle(info.hProcess);
        }
        printf("exit %lu\n", (unsigned long)code);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "fonts") == 0) {
        HDC dc = GetDC(NULL);
        EnumFontFamiliesA(dc, NULL, family, 0);
        ReleaseDC(NULL, dc);
        return 0;
    }
    if (argc == 4 && strcmp(argv[1], "holdfont") == 0) {
        int added = AddFontResourceA(argv[2]);
        printf("loaded %d\n", added);
        fflush(stdout);
        Sleep((DWORD)atoi(argv[3]));
        if (added) RemoveFontResourceA(argv[2]);
        return 0;
    }
    fprintf(stderr, "usage: e2e-client shellexec <verb> <file> | fonts | holdfont <path> <ms>\n");
    return 2;
}
