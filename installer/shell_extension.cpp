// The "Install Theme" command on the context menu of theme files. The verb is this
// installer's when it holds the mark that every copy of this installer writes into it
// (any copy may then remove it), or when its command starts this very file (a verb of
// an earlier version), or, left without a command by a set-up that failed half-way,
// when it holds the note that this installer writes into it; another program's verb of
// that name is never offered for removal, changed or deleted.
#include "installer.h"
#include "installer_text.h"

// The keys above the verb that the set-up had to create, noted in the verb so that its
// removal takes them too, when nothing else has come to live in them.
#define THEME_FILE_KEY "ThemeFile"
#define SHELL_KEY THEME_FILE_KEY "\\Shell"
static const char CREATED_NOTE[] = "Created";
// The mark that every copy of this installer writes into the verb and knows it by,
// wherever the copy that wrote it lives (every theme folder carries one).
static const char VERB_MARK_NAME[] = "Decorama";
static const char VERB_MARK[] = "Install Theme verb";

static bool KeyExists(const char* subkey) {
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, subkey, &key) != SYS_ERROR_SUCCESS) return false;
    SysRegCloseKey(key);
    return true;
}

// Reads a string value of an open key into out (TEXT_CAPACITY bytes); false when missing.
static bool ReadString(SysKey key, const char* name, char* out) {
    uint32_t size = TEXT_CAPACITY - 1;
    if (SysRegQueryValue(key, name, out, &size) != SYS_ERROR_SUCCESS || size >= TEXT_CAPACITY) return false;
    out[size] = 0;
    return true;
}

bool IsOwnVerb(const Installation& installation, char* command) {
    char text[TEXT_CAPACITY];
    char* out = command ? command : text;
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_COMMAND_KEY, &key) == SYS_ERROR_SUCCESS) {
        bool read = ReadString(key, 0, out);
        SysRegCloseKey(key);
        char program[TEXT_CAPACITY];
        if (!read) return false;
        CommandProgram(out, program);
        return program[0] && SameFile(program, installation.installerPath);
    }
    // No command: the verb is ours when it holds the note.
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &key) != SYS_ERROR_SUCCESS) return false;
    bool noted = ReadString(key, CREATED_NOTE, text);
    SysRegCloseKey(key);
    if (command) command[0] = 0;
    return noted;
}

// True when the verb is this installer's: it holds the mark of its copies, or its
// command starts this very file (a verb of an earlier version, without the mark).
static bool IsDecoramaVerb(const Installation& installation) {
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &key) != SYS_ERROR_SUCCESS) return false;
    char mark[TEXT_CAPACITY];
    bool marked = ReadString(key, VERB_MARK_NAME, mark) && TextEqual(mark, VERB_MARK);
    SysRegCloseKey(key);
    return marked || IsOwnVerb(installation, 0);
}

// Deletes a key above the verb when it holds nothing any more.
static void DeleteIfEmpty(const char* subkey) {
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, subkey, &key) != SYS_ERROR_SUCCESS) return;
    uint32_t subkeys = 1, values = 1;
    bool empty = SysRegCountKey(key, &subkeys, &values) == SYS_ERROR_SUCCESS && subkeys == 0 && values == 0;
    SysRegCloseKey(key);
    if (empty) SysRegDeleteRootKey(SYS_HKEY_CLASSES_ROOT, subkey);
}

static void RemoveVerb() {
    char created[TEXT_CAPACITY];
    created[0] = 0;
    SysKey verb = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &verb) == SYS_ERROR_SUCCESS) {
        if (!ReadString(verb, CREATED_NOTE, created)) created[0] = 0;
        SysRegCloseKey(verb);
    }
    // The inner key first: a key with subkeys may not be deleted.
    SysRegDeleteRootKey(SYS_HKEY_CLASSES_ROOT, VERB_COMMAND_KEY);
    SysRegDeleteRootKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY);
    bool madeTheme = TextEqualNoCase(created, THEME_FILE_KEY);
    if (madeTheme || TextEqualNoCase(created, SHELL_KEY)) DeleteIfEmpty(SHELL_KEY);
    if (madeTheme) DeleteIfEmpty(THEME_FILE_KEY);
}

bool SetupShellExtension(SysWindow owner, const Installation& installation) {
    if (KeyExists(VERB_KEY)) {
        if (!IsDecoramaVerb(installation)) {
            SysMessageBox(owner,
                          "Theme files already have an Install command, of another program.\n"
                          "The Decorama shell extension was not installed.",
                          CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
            return false;
        }
        if (SysMessageBox(owner, "Remove the Decorama shell extension?", CAPTION, SYS_MB_OKCANCEL) == SYS_IDOK)
            RemoveVerb();
        return false;
    }

    if (SysMessageBox(owner,
                      "Welcome to Decorama v1.04, the installer for Windows 95 desktop themes.\n"
                      "This will install the Decorama shell extension.",
                      CAPTION, SYS_MB_OKCANCEL) != SYS_IDOK)
        return false;

    // The outermost key that the verb's creation makes, if any.
    const char* created = !KeyExists(THEME_FILE_KEY) ? THEME_FILE_KEY : !KeyExists(SHELL_KEY) ? SHELL_KEY : 0;
    SysKey verb = 0;
    uint32_t disposition = 0;
    if (SysRegCreateRootKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &verb, &disposition) != SYS_ERROR_SUCCESS)
        return false;
    SysRegSetString(verb, 0, "&Install Theme");
    SysRegSetString(verb, CREATED_NOTE, created ? created : "");
    SysRegSetString(verb, VERB_MARK_NAME, VERB_MARK);
    SysKey command = 0;
    if (SysRegCreateKey(verb, VERB_COMMAND_NAME, &command, &disposition) != SYS_ERROR_SUCCESS) {
        SysRegCloseKey(verb);
        return false;
    }
    char text[TEXT_CAPACITY];
    TextCopy(text, "\"", sizeof text);
    TextAppend(text, installation.installerPath, sizeof text);
    TextAppend(text, "\" \"%1\"", sizeof text);
    SysRegSetString(command, 0, text);
    SysRegCloseKey(command);
    SysRegCloseKey(verb);
    return true;
}
