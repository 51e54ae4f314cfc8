// The job engine: installs a theme, uninstalls an installed one, or rolls back an
// installation that the user abandoned after an error. RunThemeJob runs one job; the
// install walk (install_walk.cpp) copies what the theme's lines name and records it,
// the removal walk (removal_walk.cpp) replays a record to take away what it lists, and
// both show what they do through the progress display (progress.cpp).
#pragma once
#include "installer.h"
#include "record.h"

// What a job did: for the caller's registration and final message.
struct JobOutcome {
    bool ran;          // the theme file was opened and the job walked it
    bool aborted;      // the user chose Cancel after an error
    bool noRecord;     // install: the installed copy, the record, could not be made
    bool unproven;     // uninstall, rollback: the record is not proven this installer's,
                       // so nothing was removed
    bool incomplete;   // uninstall: recorded entries are still in place; the installed
                       // copy keeps the record of them
};

// Runs one job over the installation. An installation writes its record into record
// (which the caller opens and closes); a rollback undoes exactly the keys that record
// says its run wrote, and nothing else; an uninstall takes no record (0). Removals act
// only on a proven record, and set the installation's copy entry and seal from it.
JobOutcome RunThemeJob(SysWindow owner, JobMode mode, Installation& installation, RecordFile* record);

// The working block of a job: three 520-byte texts (the source name, the destination
// path, the current line, which also composes messages) in the 2600 bytes a job has
// always taken, then (uninstall and rollback) the record section as read back.
enum : uint32_t {
    INSTALL_BLOCK_SIZE = 2600,
    RECORD_BLOCK_SIZE = 2600 + 32768,
    SOURCE_OFFSET = 0,
    DESTINATION_OFFSET = 520,
    LINE_OFFSET = 1040,
    SECTION_OFFSET = 2600,
};
// Opens the file a job walks (the theme file, or the installed copy), relative to the
// current directory; 0 when it cannot be opened.
SysFile OpenWalkedFile(const char* name);

// The walks, each with the state it alone uses.
void RunInstallWalk(SysWindow owner, Installation& installation, RecordFile& record, JobOutcome& outcome);
void RunRemovalWalk(SysWindow owner, JobMode mode, Installation& installation, const RecordFile* run,
                    JobOutcome& outcome);

// ---- Progress display (progress.cpp)
// The progress dialog and its bar. The bar moves one step per entry; sent to the bar,
// a step makes it paint itself at once, which on some systems costs more than the
// copy the step stands for: so the steps are gathered and the bar moved on by all of
// them at most every PROGRESS_PAINT_INTERVAL milliseconds, whenever the job stops to
// ask, and at the end.
struct Progress {
    SysWindow dialog;  // 0 when it could not be made
    SysWindow bar;     // its bar, looked up once
    int pendingSteps;  // steps the bar has not been moved by yet
    uint32_t lastPaint;  // when it last moved (tick count)
};
// Creates the dialog with its banner, the mouse captured to it and the wait cursor;
// false when it could not be created.
bool OpenProgress(Progress& progress);
// One step of the bar, shown when the last move is old enough.
void StepProgress(Progress& progress);
// Moves the bar on by the steps gathered.
void ShowProgress(Progress& progress);
// The bar's range for total entries, one step each.
void SetProgressTotal(Progress& progress, uint32_t total);
void CloseProgress(Progress& progress);

// ---- Files that Windows acts on by itself (autostart_files.cpp)
// The names of the user's StartUp folders (long and short), read once per installation.
struct StartupFolders {
    char names[4][PATH_CAPACITY];
    uint32_t count;
};
void ReadStartupFolders(StartupFolders& folders);
// True when Windows would read, load or run the file at path by itself: a theme never
// places one there.
bool IsActedOnByWindows(const char* path, const StartupFolders& startup);

// ---- Paths of a job's entries (theme_paths.cpp)
// The folder a theme line's kind points into.
const char* KindDirectory(const Installation& installation, int kind);
// A folder named in full, where a theme's file may go or be removed from.
bool IsKnownFolder(const char* folder);
// The destination of source (a theme line's relative path) in directory into
// destination (TEXT_CAPACITY bytes), as the file system spells it; directoryLength is
// where the relative part starts. The result is 0, or the error of a path that may not
// be copied to (destination is then empty): a folder not known, a name that no file
// may have, a path that leaves its folder or that Windows cannot name, a file that
// Windows acts on by itself.
uint32_t ResolveFolderDestination(const char* directory, const char* source, const StartupFolders& startup,
                                  char* destination, uint32_t* directoryLength);
// True when a recorded path may be removed: it lies in one of the installation's
// folders (for an uninstall named without a folder, the Themes folder is the one that
// holds the record at recordPath) or is one of the screen files. A record names only
// such paths; anything else was not written by an installation and is left alone.
bool MayRemoveRecordedPath(const Installation& installation, const char* recordPath, const char* path);

// ---- What other installations use (shared_use.cpp)
// The files and folders that the proven records of the other installations list.
struct OtherRecords {
    char* paths;    // the list, 0 before it is gathered or when there was no room for it
    bool gathered;
};
// Reads the other installations' records once (ownCopy, this installation's record, is
// left out).
void GatherOtherRecords(OtherRecords& others, const char* ownCopy);
// True when another installation may still use the file or folder at path: its record
// lists it (a file as the same copy, when mark gives the copy's), or the records could
// not be read (nothing shows that none does).
bool OthersMayUse(const OtherRecords& others, bool file, const char* path, const uint32_t* mark);
// True when another installation's record lists path as its copy and the file there is
// still that copy (mark); or lists the folder at path.
bool OthersPlacedCopy(const OtherRecords& others, const char* path, uint32_t mark);
bool OthersPlacedFolder(const OtherRecords& others, const char* path);
// True when another installation's record lists path as a screen with the same mark
// (size and time) as this one's, that it put in place of the one it moved aside to its
// backup: what stands there is the other's.
bool OthersMovedAside(const OtherRecords& others, const char* path, uint32_t mark);
// Whether another installation moved aside the screen at path, whatever its copy.
bool OthersMovedAnyAside(const OtherRecords& others, const char* path);
// Whether another installation that may use the file at path (as OthersMayUse) notes
// the font registered for it, and so takes the font out of the list with the file (true
// too when the records could not be read).
bool OthersNoteFont(const OtherRecords& others, const char* path, const uint32_t* mark);
// Whether another installation's record notes the font of that very copy (the
// registration is its own, not one that was there before it).
bool OthersNotedFont(const OtherRecords& others, const char* path, uint32_t mark);
void ReleaseOtherRecords(OtherRecords& others);

// ---- What a recorded file brought with it (removal_walk.cpp)
// A recorded file that is gone: the screen it moved aside goes back in its place, its font
// leaves the list of fonts (section: the record's; true when the list changed).
bool ForgetGoneFile(const Installation& installation, const RecordSection& section, uint32_t number, const char* path);

// ---- Fonts (font_list.cpp): a TrueType font that an installation copies is registered
// as the Fonts folder registers one, so that Windows loads it; what it registered goes
// again with it.
// Registers the font copied to path, "File" number of record, when it is a TrueType
// font whose name no font of the list has yet; the record says so first. True when the
// list changed. For a shared file (another installation's) the record notes the font
// that the list holds for it, and the list is left as it is.
bool RegisterFont(const Installation& installation, RecordFile& record, uint32_t number, const char* path,
                  bool shared);
// Takes name out of the list when it still names the font at path; true when it did.
bool UnregisterFont(const Installation& installation, const char* name, const char* path);
