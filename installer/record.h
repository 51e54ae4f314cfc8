// The installation record: the "Decorama" section of the installed copy of the theme
// file, where an installation lists every file it copied and every folder it made, and
// which is all that an uninstall or a rollback trusts. record.cpp alone knows how the
// record is written in the file; everything else works on its typed entries.
//
// Besides the "File" N and "Dir" N entries the record holds the proof that this
// installer wrote it and what identifies each copy (record_proof.cpp), and what a file
// brought with it: the screen it moved aside and the font it registered.
#pragma once
#include "installer.h"

// The kinds of key a record holds.
enum RecordKey : uint8_t {
    OTHER_KEY,     // nothing an installation writes
    FILE_KEY,      // "File" N: a file the installation copied (any key that begins with "F")
    DIR_KEY,       // "Dir" N: a folder it made (any key that begins with "D")
    COPY_KEY,      // "Copy" N: the stamps of a batch of copies, from "File" N on
    BACKUP_KEY,    // "Backup" N: the screen that "File" N moved aside
    TYPEFACE_KEY,  // "Typeface" N: the font name that "File" N registered
    SEAL_KEY,      // "Seal": the value that proves the record (no number)
    SHARED_FILE_KEY,  // "SharedFile" N: a file that another installation put in place and
                      // this one uses too: it goes with the last installation that uses it
    SHARED_DIR_KEY,   // "SharedDir" N: the same for a folder
};
// The two kinds of entry that the walks replay: what a file entry names is a file that
// the installation copied or shares, what a folder entry names a folder it made or shares.
bool IsFileEntry(RecordKey key);
bool IsFolderEntry(RecordKey key);

enum : uint32_t {
    RECORD_KEY_CAPACITY = 16,  // the longest key name and a 32-bit number
    // The most a record may hold (its key=value strings with their zeros): a section
    // read of SECTION_CAPACITY gives it back whole, and says so by returning less than
    // SECTION_CAPACITY - 2, the result of a read that had to cut.
    RECORD_LIMIT = SECTION_CAPACITY - 3,
};

// ---- Reading: a record section as a section read gives it back, "key=value" strings
// each ended by a zero.

// One string of a section, typed.
struct RecordEntry {
    RecordKey key;
    uint32_t number;    // the key's number; 0 when it has none
    const char* value;  // the text after the first "=", 0 for a string without one
                        // (what a full disk left of a key it cut)
    bool done;          // marked done by this run (see MarkEntryDone)
};
// Reads a string of the section.
RecordEntry ParseRecordEntry(const char* text);
// The string after text in a section.
char* NextRecordString(char* text);
const char* NextRecordString(const char* text);

// A section read into memory. Entries can be marked done in it: the walks then pass
// them over, and ForgetDoneKeys drops them from the file.
struct RecordSection {
    char* begin;  // the first string
    char* end;    // just past the last string's zero
    bool cut;     // the file holds more than a read gives back: the last string, cut
                  // short, is left out (and with it the rest of the record stays)
};
// True for a section header line (blanks around it dropped) that opens a record section.
bool IsRecordHeader(const char* line);
// True when the theme files at the two paths hold the same lines, apart from the
// record in either (same_theme.cpp): the same theme.
bool SameThemeLines(const char* pathA, const char* pathB);
// Reads the record section of path into buffer (SECTION_CAPACITY bytes). False when
// the file holds none.
bool ReadRecordSection(const char* path, char* buffer, RecordSection* section);
// Sets section over the first length bytes of buffer (two zeros must follow them).
void SetRecordSection(RecordSection* section, char* buffer, uint32_t length);
// The value of key + number in the section into out (TEXT_CAPACITY bytes); false when
// the section has none.
bool FindRecordValue(const RecordSection& section, RecordKey key, uint32_t number, char* out);
// True when the section holds any key of that kind.
bool SectionHolds(const RecordSection& section, RecordKey key);
// Marks an entry of the section done, or tells whether it is: the walks never take
// it again, and a record that stays no longer lists it (ForgetDoneKeys).
void MarkEntryDone(char* text);
bool IsEntryDone(const char* text);

