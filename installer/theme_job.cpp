// The job engine: installs a theme, uninstalls an installed one, or rolls back an
// installation that the user abandoned after an error.
#include "installer.h"
#include "text.h"

static const char RECORD_SECTION[] = "Decorama";
enum : uint32_t { RECORD_KEY_CAPACITY = 16 };  // "File" or "Dir" and a 32-bit number

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

// The keys that the running installation added to the record, as "key=value"
// strings each ended by a zero, in the order written. Its rollback undoes these and
// nothing else: over an earlier installation the record also lists what that one
// did, which must stay. Handed to the rollback that follows an abandoned run.
static struct {
    char strings[SECTION_CAPACITY + 1];
    uint32_t length;
    bool sectionWasEmpty;  // the record held no keys before this run
    bool handedOver;
} runRecord;

// Adds key=value to the run's list; a key that does not fit is left out (its entry
// then stays after a rollback, as it would with a record section too long to read).
static void NoteRunKey(const char* key, const char* value) {
    uint32_t need = TextLength(key) + 1 + TextLength(value) + 1;
    if (runRecord.length + need > SECTION_CAPACITY - 2) return;
    char* at = runRecord.strings + runRecord.length;
    TextCopy(at, key, need);
    TextAppend(at, "=", need);
    TextAppend(at, value, need);
    runRecord.length += need;
    runRecord.strings[runRecord.length] = 0;
}

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

