// The job engine: installs a theme, uninstalls an installed one, or rolls back an
// installation that the user abandoned after an error.
#include "installer.h"
#include "text.h"

static const char RECORD_SECTION[] = "Decorama";

// Working block: four 520-byte texts, then (uninstall and rollback) the section.
enum : uint32_t {
    INSTALL_BLOCK_SIZE = 2600,
    RECORD_BLOCK_SIZE = 2600 + 32768,
    SOURCE_OFFSET = 0,
    DESTINATION_OFFSET = 520,
    LINE_OFFSET = 1040,
    RECORD_OFFSET = 1560,
    SECTION_OFFSET = 2600,
};

// Set by an installation just before its rollback: true when the installation
// found the installed copy of the theme file already in place (a reinstall, or a
// theme started from the Themes directory itself). The rollback then leaves that
// file, which the abandoned installation did not create; a copy that it made, or
// that its record writes created, goes.
static bool rollbackKeepsThemeFile = false;

struct Job {
    SysWindow owner;
    JobMode mode;
    char* source;       // the source name (a file in the current directory)
    char* destination;  // where the entry goes, or the recorded path
    char* line;         // the current line; also composes messages
    char* record;       // the record file: the installed copy of the theme file
    char* section;      // the record section as read back
    SectionCursor cursorStore;
    SectionCursor* cursor;
    char entryKind;
    uint32_t position;
    uint32_t directoryCounter;
    uint32_t countedTotal;
    bool counting;
    bool special;
    bool warnOnce;
    bool aborted;
    bool themeFileInPlace;  // the installed copy of the theme file was there before
    SysWindow progress;
};

// Shows an error question; Cancel (or a box that could not be shown) aborts the job.
static void AskToContinue(Job& job, const char* text) {
    if (SysMessageBox(job.owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK)
        job.aborted = true;
}

// Composes head + name + tail into the line buffer. The name is shortened when the
// whole would not fit; the head and tail are always kept whole.
static void ComposeNameMessage(char* out, const char* head, const char* name, const char* tail) {
    uint32_t room = TEXT_CAPACITY - 1 - TextLength(head) - TextLength(tail);
    TextCopy(out, head, TEXT_CAPACITY);
    uint32_t n = TextLength(out);
    TextCopyCount(out + n, name, room, TEXT_CAPACITY - n);
    TextAppend(out, tail, TEXT_CAPACITY);
}

// Writes prefix + *number = value into the record. Over an earlier installation's
// record (a reinstall), a key that already names another path is kept and the next
// free number is taken instead: replacing it would drop that path from the record,
// and the uninstall would leave it behind.
static void WriteRecordKey(Job& job, const char* prefix, uint32_t* number, const char* value) {
    char key[16];
    for (;;) {
        TextCopy(key, prefix, sizeof key);
        TextAppendNumber(key, *number, sizeof key);
        if (!job.themeFileInPlace) break;
        char existing[TEXT_CAPACITY];
        SysGetProfileString(RECORD_SECTION, key, "", existing, TEXT_CAPACITY, job.record);
        if (existing[0] == 0 || TextEqualNoCase(existing, value)) break;
        ++*number;
    }
    SysWriteProfileString(RECORD_SECTION, key, value, job.record);
}

// The folder a theme line's kind points into.
static const char* KindDirectory(int kind) {
    switch (kind) {
    case ThemesEntry: return themesDir;
    case WindowsEntry: return windowsDir;
    default: return fontsDir;
    }
}

// True when a recorded path may be removed: it lies in one of this job's folders or
// is one of the screen files. A record names only such paths; anything else was not
// written by an installation and is left alone.
static bool MayRemoveRecordedPath(const char* path) {
    char current[TEXT_CAPACITY];
    const char* themes = themesDir;
    if (!themes[0]) {
        uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, current);
        current[n < TEXT_CAPACITY ? n : 0] = 0;
        AppendPathPart(current, 0, TEXT_CAPACITY);
        themes = current;
    }
    return PathIsInside(path, themes) || PathIsInside(path, windowsDir) ||
           PathIsInside(path, fontsDir) || IsScreenPath(path);
}

// Removes a recorded file or directory (uninstall and rollback).
static void RemoveEntry(Job& job) {
    bool isDirectory = job.entryKind == 'D';
    if (!MayRemoveRecordedPath(job.destination)) return;
    bool removed;
    uint32_t error = 0;
    if (isDirectory) {
        removed = SysRemoveDirectory(job.destination);
        if (!removed) error = SysGetLastError();
    } else {
        removed = SysDeleteFile(job.destination);
        if (!removed) error = SysGetLastError();
        if (IsScreenFileName(FindBaseName(job.destination))) RestoreScreenBackup(job.destination);
    }
    if (removed || job.mode == Rollback || error == SYS_ERROR_FILE_NOT_FOUND) return;
    ComposeNameMessage(job.line, isDirectory ? "Error deleting dir '" : "Error deleting file '",
                       FindBaseName(job.destination), "'\nContinue?");
    AskToContinue(job, job.line);
}

