// The theme installer's routines. Everything here works on zero-terminated 8-bit
// strings in fixed buffers and reaches the system only through sys.h. What one run of
// the program works on (its folders, the theme's names, the installer's paths) is one
// object, the Installation, that the start-up builds and passes down.
#pragma once
#include "sys.h"

// Buffer sizes: the platform's path length, working texts, one profile section. A
// path that the system's calls take must be shorter than PATH_CAPACITY.
enum : uint32_t { PATH_CAPACITY = 260, TEXT_CAPACITY = 520, SECTION_CAPACITY = 32767 };
enum : uint32_t { SEAL_CAPACITY = 17, INSTALLER_MARK_CAPACITY = 9 };

// ---- The installation (installation.cpp) ----
// The installed copy that an installation writes its record into (copyFileName in
// themesDir): an earlier installation's, proven, or a new one.
struct InstalledCopy {
    bool reused;               // an earlier installation's copy and record
    bool isThemeFile;          // the theme file is read from the installed copy itself
    char seal[SEAL_CAPACITY];  // the record's seal
    char entry[TEXT_CAPACITY]; // its uninstall entry below CURRENT_VERSION_KEY, once known
    bool madeInstaller;        // this installation made the installer's copy it names
    char installerMark[INSTALLER_MARK_CAPACITY];  // the mark of that copy's stamp, "" without one
};
// One run of the installer: what it installs or uninstalls, and where.
struct Installation {
    char windowsDir[PATH_CAPACITY];       // the Windows directory
    char themesDir[PATH_CAPACITY];        // the Plus! Themes directory
    char fontsDir[PATH_CAPACITY];         // the user's Fonts folder
    char themeName[PATH_CAPACITY];        // search pattern, then the display name
    char themeFileName[PATH_CAPACITY];    // the theme file's long name, no directory
    char copyFileName[PATH_CAPACITY];     // the installed copy's name in themesDir
    char installerPath[PATH_CAPACITY];    // argument 0: the installer's full path
    char uninstallerPath[PATH_CAPACITY];  // the installer's copy that entries name ("": installerPath)
    InstalledCopy copy;
};
// Empties every field (the start of a run).
void ClearInstallation(Installation& installation);
// Makes the three folders end in a separator, as a job composes paths in them.
void EndFoldersWithSeparator(Installation& installation);
// The installed copy: themesDir (the current directory when empty) and copyFileName.
bool InstalledCopyPath(const Installation& installation, char* out);

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

// ---- Numbered names (numbered_name.cpp) ----
// Where a name is taken by someone else's file, key or entry, the installer tries the
// same name numbered: "Blue.the", "Blue (2).the" … "Blue (9).the".
enum : int { NUMBERED_NAMES = 9 };
// name with " (index)" put before extension (which may be empty) into out; index 1
// gives the name itself. False when it does not fit capacity.
bool NumberedName(const char* stem, const char* extension, int index, char* out, uint32_t capacity);

// ---- System folders (folders.cpp) ----
// themesDir from Plus! Themes' App Paths key. False when Plus! Themes is missing or
// does not name its folder in full (a record beside a bare name would land in
// whatever folder the profile functions or the current directory pick).
bool ReadThemesFolder(Installation& installation);
// fontsDir from the user's Shell Folders; left as it was when the key is missing.
void ReadFontsFolder(Installation& installation);
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
extern const char SHELL_FOLDERS_PATH[];    // HKCU: the Fonts folder ("Fonts") and StartUp; HKLM: the common StartUp
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
// What the start-up makes of an installation before it asks: the folders read, the
// theme found. The result is what RunInstaller does next.
enum StartupStep { StartEnds, StartUninstall, StartShellExtension, StartNoTheme, StartAsk };
StartupStep PrepareInstallation(int argc, char** argv, Installation& installation);

// ---- Messages (messages.cpp) ----
extern const char CAPTION[];         // "Decorama"
extern const char PRODUCT_BANNER[];  // "Decorama v1.04"
// head + name + tail into out (TEXT_CAPACITY bytes); the name is shortened when the
// whole would not fit, the head and tail are always kept whole.
void ComposeNameMessage(char* out, const char* head, const char* name, const char* tail);
// "Error <code> copying file '<name>" and the tail into out (TEXT_CAPACITY bytes).
void ComposeCopyError(char* out, uint32_t error, const char* name, const char* tail);
// Shows an error question (OK and Cancel, warning icon); true when the user chose OK.
bool AskToContinue(SysWindow owner, const char* text);
// Shows a warning with OK only.
void Warn(SysWindow owner, const char* text);
// Says that the theme file (or the installed copy) cannot be opened.
void SayThemeFileUnopenable(SysWindow owner);

