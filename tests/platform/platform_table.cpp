// The rows of the platform table. Each works in C:\ZPT and under HKCU\Software\ZPT,
// which it empties first.
#include "platform_table.h"

#include <stdio.h>
#include <string.h>

#include "table_checks.h"

#include "sys.h"
#include "sys_double_errors.h"

static const char DIR[] = "C:\\ZPT";
static const char KEY[] = "Software\\ZPT";



static void Path(char* out, const char* name) { snprintf(out, 260, "%s\\%s", DIR, name); }

// An empty C:\ZPT (files and one level of folders) and no HKCU\Software\ZPT.
static void Clean() {
    static const char* names[] = {"a", "b", "c.ini", "d", "sub\\f", "sub", "Long Folder Name"};
    char path[260];
    for (const char* name : names) {
        Path(path, name);
        SysSetNormalAttributes(path);
        if (!SysDeleteFile(path)) SysRemoveDirectory(path);
    }
    SysCreateDirectory(DIR);
    SysRegDeleteRootKey(SYS_HKEY_CURRENT_USER, KEY);
}

static bool CreateKey(const char* subkey, uint32_t* disposition = 0) {
    char path[260];
    snprintf(path, sizeof path, "%s%s%s", KEY, *subkey ? "\\" : "", subkey);
    SysKey key = 0;
    uint32_t how = 0;
    if (SysRegCreateRootKey(SYS_HKEY_CURRENT_USER, path, &key, &how) != 0) return false;
    if (disposition) *disposition = how;
    SysRegCloseKey(key);
    return true;
}

static bool KeyExists(const char* subkey) {
    char path[260];
    snprintf(path, sizeof path, "%s%s%s", KEY, *subkey ? "\\" : "", subkey);
    SysKey key = 0;
    if (SysRegOpenKey(SYS_HKEY_CURRENT_USER, path, &key) != 0) return false;
    SysRegCloseKey(key);
    return true;
}

static bool SubkeysGoWithTheirKey(char* detail) {
    Clean();
    CHECK(CreateKey("A\\B\\C"));
    CHECK(CreateKey("Other"));
    char path[260];
    snprintf(path, sizeof path, "%s\\A", KEY);
    CHECK_EQ(SysRegDeleteRootKey(SYS_HKEY_CURRENT_USER, path), 0);
    CHECK(!KeyExists("A\\B\\C"));
    CHECK(!KeyExists("A"));
    CHECK(KeyExists("Other"));
    return true;
}

static bool AKeyNameEndingInABackslashIsTheKeyItself(char* detail) {
    Clean();
    CHECK(CreateKey("T"));
    uint32_t disposition = 0;
    CHECK(CreateKey("T\\", &disposition));
    CHECK_EQ(disposition, SYS_REG_OPENED_EXISTING_KEY);
    CHECK(CreateKey("New", &disposition));
    CHECK_EQ(disposition, SYS_REG_CREATED_NEW_KEY);
    SysKey key = 0;
    char path[260];
    snprintf(path, sizeof path, "%s\\Missing", KEY);
    CHECK_EQ(SysRegOpenKey(SYS_HKEY_CURRENT_USER, path, &key), SYS_ERROR_FILE_NOT_FOUND);
    return true;
}

static bool StringsAreStoredWithTheirZero(char* detail) {
    Clean();
    SysKey key = 0;
    uint32_t how = 0;
    CHECK_EQ(SysRegCreateRootKey(SYS_HKEY_CURRENT_USER, KEY, &key, &how), 0);
    CHECK_EQ(SysRegSetString(key, "Name", "Blue Theme"), 0);
    char data[32];
    uint32_t size = 4;
    CHECK_EQ(SysRegQueryValue(key, "Name", data, &size), SYS_ERROR_MORE_DATA);
    CHECK_EQ(size, 11);
    size = sizeof data;
    CHECK_EQ(SysRegQueryValue(key, "Name", data, &size), 0);
    CHECK_EQ(size, 11);
    CHECK(strcmp(data, "Blue Theme") == 0);
    CHECK_EQ(SysRegQueryValue(key, "Missing", data, &size), SYS_ERROR_FILE_NOT_FOUND);
    SysRegCloseKey(key);
    return true;
}

