// The installer's one window onto the system. Each function mirrors one Win32 call
// (named beside it), with portable types and the same results and error codes, so the
// installer's logic builds without windows.h. Two implementations exist, chosen at link
// time: win32/sys_win32.cpp forwards every call to the real one; the unit tests link
// an in-memory stand-in.
#pragma once
#include <stddef.h>
#include <stdint.h>

typedef void* SysFile;    // an open file; 0 when an open failed
typedef void* SysFind;    // a running file search; 0 when nothing matched
typedef void* SysKey;     // an open registry key
typedef void* SysWindow;  // a window or dialog; 0 stands for none (the desktop)

// Error codes that the installer tells apart, as GetLastError and the registry
// functions give them.
enum : uint32_t {
    SYS_ERROR_SUCCESS = 0,
    SYS_ERROR_FILE_NOT_FOUND = 2,
    SYS_ERROR_PATH_NOT_FOUND = 3,
    SYS_ERROR_ACCESS_DENIED = 5,
    SYS_ERROR_NOT_ENOUGH_MEMORY = 8,
    SYS_ERROR_FILE_EXISTS = 80,
    SYS_ERROR_DISK_FULL = 112,
    SYS_ERROR_DIR_NOT_EMPTY = 145,
    SYS_ERROR_INVALID_NAME = 123,
    SYS_ERROR_ALREADY_EXISTS = 183,
    SYS_ERROR_FILENAME_EXCED_RANGE = 206,
    SYS_ERROR_NO_MORE_ITEMS = 259,
};

// Message box styles, with the values of MB_*, and results, with those of ID*.
enum : uint32_t { SYS_MB_OK = 0x00, SYS_MB_OKCANCEL = 0x01, SYS_MB_ICONERROR = 0x10, SYS_MB_ICONWARNING = 0x30 };
enum : uint32_t { SYS_IDOK = 1, SYS_IDCANCEL = 2 };

// Share modes for SysOpenExisting, with the values of FILE_SHARE_*.
enum : uint32_t { SYS_SHARE_READ = 1, SYS_SHARE_WRITE = 2 };

// Predefined registry roots.
enum SysRoot { SYS_HKEY_CLASSES_ROOT, SYS_HKEY_CURRENT_USER, SYS_HKEY_LOCAL_MACHINE };

// RegCreateKeyExA's disposition values.
enum : uint32_t { SYS_REG_CREATED_NEW_KEY = 1, SYS_REG_OPENED_EXISTING_KEY = 2 };

// ---- Platform, folders ----
// GetVersionExA with a 148-byte OSVERSIONINFOA: false when the query fails,
// otherwise the platform identifier (1 = the Windows 95 family, 2 = Windows NT).
bool SysGetVersion(uint32_t* platformId);
// GetWindowsDirectoryA: length of the path, 0 on failure.
uint32_t SysGetWindowsDirectory(char* buffer, uint32_t capacity);
// GetCurrentDirectoryA: length of the path; the needed size when it does not fit.
uint32_t SysGetCurrentDirectory(uint32_t capacity, char* buffer);
// SetCurrentDirectoryA.
bool SysSetCurrentDirectory(const char* path);
// GetModuleFileNameA for the running program: length written, 0 on failure.
uint32_t SysGetModuleFileName(char* buffer, uint32_t capacity);
// GetLastError.
uint32_t SysGetLastError();
// GetFullPathNameA: the length written, or the size needed when it does not fit; 0 on failure.
uint32_t SysGetFullPathName(const char* path, uint32_t capacity, char* buffer);
// GetShortPathNameA for an existing file or folder: the length written, or the size
// needed when it does not fit; 0 when the path does not exist.
uint32_t SysGetShortPathName(const char* path, char* buffer, uint32_t capacity);
// GetTempPathA: the length of the folder for temporary files (with its separator).
uint32_t SysGetTempPath(uint32_t capacity, char* buffer);
// GetTempFileNameA(folder, prefix, 0, buffer): creates an empty file under a name that
// no other file holds and puts its path in buffer (260 bytes). False on failure.
bool SysGetTempFileName(const char* folder, const char* prefix, char* buffer);

// GetSystemTimeAsFileTime: the time now, in 100-nanosecond steps since 1601.
void SysGetSystemTime(uint32_t* low, uint32_t* high);
// GetCurrentProcessId.
uint32_t SysGetCurrentProcessId();

