// The installation record: the "Decorama" section of the installed copy of the theme
// file, where an installation lists every file it copied and every folder it made, and
// which is all that an uninstall or a rollback trusts.
#include "installer.h"
#include "installer_text.h"

const char RECORD_SECTION[] = "Decorama";
const char SEAL_NAME[] = "Seal";
const char BACKUP_PREFIX[] = "Backup";
const char TYPEFACE_PREFIX[] = "Typeface";

// A theme file may hold the section more than once; each removal takes the first.
// More than this many is not a theme file worth installing.
static const int MAX_SECTION_REMOVALS = 64;

// True when the record file ends with the line key=value, as a new key at the end of
// the last section leaves it. A look at the file's last bytes, without making the
// profile functions read the whole file again for every key. Once a look has found
// how long the file is, the next one reads at the length it expects, which spares the
// system working out where the file ends (on some systems a call of its own).
static bool RecordEndsWith(RecordFile& record, const char* key, const char* value) {
    char line[RECORD_KEY_CAPACITY + TEXT_CAPACITY + 2];
    TextCopy(line, key, sizeof line);
    TextAppend(line, "=", sizeof line);
    TextAppend(line, value, sizeof line);
    if (!TextAppend(line, "\r\n", sizeof line)) return false;
    uint32_t n = TextLength(line);
    SysFile file = SysOpenExisting(record.path, SYS_SHARE_READ | SYS_SHARE_WRITE, false);
    if (!file) return false;
    char tail[sizeof line + 1];
    uint32_t got = 0, at = record.size;
    // n bytes where the line should start, and nothing after them.
    bool ends = at && SysSeekFile(file, at) && SysReadFile(file, tail, n + 1, &got) && got == n;
    if (!ends) {
        at = SysSeekFromEnd(file, n);
        ends = at != SYS_INVALID_FILE_SIZE && SysReadFile(file, tail, n, &got) && got == n;
    }
    SysCloseFile(file);
    for (uint32_t i = 0; ends && i < n; ++i) ends = tail[i] == line[i];
    record.size = ends ? at + n : 0;
    return ends;
}

// True when the record's key reads back as value. The cached copy is let go first,
// so that the read sees the file: a profile write on a full disk may report success
// and leave the file cut off. The profile functions drop blanks around a value.
static bool RecordHolds(RecordFile& record, const char* key, const char* value) {
    if (RecordEndsWith(record, key, value)) return true;
    SysWriteProfileString(0, 0, 0, record.path);
    char stored[TEXT_CAPACITY];
    SysGetProfileString(RECORD_SECTION, key, "", stored, TEXT_CAPACITY, record.path);
    uint32_t n = TextLength(value);
    while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t')) --n;
    return TextLength(stored) == n && TextStartsWith(value, stored);
}

// The error to report for a record write that did not take: the system's own when
// the call said it failed, otherwise 112 (the disk is full): a profile write that
// reports success but does not reach the file is one that ran out of room (Wine's
// rewrites the whole file and stops where the disk is full, saying nothing).
static uint32_t RecordWriteError(bool callFailed) {
    uint32_t error = callFailed ? SysGetLastError() : 0;
    return error ? error : SYS_ERROR_DISK_FULL;
}

// What key=value takes in a section read: both texts, the "=" and the string's zero.
static uint32_t StringLength(const char* key, const char* value) { return TextLength(key) + TextLength(value) + 2; }

bool RecordHasRoom(const RecordFile& record, uint32_t length) {
    // The stamps not yet written keep their room.
    uint32_t used = record.length + PendingStampRoom(record);
    return used <= RECORD_LIMIT && length <= RECORD_LIMIT - used;
}

uint32_t FileKeyRoom(const char* destination) {
    // "File" and a number of up to ten digits.
    return 4 + 10 + TextLength(destination) + 2;
}

void MakeRecordKey(char* key, const char* prefix, uint32_t number) {
    TextCopy(key, prefix, RECORD_KEY_CAPACITY);
    TextAppendNumber(key, number, RECORD_KEY_CAPACITY);
}

