// Start-up: checks the platform and Plus! Themes, finds the theme and dispatches to
// the install, uninstall or shell-verb job.
#include "installer.h"
#include "installer_text.h"

static const uint32_t WINDOWS_95_FAMILY = 1;

// Looks for the theme that the command line names (argv[1]), or the first "*.the" of
// the current directory; themeFileName and themeName are set when it is found.
static bool FindTheme(int argc, char** argv, Installation& installation) {
    char* themeName = installation.themeName;
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
    if (!find) return false;
    SysFindClose(find);
    found.name[PATH_CAPACITY - 1] = 0;
    TextCopy(installation.themeFileName, found.name, PATH_CAPACITY);
    TextCopy(themeName, found.name, PATH_CAPACITY);
    CutAtLastDot(themeName);
    // A file without a display name (".the") is no theme: its uninstall entry would
    // be the whole list of them.
    return themeName[0] != 0;
}

StartupStep PrepareInstallation(int argc, char** argv, Installation& installation) {
    ClearInstallation(installation);
    if (argc > 0) TextCopy(installation.installerPath, argv[0], PATH_CAPACITY);

    uint32_t platform = 0;
    if (!SysGetVersion(&platform)) return StartEnds;
    if (platform != WINDOWS_95_FAMILY) {
        SysMessageBox(0, "This program requires Windows 95.", CAPTION, SYS_MB_OK | SYS_MB_ICONERROR);
        return StartEnds;
    }
    if (argc > 1 && TextEqual(argv[1], "/u")) return argc > 2 ? StartUninstall : StartEnds;

    SysGetWindowsDirectory(installation.windowsDir, PATH_CAPACITY);
    if (!ReadThemesFolder(installation)) {
        Warn(0, "You do not seem to have Plus! Themes installed.");
        return StartEnds;
    }
    ReadFontsFolder(installation);
    if (FindTheme(argc, argv, installation)) return StartAsk;
    return argc > 1 ? StartNoTheme : StartShellExtension;
}

int RunInstaller(int argc, char** argv) {
    Installation installation;
    switch (PrepareInstallation(argc, argv, installation)) {
    case StartEnds: return 0;
    case StartUninstall: UninstallTheme(0, installation, argv[2]); return 0;
    case StartShellExtension: SetupShellExtension(0, installation); return 0;
    case StartNoTheme: Warn(0, "No theme found!"); return 0;
    case StartAsk: break;
    }
    char text[TEXT_CAPACITY];
    TextCopy(text, "This will install the '", sizeof text);
    TextAppend(text, installation.themeName, sizeof text);
    TextAppend(text, "' Theme.\nDo you wish to continue?", sizeof text);
    if (SysMessageBox(0, text, CAPTION, SYS_MB_OKCANCEL) != SYS_IDOK) return 0;

    SysInitCommonControls();
    InstallTheme(0, installation);
    return 1;
}
