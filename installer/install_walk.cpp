// The install walk: the theme file's lines, each one that names a file resolved to its
// destination, the file copied there and recorded in the installed copy of the theme
// file, so that an uninstall or a rollback can take back exactly what it put in place.
// With a progress dialog the walk makes two passes over the file: one that counts the
// entries for the bar's range, then the real one.
#include "job.h"
#include "installer_text.h"

// A copy whose stamp waits in record.batch: its path and whether it moved a screen
// aside, so that a batch that cannot be written can be undone whatever the record
// file holds.
struct PendingCopy {
    char path[PATH_CAPACITY];
    bool movedAside;
};

struct InstallWalk {
    SysWindow owner;
    Installation* installation;
    RecordFile* record;  // the installed copy of the theme file and its record
    JobOutcome* outcome;
    char* source;        // the source name (a file in the current directory)
    char* destination;   // where the entry goes
    char* line;          // the current line; also composes messages
    Progress progress;
    uint32_t position;          // entries handled in this pass
    uint32_t directoryCounter;  // the number for the next "Dir" key
    uint32_t countedTotal;      // entries found by the counting pass, plus one
    bool counting;              // the counting pass runs
    bool special;               // inside the special section
    bool warnOnce;              // the missing-component dialog may still be shown
    bool fontsChanged;          // a font was registered or unregistered
    char* otherCopies;          // the installed copies that uninstall entries name
    StartupFolders startup;     // where Windows starts what it finds at logon
    OtherRecords others;        // what other installations placed, read when first needed
    char sharedFolder[PATH_CAPACITY];  // the folder in place looked at last
    PendingCopy pending[COPY_STAMP_BATCH];
};

// What one entry put in place, for its undo.
struct PlacedEntry {
    const char* path;  // the destination
    uint32_t number;   // of its "File" key
    bool copied;       // a copy (or what a failed one left of itself) stands there
    bool recorded;     // its "File" key stands in the record, and maybe its font's
    bool movedAside;   // the screen that was in place waits in its backup
    bool backupKey;    // the record says so
};

// Takes back what an entry put in place, in an order that leaves the record the way back
// to anything it moved at every step: the font, the copy, the screen it moved aside,
// then its keys.
static void UndoEntry(InstallWalk& walk, const PlacedEntry& placed) {
    RecordFile& record = *walk.record;
    char text[TEXT_CAPACITY];
    if (placed.recorded && ReadRecordValue(record, TYPEFACE_KEY, placed.number, text)) {
        SysRemoveFontResource(placed.path);
        walk.fontsChanged |= UnregisterFont(*walk.installation, text, placed.path);
        DropRecordKey(record, TYPEFACE_KEY, placed.number);
    }
    if (placed.copied) SysDeleteFile(placed.path);
    if (placed.movedAside) {
        MakeInstallBackupName(placed.path, text);
        SysMoveFile(text, placed.path);
    }
    if (placed.recorded) DropRecordKey(record, FILE_KEY, placed.number);
    DropFailedKey(record);
    if (placed.backupKey) DropRecordKey(record, BACKUP_KEY, placed.number);
}

static void Ask(InstallWalk& walk, const char* text);

// After a batch of stamps that could not be written: the copies whose stamps are not
// in the record go again (no uninstall could ever show that they are its own), with
// their keys and the screens they moved aside, and the user is asked whether to go
// on, naming the last of them. Its own buffer: the entry at hand keeps its names.
static void StampsNotWritten(InstallWalk& walk, uint32_t error) {
    if (!error) return;
    RecordFile& record = *walk.record;
    const char* name = "";
    for (uint32_t i = 0; i < record.batchCount; ++i) {
        const PendingCopy& copy = walk.pending[i];
        UndoEntry(walk, {copy.path, record.batch[i].number, true, true, copy.movedAside, copy.movedAside});
        name = FindBaseName(copy.path);
    }
    char text[TEXT_CAPACITY];
    ComposeCopyError(text, error, name, "'\nContinue?");
    DiscardPendingStamps(record);
    ShowProgress(walk.progress);
    if (!AskToContinue(walk.owner, text)) walk.outcome->aborted = true;
}

