// Shared state and routines of the theme installer. Everything here works on
// zero-terminated 8-bit strings in fixed buffers and reaches the system only
// through sys.h.
#pragma once
#include "sys.h"

// Buffer sizes: the platform's path length, working texts, one profile section. A
// path that the system's calls take must be shorter than PATH_CAPACITY.
enum : uint32_t { PATH_CAPACITY = 260, TEXT_CAPACITY = 520, SECTION_CAPACITY = 32767 };

// ---- Shared state (state.cpp) ----
extern char windowsDir[PATH_CAPACITY];     // the Windows directory
extern char themesDir[PATH_CAPACITY];      // the Plus! Themes directory
extern char fontsDir[PATH_CAPACITY];       // the user's Fonts folder
extern char themeName[PATH_CAPACITY];      // search pattern, then the display name
extern char themeFileName[PATH_CAPACITY];  // the theme file's long name, no directory
extern char copyFileName[PATH_CAPACITY];   // the installed copy's name in themesDir
extern char installerPath[PATH_CAPACITY];  // argument 0: the installer's full path
extern char uninstallerPath[PATH_CAPACITY];  // the installer's copy that entries name ("": installerPath)
// Empties every shared buffer (start of the program; the tests between cases).
void ResetInstallerState();

// ---- Paths and names (paths.cpp) ----
// Appends a backslash when dst does not end in one or in a colon, then part (if any),
// never holding more than capacity - 1 characters.
void AppendPathPart(char* dst, const char* part, uint32_t capacity);
// The position just after the last backslash or colon of path.
char* FindBaseName(char* path);
const char* FindBaseName(const char* path);
// First occurrence of pattern in text, letters compared without regard to case.
const char* FindTextNoCase(const char* text, const char* pattern);
// Cuts name at its last dot (a name without a dot stays whole).
void CutAtLastDot(char* name);
// True when the relative path holds a drive (a colon) or a component made of dots
// only that climbs out of its folder ("..", and "..." which Windows 95 also reads
// as going up).
bool PathLeavesFolder(const char* relative);
// True when path lies inside dir (dir non-empty and ending in a separator, compared
// without regard to case) and does not climb back out of it.
bool PathIsInside(const char* path, const char* dir);
// True when text holds a character below 32 (a tab, a lone carriage return …).
bool HasControlCharacter(const char* text);
// True for a path that names its drive and starts at its root ("C:\…"), or a network
// path ("\\server\share…"): one that means the same wherever the program runs.
bool IsFullPath(const char* path);

// ---- System folders (folders.cpp) ----
// themesDir from Plus! Themes' App Paths key. False when Plus! Themes is missing or
// does not name its folder in full (a record beside a bare name would land in
// whatever folder the profile functions or the current directory pick).
bool ReadThemesFolder();
// fontsDir from the user's Shell Folders; left as it was when the key is missing.
void ReadFontsFolder();
// True when the two paths name the same existing file or folder, as the file system
// resolves them (slashes, case, short names, "." and ".."); equal texts always do.
bool SamePath(const char* a, const char* b);
// The same for a file that may be gone: its folder resolved, its name compared.
bool SameFile(const char* a, const char* b);

// ---- Fonts (font_name.cpp) ----
// The full name of the TrueType font in path (name 4 of its "name" table) into out;
// false, with out empty, for a file that is no TrueType font, a name table that cannot
// be read, or a name that does not fit capacity or a registry value's name.
bool ReadFontFullName(const char* path, char* out, uint32_t capacity);

// ---- Registry (registry.cpp) ----
// The keys the installer reads and writes.
extern const char THEMES_APP_KEY[];       // HKLM: Plus! Themes' folder, value "Path"
extern const char FONTS_KEY[];            // HKCU: the Fonts folder, value "Fonts"
extern const char CURRENT_VERSION_KEY[];  // HKLM: parent of the uninstall entries
extern const char UNINSTALL_ENTRIES_KEY[];        // HKLM: the uninstall entries
#define UNINSTALL_NAME "Uninstall"        // its name below CURRENT_VERSION_KEY
extern const char FONT_LIST_KEY[];        // HKLM: the fonts Windows loads when it starts
extern const char VERB_KEY[];             // HKCR: the "Install Theme" verb
extern const char VERB_COMMAND_KEY[];     // HKCR: its command, the subkey named below
#define VERB_COMMAND_NAME "command"
// Opens root\subkey and reads valueName into out (260 bytes) with trailing ";"
// removed. False, with out untouched, when the key does not open; a missing value
// leaves out as it was.
bool ReadRegistryString(SysRoot root, const char* subkey, const char* valueName, char* out);

