// The special start-up and shut-down screens: their question, fixed destinations,
// ".old" backups and restore.
#include "installer.h"
#include "installer_text.h"

bool IsScreenKind(int kind) { return kind >= StartupScreenEntry && kind <= ShutdownSafeScreenEntry; }

static const char* ScreenTitle(int kind) {
    switch (kind) {
    case StartupScreenEntry: return "Startup";
    case ShutdownWaitScreenEntry: return "Shutdown 'Wait'";
    default: return "Shutdown 'Safe'";
    }
}

bool AskScreenQuestion(SysWindow owner, int kind) {
    char text[TEXT_CAPACITY];
    TextCopy(text, "This Theme replaces your ", sizeof text);
    TextAppend(text, ScreenTitle(kind), sizeof text);
    TextAppend(text, " Screen.\nDo you want it to do this?", sizeof text);
    return SysMessageBox(owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) == SYS_IDOK;
}

void GetScreenDestination(const Installation& installation, int kind, char* out) {
    // The start-up screen is read from the root of drive C whatever drive Windows is on.
    if (kind == StartupScreenEntry) {
        TextCopy(out, "c:\\Logo.sys", TEXT_CAPACITY);
        return;
    }
    TextCopy(out, installation.windowsDir, TEXT_CAPACITY);
    AppendPathPart(out, kind == ShutdownWaitScreenEntry ? "LogoW.sys" : "LogoS.sys", TEXT_CAPACITY);
}

void MakeInstallBackupName(const char* path, char* out) {
    TextCopy(out, path, TEXT_CAPACITY);
    char* sys = (char*)FindTextNoCase(out, ".sys");
    if (sys) *sys = 0;
    TextAppend(out, ".old", TEXT_CAPACITY);
}

bool RestoreScreenBackup(const char* path, const char* backup) {
    // Only the name this installer gives a backup: a record lists nothing else.
    char expected[TEXT_CAPACITY];
    MakeInstallBackupName(path, expected);
    if (!TextEqualNoCase(expected, backup)) return true;
    return SysMoveFile(backup, path) || SysGetFileAttributes(backup) == SYS_INVALID_FILE_ATTRIBUTES;
}

bool IsScreenPath(const Installation& installation, const char* path) {
    char screen[TEXT_CAPACITY];
    for (int kind = StartupScreenEntry; kind <= ShutdownSafeScreenEntry; ++kind) {
        GetScreenDestination(installation, kind, screen);
        if (TextEqualNoCase(path, screen)) return true;
    }
    return false;
}