// ---- Theme file lines (line_reader.cpp, theme_entries.cpp) ----
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

// The kind of a theme line and where its file name starts. special says whether the
// line lies in the "[DecoramaSpecial]" section.
int ClassifyThemeLine(const char* line, bool special, const char** position);
// The marker that opens the special section.
extern const char SPECIAL_MARKER[];

// ---- Special screens (screens.cpp) ----
// True for the kinds 4 to 6.
bool IsScreenKind(int kind);
// Asks whether the theme may replace the screen of that kind.
bool AskScreenQuestion(SysWindow owner, int kind);
// The fixed destination of a screen kind into out (520 bytes).
void GetScreenDestination(const Installation& installation, int kind, char* out);
// The install-time backup name: path cut at its first ".sys" (any case), ".old" added.
void MakeInstallBackupName(const char* path, char* out);
// After a screen file was deleted (or its deletion tried): puts the backup that the
// record lists for it back in its place. False when the backup is left where it was
// (the screen file is still there).
bool RestoreScreenBackup(const char* path, const char* backup);
// True when path is one of the three screen files of this installation's folders.
bool IsScreenPath(const Installation& installation, const char* path);

// ---- Uninstall entry (uninstall_entry.cpp) ----
// Install: writes the uninstall entry of the installed copy (themesDir + copyFileName)
// with its seal, under copy.entry when that is set (an earlier installation's, whose
// values are brought up to date), else under the first name of the display name that
// no key holds, which copy.entry then gets; refuses a name whose key could not be
// removed again. Uninstall: removes copy.entry, the proven entry. Another program's
// key is never changed.
bool RegisterUninstall(SysWindow owner, JobMode mode, Installation& installation);
// Removes the entry that an installation abandoned at its start made (name below
// CURRENT_VERSION_KEY), as it was created.
void RemoveUninstallEntry(const char* name);
// The command that starts this installer, its path in double quotes: the shell verb's
// when the verb is this installer's, else argument 0.
void GetInstallerCommand(const Installation& installation, char* out);
// The uninstall command of the installation into out (520 bytes); false when it would
// not fit.
bool ComposeUninstallString(const Installation& installation, char* out);
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
// The names of the entry's values that hold its seal and its installer's mark.
extern const char ENTRY_SEAL_NAME[];
extern const char INSTALLER_MARK_NAME[];

// ---- The installer's copy (installer_copy.cpp) ----
// The uninstall entries name a copy of this installer in the Themes folder, so that a
// theme can be removed after the folder it was installed from is gone; the themes it
// serves share it, and it goes with the last of them.
// Finds the copy that entries of proven installations name (it must still hold the mark
// they hold), or makes one under the first of "decorama.exe", "decorama (2).exe" …
// that nothing holds; sets uninstallerPath ("" when there is none) and copy's mark.
void PlaceInstallerCopy(Installation& installation);
// Once the entry that named program, with mark, is gone: deletes that copy when it is
// still the one the entry named and no entry names it any more; the running program's
// own file goes at the next start of Windows.
void ReleaseInstallerCopy(const Installation& installation, const char* program, const char* mark);

// ---- Files (files.cpp) ----
// Takes the read-only mark off a copy just made, which keeps its source's (a CD's):
// the record could not be written into it and the uninstall could not delete it.
void ClearReadOnly(const char* path);

// ---- Installing and uninstalling (install_theme.cpp, uninstall.cpp) ----
// Chooses the installed copy: an earlier installation's of this theme that is proven
// this installer's, else the first of themeFileName, "<name> (2).<ext>" … "(9)" that no
// file or folder holds (none of someone else's is ever written to, nor the theme file
// itself). False when there is none; copyFileName is set.
bool ChooseInstalledCopy(Installation& installation);
// Registers the installation, runs the job, then its rollback or the final update of
// the uninstall entry, and tells the user the outcome.
void InstallTheme(SysWindow owner, Installation& installation);
// The handler of "/u" with the installed copy's path.
void UninstallTheme(SysWindow owner, Installation& installation, const char* path);

// ---- Shell verb (shell_extension.cpp) ----
bool SetupShellExtension(SysWindow owner, const Installation& installation);
// True when the "Install Theme" verb's command starts this installer (the verb is
// ours); its command then goes to command (520 bytes) when given.
bool IsOwnVerb(const Installation& installation, char* command);
