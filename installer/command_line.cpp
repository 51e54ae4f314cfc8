// Splitting the program's command line into words.
#include "installer.h"

int ParseCommandLine(const char* commandLine, char* storage, uint32_t capacity,
                     char** argv, int maxArgs) {
    int argc = 0;
    uint32_t used = 0;
    const char* p = commandLine;
    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == 0) break;
        bool keep = argc < maxArgs && used < capacity;
        char* word = storage + used;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            char c = *p++;
            if (c == '\\' && *p == '"') {
                c = *p++;
            } else if (c == '"') {
                quoted = !quoted;
                continue;
            }
            // One byte stays free for the word's terminator.
            if (keep && used + 1 < capacity) storage[used++] = c;
        }
        if (keep) {
            storage[used++] = 0;
            argv[argc++] = word;
        }
    }
    return argc;
}
