// A whole installation: the installed copy chosen and registered, the job, then either
// its rollback or the update of the uninstall entry, and the message that tells the
// user which.
#include "job.h"
#include "installer_text.h"

// Candidate index for the installed copy's name: themeFileName, then "<name> (2)<.ext>"
// to "(9)", so that a theme whose earlier copy cannot be proven this installer's (its
// entry was lost, or the file is someone else's) still installs beside it.
static bool CopyName(const Installation& installation, int index, char* out) {
    char stem[PATH_CAPACITY];
    TextCopy(stem, installation.themeFileName, sizeof stem);
    CutAtLastDot(stem);
    const char* extension = installation.themeFileName + TextLength(stem);
    return NumberedName(stem, extension, index, out, PATH_CAPACITY);
}

// The path of candidate name in the Themes folder; false when Windows could not name it.
static bool CopyPath(const Installation& installation, const char* name, char* out) {
    TextCopy(out, installation.themesDir, TEXT_CAPACITY);
    AppendPathPart(out, 0, TEXT_CAPACITY);
    return TextAppend(out, name, TEXT_CAPACITY) && TextLength(out) < PATH_CAPACITY;
}

// Whether the theme file is read from the Themes folder itself, as the file system
// resolves the two folders.
static bool ReadFromThemesFolder(const Installation& installation) {
    char work[TEXT_CAPACITY];
    uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, work);
    if (n == 0 || n >= TEXT_CAPACITY) return false;
    work[n] = 0;
    return SamePath(work, installation.themesDir);
}

bool ChooseInstalledCopy(Installation& installation) {
    InstalledCopy& copy = installation.copy;
    char name[PATH_CAPACITY], path[TEXT_CAPACITY];
    RecordProof proof;
    // An earlier installation's copy, proven: the reinstall goes on with its record.
    for (int index = 1; index <= NUMBERED_NAMES; ++index) {
        if (!CopyName(installation, index, name) || !CopyPath(installation, name, path)) continue;
        uint32_t attributes = SysGetFileAttributes(path);
        if (attributes == SYS_INVALID_FILE_ATTRIBUTES || (attributes & SYS_FILE_ATTRIBUTE_DIRECTORY)) continue;
        // Only this theme's own copy: another theme of the same name installs beside it.
        if (!ProveRecord(path, &proof) || !SameThemeLines(installation.themeFileName, path)) continue;
        copy.reused = true;
        copy.isThemeFile = index == 1 && ReadFromThemesFolder(installation);
        TextCopy(copy.seal, proof.seal, SEAL_CAPACITY);
        TextCopy(copy.entry, proof.entry, TEXT_CAPACITY);
        TextCopy(installation.copyFileName, name, PATH_CAPACITY);
        return true;
    }
    // Otherwise a name that nothing holds. A theme file that the user keeps in the Themes
    // folder, installed from there, is theirs: the installation makes a copy of its own
    // beside it, and never writes into it, so that it stays exactly as it was.
    for (int index = 1; index <= NUMBERED_NAMES; ++index) {
        if (!CopyName(installation, index, name) || !CopyPath(installation, name, path)) continue;
        if (SysGetFileAttributes(path) != SYS_INVALID_FILE_ATTRIBUTES) continue;
        uint32_t error = SysGetLastError();
        if (error != SYS_ERROR_FILE_NOT_FOUND && error != SYS_ERROR_PATH_NOT_FOUND) continue;
        TextCopy(installation.copyFileName, name, PATH_CAPACITY);
        return true;
    }
    return false;
}

static void Failed(SysWindow owner) { Warn(owner, "Theme failed to install!"); }

// Undoes what an installation did before and after its job, when it did not finish:
// the run's keys and copies (its rollback), the entry it made, the installer's copy.
static void Abandon(SysWindow owner, Installation& installation, RecordFile& record, const JobOutcome& outcome) {
    const InstalledCopy& copy = installation.copy;
    if (outcome.ran && !outcome.noRecord) {
        // The rollback reads the record in the Themes directory, and undoes only what
        // this run added to it.
        SysSetCurrentDirectory(installation.themesDir);
        RunThemeJob(owner, Rollback, installation, &record);
    }
    if (!copy.reused) RemoveUninstallEntry(copy.entry);
    if (copy.madeInstaller) ReleaseInstallerCopy(installation, installation.uninstallerPath, copy.installerMark);
    if (outcome.ran) Failed(owner);
}

void InstallTheme(SysWindow owner, Installation& installation) {
    InstalledCopy& copy = installation.copy;
    if (!ChooseInstalledCopy(installation)) {
        // Every name the copy could take is someone else's.
        char text[TEXT_CAPACITY];
        ComposeCopyError(text, SYS_ERROR_FILE_EXISTS, installation.themeFileName, "'");
        Warn(owner, text);
        Failed(owner);
        return;
    }
    // The entry names the installer's copy in the Themes folder, which stays when the
    // folder the theme comes from goes.
    PlaceInstallerCopy(installation);
    // A new installation is registered before its first copy, with the seal that its
    // record will hold: whatever happens next, even a power cut, "/u" can undo it.
    if (!copy.reused) {
        DrawSeal(copy.seal);
        if (!RegisterUninstall(owner, Install, installation)) {
            if (copy.madeInstaller) ReleaseInstallerCopy(installation, installation.uninstallerPath, copy.installerMark);
            Failed(owner);
            return;
        }
    }
    RecordFile record = {};
    JobOutcome outcome = RunThemeJob(owner, Install, installation, &record);
    if (!outcome.ran || outcome.aborted || outcome.noRecord) {
        Abandon(owner, installation, record, outcome);
    } else if (!copy.reused || RegisterUninstall(owner, Install, installation)) {
        SysMessageBox(owner, "Theme installed successfully!", CAPTION, SYS_MB_OK);
    }
    CloseRecordFile(record);
}