// Before the walk stops to ask (the user may end the program there): the bar shows
// where it is, and the stamps of the copies so far go into the record.
static void BeforeAsking(InstallWalk& walk) {
    ShowProgress(walk.progress);
    StampsNotWritten(walk, FlushCopyStamps(*walk.record));
}

// Shows an error question; Cancel (or a box that could not be shown) aborts the job.
static void Ask(InstallWalk& walk, const char* text) {
    BeforeAsking(walk);
    if (!AskToContinue(walk.owner, text)) walk.outcome->aborted = true;
}

// Reports a copy that failed with error: the missing-component dialog (once per
// job) for a missing source, otherwise the question whether to go on.
static void ReportCopyError(InstallWalk& walk, uint32_t error) {
    if (error == SYS_ERROR_FILE_NOT_FOUND) {
        if (walk.warnOnce) {
            walk.warnOnce = false;
            BeforeAsking(walk);
            SysShowMissingComponentDialog(walk.owner, walk.source);
        }
        return;
    }
    ComposeCopyError(walk.line, error, walk.source, "'\nContinue?");
    Ask(walk, walk.line);
}

// ---- What other installations placed

// A folder in place that another installation made: this one uses it too, and records
// so, so that it goes with the last installation that uses it. The folder last looked
// at is not looked at again (the entries of one folder come one after another).
static void NoteSharedFolder(InstallWalk& walk, const char* folder) {
    if (TextEqualNoCase(folder, walk.sharedFolder)) return;
    TextCopy(walk.sharedFolder, folder, PATH_CAPACITY);
    GatherOtherRecords(walk.others, walk.record->path);
    if (!OthersPlacedFolder(walk.others, folder) || RecordListsPath(*walk.record, false, folder)) return;
    uint32_t error = 0;
    if (WriteRecordKey(*walk.record, SHARED_DIR_KEY, &walk.directoryCounter, folder, 0, &error)) ++walk.directoryCounter;
    else DropFailedKey(*walk.record);
}

// Drops a file entry of the record: its key (a copy or a use of another's) and its font's.
static void DropFileEntry(RecordFile& record, uint32_t number) {
    static const RecordKey keys[] = {FILE_KEY, SHARED_FILE_KEY, TYPEFACE_KEY};
    for (RecordKey key : keys) DropRecordKey(record, key, number);
}

// True when the record's entry number is an earlier run's copy with another mark than
// the file in place (which another installation put there, after an uninstall of this
// one was cut off half-way): the entry is dropped, since what it lists is gone, and this
// run uses the other's copy instead. The font that the entry registered is the other's
// now too, and stays registered.
static bool EarlierCopyReplaced(InstallWalk& walk, uint32_t number, uint32_t present) {
    char* buffer = (char*)SysAllocBlock(SECTION_CAPACITY);
    RecordSection section;
    uint32_t count = 0, mark = 0;
    CopyStamp* stamps = buffer && ReadRecordSection(walk.record->path, buffer, &section) ? ReadSectionStamps(section, &count) : 0;
    bool replaced = stamps && FindCopyStamp(stamps, count, number, &mark) && mark != present;
    if (stamps) SysFreeBlock(stamps);
    if (buffer) SysFreeBlock(buffer);
    if (!replaced) return false;
    DropFileEntry(*walk.record, number);
    return true;
}

