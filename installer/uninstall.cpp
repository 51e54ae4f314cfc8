// The uninstall entry in the system's list of removable software, the command that
// starts the installer, and the handler of "/u".
#include "installer.h"
#include "text.h"

static const char CURRENT_VERSION_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
static const char UNINSTALL_KEY[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
static const char VERB_COMMAND_KEY[] = "ThemeFile\\Shell\\Install\\command";
static const char FONTS_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

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

static void UninstallKeyName(char* out, const char* prefix) {
    TextCopy(out, prefix, TEXT_CAPACITY);
    TextAppend(out, themeName, TEXT_CAPACITY);
}

static bool FailRegistration(SysWindow owner) {
    SysMessageBox(owner, "Error registering for Uninstall!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    return false;
}

bool RegisterUninstall(SysWindow owner, JobMode mode) {
    char text[TEXT_CAPACITY];
    if (mode != Install) {
        UninstallKeyName(text, UNINSTALL_KEY);
        if (SysRegDeleteRootKey(SYS_HKEY_LOCAL_MACHINE, text) != SYS_ERROR_SUCCESS)
            SysMessageBox(owner, "Error removing from Registry!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return true;
    }

    SysKey parent = 0;
    if (SysRegOpenKeyReadWrite(SYS_HKEY_LOCAL_MACHINE, CURRENT_VERSION_KEY, &parent) != SYS_ERROR_SUCCESS)
        return FailRegistration(owner);
    char subkey[TEXT_CAPACITY];
    UninstallKeyName(subkey, "Uninstall\\");
    for (int attempt = 0; attempt < 2; ++attempt) {
        SysKey key = 0;
        uint32_t disposition = 0;
        if (SysRegCreateKey(parent, subkey, &key, &disposition) != SYS_ERROR_SUCCESS) {
            SysRegCloseKey(parent);
            return FailRegistration(owner);
        }
        if (disposition == SYS_REG_OPENED_EXISTING_KEY) {
            // Drop an earlier registration's values and start again with a new key.
            SysRegCloseKey(key);
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

void UninstallTheme(SysWindow owner, const char* path) {
    char directory[TEXT_CAPACITY];
    bool fits = TextCopy(directory, path, sizeof directory);
    char* base = FindBaseName(directory);
    fits = fits && TextLength(base) < PATH_CAPACITY && (uint32_t)(base - directory) < PATH_CAPACITY;
    if (!fits) {
        // A path this long cannot name an installed theme; cutting it would name another.
        SysMessageBox(owner, "Unable to open theme file!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }
    TextCopy(themeName, base, PATH_CAPACITY);
    *base = 0;
    TextCopy(themesDir, directory, PATH_CAPACITY);
    SysSetCurrentDirectory(themesDir);
    SysGetWindowsDirectory(windowsDir, PATH_CAPACITY);
    ReadRegistryString(SYS_HKEY_CURRENT_USER, FONTS_KEY, "Fonts", fontsDir);
    TextCopy(themeFileName, themeName, PATH_CAPACITY);
    CutAtLastDot(themeName);

    char text[TEXT_CAPACITY];
    TextCopy(text, "This will uninstall the '", sizeof text);
    TextAppend(text, themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you want to continue?", sizeof text);
    if (SysMessageBox(0, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) == SYS_IDOK)
        RunThemeJob(0, Uninstall);
}
