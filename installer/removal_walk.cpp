// The removal walk: an uninstall, or the rollback of an installation that the user
// abandoned, replays a proven record to take away what it lists: the files first, in
// the order they stand, putting back the screens they moved aside and taking their
// fonts out of the list, then the folders, deepest first. A rollback takes back only
// what its own run wrote; an uninstall what the whole record lists. Only what is still
// the copy that the record describes is removed.
#include "job.h"
#include "installer_text.h"

struct RemovalWalk {
    SysWindow owner;
    JobMode mode;
    Installation* installation;
    JobOutcome* outcome;
    char* destination;    // the recorded path at hand
    char* line;           // the current entry; also composes messages
    char* buffer;         // the record section as read back
    RecordFile record;    // the installed copy that holds the record
    RecordSection section;
    SectionCursor cursor;
    bool walks;           // a proven record was read: the cursor is set
    char entryKind;       // the record's files, then its folders
    // Whether the record lists any file's backup or font at all: most records list
    // none, and a look for one per file would read it all.
    bool recordsBackups;
    bool recordsTypefaces;
    bool fontsChanged;    // a font was unregistered: the programs are told
    OtherRecords others;  // what other installations use, read when first needed
    CopyStamp* stamps;    // the marks the record keeps of its copies
    uint32_t stampCount;
};

// An uninstall asks about a removal that fails and keeps the record of what stays; a
// rollback does neither.
static bool Asks(const RemovalWalk& walk) { return walk.mode == Uninstall; }

// The font name that "File" number registered.
static bool RegisteredFont(const RemovalWalk& walk, uint32_t number, char* name) {
    return walk.recordsTypefaces && FindRecordValue(walk.section, TYPEFACE_KEY, number, name);
}

// The screen backup that "File" number made.
static bool RecordedBackup(const RemovalWalk& walk, uint32_t number, char* backup) {
    return walk.recordsBackups && FindRecordValue(walk.section, BACKUP_KEY, number, backup);
}

// A screen of this installation's that another installation took the place of: this
// one's waits in the backup that the other made (still the copy, mark), and goes now; the
// other then puts back nothing.
static void ForgetScreenTakenByAnother(RemovalWalk& walk, const char* path, const uint32_t* mark) {
    char backup[TEXT_CAPACITY];
    SysFileStamp stamp;
    if (!mark || !IsScreenPath(*walk.installation, path)) return;
    MakeInstallBackupName(path, backup);
    if (SysGetFileStamp(backup, &stamp) && StampMark(stamp) == *mark) SysDeleteFile(backup);
}

// A recorded file that is not the copy that the record describes. Gone already: what
// it brought with it goes now, since nothing of this installation's stands in its way
// any more: the screen it moved aside goes back in its place, its font leaves the list
// of fonts. Changed since: its font leaves the list; a screen that another
// installation's took the place of: this one's waits in the backup that the other made,
// and goes now (the other then puts back nothing).
static void FileNotTheCopy(const char* path, uint32_t number, bool gone, const uint32_t* mark, void* context) {
    RemovalWalk& walk = *(RemovalWalk*)context;
    if (gone) {
        walk.fontsChanged |= ForgetGoneFile(*walk.installation, walk.section, number, path);
        return;
    }
    // Changed since: the file is the user's now and stays, but the registration that this
    // installation made for it goes with the installation.
    char font[TEXT_CAPACITY];
    if (RegisteredFont(walk, number, font)) walk.fontsChanged |= UnregisterFont(*walk.installation, font, path);
    ForgetScreenTakenByAnother(walk, path, mark);
}

bool ForgetGoneFile(const Installation& installation, const RecordSection& section, uint32_t number, const char* path) {
    char value[TEXT_CAPACITY];
    if (FindRecordValue(section, BACKUP_KEY, number, value)) RestoreScreenBackup(path, value);
    return FindRecordValue(section, TYPEFACE_KEY, number, value) && UnregisterFont(installation, value, path);
}

