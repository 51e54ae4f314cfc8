// The handler of "/u": prepares the shared state from the installed copy's path,
// runs the uninstall job and tells the user how it went.
#include "installer.h"
#include "installer_text.h"

void UninstallTheme(SysWindow owner, const char* path) {
    char directory[TEXT_CAPACITY];
    bool fits = TextCopy(directory, path, sizeof directory);
    char* base = FindBaseName(directory);
    fits = fits && TextLength(base) < PATH_CAPACITY && (uint32_t)(base - directory) < PATH_CAPACITY;
    if (fits) {
        TextCopy(themeFileName, base, PATH_CAPACITY);
        TextCopy(themeName, base, PATH_CAPACITY);
        CutAtLastDot(themeName);
    }
    if (!fits || !themeName[0]) {
        // A path this long cannot name an installed theme (cutting it would name
        // another), and a name without a display name is no theme's.
        SysMessageBox(owner, "Unable to open theme file!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }
    *base = 0;
    TextCopy(themesDir, directory, PATH_CAPACITY);
    SysSetCurrentDirectory(themesDir);
    SysGetWindowsDirectory(windowsDir, PATH_CAPACITY);
    ReadFontsFolder();

    char text[TEXT_CAPACITY];
    TextCopy(text, "This will uninstall the '", sizeof text);
    TextAppend(text, themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you want to continue?", sizeof text);
    if (SysMessageBox(0, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK) return;

    JobOutcome outcome = RunThemeJob(0, Uninstall);
    if (!outcome.ran) return;
    // An uninstall that did not finish keeps its entry, so that it can be run again.
    if (!outcome.incomplete) RegisterUninstall(0, Uninstall);
    if (outcome.incomplete || outcome.leftOutside)
        SysMessageBox(0, "Theme was not completely uninstalled.", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    else
        SysMessageBox(0, "Theme uninstalled successfully!", CAPTION, SYS_MB_OK);
}
