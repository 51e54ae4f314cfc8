// The list of fonts that Windows loads when it starts (FONT_LIST_KEY): a TrueType font
// that an installation copies goes into it as the Fonts folder puts one there, and
// leaves it again with its file; another font's value is never changed.
#include "job.h"
#include "installer_text.h"

// What the list of fonts holds for the font at path: its file name, for a font in the
// Fonts folder itself, else its full path.
static void FontListData(const Installation& installation, const char* path, char* out) {
    const char* fontsDir = installation.fontsDir;
    const char* name = FindBaseName(path);
    bool inFonts = IsFullPath(fontsDir) && PathIsInside(path, fontsDir) && (uint32_t)(name - path) == TextLength(fontsDir);
    TextCopy(out, inFonts ? name : path, TEXT_CAPACITY);
}

// True when the list's value for a font (held, as read) names the file at path.
static bool NamesFont(const Installation& installation, char* held, uint32_t size, const char* path) {
    if (size == 0 || size > TEXT_CAPACITY) return false;
    held[size] = 0;
    char data[TEXT_CAPACITY];
    FontListData(installation, path, data);
    // A bare name is a file of the Fonts folder, wherever the Shell Folders say it is
    // now (they may say nothing): the record names the font, and its file is this one.
    bool bare = FindBaseName(held) == held;
    return TextEqualNoCase(held, data) || TextEqualNoCase(held, path) || (bare && TextEqualNoCase(held, FindBaseName(path)));
}

bool RegisterFont(const Installation& installation, RecordFile& record, uint32_t number, const char* path, bool shared) {
    char name[TEXT_CAPACITY], data[TEXT_CAPACITY], held[TEXT_CAPACITY + 1];
    // The value's name: the font's full name and " (TrueType)", at most 255 characters.
    if (!ReadFontFullName(path, name, 200)) return false;
    TextAppend(name, " (TrueType)", sizeof name);
    FontListData(installation, path, data);
    SysKey key = 0;
    if (SysRegOpenKeyReadWrite(SYS_HKEY_LOCAL_MACHINE, FONT_LIST_KEY, &key) != SYS_ERROR_SUCCESS) return false;
    uint32_t size = TEXT_CAPACITY;
    bool registered = false;
    int32_t found = SysRegQueryValue(key, name, held, &size);
    if (shared) {
        // Another installation's file, which it registered: the record notes the font, so
        // that the last installation that uses the file takes it out of the list.
        if (found == SYS_ERROR_SUCCESS && NamesFont(installation, held, size, path))
            WriteNumberedKey(record, TYPEFACE_KEY, number, name);
    } else if (found == SYS_ERROR_FILE_NOT_FOUND && WriteNumberedKey(record, TYPEFACE_KEY, number, name) == 0) {
        // A font of that name is another's: it stays, and this one is not registered.
        if (SysRegSetString(key, name, data) == SYS_ERROR_SUCCESS) {
            SysAddFontResource(path);
            registered = true;
        } else {
            DropRecordKey(record, TYPEFACE_KEY, number);
        }
    }
    SysRegCloseKey(key);
    return registered;
}

bool UnregisterFont(const Installation& installation, const char* name, const char* path) {
    char held[TEXT_CAPACITY + 1];
    SysKey key = 0;
    if (SysRegOpenKeyReadWrite(SYS_HKEY_LOCAL_MACHINE, FONT_LIST_KEY, &key) != SYS_ERROR_SUCCESS) return false;
    uint32_t size = TEXT_CAPACITY;
    bool removed = SysRegQueryValue(key, name, held, &size) == SYS_ERROR_SUCCESS &&
                   NamesFont(installation, held, size, path) && SysRegDeleteValue(key, name) == 0;
    SysRegCloseKey(key);
    return removed;
}
