// The system interface on Win32: every function forwards to the real call.
#include <windows.h>
#include <commctrl.h>
#include "../sys.h"
#include "dialogs.h"

static HKEY RootKey(SysRoot root) {
    switch (root) {
    case SYS_HKEY_CLASSES_ROOT: return HKEY_CLASSES_ROOT;
    case SYS_HKEY_CURRENT_USER: return HKEY_CURRENT_USER;
    default: return HKEY_LOCAL_MACHINE;
    }
}

bool SysGetVersion(uint32_t* platformId) {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = sizeof info;  // 148 bytes
    if (!GetVersionExA(&info)) return false;
    *platformId = info.dwPlatformId;
    return true;
}

uint32_t SysGetWindowsDirectory(char* buffer, uint32_t capacity) { return GetWindowsDirectoryA(buffer, capacity); }
uint32_t SysGetCurrentDirectory(uint32_t capacity, char* buffer) { return GetCurrentDirectoryA(capacity, buffer); }
bool SysSetCurrentDirectory(const char* path) { return SetCurrentDirectoryA(path) != 0; }
uint32_t SysGetModuleFileName(char* buffer, uint32_t capacity) { return GetModuleFileNameA(0, buffer, capacity); }
uint32_t SysGetLastError() { return GetLastError(); }
uint32_t SysGetFullPathName(const char* path, uint32_t capacity, char* buffer) {
    char* name = 0;
    return GetFullPathNameA(path, capacity, buffer, &name);
}
uint32_t SysGetShortPathName(const char* path, char* buffer, uint32_t capacity) {
    return GetShortPathNameA(path, buffer, capacity);
}
uint32_t SysGetTempPath(uint32_t capacity, char* buffer) { return GetTempPathA(capacity, buffer); }
bool SysGetTempFileName(const char* folder, const char* prefix, char* buffer) {
    return GetTempFileNameA(folder, prefix, 0, buffer) != 0;
}

void SysGetSystemTime(uint32_t* low, uint32_t* high) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    *low = now.dwLowDateTime;
    *high = now.dwHighDateTime;
}

uint32_t SysGetCurrentProcessId() { return GetCurrentProcessId(); }

static void TakeFindData(const WIN32_FIND_DATAA& data, SysFindData* found) {
    lstrcpynA(found->name, data.cFileName, sizeof found->name);
    lstrcpynA(found->shortName, data.cAlternateFileName, sizeof found->shortName);
    found->attributes = data.dwFileAttributes;
    found->sizeHigh = data.nFileSizeHigh;
    found->sizeLow = data.nFileSizeLow;
    found->timeLow = data.ftLastWriteTime.dwLowDateTime;
    found->timeHigh = data.ftLastWriteTime.dwHighDateTime;
}

SysFind SysFindFirstFile(const char* pattern, SysFindData* found) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    TakeFindData(data, found);
    return (SysFind)find;
}

bool SysFindNextFile(SysFind find, SysFindData* found) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA((HANDLE)find, &data)) return false;
    TakeFindData(data, found);
    return true;
}

bool SysFindClose(SysFind find) { return FindClose((HANDLE)find) != 0; }

SysFile SysOpenExisting(const char* path, uint32_t shareMode, bool sequential) {
    HANDLE file = CreateFileA(path, GENERIC_READ, shareMode, 0, OPEN_EXISTING,
                              sequential ? FILE_FLAG_SEQUENTIAL_SCAN : FILE_ATTRIBUTE_NORMAL, 0);
    return file == INVALID_HANDLE_VALUE ? 0 : (SysFile)file;
}

bool SysReadFile(SysFile file, void* buffer, uint32_t count, uint32_t* got) {
    DWORD read = 0;
    BOOL ok = ReadFile((HANDLE)file, buffer, count, &read, 0);
    *got = read;
    return ok != 0;
}

