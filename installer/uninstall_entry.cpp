// The uninstall entry in the system's list of removable software, and the command that
// starts the installer. The installer writes, updates and removes only entries of its
// own: one it has just made, or one that proves the record of its installed copy (see
// ProveRecord). A key that belongs to another program is left exactly as it is.
#include "installer.h"
#include "installer_text.h"

// The names tried for one display name, under "Uninstall": the name itself, then
// "name (2)" to "name (9)", so that a theme named like another program still gets an
// entry of its own.
static const int UNINSTALL_NAMES = 9;

// The longest path of a key below HKEY_LOCAL_MACHINE that is created and removed again:
// with "HKEY_LOCAL_MACHINE\" before it, the 255 characters that a key's full name may
// have. (Wine already refuses to open or delete one of 260.)
static const uint32_t ENTRY_PATH_LIMIT = 255 - 19;

void GetInstallerCommand(char* out) {
    // The installer's copy that outlives the folder it was started from.
    if (uninstallerPath[0]) {
        TextCopy(out, "\"", TEXT_CAPACITY);
        TextAppend(out, uninstallerPath, TEXT_CAPACITY);
        TextAppend(out, "\"", TEXT_CAPACITY);
        return;
    }
    if (IsOwnVerb(out)) {
        char* cut = 0;
        for (char* p = out; *p && !cut; ++p)
            if (TextStartsWith(p, " \"%1")) cut = p;
        if (cut) *cut = 0;
        return;
    }
    // Quoted: a path with blanks would otherwise start another program.
    TextCopy(out, "\"", TEXT_CAPACITY);
    TextAppend(out, installerPath, TEXT_CAPACITY);
    TextAppend(out, "\"", TEXT_CAPACITY);
}

bool ComposeUninstallString(char* out) {
    char copy[TEXT_CAPACITY];
    GetInstallerCommand(out);
    return InstalledCopyPath(copy) && TextAppend(out, " /u \"", TEXT_CAPACITY) && TextAppend(out, copy, TEXT_CAPACITY) &&
           TextAppend(out, "\"", TEXT_CAPACITY);
}

bool InstalledCopyPath(char* out) {
    if (themesDir[0]) {
        TextCopy(out, themesDir, TEXT_CAPACITY);
    } else {
        uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, out);
        if (n == 0 || n >= TEXT_CAPACITY) return false;
        out[n] = 0;
    }
    AppendPathPart(out, 0, TEXT_CAPACITY);
    return TextAppend(out, copyFileName, TEXT_CAPACITY);
}

// The installed copy that an uninstall command names: the quoted path after its last
// " /u ", which ends the command.
static bool CommandCopy(char* command, const char** copy) {
    uint32_t n = TextLength(command);
    if (n == 0 || command[n - 1] != '"') return false;
    const char* path = 0;
    for (const char* p = command; *p; ++p)
        if (TextStartsWith(p, " /u \"")) path = p + 5;
    if (!path || path >= command + n - 1) return false;
    command[n - 1] = 0;
    *copy = path;
    return true;
}

void CommandProgram(const char* command, char* out) {
    const char* p = command;
    char end = ' ';
    if (*p == '"') end = '"', ++p;
    uint32_t n = 0;
    while (p[n] && p[n] != end) ++n;
    TextCopyCount(out, p, n, TEXT_CAPACITY);
}

bool VisitUninstallEntries(EntryVisitor visit, void* context) {
    SysKey entries = 0;
    if (SysRegOpenKey(SYS_HKEY_LOCAL_MACHINE, UNINSTALL_ENTRIES_KEY, &entries) != SYS_ERROR_SUCCESS) return false;
    bool stopped = false;
    for (uint32_t index = 0; !stopped; ++index) {
        char name[TEXT_CAPACITY];
        TextCopy(name, UNINSTALL_NAME "\\", sizeof name);
        uint32_t n = TextLength(name);
        if (SysRegEnumKey(entries, index, name + n, PATH_CAPACITY) != SYS_ERROR_SUCCESS) break;
        SysKey key = 0;
        if (SysRegOpenSubkey(entries, name + n, &key) != SYS_ERROR_SUCCESS) continue;
        char command[TEXT_CAPACITY + 1];
        uint32_t size = TEXT_CAPACITY;
        bool read = SysRegQueryValue(key, "UninstallString", command, &size) == SYS_ERROR_SUCCESS && size <= TEXT_CAPACITY;
        SysRegCloseKey(key);
        if (!read) continue;
        command[size] = 0;
        const char* copy;
        char program[TEXT_CAPACITY];
        CommandProgram(command, program);
        if (CommandCopy(command, &copy)) stopped = visit(name, program, copy, context);
    }
    SysRegCloseKey(entries);
    return stopped;
}