// Position in a record section, for the walk that replays it.
struct SectionCursor {
    char* begin;    // first string
    char* end;      // just past the last string's zero
    char* at;       // next string to look at (files: forwards; dirs: backwards)
    char* current;  // the string of the entry last returned
};
// Sets the cursor over the first length bytes of section; the buffer must hold two
// zeros at section[length] and section[length + 1].
void InitSectionCursor(SectionCursor* cursor, char* section, uint32_t length);
// The source of a job's entries. Without a cursor: the next line of the theme file.
// With one: the value of the next file entry (in the order they stand), then, after
// one empty result, of the folder entries in reverse order (deepest first). Values
// that would not fit out (520 bytes), strings without "=" (a key cut off by a full
// disk) and entries marked done are passed over. Returns out, or 0 when the entries
// are exhausted.
char* NextThemeEntry(ThemeReader* reader, char* out, SectionCursor* cursor, char* entryKind);
// NextThemeEntry over a record section.
char* NextRecordEntry(SectionCursor* cursor, char* out, char* entryKind);
// Starts a walk over the section's entries: the cursor at its start, entryKind at files.
void StartRecordWalk(SectionCursor* cursor, char* entryKind, const RecordSection& section);
// True when entryKind says that the walk has come to the folders.
bool WalksFolders(char entryKind);

// ---- Writing: the record of one installation run.

// What identifies one copy: its "File" number and its stamp's mark (record_stamps.cpp).
struct CopyStamp {
    uint32_t number;
    uint32_t mark;
};
enum : uint32_t { COPY_STAMP_BATCH = 40 };
// A key by name: its kind and number.
struct RecordKeyName {
    RecordKey key;
    uint32_t number;
};
struct RecordFile {
    char path[TEXT_CAPACITY];  // the installed copy of the theme file
    bool reuse;            // an earlier installation's record: numbers in use are passed over
    uint32_t length;       // what the section holds, counted as a section read returns it
    uint32_t size;         // the file's length after the last key checked, 0 when not known
    // The keys this run wrote and did not drop again, by name: what its rollback
    // undoes, and nothing else.
    RecordKeyName* written;
    uint32_t writtenCount, writtenRoom;
    // A key that did not take whole: the file may hold a cut-off copy of it until
    // DropFailedKey, which the caller runs once it has undone what the key was for.
    RecordKeyName failed;
    bool failedPending;
    // The stamps of the copies made since the last "Copy" key: one profile write for a
    // batch of them costs what one for each copy would cost many times over.
    CopyStamp batch[COPY_STAMP_BATCH];
    uint32_t batchCount;
};
// Starts the record of a run in path; reuse says that it goes on with an earlier
// installation's record.
void OpenRecordFile(RecordFile& record, const char* path, bool reuse);
// Lets go of what the record of the run holds in memory.
void CloseRecordFile(RecordFile& record);
// True when length more characters still leave the record readable whole.
bool RecordHasRoom(const RecordFile& record, uint32_t length);
// What the "File" key of destination may take in the record, at most.
uint32_t FileKeyRoom(const char* destination);
// Writes key + *number = value into the record as a new key, leaving reserve
// characters of room for what the entry still has to record, and checks that it took.
// Over an earlier installation's record a number already in use is passed over:
// replacing that key would drop its path from the record. On failure *error holds the
// code (206 when the record has no room; nothing is written then), and the key may
// stand cut off in the file until DropFailedKey.
bool WriteRecordKey(RecordFile& record, RecordKey key, uint32_t* number, const char* value, uint32_t reserve,
                    uint32_t* error);
// Removes the key that the last WriteRecordKey could not write whole.
void DropFailedKey(RecordFile& record);
// Writes key + number = value as a new key, or drops whatever it left; 0 or the error.
uint32_t WriteNumberedKey(RecordFile& record, RecordKey key, uint32_t number, const char* value);
// Removes key + number from the record (and from what the run wrote).
void DropRecordKey(RecordFile& record, RecordKey key, uint32_t number);
// The first number from *number on that no key + number of the record holds (numbers
// of an earlier installation's record stay in use).
void FindFreeNumber(const RecordFile& record, RecordKey key, uint32_t* number);
// The value of key + number as the record file holds it, into out (TEXT_CAPACITY).
bool ReadRecordValue(const RecordFile& record, RecordKey key, uint32_t number, char* out);
// True when a file entry (file) or folder entry of the record names path; *number, when
// given, is the entry's.
bool RecordListsPath(const RecordFile& record, bool file, const char* path, uint32_t* number = 0);
// Writes the record's seal; 0, or the error of a write that did not take.
uint32_t WriteSeal(RecordFile& record, const char* seal);
// The seal that the record file at path holds, into out (TEXT_CAPACITY bytes).
void ReadSeal(const char* path, char* out);
// Removes every record section of the file (a copy made now holds only what its
// author put there). 0, or the error of a write that did not take.
uint32_t DropRecordSections(RecordFile& record);
// Sets the record's length from the section in place. 0, or an error.
uint32_t MeasureRecord(RecordFile& record);
// Marks done every file and folder entry of the section that the run did not write
// (or dropped again): a rollback takes back the run's own, and nothing else.
void KeepOnlyRunEntries(const RecordSection& section, const RecordFile& run);
// Whether the run wrote key + number (and did not drop it again).
bool WrittenByRun(const RecordFile& run, RecordKey key, uint32_t number);
// After a rollback that keeps the installed copy: removes the keys this run wrote; the
// whole section when the run made it.
void ForgetRunKeys(const RecordFile& record);
// After an uninstall that did not finish: removes the keys of the entries of
// [begin, end) marked done (and what their files brought with them), so that the
// record lists what is still in place.
void ForgetDoneKeys(const RecordFile& record, const char* begin, const char* end);
// Deletes the key of the section's entry at text from the record file at once, or with
// keep writes it back (the section in memory keeps it either way).
void SetEntryKey(const RecordFile& record, const char* text, bool keep);

