// The job engine: installs a theme, uninstalls an installed one, or rolls back an
// installation that the user abandoned after an error. What follows a job (the
// uninstall entry, the rollback, the final message) is its caller's.
#include "installer.h"
#include "installer_text.h"
#include "resources/decorama_ids.h"

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

// The bar moves one step per entry. Sent to the bar, a step makes it paint itself at
// once, which on some systems costs more than the copy the step stands for; so the
// steps are gathered and the bar moved on by all of them at most every
// PROGRESS_PAINT_INTERVAL milliseconds, whenever the job stops to ask, and at the end.
enum : uint32_t { PROGRESS_PAINT_INTERVAL = 100 };

struct Job {
    SysWindow owner;
    JobMode mode;
    InstalledCopy* copy;  // the installed copy; an uninstall learns its entry
    char* source;       // the source name (a file in the current directory)
    char* destination;  // where the entry goes, or the recorded path
    char* line;         // the current line; also composes messages
    RecordFile record;  // the installed copy of the theme file and its record
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
    char* otherCopies;  // install: the installed copies that uninstall entries name
    // The copies whose stamps wait in record.batch: each one's path and whether it
    // moved a screen aside, so that a batch that cannot be written can be undone
    // whatever the record file holds.
    char pendingPaths[COPY_STAMP_BATCH][PATH_CAPACITY];
    bool pendingMovedAside[COPY_STAMP_BATCH];
    bool fontsChanged;  // a font was registered or unregistered: the programs are told
    // Uninstall and rollback: whether the record lists any file's backup or font at
    // all; most records list none, and a look for one per file would read it all.
    bool recordsBackups;
    bool recordsTypefaces;
    SysWindow progress;
    SysWindow progressBar;  // its bar, looked up once
    int pendingSteps;       // steps the bar has not been moved by yet
    uint32_t lastPaint;     // when it last moved (tick count)
    JobOutcome outcome;
};

// What each mode of job does differently; everything else is the one walk they share.
struct ModeRules {
    uint32_t blockSize;   // the working block: the section read back needs room
    bool removes;         // the entries are the record's, and are removed (else the
                          // theme's lines, and are copied)
    bool asks;            // a removal that fails asks whether to go on
    bool keepsWhatStays;  // what could not be removed keeps the record and the entry
    bool onlyItsRun;      // undoes only the keys of the installation it follows
    bool saysUnopenable;  // a file to walk that cannot be opened is said
    // Before the walk: the record read back and checked, or the theme file made ready
    // to be read; returns the file to walk.
    const char* (*begin)(Job& job, const JobOutcome* installation, char* scratch);
    // The walk itself, over the open file.
    void (*walk)(Job& job, ThemeReader* reader);
    // One entry of the walk.
    void (*entry)(Job& job, int kind, uint32_t directoryLength, uint32_t refusedError);
    // After the walk, with the file closed (the profile functions may write it then).
    void (*finish)(Job& job);
};
static const ModeRules& Rules(const Job& job);

// Moves the bar on by the steps gathered.
static void ShowProgress(Job& job) {
    if (!job.progressBar || !job.pendingSteps) return;
    SysAdvanceProgress(job.progressBar, job.pendingSteps);
    job.pendingSteps = 0;
    job.lastPaint = SysGetTickCount();
}

// One step of the bar, shown when the last move is old enough.
static void StepProgress(Job& job) {
    if (!job.progressBar) return;
    ++job.pendingSteps;
    if (SysGetTickCount() - job.lastPaint >= PROGRESS_PAINT_INTERVAL) ShowProgress(job);
}

// "Error <code> copying file '<name>'" and the tail into out (TEXT_CAPACITY bytes).
static void ComposeNameMessage(char* out, const char* head, const char* name, const char* tail);
static void ComposeCopyError(char* out, uint32_t error, const char* name, const char* tail) {
    char head[48];
    TextCopy(head, "Error ", sizeof head);
    TextAppendNumber(head, error, sizeof head);
    TextAppend(head, " copying file '", sizeof head);
    ComposeNameMessage(out, head, name, tail);
}

// ---- Fonts: a TrueType font that an installation copies is registered as the Fonts
// folder registers one, so that Windows loads it; what it registered goes again with it.

// A font registered or unregistered: the running programs are told when the job ends.
static void RegisterFont(Job& job, uint32_t number) { job.fontsChanged |= RegisterFont(job.record, number, job.destination); }
static void UnregisterFont(Job& job, const char* name, const char* path) { job.fontsChanged |= UnregisterFont(name, path); }

