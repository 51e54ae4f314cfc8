/* e2e-plaincopy: copies every file named in a list file (one source,destination pair
 * per line) with CopyFileA, failing if the destination exists. The installer
 * benchmark times it beside the installer to give the cost of the bare copies.
 * With a record file as a second argument it is the reference installation: after
 * each copy it writes one key, "File" and the line's number, with the destination as
 * its value, into the section "Decorama" of that file, as an installation records
 * what it copied. With "/delete" before the list it only deletes every destination, the
 * work an uninstall must do. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    FILE *list;
    char line[1100], key[32];
    int copied = 0, failed = 0, number = 0;
    int deleting = argc > 1 && strcmp(argv[1], "/delete") == 0;
    const char *record = argc > 2 && !deleting ? argv[2] : NULL;
    if (argc < 2 + deleting) {
        fprintf(stderr, "usage: e2e-plaincopy [/delete] <list file> [record file]\n");
        return 2;
    }
    list = fopen(argv[1 + deleting], "r");
    if (!list) {
        fprintf(stderr, "cannot open %s\n", argv[1]);
        return 2;
    }
    DWORD t0 = GetTickCount();
    while (fgets(line, sizeof line, list)) {
        char *comma = strchr(line, ',');
        size_t n = strlen(line);
        while (n && (line[n - 1] == '\n' || line[n - 1] == '\r')) line[--n] = 0;
        if (!comma) continue;
        *comma = 0;
        ++number;
        if (deleting) {
            if (DeleteFileA(comma + 1)) ++copied;
            else ++failed;
            continue;
        }
        if (!CopyFileA(line, comma + 1, TRUE)) {
            ++failed;
            continue;
        }
        ++copied;
        if (record) {
            sprintf(key, "File%d", number);
            if (!WritePrivateProfileStringA("Decorama", key, comma + 1, record)) ++failed;
        }
    }
    fclose(list);
    printf("copied %d failed %d ms %lu\n", copied, failed, (unsigned long)(GetTickCount() - t0));
    return failed ? 1 : 0;
}