// Reads the record back and sets the cursor over what the walk is to remove: the whole
// record, or for a rollback the keys of the run it undoes, and that only when the
// record is proven this installer's.
static void ReadRecord(RemovalWalk& walk, const RecordFile* run) {
    Installation& installation = *walk.installation;
    char path[TEXT_CAPACITY];
    uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, path);
    if (n >= TEXT_CAPACITY) return;
    path[n] = 0;
    AppendPathPart(path, 0, TEXT_CAPACITY);
    if (!TextAppend(path, FindBaseName(installation.copyFileName), TEXT_CAPACITY)) return;
    OpenRecordFile(walk.record, path, false);
    RecordProof proof;
    if (!ProveRecord(path, &proof)) {
        walk.outcome->unproven = true;
        return;
    }
    TextCopy(installation.copy.seal, proof.seal, SEAL_CAPACITY);
    TextCopy(installation.copy.entry, proof.entry, TEXT_CAPACITY);
    // The Themes folder as the installation spelt it in its entry and its record,
    // whatever spelling of it named the copy here.
    uint32_t folder = (uint32_t)(FindBaseName(proof.copy) - proof.copy);
    if (folder < PATH_CAPACITY) TextCopyCount(installation.themesDir, proof.copy, folder, PATH_CAPACITY);
    if (walk.mode == Rollback && !(run && run->writtenCount)) return;
    if (!ReadRecordSection(path, walk.buffer, &walk.section)) return;
    // What a read had to leave out stays for the next uninstall.
    if (walk.section.cut && Asks(walk)) walk.outcome->incomplete = true;
    if (walk.mode == Rollback) KeepOnlyRunEntries(walk.section, *run);
    StartRecordWalk(&walk.cursor, &walk.entryKind, walk.section);
    walk.walks = true;
    walk.recordsBackups = SectionHolds(walk.section, BACKUP_KEY);
    walk.recordsTypefaces = SectionHolds(walk.section, TYPEFACE_KEY);
    // Only what is still the copy that the record describes is removed.
    walk.stamps = ReadSectionStamps(walk.section, &walk.stampCount);
    MarkFilesNotCopied(walk.section, walk.stamps, walk.stampCount, FileNotTheCopy, &walk);
}

// Deletes a file and makes sure that it is gone: some systems report success for a
// file they could not unlink (one marked immutable) and leave it where it was. (Looking
// for a name that is gone reads the whole folder on some systems: the installed copy
// is checked so, a theme's files are not.)
static bool DeleteAndCheck(const char* path, uint32_t* error) {
    if (!SysDeleteFile(path)) {
        *error = SysGetLastError();
        return false;
    }
    if (SysGetFileAttributes(path) == SYS_INVALID_FILE_ATTRIBUTES) return true;
    *error = SYS_ERROR_ACCESS_DENIED;
    return false;
}

// Deletes the recorded file at the destination; true when it went. A font leaves the
// system before its file can go (a loaded font cannot be deleted), and comes back when
// the file stays; the screen that the installation moved aside, and only that, goes
// back in its place (*backupLeft when it could not).
static bool RemoveFile(RemovalWalk& walk, uint32_t number, uint32_t* error, bool* backupLeft) {
    const char* path = walk.destination;
    char value[TEXT_CAPACITY];
    bool font = RegisteredFont(walk, number, value);
    bool unloaded = font && SysRemoveFontResource(path);
    bool removed = SysDeleteFile(path);
    if (!removed) *error = SysGetLastError();
    if (font && removed) walk.fontsChanged |= UnregisterFont(*walk.installation, value, path);
    else if (unloaded) SysAddFontResource(path);
    if (RecordedBackup(walk, number, value)) *backupLeft = !RestoreScreenBackup(path, value);
    return removed;
}

// A file that stays because another installation uses it: the font that this one
// registered for it stays only when the other's record notes that font (it registered
// it after the other began to use the file); otherwise nothing would ever take it out of
// the list, and the last uninstall could not delete the loaded font.
static void LeaveFileToOthers(RemovalWalk& walk, uint32_t number, const char* path, const uint32_t* mark) {
    char font[TEXT_CAPACITY];
    if (!RegisteredFont(walk, number, font) ||
        OthersNoteFont(walk.others, path, mark) || !UnregisterFont(*walk.installation, font, path))
        return;
    SysRemoveFontResource(path);
    walk.fontsChanged = true;
}

