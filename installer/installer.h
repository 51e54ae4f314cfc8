// Shared state and routines of the theme installer. Everything here works on
// zero-terminated 8-bit strings in fixed buffers and reaches the system only
// through sys.h.
#pragma once
#include "sys.h"

// Buffer sizes: the platform's path length, working texts, one profile section.
enum : uint32_t { PATH_CAPACITY = 260, TEXT_CAPACITY = 520, SECTION_CAPACITY = 32767 };

// ---- Shared state (state.cpp) ----
extern char windowsDir[PATH_CAPACITY];     // the Windows directory
extern char themesDir[PATH_CAPACITY];      // the Plus! Themes directory
extern char fontsDir[PATH_CAPACITY];       // the user's Fonts folder
extern char themeName[PATH_CAPACITY];      // search pattern, then the display name
extern char themeFileName[PATH_CAPACITY];  // the theme file's long name, no directory
extern char installerPath[PATH_CAPACITY];  // argument 0: the installer's full path
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

// ---- Registry (registry.cpp) ----
// The keys the installer reads and writes.
extern const char THEMES_APP_KEY[];       // HKLM: Plus! Themes' folder, value "Path"
extern const char FONTS_KEY[];            // HKCU: the Fonts folder, value "Fonts"
extern const char CURRENT_VERSION_KEY[];  // HKLM: parent of the uninstall entries
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

// ---- The installation record (record.cpp) ----
extern const char RECORD_SECTION[];  // "Decorama"
enum : uint32_t {
    RECORD_KEY_CAPACITY = 16,  // "File" or "Dir" and a 32-bit number
    // The most a record may hold (its key=value strings with their zeros): a section
    // read of SECTION_CAPACITY gives it back whole, and says so by returning less than
    // SECTION_CAPACITY - 2, the result of a read that had to cut.
    RECORD_LIMIT = SECTION_CAPACITY - 3,
};
struct RecordFile {
    char* path;            // the installed copy of the theme file (520 bytes)
    bool reuse;            // an earlier installation's record: numbers in use are passed over
    uint32_t length;       // what the section holds, counted as a section read returns it
    uint32_t keysWritten;  // keys this run added; new keys go to the end of the section
    uint32_t size;         // the file's length after the last key checked, 0 when not known
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
// Removes every record section of the file (a copy made now holds only what its
// author put there). 0, or the error of a write that did not take.
uint32_t DropRecordSections(RecordFile& record);
// Sets the record's length from the section in place. 0, or an error.
uint32_t MeasureRecord(RecordFile& record);
// After a rollback that keeps the installed copy: removes the run's keys, the strings
// [runBegin, end) of the section read back at [sectionBegin, end); the whole section
// when the run made it.
void ForgetRunKeys(const RecordFile& record, const char* sectionBegin, const char* runBegin, const char* end);
// After an uninstall that did not finish: removes the keys of the entries marked done,
// so that the record lists what is still in place.
void ForgetDoneKeys(const RecordFile& record, const char* begin, const char* end);

// ---- The job engine (theme_job.cpp) ----
// What a job did: for the caller's registration and final message and, after an
// abandoned installation, for its rollback.
struct JobOutcome {
    bool ran;               // the theme file was opened and the job walked it
    bool aborted;           // the user chose Cancel after an error
    bool themeFileInPlace;  // install: the installed copy was there before this run
    uint32_t keysWritten;   // install: the record keys this run added, the last ones
    bool incomplete;        // uninstall: recorded entries are still in place; the
                            // installed copy keeps the record of them
    bool leftOutside;       // uninstall: a recorded path outside the job's folders was left
};
// Runs one job. A rollback undoes what the abandoned installation described by
// installation recorded, and nothing else.
JobOutcome RunThemeJob(SysWindow owner, JobMode mode, const JobOutcome* installation = 0);

// ---- A whole installation (install_theme.cpp) ----
// Runs the installation job, then its rollback or the uninstall registration, and
// tells the user the outcome.
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
// True when a base name begins with "logo" and ends with ".sys" (any case).
bool IsScreenFileName(const char* baseName);
// After a screen file was deleted (or its deletion tried): puts the ".old" backup
// (the path with its last four characters replaced) back in its place. False when a
// backup is left where it was (the screen file is still there).
bool RestoreScreenBackup(const char* path);
// True when path is one of the three screen files of this job's folders.
bool IsScreenPath(const char* path);

// ---- Uninstall entry (uninstall_entry.cpp) ----
// Install: writes the uninstall entry of the installed copy (themesDir + themeFileName),
// replacing only an entry of its own. Uninstall: removes that entry. Another
// program's key is never changed.
bool RegisterUninstall(SysWindow owner, JobMode mode);
void GetInstallerCommand(char* out);
// The uninstall command of the current theme into out (520 bytes); false when it
// would not fit.
bool ComposeUninstallString(char* out);
// True when an uninstall entry of the current display name names the installed copy
// at path in its command: an earlier installation of this theme is still registered.
bool IsRegisteredCopy(const char* path);

// ---- Uninstall (uninstall.cpp) ----
void UninstallTheme(SysWindow owner, const char* path);

// ---- Shell verb (shell_extension.cpp) ----
bool SetupShellExtension(SysWindow owner);

// ---- Messages ----
extern const char CAPTION[];  // "Decorama"
extern const char PRODUCT_BANNER[];  // "Decorama v1.04"
