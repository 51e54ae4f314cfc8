// Where a theme line's file goes, and which recorded paths a removal may touch: the
// folders of the installation, and the checks that keep every path inside them.
#include "job.h"
#include "installer_text.h"

const char* KindDirectory(const Installation& installation, int kind) {
    switch (kind) {
    case ThemesEntry: return installation.themesDir;
    case FontsEntry: return installation.fontsDir;
    case StartupScreenEntry: return "c:\\";
    default: return installation.windowsDir;  // the Windows directory's files and the shut-down screens
    }
}

// A folder that a theme's file may go to or be removed from: one named in full. An
// empty or relative one (a missing registry value) would put files wherever the
// current directory happens to be, where nothing would find them again.
bool IsKnownFolder(const char* folder) { return IsFullPath(folder); }

// True when a component of path (after its first folder) ends in a dot or a blank,
// which the file system drops: the name recorded would not be the name on disk.
static bool HasTrailingDotOrBlank(const char* path) {
    for (const char* p = path; *p; ++p)
        if ((*p == '.' || *p == ' ') && (p[1] == '\\' || p[1] == 0)) return true;
    return false;
}

uint32_t ResolveFolderDestination(const char* directory, const char* source, const StartupFolders& startup,
                                  char* destination, uint32_t* directoryLength) {
    TextCopy(destination, directory, TEXT_CAPACITY);
    *directoryLength = TextLength(destination);
    uint32_t length = TextLength(source);
    uint32_t separator =
        (*directoryLength > 0 && directory[*directoryLength - 1] != '\\' && directory[*directoryLength - 1] != ':') ? 1 : 0;
    uint32_t refused = 0;
    char full[TEXT_CAPACITY];
    if (!IsKnownFolder(directory)) {
        // Nowhere known to put it (a folder missing from the registry).
        refused = SYS_ERROR_PATH_NOT_FOUND;
    } else if (HasControlCharacter(source)) {
        // No file name holds one, and the record could not give it back: the
        // profile functions end lines and trim values at such characters.
        refused = SYS_ERROR_INVALID_NAME;
    } else if (PathLeavesFolder(source)) {
        // Would land outside its folder (a ".." or a drive): refused like a copy that
        // is not allowed.
        refused = SYS_ERROR_ACCESS_DENIED;
    } else if (*directoryLength + separator + length >= PATH_CAPACITY) {
        // A path Windows cannot name: never cut it into another path.
        refused = SYS_ERROR_FILENAME_EXCED_RANGE;
    } else {
        // The destination as the file system spells it ("/" and "." folded), so that
        // the record names the file that an uninstall finds.
        AppendPathPart(destination, source, TEXT_CAPACITY);
        uint32_t n = SysGetFullPathName(destination, TEXT_CAPACITY, full);
        if (n == 0 || n >= PATH_CAPACITY) refused = SYS_ERROR_FILENAME_EXCED_RANGE;
        else if (!TextStartsWithNoCase(full, directory) || !full[*directoryLength]) refused = SYS_ERROR_ACCESS_DENIED;
        else if (HasTrailingDotOrBlank(full + *directoryLength)) refused = SYS_ERROR_INVALID_NAME;
        else if (IsActedOnByWindows(full, startup)) refused = SYS_ERROR_ACCESS_DENIED;
        else TextCopy(destination, full, TEXT_CAPACITY);
    }
    if (refused) destination[0] = 0;
    return refused;
}

bool MayRemoveRecordedPath(const Installation& installation, const char* recordPath, const char* path) {
    char themes[TEXT_CAPACITY];
    if (installation.themesDir[0]) TextCopy(themes, installation.themesDir, TEXT_CAPACITY);
    else TextCopyCount(themes, recordPath, (uint32_t)(FindBaseName(recordPath) - recordPath), TEXT_CAPACITY);
    if (!IsFullPath(path)) return false;
    const char* folders[] = {themes, installation.windowsDir, installation.fontsDir};
    for (const char* folder : folders)
        if (IsKnownFolder(folder) && PathIsInside(path, folder)) return true;
    return IsScreenPath(installation, path);
}
