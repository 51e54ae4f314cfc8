// The full name of a TrueType font, read from its "name" table, as the Fonts folder
// registers a font under it. The file comes from a theme's author: every offset and
// length it holds is checked against the file and the table before it is used.
#include "installer.h"
#include "installer_text.h"

enum : uint32_t {
    MAX_TABLES = 256,   // more than any font has
    MAX_NAMES = 1024,
    FULL_NAME_ID = 4,
    PLATFORM_MAC = 1,
    PLATFORM_WINDOWS = 3,
    WINDOWS_UNICODE = 1,
    ENGLISH_US = 0x409,
};

struct FontFile {
    SysFile file;
    uint32_t size;
};

// Reads count bytes at offset, which must lie inside the file.
static bool ReadAt(const FontFile& font, uint32_t offset, void* out, uint32_t count) {
    if (offset > font.size || count > font.size - offset) return false;
    uint32_t got = 0;
    return SysSeekFile(font.file, offset) && SysReadFile(font.file, out, count, &got) && got == count;
}

static uint32_t Big16(const unsigned char* p) { return (uint32_t)p[0] << 8 | p[1]; }
static uint32_t Big32(const unsigned char* p) { return Big16(p) << 16 | Big16(p + 2); }

// A character that may stand in a registry value's name: printable, in the 8-bit
// code page's Latin range.
static bool NameCharacter(uint32_t c) { return (c >= 0x20 && c < 0x7F) || (c >= 0xA0 && c <= 0xFF); }

// Finds the "name" table: its offset and length, inside the file.
static bool FindNameTable(const FontFile& font, uint32_t* offset, uint32_t* length) {
    unsigned char header[12];
    if (!ReadAt(font, 0, header, sizeof header)) return false;
    // TrueType outlines only: "OTTO" (PostScript outlines) and collections are fonts
    // that Windows 95 cannot load.
    uint32_t version = Big32(header);
    if (version != 0x00010000u && version != 0x74727565u) return false;  // or "true"
    uint32_t tables = Big16(header + 4);
    if (tables > MAX_TABLES) return false;
    for (uint32_t i = 0; i < tables; ++i) {
        unsigned char record[16];
        if (!ReadAt(font, 12 + 16 * i, record, sizeof record)) return false;
        if (Big32(record) != 0x6E616D65u) continue;  // "name"
        *offset = Big32(record + 8);
        *length = Big32(record + 12);
        return *offset <= font.size && *length <= font.size - *offset && *length >= 6;
    }
    return false;
}

// How well a name record of the full name serves: Windows' US English first, then
// any Windows Unicode one, then the Macintosh Roman one; 0 for none.
static int Rank(uint32_t platform, uint32_t encoding, uint32_t language) {
    if (platform == PLATFORM_WINDOWS && encoding == WINDOWS_UNICODE) return language == ENGLISH_US ? 3 : 2;
    if (platform == PLATFORM_MAC && encoding == 0) return 1;
    return 0;
}

bool ReadFontFullName(const char* path, char* out, uint32_t capacity) {
    out[0] = 0;
    FontFile font = {SysOpenExisting(path, SYS_SHARE_READ | SYS_SHARE_WRITE, false), 0};
    if (!font.file) return false;
    uint32_t end = SysSeekFromEnd(font.file, 0);
    font.size = end == SYS_INVALID_FILE_SIZE ? 0 : end;
    uint32_t table = 0, length = 0;
    unsigned char header[6];
    bool ok = FindNameTable(font, &table, &length) && ReadAt(font, table, header, sizeof header);
    uint32_t count = ok ? Big16(header + 2) : 0, strings = ok ? Big16(header + 4) : 0;
    ok = ok && count <= MAX_NAMES && 6 + 12 * count <= length && strings <= length;
    // The best full name record: where its text lies in the table, and how it is written.
    int best = 0;
    uint32_t textOffset = 0, textLength = 0;
    bool wide = false;
    for (uint32_t i = 0; ok && i < count; ++i) {
        unsigned char record[12];
        if (!ReadAt(font, table + 6 + 12 * i, record, sizeof record)) ok = false;
        else if (Big16(record + 6) == FULL_NAME_ID) {
            int rank = Rank(Big16(record), Big16(record + 2), Big16(record + 4));
            uint32_t at = strings + Big16(record + 10), n = Big16(record + 8);
            if (rank > best && at <= length && n <= length - at) {
                best = rank;
                textOffset = table + at;
                textLength = n;
                wide = rank > 1;
            }
        }
    }
    // The name, one character at a time, into out; a character that a registry value
    // of the system's code page cannot hold means the font is not registered.
    uint32_t width = wide ? 2 : 1, n = 0;
    ok = ok && best > 0 && textLength % width == 0 && textLength / width < capacity;
    for (uint32_t i = 0; ok && i < textLength; i += width) {
        unsigned char c[2];
        ok = ReadAt(font, textOffset + i, c, width);
        uint32_t code = wide ? Big16(c) : c[0];
        ok = ok && NameCharacter(code) && (wide || code < 0x7F);  // Mac Roman is ASCII only here
        if (ok) out[n++] = (char)code;
    }
    SysCloseFile(font.file);
    while (n > 0 && out[n - 1] == ' ') --n;
    out[n] = 0;
    ok = ok && n > 0 && out[0] != ' ';
    if (!ok) out[0] = 0;
    return ok;
}
