// The uninstall entry in the system's list of removable software, and the command that
// starts the installer. The installer writes, replaces and removes only entries of its
// own: a key whose command names the installed copy of this theme. A key of the same
// name that belongs to another program is left exactly as it is.
#include "installer.h"
#include "installer_text.h"

// The names tried for one display name, under "Uninstall": the name itself, then
// "name (2)" to "name (9)", so that a theme named like another program still gets an
// entry of its own.
static const int UNINSTALL_NAMES = 9;

void GetInstallerCommand(char* out) {
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_COMMAND_KEY, &key) == SYS_ERROR_SUCCESS) {
        // The value may lack its zero: keep one byte free to add it.
        uint32_t size = TEXT_CAPACITY - 1;
        int32_t result = SysRegQueryValue(key, 0, out, &size);
        SysRegCloseKey(key);
        if (result == SYS_ERROR_SUCCESS && size < TEXT_CAPACITY) {
            out[size] = 0;
            char* cut = 0;
            for (char* p = out; *p && !cut; ++p)
                if (TextStartsWith(p, " \"%1")) cut = p;
            if (cut) *cut = 0;
            return;
        }
    }
    TextCopy(out, installerPath, TEXT_CAPACITY);
}

bool ComposeUninstallString(char* out) {
    GetInstallerCommand(out);
    return TextAppend(out, " /u \"", TEXT_CAPACITY) && TextAppend(out, themesDir, TEXT_CAPACITY) &&
           TextAppend(out, themeFileName, TEXT_CAPACITY) && TextAppend(out, "\"", TEXT_CAPACITY);
}

// The installed copy: themesDir and themeFileName; the current directory stands in
// for an empty themesDir, as it does for the job.
static bool InstalledCopyPath(char* out) {
    if (themesDir[0]) {
        TextCopy(out, themesDir, TEXT_CAPACITY);
    } else {
        uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, out);
        if (n == 0 || n >= TEXT_CAPACITY) return false;
        out[n] = 0;
    }
    AppendPathPart(out, 0, TEXT_CAPACITY);
    return TextAppend(out, themeFileName, TEXT_CAPACITY);
}

// The name of candidate index (1 to UNINSTALL_NAMES) below CURRENT_VERSION_KEY.
static bool EntryName(int index, char* out) {
    TextCopy(out, "Uninstall\\", TEXT_CAPACITY);
    bool fits = TextAppend(out, themeName, TEXT_CAPACITY);
    if (index > 1)
        fits = fits && TextAppend(out, " (", TEXT_CAPACITY) && TextAppendNumber(out, (uint32_t)index, TEXT_CAPACITY) &&
               TextAppend(out, ")", TEXT_CAPACITY);
    return fits;
}

static bool EntryPath(const char* name, char* out) {
    TextCopy(out, CURRENT_VERSION_KEY, TEXT_CAPACITY);
    return TextAppend(out, "\\", TEXT_CAPACITY) && TextAppend(out, name, TEXT_CAPACITY);
}

// True when the key's command ends in " /u " and the quoted path of copy: the entry
// that an installation of this copy wrote.
static bool CommandNamesCopy(SysKey key, const char* copy) {
    char command[TEXT_CAPACITY + 1];
    uint32_t size = TEXT_CAPACITY;
    if (SysRegQueryValue(key, "UninstallString", command, &size) != SYS_ERROR_SUCCESS || size > TEXT_CAPACITY)
        return false;
    command[size] = 0;
    uint32_t n = TextLength(command);
    if (n == 0 || command[n - 1] != '"') return false;
    command[n - 1] = 0;
    const char* path = 0;
    for (const char* p = command; *p; ++p)
        if (TextStartsWith(p, " /u \"")) path = p + 5;
    return path && SameFile(path, copy);
}

