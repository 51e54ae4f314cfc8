// What a theme line or a record entry names: the entry source of a job and the
// classification of theme lines.
#include "installer.h"
#include "installer_text.h"

const char SPECIAL_MARKER[] = "[DecoramaSpecial]";

struct TokenRule {
    const char* text;
    int kind;
    bool specialOnly;
    bool folderToken;    // "%…%": found anywhere; otherwise a key at the line's start
    uint32_t skip;       // screens: where the file name starts
};

// Tried in this order; the first that matches decides.
static const TokenRule TOKENS[] = {
    {"%ThemeDir%", ThemesEntry, false, true, 0},
    {"%WinDir%", WindowsEntry, false, true, 0},
    {"%FontDir%", FontsEntry, true, true, 0},
    {"StartupScreen", StartupScreenEntry, true, false, 14},
    {"ShutdownWaitScreen", ShutdownWaitScreenEntry, true, false, 19},
    {"ShutdownSafeScreen", ShutdownSafeScreenEntry, true, false, 19},
};

int ClassifyThemeLine(const char* line, bool special, const char** position) {
    *position = 0;
    for (const TokenRule& rule : TOKENS) {
        if (rule.specialOnly && !special) continue;
        if (rule.folderToken) {
            const char* found = FindTextNoCase(line, rule.text);
            if (!found) continue;
            // The file name follows the token's closing "%".
            *position = found + TextLength(rule.text);
            return rule.kind;
        }
        if (TextStartsWithNoCase(line, rule.text)) {
            // The character after the key is skipped whatever it is; a line that ends
            // there has an empty name.
            uint32_t length = TextLength(line);
            *position = line + (rule.skip <= length ? rule.skip : length);
            return rule.kind;
        }
    }
    return NoEntry;
}

void InitSectionCursor(SectionCursor* cursor, char* section, uint32_t length) {
    char* p = section;
    char* limit = section + length;
    while (p < limit && *p) p += TextLength(p) + 1;
    cursor->begin = section;
    cursor->end = p;
    cursor->at = section;
    cursor->current = 0;
}

void MarkEntryDone(SectionCursor* cursor) {
    char* entry = cursor->current;
    if (entry && *entry >= 'A' && *entry <= 'Z') *entry = (char)(*entry - 'A' + 'a');
}

bool IsEntryDone(const char* entry) { return *entry == 'f' || *entry == 'd'; }

// Copies the value after the first "=" of entry into out; false when there is no "="
// or the value would not fit. Neither is anything an installation wrote: a string
// without "=" is what is left of a key that a full disk cut off in the middle.
static bool TakeValue(const char* entry, char* out) {
    const char* p = entry;
    while (*p && *p != '=') ++p;
    if (*p == 0) return false;
    if (TextCopy(out, p + 1, TEXT_CAPACITY)) return true;
    out[0] = 0;
    return false;
}

char* NextThemeEntry(ThemeReader* reader, char* out, SectionCursor* cursor, char* entryKind) {
    if (!cursor) return ReadThemeLine(out, TEXT_CAPACITY, reader);
    out[0] = 0;
    if (*entryKind == 'F') {
        // Files, in the order the keys stand; what is not ours is passed over.
        while (cursor->at < cursor->end) {
            char* entry = cursor->at;
            cursor->at += TextLength(entry) + 1;
            if (entry[0] == 'F' && TakeValue(entry, out)) return cursor->current = entry, out;
        }
        // Then the directories, from the last created back to the first, so that an
        // inner directory goes before the one that holds it.
        *entryKind = 'D';
        cursor->at = cursor->end;
        return out;
    }
    if (*entryKind != 'D') return 0;
    while (cursor->at > cursor->begin) {
        char* entry = cursor->at - 1;  // the zero that ends the previous string
        while (entry > cursor->begin && entry[-1]) --entry;
        cursor->at = entry;
        if (entry[0] == 'D' && TakeValue(entry, out)) return cursor->current = entry, out;
    }
    return 0;
}
