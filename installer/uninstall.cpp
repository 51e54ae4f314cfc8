// The handler of "/u": prepares the shared state from the installed copy's path,
// runs the uninstall job and tells the user how it went.
#include "installer.h"
#include "installer_text.h"

static void Tell(const char* text, uint32_t style) { SysMessageBox(0, text, CAPTION, style); }

void UninstallTheme(SysWindow owner, const char* path) {
    char directory[TEXT_CAPACITY];
    bool fits = TextCopy(directory, path, sizeof directory);
    char* base = FindBaseName(directory);
    fits = fits && TextLength(base) < PATH_CAPACITY && (uint32_t)(base - directory) < PATH_CAPACITY;
    if (fits) {
        TextCopy(themeFileName, base, PATH_CAPACITY);
        TextCopy(copyFileName, base, PATH_CAPACITY);
        TextCopy(themeName, base, PATH_CAPACITY);
        CutAtLastDot(themeName);
    }
    // A path this long cannot name an installed theme (cutting it would name another),
    // a name without a display name is no theme's, and a folder that cannot be entered
    // holds no copy here: the current directory is not that folder.
    *base = 0;
    if (!fits || !themeName[0] || (directory[0] && !SysSetCurrentDirectory(directory))) {
        Tell("Unable to open theme file!", SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }
    TextCopy(themesDir, directory, PATH_CAPACITY);
    SysGetWindowsDirectory(windowsDir, PATH_CAPACITY);
    ReadFontsFolder();

    char text[TEXT_CAPACITY];
    TextCopy(text, "This will uninstall the '", sizeof text);
    TextAppend(text, themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you want to continue?", sizeof text);
    if (SysMessageBox(owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK) return;

    InstalledCopy copy = {};
    JobOutcome outcome = RunThemeJob(owner, Uninstall, &copy);
    if (!outcome.ran) return;
    // A record that is not proven this installer's is never acted on: nothing was
    // removed, and an entry that names the copy stays. An uninstall that did not
    // finish keeps its entry, so that it can be run again.
    bool complete = !outcome.unproven && !outcome.incomplete;
    if (complete) {
        // The installer's copy that the entry names goes with the last theme it serves.
        char command[TEXT_CAPACITY], program[TEXT_CAPACITY], mark[TEXT_CAPACITY];
        program[0] = mark[0] = 0;
        if (ReadEntryString(copy.entry, "UninstallString", command, sizeof command)) CommandProgram(command, program);
        if (!ReadEntryString(copy.entry, INSTALLER_MARK_NAME, mark, sizeof mark)) mark[0] = 0;
        RegisterUninstall(owner, Uninstall, &copy);
        ReleaseInstallerCopy(program, mark);
    }
    if (!complete || outcome.leftOutside)
        Tell("Theme was not completely uninstalled.", SYS_MB_OK | SYS_MB_ICONWARNING);
    else
        Tell("Theme uninstalled successfully!", SYS_MB_OK);
}