// Starts a profile row: an empty C:\ZPT, and in it c.ini holding text (no file when
// text is null).
static bool StartProfileRow(char* file, const char* text) {
    Clean();
    Path(file, "c.ini");
    return !text || PlatformWriteFile(file, text);
}

// The "key=value" strings of a section read, joined with "|".
static uint32_t ReadSection(const char* file, const char* section, char* out, uint32_t capacity) {
    char buffer[512];
    uint32_t n = SysGetProfileSection(section, buffer, capacity, file);
    out[0] = 0;
    for (uint32_t i = 0; i < n && buffer[i]; i += (uint32_t)strlen(buffer + i) + 1) {
        if (out[0]) strcat(out, "|");
        strcat(out, buffer + i);
    }
    return n;
}

// True when the section reads as want ("key=value" strings joined with "|").
static bool SectionReads(const char* file, const char* section, const char* want) {
    char got[512];
    ReadSection(file, section, got, sizeof got);
    return strcmp(got, want) == 0;
}

static bool NewKeysGoToTheEndOfTheirSection(char* detail) {
    char file[260], got[512];
    CHECK(StartProfileRow(file, "[Decorama]\r\nFile1=x\r\n\r\n[Other]\r\nA=1\r\n"));
    CHECK(SysWriteProfileString("Decorama", "Dir1", "y", file));
    CHECK(SysWriteProfileString("decorama", "file1", "z", file));  // an existing key, any case
    SysWriteProfileString(0, 0, 0, file);
    ReadSection(file, "Decorama", got, sizeof got);
    CHECK(strcmp(got, "file1=z|Dir1=y") == 0 || strcmp(got, "File1=z|Dir1=y") == 0);
    CHECK(SysWriteProfileString("Decorama", "FILE1", 0, file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(SectionReads(file, "Decorama", "Dir1=y"));
    CHECK(SectionReads(file, "Other", "A=1"));
    return true;
}

static bool ACutSectionReadSaysSo(char* detail) {
    char file[260], buffer[64];
    CHECK(StartProfileRow(file, "[S]\r\nK1=0123456789\r\nK2=0123456789\r\nK3=0123456789\r\n"));
    // 42 characters: with room for two zeros more they come back whole; with one less,
    // the read says that it had to cut (capacity - 2), and ends in two zeros.
    CHECK_EQ(SysGetProfileSection("S", buffer, 45, file), 42);
    CHECK_EQ(SysGetProfileSection("S", buffer, 44, file), 42);
    CHECK_EQ(SysGetProfileSection("S", buffer, 43, file), 41);
    CHECK_EQ(buffer[41], 0);
    CHECK_EQ(buffer[42], 0);
    CHECK_EQ(SysGetProfileSection("S", buffer, 30, file), 28);
    CHECK_EQ(buffer[28], 0);
    CHECK_EQ(buffer[29], 0);
    return true;
}

static bool ASectionRemovalTakesTheFirstOfItsName(char* detail) {
    char file[260], got[512];
    CHECK(StartProfileRow(file, "[Decorama]\r\nFile1=one\r\n[T]\r\nX=1\r\n[Decorama]\r\nFile2=two\r\n"));
    CHECK(SectionReads(file, "Decorama", "File1=one"));
    CHECK(SysWriteProfileString("Decorama", 0, 0, file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(SectionReads(file, "Decorama", "File2=two"));
    CHECK(SysWriteProfileString("Decorama", 0, 0, file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK_EQ(ReadSection(file, "Decorama", got, sizeof got), 0);
    CHECK(SectionReads(file, "T", "X=1"));
    return true;
}

static bool ValuesLoseTheBlanksAroundThem(char* detail) {
    char file[260], value[64];
    CHECK(StartProfileRow(file, "[S]\r\n  Key  =  C:\\a b  \r\n"));
    CHECK_EQ(SysGetProfileString("S", "key", "", value, sizeof value, file), 6);
    CHECK(strcmp(value, "C:\\a b") == 0);
    return true;
}

// True when a string read of key (default "10") gives count characters, the text want.
static bool KeyReads(const char* file, const char* section, const char* key, uint32_t count, const char* want) {
    char value[64];
    return SysGetProfileString(section, key, "10", value, sizeof value, file) == count && strcmp(value, want) == 0;
}

static bool AStringReadGivesTheDefaultOrTheBareValue(char* detail) {
    char file[260];
    CHECK(StartProfileRow(file, 0));
    CHECK(KeyReads(file, "Zelvosav", "Speed", 2, "10"));
    CHECK(PlatformWriteFile(file, "[Other]\r\nSpeed=5\r\n[Zelvosav]\r\nPace=5\r\nEmpty=\r\n"
                                  "A=\"x y\"\r\nB= 'z' \r\nC=\"w\r\nD=\"\r\n"));
    CHECK(KeyReads(file, "Missing", "Speed", 2, "10"));
    CHECK(KeyReads(file, "Zelvosav", "Speed", 2, "10"));
    // An empty value is no missing key: it reads as nothing.
    CHECK(KeyReads(file, "zelvosav", "EMPTY", 0, ""));
    // Quotes around a value are dropped when they match.
    CHECK(KeyReads(file, "Zelvosav", "A", 3, "x y"));
    CHECK(KeyReads(file, "Zelvosav", "B", 1, "z"));
    CHECK(KeyReads(file, "Zelvosav", "C", 2, "\"w"));
    CHECK(KeyReads(file, "Zelvosav", "D", 1, "\""));
    return true;
}

static bool TheFirstKeyOfANameIsTheOneReadAndWritten(char* detail) {
    char file[260];
    CHECK(StartProfileRow(file, "[S]\r\nK=1\r\nK=2\r\n"));
    CHECK(KeyReads(file, "S", "K", 1, "1"));
    CHECK(SysWriteProfileString("S", "K", "3", file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(SectionReads(file, "S", "K=3|K=2"));
    CHECK(SysWriteProfileString("S", "K", 0, file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(SectionReads(file, "S", "K=2"));
    return true;
}

// The whole text of a file.
static bool ReadWholeFile(const char* path, char* text, uint32_t capacity) {
    SysFile file = SysOpenExisting(path, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (!file) return false;
    uint32_t got = 0;
    bool read = SysReadFile(file, text, capacity - 1, &got);
    SysCloseFile(file);
    text[read ? got : 0] = 0;
    return read;
}

static bool AWriteMakesTheFileAndSectionItNeeds(char* detail) {
    char file[260], text[256];
    CHECK(StartProfileRow(file, 0));
    CHECK(SysWriteProfileString("Zelvosav", "Speed", "12", file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(ReadWholeFile(file, text, sizeof text));
    CHECK(strcmp(text, "[Zelvosav]\r\nSpeed=12\r\n") == 0);
    // A value is replaced where it stands; the other keys and sections stay.
    CHECK(PlatformWriteFile(file, "[Zelvosav]\r\nSpeed=1\r\nColour=red\r\n[Other]\r\nx=1\r\n"));
    CHECK(SysWriteProfileString("Zelvosav", "Speed", "150", file));
    SysWriteProfileString(0, 0, 0, file);
    CHECK(ReadWholeFile(file, text, sizeof text));
    CHECK(strcmp(text, "[Zelvosav]\r\nSpeed=150\r\nColour=red\r\n[Other]\r\nx=1\r\n") == 0);
    return true;
}

static bool AProfileWriteWaitsForNoOneHoldingTheFile(char* detail) {
    char file[260];
    CHECK(StartProfileRow(file, "[S]\r\nA=1\r\n"));
    SysFile open = SysOpenExisting(file, SYS_SHARE_READ, true);
    CHECK(open != 0);
    bool written = SysWriteProfileString("S", "B", "2", file);
    SysWriteProfileString(0, 0, 0, file);
    SysCloseFile(open);
    CHECK(!written);
    char value[8];
    SysGetProfileString("S", "B", "", value, sizeof value, file);
    CHECK(value[0] == 0);
    return true;
}

static bool FileErrorsAreTheOnesTheInstallerTellsApart(char* detail) {
    Clean();
    char a[260], b[260], missing[260], deep[260], sub[260], f[260];
    Path(a, "a");
    Path(b, "b");
    Path(missing, "missing");
    Path(deep, "nowhere\\x");
    Path(sub, "sub");
    Path(f, "sub\\f");
    CHECK(PlatformWriteFile(a, "a"));
    CHECK(PlatformWriteFile(b, "b"));
    CHECK(!SysCopyFile(a, b, true));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_FILE_EXISTS);
    CHECK(!SysMoveFile(a, b));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_ALREADY_EXISTS);
    CHECK(!SysDeleteFile(missing));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_FILE_NOT_FOUND);
    CHECK(!SysDeleteFile(deep));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_PATH_NOT_FOUND);
    CHECK(SysCreateDirectory(sub));
    CHECK(!SysCreateDirectory(sub));
    CHECK(PlatformWriteFile(f, "f"));
    CHECK(!SysRemoveDirectory(sub));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_DIR_NOT_EMPTY);
    // A seek from the end reaches back no further than the start.
    SysFile file = SysOpenExisting(a, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    CHECK(file != 0);
    char c = 0;
    uint32_t got = 0;
    bool tooFar = SysSeekFromEnd(file, 2) != SYS_INVALID_FILE_SIZE;
    bool last = SysSeekFromEnd(file, 1) == 0 && SysReadFile(file, &c, 1, &got);
    SysCloseFile(file);
    CHECK(!tooFar);
    CHECK(last && got == 1 && c == 'a');
    // No name holds a character below 32.
    Path(deep, "d\rx");
    CHECK(!SysCreateDirectory(deep));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_INVALID_NAME);
    CHECK(!SysCopyFile(a, deep, true));
    CHECK_EQ(SysGetLastError(), SYS_ERROR_INVALID_NAME);
    return true;
}

static bool SpellingsOfOnePathResolveAlike(char* detail) {
    Clean();
    char folder[260], full[260], plain[260], other[260];
    Path(folder, "Long Folder Name");
    CHECK(SysCreateDirectory(folder));
    CHECK(SysGetShortPathName(folder, plain, sizeof plain) > 0);
    CHECK(SysGetFullPathName("c:/zpt/LONG FOLDER NAME/", sizeof full, full) > 0);
    CHECK(SysGetShortPathName(full, other, sizeof other) > 0);
    size_t n = strlen(other);
    if (n > 3 && other[n - 1] == '\\') other[n - 1] = 0;
    for (char* p = plain; *p; ++p) *p = (char)(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    for (char* p = other; *p; ++p) *p = (char)(*p >= 'a' && *p <= 'z' ? *p - 32 : *p);
    CHECK(strcmp(plain, other) == 0);
    // The short spelling names the same folder.
    CHECK(SysGetFileAttributes(plain) != SYS_INVALID_FILE_ATTRIBUTES);
    CHECK_EQ(SysGetShortPathName("C:\\ZPT\\missing", other, sizeof other), 0);
    return true;
}

// A search matches a short name as well as a long one, and gives the long one back.
static bool ASearchFindsANameByItsShortName(char* detail) {
    Clean();
    char folder[260], shortPath[260];
    Path(folder, "Long Folder Name");
    CHECK(SysCreateDirectory(folder));
    CHECK(SysGetShortPathName(folder, shortPath, sizeof shortPath) > 0);
    SysFindData data;
    SysFind find = SysFindFirstFile(shortPath, &data);
    CHECK(find != 0);
    SysFindClose(find);
    CHECK(strcmp(data.name, "Long Folder Name") == 0);
    return true;
}

static bool TemporaryFilesTakeNamesNoOneHolds(char* detail) {
    Clean();
    char first[260], second[260];
    CHECK(SysGetTempFileName(DIR, "DEC", first));
    CHECK(SysGetTempFileName(DIR, "DEC", second));
    bool distinct = strcmp(first, second) != 0;
    bool exist = SysGetFileAttributes(first) != SYS_INVALID_FILE_ATTRIBUTES &&
                 SysGetFileAttributes(second) != SYS_INVALID_FILE_ATTRIBUTES;
    SysDeleteFile(first);
    SysDeleteFile(second);
    CHECK(distinct);
    CHECK(exist);
    return true;
}

static bool SameStamp(const SysFileStamp& a, const SysFileStamp& b) {
    return a.size == b.size && a.timeLow == b.timeLow && a.timeHigh == b.timeHigh;
}

// What identifies a copy: a copy keeps its source's size and last-write time, a search
// of the folder reports the same as the file itself, and a write makes it another.
static bool ACopyKeepsItsSourcesSizeAndTime(char* detail) {
    Clean();
    char a[260], b[260];
    Path(a, "a");
    Path(b, "b");
    CHECK(PlatformWriteFile(a, "the theme's picture"));
    SysFileStamp source, copy, found, written;
    CHECK(SysGetFileStamp(a, &source));
    CHECK_EQ(source.size, 19);
    CHECK(SysCopyFile(a, b, true));
    CHECK(SysGetFileStamp(b, &copy));
    CHECK(SameStamp(source, copy));
    SysFindData data;
    SysFind find = SysFindFirstFile(b, &data);
    CHECK(find != 0);
    SysFindClose(find);
    found.size = data.sizeLow;
    found.timeLow = data.timeLow;
    found.timeHigh = data.timeHigh;
    CHECK(data.sizeHigh == 0 && SameStamp(found, copy));
    CHECK(PlatformWriteFile(b, "the user's own picture"));
    CHECK(SysGetFileStamp(b, &written));
    CHECK(!SameStamp(written, copy));
    CHECK(!SysGetFileStamp(DIR, &written));
    return true;
}

// A folder's search gives each of its files once, folders marked, then 18.
static bool AFolderSearchGivesEachFileOnce(char* detail) {
    Clean();
    char path[260], pattern[260];
    const char* names[] = {"a", "b", "d"};
    for (const char* name : names) {
        Path(path, name);
        CHECK(PlatformWriteFile(path, name));
    }
    Path(path, "sub");
    CHECK(SysCreateDirectory(path));
    Path(pattern, "*");
    SysFindData data;
    SysFind find = SysFindFirstFile(pattern, &data);
    CHECK(find != 0);
    int files = 0, folders = 0, others = 0;
    do {
        if (data.attributes & SYS_FILE_ATTRIBUTE_DIRECTORY) ++folders;
        else if (strlen(data.name) == 1 && strchr("abd", data.name[0])) ++files;
        else ++others;
    } while (SysFindNextFile(find, &data));
    uint32_t error = SysGetLastError();
    SysFindClose(find);
    CHECK_EQ(files, 3);
    CHECK_EQ(others, 0);
    CHECK(folders >= 1);  // "sub", and on Windows "." and ".."
    CHECK_EQ(error, SYS_ERROR_NO_MORE_FILES);
    return true;
}

// Subkeys are listed by index until 259; a key tells how many subkeys and values it holds;
// a key made below an open key with a long name goes again the same way.
static bool SubkeysAreListedAndCounted(char* detail) {
    Clean();
    CHECK(CreateKey("L\\One"));
    CHECK(CreateKey("L\\Two"));
    char path[260], name[260];
    snprintf(path, sizeof path, "%s\\L", KEY);
    SysKey key = 0;
    CHECK_EQ(SysRegOpenKey(SYS_HKEY_CURRENT_USER, path, &key), 0);
    CHECK_EQ(SysRegSetString(key, "V", "1"), 0);
    uint32_t subkeys = 0, values = 0;
    int32_t counted = SysRegCountKey(key, &subkeys, &values);
    bool one = SysRegEnumKey(key, 0, name, sizeof name) == 0 && strcmp(name, "One") == 0;
    bool two = SysRegEnumKey(key, 1, name, sizeof name) == 0 && strcmp(name, "Two") == 0;
    int32_t end = SysRegEnumKey(key, 2, name, sizeof name);
    SysKey sub = 0;
    int32_t opened = SysRegOpenSubkey(key, "two", &sub);
    if (opened == 0) SysRegCloseKey(sub);
    // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" and 200 letters: longer
    // than Wine opens from a root, made and removed below an open key.
    char longName[300];
    snprintf(longName, sizeof longName, "Uninstall\\%0200d", 0);
    SysKey made = 0;
    uint32_t how = 0;
    int32_t created = SysRegCreateKey(key, longName, &made, &how);
    if (created == 0) SysRegCloseKey(made);
    int32_t deleted = SysRegDeleteKey(key, longName);
    SysRegCloseKey(key);
    CHECK_EQ(counted, 0);
    CHECK_EQ(subkeys, 2);
    CHECK_EQ(values, 1);
    CHECK(one && two);
    CHECK_EQ(end, SYS_ERROR_NO_MORE_ITEMS);
    CHECK_EQ(opened, 0);
    CHECK_EQ(created, 0);
    CHECK_EQ(deleted, 0);
    return true;
}

const PlatformRow PLATFORM_ROWS[] = {
    {"a registry key is deleted with its subkeys", SubkeysGoWithTheirKey},
    {"a key name ending in a backslash is the key itself", AKeyNameEndingInABackslashIsTheKeyItself},
    {"strings are stored with their zero", StringsAreStoredWithTheirZero},
    {"new profile keys go to the end of their section", NewKeysGoToTheEndOfTheirSection},
    {"a cut section read returns capacity - 2", ACutSectionReadSaysSo},
    {"a section removal takes the first of its name", ASectionRemovalTakesTheFirstOfItsName},
    {"profile values lose the blanks around them", ValuesLoseTheBlanksAroundThem},
    {"a missing file, section or key reads as the default; quotes are dropped",
     AStringReadGivesTheDefaultOrTheBareValue},
    {"the first profile key of a name is the one read and written", TheFirstKeyOfANameIsTheOneReadAndWritten},
    {"a profile write makes the file and section it needs", AWriteMakesTheFileAndSectionItNeeds},
    {"a profile write fails while the file is held open", AProfileWriteWaitsForNoOneHoldingTheFile},
    {"file errors: 80, 183, 2, 3, 145, 123", FileErrorsAreTheOnesTheInstallerTellsApart},
    {"spellings of one path resolve alike", SpellingsOfOnePathResolveAlike},
    {"a search finds a name by its short name", ASearchFindsANameByItsShortName},
    {"temporary files take names no one holds", TemporaryFilesTakeNamesNoOneHolds},
    {"a copy keeps its source's size and last-write time", ACopyKeepsItsSourcesSizeAndTime},
    {"a folder's search gives each file once, then 18", AFolderSearchGivesEachFileOnce},
    {"subkeys are listed and counted; a long one goes as it came", SubkeysAreListedAndCounted},
};
const int PLATFORM_ROW_COUNT = sizeof PLATFORM_ROWS / sizeof PLATFORM_ROWS[0];