bool SysRewindFile(SysFile file) { return SetFilePointer((HANDLE)file, 0, 0, FILE_BEGIN) != INVALID_SET_FILE_POINTER; }
bool SysSeekFile(SysFile file, uint32_t offset) {
    return SetFilePointer((HANDLE)file, (LONG)offset, 0, FILE_BEGIN) != INVALID_SET_FILE_POINTER;
}
uint32_t SysSeekFromEnd(SysFile file, uint32_t back) { return SetFilePointer((HANDLE)file, -(LONG)back, 0, FILE_END); }
bool SysCloseFile(SysFile file) { return CloseHandle((HANDLE)file) != 0; }

bool SysGetFileStamp(const char* path, SysFileStamp* stamp) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    DWORD size = GetFileSize(file, &high);
    FILETIME written;
    bool ok = size != INVALID_FILE_SIZE && high == 0 && GetFileTime(file, 0, 0, &written);
    CloseHandle(file);
    if (!ok) return false;
    stamp->size = size;
    stamp->timeLow = written.dwLowDateTime;
    stamp->timeHigh = written.dwHighDateTime;
    return true;
}
uint32_t SysGetFileAttributes(const char* path) { return GetFileAttributesA(path); }
bool SysCopyFile(const char* source, const char* destination, bool failIfExists) {
    return CopyFileA(source, destination, failIfExists) != 0;
}
bool SysSetNormalAttributes(const char* path) { return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0; }
bool SysMoveFile(const char* source, const char* destination) { return MoveFileA(source, destination) != 0; }
bool SysWriteFileStart(const char* path, const void* data, uint32_t length) {
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, 0, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, length, &written, 0);
    CloseHandle(file);
    return ok && written == length;
}

bool SysDeleteFile(const char* path) { return DeleteFileA(path) != 0; }
bool SysCreateDirectory(const char* path) { return CreateDirectoryA(path, 0) != 0; }
bool SysRemoveDirectory(const char* path) { return RemoveDirectoryA(path) != 0; }

uint32_t SysGetProfileSection(const char* section, char* buffer, uint32_t capacity, const char* fileName) {
    return GetPrivateProfileSectionA(section, buffer, capacity, fileName);
}

uint32_t SysGetProfileString(const char* section, const char* key, const char* defaultValue,
                             char* buffer, uint32_t capacity, const char* fileName) {
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, capacity, fileName);
}

bool SysWriteProfileString(const char* section, const char* key, const char* value, const char* fileName) {
    return WritePrivateProfileStringA(section, key, value, fileName) != 0;
}

int32_t SysRegOpenKey(SysRoot root, const char* subkey, SysKey* key) {
    HKEY opened = 0;
    LONG result = RegOpenKeyA(RootKey(root), subkey, &opened);
    *key = (SysKey)opened;
    return result;
}

int32_t SysRegOpenSubkey(SysKey parent, const char* subkey, SysKey* key) {
    HKEY opened = 0;
    LONG result = RegOpenKeyA((HKEY)parent, subkey, &opened);
    *key = (SysKey)opened;
    return result;
}

int32_t SysRegOpenKeyReadWrite(SysRoot root, const char* subkey, SysKey* key) {
    HKEY opened = 0;
    LONG result = RegOpenKeyExA(RootKey(root), subkey, 0, KEY_READ | KEY_WRITE, &opened);
    *key = (SysKey)opened;
    return result;
}

static int32_t CreateKey(HKEY parent, const char* subkey, SysKey* key, uint32_t* disposition) {
    HKEY created = 0;
    DWORD how = 0;
    char emptyClass[1] = {0};
    LONG result = RegCreateKeyExA(parent, subkey, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, 0, &created, &how);
    *key = (SysKey)created;
    *disposition = how;
    return result;
}

int32_t SysRegCreateKey(SysKey parent, const char* subkey, SysKey* key, uint32_t* disposition) {
    return CreateKey((HKEY)parent, subkey, key, disposition);
}

int32_t SysRegCreateRootKey(SysRoot root, const char* subkey, SysKey* key, uint32_t* disposition) {
    return CreateKey(RootKey(root), subkey, key, disposition);
}

