// The uninstall entry in the system's list of removable software, and the command that
// starts the installer. The installer writes, updates and removes only entries of its
// own: one it has just made, or one that proves the record of its installed copy (see
// ProveRecord). A key that belongs to another program is left exactly as it is.
#include "record.h"
#include "installer_text.h"

const char ENTRY_SEAL_NAME[] = "Seal";
const char INSTALLER_MARK_NAME[] = "InstallerMark";

// The longest path of a key below HKEY_LOCAL_MACHINE that is created and removed again:
// with "HKEY_LOCAL_MACHINE\" before it, the 255 characters that a key's full name may
// have. (Wine already refuses to open or delete one of 260.)
static const uint32_t ENTRY_PATH_LIMIT = 255 - 19;

void GetInstallerCommand(const Installation& installation, char* out) {
    const char* uninstallerPath = installation.uninstallerPath;
    // The installer's copy that outlives the folder it was started from.
    if (uninstallerPath[0]) {
        TextCopy(out, "\"", TEXT_CAPACITY);
        TextAppend(out, uninstallerPath, TEXT_CAPACITY);
        TextAppend(out, "\"", TEXT_CAPACITY);
        return;
    }
    if (IsOwnVerb(installation, out)) {
        char* cut = 0;
        for (char* p = out; *p && !cut; ++p)
            if (TextStartsWith(p, " \"%1")) cut = p;
        if (cut) *cut = 0;
        return;
    }
    // Quoted: a path with blanks would otherwise start another program.
    TextCopy(out, "\"", TEXT_CAPACITY);
    TextAppend(out, installation.installerPath, TEXT_CAPACITY);
    TextAppend(out, "\"", TEXT_CAPACITY);
}

bool ComposeUninstallString(const Installation& installation, char* out) {
    char copy[TEXT_CAPACITY];
    GetInstallerCommand(installation, out);
    return InstalledCopyPath(installation, copy) && TextAppend(out, " /u \"", TEXT_CAPACITY) &&
           TextAppend(out, copy, TEXT_CAPACITY) && TextAppend(out, "\"", TEXT_CAPACITY);
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

// The name of candidate index below CURRENT_VERSION_KEY: the display name, then
// "name (2)" to "name (9)", so that a theme named like another program still gets an
// entry of its own. False when its key's path would be too long to be removed again.
static bool EntryName(const Installation& installation, int index, char* out) {
    char name[TEXT_CAPACITY];
    TextCopy(out, UNINSTALL_NAME "\\", TEXT_CAPACITY);
    bool fits = NumberedName(installation.themeName, "", index, name, sizeof name) && TextAppend(out, name, TEXT_CAPACITY);
    return fits && TextLength(CURRENT_VERSION_KEY) + 1 + TextLength(out) <= ENTRY_PATH_LIMIT;
}

static bool FailRegistration(SysWindow owner) {
    Warn(owner, "Error registering for Uninstall!");
    return false;
}

// Sets the entry's two values (and, for a new entry, its seal); false when one does
// not take or the command would not fit (cut, it would name another file).
static bool WriteEntryValues(SysKey key, const Installation& installation, bool withSeal) {
    const InstalledCopy& copy = installation.copy;
    char text[TEXT_CAPACITY];
    TextCopy(text, installation.themeName, sizeof text);
    TextAppend(text, " Theme", sizeof text);
    bool ok = SysRegSetString(key, "DisplayName", text) == SYS_ERROR_SUCCESS;
    ok = ok && ComposeUninstallString(installation, text) &&
         SysRegSetString(key, "UninstallString", text) == SYS_ERROR_SUCCESS;
    if (copy.installerMark[0]) ok = ok && SysRegSetString(key, INSTALLER_MARK_NAME, copy.installerMark) == SYS_ERROR_SUCCESS;
    else SysRegDeleteValue(key, INSTALLER_MARK_NAME);
    return ok && (!withSeal || SysRegSetString(key, ENTRY_SEAL_NAME, copy.seal) == SYS_ERROR_SUCCESS);
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

// A new entry under the first name that no key holds: a key of that name is another
// program's, or another installation's. True when it was made; copy.entry names it.
static bool MakeNewEntry(SysKey parent, Installation& installation) {
    char name[TEXT_CAPACITY];
    for (int index = 1; index <= NUMBERED_NAMES; ++index) {
        if (!EntryName(installation, index, name)) return false;
        SysKey key = 0;
        if (SysRegOpenSubkey(parent, name, &key) == SYS_ERROR_SUCCESS) {
            SysRegCloseKey(key);
            continue;
        }
        uint32_t disposition = 0;
        if (SysRegCreateKey(parent, name, &key, &disposition) != SYS_ERROR_SUCCESS) return false;
        bool made = disposition == SYS_REG_CREATED_NEW_KEY;
        bool ok = made && WriteEntryValues(key, installation, true);
        SysRegCloseKey(key);
        if (made && !ok) SysRegDeleteKey(parent, name);
        if (!made) return false;
        if (ok) return TextCopy(installation.copy.entry, name, TEXT_CAPACITY);
    }
    return false;
}

// An earlier installation's entry: its values are brought up to date, its seal stays
// (the record holds it).
static bool UpdateEntry(SysKey parent, const Installation& installation) {
    SysKey key = 0;
    uint32_t disposition = 0;
    if (SysRegCreateKey(parent, installation.copy.entry, &key, &disposition) != SYS_ERROR_SUCCESS) return false;
    bool ok = disposition == SYS_REG_OPENED_EXISTING_KEY && WriteEntryValues(key, installation, false);
    SysRegCloseKey(key);
    return ok;
}

bool RegisterUninstall(SysWindow owner, JobMode mode, Installation& installation) {
    const InstalledCopy& copy = installation.copy;
    SysKey parent = 0;
    if (mode != Install) {
        bool removed = copy.entry[0] && OpenParent(&parent);
        if (removed) {
            removed = SysRegDeleteKey(parent, copy.entry) == SYS_ERROR_SUCCESS;
            SysRegCloseKey(parent);
        }
        if (!removed) Warn(owner, "Error removing from Registry!");
        return true;
    }
    if (!installation.themeName[0] || !OpenParent(&parent)) return FailRegistration(owner);
    bool ok = copy.entry[0] ? UpdateEntry(parent, installation) : MakeNewEntry(parent, installation);
    SysRegCloseKey(parent);
    return ok || FailRegistration(owner);
}
