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

// ---- Registry (registry.cpp) ----
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

// ---- Start-up (startup.cpp) ----
// The program's dispatch: argv[0] is the installer's path, the rest the command
// line's words. The result is the exit code: 1 after a confirmed installation.
int RunInstaller(int argc, char** argv);

// ---- Theme file lines and record entries (line_reader.cpp, theme_entries.cpp) ----
enum JobMode { Install = 0, Uninstall = 1, Rollback = 2 };

enum EntryKind {
    NoEntry = 0, ThemesEntry = 1, WindowsEntry = 2, FontsEntry = 3,
    StartupScreenEntry = 4, ShutdownWaitScreenEntry = 5, ShutdownSafeScreenEntry = 6
};

// Reads the next line of file into buffer (at most capacity - 1 bytes; a longer line
// continues in the next call). A line ends after a line feed (CR LF or a lone LF);
// trailing CR and LF are removed except the first character, so a blank line comes
// back as "\r" or "\n". A last line without line end is returned too. Returns
// buffer, or 0 at the end of the file.
char* ReadThemeLine(char* buffer, uint32_t capacity, SysFile file);

// Position in a record section ("key=value" strings, each ended by a zero).
struct SectionCursor {
    const char* begin;  // first string
    const char* end;    // just past the last string's zero
    const char* at;     // next string to look at (files: forwards; dirs: backwards)
};
// Sets the cursor over the first length bytes of section; the buffer must hold two
// zeros at section[length] and section[length + 1].
void InitSectionCursor(SectionCursor* cursor, const char* section, uint32_t length);

// The source of a job's entries. Without a cursor: the next line of the theme file.
// With one: the value of the next "F…" key (files, in the order they stand), then,
// after one empty result, of the "D…" keys in reverse order (directories, deepest
// first). Values that would not fit out (520 bytes), and strings without "=" (a key
// cut off by a full disk), are passed over. Returns out, or 0 when the entries are
// exhausted.
char* NextThemeEntry(SysFile file, char* out, SectionCursor* cursor, char* entryKind);

// The kind of a theme line and where its file name starts. special says whether the
// line lies in the "[DecoramaSpecial]" section.
int ClassifyThemeLine(const char* line, bool special, const char** position);
// The marker that opens the special section.
extern const char SPECIAL_MARKER[];

// ---- The job engine (theme_job.cpp) ----
void RunThemeJob(SysWindow owner, JobMode mode);

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
// (the path with its last four characters replaced) back in its place.
void RestoreScreenBackup(const char* path);
// True when path is one of the three screen files of this job's folders.
bool IsScreenPath(const char* path);

// ---- Uninstall registration (uninstall.cpp) ----
bool RegisterUninstall(SysWindow owner, JobMode mode);
void UninstallTheme(SysWindow owner, const char* path);
void GetInstallerCommand(char* out);
// The uninstall command of the current theme into out (520 bytes); false when it
// would not fit.
bool ComposeUninstallString(char* out);

// ---- Shell verb (shell_extension.cpp) ----
bool SetupShellExtension(SysWindow owner);

// ---- Messages ----
extern const char CAPTION[];  // "Decorama"
extern const char PRODUCT_BANNER[];  // "Decorama v1.04"