// Looks through the names of the current display name for the entry of copy: true,
// with its name in out, when one is there. Otherwise out gets the first name that no
// key holds, or is left empty when every name is taken.
static bool FindOwnEntry(const char* copy, char* out) {
    out[0] = 0;
    if (!themeName[0]) return false;
    for (int index = 1; index <= UNINSTALL_NAMES; ++index) {
        char name[TEXT_CAPACITY], path[TEXT_CAPACITY];
        SysKey key = 0;
        if (!EntryName(index, name) || !EntryPath(name, path)) break;
        if (SysRegOpenKey(SYS_HKEY_LOCAL_MACHINE, path, &key) != SYS_ERROR_SUCCESS) {
            if (!out[0]) TextCopy(out, name, TEXT_CAPACITY);
            continue;
        }
        bool own = CommandNamesCopy(key, copy);
        SysRegCloseKey(key);
        if (own) {
            TextCopy(out, name, TEXT_CAPACITY);
            return true;
        }
    }
    return false;
}

bool IsRegisteredCopy(const char* path) {
    char name[TEXT_CAPACITY];
    return FindOwnEntry(path, name) != 0;
}

static bool FailRegistration(SysWindow owner) {
    SysMessageBox(owner, "Error registering for Uninstall!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    return false;
}

// Removes the entry of the installed copy, or says that it could not.
static void RemoveOwnEntry(SysWindow owner) {
    char copy[TEXT_CAPACITY], name[TEXT_CAPACITY], path[TEXT_CAPACITY];
    bool removed = InstalledCopyPath(copy) && FindOwnEntry(copy, name) && EntryPath(name, path) &&
                   SysRegDeleteRootKey(SYS_HKEY_LOCAL_MACHINE, path) == SYS_ERROR_SUCCESS;
    if (!removed) SysMessageBox(owner, "Error removing from Registry!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
}

bool RegisterUninstall(SysWindow owner, JobMode mode) {
    if (mode != Install) {
        RemoveOwnEntry(owner);
        return true;
    }
    char copy[TEXT_CAPACITY], subkey[TEXT_CAPACITY];
    if (!themeName[0] || !InstalledCopyPath(copy)) return FailRegistration(owner);
    // The entry of an earlier installation of this copy is replaced; otherwise the
    // theme takes the first name that no key holds.
    FindOwnEntry(copy, subkey);
    if (!subkey[0]) return FailRegistration(owner);

    SysKey parent = 0;
    if (SysRegOpenKeyReadWrite(SYS_HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, &parent) != SYS_ERROR_SUCCESS)
        return FailRegistration(owner);
    char text[TEXT_CAPACITY];
    for (int attempt = 0; attempt < 2; ++attempt) {
        SysKey key = 0;
        uint32_t disposition = 0;
        if (SysRegCreateKey(parent, subkey, &key, &disposition) != SYS_ERROR_SUCCESS) {
            SysRegCloseKey(parent);
            return FailRegistration(owner);
        }
        if (disposition == SYS_REG_OPENED_EXISTING_KEY) {
            // Drop an earlier registration's values and start again with a new key;
            // a key that is not this installation's own is never touched.
            bool own = CommandNamesCopy(key, copy);
            SysRegCloseKey(key);
            if (!own) {
                SysRegCloseKey(parent);
                return FailRegistration(owner);
            }
            SysRegDeleteKey(parent, subkey);
            continue;
        }
        TextCopy(text, themeName, sizeof text);
        TextAppend(text, " Theme", sizeof text);
        SysRegSetString(key, "DisplayName", text);
        // A command that does not fit would be cut into one that names another file.
        bool fits = ComposeUninstallString(text);
        if (fits) SysRegSetString(key, "UninstallString", text);
        SysRegCloseKey(key);
        if (!fits) {
            SysRegDeleteKey(parent, subkey);
            SysRegCloseKey(parent);
            return FailRegistration(owner);
        }
        break;
    }
    SysRegCloseKey(parent);
    return true;
}