// A file in place that another installation put there, still the copy its record
// describes: this one uses it too, and records so (with the file's stamp, and the font
// that the other's record notes for it), so that it goes with the last installation that
// uses it. A screen is never shared: each installation puts back the screen it replaced.
static void NoteSharedFile(InstallWalk& walk, int kind, PlacedEntry& placed) {
    RecordFile& record = *walk.record;
    SysFileStamp stamp;
    if (IsScreenKind(kind) || !SysGetFileStamp(placed.path, &stamp)) return;
    GatherOtherRecords(walk.others, record.path);
    uint32_t listed = 0;
    if (!OthersPlacedCopy(walk.others, placed.path, StampMark(stamp)) ||
        (RecordListsPath(record, true, placed.path, &listed) && !EarlierCopyReplaced(walk, listed, StampMark(stamp))))
        return;
    // The stamp first: a use that the record names without it could not be shown to be
    // of that copy, and another installation would take the file away.
    FindFreeNumber(record, SHARED_FILE_KEY, &placed.number);
    if (!RecordHasRoom(record, FileKeyRoom(placed.path) + CopyStampRoom()) ||
        WriteCopyStamp(record, placed.number, stamp) || WriteNumberedKey(record, SHARED_FILE_KEY, placed.number, placed.path))
        return;
    // A registration that no installation notes is someone else's, even when it names
    // this file (a user's font whose file went, and that a theme then put back): it is
    // never noted, so that no uninstall takes it away.
    if (kind == FontsEntry && OthersNotedFont(walk.others, placed.path, StampMark(stamp)))
        RegisterFont(*walk.installation, record, placed.number, placed.path, true);
}

// Creates the folders of the destination below its token's directory, outer first,
// recording each one that did not exist, with room kept for the entry's file key.
// False when a folder's record key could not be written: that folder is removed
// again and *error holds the code.
static bool CreateDestinationFolders(InstallWalk& walk, uint32_t directoryLength, uint32_t reserve, uint32_t* error) {
    char* destination = walk.destination;
    for (uint32_t i = directoryLength; destination[i]; ++i) {
        if (destination[i] != '\\') continue;
        destination[i] = 0;
        bool ok = true;
        if (SysCreateDirectory(destination)) {
            if (WriteRecordKey(*walk.record, DIR_KEY, &walk.directoryCounter, destination, reserve, error)) {
                ++walk.directoryCounter;
            } else {
                SysRemoveDirectory(destination);
                DropFailedKey(*walk.record);
                ok = false;
            }
        } else {
            NoteSharedFolder(walk, destination);
        }
        destination[i] = '\\';
        if (!ok) return false;
    }
    return true;
}

// After a run over an earlier installation's record, an earlier run's file or folder that
// is gone (an uninstall stopped half-way, or the user took it away) and that this run
// could not make again: what it brought with it goes, and so does its entry, so that
// the record lists only what is in place.
struct GoneEntries {
    InstallWalk* walk;
    const RecordSection* section;
};

static void ForgetGoneEntry(const char* path, uint32_t number, bool gone, const uint32_t*, void* context) {
    GoneEntries& gone_ = *(GoneEntries*)context;
    if (!gone) return;
    InstallWalk& walk = *gone_.walk;
    walk.fontsChanged |= ForgetGoneFile(*walk.installation, *gone_.section, number, path);
    DropFileEntry(*walk.record, number);
    DropRecordKey(*walk.record, BACKUP_KEY, number);
}

// An earlier run's entry for a file that this run listed anew (it was gone when this run
// copied it, or used another installation's copy in its place): the record keeps only
// this run's entry, which takes over the font registration the earlier one made (a
// registration in place is not made again).
static void ForgetListedAnew(InstallWalk& walk, const RecordSection& section) {
    const RecordFile& record = *walk.record;
    char font[TEXT_CAPACITY], present[TEXT_CAPACITY];
    for (const char* at = section.begin; at < section.end; at = NextRecordString(at)) {
        RecordEntry earlier = ParseRecordEntry(at);
        if (!IsFileEntry(earlier.key) || !earlier.value || WrittenByRun(record, earlier.key, earlier.number)) continue;
        for (const char* other = section.begin; other < section.end; other = NextRecordString(other)) {
            RecordEntry entry = ParseRecordEntry(other);
            if (!IsFileEntry(entry.key) || entry.number == earlier.number || !entry.value ||
                !TextEqualNoCase(entry.value, earlier.value) || !WrittenByRun(record, entry.key, entry.number))
                continue;
            if (FindRecordValue(section, TYPEFACE_KEY, earlier.number, font) &&
                !FindRecordValue(section, TYPEFACE_KEY, entry.number, present) &&
                WriteNumberedKey(*walk.record, TYPEFACE_KEY, entry.number, font))
                break;
            DropFileEntry(*walk.record, earlier.number);
            break;
        }
    }
}

