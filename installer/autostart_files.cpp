// The files that Windows reads, loads or runs by itself, without the user choosing
// them: a theme never places one. Windows 95 starts from IO.SYS, which reads
// MSDOS.SYS, CONFIG.SYS (its device drivers, *.SYS) and AUTOEXEC.BAT; WIN.COM then
// loads the virtual device drivers (*.VXD, *.386) and drivers (*.DRV) that SYSTEM.INI
// and the registry (SYSTEM.DAT, USER.DAT) name, WININIT.EXE carries out WININIT.INI
// (which deletes and renames files), WINSTART.BAT runs, WIN.INI's "load=" and "run="
// lines and the StartUp folder start programs at logon, and the network reads
// PROTOCOL.INI. Programs load code (*.DLL, *.OCX, *.ACM, *.TSP, *.CPL) from their own
// folder (this installer's copy lives in the Themes folder) and from the Windows
// folder; the command interpreter and the shell run *.COM, *.EXE, *.BAT, *.CMD and
// *.PIF found on the path (the Windows folder is on it) before the ones the user
// meant; hardware detection reads *.INF files, and a folder's DESKTOP.INI is read
// whenever the folder is shown.
#include "job.h"
#include "installer_text.h"

enum : uint8_t { NAMED, ENDING, FOLDER };
struct ActedOn {
    uint8_t match;     // the file's whole name, its ending, or the name of a folder on its path
    const char* text;
};
static const ActedOn ACTED_ON[] = {
    {NAMED, "WININIT.INI"}, {NAMED, "WIN.INI"}, {NAMED, "SYSTEM.INI"}, {NAMED, "PROTOCOL.INI"},
    {NAMED, "WINBOOT.INI"}, {NAMED, "MSDOS.SYS"}, {NAMED, "SYSTEM.DAT"}, {NAMED, "USER.DAT"},
    {NAMED, "DESKTOP.INI"},
    {ENDING, ".SYS"}, {ENDING, ".BAT"}, {ENDING, ".COM"}, {ENDING, ".EXE"}, {ENDING, ".CMD"}, {ENDING, ".PIF"},
    {ENDING, ".DLL"}, {ENDING, ".DRV"}, {ENDING, ".VXD"}, {ENDING, ".386"}, {ENDING, ".OCX"}, {ENDING, ".ACM"},
    {ENDING, ".TSP"}, {ENDING, ".CPL"}, {ENDING, ".PDR"}, {ENDING, ".MPD"}, {ENDING, ".INF"},
    {FOLDER, "StartUp"},
};

// The user's StartUp folders, as the shell names them: their own names (the folder may
// be called otherwise in another language) and short names.
static const struct {
    SysRoot root;
    const char* value;
} STARTUP_FOLDERS[] = {
    {SYS_HKEY_CURRENT_USER, "Startup"},
    {SYS_HKEY_LOCAL_MACHINE, "Common Startup"},
};

void ReadStartupFolders(StartupFolders& folders) {
    folders.count = 0;
    for (const auto& folder : STARTUP_FOLDERS) {
        char path[PATH_CAPACITY];
        path[0] = 0;
        ReadRegistryString(folder.root, SHELL_FOLDERS_PATH, folder.value, path);
        if (!path[0]) continue;
        TextCopy(folders.names[folders.count++], FindBaseName(path), PATH_CAPACITY);
        char shortPath[TEXT_CAPACITY];
        uint32_t n = SysGetShortPathName(path, shortPath, sizeof shortPath);
        if (n > 0 && n < PATH_CAPACITY) TextCopy(folders.names[folders.count++], FindBaseName(shortPath), PATH_CAPACITY);
    }
}

// True when a folder on path (a component before its name) is named name.
static bool OnFolderNamed(const char* path, const char* name) {
    uint32_t n = TextLength(name);
    for (const char* at = path; *at; ++at)
        if ((at == path || at[-1] == '\\') && TextStartsWithNoCase(at, name) && at[n] == '\\') return true;
    return false;
}

bool IsActedOnByWindows(const char* path, const StartupFolders& startup) {
    const char* name = FindBaseName(path);
    uint32_t length = TextLength(name);
    for (const ActedOn& rule : ACTED_ON) {
        uint32_t n = TextLength(rule.text);
        bool hit = rule.match == NAMED    ? TextEqualNoCase(name, rule.text)
                   : rule.match == ENDING ? length > n && TextEqualNoCase(name + length - n, rule.text)
                                          : OnFolderNamed(path, rule.text);
        if (hit) return true;
    }
    for (uint32_t i = 0; i < startup.count; ++i)
        if (startup.names[i][0] && OnFolderNamed(path, startup.names[i])) return true;
    return false;
}
