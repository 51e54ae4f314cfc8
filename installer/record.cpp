// The installation record: the "Decorama" section of the installed copy of the theme
// file. This file alone knows how the record stands in the file: the section's name,
// the names of its keys, how a key and its number are spelt, and how an entry is
// marked done in a section read into memory.
#include "record.h"
#include "installer_text.h"

static const char SECTION[] = "Decorama";

// The name of each kind of key, by RecordKey.
static const char* const KEY_NAMES[] = {"", "File", "Dir", "Copy", "Backup", "Typeface", "Seal", "SharedFile",
                                        "SharedDir"};
static const RecordKey NAMED_KEYS[] = {COPY_KEY, BACKUP_KEY, TYPEFACE_KEY, SEAL_KEY, SHARED_FILE_KEY, SHARED_DIR_KEY};

bool IsFileEntry(RecordKey key) { return key == FILE_KEY || key == SHARED_FILE_KEY; }
bool IsFolderEntry(RecordKey key) { return key == DIR_KEY || key == SHARED_DIR_KEY; }

// Keys that stand once in a record, without a number.
static bool IsSingleKey(RecordKey key) { return key == SEAL_KEY; }

// A theme file may hold the section more than once; each removal takes the first.
// More than this many is not a theme file worth installing.
static const int MAX_SECTION_REMOVALS = 64;

// The name of key + number into out (RECORD_KEY_CAPACITY bytes); the seal has no number.
static void MakeKeyName(char* out, RecordKey key, uint32_t number) {
    TextCopy(out, KEY_NAMES[key], RECORD_KEY_CAPACITY);
    if (!IsSingleKey(key)) TextAppendNumber(out, number, RECORD_KEY_CAPACITY);
}

// ---------------------------------------------------------------- reading

static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A key's number: the digits at p, 0 when they do not fit 32 bits. Returns where
// they end.
static const char* ReadNumber(const char* p, uint32_t* number) {
    uint32_t n = 0;
    bool fits = true;
    for (; IsDigit(*p); ++p) {
        if (n > 400000000u) fits = false;
        else n = n * 10 + (uint32_t)(*p - '0');
    }
    *number = fits ? n : 0;
    return p;
}

RecordEntry ParseRecordEntry(const char* text) {
    RecordEntry entry = {OTHER_KEY, 0, 0, false};
    const char* equals = text;
    while (*equals && *equals != '=') ++equals;
    if (*equals == '=') entry.value = equals + 1;
    char first = text[0];
    if (first == 'F' || first == 'D' || first == 'f' || first == 'd') {
        // A file or a folder: any key that begins with its letter, its number the
        // digits in it. Done entries carry the letter lowered (MarkEntryDone).
        entry.key = first == 'F' || first == 'f' ? FILE_KEY : DIR_KEY;
        entry.done = first == 'f' || first == 'd';
        const char* p = text;
        while (p < equals && !IsDigit(*p)) ++p;
        uint32_t number = 0;
        const char* after = ReadNumber(p, &number);
        entry.number = after == equals && *equals == '=' ? number : 0;
        return entry;
    }
    // The others are their name, their number and the "=", in any case of letters.
    for (RecordKey key : NAMED_KEYS) {
        const char* name = KEY_NAMES[key];
        if (!TextStartsWithNoCase(text, name)) continue;
        const char* after = text + TextLength(name);
        uint32_t number = 0;
        if (!IsSingleKey(key)) after = ReadNumber(after, &number);
        if (after == equals && *equals == '=') {
            entry.key = key, entry.number = number;
            // What is shared is marked done as the files and folders are.
            entry.done = key >= SHARED_FILE_KEY && text[0] == 's';
            return entry;
        }
    }
    return entry;
}

char* NextRecordString(char* text) { return text + TextLength(text) + 1; }
const char* NextRecordString(const char* text) { return text + TextLength(text) + 1; }

