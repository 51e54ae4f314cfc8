// Whether two theme files are one theme: their lines are the same, apart from the
// installation record in one of them. A line is compared as the profile functions
// keep it when they rewrite a file: without the blanks around it and around its first
// "=", and a section header without the blanks around its name; blank lines are left
// out.
#include "record.h"
#include "installer_text.h"

static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The line as the profile functions keep it, into out (TEXT_CAPACITY bytes); empty for a
// blank line.
static void NormalLine(const char* line, char* out) {
    while (IsBlank(*line)) ++line;
    uint32_t n = 0;
    bool keyEnded = false;
    for (const char* p = line; *p; ++p) {
        if (*p == '=' && !keyEnded) {
            while (n > 0 && IsBlank(out[n - 1])) --n;
            out[n++] = '=';
            keyEnded = true;
            while (IsBlank(p[1])) ++p;
            continue;
        }
        out[n++] = *p;
    }
    while (n > 0 && IsBlank(out[n - 1])) --n;
    out[n] = 0;
    if (out[0] != '[') return;
    // A section header as its name, without the blanks around it.
    const char* name = out + 1;
    while (IsBlank(*name)) ++name;
    uint32_t length = 0;
    while (name[length] && name[length] != ']') ++length;
    while (length > 0 && IsBlank(name[length - 1])) --length;
    char header[TEXT_CAPACITY];
    header[0] = '[';
    TextCopyCount(header + 1, name, length, TEXT_CAPACITY - 2);
    TextAppend(header, "]", TEXT_CAPACITY);
    TextCopy(out, header, TEXT_CAPACITY);
}

// The next line of reader that counts, normalised, into out; false at the end. The
// record's section is passed over.
static bool NextThemeLine(ThemeReader* reader, char* line, char* out, bool* inRecord) {
    while (ReadThemeLine(line, TEXT_CAPACITY, reader)) {
        NormalLine(line, out);
        if (!out[0]) continue;
        if (out[0] == '[') *inRecord = IsRecordHeader(out);
        if (!*inRecord) return true;
    }
    return false;
}

bool SameThemeLines(const char* pathA, const char* pathB) {
    SysFile a = SysOpenExisting(pathA, SYS_SHARE_READ, true);
    SysFile b = a ? SysOpenExisting(pathB, SYS_SHARE_READ, true) : 0;
    char* block = b ? (char*)SysAllocBlock(4 * TEXT_CAPACITY + 2 * sizeof(ThemeReader)) : 0;
    bool same = false;
    if (block) {
        ThemeReader* readerA = (ThemeReader*)block;
        ThemeReader* readerB = readerA + 1;
        char* lines = (char*)(readerB + 1);
        StartThemeReader(readerA, a);
        StartThemeReader(readerB, b);
        bool recordA = false, recordB = false;
        for (;;) {
            bool moreA = NextThemeLine(readerA, lines, lines + TEXT_CAPACITY, &recordA);
            bool moreB = NextThemeLine(readerB, lines + 2 * TEXT_CAPACITY, lines + 3 * TEXT_CAPACITY, &recordB);
            if (moreA != moreB || (moreA && !TextEqual(lines + TEXT_CAPACITY, lines + 3 * TEXT_CAPACITY))) break;
            if (!moreA) {
                same = true;
                break;
            }
        }
        SysFreeBlock(block);
    }
    if (b) SysCloseFile(b);
    if (a) SysCloseFile(a);
    return same;
}