static void ForgetGoneEntries(InstallWalk& walk) {
    char* buffer = (char*)SysAllocBlock(SECTION_CAPACITY);
    RecordSection section;
    if (buffer && ReadRecordSection(walk.record->path, buffer, &section)) {
        uint32_t count = 0;
        CopyStamp* stamps = ReadSectionStamps(section, &count);
        GoneEntries gone = {&walk, &section};
        ForgetListedAnew(walk, section);
        MarkFilesNotCopied(section, stamps, count, ForgetGoneEntry, &gone);
        if (stamps) SysFreeBlock(stamps);
        // And the folders that are gone.
        for (const char* text = section.begin; text < section.end; text = NextRecordString(text)) {
            RecordEntry entry = ParseRecordEntry(text);
            if (IsFolderEntry(entry.key) && entry.value && SysGetFileAttributes(entry.value) == SYS_INVALID_FILE_ATTRIBUTES)
                DropRecordKey(*walk.record, entry.key, entry.number);
        }
    }
    if (buffer) SysFreeBlock(buffer);
}

// The theme file's copy could not become the record: nothing can be installed, so the
// user is told so, without a question that could only have one answer.
static void RecordNotMade(InstallWalk& walk, uint32_t error) {
    walk.outcome->noRecord = true;
    ShowProgress(walk.progress);
    ComposeCopyError(walk.line, error, walk.source, "'");
    Warn(walk.owner, walk.line);
}

// The theme file itself, the first entry: its installed copy becomes the record. An
// earlier installation's copy, proven, keeps its record, which must still take keys.
// A copy made now loses any record section of its own (one that the theme's author put
// there would make an uninstall delete what it lists) and takes the seal of this
// installation.
static void InstallThemeFile(InstallWalk& walk) {
    const InstalledCopy& copy = walk.installation->copy;
    RecordFile& record = *walk.record;
    OpenRecordFile(record, walk.destination, copy.reused);
    uint32_t error;
    // A theme file named like one that Windows acts on could not stay in the Themes
    // folder (where this installer's copy loads code from).
    if (IsActedOnByWindows(walk.destination, walk.startup)) return RecordNotMade(walk, SYS_ERROR_ACCESS_DENIED);
    if (copy.reused) {
        error = MeasureRecord(record);
        // The seal written again in place: a copy that can no longer be written (read-only,
        // a full volume) would take none of this run's keys.
        if (!error) error = WriteSeal(record, copy.seal);
        if (error) RecordNotMade(walk, error);
        return;
    }
    if (!SysCopyFile(walk.source, walk.destination, true)) {
        error = SysGetLastError();
        // Whatever a copy that failed half-way left there is a cut-off file of its own; a
        // file that was there first is never touched.
        if (error != SYS_ERROR_FILE_EXISTS && error != SYS_ERROR_ALREADY_EXISTS) SysDeleteFile(walk.destination);
        RecordNotMade(walk, error);
        return;
    }
    ClearReadOnly(walk.destination);
    error = DropRecordSections(record);
    if (!error) error = WriteSeal(record, copy.seal);
    if (!error) return;
    SysDeleteFile(walk.destination);
    RecordNotMade(walk, error);
}