void SetRecordSection(RecordSection* section, char* buffer, uint32_t length) {
    char* p = buffer;
    char* limit = buffer + length;
    while (p < limit && *p) p = NextRecordString(p);
    section->begin = buffer;
    section->end = p;
    section->cut = false;
}

bool IsRecordHeader(const char* line) {
    if (line[0] != '[') return false;
    const char* p = line + 1;
    while (*p == ' ' || *p == '\t') ++p;
    if (!TextStartsWithNoCase(p, SECTION)) return false;
    p += TextLength(SECTION);
    while (*p == ' ' || *p == '\t') ++p;
    return *p == ']' || *p == 0;
}

// The start of the string that ends just before end (end > begin, end[-1] == 0).
static char* LastStringBefore(char* begin, char* end) {
    char* at = end - 1;
    while (at > begin && at[-1]) --at;
    return at;
}

bool ReadRecordSection(const char* path, char* buffer, RecordSection* section) {
    uint32_t read = SysGetProfileSection(SECTION, buffer, SECTION_CAPACITY, path);
    SetRecordSection(section, buffer, 0);
    if (read == 0) return false;
    if (read > SECTION_CAPACITY - 2) read = SECTION_CAPACITY - 2;
    buffer[read] = 0;
    buffer[read + 1] = 0;
    SetRecordSection(section, buffer, read);
    if (read == SECTION_CAPACITY - 2 && section->end > section->begin) {
        // A section longer than the buffer comes back cut, and a path cut short names
        // another file: the last string is left out.
        section->end = LastStringBefore(section->begin, section->end);
        section->cut = true;
    }
    return true;
}

bool FindRecordValue(const RecordSection& section, RecordKey key, uint32_t number, char* out) {
    for (const char* at = section.begin; at < section.end; at = NextRecordString(at)) {
        RecordEntry entry = ParseRecordEntry(at);
        if (entry.key == key && entry.number == number && entry.value) return TextCopy(out, entry.value, TEXT_CAPACITY);
    }
    return false;
}

bool SectionHolds(const RecordSection& section, RecordKey key) {
    for (const char* at = section.begin; at < section.end; at = NextRecordString(at))
        if (ParseRecordEntry(at).key == key) return true;
    return false;
}

// An entry is marked done by lowering its first letter: the walk compares that letter
// exactly and never takes the entry again, while the profile functions, which compare
// keys without regard to case, still find it by its name.
void MarkEntryDone(char* text) {
    if (text && *text >= 'A' && *text <= 'Z') *text = (char)(*text - 'A' + 'a');
}

bool IsEntryDone(const char* text) { return ParseRecordEntry(text).done; }

void InitSectionCursor(SectionCursor* cursor, char* section, uint32_t length) {
    RecordSection read;
    SetRecordSection(&read, section, length);
    cursor->begin = read.begin;
    cursor->end = read.end;
    cursor->at = read.begin;
    cursor->current = 0;
}

static const char WALK_FILES = 'F', WALK_FOLDERS = 'D';

bool WalksFolders(char entryKind) { return entryKind == WALK_FOLDERS; }

void StartRecordWalk(SectionCursor* cursor, char* entryKind, const RecordSection& section) {
    cursor->begin = cursor->at = section.begin;
    cursor->end = section.end;
    cursor->current = 0;
    *entryKind = WALK_FILES;
}

// Copies the value of entry into out when it is one to walk: of the kind wanted, not
// done, and a value that fits. A string without "=" is what is left of a key that a
// full disk cut off in the middle.
static bool TakeValue(const char* text, bool (*kind)(RecordKey), char* out) {
    RecordEntry entry = ParseRecordEntry(text);
    if (!kind(entry.key) || entry.done || !entry.value) return false;
    if (TextCopy(out, entry.value, TEXT_CAPACITY)) return true;
    out[0] = 0;
    return false;
}

