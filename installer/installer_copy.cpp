// The installer's own copy in the Themes folder, which the uninstall entries name: it
// outlives the folder a theme was installed from. It is this installer's only while
// the entries of proven installations name it and it still is the file they name
// (its stamp's mark is kept in each); it goes with the last of them.
#include "record.h"
#include "installer_text.h"

enum : uint32_t { WININIT_CAPACITY = 32768 };

// The path of candidate index in the Themes folder; false when Windows could not name it.
static bool CandidatePath(const Installation& installation, int index, char* out) {
    char name[PATH_CAPACITY];
    if (!NumberedName("decorama", ".exe", index, name, sizeof name)) return false;
    TextCopy(out, installation.themesDir, TEXT_CAPACITY);
    AppendPathPart(out, name, TEXT_CAPACITY);
    return TextLength(out) < PATH_CAPACITY;
}

// The mark of the file at path, as text; false when it cannot be looked at.
static bool MarkOf(const char* path, char* out) {
    SysFileStamp stamp;
    if (!SysGetFileStamp(path, &stamp)) return false;
    out[0] = 0;
    return TextAppendHex(out, StampMark(stamp), 8, INSTALLER_MARK_CAPACITY);
}

struct CopySearch {
    const char* path;     // the installer's copy looked for
    const char* mark;     // its mark now
    bool proven;          // only entries whose record is proven count
};

static bool NamesCopy(const char* name, const char* program, const char* copy, void* context) {
    CopySearch* search = (CopySearch*)context;
    if (!SameFile(program, search->path)) return false;
    if (!search->proven) return true;
    char mark[TEXT_CAPACITY];
    RecordProof proof;
    return ReadEntryString(name, INSTALLER_MARK_NAME, mark, sizeof mark) && TextEqual(mark, search->mark) &&
           ProveRecord(copy, &proof);
}

void PlaceInstallerCopy(Installation& installation) {
    InstalledCopy* copy = &installation.copy;
    char* uninstallerPath = installation.uninstallerPath;
    uninstallerPath[0] = 0;
    copy->installerMark[0] = 0;
    if (!IsFullPath(installation.themesDir) || !installation.installerPath[0]) return;
    char path[TEXT_CAPACITY], mark[INSTALLER_MARK_CAPACITY];
    // One that proven installations name, still the file they name.
    for (int index = 1; index <= NUMBERED_NAMES; ++index) {
        if (!CandidatePath(installation, index, path) || !MarkOf(path, mark)) continue;
        CopySearch search = {path, mark, true};
        if (!VisitUninstallEntries(NamesCopy, &search)) continue;
        TextCopy(uninstallerPath, path, PATH_CAPACITY);
        TextCopy(copy->installerMark, mark, sizeof copy->installerMark);
        return;
    }
    // Else a new one, under a name that nothing holds.
    for (int index = 1; index <= NUMBERED_NAMES; ++index) {
        if (!CandidatePath(installation, index, path) || SysGetFileAttributes(path) != SYS_INVALID_FILE_ATTRIBUTES) continue;
        uint32_t error = SysGetLastError();
        if (error != SYS_ERROR_FILE_NOT_FOUND) continue;
        if (!SysCopyFile(installation.installerPath, path, true)) {
            // What a copy that failed half-way (a full disk) left there is its own.
            if (SysGetLastError() != SYS_ERROR_FILE_EXISTS) SysDeleteFile(path);
            return;
        }
        ClearReadOnly(path);
        // Without its mark nothing could show later that the copy is this installer's.
        if (!MarkOf(path, mark)) {
            SysDeleteFile(path);
            return;
        }
        copy->madeInstaller = true;
        TextCopy(uninstallerPath, path, PATH_CAPACITY);
        TextCopy(copy->installerMark, mark, sizeof copy->installerMark);
        return;
    }
}

// Asks Windows to delete path at its next start, as WININIT.EXE does it: a line
// "NUL=<short path>" in the [rename] section of WININIT.INI in the Windows folder,
// which may already hold other programs' lines (they all stay, and the section's
// first place is where Windows reads them).
static void DeleteAtNextStart(const Installation& installation, const char* path) {
    char shortPath[TEXT_CAPACITY], file[TEXT_CAPACITY], line[TEXT_CAPACITY];
    uint32_t n = SysGetShortPathName(path, shortPath, sizeof shortPath);
    if (n == 0 || n >= PATH_CAPACITY) return;
    TextCopy(file, installation.windowsDir, sizeof file);
    AppendPathPart(file, "WININIT.INI", sizeof file);
    TextCopy(line, "NUL=", sizeof line);
    TextAppend(line, shortPath, sizeof line);
    TextAppend(line, "\r\n", sizeof line);
    char* text = (char*)SysAllocBlock(WININIT_CAPACITY * 2);
    if (!text) return;
    char* out = text + WININIT_CAPACITY;
    uint32_t length = 0;
    SysFile existing = SysOpenExisting(file, SYS_SHARE_READ, false);
    if (existing) {
        bool read = SysReadFile(existing, text, WININIT_CAPACITY, &length);
        uint32_t more = 0;
        char probe;
        // A file this program cannot take whole is left as it is.
        bool whole = read && length < WININIT_CAPACITY && SysReadFile(existing, &probe, 1, &more) && more == 0;
        SysCloseFile(existing);
        if (!whole) length = WININIT_CAPACITY;
    } else if (SysGetLastError() != SYS_ERROR_FILE_NOT_FOUND) {
        // There but not readable: what it holds could not be kept, so it is not written.
        length = WININIT_CAPACITY;
    }
    uint32_t lineLength = TextLength(line), at = length, used = 0;
    // Right after the first "[rename]" line, or a new section at the end.
    bool found = false;
    for (uint32_t start = 0; start < length && !found;) {
        uint32_t end = start;
        while (end < length && text[end] != '\n') ++end;
        char header[9];
        TextCopyCount(header, text + start, 8, sizeof header);
        if (end - start >= 8 && TextEqualNoCase(header, "[rename]")) at = end < length ? end + 1 : end, found = true;
        start = end + 1;
    }
    if (length < WININIT_CAPACITY && length + lineLength + 12 < WININIT_CAPACITY) {
        for (uint32_t i = 0; i < at; ++i) out[used++] = text[i];
        if (used > 0 && out[used - 1] != '\n') out[used++] = '\r', out[used++] = '\n';
        if (!found) {
            TextCopy(out + used, "[rename]\r\n", 11);
            used += 10;
        }
        for (uint32_t i = 0; i < lineLength; ++i) out[used++] = line[i];
        for (uint32_t i = at; i < length; ++i) out[used++] = text[i];
        SysWriteFileStart(file, out, used);
    }
    SysFreeBlock(text);
}

void ReleaseInstallerCopy(const Installation& installation, const char* program, const char* mark) {
    char now[INSTALLER_MARK_CAPACITY];
    if (!program[0] || !mark[0] || !MarkOf(program, now) || !TextEqual(now, mark)) return;
    // Another entry still needs it.
    CopySearch search = {program, mark, false};
    if (VisitUninstallEntries(NamesCopy, &search)) return;
    if (SameFile(program, installation.installerPath)) DeleteAtNextStart(installation, program);
    else SysDeleteFile(program);
}