// ---- Command line (command_line.cpp) ----
// Splits a command line into words at blanks and tabs; a stretch in double quotes is
// one word without its quotes, and a backslash before a double quote gives a literal
// quote. Words go into storage (capacity bytes, zero-terminated each), at most
// maxArgs of them; further words are dropped. Returns the number of words.
int ParseCommandLine(const char* commandLine, char* storage, uint32_t capacity,
                     char** argv, int maxArgs);

// ---- Start-up (installer_startup.cpp) ----
// The program's dispatch: argv[0] is the installer's path, the rest the command
// line's words. The result is the exit code: 1 after a confirmed installation.
int RunInstaller(int argc, char** argv);

// ---- Theme file lines and record entries (line_reader.cpp, theme_entries.cpp) ----
enum JobMode { Install = 0, Uninstall = 1, Rollback = 2 };

enum EntryKind {
    NoEntry = 0, ThemesEntry = 1, WindowsEntry = 2, FontsEntry = 3,
    StartupScreenEntry = 4, ShutdownWaitScreenEntry = 5, ShutdownSafeScreenEntry = 6
};

// A theme file open for reading, read a block at a time: one system read a byte
// would cost more than the rest of a job for a large theme.
enum : uint32_t { THEME_BLOCK_SIZE = 512 };
struct ThemeReader {
    SysFile file;
    uint32_t next;    // the next byte of block to hand out
    uint32_t length;  // bytes in block
    bool ended;       // a read failed or found the end of the file
    char block[THEME_BLOCK_SIZE];
};
// Starts reading file from where it stands; the reader does not own the file.
void StartThemeReader(ThemeReader* reader, SysFile file);
// Moves back to the start of the file.
void RewindThemeReader(ThemeReader* reader);

// Reads the next line of the theme file into buffer (at most capacity - 1 bytes; a
// longer line continues in the next call). A line ends after a line feed (CR LF or a
// lone LF); trailing CR and LF are removed except the first character, so a blank
// line comes back as "\r" or "\n". A last line without line end is returned too.
// Returns buffer, or 0 at the end of the file.
char* ReadThemeLine(char* buffer, uint32_t capacity, ThemeReader* reader);

// Position in a record section ("key=value" strings, each ended by a zero).
struct SectionCursor {
    char* begin;    // first string
    char* end;      // just past the last string's zero
    char* at;       // next string to look at (files: forwards; dirs: backwards)
    char* current;  // the string of the entry last returned
};
// Sets the cursor over the first length bytes of section; the buffer must hold two
// zeros at section[length] and section[length + 1].
void InitSectionCursor(SectionCursor* cursor, char* section, uint32_t length);
// Marks the entry last returned as done: its key's first letter is lowered. The walk
// compares that letter exactly and never takes the entry again, while the profile
// functions, which compare keys without regard to case, still find it by its name.
void MarkEntryDone(SectionCursor* cursor);
// True for a "key=value" string marked done.
bool IsEntryDone(const char* entry);

// The source of a job's entries. Without a cursor: the next line of the theme file.
// With one: the value of the next "F…" key (files, in the order they stand), then,
// after one empty result, of the "D…" keys in reverse order (directories, deepest
// first). Values that would not fit out (520 bytes), and strings without "=" (a key
// cut off by a full disk), are passed over. Returns out, or 0 when the entries are
// exhausted.
char* NextThemeEntry(ThemeReader* reader, char* out, SectionCursor* cursor, char* entryKind);

// The kind of a theme line and where its file name starts. special says whether the
// line lies in the "[DecoramaSpecial]" section.
int ClassifyThemeLine(const char* line, bool special, const char** position);
// The marker that opens the special section.
extern const char SPECIAL_MARKER[];