// True when the record file ends with the line key=value, as a new key at the end of
// the last section leaves it. A look at the file's last bytes, without making the
// profile functions read the whole file again for every key.
static bool RecordEndsWith(Job& job, const char* key, const char* value) {
    char line[RECORD_KEY_CAPACITY + TEXT_CAPACITY + 2];
    TextCopy(line, key, sizeof line);
    TextAppend(line, "=", sizeof line);
    TextAppend(line, value, sizeof line);
    if (!TextAppend(line, "\r\n", sizeof line)) return false;
    uint32_t n = TextLength(line);
    SysFile file = SysOpenExisting(job.record, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (!file) return false;
    char tail[sizeof line];
    uint32_t size = SysGetFileSize(file), got = 0;
    bool ends = size != SYS_INVALID_FILE_SIZE && size >= n && SysSeekFile(file, size - n) &&
                SysReadFile(file, tail, n, &got) && got == n;
    SysCloseFile(file);
    for (uint32_t i = 0; ends && i < n; ++i) ends = tail[i] == line[i];
    return ends;
}

// True when the record's key reads back as value. The cached copy is let go first,
// so that the read sees the file: a profile write on a full disk may report success
// and leave the file cut off. The profile functions drop blanks around a value.
static bool RecordHolds(Job& job, const char* key, const char* value) {
    if (RecordEndsWith(job, key, value)) return true;
    SysWriteProfileString(0, 0, 0, job.record);
    char stored[TEXT_CAPACITY];
    SysGetProfileString(RECORD_SECTION, key, "", stored, TEXT_CAPACITY, job.record);
    uint32_t n = TextLength(value);
    while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t')) --n;
    return TextLength(stored) == n && TextStartsWith(value, stored);
}

// The error to report for a record write that did not take: the system's own when
// the call said it failed, otherwise 112 (the disk is full): a profile write that
// reports success but does not reach the file is one that ran out of room (Wine's
// rewrites the whole file and stops where the disk is full, saying nothing).
static uint32_t RecordWriteError(bool callFailed) {
    uint32_t error = callFailed ? SysGetLastError() : 0;
    return error ? error : SYS_ERROR_DISK_FULL;
}

// Writes prefix + *number = value into the record as a new key and checks that it
// took. Over an earlier installation's record (a reinstall), a number already in use
// is passed over: replacing that key would drop its path from the record, and a
// rollback of this run could not tell it from the earlier installation's. On failure
// key holds the name that was tried (see DropRecordKey) and *error the code.
static bool WriteRecordKey(Job& job, const char* prefix, uint32_t* number, const char* value, char* key,
                           uint32_t* error) {
    for (;;) {
        TextCopy(key, prefix, RECORD_KEY_CAPACITY);
        TextAppendNumber(key, *number, RECORD_KEY_CAPACITY);
        if (!job.themeFileInPlace) break;
        char existing[TEXT_CAPACITY];
        SysGetProfileString(RECORD_SECTION, key, "", existing, TEXT_CAPACITY, job.record);
        if (existing[0] == 0) break;
        ++*number;
    }
    bool written = SysWriteProfileString(RECORD_SECTION, key, value, job.record);
    if (written && RecordHolds(job, key, value)) {
        NoteRunKey(key, value);
        return true;
    }
    *error = RecordWriteError(!written);
    return false;
}

// Removes a key that could not be written whole: the file may hold a cut-off copy of
// it, naming some other path. Called once the entry's own file or folder is gone
// again, so that a full disk has room for the rewrite.
static void DropRecordKey(Job& job, const char* key) {
    SysWriteProfileString(RECORD_SECTION, key, 0, job.record);
    // A cut inside the name leaves a key of its first letters ("Fil"), which no
    // record uses. A cut inside the number ("File1" of "File12") is left alone: that
    // name may be an earlier key, and the walk passes over a key without "=".
    uint32_t letters = 0;
    while (key[letters] && !(key[letters] >= '0' && key[letters] <= '9')) ++letters;
    char part[RECORD_KEY_CAPACITY];
    for (uint32_t n = 1; n <= letters; ++n) {
        TextCopyCount(part, key, n, sizeof part);
        SysWriteProfileString(RECORD_SECTION, part, 0, job.record);
    }
    SysWriteProfileString(0, 0, 0, job.record);
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
    // Gone already (by hand, or with its folder): nothing to say.
    if (removed || job.mode == Rollback || error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND)
        return;
    ComposeNameMessage(job.line, isDirectory ? "Error deleting dir '" : "Error deleting file '",
                       FindBaseName(job.destination), "'\nContinue?");
    AskToContinue(job, job.line);
}

// Creates the folders of the destination below its token's directory, outer first,
// recording each one that did not exist. False when a folder's record key could not
// be written: that folder is removed again and *error holds the code.
static bool CreateDestinationFolders(Job& job, uint32_t directoryLength, uint32_t* error) {
    for (uint32_t i = directoryLength; job.destination[i]; ++i) {
        if (job.destination[i] != '\\') continue;
        job.destination[i] = 0;
        bool ok = true;
        if (SysCreateDirectory(job.destination)) {
            char key[RECORD_KEY_CAPACITY];
            if (WriteRecordKey(job, "Dir", &job.directoryCounter, job.destination, key, error)) {
                ++job.directoryCounter;
            } else {
                SysRemoveDirectory(job.destination);
                DropRecordKey(job, key);
                ok = false;
            }
        }
        job.destination[i] = '\\';
        if (!ok) return false;
    }
    return true;
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

// Records a copy that succeeded: the "File" key of the entry, or for the theme file
// itself the removal of any record section of its own (one that the theme's author
// put there would make an uninstall delete what it lists). False, with *error and
// key set, when the record did not take it.
static bool RecordCopy(Job& job, char* key, uint32_t* error) {
    key[0] = 0;
    if (job.position > 1) {
        uint32_t number = job.position - 1;
        return WriteRecordKey(job, "File", &number, job.destination, key, error);
    }
    bool written = SysWriteProfileString(RECORD_SECTION, 0, 0, job.record);
    SysWriteProfileString(0, 0, 0, job.record);
    char probe[4];
    if (SysGetProfileSection(RECORD_SECTION, probe, sizeof probe, job.record) == 0) return true;
    *error = RecordWriteError(!written);
    return false;
}

// Copies one entry into place and records it. refusedError, when not 0, is the
// error of an entry whose paths were refused: nothing is touched for it.
static void InstallEntry(Job& job, int kind, uint32_t directoryLength, uint32_t refusedError) {
    if (refusedError) {
        ReportCopyError(job, refusedError);
        return;
    }
    uint32_t error = 0;
    if (job.position > 1 && !CreateDestinationFolders(job, directoryLength, &error)) {
        ReportCopyError(job, error);
        return;
    }
    if (job.position == 1) {
        TextCopy(job.record, job.destination, TEXT_CAPACITY);
        // What the record held before this run: a rollback that empties it again
        // removes the section it made.
        char probe[4];
        runRecord.sectionWasEmpty = SysGetProfileSection(RECORD_SECTION, probe, sizeof probe, job.record) == 0;
    }

    char backup[TEXT_CAPACITY];
    bool movedAside = false;
    if (IsScreenKind(kind)) {
        MakeInstallBackupName(job.destination, backup);
        movedAside = SysMoveFile(job.destination, backup);
    }
    // Only what was there before the copy can be in place: a copy that fails part-way
    // (a full disk) may leave a cut-off file of its own at the destination.
    bool existed = SysGetFileAttributes(job.destination) != SYS_INVALID_FILE_ATTRIBUTES;

    if (SysCopyFile(job.source, job.destination, true)) {
        // A copy keeps the source's read-only mark (themes often come from CD-ROM):
        // the record could not be written into it and the uninstall could not delete it.
        SysSetNormalAttributes(job.destination);
        char key[RECORD_KEY_CAPACITY];
        if (RecordCopy(job, key, &error)) return;
        // Not in the record, so nothing would ever remove it: undo the copy.
        SysDeleteFile(job.destination);
        if (key[0]) DropRecordKey(job, key);
        if (movedAside) SysMoveFile(backup, job.destination);
        ReportCopyError(job, error);
        return;
    }

    error = SysGetLastError();
    if (error == SYS_ERROR_FILE_EXISTS || error == SYS_ERROR_ALREADY_EXISTS) existed = true;
    if (existed) {
        SysFile present = SysOpenExisting(job.destination, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
        if (present) {
            // Already in place: done, and not recorded, so an uninstall leaves it.
            SysCloseFile(present);
            if (job.position == 1) job.themeFileInPlace = true;
            return;
        }
    } else {
        // Whatever the failed copy left there is a cut-off file of its own.
        SysDeleteFile(job.destination);
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

// Takes the keys that an abandoned run added out of the record it leaves in place.
static void ForgetRunKeys(const char* record) {
    if (runRecord.sectionWasEmpty) {
        // The run made the section: it goes whole, header and all.
        SysWriteProfileString(RECORD_SECTION, 0, 0, record);
    } else {
        for (const char* at = runRecord.strings; *at; at += TextLength(at) + 1) {
            char key[RECORD_KEY_CAPACITY];
            uint32_t n = 0;
            while (at[n] && at[n] != '=') ++n;
            if (TextCopyCount(key, at, n, sizeof key)) SysWriteProfileString(RECORD_SECTION, key, 0, record);
        }
    }
    SysWriteProfileString(0, 0, 0, record);
}

// Whether the theme file read from the current directory is the installed copy
// itself: the current directory is the Themes directory (or there is no Themes
// directory, so the copy lands beside the source). work is a 520-character area.
static bool ThemeFileIsRecordFile(char* work) {
    if (!themesDir[0]) return true;
    uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, work);
    if (n == 0 || n >= TEXT_CAPACITY) return false;
    work[n] = 0;
    AppendPathPart(work, 0, TEXT_CAPACITY);
    return TextEqualNoCase(work, themesDir);
}

// The scratch copy of a theme file read from the Themes directory.
static const char SCRATCH_NAME[] = "DECORAMA.TMP";

void RunThemeJob(SysWindow owner, JobMode mode) {
    bool keepThemeFile = (mode == Rollback) && rollbackKeepsThemeFile;
    rollbackKeepsThemeFile = false;
    // A rollback that follows an installation undoes what that run wrote into the
    // record, not whatever the record lists.
    bool undoRun = (mode == Rollback) && runRecord.handedOver;
    runRecord.handedOver = false;
    if (mode == Install) {
        runRecord.length = 0;
        runRecord.strings[0] = 0;
        runRecord.sectionWasEmpty = true;
    }

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
                uint32_t read;
                if (undoRun) {
                    read = runRecord.length;
                    for (uint32_t i = 0; i < read; ++i) job.section[i] = runRecord.strings[i];
                } else {
                    read = SysGetProfileSection(RECORD_SECTION, job.section, SECTION_CAPACITY, job.record);
                }
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

    // Installed from the Themes directory itself, the theme file is also the record
    // file, which the profile functions cannot write while the job holds it open:
    // the job then reads a scratch copy in the Windows directory instead.
    char scratch[TEXT_CAPACITY];
    scratch[0] = 0;
    if (mode == Install && ThemeFileIsRecordFile(job.line) && windowsDir[0] &&
        TextCopy(scratch, windowsDir, TEXT_CAPACITY) && TextAppend(scratch, SCRATCH_NAME, TEXT_CAPACITY)) {
        if (!SysCopyFile(themeFileName, scratch, false)) scratch[0] = 0;
    }
    SysFile file = SysOpenExisting(scratch[0] ? scratch : themeFileName, SYS_SHARE_READ, true);
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
    if (scratch[0]) SysDeleteFile(scratch);
    // The record that stays loses the keys of the run undone (the theme file is
    // closed now, so the profile functions may write it).
    if (undoRun && keepThemeFile && job.cursor) ForgetRunKeys(job.record);
    SysFreeBlock(block);
    if (job.progress) SysDestroyWindow(job.progress);

    if (mode != Install) {
        if (!keepThemeFile) SysDeleteFile(themeFileName);
        if (mode == Rollback) return;
    } else if (job.aborted) {
        SysSetCurrentDirectory(themesDir);
        rollbackKeepsThemeFile = job.themeFileInPlace;
        runRecord.handedOver = true;
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