// ---- The copies' stamps (record_stamps.cpp)
// One round of a 32-bit mixing function: every bit of the result depends on every bit
// of both inputs.
uint32_t Mix32(uint32_t h, uint32_t v);
// What identifies a copy in the record: its size and last-write time, mixed.
uint32_t StampMark(const SysFileStamp& stamp);
// What one copy's stamp may take in the record, at most (with its share of a key), and
// what the stamps not yet written may take.
uint32_t CopyStampRoom();
uint32_t PendingStampRoom(const RecordFile& record);
// Keeps what identifies the copy of "File" number (its stamp after the copy) for the
// next FlushCopyStamps; true when the batch is full and should be written now.
bool AddCopyStamp(RecordFile& record, uint32_t number, const SysFileStamp& stamp);
// Writes the stamps kept so far into a new "Copy" key. 0, or the error of a write that
// did not take; record.batch then still lists the copies whose stamps are not in the
// record, for the caller to undo before DiscardPendingStamps.
uint32_t FlushCopyStamps(RecordFile& record);
// Writes the stamp of "File" number into the record at once, in a key of its own; 0 or
// the error.
uint32_t WriteCopyStamp(RecordFile& record, uint32_t number, const SysFileStamp& stamp);
void DiscardPendingStamps(RecordFile& record);
// Reads the marks of every "Copy" key of the section into table (capacity of them);
// returns how many there are.
uint32_t ReadCopyStamps(const RecordSection& section, CopyStamp* table, uint32_t capacity);
// The mark recorded last for "File" number in the table: a later key is a later run's.
bool FindCopyStamp(const CopyStamp* table, uint32_t count, uint32_t number, uint32_t* mark);

// ---- The proof of ownership (record_proof.cpp)
// A record is this installer's when an uninstall entry that names the installed copy
// holds the seal that the record holds: a value that no theme's author can know in
// advance, and that no theme can write into the registry.
// Draws a new seal into out (SEAL_CAPACITY bytes) from the clock and the process.
void DrawSeal(char* out);
struct RecordProof {
    char seal[SEAL_CAPACITY];
    char entry[TEXT_CAPACITY];  // the entry that holds it, below CURRENT_VERSION_KEY
    char copy[TEXT_CAPACITY];   // the installed copy as the entry names it
};
// True when the record in copyPath is proven this installer's; proof says by which entry.
bool ProveRecord(const char* copyPath, RecordProof* proof);
// Before an uninstall or a rollback removes the files that the section lists (those
// not marked done yet): marks done (so that they are left where they are, and dropped
// from the record) the file entries whose file is not the copy that the record
// describes: gone, changed since (size or last-write time), or without a stamp in the
// record (stamps, count of them, as ReadSectionStamps gives them); notCopy is called for
// each, with its path and number, whether it is gone, and the mark the record keeps of
// its copy (0 when none). Each folder is read once.
typedef void (*NotTheCopy)(const char* path, uint32_t number, bool gone, const uint32_t* mark, void* context);
void MarkFilesNotCopied(const RecordSection& section, const CopyStamp* stamps, uint32_t count, NotTheCopy notCopy,
                        void* context);
// The stamps of the section's copies, read into a block (for SysFreeBlock); 0 when the
// section has none or there is no room.
CopyStamp* ReadSectionStamps(const RecordSection& section, uint32_t* count);
