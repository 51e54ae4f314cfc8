// The registry keys the installer reads and writes, and reading one string value.
#include "installer.h"
#include "installer_text.h"

#define CURRENT_VERSION "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
#define VERB "ThemeFile\\Shell\\Install"

const char THEMES_APP_KEY[] = CURRENT_VERSION "\\App Paths\\THEMES.EXE";
const char SHELL_FOLDERS_PATH[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char CURRENT_VERSION_KEY[] = CURRENT_VERSION;
const char UNINSTALL_ENTRIES_KEY[] = CURRENT_VERSION "\\" UNINSTALL_NAME;
const char FONT_LIST_KEY[] = CURRENT_VERSION "\\Fonts";
const char VERB_KEY[] = VERB;
const char VERB_COMMAND_KEY[] = VERB "\\" VERB_COMMAND_NAME;

bool ReadRegistryString(SysRoot root, const char* subkey, const char* valueName, char* out) {
    SysKey key = 0;
    if (SysRegOpenKey(root, subkey, &key) != SYS_ERROR_SUCCESS) return false;
    // The value may be stored without its zero: read into room for one more byte and
    // take it only when it fits the 260-byte buffer whole.
    char value[PATH_CAPACITY + 1];
    uint32_t size = PATH_CAPACITY;
    if (SysRegQueryValue(key, valueName, value, &size) == SYS_ERROR_SUCCESS && size <= PATH_CAPACITY) {
        value[size] = 0;
        // The whole value is taken or none of it: a cut path names another folder.
        if (TextLength(value) < PATH_CAPACITY) TextCopy(out, value, PATH_CAPACITY);
    }
    uint32_t n = TextLength(out);
    while (n > 0 && out[n - 1] == ';') out[--n] = 0;
    SysRegCloseKey(key);
    return true;
}