char* NextRecordEntry(SectionCursor* cursor, char* out, char* entryKind) {
    out[0] = 0;
    if (*entryKind == WALK_FILES) {
        // Files, in the order the keys stand.
        while (cursor->at < cursor->end) {
            char* entry = cursor->at;
            cursor->at = NextRecordString(entry);
            if (TakeValue(entry, IsFileEntry, out)) return cursor->current = entry, out;
        }
        // Then the folders, from the last created back to the first, so that an
        // inner folder goes before the one that holds it.
        *entryKind = WALK_FOLDERS;
        cursor->at = cursor->end;
        return out;
    }
    if (*entryKind != WALK_FOLDERS) return 0;
    while (cursor->at > cursor->begin) {
        char* entry = LastStringBefore(cursor->begin, cursor->at);
        cursor->at = entry;
        if (TakeValue(entry, IsFolderEntry, out)) return cursor->current = entry, out;
    }
    return 0;
}

// ---------------------------------------------------------------- writing

void OpenRecordFile(RecordFile& record, const char* path, bool reuse) {
    CloseRecordFile(record);
    TextCopy(record.path, path, TEXT_CAPACITY);
    record.reuse = reuse;
    record.length = record.size = 0;
    record.failedPending = false;
    record.batchCount = 0;
}

void CloseRecordFile(RecordFile& record) {
    if (record.written) SysFreeBlock(record.written);
    record.written = 0;
    record.writtenCount = record.writtenRoom = 0;
}

// Makes room to note one more key of the run; false when there is none.
static bool RoomToNoteKey(RecordFile& record) {
    if (record.writtenCount < record.writtenRoom) return true;
    uint32_t room = record.writtenRoom ? 2 * record.writtenRoom : 64;
    RecordKeyName* list = (RecordKeyName*)SysAllocBlock(room * (uint32_t)sizeof(RecordKeyName));
    if (!list) return false;
    for (uint32_t i = 0; i < record.writtenCount; ++i) list[i] = record.written[i];
    if (record.written) SysFreeBlock(record.written);
    record.written = list;
    record.writtenRoom = room;
    return true;
}

static bool SameKey(const RecordKeyName& a, RecordKey key, uint32_t number) { return a.key == key && a.number == number; }

static void ForgetWritten(RecordFile& record, RecordKey key, uint32_t number) {
    for (uint32_t i = 0; i < record.writtenCount; ++i)
        if (SameKey(record.written[i], key, number)) {
            record.written[i] = record.written[--record.writtenCount];
            return;
        }
}

bool WrittenByRun(const RecordFile& run, RecordKey key, uint32_t number) {
    for (uint32_t i = 0; i < run.writtenCount; ++i)
        if (SameKey(run.written[i], key, number)) return true;
    return false;
}

void KeepOnlyRunEntries(const RecordSection& section, const RecordFile& run) {
    for (char* at = section.begin; at < section.end; at = NextRecordString(at)) {
        RecordEntry entry = ParseRecordEntry(at);
        if (!IsFileEntry(entry.key) && !IsFolderEntry(entry.key)) continue;
        bool wrote = false;
        for (uint32_t i = 0; i < run.writtenCount && !wrote; ++i) wrote = SameKey(run.written[i], entry.key, entry.number);
        if (!wrote) MarkEntryDone(at);
    }
}

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
    SysGetProfileString(SECTION, key, "", stored, TEXT_CAPACITY, record.path);
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

void FindFreeNumber(const RecordFile& record, RecordKey key, uint32_t* number) {
    if (!record.reuse) return;
    // A file's number is its stamp's too: a shared file's and a copied one's are one series.
    RecordKey sibling = key == FILE_KEY ? SHARED_FILE_KEY : key == SHARED_FILE_KEY ? FILE_KEY : key;
    for (;; ++*number) {
        char existing[TEXT_CAPACITY];
        if (!ReadRecordValue(record, key, *number, existing) &&
            (sibling == key || !ReadRecordValue(record, sibling, *number, existing)))
            return;
    }
}