void FindFreeNumber(const RecordFile& record, const char* prefix, uint32_t* number) {
    if (!record.reuse) return;
    for (;; ++*number) {
        char key[RECORD_KEY_CAPACITY], existing[TEXT_CAPACITY];
        MakeRecordKey(key, prefix, *number);
        SysGetProfileString(RECORD_SECTION, key, "", existing, TEXT_CAPACITY, record.path);
        if (existing[0] == 0) return;
    }
}

// Writes key = value as a new key of the record (see WriteRecordKey).
static bool WriteNewKey(RecordFile& record, char* key, const char* value, uint32_t reserve, uint32_t* error) {
    uint32_t length = StringLength(key, value);
    if (!RecordHasRoom(record, length + reserve)) {
        // The uninstall could not read the record back whole: nothing is written.
        key[0] = 0;
        *error = SYS_ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    bool written = SysWriteProfileString(RECORD_SECTION, key, value, record.path);
    if (written && RecordHolds(record, key, value)) {
        record.length += length;
        ++record.keysWritten;
        return true;
    }
    *error = RecordWriteError(!written);
    return false;
}

bool WriteRecordKey(RecordFile& record, const char* prefix, uint32_t* number, const char* value, uint32_t reserve,
                    char* key, uint32_t* error) {
    FindFreeNumber(record, prefix, number);
    MakeRecordKey(key, prefix, *number);
    return WriteNewKey(record, key, value, reserve, error);
}

void DropNumberedKey(const RecordFile& record, const char* prefix, uint32_t number) {
    char key[RECORD_KEY_CAPACITY];
    MakeRecordKey(key, prefix, number);
    DropRecordKey(record, key);
}

void DropRecordKey(const RecordFile& record, const char* key) {
    if (!key[0]) return;
    SysWriteProfileString(RECORD_SECTION, key, 0, record.path);
    // A cut inside the name leaves a key of its first letters ("Fil"), which no
    // record uses. A cut inside the number ("File1" of "File12") is left alone: that
    // name may be an earlier key, and the walk passes over a key without "=".
    uint32_t letters = 0;
    while (key[letters] && !(key[letters] >= '0' && key[letters] <= '9')) ++letters;
    char part[RECORD_KEY_CAPACITY];
    for (uint32_t n = 1; n <= letters; ++n) {
        TextCopyCount(part, key, n, sizeof part);
        SysWriteProfileString(RECORD_SECTION, part, 0, record.path);
    }
    SysWriteProfileString(0, 0, 0, record.path);
}

uint32_t DropRecordSections(RecordFile& record) {
    record.length = 0;
    for (int i = 0; i <= MAX_SECTION_REMOVALS; ++i) {
        char probe[4];
        if (SysGetProfileSection(RECORD_SECTION, probe, sizeof probe, record.path) == 0) return 0;
        if (i == MAX_SECTION_REMOVALS) break;
        bool written = SysWriteProfileString(RECORD_SECTION, 0, 0, record.path);
        SysWriteProfileString(0, 0, 0, record.path);
        if (!written) return RecordWriteError(true);
    }
    return SYS_ERROR_DISK_FULL;
}

uint32_t MeasureRecord(RecordFile& record) {
    char* section = (char*)SysAllocBlock(SECTION_CAPACITY);
    if (!section) return SYS_ERROR_NOT_ENOUGH_MEMORY;
    uint32_t length = SysGetProfileSection(RECORD_SECTION, section, SECTION_CAPACITY, record.path);
    SysFreeBlock(section);
    // A record that does not fit a section read (an older one) takes nothing more.
    record.length = length >= SECTION_CAPACITY - 2 ? RECORD_LIMIT + 1 : length;
    return 0;
}

// Calls forget(key) for every string of [begin, end) that done says to drop.
static void DropKeys(const RecordFile& record, const char* begin, const char* end, bool (*done)(const char*)) {
    for (const char* at = begin; at < end; at += TextLength(at) + 1) {
        if (!done(at)) continue;
        char key[RECORD_KEY_CAPACITY];
        uint32_t n = 0;
        while (at[n] && at[n] != '=') ++n;
        if (at[n] == '=' && TextCopyCount(key, at, n, sizeof key))
            SysWriteProfileString(RECORD_SECTION, key, 0, record.path);
    }
    SysWriteProfileString(0, 0, 0, record.path);
}

static bool Always(const char*) { return true; }

void ForgetRunKeys(const RecordFile& record, const char* sectionBegin, const char* runBegin, const char* end) {
    if (runBegin >= end) return;
    if (runBegin == sectionBegin) {
        // The run made the section: it goes whole, header and all.
        SysWriteProfileString(RECORD_SECTION, 0, 0, record.path);
        SysWriteProfileString(0, 0, 0, record.path);
        return;
    }
    DropKeys(record, runBegin, end, Always);
}

void ForgetDoneKeys(const RecordFile& record, const char* begin, const char* end) {
    // What a file brought with it goes with its entry.
    for (const char* at = begin; at < end; at += TextLength(at) + 1) {
        if (at[0] != 'f') continue;
        char key[RECORD_KEY_CAPACITY];
        static const char* const brought[] = {BACKUP_PREFIX, TYPEFACE_PREFIX};
        for (const char* prefix : brought) {
            MakeRecordKey(key, prefix, EntryNumber(at));
            SysWriteProfileString(RECORD_SECTION, key, 0, record.path);
        }
    }
    DropKeys(record, begin, end, IsEntryDone);
}

bool RecordListsFile(const RecordFile& record, const char* path) {
    char* section = (char*)SysAllocBlock(SECTION_CAPACITY);
    if (!section) return true;  // nothing shows it is not: taken as listed
    uint32_t n = SysGetProfileSection(RECORD_SECTION, section, SECTION_CAPACITY, record.path);
    bool listed = false;
    for (uint32_t at = 0; at < n && !listed; at += TextLength(section + at) + 1) {
        const char* p = section + at;
        if (p[0] != 'F') continue;
        while (*p && *p != '=') ++p;
        listed = *p == '=' && TextEqualNoCase(p + 1, path);
    }
    SysFreeBlock(section);
    return listed;
}

uint32_t EntryNumber(const char* entry) {
    const char* p = entry;
    while (*p && *p != '=' && !(*p >= '0' && *p <= '9')) ++p;
    uint32_t number = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (number > 400000000u) return 0;
        number = number * 10 + (uint32_t)(*p - '0');
    }
    return *p == '=' ? number : 0;
}