// ---- Files ----
// What a file search reports of one match (WIN32_FIND_DATAA's fields).
enum : uint32_t { SYS_FILE_ATTRIBUTE_DIRECTORY = 0x10 };
struct SysFindData {
    char name[260];       // the long name
    char shortName[14];   // the 8.3 name, empty when it is the long name
    uint32_t attributes;
    uint32_t sizeHigh, sizeLow;
    uint32_t timeLow, timeHigh;  // last written
};
// FindFirstFileA.
SysFind SysFindFirstFile(const char* pattern, SysFindData* found);
// FindNextFileA: false when no match is left.
bool SysFindNextFile(SysFind find, SysFindData* found);
// FindClose.
bool SysFindClose(SysFind find);
// A file's size and last-write time, as a file search or GetFileTime reports them.
struct SysFileStamp {
    uint32_t size;
    uint32_t timeLow, timeHigh;
};
// CreateFileA (reading, shared), GetFileSize, GetFileTime, CloseHandle: false when the
// file does not open or is 4 GiB or more.
bool SysGetFileStamp(const char* path, SysFileStamp* stamp);
// CreateFileA(path, GENERIC_READ, shareMode, 0, OPEN_EXISTING,
//             sequential ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_ATTRIBUTE_NORMAL, 0).
SysFile SysOpenExisting(const char* path, uint32_t shareMode, bool sequential);
// ReadFile: false when the read fails; *got is 0 at the end of the file.
bool SysReadFile(SysFile file, void* buffer, uint32_t count, uint32_t* got);
// SetFilePointer(file, 0, 0, FILE_BEGIN).
bool SysRewindFile(SysFile file);
// SetFilePointer(file, offset, 0, FILE_BEGIN).
bool SysSeekFile(SysFile file, uint32_t offset);
// SetFilePointer(file, -back, 0, FILE_END): the new position, or SYS_INVALID_FILE_SIZE
// when the file is shorter than back.
enum : uint32_t { SYS_INVALID_FILE_SIZE = 0xFFFFFFFFu };
uint32_t SysSeekFromEnd(SysFile file, uint32_t back);
// CloseHandle.
bool SysCloseFile(SysFile file);
// GetFileAttributesA: the attributes of the file or folder at path, or
// SYS_INVALID_FILE_ATTRIBUTES when there is none (or it cannot be looked at).
enum : uint32_t { SYS_INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu, SYS_FILE_ATTRIBUTE_READONLY = 0x01 };
uint32_t SysGetFileAttributes(const char* path);
// CopyFileA.
bool SysCopyFile(const char* source, const char* destination, bool failIfExists);
// SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL): clears read-only and the like.
bool SysSetNormalAttributes(const char* path);
// MoveFileA.
bool SysMoveFile(const char* source, const char* destination);
// CreateFileA(path, GENERIC_WRITE, 0, 0, OPEN_ALWAYS, …), WriteFile of length bytes at
// its start, CloseHandle: true when every byte was written.
bool SysWriteFileStart(const char* path, const void* data, uint32_t length);
// DeleteFileA.
bool SysDeleteFile(const char* path);
// CreateDirectoryA(path, 0).
bool SysCreateDirectory(const char* path);
// RemoveDirectoryA.
bool SysRemoveDirectory(const char* path);

// ---- Profile (INI) files ----
// GetPrivateProfileSectionA: key=value strings, each ended by a zero, the run ended by
// an empty string; the result is the number of characters without the final zero.
uint32_t SysGetProfileSection(const char* section, char* buffer, uint32_t capacity,
                              const char* fileName);
// GetPrivateProfileStringA(section, key, defaultValue, buffer, capacity, fileName):
// the number of characters copied.
uint32_t SysGetProfileString(const char* section, const char* key, const char* defaultValue,
                             char* buffer, uint32_t capacity, const char* fileName);
// WritePrivateProfileStringA: a null key removes the whole section, a null value the key.
// With section, key and value all null, the system writes out and forgets its cached
// copy of the file, so that the next read looks at the file itself.
bool SysWriteProfileString(const char* section, const char* key, const char* value,
                           const char* fileName);