// Removes a recorded file or folder: a file only when it is still the copy that the
// record describes (the others were marked done before the walk). What is gone is
// marked done in the section, so that an uninstall that stops early can leave a record
// of exactly what is still in place.
static void RemoveEntry(RemovalWalk& walk) {
    const char* path = walk.destination;
    if (!MayRemoveRecordedPath(*walk.installation, walk.record.path, path)) {
        // Not in the installation's folders as this uninstall knows them: it stays, and so
        // do the record and the entry that list it.
        if (Asks(walk)) walk.outcome->incomplete = true;
        return;
    }
    bool isFolder = WalksFolders(walk.entryKind);
    // What another installation still uses stays for it, and leaves this record.
    GatherOtherRecords(walk.others, walk.record.path);
    uint32_t mark = 0, number = ParseRecordEntry(walk.cursor.current).number;
    bool marked = !isFolder && FindCopyStamp(walk.stamps, walk.stampCount, number, &mark);
    // A screen is never shared: one that another installation put in place of this one's
    // (their stamps may be equal) is the other's, and this one's waits in the backup.
    bool screen = !isFolder && IsScreenPath(*walk.installation, path);
    bool taken = screen && marked && OthersMovedAside(walk.others, path, mark);
    if (taken) ForgetScreenTakenByAnother(walk, path, &mark);
    if (taken || (!screen && OthersMayUse(walk.others, !isFolder, path, marked ? &mark : 0))) {
        if (!isFolder && !taken) LeaveFileToOthers(walk, number, path, marked ? &mark : 0);
        MarkEntryDone(walk.cursor.current);
        return;
    }
    bool removed, backupLeft = false;
    uint32_t error = 0;
    if (isFolder) {
        // The record lets go of a folder before it goes. A folder carries no stamp: had a
        // power cut come between the two, the record would list a gone folder, and one
        // that someone made later under its name would be taken for it. So a cut leaves
        // an empty folder of this installation's behind instead. One that stays is listed
        // again after the walk (RelistFolders).
        SetEntryKey(walk.record, walk.cursor.current, false);
        removed = SysRemoveDirectory(path) && SysGetFileAttributes(path) == SYS_INVALID_FILE_ATTRIBUTES;
        if (!removed) error = SysGetLastError();
    } else {
        removed = RemoveFile(walk, number, &error, &backupLeft);
    }
    // Gone already (by hand, or with its folder): nothing to say.
    bool gone = removed || error == SYS_ERROR_FILE_NOT_FOUND || error == SYS_ERROR_PATH_NOT_FOUND;
    if (backupLeft) {
        // The user's own screen waits in its backup: the record keeps the way back.
        if (Asks(walk)) walk.outcome->incomplete = true;
    } else if (gone) {
        MarkEntryDone(walk.cursor.current);
    }
    if (gone || !Asks(walk)) return;
    ComposeNameMessage(walk.line, isFolder ? "Error deleting dir '" : "Error deleting file '", FindBaseName(path),
                       "'\nContinue?");
    if (!AskToContinue(walk.owner, walk.line)) walk.outcome->aborted = true;
    // A folder that holds files of someone else's now is theirs to keep; anything else
    // that could not go keeps the record, the copy and the entry, so that the uninstall
    // can be run again once the cause is mended. (Stopped there, the folder stays in
    // the record for the next run.)
    if (isFolder && error == SYS_ERROR_DIR_NOT_EMPTY) {
        if (!walk.outcome->aborted) MarkEntryDone(walk.cursor.current);
    } else {
        walk.outcome->incomplete = true;
    }
}