// After a copy that failed with error: true when what stands at the destination was
// there before. A copy that may not replace a file refuses one that is there before
// it writes anything (80), and a copy that cannot open its source never reaches the
// destination; anything else there now is what this copy left of itself (a full
// disk). Asking afterwards spares every copy that succeeds a look for a name that is
// not there, which on some systems reads the whole folder.
static bool DestinationWasThere(InstallWalk& walk, uint32_t error) {
    if (error == SYS_ERROR_FILE_EXISTS || error == SYS_ERROR_ALREADY_EXISTS) return true;
    // A missing source, or a missing folder: nothing was written.
    if (error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND) return true;
    SysFile source = SysOpenExisting(walk.source, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (!source) return true;
    SysCloseFile(source);
    return false;
}

// ---- The installed copies of other installations, gathered once per installation: a
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

static void GatherOtherCopies(InstallWalk& walk) {
    CopyList list = {0, 0, 1};
    VisitUninstallEntries(AddCopy, &list);
    walk.otherCopies = (char*)SysAllocBlock(list.needed + 1);
    if (!walk.otherCopies) return;
    list = {walk.otherCopies, list.needed + 1, 0};
    VisitUninstallEntries(AddCopy, &list);
}

// True when destination is the installed copy that an uninstall entry names. Only
// names alike are compared in full, as the file system resolves them.
static bool IsOtherCopy(const InstallWalk& walk, const char* destination) {
    const char* name = FindBaseName(destination);
    // Without the list, nothing can be shown to be no installed copy.
    if (!walk.otherCopies) return true;
    for (const char* copy = walk.otherCopies; *copy; copy += TextLength(copy) + 1)
        if (TextEqualNoCase(FindBaseName(copy), name) && SameFile(copy, destination)) return true;
    return false;
}

// ---- One entry

// Moves the screen in place aside. The record names the screen file, the copy that will
// stand there (its source's stamp, which a copy keeps) and the backup before anything
// happens, so that an uninstall finds the way back whenever the installation stops
// (even by a power cut), and only a backup that this installation made is ever put
// back. False, with *error, when the record could not take them.
static bool MoveScreenAside(InstallWalk& walk, PlacedEntry& placed, uint32_t* error) {
    RecordFile& record = *walk.record;
    char backup[TEXT_CAPACITY];
    MakeInstallBackupName(placed.path, backup);
    // A screen whose source is missing is not touched at all.
    SysFileStamp stamp;
    if (!SysGetFileStamp(walk.source, &stamp)) {
        *error = SysGetLastError();
        if (!*error) *error = SYS_ERROR_FILE_NOT_FOUND;
        return false;
    }
    placed.recorded = WriteRecordKey(record, FILE_KEY, &placed.number, placed.path, CopyStampRoom(), error);
    if (placed.recorded && (*error = WriteCopyStamp(record, placed.number, stamp)))
        placed.recorded = false, DropRecordKey(record, FILE_KEY, placed.number);
    // The backup key only when there is a screen to move aside and its backup's name is
    // free: a key written for a move that cannot happen, and left by a power cut, would
    // make the uninstall put a file of that name in the screen's place.
    bool toMove = SysGetFileAttributes(placed.path) != SYS_INVALID_FILE_ATTRIBUTES &&
                  SysGetFileAttributes(backup) == SYS_INVALID_FILE_ATTRIBUTES;
    if (placed.recorded && toMove)
        placed.backupKey = (*error = WriteNumberedKey(record, BACKUP_KEY, placed.number, backup)) == 0;
    if (placed.backupKey) placed.movedAside = SysMoveFile(placed.path, backup);
    if (placed.movedAside) return true;
    // Nothing to move aside (or a backup of that name is there already): no backup.
    if (placed.backupKey) DropRecordKey(record, BACKUP_KEY, placed.number);
    placed.backupKey = false;
    if (placed.recorded) return true;
    UndoEntry(walk, placed);
    return false;
}

// After a copy that succeeded: the copy recorded, with its font and its stamp. False,
// with *error, when it could not be shown to be this copy in the record.
static bool RecordCopy(InstallWalk& walk, int kind, PlacedEntry& placed, uint32_t* error) {
    RecordFile& record = *walk.record;
    ClearReadOnly(placed.path);
    SysFileStamp stamp;
    if (!SysGetFileStamp(placed.path, &stamp)) {
        *error = SysGetLastError();
        if (!*error) *error = SYS_ERROR_ACCESS_DENIED;
        return false;
    }
    if (!placed.recorded && !WriteRecordKey(record, FILE_KEY, &placed.number, placed.path, CopyStampRoom(), error))
        return false;
    PendingCopy& pending = walk.pending[record.batchCount];
    TextCopy(pending.path, placed.path, PATH_CAPACITY);
    pending.movedAside = placed.movedAside;
    if (kind == FontsEntry) walk.fontsChanged |= RegisterFont(*walk.installation, record, placed.number, placed.path, false);
    if (AddCopyStamp(record, placed.number, stamp)) StampsNotWritten(walk, FlushCopyStamps(record));
    return true;
}

// True when the record lists the screen at path and it is in place. One that it lists
// but that is gone (an uninstall stopped half-way) had its backup put back and leaves
// the record first, so that the screen is installed anew over the user's.
static bool ScreenInPlace(InstallWalk& walk, const char* path) {
    RecordFile& record = *walk.record;
    uint32_t number = 0;
    if (!RecordListsPath(record, true, path, &number)) return false;
    if (SysGetFileAttributes(path) != SYS_INVALID_FILE_ATTRIBUTES) return true;
    char backup[TEXT_CAPACITY];
    if (ReadRecordValue(record, BACKUP_KEY, number, backup)) RestoreScreenBackup(path, backup);
    DropRecordKey(record, FILE_KEY, number);
    DropRecordKey(record, BACKUP_KEY, number);
    return false;
}

// True when the screen in place is the theme's screen already, by its size and time (the
// same file, shipped by another theme too, or put there by hand): it is left as it is,
// and never taken for this installation's (nor moved aside as the user's).
static bool SameScreenThere(InstallWalk& walk) {
    SysFileStamp source, present;
    return SysGetFileStamp(walk.source, &source) && SysGetFileStamp(walk.destination, &present) &&
           StampMark(source) == StampMark(present);
}

// True when the screen's place is empty while another installation's record holds the
// screen it moved aside, waiting in its backup (that installation's own screen went, by
// hand or by a power cut): the place is kept free for that screen to go back to, as it
// would be while the other installation's screen stood there.
static bool ScreenAwaitsItsBackup(InstallWalk& walk) {
    char backup[TEXT_CAPACITY];
    MakeInstallBackupName(walk.destination, backup);
    if (SysGetFileAttributes(walk.destination) != SYS_INVALID_FILE_ATTRIBUTES ||
        SysGetFileAttributes(backup) == SYS_INVALID_FILE_ATTRIBUTES)
        return false;
    GatherOtherRecords(walk.others, walk.record->path);
    return OthersMovedAnyAside(walk.others, walk.destination);
}

// Copies one entry into place and records it. refusedError, when not 0, is the
// error of an entry whose paths were refused: nothing is touched for it.
static void InstallEntry(InstallWalk& walk, int kind, uint32_t directoryLength, uint32_t refusedError) {
    if (refusedError) return ReportCopyError(walk, refusedError);
    if (walk.position == 1) return InstallThemeFile(walk);
    RecordFile& record = *walk.record;
    // The record itself counts as in place; another theme's record may not be replaced.
    if (TextEqualNoCase(FindBaseName(walk.destination), FindBaseName(record.path)) &&
        SameFile(walk.destination, record.path))
        return;
    if (IsOtherCopy(walk, walk.destination)) return ReportCopyError(walk, SYS_ERROR_ACCESS_DENIED);
    // An entry whose keys the record could not take is not copied: the uninstall
    // must be able to read back every path it lists, whole.
    uint32_t fileKeyRoom = FileKeyRoom(walk.destination) + CopyStampRoom();
    uint32_t error = 0;
    if (!RecordHasRoom(record, fileKeyRoom)) return ReportCopyError(walk, SYS_ERROR_FILENAME_EXCED_RANGE);
    if (!CreateDestinationFolders(walk, directoryLength, fileKeyRoom, &error)) return ReportCopyError(walk, error);

    PlacedEntry placed = {walk.destination, walk.position - 1, false, false, false, false};
    FindFreeNumber(record, FILE_KEY, &placed.number);
    if (IsScreenKind(kind)) {
        // A screen that this record already lists (a second line for it, an earlier run
        // of this installation) is this installation's own: it is in place, and is never
        // moved aside as if it were the screen it replaced.
        if (ScreenInPlace(walk, walk.destination) || SameScreenThere(walk) || ScreenAwaitsItsBackup(walk)) return;
        if (!MoveScreenAside(walk, placed, &error)) return ReportCopyError(walk, error);
    }
    if (SysCopyFile(walk.source, walk.destination, true)) {
        if (RecordCopy(walk, kind, placed, &error)) return;
        // Not in the record, or not provably this copy, so nothing would ever remove
        // it: undo the copy.
        placed.copied = true;
        UndoEntry(walk, placed);
        return ReportCopyError(walk, error);
    }
    error = SysGetLastError();
    if (DestinationWasThere(walk, error)) {
        SysFile present = SysOpenExisting(walk.destination, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
        if (present) {
            // Already in place: done, and not recorded as a copy, so an uninstall leaves
            // it; but when another installation put it there, this one uses it too.
            SysCloseFile(present);
            if (placed.recorded) UndoEntry(walk, placed);
            else NoteSharedFile(walk, kind, placed);
            return;
        }
    } else {
        // Whatever the failed copy left there is a cut-off file of its own.
        placed.copied = true;
    }
    UndoEntry(walk, placed);
    ReportCopyError(walk, error);
}

// ---- The lines

// Works out where a theme line's file comes from and goes to. False when the line
// is no entry (or, for a screen, the user declined it); otherwise *refusedError is
// the error of an entry that may not be copied, or 0.
static bool ResolveThemeLine(InstallWalk& walk, int kind, const char* position, uint32_t* directoryLength,
                             uint32_t* refusedError) {
    // The file name runs to the first comma or line feed.
    uint32_t length = 0;
    while (position[length] && position[length] != ',' && position[length] != '\n') ++length;
    TextCopyCount(walk.source, position, length, TEXT_CAPACITY);

    const Installation& installation = *walk.installation;
    const char* directory = KindDirectory(installation, kind);
    if (IsScreenKind(kind) && IsKnownFolder(directory)) {
        BeforeAsking(walk);
        if (walk.outcome->aborted || !AskScreenQuestion(walk.owner, kind)) return false;
        GetScreenDestination(installation, kind, walk.destination);
        *directoryLength = TextLength(walk.destination);
    } else {
        *refusedError =
            ResolveFolderDestination(directory, walk.source, walk.startup, walk.destination, directoryLength);
    }
    // Sources lie flat beside the theme file.
    const char* base = FindBaseName(walk.source);
    if (base != walk.source) TextCopy(walk.source, base, TEXT_CAPACITY);
    // A screen's name may still climb out of the theme's folder with "/".
    if (IsScreenKind(kind) && !*refusedError && PathLeavesFolder(walk.source)) *refusedError = SYS_ERROR_ACCESS_DENIED;
    return true;
}

// Handles the current line of the walk.
static void HandleLine(InstallWalk& walk) {
    const char* line = walk.line;
    if (line[0] == 0 || line[0] == ';' || line[0] == '\r' || line[0] == '\n') return;
    if (TextStartsWith(line, SPECIAL_MARKER)) {
        walk.special = true;
        return;
    }
    const char* position;
    int kind = ClassifyThemeLine(line, walk.special, &position);
    if (kind == NoEntry) return;
    if (walk.counting) {
        ++walk.countedTotal;
        return;
    }
    StepProgress(walk.progress);
    uint32_t directoryLength = 0, refusedError = 0;
    if (!ResolveThemeLine(walk, kind, position, &directoryLength, &refusedError)) return;
    ++walk.position;
    InstallEntry(walk, kind, directoryLength, refusedError);
}

// The theme file itself, always the first entry of an installation, taken whole
// (its name may hold a comma or anything else a line would stop at).
static void HandleThemeFile(InstallWalk& walk) {
    if (walk.counting) {
        ++walk.countedTotal;
        return;
    }
    StepProgress(walk.progress);
    const Installation& installation = *walk.installation;
    TextCopy(walk.source, installation.themeFileName, TEXT_CAPACITY);
    TextCopy(walk.destination, installation.themesDir, TEXT_CAPACITY);
    TextAppend(walk.destination, installation.copyFileName, TEXT_CAPACITY);
    ++walk.position;
    InstallEntry(walk, ThemesEntry, 0, 0);
}

// The passes over the theme file: the counting pass when there is a bar, then the
// real one.
static void RunPasses(InstallWalk& walk, ThemeReader* reader) {
    for (;;) {
        walk.position = 0;
        walk.special = false;
        HandleThemeFile(walk);
        bool more = !walk.outcome->noRecord && ReadThemeLine(walk.line, TEXT_CAPACITY, reader) != 0;
        while (more && !walk.outcome->aborted && !walk.outcome->noRecord) {
            HandleLine(walk);
            more = ReadThemeLine(walk.line, TEXT_CAPACITY, reader) != 0;
        }
        if (!walk.counting) {
            ShowProgress(walk.progress);
            return;
        }
        walk.counting = false;
        RewindThemeReader(reader);
        SetProgressTotal(walk.progress, walk.countedTotal);
    }
}

// Installed from the Themes folder itself, the theme file is also the record file,
// which the profile functions cannot write while the job holds it open: the job then
// reads a scratch copy under a name that no other file holds. When it cannot be
// made, scratch is left empty.
static void MakeScratchCopy(const char* themeFile, char* scratch) {
    char folder[TEXT_CAPACITY];
    uint32_t n = SysGetTempPath(TEXT_CAPACITY, folder);
    if (n == 0 || n >= TEXT_CAPACITY || !SysGetTempFileName(folder, "DEC", scratch)) {
        scratch[0] = 0;
        return;
    }
    if (!SysCopyFile(themeFile, scratch, false)) {
        SysDeleteFile(scratch);
        scratch[0] = 0;
    }
}

// The walk over the open theme file.
static void Walk(InstallWalk& walk, ThemeReader* reader) {
    GatherOtherCopies(walk);
    ReadStartupFolders(walk.startup);
    walk.counting = OpenProgress(walk.progress);
    RunPasses(walk, reader);
    if (!walk.outcome->noRecord) StampsNotWritten(walk, FlushCopyStamps(*walk.record));
    if (walk.installation->copy.reused && !walk.outcome->noRecord && !walk.outcome->aborted) ForgetGoneEntries(walk);
    if (walk.otherCopies) SysFreeBlock(walk.otherCopies);
    ReleaseOtherRecords(walk.others);
}

void RunInstallWalk(SysWindow owner, Installation& installation, RecordFile& record, JobOutcome& outcome) {
    char* block = (char*)SysAllocBlock(INSTALL_BLOCK_SIZE);
    if (!block) return;
    EndFoldersWithSeparator(installation);
    char scratch[TEXT_CAPACITY];
    scratch[0] = 0;
    if (installation.copy.isThemeFile) MakeScratchCopy(installation.themeFileName, scratch);
    SysFile file = OpenWalkedFile(scratch[0] ? scratch : installation.themeFileName);
    if (!file) {
        if (scratch[0]) SysDeleteFile(scratch);
        SayThemeFileUnopenable(owner);
        SysFreeBlock(block);
        return;
    }
    outcome.ran = true;
    InstallWalk walk = {};
    walk.owner = owner;
    walk.installation = &installation;
    walk.record = &record;
    walk.outcome = &outcome;
    walk.source = block + SOURCE_OFFSET;
    walk.destination = block + DESTINATION_OFFSET;
    walk.line = block + LINE_OFFSET;
    walk.directoryCounter = 1;
    walk.countedTotal = 1;
    walk.warnOnce = true;
    ThemeReader reader;
    StartThemeReader(&reader, file);
    Walk(walk, &reader);
    SysCloseFile(file);
    if (walk.fontsChanged) SysBroadcastFontChange();
    if (scratch[0]) SysDeleteFile(scratch);
    CloseProgress(walk.progress);
    SysFreeBlock(block);
}