uint32_t WriteNumberedKey(RecordFile& record, const char* prefix, uint32_t number, const char* value) {
    char key[RECORD_KEY_CAPACITY];
    MakeRecordKey(key, prefix, number);
    uint32_t error = 0;
    if (WriteNewKey(record, key, value, 0, &error)) return 0;
    DropRecordKey(record, key);
    return error;
}

// The value of the string whose key is key (letters compared without regard to case)
// in [begin, end); 0 when there is none.
static const char* FindValue(const char* begin, const char* end, const char* key) {
    uint32_t n = TextLength(key);
    for (const char* at = begin; at < end; at += TextLength(at) + 1)
        if (TextStartsWithNoCase(at, key) && at[n] == '=') return at + n + 1;
    return 0;
}

bool FindNumberedKey(const char* section, const char* end, const char* prefix, uint32_t number, char* out) {
    char key[RECORD_KEY_CAPACITY];
    MakeRecordKey(key, prefix, number);
    const char* value = FindValue(section, end, key);
    return value && TextCopy(out, value, TEXT_CAPACITY);
}

// The seal proves the record this installer's (see record_proof.cpp).
uint32_t WriteSeal(RecordFile& record, const char* seal) {
    bool written = SysWriteProfileString(RECORD_SECTION, SEAL_NAME, seal, record.path);
    if (!written || !RecordHolds(record, SEAL_NAME, seal)) return RecordWriteError(!written);
    if (!record.reuse) {
        // A new record's first key; an earlier record's seal was counted with it.
        record.length += StringLength(SEAL_NAME, seal);
        ++record.keysWritten;
    }
    return 0;
}
