// Start-up: checks the platform and Plus! Themes, finds the theme and dispatches to
// the install, uninstall or shell-verb job.
#include "installer.h"
#include "installer_text.h"

static const uint32_t WINDOWS_95_FAMILY = 1;

static int Warn(const char* text) {
    SysMessageBox(0, text, CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    return 0;
}

int RunInstaller(int argc, char** argv) {
    if (argc > 0) TextCopy(installerPath, argv[0], PATH_CAPACITY);

    uint32_t platform = 0;
    if (!SysGetVersion(&platform)) return 0;
    if (platform != WINDOWS_95_FAMILY) {
        SysMessageBox(0, "This program requires Windows 95.", CAPTION, SYS_MB_OK | SYS_MB_ICONERROR);
        return 0;
    }

    if (argc > 1 && TextEqual(argv[1], "/u")) {
        if (argc > 2) UninstallTheme(0, argv[2]);
        return 0;
    }

    SysGetWindowsDirectory(windowsDir, PATH_CAPACITY);
    if (!ReadThemesFolder()) return Warn("You do not seem to have Plus! Themes installed.");
    ReadFontsFolder();

    bool searchable = true;
    if (argc > 1) {
        // A path too long for the buffer cannot be searched for: cutting it would
        // look for another name.
        searchable = TextCopy(themeName, argv[1], PATH_CAPACITY);
        if (searchable) {
            char* base = FindBaseName(themeName);
            char name[PATH_CAPACITY];
            TextCopy(name, base, sizeof name);
            *base = 0;
            // A folder that cannot be entered holds no theme here; the current
            // directory is some other folder.
            if (themeName[0] && !SysSetCurrentDirectory(themeName)) searchable = false;
            TextCopy(themeName, name, PATH_CAPACITY);
        }
    } else {
        TextCopy(themeName, "*.the", PATH_CAPACITY);
    }

    SysFindData found;
    SysFind find = searchable && themeName[0] ? SysFindFirstFile(themeName, &found) : 0;
    if (find) {
        SysFindClose(find);
        found.name[PATH_CAPACITY - 1] = 0;
        TextCopy(themeFileName, found.name, PATH_CAPACITY);
        TextCopy(themeName, found.name, PATH_CAPACITY);
        CutAtLastDot(themeName);
    }
    // A file without a display name (".the") is no theme: its uninstall entry would
    // be the whole list of them.
    if (!find || !themeName[0]) {
        if (argc > 1) return Warn("No theme found!");
        SetupShellExtension(0);
        return 0;
    }

    char text[TEXT_CAPACITY];
    TextCopy(text, "This will install the '", sizeof text);
    TextAppend(text, themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you wish to continue?", sizeof text);
    if (SysMessageBox(0, text, CAPTION, SYS_MB_OKCANCEL) != SYS_IDOK) return 0;

    SysInitCommonControls();
    InstallTheme(0);
    return 1;
}
