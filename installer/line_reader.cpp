// Reading a theme file line by line, one byte per read.
#include "installer.h"

char* ReadThemeLine(char* buffer, uint32_t capacity, SysFile file) {
    // Without room for one byte and the terminator the file could never move on.
    if (capacity < 2) {
        if (capacity) buffer[0] = 0;
        return 0;
    }
    uint32_t stored = 0;
    bool ended = false;  // the read failed or the file is at its end
    while (stored + 1 < capacity) {
        char c;
        uint32_t got = 0;
        if (!SysReadFile(file, &c, 1, &got) || got == 0) {
            ended = true;
            break;
        }
        buffer[stored++] = c;
        // A line feed ends the line, whether a carriage return came before it or not.
        if (c == '\n') break;
    }
    if (ended && stored == 0) {
        buffer[0] = 0;
        return 0;
    }
    // Remove the line end, but never the first character: a blank line stays "\r".
    while (stored > 1 && (buffer[stored - 1] == '\r' || buffer[stored - 1] == '\n')) --stored;
    buffer[stored] = 0;
    return buffer;
}
