// Reading a theme file line by line.
#include "installer.h"

void StartThemeReader(ThemeReader* reader, SysFile file) {
    reader->file = file;
    reader->next = reader->length = 0;
    reader->ended = false;
}

void RewindThemeReader(ThemeReader* reader) {
    SysRewindFile(reader->file);
    StartThemeReader(reader, reader->file);
}

// The next byte of the file, or false at its end (or when a read fails).
static bool NextByte(ThemeReader* reader, char* c) {
    if (reader->next == reader->length) {
        if (reader->ended) return false;
        uint32_t got = 0;
        if (!SysReadFile(reader->file, reader->block, THEME_BLOCK_SIZE, &got) || got == 0) {
            reader->ended = true;
            return false;
        }
        reader->next = 0;
        reader->length = got;
    }
    *c = reader->block[reader->next++];
    return true;
}

char* ReadThemeLine(char* buffer, uint32_t capacity, ThemeReader* reader) {
    // Without room for one byte and the terminator the file could never move on.
    if (capacity < 2) {
        if (capacity) buffer[0] = 0;
        return 0;
    }
    uint32_t stored = 0;
    bool ended = false;  // the read failed or the file is at its end
    while (stored + 1 < capacity) {
        char c;
        if (!NextByte(reader, &c)) {
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