// ---- The installation record (record.cpp) and the proof that it is ours (record_proof.cpp) ----
// Besides the "File" and "Dir" entries, the record holds the proof that this installer
// wrote it and what identifies each copy, under keys that no reader takes for entries
// (those begin with "F" or "D"): "Seal" (a value drawn when the installation began,
// kept also in its uninstall entry), "Copy" N (what identifies up to COPY_STAMP_BATCH
// copies: their size and last-write time) and "Backup" N (the screen that file N
// moved aside).
extern const char RECORD_SECTION[];  // "Decorama"
extern const char SEAL_NAME[];       // "Seal": the record's key and the entry's value
enum : uint32_t {
    RECORD_KEY_CAPACITY = 16,  // "File", "Dir", "Copy" or "Backup" and a 32-bit number
    // The most a record may hold (its key=value strings with their zeros): a section
    // read of SECTION_CAPACITY gives it back whole, and says so by returning less than
    // SECTION_CAPACITY - 2, the result of a read that had to cut.
    RECORD_LIMIT = SECTION_CAPACITY - 3,
};
enum : uint32_t { SEAL_CAPACITY = 17, COPY_STAMP_BATCH = 40 };
struct CopyStamp {
    uint32_t number;  // of the copy's "File" key
    uint32_t mark;    // StampMark of the copy
};
struct RecordFile {
    char* path;            // the installed copy of the theme file (520 bytes)
    bool reuse;            // an earlier installation's record: numbers in use are passed over
    uint32_t length;       // what the section holds, counted as a section read returns it
    uint32_t keysWritten;  // keys this run added; new keys go to the end of the section
    uint32_t size;         // the file's length after the last key checked, 0 when not known
    // The stamps of the copies made since the last "Copy" key: one profile write for a
    // batch of them costs what one for each copy would cost many times over.
    CopyStamp batch[COPY_STAMP_BATCH];
    uint32_t batchCount;
};
// True when length more characters still leave the record readable whole.
bool RecordHasRoom(const RecordFile& record, uint32_t length);
// What the "File" key of destination may take in the record, at most.
uint32_t FileKeyRoom(const char* destination);
// Writes prefix + *number = value into the record as a new key, leaving reserve
// characters of room for what the entry still has to record, and checks that it took.
// Over an earlier installation's record a number already in use is passed over:
// replacing that key would drop its path from the record. On failure *error holds the
// code (206 when the record has no room; nothing is written then) and key the name
// tried, empty when nothing was written (see DropRecordKey).
bool WriteRecordKey(RecordFile& record, const char* prefix, uint32_t* number, const char* value, uint32_t reserve,
                    char* key, uint32_t* error);
// Removes a key that could not be written whole: the file may hold a cut-off copy of
// it, naming some other path.
void DropRecordKey(const RecordFile& record, const char* key);
// The same for the key prefix + number.
void DropNumberedKey(const RecordFile& record, const char* prefix, uint32_t number);
// The name of the key prefix + number into key (RECORD_KEY_CAPACITY bytes).
void MakeRecordKey(char* key, const char* prefix, uint32_t number);
// Removes every record section of the file (a copy made now holds only what its
// author put there). 0, or the error of a write that did not take.
uint32_t DropRecordSections(RecordFile& record);
// Sets the record's length from the section in place. 0, or an error.
uint32_t MeasureRecord(RecordFile& record);
// After a rollback that keeps the installed copy: removes the run's keys, the strings
// [runBegin, end) of the section read back at [sectionBegin, end); the whole section
// when the run made it.
void ForgetRunKeys(const RecordFile& record, const char* sectionBegin, const char* runBegin, const char* end);
// After an uninstall that did not finish: removes the keys of the entries marked done
// (and the "Backup" keys of those files), so that the record lists what is still in place.
void ForgetDoneKeys(const RecordFile& record, const char* begin, const char* end);