// Creates the folders of the destination below its token's directory, outer first,
// recording each one that did not exist.
static void CreateDestinationFolders(Job& job, uint32_t directoryLength) {
    for (uint32_t i = directoryLength; job.destination[i]; ++i) {
        if (job.destination[i] != '\\') continue;
        job.destination[i] = 0;
        if (SysCreateDirectory(job.destination)) {
            WriteRecordKey(job, "Dir", &job.directoryCounter, job.destination);
            ++job.directoryCounter;
        }
        job.destination[i] = '\\';
    }
}

// Reports a copy that failed with error: the missing-component dialog (once per
// job) for a missing source, otherwise the question whether to go on.
static void ReportCopyError(Job& job, uint32_t error) {
    if (error == SYS_ERROR_FILE_NOT_FOUND) {
        if (job.warnOnce) {
            job.warnOnce = false;
            SysShowMissingComponentDialog(job.owner, job.source);
        }
        return;
    }
    char head[48];
    TextCopy(head, "Error ", sizeof head);
    TextAppendNumber(head, error, sizeof head);
    TextAppend(head, " copying file '", sizeof head);
    ComposeNameMessage(job.line, head, job.source, "'\nContinue?");
    AskToContinue(job, job.line);
}

// Copies one entry into place and records it. refusedError, when not 0, is the
// error of an entry whose paths were refused: nothing is touched for it.
static void InstallEntry(Job& job, int kind, uint32_t directoryLength, uint32_t refusedError) {
    if (refusedError) {
        ReportCopyError(job, refusedError);
        return;
    }
    if (job.position > 1) CreateDestinationFolders(job, directoryLength);
    if (job.position == 1) TextCopy(job.record, job.destination, TEXT_CAPACITY);

    char backup[TEXT_CAPACITY];
    bool movedAside = false;
    if (IsScreenKind(kind)) {
        MakeInstallBackupName(job.destination, backup);
        movedAside = SysMoveFile(job.destination, backup);
    }

    if (SysCopyFile(job.source, job.destination, true)) {
        // A copy keeps the source's read-only mark (themes often come from CD-ROM):
        // the record could not be written into it and the uninstall could not delete it.
        SysSetNormalAttributes(job.destination);
        if (job.position == 1) {
            // A fresh copy must not carry a record of its own: a section that the
            // theme's author put there would make an uninstall delete what it lists.
            SysWriteProfileString(RECORD_SECTION, 0, 0, job.record);
        } else {
            uint32_t number = job.position - 1;
            WriteRecordKey(job, "File", &number, job.destination);
        }
        return;
    }

    uint32_t error = SysGetLastError();
    SysFile existing = SysOpenExisting(job.destination, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (existing) {
        // Already in place: done, and not recorded, so an uninstall leaves it.
        SysCloseFile(existing);
        if (job.position == 1) job.themeFileInPlace = true;
        return;
    }
    if (movedAside) SysMoveFile(backup, job.destination);
    ReportCopyError(job, error);
}

// Handles the current line of the walk.
static void HandleEntry(Job& job) {
    char* line = job.line;
    if (line[0] == 0 || line[0] == ';' || line[0] == '\r' || line[0] == '\n') return;

    int kind = NoEntry;
    uint32_t directoryLength = 0;
    uint32_t refusedError = 0;
    if (job.cursor) {
        // A recorded entry: the line is the path to remove.
        TextCopy(job.destination, line, TEXT_CAPACITY);
    } else {
        if (TextStartsWith(line, SPECIAL_MARKER)) {
            job.special = true;
            return;
        }
        const char* position;
        kind = ClassifyThemeLine(line, job.special, &position);
        if (kind == NoEntry) return;
        if (job.counting) {
            ++job.countedTotal;
            return;
        }
        if (job.progress) SysStepProgress(job.progress, 101);

        // The file name runs to the first comma or line feed.
        uint32_t length = 0;
        while (position[length] && position[length] != ',' && position[length] != '\n') ++length;
        TextCopyCount(job.source, position, length, TEXT_CAPACITY);

        if (IsScreenKind(kind)) {
            if (!AskScreenQuestion(job.owner, kind)) return;
            GetScreenDestination(kind, job.destination);
            directoryLength = TextLength(job.destination);
        } else {
            const char* directory = KindDirectory(kind);
            TextCopy(job.destination, directory, TEXT_CAPACITY);
            directoryLength = TextLength(job.destination);
            uint32_t separator =
                (directoryLength > 0 && directory[directoryLength - 1] != '\\' &&
                 directory[directoryLength - 1] != ':') ? 1 : 0;
            if (PathLeavesFolder(job.source)) {
                // Would land outside its folder (a ".." or a drive): refused like a
                // copy that is not allowed.
                refusedError = SYS_ERROR_ACCESS_DENIED;
                job.destination[0] = 0;
            } else if (directoryLength + separator + length >= TEXT_CAPACITY) {
                // Would not fit: never cut it into another path.
                refusedError = SYS_ERROR_FILENAME_EXCED_RANGE;
                job.destination[0] = 0;
            } else {
                AppendPathPart(job.destination, job.source, TEXT_CAPACITY);
            }
        }
        // Sources lie flat beside the theme file.
        const char* base = FindBaseName(job.source);
        if (base != job.source) TextCopy(job.source, base, TEXT_CAPACITY);
        // A screen's name may still climb out of the theme's folder with "/".
        if (IsScreenKind(kind) && PathLeavesFolder(job.source)) refusedError = SYS_ERROR_ACCESS_DENIED;
    }

    ++job.position;
    if (job.mode == Install)
        InstallEntry(job, kind, directoryLength, refusedError);
    else
        RemoveEntry(job);
}

static void RunPasses(Job& job, SysFile file) {
    for (;;) {
        job.position = 0;
        job.entryKind = 'F';
        job.special = false;
        if (job.mode == Install) {
            // The theme file itself is always the first entry.
            TextCopy(job.line, "%ThemeDir%", TEXT_CAPACITY);
            TextAppend(job.line, themeFileName, TEXT_CAPACITY);
        }
        bool more = true;
        while (more && !job.aborted) {
            HandleEntry(job);
            more = NextThemeEntry(file, job.line, job.cursor, &job.entryKind) != 0;
        }
        if (!job.counting) return;
        job.counting = false;
        SysRewindFile(file);
        uint32_t total = job.countedTotal > 0xFFFF ? 0xFFFF : job.countedTotal;
        SysSetProgressRange(job.progress, 101, 0, (uint16_t)total);
        SysSetProgressStep(job.progress, 101, 1);
    }
}

void RunThemeJob(SysWindow owner, JobMode mode) {
    bool keepThemeFile = (mode == Rollback) && rollbackKeepsThemeFile;
    rollbackKeepsThemeFile = false;

    char* block = (char*)SysAllocBlock(mode == Install ? INSTALL_BLOCK_SIZE : RECORD_BLOCK_SIZE);
    if (!block) return;
    Job job = {};
    job.owner = owner;
    job.mode = mode;
    job.source = block + SOURCE_OFFSET;
    job.destination = block + DESTINATION_OFFSET;
    job.line = block + LINE_OFFSET;
    job.record = block + RECORD_OFFSET;
    job.section = mode == Install ? 0 : block + SECTION_OFFSET;
    job.directoryCounter = 1;
    job.countedTotal = 1;
    job.warnOnce = true;

    AppendPathPart(themesDir, 0, PATH_CAPACITY);
    AppendPathPart(windowsDir, 0, PATH_CAPACITY);
    AppendPathPart(fontsDir, 0, PATH_CAPACITY);

    if (mode != Install) {
        uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, job.record);
        if (n < TEXT_CAPACITY) {
            job.record[n] = 0;
            AppendPathPart(job.record, 0, TEXT_CAPACITY);
            if (TextAppend(job.record, FindBaseName(themeFileName), TEXT_CAPACITY)) {
                uint32_t read = SysGetProfileSection(RECORD_SECTION, job.section, SECTION_CAPACITY, job.record);
                if (read > 0) {
                    if (read > SECTION_CAPACITY - 2) read = SECTION_CAPACITY - 2;
                    job.section[read] = 0;
                    job.section[read + 1] = 0;
                    InitSectionCursor(&job.cursorStore, job.section, read);
                    job.cursor = &job.cursorStore;
                }
            }
        }
    }

    SysFile file = SysOpenExisting(themeFileName, SYS_SHARE_READ, true);
    if (!file) {
        // A rollback without an installed copy has nothing to undo and says nothing.
        if (mode != Rollback)
            SysMessageBox(owner, "Unable to open theme file!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        SysFreeBlock(block);
        return;
    }

    if (mode == Install) {
        job.progress = SysCreateProgressDialog(0);
        if (job.progress) {
            SysSetDialogItemText(job.progress, 102, PRODUCT_BANNER);
            job.counting = true;
            SysSetCapture(job.progress);
            SysSetWaitCursor();
        }
        RunPasses(job, file);
    } else if (job.cursor) {
        // Only what a record lists is removed. Without a record, the theme's lines
        // may name files that were in place before (system files among them), and
        // nothing tells them apart from what an installation copied.
        job.line[0] = 0;
        RunPasses(job, file);
    }

    SysCloseFile(file);
    SysFreeBlock(block);
    if (job.progress) SysDestroyWindow(job.progress);

    if (mode != Install) {
        if (!keepThemeFile) SysDeleteFile(themeFileName);
        if (mode == Rollback) return;
    } else if (job.aborted) {
        SysSetCurrentDirectory(themesDir);
        rollbackKeepsThemeFile = job.themeFileInPlace;
        RunThemeJob(owner, Rollback);
        SysMessageBox(owner, "Theme failed to install!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        return;
    }

    if (!RegisterUninstall(owner, mode)) return;
    if (mode == Install)
        SysMessageBox(owner, "Theme installed successfully!", CAPTION, SYS_MB_OK);
    else if (job.aborted)
        SysMessageBox(owner, "Theme was not completely uninstalled.", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
    else
        SysMessageBox(owner, "Theme uninstalled successfully!", CAPTION, SYS_MB_OK);
}