int32_t SysRegQueryValue(SysKey key, const char* name, char* data, uint32_t* size) {
    DWORD length = *size;
    LONG result = RegQueryValueExA((HKEY)key, name, 0, 0, (BYTE*)data, &length);
    *size = length;
    return result;
}

int32_t SysRegSetString(SysKey key, const char* name, const char* value) {
    return RegSetValueExA((HKEY)key, name, 0, REG_SZ, (const BYTE*)value, lstrlenA(value) + 1);
}

int32_t SysRegDeleteRootKey(SysRoot root, const char* subkey) { return RegDeleteKeyA(RootKey(root), subkey); }
int32_t SysRegDeleteKey(SysKey parent, const char* subkey) { return RegDeleteKeyA((HKEY)parent, subkey); }
int32_t SysRegEnumKey(SysKey key, uint32_t index, char* name, uint32_t capacity) {
    return RegEnumKeyA((HKEY)key, index, name, capacity);
}

int32_t SysRegCountKey(SysKey key, uint32_t* subkeys, uint32_t* values) {
    DWORD keys = 0, valueCount = 0;
    LONG result = RegQueryInfoKeyA((HKEY)key, 0, 0, 0, &keys, 0, 0, &valueCount, 0, 0, 0, 0);
    *subkeys = keys;
    *values = valueCount;
    return result;
}

int32_t SysRegDeleteValue(SysKey key, const char* name) { return RegDeleteValueA((HKEY)key, name); }
int32_t SysRegCloseKey(SysKey key) { return RegCloseKey((HKEY)key); }

int SysMessageBox(SysWindow owner, const char* text, const char* caption, uint32_t style) {
    return MessageBoxA((HWND)owner, text, caption, style);
}

void SysInitCommonControls() { InitCommonControls(); }

SysWindow SysCreateProgressDialog(SysWindow owner) {
    return (SysWindow)CreateDialogParamA(GetModuleHandleA(0), MAKEINTRESOURCEA(IDD_PROGRESS),
                                         (HWND)owner, ProgressDialogProc, 0);
}

void SysSetDialogItemText(SysWindow dialog, int id, const char* text) {
    SetWindowTextA(GetDlgItem((HWND)dialog, id), text);
}

SysWindow SysGetDialogItem(SysWindow dialog, int id) { return (SysWindow)GetDlgItem((HWND)dialog, id); }
void SysSetProgressRange(SysWindow bar, uint16_t low, uint16_t high) {
    SendMessageA((HWND)bar, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}
void SysSetProgressStep(SysWindow bar, int step) { SendMessageA((HWND)bar, PBM_SETSTEP, (WPARAM)step, 0); }
void SysAdvanceProgress(SysWindow bar, int steps) { SendMessageA((HWND)bar, PBM_DELTAPOS, (WPARAM)steps, 0); }
uint32_t SysGetTickCount() { return GetTickCount(); }
void SysSetCapture(SysWindow window) { SetCapture((HWND)window); }
void SysSetWaitCursor() { SetCursor(LoadCursorA(0, (LPCSTR)IDC_WAIT)); }
bool SysDestroyWindow(SysWindow window) { return DestroyWindow((HWND)window) != 0; }

intptr_t SysShowMissingComponentDialog(SysWindow owner, const char* fileName) {
    return DialogBoxParamA(GetModuleHandleA(0), MAKEINTRESOURCEA(IDD_MISSING_COMPONENT), (HWND)owner,
                           MissingComponentDialogProc, (LPARAM)fileName);
}

int SysAddFontResource(const char* path) { return AddFontResourceA(path); }
bool SysRemoveFontResource(const char* path) { return RemoveFontResourceA(path) != 0; }
void SysBroadcastFontChange() { SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0); }

// A fixed block: its handle is its address, so the block alone is enough to free it.
void* SysAllocBlock(uint32_t size) {
    HLOCAL memory = LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, size);
    if (!memory) return 0;
    void* block = LocalLock(memory);
    if (!block) LocalFree(memory);
    return block;
}

void SysFreeBlock(void* block) {
    LocalUnlock((HLOCAL)block);
    LocalFree((HLOCAL)block);
}