// ---- Registry (results are Win32 error codes, 0 = success) ----
// RegOpenKeyA.
int32_t SysRegOpenKey(SysRoot root, const char* subkey, SysKey* key);
// RegOpenKeyA under an open key.
int32_t SysRegOpenSubkey(SysKey parent, const char* subkey, SysKey* key);
// RegOpenKeyExA(root, subkey, 0, KEY_READ | KEY_WRITE, key).
int32_t SysRegOpenKeyReadWrite(SysRoot root, const char* subkey, SysKey* key);
// RegCreateKeyExA(parent, subkey, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, 0,
//                 key, disposition).
int32_t SysRegCreateKey(SysKey parent, const char* subkey, SysKey* key, uint32_t* disposition);
// The same under a predefined root.
int32_t SysRegCreateRootKey(SysRoot root, const char* subkey, SysKey* key, uint32_t* disposition);
// RegQueryValueExA(key, name, 0, 0, data, size): name 0 or "" is the default value.
// *size holds the capacity on entry and the length of the stored data on return.
int32_t SysRegQueryValue(SysKey key, const char* name, char* data, uint32_t* size);
// RegSetValueExA(key, name, 0, REG_SZ, value, length + 1): stored with its zero.
int32_t SysRegSetString(SysKey key, const char* name, const char* value);
// RegDeleteKeyA under a predefined root. On the Windows 95 family it deletes the key
// with all its subkeys (Windows NT refuses a key that has any).
int32_t SysRegDeleteRootKey(SysRoot root, const char* subkey);
// RegDeleteKeyA under an open key, likewise.
int32_t SysRegDeleteKey(SysKey parent, const char* subkey);
// RegEnumKeyA: the name of subkey index (capacity bytes); SYS_ERROR_NO_MORE_ITEMS after the last.
int32_t SysRegEnumKey(SysKey key, uint32_t index, char* name, uint32_t capacity);
// RegQueryInfoKeyA: how many subkeys and values the key holds.
int32_t SysRegCountKey(SysKey key, uint32_t* subkeys, uint32_t* values);
// RegDeleteValueA.
int32_t SysRegDeleteValue(SysKey key, const char* name);
// RegCloseKey.
int32_t SysRegCloseKey(SysKey key);

// ---- User interface ----
// MessageBoxA: SYS_IDOK, SYS_IDCANCEL, or 0 when the box could not be shown.
int SysMessageBox(SysWindow owner, const char* text, const char* caption, uint32_t style);
// InitCommonControls.
void SysInitCommonControls();
// CreateDialogParamA with the progress dialog (template 1), modeless, parameter 0.
SysWindow SysCreateProgressDialog(SysWindow owner);
// SetWindowTextA(GetDlgItem(dialog, id), text).
void SysSetDialogItemText(SysWindow dialog, int id, const char* text);
// GetDlgItem: the control of a dialog (0 when there is none).
SysWindow SysGetDialogItem(SysWindow dialog, int id);
// SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(low, high)).
void SysSetProgressRange(SysWindow bar, uint16_t low, uint16_t high);
// SendMessageA(bar, PBM_SETSTEP, step, 0).
void SysSetProgressStep(SysWindow bar, int step);
// SendMessageA(bar, PBM_DELTAPOS, steps, 0): moves the bar on by steps.
void SysAdvanceProgress(SysWindow bar, int steps);
// GetTickCount: milliseconds since the system started.
uint32_t SysGetTickCount();
// SetCapture.
void SysSetCapture(SysWindow window);
// SetCursor(LoadCursorA(0, IDC_WAIT)).
void SysSetWaitCursor();
// DestroyWindow.
bool SysDestroyWindow(SysWindow window);
// DialogBoxParamA with the missing-component dialog (template 2), the file name as
// its creation parameter. Returns the dialog's result.
intptr_t SysShowMissingComponentDialog(SysWindow owner, const char* fileName);

// ---- Fonts ----
// AddFontResourceA: how many fonts the file added, 0 on failure.
int SysAddFontResource(const char* path);
// RemoveFontResourceA.
bool SysRemoveFontResource(const char* path);
// SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0): the running programs learn that
// the fonts changed.
void SysBroadcastFontChange();

// ---- Memory ----
// LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size) then LocalLock: 0 on failure.
void* SysAllocBlock(uint32_t size);
// LocalUnlock then LocalFree.
void SysFreeBlock(void* block);