// The proof of ownership. A record is this installer's when an uninstall entry that
// names the installed copy holds the seal that the record holds: a value that no
// theme's author can know in advance, and that no theme can write into the registry.
// Draws a new seal into out (SEAL_CAPACITY bytes) from the clock and the process.
void DrawSeal(char* out);
// Writes the record's seal; 0, or the error of a write that did not take.
uint32_t WriteSeal(RecordFile& record, const char* seal);
struct RecordProof {
    char seal[SEAL_CAPACITY];
    char entry[TEXT_CAPACITY];  // the entry that holds it, below CURRENT_VERSION_KEY
};
// True when the record in copyPath is proven this installer's; proof says by which entry.
bool ProveRecord(const char* copyPath, RecordProof* proof);
// Keeps what identifies the copy of "File" number (its stamp after the copy) for the
// next FlushCopyStamps; true when the batch is full and should be written now.
bool AddCopyStamp(RecordFile& record, uint32_t number, const SysFileStamp& stamp);
// Writes the stamps kept so far into a new "Copy" key. 0, or the error of a write that
// did not take; record.batch then still lists the copies whose stamps are not in the
// record, for the caller to undo before DiscardPendingStamps.
uint32_t FlushCopyStamps(RecordFile& record);
void DiscardPendingStamps(RecordFile& record);
// What identifies a copy in the record: its size and last-write time, mixed.
uint32_t StampMark(const SysFileStamp& stamp);
// What one copy's stamp may take in the record, at most (with its share of a key), and
// what the stamps not yet written may take.
uint32_t CopyStampRoom();
uint32_t PendingStampRoom(const RecordFile& record);
// Before an uninstall or a rollback removes the files of [begin, end), a part of the
// record section section[0, sectionEnd): marks done (so that they are left where they
// are, and dropped from the record) the "File" entries whose file is not the copy
// that the record describes: gone (gone is called for each, with its path and number),
// changed since (size or last-write time), or without a stamp in the record. Each
// folder is read once.
typedef void (*GoneFile)(const char* path, uint32_t number, void* context);
void MarkFilesNotCopied(char* section, char* sectionEnd, char* begin, char* end, GoneFile gone, void* context);
// What a file of the record brought with it, under the file's number: "Backup" (the
// screen it moved aside) and "Typeface" (the font name it registered).
extern const char BACKUP_PREFIX[];
extern const char TYPEFACE_PREFIX[];
// Writes prefix + number = value as a new key of the record; 0 or an error.
uint32_t WriteNumberedKey(RecordFile& record, const char* prefix, uint32_t number, const char* value);
// The value of prefix + number in the record section [section, end) into out (520
// bytes); false when the record has none.
bool FindNumberedKey(const char* section, const char* end, const char* prefix, uint32_t number, char* out);
// True when a "File" entry of the record names path.
bool RecordListsFile(const RecordFile& record, const char* path);
// The number of a "File" or "Dir" entry string ("File12=…" gives 12); 0 for none.
uint32_t EntryNumber(const char* entry);
// The first number from *number on that no key prefix + number of the record holds
// (numbers of an earlier installation's record stay in use).
void FindFreeNumber(const RecordFile& record, const char* prefix, uint32_t* number);

// ---- The list of fonts (font_list.cpp) ----
// Registers the font copied to path, "File" number of record, when it is a TrueType
// font whose name no font of the list has yet; the record says so first. True when the
// list changed.
bool RegisterFont(RecordFile& record, uint32_t number, const char* path);
// Takes name out of the list when it still names the font at path; true when it did.
bool UnregisterFont(const char* name, const char* path);

// ---- The job engine (theme_job.cpp) ----
// Takes the read-only mark off a copy just made, which keeps its source's (a CD's).
void ClearReadOnly(const char* path);
// What a job did: for the caller's registration and final message and, after an
// abandoned installation, for its rollback.
struct JobOutcome {
    bool ran;               // the theme file was opened and the job walked it
    bool aborted;           // the user chose Cancel after an error
    bool noRecord;          // install: the installed copy, the record, could not be made
    uint32_t keysWritten;   // install: the record keys this run added, the last ones
    bool unproven;          // uninstall, rollback: the record is not proven this
                            // installer's, so nothing was removed
    bool incomplete;        // uninstall: recorded entries are still in place; the
                            // installed copy keeps the record of them
    bool leftOutside;       // uninstall: a recorded path outside the job's folders was left
};
// The installed copy that an installation writes its record into (copyFileName in
// themesDir): an earlier installation's, proven, or a new one.
struct InstalledCopy {
    bool reused;               // an earlier installation's copy and record
    bool isThemeFile;          // the theme file itself, installed from the Themes folder
    char seal[SEAL_CAPACITY];  // the record's seal
    char entry[TEXT_CAPACITY]; // its uninstall entry below CURRENT_VERSION_KEY, once known
    bool madeInstaller;        // this installation made the installer's copy it names
    char installerMark[9];     // the mark of that copy's stamp, "" without one
};
// Runs one job. An installation writes into copy; a rollback undoes what the abandoned
// installation described by installation recorded, and nothing else; an uninstall
// (and a rollback) acts only on a proven record, and sets copy's entry and seal.
JobOutcome RunThemeJob(SysWindow owner, JobMode mode, InstalledCopy* copy = 0,
                       const JobOutcome* installation = 0);