// The font name that "File" number registered, as the record file holds it.
static bool RegisteredFont(const Job& job, uint32_t number, char* name) {
    if (job.section) return job.recordsTypefaces && FindNumberedKey(job.section, job.cursor->end, TYPEFACE_PREFIX, number, name);
    char key[RECORD_KEY_CAPACITY];
    MakeRecordKey(key, TYPEFACE_PREFIX, number);
    SysGetProfileString(RECORD_SECTION, key, "", name, TEXT_CAPACITY, job.record.path);
    return name[0] != 0;
}

// A recorded file that is gone already: what it brought with it goes now, since
// nothing of this installation's stands in its way any more: the screen it moved aside
// goes back in its place, its font leaves the list of fonts.
static void ForgetGoneFile(const char* path, uint32_t number, void* context) {
    Job& job = *(Job*)context;
    char value[TEXT_CAPACITY];
    if (job.recordsBackups && FindNumberedKey(job.section, job.cursor->end, BACKUP_PREFIX, number, value))
        RestoreScreenBackup(path, value);
    if (RegisteredFont(job, number, value)) UnregisterFont(job, value, path);
}

// After a batch of stamps that could not be written: the copies whose stamps are not
// in the record go again (no uninstall could ever show that they are its own), with
// their keys and the screens they moved aside, and the user is asked whether to go
// on, naming the last of them. Its own buffers: the entry at hand keeps its names.
static void StampsNotWritten(Job& job, uint32_t error) {
    if (!error) return;
    RecordFile& record = job.record;
    char text[TEXT_CAPACITY], backup[TEXT_CAPACITY];
    const char* name = "";
    for (uint32_t i = 0; i < record.batchCount; ++i) {
        const char* path = job.pendingPaths[i];
        uint32_t number = record.batch[i].number;
        char font[TEXT_CAPACITY];
        if (RegisteredFont(job, number, font)) {
            SysRemoveFontResource(path);
            UnregisterFont(job, font, path);
            DropNumberedKey(record, TYPEFACE_PREFIX, number);
        }
        SysDeleteFile(path);
        DropNumberedKey(record, "File", number);
        if (job.pendingMovedAside[i]) {
            MakeInstallBackupName(path, backup);
            SysMoveFile(backup, path);
            DropNumberedKey(record, BACKUP_PREFIX, number);
        }
        name = FindBaseName(path);
    }
    ComposeCopyError(text, error, name, "'\nContinue?");
    DiscardPendingStamps(record);
    ShowProgress(job);
    if (SysMessageBox(job.owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK)
        job.outcome.aborted = true;
}

// Before the job stops to ask (the user may end the program there): the stamps of
// the copies so far go into the record.
static void BeforeAsking(Job& job) {
    ShowProgress(job);
    StampsNotWritten(job, FlushCopyStamps(job.record));
}

// Shows an error question; Cancel (or a box that could not be shown) aborts the job.
static void AskToContinue(Job& job, const char* text) {
    BeforeAsking(job);
    if (SysMessageBox(job.owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) != SYS_IDOK)
        job.outcome.aborted = true;
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


// The folder a theme line's kind points into.
static const char* KindDirectory(int kind) {
    switch (kind) {
    case ThemesEntry: return themesDir;
    case FontsEntry: return fontsDir;
    case StartupScreenEntry: return "c:\\";
    default: return windowsDir;  // the Windows directory's files and the shut-down screens
    }
}

// A folder that a theme's file may go to or be removed from: one named in full. An
// empty or relative one (a missing registry value) would put files wherever the
// current directory happens to be, where nothing would find them again.
static bool IsKnownFolder(const char* folder) { return IsFullPath(folder); }

// True when a recorded path may be removed: it lies in one of this job's folders (for
// an uninstall named without a folder, the Themes folder is the one that holds the
// record) or is one of the screen files. A record names only such paths; anything
// else was not written by an installation and is left alone.
static bool MayRemoveRecordedPath(const Job& job, const char* path) {
    char themes[TEXT_CAPACITY];
    if (themesDir[0]) TextCopy(themes, themesDir, TEXT_CAPACITY);
    else TextCopyCount(themes, job.record.path, (uint32_t)(FindBaseName(job.record.path) - job.record.path), TEXT_CAPACITY);
    if (!IsFullPath(path)) return false;
    const char* folders[] = {themes, windowsDir, fontsDir};
    for (const char* folder : folders)
        if (IsKnownFolder(folder) && PathIsInside(path, folder)) return true;
    return IsScreenPath(path);
}

// Deletes a file and makes sure that it is gone: some systems report success for a
// file they could not unlink (one marked immutable) and leave it where it was. (Looking
// for a name that is gone reads the whole folder on some systems: the installed copy
// is checked so, a theme's files are not.)
static bool DeleteAndCheck(const char* path, uint32_t* error) {
    bool deleted = SysDeleteFile(path);
    if (!deleted) {
        *error = SysGetLastError();
        return false;
    }
    if (SysGetFileAttributes(path) == SYS_INVALID_FILE_ATTRIBUTES) return true;
    *error = SYS_ERROR_ACCESS_DENIED;
    return false;
}

// Removes a recorded file or directory (uninstall and rollback): a file only when it
// is still the copy that the record describes (the others were marked done before
// the walk). What is gone is marked done in the section, so that an uninstall that
// stops early can leave a record of exactly what is still in place.
static void RemoveEntry(Job& job) {
    if (!MayRemoveRecordedPath(job, job.destination)) {
        // Not this installer's to remove, now or ever: it leaves the record.
        job.outcome.leftOutside = true;
        MarkEntryDone(job.cursor);
        return;
    }
    bool isDirectory = job.entryKind == 'D';
    bool removed;
    bool backupLeft = false;
    uint32_t error = 0;
    if (isDirectory) {
        removed = SysRemoveDirectory(job.destination) && SysGetFileAttributes(job.destination) == SYS_INVALID_FILE_ATTRIBUTES;
        if (!removed) error = SysGetLastError();
    } else {
        uint32_t number = EntryNumber(job.cursor->current);
        // A font leaves the system before its file can go (a loaded font cannot be
        // deleted), and comes back when the file stays.
        char value[TEXT_CAPACITY];
        bool font = RegisteredFont(job, number, value);
        bool unloaded = font && SysRemoveFontResource(job.destination);
        removed = SysDeleteFile(job.destination);
        if (!removed) error = SysGetLastError();
        if (font && removed) UnregisterFont(job, value, job.destination);
        else if (unloaded) SysAddFontResource(job.destination);
        // The screen that the installation moved aside, and only that, goes back.
        if (job.recordsBackups && FindNumberedKey(job.section, job.cursor->end, BACKUP_PREFIX, number, value))
            backupLeft = !RestoreScreenBackup(job.destination, value);
    }
    // Gone already (by hand, or with its folder): nothing to say.
    bool gone = removed || error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND;
    if (backupLeft) {
        // The user's own screen waits in its backup: the record keeps the way back.
        if (Rules(job).keepsWhatStays) job.outcome.incomplete = true;
    } else if (gone) {
        MarkEntryDone(job.cursor);
    }
    if (gone || !Rules(job).asks) return;
    ComposeNameMessage(job.line, isDirectory ? "Error deleting dir '" : "Error deleting file '",
                       FindBaseName(job.destination), "'\nContinue?");
    AskToContinue(job, job.line);
    // A folder that holds files of someone else's now is theirs to keep; anything else
    // that could not go keeps the record, the copy and the entry, so that the uninstall
    // can be run again once the cause is mended.
    // (Stopped there, the folder stays in the record for the next run.)
    if (isDirectory && error == SYS_ERROR_DIR_NOT_EMPTY) {
        if (!job.outcome.aborted) MarkEntryDone(job.cursor);
    } else {
        job.outcome.incomplete = true;
    }
}

// Creates the folders of the destination below its token's directory, outer first,
// recording each one that did not exist, with room kept for the entry's file key.
// False when a folder's record key could not be written: that folder is removed
// again and *error holds the code.
static bool CreateDestinationFolders(Job& job, uint32_t directoryLength, uint32_t reserve, uint32_t* error) {
    for (uint32_t i = directoryLength; job.destination[i]; ++i) {
        if (job.destination[i] != '\\') continue;
        job.destination[i] = 0;
        bool ok = true;
        if (SysCreateDirectory(job.destination)) {
            char key[RECORD_KEY_CAPACITY];
            if (WriteRecordKey(job.record, "Dir", &job.directoryCounter, job.destination, reserve, key, error)) {
                ++job.directoryCounter;
            } else {
                SysRemoveDirectory(job.destination);
                DropRecordKey(job.record, key);
                ok = false;
            }
        }
        job.destination[i] = '\\';
        if (!ok) return false;
    }
    return true;
}

// A copy keeps the source's read-only mark (themes often come from CD-ROM): the
// record could not be written into it and the uninstall could not delete it.
void ClearReadOnly(const char* path) {
    uint32_t attributes = SysGetFileAttributes(path);
    if (attributes != SYS_INVALID_FILE_ATTRIBUTES && (attributes & SYS_FILE_ATTRIBUTE_READONLY))
        SysSetNormalAttributes(path);
}

// Reports a copy that failed with error: the missing-component dialog (once per
// job) for a missing source, otherwise the question whether to go on.
static void ReportCopyError(Job& job, uint32_t error) {
    if (error == SYS_ERROR_FILE_NOT_FOUND) {
        if (job.warnOnce) {
            job.warnOnce = false;
            BeforeAsking(job);
            SysShowMissingComponentDialog(job.owner, job.source);
        }
        return;
    }
    ComposeCopyError(job.line, error, job.source, "'\nContinue?");
    AskToContinue(job, job.line);
}

// The theme file's copy could not become the record: nothing can be installed, so the
// user is told so, without a question that could only have one answer.
static void RecordNotMade(Job& job, uint32_t error) {
    job.outcome.noRecord = true;
    ShowProgress(job);
    ComposeCopyError(job.line, error, job.source, "'");
    SysMessageBox(job.owner, job.line, CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
}

// The theme file itself, the first entry: its installed copy becomes the record. An
// earlier installation's copy, proven, keeps its record, which must still take keys.
// A copy made now, and the theme file installed from the Themes folder itself, lose
// any record section of their own (one that the theme's author put there would make
// an uninstall delete what it lists) and take the seal of this installation.
static void InstallThemeFile(Job& job) {
    const InstalledCopy& copy = *job.copy;
    RecordFile& record = job.record;
    TextCopy(record.path, job.destination, TEXT_CAPACITY);
    uint32_t error;
    if (copy.reused) {
        record.reuse = true;
        error = MeasureRecord(record);
        // The seal written again in place: a copy that can no longer be written (read-only,
        // a full volume) would take none of this run's keys.
        if (!error) error = WriteSeal(record, copy.seal);
        if (error) RecordNotMade(job, error);
        return;
    }
    if (!copy.isThemeFile) {
        if (!SysCopyFile(job.source, job.destination, true)) {
            error = SysGetLastError();
            // Whatever a copy that failed half-way left there is a cut-off file of its
            // own; a file that was there first is never touched.
            if (error != SYS_ERROR_FILE_EXISTS && error != SYS_ERROR_ALREADY_EXISTS) SysDeleteFile(job.destination);
            RecordNotMade(job, error);
            return;
        }
        ClearReadOnly(job.destination);
    }
    error = DropRecordSections(record);
    if (!error) error = WriteSeal(record, copy.seal);
    if (!error) return;
    if (!copy.isThemeFile) SysDeleteFile(job.destination);
    RecordNotMade(job, error);
}

// After a copy that failed with error: true when what stands at the destination was
// there before. A copy that may not replace a file refuses one that is there before
// it writes anything (80), and a copy that cannot open its source never reaches the
// destination; anything else there now is what this copy left of itself (a full
// disk). Asking afterwards spares every copy that succeeds a look for a name that is
// not there, which on some systems reads the whole folder.
static bool DestinationWasThere(Job& job, uint32_t error) {
    if (error == SYS_ERROR_FILE_EXISTS || error == SYS_ERROR_ALREADY_EXISTS) return true;
    // A missing source, or a missing folder: nothing was written.
    if (error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND) return true;
    SysFile source = SysOpenExisting(job.source, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (!source) return true;
    SysCloseFile(source);
    return false;
}

// The installed copies of other installations, gathered once per installation: a
// theme's file may never land on one of them.
struct CopyList {
    char* at;
    uint32_t room;
    uint32_t needed;
};

static bool AddCopy(const char*, const char*, const char* copy, void* context) {
    CopyList* list = (CopyList*)context;
    uint32_t n = TextLength(copy) + 1;
    list->needed += n;
    if (list->at && n < list->room) {
        TextCopy(list->at, copy, n);
        list->at += n;
        list->room -= n;
    }
    return false;
}

static void GatherOtherCopies(Job& job) {
    CopyList list = {0, 0, 1};
    VisitUninstallEntries(AddCopy, &list);
    job.otherCopies = (char*)SysAllocBlock(list.needed + 1);
    if (!job.otherCopies) return;
    list = {job.otherCopies, list.needed + 1, 0};
    VisitUninstallEntries(AddCopy, &list);
}

// True when destination is the installed copy that an uninstall entry names. Only
// names alike are compared in full, as the file system resolves them.
static bool IsOtherCopy(const Job& job, const char* destination) {
    const char* name = FindBaseName(destination);
    // Without the list, nothing can be shown to be no installed copy.
    if (!job.otherCopies) return true;
    for (const char* copy = job.otherCopies; *copy; copy += TextLength(copy) + 1)
        if (TextEqualNoCase(FindBaseName(copy), name) && SameFile(copy, destination)) return true;
    return false;
}

// Copies one entry into place and records it. refusedError, when not 0, is the
// error of an entry whose paths were refused: nothing is touched for it.
static void InstallEntry(Job& job, int kind, uint32_t directoryLength, uint32_t refusedError) {
    if (refusedError) {
        ReportCopyError(job, refusedError);
        return;
    }
    if (job.position == 1) {
        InstallThemeFile(job);
        return;
    }
    // The record itself counts as in place; another theme's record may not be replaced.
    if (TextEqualNoCase(FindBaseName(job.destination), FindBaseName(job.record.path)) &&
        SameFile(job.destination, job.record.path))
        return;
    if (IsOtherCopy(job, job.destination)) {
        ReportCopyError(job, SYS_ERROR_ACCESS_DENIED);
        return;
    }
    // An entry whose keys the record could not take is not copied: the uninstall
    // must be able to read back every path it lists, whole.
    uint32_t entryRoom = CopyStampRoom();
    uint32_t fileKeyRoom = FileKeyRoom(job.destination) + entryRoom;
    uint32_t error = 0;
    if (!RecordHasRoom(job.record, fileKeyRoom)) {
        ReportCopyError(job, SYS_ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    if (!CreateDestinationFolders(job, directoryLength, fileKeyRoom, &error)) {
        ReportCopyError(job, error);
        return;
    }

    uint32_t number = job.position - 1;
    FindFreeNumber(job.record, "File", &number);
    char backup[TEXT_CAPACITY];
    bool movedAside = false;
    // A screen that this record already lists (a second line for it, an earlier run of
    // this installation) is this installation's own: it is in place, and is never
    // moved aside as if it were the screen it replaced.
    if (IsScreenKind(kind) && RecordListsFile(job.record, job.destination)) return;
    if (IsScreenKind(kind)) {
        // The screen in place is moved aside, and the record says so before anything
        // else happens, so that only a backup this installation made is ever put back.
        MakeInstallBackupName(job.destination, backup);
        movedAside = SysMoveFile(job.destination, backup);
        if (movedAside && (error = WriteNumberedKey(job.record, BACKUP_PREFIX, number, backup)) != 0) {
            SysMoveFile(backup, job.destination);
            ReportCopyError(job, error);
            return;
        }
    }
    if (SysCopyFile(job.source, job.destination, true)) {
        ClearReadOnly(job.destination);
        char key[RECORD_KEY_CAPACITY];
        SysFileStamp stamp;
        if (!SysGetFileStamp(job.destination, &stamp)) {
            error = SysGetLastError();
            if (!error) error = SYS_ERROR_ACCESS_DENIED;
            key[0] = 0;
        } else if (WriteRecordKey(job.record, "File", &number, job.destination, entryRoom, key, &error)) {
            uint32_t pending = job.record.batchCount;
            TextCopy(job.pendingPaths[pending], job.destination, PATH_CAPACITY);
            job.pendingMovedAside[pending] = movedAside;
            if (kind == FontsEntry) RegisterFont(job, number);
            if (AddCopyStamp(job.record, number, stamp)) StampsNotWritten(job, FlushCopyStamps(job.record));
            return;
        }
        // Not in the record, or not provably this copy, so nothing would ever remove
        // it: undo the copy.
        SysDeleteFile(job.destination);
        DropRecordKey(job.record, key);
        if (movedAside) {
            SysMoveFile(backup, job.destination);
            DropNumberedKey(job.record, BACKUP_PREFIX, number);
        }
        ReportCopyError(job, error);
        return;
    }

    error = SysGetLastError();
    if (DestinationWasThere(job, error)) {
        SysFile present = SysOpenExisting(job.destination, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
        if (present) {
            // Already in place: done, and not recorded, so an uninstall leaves it.
            SysCloseFile(present);
            return;
        }
    } else {
        // Whatever the failed copy left there is a cut-off file of its own.
        SysDeleteFile(job.destination);
    }
    if (movedAside) {
        SysMoveFile(backup, job.destination);
        DropNumberedKey(job.record, BACKUP_PREFIX, number);
    }
    ReportCopyError(job, error);
}

// True when a component of path (after its first folder) ends in a dot or a blank,
// which the file system drops: the name recorded would not be the name on disk.
static bool HasTrailingDotOrBlank(const char* path) {
    for (const char* p = path; *p; ++p)
        if ((*p == '.' || *p == ' ') && (p[1] == '\\' || p[1] == 0)) return true;
    return false;
}

// Works out where a theme line's file comes from and goes to. False when the line
// is no entry (or, for a screen, the user declined it); otherwise *refusedError is
// the error of an entry that may not be copied, or 0.
static bool ResolveThemeLine(Job& job, int kind, const char* position, uint32_t* directoryLength,
                             uint32_t* refusedError) {
    // The file name runs to the first comma or line feed.
    uint32_t length = 0;
    while (position[length] && position[length] != ',' && position[length] != '\n') ++length;
    TextCopyCount(job.source, position, length, TEXT_CAPACITY);

    const char* directory = KindDirectory(kind);
    bool folderKnown = IsKnownFolder(directory);
    if (IsScreenKind(kind) && folderKnown) {
        BeforeAsking(job);
        if (job.outcome.aborted || !AskScreenQuestion(job.owner, kind)) return false;
        GetScreenDestination(kind, job.destination);
        *directoryLength = TextLength(job.destination);
    } else {
        TextCopy(job.destination, directory, TEXT_CAPACITY);
        *directoryLength = TextLength(job.destination);
        uint32_t separator = (*directoryLength > 0 && directory[*directoryLength - 1] != '\\' &&
                              directory[*directoryLength - 1] != ':') ? 1 : 0;
        char full[TEXT_CAPACITY];
        if (!folderKnown) {
            // Nowhere known to put it (a folder missing from the registry).
            *refusedError = SYS_ERROR_PATH_NOT_FOUND;
        } else if (HasControlCharacter(job.source)) {
            // No file name holds one, and the record could not give it back: the
            // profile functions end lines and trim values at such characters.
            *refusedError = SYS_ERROR_INVALID_NAME;
        } else if (PathLeavesFolder(job.source)) {
            // Would land outside its folder (a ".." or a drive): refused like a
            // copy that is not allowed.
            *refusedError = SYS_ERROR_ACCESS_DENIED;
        } else if (*directoryLength + separator + length >= PATH_CAPACITY) {
            // A path Windows cannot name: never cut it into another path.
            *refusedError = SYS_ERROR_FILENAME_EXCED_RANGE;
        } else {
            // The destination as the file system spells it ("/" and "." folded), so
            // that the record names the file that an uninstall finds.
            AppendPathPart(job.destination, job.source, TEXT_CAPACITY);
            uint32_t n = SysGetFullPathName(job.destination, TEXT_CAPACITY, full);
            if (n == 0 || n >= PATH_CAPACITY) *refusedError = SYS_ERROR_FILENAME_EXCED_RANGE;
            else if (!TextStartsWithNoCase(full, directory) || !full[*directoryLength]) *refusedError = SYS_ERROR_ACCESS_DENIED;
            else if (HasTrailingDotOrBlank(full + *directoryLength)) *refusedError = SYS_ERROR_INVALID_NAME;
            else TextCopy(job.destination, full, TEXT_CAPACITY);
        }
        if (*refusedError) job.destination[0] = 0;
    }
    // Sources lie flat beside the theme file.
    const char* base = FindBaseName(job.source);
    if (base != job.source) TextCopy(job.source, base, TEXT_CAPACITY);
    // A screen's name may still climb out of the theme's folder with "/".
    if (IsScreenKind(kind) && !*refusedError && PathLeavesFolder(job.source)) *refusedError = SYS_ERROR_ACCESS_DENIED;
    return true;
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
        StepProgress(job);
        if (!ResolveThemeLine(job, kind, position, &directoryLength, &refusedError)) return;
    }

    ++job.position;
    Rules(job).entry(job, kind, directoryLength, refusedError);
}

// The theme file itself, always the first entry of an installation, taken whole
// (its name may hold a comma or anything else a line would stop at).
static void HandleThemeFile(Job& job) {
    if (job.counting) {
        ++job.countedTotal;
        return;
    }
    StepProgress(job);
    TextCopy(job.source, themeFileName, TEXT_CAPACITY);
    TextCopy(job.destination, themesDir, TEXT_CAPACITY);
    TextAppend(job.destination, copyFileName, TEXT_CAPACITY);
    ++job.position;
    InstallEntry(job, ThemesEntry, 0, 0);
}

static void RunPasses(Job& job, ThemeReader* reader) {
    for (;;) {
        job.position = 0;
        job.entryKind = 'F';
        job.special = false;
        bool more = true;
        if (!Rules(job).removes) {
            HandleThemeFile(job);
            more = !job.outcome.noRecord && NextThemeEntry(reader, job.line, job.cursor, &job.entryKind) != 0;
        }
        while (more && !job.outcome.aborted && !job.outcome.noRecord) {
            HandleEntry(job);
            more = NextThemeEntry(reader, job.line, job.cursor, &job.entryKind) != 0;
        }
        if (!job.counting) {
            ShowProgress(job);
            return;
        }
        job.counting = false;
        RewindThemeReader(reader);
        uint32_t total = job.countedTotal > 0xFFFF ? 0xFFFF : job.countedTotal;
        SysSetProgressRange(job.progressBar, 0, (uint16_t)total);
        SysSetProgressStep(job.progressBar, 1);
    }
}

// The start of the string that ends just before end (end > begin, end[-1] == 0).
static char* LastStringBefore(char* begin, char* end) {
    char* at = end - 1;
    while (at > begin && at[-1]) --at;
    return at;
}

// Reads the record back (uninstall and rollback) and sets the cursor over what the
// job is to remove: the whole record, or for a rollback the keys of the run it undoes,
// and that only when the record is proven this installer's.
static void ReadRecord(Job& job, const JobOutcome* installation) {
    uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, job.record.path);
    if (n >= TEXT_CAPACITY) return;
    job.record.path[n] = 0;
    AppendPathPart(job.record.path, 0, TEXT_CAPACITY);
    if (!TextAppend(job.record.path, FindBaseName(copyFileName), TEXT_CAPACITY)) return;
    RecordProof proof;
    if (!ProveRecord(job.record.path, &proof)) {
        job.outcome.unproven = true;
        return;
    }
    if (job.copy) {
        TextCopy(job.copy->seal, proof.seal, SEAL_CAPACITY);
        TextCopy(job.copy->entry, proof.entry, TEXT_CAPACITY);
    }
    if (Rules(job).onlyItsRun && !(installation && installation->keysWritten)) return;

    uint32_t read = SysGetProfileSection(RECORD_SECTION, job.section, SECTION_CAPACITY, job.record.path);
    if (read == 0) return;
    if (read > SECTION_CAPACITY - 2) read = SECTION_CAPACITY - 2;
    job.section[read] = 0;
    job.section[read + 1] = 0;
    InitSectionCursor(&job.cursorStore, job.section, read);
    job.cursor = &job.cursorStore;
    if (read == SECTION_CAPACITY - 2 && job.cursor->end > job.cursor->begin) {
        // A section longer than the buffer comes back cut, and a path cut short names
        // another file: the last string is left out, and with it the rest of the
        // record stays for the next uninstall.
        job.cursor->end = LastStringBefore(job.cursor->begin, job.cursor->end);
        if (Rules(job).keepsWhatStays) job.outcome.incomplete = true;
    }
    if (Rules(job).onlyItsRun) {
        // New keys go to the end of the section: the run's are the last ones. What a
        // full disk left of a key it cut (a string without "=") is no key of the run.
        char* runBegin = job.cursor->end;
        for (uint32_t k = 0; k < installation->keysWritten && runBegin > job.cursor->begin;) {
            runBegin = LastStringBefore(job.cursor->begin, runBegin);
            for (const char* p = runBegin; *p; ++p)
                if (*p == '=') {
                    ++k;
                    break;
                }
        }
        job.cursor->begin = job.cursor->at = runBegin;
    }
    for (const char* at = job.section; at < job.cursor->end; at += TextLength(at) + 1) {
        if (TextStartsWithNoCase(at, BACKUP_PREFIX)) job.recordsBackups = true;
        if (TextStartsWithNoCase(at, TYPEFACE_PREFIX)) job.recordsTypefaces = true;
    }
    // Only what is still the copy that the record describes is removed.
    MarkFilesNotCopied(job.section, job.cursor->end, job.cursor->begin, job.cursor->end, ForgetGoneFile, &job);
}

// Installed from the Themes folder itself, the theme file is also the record file,
// which the profile functions cannot write while the job holds it open: the job then
// reads a scratch copy under a name that no other file holds. When it cannot be
// made, scratch is left empty.
static void MakeScratchCopy(char* scratch) {
    char folder[TEXT_CAPACITY];
    uint32_t n = SysGetTempPath(TEXT_CAPACITY, folder);
    if (n == 0 || n >= TEXT_CAPACITY || !SysGetTempFileName(folder, "DEC", scratch)) {
        scratch[0] = 0;
        return;
    }
    if (!SysCopyFile(themeFileName, scratch, false)) {
        SysDeleteFile(scratch);
        scratch[0] = 0;
    }
}

// ---- The three modes

static const char* BeginInstall(Job& job, const JobOutcome*, char* scratch) {
    if (job.copy->isThemeFile) MakeScratchCopy(scratch);
    return scratch[0] ? scratch : themeFileName;
}

static const char* BeginRemoval(Job& job, const JobOutcome* installation, char*) {
    ReadRecord(job, installation);
    return copyFileName;
}

static void WalkInstall(Job& job, ThemeReader* reader) {
    GatherOtherCopies(job);
    job.progress = SysCreateProgressDialog(0);
    if (job.progress) {
        SysSetDialogItemText(job.progress, IDC_BANNER, PRODUCT_BANNER);
        job.progressBar = SysGetDialogItem(job.progress, IDC_PROGRESS_BAR);
        job.counting = true;
        SysSetCapture(job.progress);
        SysSetWaitCursor();
    }
    RunPasses(job, reader);
    if (!job.outcome.noRecord) StampsNotWritten(job, FlushCopyStamps(job.record));
    if (job.otherCopies) SysFreeBlock(job.otherCopies);
}

static void WalkRecord(Job& job, ThemeReader* reader) {
    // Only what a proven record lists is removed. Without one, the theme's lines may
    // name files that were in place before (system files among them), and nothing
    // tells them apart from what an installation copied.
    if (!job.cursor) return;
    job.line[0] = 0;
    RunPasses(job, reader);
}

static void RemoveRecordedEntry(Job& job, int, uint32_t, uint32_t) { RemoveEntry(job); }

static void FinishInstall(Job&) {}

static void FinishUninstall(Job& job) {
    if (job.outcome.unproven) return;
    if (job.outcome.aborted) job.outcome.incomplete = true;
    // The copy holds the record: it goes last, and only when nothing it lists is left;
    // a copy that cannot be deleted keeps the entry that names it.
    uint32_t error = 0;
    if (!job.outcome.incomplete && !DeleteAndCheck(copyFileName, &error) && error != SYS_ERROR_FILE_NOT_FOUND)
        job.outcome.incomplete = true;
    if (job.outcome.incomplete) ForgetDoneKeys(job.record, job.section, job.cursor ? job.cursor->end : job.section);
}

static void FinishRollback(Job& job) {
    if (job.outcome.unproven) return;
    // A copy that the abandoned installation made goes whole; an earlier one, or the
    // theme file itself, loses the keys of the run.
    if (job.copy && !job.copy->reused && !job.copy->isThemeFile) SysDeleteFile(copyFileName);
    else if (job.cursor) ForgetRunKeys(job.record, job.section, job.cursor->begin, job.cursor->end);
}

static const ModeRules MODES[] = {
    // block size         removes asks   keeps  its run says   begin         walk         entry                finish
    {INSTALL_BLOCK_SIZE, false, true, false, false, true, BeginInstall, WalkInstall, InstallEntry, FinishInstall},
    {RECORD_BLOCK_SIZE, true, true, true, false, true, BeginRemoval, WalkRecord, RemoveRecordedEntry, FinishUninstall},
    {RECORD_BLOCK_SIZE, true, false, false, true, false, BeginRemoval, WalkRecord, RemoveRecordedEntry, FinishRollback},
};

static const ModeRules& Rules(const Job& job) { return MODES[job.mode]; }

JobOutcome RunThemeJob(SysWindow owner, JobMode mode, InstalledCopy* copy, const JobOutcome* installation) {
    Job job = {};
    job.mode = mode;
    const ModeRules& rules = Rules(job);
    // An installation writes into the copy that its caller chose and registered.
    if (!rules.removes && !copy) return job.outcome;
    char* block = (char*)SysAllocBlock(rules.blockSize);
    if (!block) return job.outcome;
    job.owner = owner;
    job.copy = copy;
    job.source = block + SOURCE_OFFSET;
    job.destination = block + DESTINATION_OFFSET;
    job.line = block + LINE_OFFSET;
    job.record.path = block + RECORD_OFFSET;
    job.section = rules.removes ? block + SECTION_OFFSET : 0;
    job.directoryCounter = 1;
    job.countedTotal = 1;
    job.warnOnce = true;

    AppendPathPart(themesDir, 0, PATH_CAPACITY);
    AppendPathPart(windowsDir, 0, PATH_CAPACITY);
    AppendPathPart(fontsDir, 0, PATH_CAPACITY);

    char scratch[TEXT_CAPACITY];
    scratch[0] = 0;
    const char* walked = rules.begin(job, installation, scratch);
    SysFile file = SysOpenExisting(walked, SYS_SHARE_READ, true);
    if (!file) {
        if (scratch[0]) SysDeleteFile(scratch);
        if (rules.saysUnopenable)
            SysMessageBox(owner, "Unable to open theme file!", CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING);
        SysFreeBlock(block);
        return job.outcome;
    }
    job.outcome.ran = true;
    ThemeReader reader;
    StartThemeReader(&reader, file);
    rules.walk(job, &reader);

    SysCloseFile(file);
    if (job.fontsChanged) SysBroadcastFontChange();
    if (scratch[0]) SysDeleteFile(scratch);
    if (job.progress) SysDestroyWindow(job.progress);
    job.outcome.keysWritten = job.record.keysWritten;
    rules.finish(job);
    SysFreeBlock(block);
    return job.outcome;
}