bool ReadEntryString(const char* name, const char* valueName, char* out, uint32_t capacity) {
    char path[TEXT_CAPACITY];
    TextCopy(path, CURRENT_VERSION_KEY, sizeof path);
    SysKey key = 0;
    if (!TextAppend(path, "\\", sizeof path) || !TextAppend(path, name, sizeof path) ||
        SysRegOpenKey(SYS_HKEY_LOCAL_MACHINE, path, &key) != SYS_ERROR_SUCCESS)
        return false;
    uint32_t size = capacity - 1;
    bool read = SysRegQueryValue(key, valueName, out, &size) == SYS_ERROR_SUCCESS && size < capacity;
    SysRegCloseKey(key);
    if (read) out[size] = 0;
    return read;
}

// The name of candidate index (1 to UNINSTALL_NAMES) below CURRENT_VERSION_KEY; false
// when its key's path would be too long to be removed again.
static bool EntryName(int index, char* out) {
    TextCopy(out, UNINSTALL_NAME "\\", TEXT_CAPACITY);
    bool fits = TextAppend(out, themeName, TEXT_CAPACITY);
    if (index > 1)
        fits = fits && TextAppend(out, " (", TEXT_CAPACITY) && TextAppendNumber(out, (uint32_t)index, TEXT_CAPACITY) &&
               TextAppend(out, ")", TEXT_CAPACITY);
    return fits && TextLength(CURRENT_VERSION_KEY) + 1 + TextLength(out) <= ENTRY_PATH_LIMIT;
}

static bool FailRegistration(SysWindow owner) {
    SysMessageBox(owner, "Error registering for Uninstall!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    return false;
}

// Sets the entry's two values (and, for a new entry, its seal); false when one does
// not take or the command would not fit (cut, it would name another file).
static bool WriteEntryValues(SysKey key, const InstalledCopy* copy, bool withSeal) {
    char text[TEXT_CAPACITY];
    TextCopy(text, themeName, sizeof text);
    TextAppend(text, " Theme", sizeof text);
    bool ok = SysRegSetString(key, "DisplayName", text) == SYS_ERROR_SUCCESS;
    ok = ok && ComposeUninstallString(text) && SysRegSetString(key, "UninstallString", text) == SYS_ERROR_SUCCESS;
    if (copy->installerMark[0]) ok = ok && SysRegSetString(key, INSTALLER_MARK_NAME, copy->installerMark) == SYS_ERROR_SUCCESS;
    else SysRegDeleteValue(key, INSTALLER_MARK_NAME);
    return ok && (!withSeal || SysRegSetString(key, SEAL_NAME, copy->seal) == SYS_ERROR_SUCCESS);
}

// Opens CURRENT_VERSION_KEY, under which entries are made and removed by their names.
static bool OpenParent(SysKey* parent) {
    return SysRegOpenKeyReadWrite(SYS_HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, parent) == SYS_ERROR_SUCCESS;
}

void RemoveUninstallEntry(const char* name) {
    SysKey parent = 0;
    if (!OpenParent(&parent)) return;
    SysRegDeleteKey(parent, name);
    SysRegCloseKey(parent);
}

bool RegisterUninstall(SysWindow owner, JobMode mode, InstalledCopy* copy) {
    SysKey parent = 0;
    if (mode != Install) {
        bool removed = copy->entry[0] && OpenParent(&parent);
        if (removed) {
            removed = SysRegDeleteKey(parent, copy->entry) == SYS_ERROR_SUCCESS;
            SysRegCloseKey(parent);
        }
        if (!removed) SysMessageBox(owner, "Error removing from Registry!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return true;
    }
    if (!themeName[0] || !OpenParent(&parent)) return FailRegistration(owner);
    SysKey key = 0;
    uint32_t disposition = 0;
    bool ok;
    if (copy->entry[0]) {
        // An earlier installation's entry: its values are brought up to date, its seal
        // stays (the record holds it).
        ok = SysRegCreateKey(parent, copy->entry, &key, &disposition) == SYS_ERROR_SUCCESS;
        if (ok) {
            ok = disposition == SYS_REG_OPENED_EXISTING_KEY && WriteEntryValues(key, copy, false);
            SysRegCloseKey(key);
        }
    } else {
        // A new entry under the first name that no key holds: a key of that name is
        // another program's, or another installation's.
        char name[TEXT_CAPACITY];
        ok = false;
        for (int index = 1; index <= UNINSTALL_NAMES && !ok; ++index) {
            if (!EntryName(index, name)) break;
            SysKey existing = 0;
            if (SysRegOpenSubkey(parent, name, &existing) == SYS_ERROR_SUCCESS) {
                SysRegCloseKey(existing);
                continue;
            }
            if (SysRegCreateKey(parent, name, &key, &disposition) != SYS_ERROR_SUCCESS) break;
            bool made = disposition == SYS_REG_CREATED_NEW_KEY;
            ok = made && WriteEntryValues(key, copy, true);
            SysRegCloseKey(key);
            if (made && !ok) SysRegDeleteKey(parent, name);
            if (!made) break;
            if (ok) TextCopy(copy->entry, name, TEXT_CAPACITY);
        }
    }
    SysRegCloseKey(parent);
    return ok || FailRegistration(owner);
}