// The replay: every entry the cursor gives, files then folders. The walked file is
// closed before the first folder, whose key leaves the record before it goes (the open
// file lets nothing write to it).
static void Replay(RemovalWalk& walk, SysFile& file) {
    while (!walk.outcome->aborted && NextRecordEntry(&walk.cursor, walk.line, &walk.entryKind)) {
        const char* line = walk.line;
        if (line[0] == 0 || line[0] == ';' || line[0] == '\r' || line[0] == '\n') continue;
        TextCopy(walk.destination, line, TEXT_CAPACITY);
        if (file && WalksFolders(walk.entryKind)) {
            SysCloseFile(file);
            file = 0;
        }
        RemoveEntry(walk);
    }
}

// The folders that the walk took and that stay are listed again, in the order they were
// made (the walk took them last first), so that the next walk still takes an inner
// folder before the one that holds it. (A key that stands is written again in its place.)
static void RelistFolders(RemovalWalk& walk) {
    if (!WalksFolders(walk.entryKind)) return;
    for (const char* at = walk.cursor.at; at < walk.section.end; at = NextRecordString(at)) {
        RecordEntry entry = ParseRecordEntry(at);
        if (IsFolderEntry(entry.key) && !entry.done && entry.value) SetEntryKey(walk.record, at, true);
    }
}

// After an uninstall: the copy holds the record, so it goes last, and only when
// nothing it lists is left; a copy that cannot be deleted keeps the entry that names
// it. What did not go stays listed in it.
static void FinishUninstall(RemovalWalk& walk) {
    JobOutcome& outcome = *walk.outcome;
    if (outcome.unproven) return;
    if (outcome.aborted) outcome.incomplete = true;
    uint32_t error = 0;
    if (!outcome.incomplete && !DeleteAndCheck(walk.installation->copyFileName, &error) &&
        error != SYS_ERROR_FILE_NOT_FOUND)
        outcome.incomplete = true;
    if (outcome.incomplete)
        ForgetDoneKeys(walk.record, walk.section.begin, walk.walks ? walk.section.end : walk.section.begin);
}

// After a rollback: a copy that the abandoned installation made goes whole; an earlier
// one loses the keys of the run.
static void FinishRollback(RemovalWalk& walk, const RecordFile* run) {
    if (walk.outcome->unproven) return;
    const InstalledCopy& copy = walk.installation->copy;
    if (!copy.reused) SysDeleteFile(walk.installation->copyFileName);
    else if (walk.walks) ForgetRunKeys(*run);
}

void RunRemovalWalk(SysWindow owner, JobMode mode, Installation& installation, const RecordFile* run,
                    JobOutcome& outcome) {
    char* block = (char*)SysAllocBlock(RECORD_BLOCK_SIZE);
    if (!block) return;
    EndFoldersWithSeparator(installation);
    RemovalWalk walk = {};
    walk.owner = owner;
    walk.mode = mode;
    walk.installation = &installation;
    walk.outcome = &outcome;
    walk.destination = block + DESTINATION_OFFSET;
    walk.line = block + LINE_OFFSET;
    walk.buffer = block + SECTION_OFFSET;
    SetRecordSection(&walk.section, walk.buffer, 0);
    ReadRecord(walk, run);
    SysFile file = OpenWalkedFile(installation.copyFileName);
    if (!file) {
        if (Asks(walk)) SayThemeFileUnopenable(owner);
        CloseRecordFile(walk.record);
        SysFreeBlock(block);
        return;
    }
    outcome.ran = true;
    // Only what a proven record lists is removed. Without one, the theme's lines may
    // name files that were in place before (system files among them), and nothing
    // tells them apart from what an installation copied.
    if (walk.walks) Replay(walk, file);
    if (file) SysCloseFile(file);
    RelistFolders(walk);
    if (walk.fontsChanged) SysBroadcastFontChange();
    if (mode == Uninstall) FinishUninstall(walk);
    else FinishRollback(walk, run);
    ReleaseOtherRecords(walk.others);
    if (walk.stamps) SysFreeBlock(walk.stamps);
    CloseRecordFile(walk.record);
    SysFreeBlock(block);
}
