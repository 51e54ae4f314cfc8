// Path and name routines shared by every part of the installer.
#include "installer.h"
#include "installer_text.h"

void AppendPathPart(char* dst, const char* part, uint32_t capacity) {
    uint32_t n = TextLength(dst);
    if (capacity <= n) return;
    if (n > 0 && dst[n - 1] != '\\' && dst[n - 1] != ':' && n + 1 < capacity) {
        dst[n++] = '\\';
        dst[n] = 0;
    }
    if (part) TextAppend(dst, part, capacity);
}

const char* FindBaseName(const char* path) {
    const char* base = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == ':') base = p + 1;
    return base;
}

char* FindBaseName(char* path) { return (char*)FindBaseName((const char*)path); }

const char* FindTextNoCase(const char* text, const char* pattern) {
    uint32_t textLength = TextLength(text), patternLength = TextLength(pattern);
    if (patternLength > textLength) return 0;
    for (uint32_t i = 0; i + patternLength <= textLength; ++i)
        if (TextStartsWithNoCase(text + i, pattern)) return text + i;
    return 0;
}

void CutAtLastDot(char* name) {
    char* dot = 0;
    for (char* p = name; *p; ++p)
        if (*p == '.') dot = p;
    if (dot) *dot = 0;
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// True when the component [start, end) holds dots (at least two) and blanks only:
// Windows drops trailing dots and blanks, so ".. " climbs like "..".
static bool ClimbsUp(const char* start, const char* end) {
    int dots = 0;
    for (const char* p = start; p < end; ++p) {
        if (*p == '.') ++dots;
        else if (*p != ' ') return false;
    }
    return dots >= 2;
}

bool PathLeavesFolder(const char* relative) {
    const char* start = relative;
    for (const char* p = relative;; ++p) {
        if (*p == ':') return true;
        if (*p == 0 || IsSeparator(*p)) {
            if (ClimbsUp(start, p)) return true;
            if (*p == 0) return false;
            start = p + 1;
        }
    }
}

bool PathIsInside(const char* path, const char* dir) {
    uint32_t n = TextLength(dir);
    if (n == 0 || !IsSeparator(dir[n - 1])) return false;
    for (uint32_t i = 0; i < n; ++i) {
        char a = path[i], b = dir[i];
        if (a == 0) return false;
        if (IsSeparator(a) && IsSeparator(b)) continue;
        if (LowerLetter(a) != LowerLetter(b)) return false;
    }
    return path[n] != 0 && !PathLeavesFolder(path + n);
}

bool IsFullPath(const char* path) {
    char letter = LowerLetter(path[0]);
    if (letter >= 'a' && letter <= 'z' && path[1] == ':' && IsSeparator(path[2])) return true;
    return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] && !IsSeparator(path[2]);
}

bool HasControlCharacter(const char* text) {
    for (; *text; ++text)
        if ((unsigned char)*text < 0x20) return true;
    return false;
}