bool ReadRecordValue(const RecordFile& record, RecordKey key, uint32_t number, char* out) {
    char name[RECORD_KEY_CAPACITY];
    MakeKeyName(name, key, number);
    SysGetProfileString(SECTION, name, "", out, TEXT_CAPACITY, record.path);
    return out[0] != 0;
}

// Writes key + number = value as a new key (see WriteRecordKey).
static bool WriteNewKey(RecordFile& record, RecordKey key, uint32_t number, const char* value, uint32_t reserve,
                        uint32_t* error) {
    char name[RECORD_KEY_CAPACITY];
    MakeKeyName(name, key, number);
    uint32_t length = StringLength(name, value);
    record.failedPending = false;
    if (!RecordHasRoom(record, length + reserve)) {
        // The uninstall could not read the record back whole: nothing is written.
        *error = SYS_ERROR_FILENAME_EXCED_RANGE;
        return false;
    }
    // A key that the run could not note is one its rollback would never take back.
    if (!RoomToNoteKey(record)) {
        *error = SYS_ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    bool written = SysWriteProfileString(SECTION, name, value, record.path);
    if (written && RecordHolds(record, name, value)) {
        record.length += length;
        record.written[record.writtenCount++] = {key, number};
        return true;
    }
    record.failed = {key, number};
    record.failedPending = true;
    *error = RecordWriteError(!written);
    return false;
}

bool WriteRecordKey(RecordFile& record, RecordKey key, uint32_t* number, const char* value, uint32_t reserve,
                    uint32_t* error) {
    FindFreeNumber(record, key, number);
    return WriteNewKey(record, key, *number, value, reserve, error);
}

void DropFailedKey(RecordFile& record) {
    if (!record.failedPending) return;
    record.failedPending = false;
    DropRecordKey(record, record.failed.key, record.failed.number);
}

uint32_t WriteNumberedKey(RecordFile& record, RecordKey key, uint32_t number, const char* value) {
    uint32_t error = 0;
    if (WriteNewKey(record, key, number, value, 0, &error)) return 0;
    DropFailedKey(record);
    return error;
}

void DropRecordKey(RecordFile& record, RecordKey key, uint32_t number) {
    char name[RECORD_KEY_CAPACITY];
    MakeKeyName(name, key, number);
    ForgetWritten(record, key, number);
    SysWriteProfileString(SECTION, name, 0, record.path);
    // A cut inside the name leaves a key of its first letters ("Fil"), which no
    // record uses. A cut inside the number ("File1" of "File12") is left alone: that
    // name may be an earlier key, and the walk passes over a key without "=".
    uint32_t letters = TextLength(KEY_NAMES[key]);
    char part[RECORD_KEY_CAPACITY];
    for (uint32_t n = 1; n <= letters; ++n) {
        TextCopyCount(part, name, n, sizeof part);
        SysWriteProfileString(SECTION, part, 0, record.path);
    }
    SysWriteProfileString(0, 0, 0, record.path);
}

uint32_t DropRecordSections(RecordFile& record) {
    record.length = 0;
    for (int i = 0; i <= MAX_SECTION_REMOVALS; ++i) {
        char probe[4];
        if (SysGetProfileSection(SECTION, probe, sizeof probe, record.path) == 0) return 0;
        if (i == MAX_SECTION_REMOVALS) break;
        bool written = SysWriteProfileString(SECTION, 0, 0, record.path);
        SysWriteProfileString(0, 0, 0, record.path);
        if (!written) return RecordWriteError(true);
    }
    return SYS_ERROR_DISK_FULL;
}

uint32_t MeasureRecord(RecordFile& record) {
    char* section = (char*)SysAllocBlock(SECTION_CAPACITY);
    if (!section) return SYS_ERROR_NOT_ENOUGH_MEMORY;
    uint32_t length = SysGetProfileSection(SECTION, section, SECTION_CAPACITY, record.path);
    SysFreeBlock(section);
    // A record that does not fit a section read (an older one) takes nothing more.
    record.length = length >= SECTION_CAPACITY - 2 ? RECORD_LIMIT + 1 : length;
    return 0;
}

// Deletes the key that the entry text of a section names (up to its "="), as the file
// spells it; with keep, writes it with the entry's value instead.
static void WriteKeyOf(const RecordFile& record, const char* text, bool keep = false) {
    char name[RECORD_KEY_CAPACITY];
    uint32_t n = 0;
    while (text[n] && text[n] != '=') ++n;
    if (text[n] == '=' && TextCopyCount(name, text, n, sizeof name))
        SysWriteProfileString(SECTION, name, keep ? text + n + 1 : 0, record.path);
}

void SetEntryKey(const RecordFile& record, const char* text, bool keep) {
    WriteKeyOf(record, text, keep);
    SysWriteProfileString(0, 0, 0, record.path);
}

void ForgetRunKeys(const RecordFile& record) {
    if (!record.writtenCount) return;
    if (!record.reuse) {
        // The run made the section: it goes whole, header and all.
        SysWriteProfileString(SECTION, 0, 0, record.path);
    } else {
        // Last written first: a key is written after the stamp that proves it, and a power
        // cut on the way must never leave the key without its stamp.
        for (uint32_t i = record.writtenCount; i-- > 0;) {
            char name[RECORD_KEY_CAPACITY];
            MakeKeyName(name, record.written[i].key, record.written[i].number);
            SysWriteProfileString(SECTION, name, 0, record.path);
        }
    }
    SysWriteProfileString(0, 0, 0, record.path);
}

void ForgetDoneKeys(const RecordFile& record, const char* begin, const char* end) {
    // What a file brought with it goes with its entry.
    for (const char* at = begin; at < end; at = NextRecordString(at)) {
        RecordEntry entry = ParseRecordEntry(at);
        if (!IsFileEntry(entry.key) || !entry.done) continue;
        static const RecordKey brought[] = {BACKUP_KEY, TYPEFACE_KEY};
        for (RecordKey key : brought) {
            char name[RECORD_KEY_CAPACITY];
            MakeKeyName(name, key, entry.number);
            SysWriteProfileString(SECTION, name, 0, record.path);
        }
    }
    for (const char* at = begin; at < end; at = NextRecordString(at))
        if (IsEntryDone(at)) WriteKeyOf(record, at);
    SysWriteProfileString(0, 0, 0, record.path);
}

bool RecordListsPath(const RecordFile& record, bool file, const char* path, uint32_t* number) {
    char* buffer = (char*)SysAllocBlock(SECTION_CAPACITY);
    if (!buffer) return true;  // nothing shows it is not: taken as listed
    RecordSection section;
    bool listed = false;
    if (ReadRecordSection(record.path, buffer, &section))
        for (const char* at = section.begin; at < section.end && !listed; at = NextRecordString(at)) {
            RecordEntry entry = ParseRecordEntry(at);
            bool kind = file ? IsFileEntry(entry.key) : IsFolderEntry(entry.key);
            listed = kind && !entry.done && entry.value && TextEqualNoCase(entry.value, path);
            if (listed && number) *number = entry.number;
        }
    SysFreeBlock(buffer);
    return listed;
}

uint32_t WriteSeal(RecordFile& record, const char* seal) {
    char name[RECORD_KEY_CAPACITY];
    MakeKeyName(name, SEAL_KEY, 0);
    bool written = SysWriteProfileString(SECTION, name, seal, record.path);
    if (!written || !RecordHolds(record, name, seal)) return RecordWriteError(!written);
    if (!record.reuse) {
        // A new record's first key; an earlier record's seal was counted with it.
        record.length += StringLength(name, seal);
        if (RoomToNoteKey(record)) record.written[record.writtenCount++] = {SEAL_KEY, 0};
    }
    return 0;
}

void ReadSeal(const char* path, char* out) {
    char name[RECORD_KEY_CAPACITY];
    MakeKeyName(name, SEAL_KEY, 0);
    SysGetProfileString(SECTION, name, "", out, TEXT_CAPACITY, path);
}