// ---- A whole installation (install_theme.cpp) ----
// Chooses the installed copy: an earlier installation's that is proven this
// installer's, else the first of themeFileName, "<name> (2).<ext>" … "(9)" that no
// file or folder holds (none of someone else's is ever written to); from the Themes
// folder itself, the theme file. False when there is none; copyFileName is set.
bool ChooseInstalledCopy(InstalledCopy* copy);
// Registers the installation, runs the job, then its rollback or the final update of
// the uninstall entry, and tells the user the outcome.
void InstallTheme(SysWindow owner);

// ---- Special screens (screens.cpp) ----
// True for the kinds 4 to 6.
bool IsScreenKind(int kind);
// Asks whether the theme may replace the screen of that kind.
bool AskScreenQuestion(SysWindow owner, int kind);
// The fixed destination of a screen kind into out (520 bytes).
void GetScreenDestination(int kind, char* out);
// The install-time backup name: path cut at its first ".sys" (any case), ".old" added.
void MakeInstallBackupName(const char* path, char* out);
// After a screen file was deleted (or its deletion tried): puts the backup that the
// record lists for it back in its place. False when the backup is left where it was
// (the screen file is still there).
bool RestoreScreenBackup(const char* path, const char* backup);
// True when path is one of the three screen files of this job's folders.
bool IsScreenPath(const char* path);

// ---- Uninstall entry (uninstall_entry.cpp) ----
// Install: writes the uninstall entry of the installed copy (themesDir + copyFileName)
// with its seal, under copy->entry when that is set (an earlier installation's, whose
// values are brought up to date), else under the first name of the display name that
// no key holds, which copy->entry then gets; refuses a name whose key could not be
// removed again. Uninstall: removes copy->entry, the proven entry. Another program's
// key is never changed.
bool RegisterUninstall(SysWindow owner, JobMode mode, InstalledCopy* copy);
// Removes the entry that an installation abandoned at its start made (name below
// CURRENT_VERSION_KEY), as it was created.
void RemoveUninstallEntry(const char* name);
// The command that starts this installer, its path in double quotes: the shell verb's
// when the verb is this installer's, else argument 0.
void GetInstallerCommand(char* out);
// The uninstall command of the current theme into out (520 bytes); false when it
// would not fit.
bool ComposeUninstallString(char* out);
// The installed copy: themesDir (the current directory when empty) and copyFileName.
bool InstalledCopyPath(char* out);
// Calls visit for every uninstall entry whose command is a program, " /u " and the
// quoted path of an installed copy, with the entry's name below CURRENT_VERSION_KEY,
// the program and that path; stops when visit returns true, and returns whether it did.
typedef bool (*EntryVisitor)(const char* name, const char* program, const char* copy, void* context);
bool VisitUninstallEntries(EntryVisitor visit, void* context);
// The program that a command starts: its first word, quoted or not, into out (520 bytes).
void CommandProgram(const char* command, char* out);
// Reads a string value of an entry (name below CURRENT_VERSION_KEY) into out; false
// when it is missing or does not fit.
bool ReadEntryString(const char* name, const char* valueName, char* out, uint32_t capacity);

// ---- The installer's copy (installer_copy.cpp) ----
// The uninstall entries name a copy of this installer in the Themes folder, so that a
// theme can be removed after the folder it was installed from is gone; the themes it
// serves share it, and it goes with the last of them.
// Finds the copy that entries of proven installations name (it must still hold the mark
// they hold), or makes one under the first of "decorama.exe", "decorama (2).exe" …
// that nothing holds; sets uninstallerPath ("" when there is none) and copy's mark.
void PlaceInstallerCopy(InstalledCopy* copy);
// Once the entry that named program, with mark, is gone: deletes that copy when it is
// still the one the entry named and no entry names it any more; the running program's
// own file goes at the next start of Windows.
void ReleaseInstallerCopy(const char* program, const char* mark);
// The name of the value that holds an entry's installer mark.
extern const char INSTALLER_MARK_NAME[];

// ---- Uninstall (uninstall.cpp) ----
void UninstallTheme(SysWindow owner, const char* path);

// ---- Shell verb (shell_extension.cpp) ----
bool SetupShellExtension(SysWindow owner);
// True when the "Install Theme" verb's command starts this installer (the verb is
// ours); its command then goes to command (520 bytes) when given.
bool IsOwnVerb(char* command);

// ---- Messages ----
extern const char CAPTION[];  // "Decorama"
extern const char PRODUCT_BANNER[];  // "Decorama v1.04"
