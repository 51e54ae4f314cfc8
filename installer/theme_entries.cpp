// What a theme line names, and the source of a job's entries: the theme file's lines,
// or a record's entries.
#include "record.h"
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

char* NextThemeEntry(ThemeReader* reader, char* out, SectionCursor* cursor, char* entryKind) {
    if (!cursor) return ReadThemeLine(out, TEXT_CAPACITY, reader);
    return NextRecordEntry(cursor, out, entryKind);
}
