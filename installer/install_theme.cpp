// A whole installation: the installed copy chosen and registered, the job, then either
// its rollback or the update of the uninstall entry, and the message that tells the
// user which.
#include "installer.h"
#include "installer_text.h"

// Candidates for the installed copy's name: themeFileName, then "<name> (2)<.ext>" to
// "(9)", so that a theme whose earlier copy cannot be proven this installer's (its
// entry was lost, or the file is someone else's) still installs beside it.
static const int COPY_NAMES = 9;

static bool CopyName(int index, char* out) {
    if (index == 1) return TextCopy(out, themeFileName, PATH_CAPACITY);
    char stem[PATH_CAPACITY];
    TextCopy(stem, themeFileName, sizeof stem);
    CutAtLastDot(stem);
    const char* extension = themeFileName + TextLength(stem);
    return TextCopy(out, stem, PATH_CAPACITY) && TextAppend(out, " (", PATH_CAPACITY) &&
           TextAppendNumber(out, (uint32_t)index, PATH_CAPACITY) && TextAppend(out, ")", PATH_CAPACITY) &&
           TextAppend(out, extension, PATH_CAPACITY);
}

// The path of candidate name in the Themes folder; false when Windows could not name it.
static bool CopyPath(const char* name, char* out) {
    TextCopy(out, themesDir, TEXT_CAPACITY);
    AppendPathPart(out, 0, TEXT_CAPACITY);
    return TextAppend(out, name, TEXT_CAPACITY) && TextLength(out) < PATH_CAPACITY;
}

// Whether the theme file is read from the Themes folder itself, as the file system
// resolves the two folders.
static bool ReadFromThemesFolder() {
    char work[TEXT_CAPACITY];
    uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, work);
    if (n == 0 || n >= TEXT_CAPACITY) return false;
    work[n] = 0;
    return SamePath(work, themesDir);
}

bool ChooseInstalledCopy(InstalledCopy* copy) {
    char name[PATH_CAPACITY], path[TEXT_CAPACITY];
    RecordProof proof;
    // An earlier installation's copy, proven: the reinstall goes on with its record.
    for (int index = 1; index <= COPY_NAMES; ++index) {
        if (!CopyName(index, name) || !CopyPath(name, path)) continue;
        uint32_t attributes = SysGetFileAttributes(path);
        if (attributes == SYS_INVALID_FILE_ATTRIBUTES || (attributes & SYS_FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!ProveRecord(path, &proof)) continue;
        copy->reused = true;
        copy->isThemeFile = index == 1 && ReadFromThemesFolder();
        TextCopy(copy->seal, proof.seal, SEAL_CAPACITY);
        TextCopy(copy->entry, proof.entry, TEXT_CAPACITY);
        TextCopy(copyFileName, name, PATH_CAPACITY);
        return true;
    }
    // Installed from the Themes folder itself, the theme file is the installed copy.
    if (CopyName(1, name) && CopyPath(name, path) && ReadFromThemesFolder()) {
        copy->isThemeFile = true;
        TextCopy(copyFileName, name, PATH_CAPACITY);
        return true;
    }
    // Otherwise a name that nothing holds.
    for (int index = 1; index <= COPY_NAMES; ++index) {
        if (!CopyName(index, name) || !CopyPath(name, path)) continue;
        if (SysGetFileAttributes(path) != SYS_INVALID_FILE_ATTRIBUTES) continue;
        uint32_t error = SysGetLastError();
        if (error != SYS_ERROR_FILE_NOT_FOUND && error != SYS_ERROR_PATH_NOT_FOUND) continue;
        TextCopy(copyFileName, name, PATH_CAPACITY);
        return true;
    }
    return false;
}

static void Failed(SysWindow owner) {
    SysMessageBox(owner, "Theme failed to install!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
}

void InstallTheme(SysWindow owner) {
    InstalledCopy copy = {};
    if (!ChooseInstalledCopy(&copy)) {
        char text[TEXT_CAPACITY];
        TextCopy(text, "Error 80 copying file '", sizeof text);
        TextAppend(text, themeFileName, sizeof text);
        TextAppend(text, "'", sizeof text);
        SysMessageBox(owner, text, CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        Failed(owner);
        return;
    }
    // The entry names the installer's copy in the Themes folder, which stays when the
    // folder the theme comes from goes.
    PlaceInstallerCopy(&copy);
    // A new installation is registered before its first copy, with the seal that its
    // record will hold: whatever happens next, even a power cut, "/u" can undo it.
    if (!copy.reused) {
        DrawSeal(copy.seal);
        if (!RegisterUninstall(owner, Install, &copy)) {
            if (copy.madeInstaller) ReleaseInstallerCopy(uninstallerPath, copy.installerMark);
            Failed(owner);
            return;
        }
    }
    JobOutcome outcome = RunThemeJob(owner, Install, &copy);
    if (!outcome.ran || outcome.aborted || outcome.noRecord) {
        if (outcome.ran && !outcome.noRecord) {
            // The rollback reads the record in the Themes directory, and undoes only
            // what this run added to it.
            SysSetCurrentDirectory(themesDir);
            RunThemeJob(owner, Rollback, &copy, &outcome);
        }
        if (!copy.reused) RemoveUninstallEntry(copy.entry);
        if (copy.madeInstaller) ReleaseInstallerCopy(uninstallerPath, copy.installerMark);
        if (outcome.ran) Failed(owner);
        return;
    }
    if (copy.reused && !RegisterUninstall(owner, Install, &copy)) return;
    SysMessageBox(owner, "Theme installed successfully!", CAPTION, SYS_MB_OK);
}
