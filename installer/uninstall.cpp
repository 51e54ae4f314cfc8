// The handler of "/u": prepares the installation from the installed copy's path, runs
// the uninstall job and tells the user how it went.
#include "job.h"
#include "installer_text.h"

static void Tell(const char* text, uint32_t style) { SysMessageBox(0, text, CAPTION, style); }

// True for a name that a file search would take as a pattern.
static bool HasWildcard(const char* name) {
    for (; *name; ++name)
        if (*name == '*' || *name == '?') return true;
    return false;
}

// The installation that the path of an installed copy names; false when it names none.
// The path is taken as the file system resolves it ("/", "." and ".." folded), and the
// copy's name as a search of its folder gives it back (its long name, in its own case),
// so that every spelling of one copy names one installation.
static bool InstallationOfCopy(Installation& installation, const char* path) {
    char directory[TEXT_CAPACITY];
    uint32_t n = *path ? SysGetFullPathName(path, TEXT_CAPACITY, directory) : 0;
    char* base = FindBaseName(directory);
    // A path this long cannot name an installed theme (cutting it would name another),
    // and a folder that cannot be entered holds no copy here: the current directory is
    // not that folder.
    bool fits = n > 0 && n < TEXT_CAPACITY && TextLength(base) < PATH_CAPACITY &&
                (uint32_t)(base - directory) < PATH_CAPACITY && !HasWildcard(base);
    if (!fits) return false;
    TextCopy(installation.themeFileName, base, PATH_CAPACITY);
    *base = 0;
    if (directory[0] && !SysSetCurrentDirectory(directory)) return false;
    SysFindData found;
    SysFind find = SysFindFirstFile(installation.themeFileName, &found);
    if (find) {
        SysFindClose(find);
        found.name[PATH_CAPACITY - 1] = 0;
        TextCopy(installation.themeFileName, found.name, PATH_CAPACITY);
    }
    TextCopy(installation.copyFileName, installation.themeFileName, PATH_CAPACITY);
    TextCopy(installation.themeName, installation.themeFileName, PATH_CAPACITY);
    CutAtLastDot(installation.themeName);
    // A name without a display name is no theme's.
    if (!installation.themeName[0]) return false;
    TextCopy(installation.themesDir, directory, PATH_CAPACITY);
    SysGetWindowsDirectory(installation.windowsDir, PATH_CAPACITY);
    ReadFontsFolder(installation);
    return true;
}

// After an uninstall that finished: the entry goes, and with it the installer's copy
// that it named, when it serves no other theme.
static void Unregister(SysWindow owner, Installation& installation) {
    const char* entry = installation.copy.entry;
    char command[TEXT_CAPACITY], program[TEXT_CAPACITY], mark[TEXT_CAPACITY];
    program[0] = mark[0] = 0;
    if (ReadEntryString(entry, "UninstallString", command, sizeof command)) CommandProgram(command, program);
    if (!ReadEntryString(entry, INSTALLER_MARK_NAME, mark, sizeof mark)) mark[0] = 0;
    RegisterUninstall(owner, Uninstall, installation);
    ReleaseInstallerCopy(installation, program, mark);
}

void UninstallTheme(SysWindow owner, Installation& installation, const char* path) {
    if (!InstallationOfCopy(installation, path)) {
        Tell("Unable to open theme file!", SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }
    char text[TEXT_CAPACITY];
    TextCopy(text, "This will uninstall the '", sizeof text);
    TextAppend(text, installation.themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you want to continue?", sizeof text);
    if (SysMessageBox(owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK) return;

    JobOutcome outcome = RunThemeJob(owner, Uninstall, installation, 0);
    if (!outcome.ran) return;
    // A record that is not proven this installer's is never acted on: nothing was
    // removed, and an entry that names the copy stays. An uninstall that did not
    // finish keeps its entry, so that it can be run again.
    bool complete = !outcome.unproven && !outcome.incomplete;
    if (complete) Unregister(owner, installation);
    if (!complete)
        Tell("Theme was not completely uninstalled.", SYS_MB_OK | SYS_MB_ICONWARNING);
    else
        Tell("Theme uninstalled successfully!", SYS_MB_OK);
}
