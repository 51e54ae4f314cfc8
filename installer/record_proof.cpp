// The proof that a record and the files it lists are this installer's: the seal that an
// installation draws and keeps in its record and its uninstall entry, and the marks of
// the copies it made, against which an uninstall checks each file before it goes.
#include "installer.h"
#include "installer_text.h"

static const char COPY_PREFIX[] = "Copy";

// ---------------------------------------------------------------- the seal

// One round of a 32-bit mixing function: every bit of the result depends on every bit
// of both inputs.
static uint32_t Mix(uint32_t h, uint32_t v) {
    h ^= v;
    h *= 0x9E3779B1u;
    h ^= h >> 15;
    h *= 0x85EBCA77u;
    h ^= h >> 13;
    return h;
}

void DrawSeal(char* out) {
    // The time to 100 ns, the milliseconds since the system started and the process:
    // nothing that a theme file written beforehand could hold.
    uint32_t low = 0, high = 0;
    SysGetSystemTime(&low, &high);
    uint32_t tick = SysGetTickCount(), process = SysGetCurrentProcessId();
    uint32_t a = Mix(Mix(Mix(Mix(0x2545F491u, low), tick), process), high);
    uint32_t b = Mix(Mix(Mix(Mix(a ^ 0x6A09E667u, high), process), tick), low);
    out[0] = 0;
    TextAppendHex(out, a, 8, SEAL_CAPACITY);
    TextAppendHex(out, b, 8, SEAL_CAPACITY);
}

// A seal as DrawSeal writes it: sixteen upper-case hexadecimal digits.
static bool IsSeal(const char* text) {
    uint32_t n = 0;
    for (; text[n]; ++n)
        if (!((text[n] >= '0' && text[n] <= '9') || (text[n] >= 'A' && text[n] <= 'F'))) return false;
    return n == SEAL_CAPACITY - 1;
}

struct ProofSearch {
    const char* copyPath;
    const char* seal;
    RecordProof* proof;
};

static bool EntryHoldsSeal(const char* name, const char*, const char* copy, void* context) {
    ProofSearch* search = (ProofSearch*)context;
    if (!SameFile(copy, search->copyPath)) return false;
    char value[TEXT_CAPACITY];
    if (!ReadEntryString(name, SEAL_NAME, value, sizeof value) || !TextEqual(value, search->seal)) return false;
    TextCopy(search->proof->seal, search->seal, SEAL_CAPACITY);
    TextCopy(search->proof->entry, name, TEXT_CAPACITY);
    return true;
}

bool ProveRecord(const char* copyPath, RecordProof* proof) {
    char seal[TEXT_CAPACITY];
    SysGetProfileString(RECORD_SECTION, SEAL_NAME, "", seal, sizeof seal, copyPath);
    if (!IsSeal(seal)) return false;
    ProofSearch search = {copyPath, seal, proof};
    return VisitUninstallEntries(EntryHoldsSeal, &search);
}

// ---------------------------------------------------------------- the copies' stamps

// What identifies a copy in the record: its size and last-write time mixed into 32
// bits, in hexadecimal. Every profile write rewrites the whole record file, so each
// character kept per copy is paid for by every later write. A "Copy" key lists the
// marks of a batch of copies, "12:1F4A09C3,5D2E77B0,15:0A0B0C0D": a mark is for the
// "File" number before its ":", or else for the number after the previous one's.
enum : uint32_t { MARK_TEXT_MAX = 10 + 1 + 8 + 1, BATCH_TEXT_LIMIT = 480 };

uint32_t StampMark(const SysFileStamp& stamp) {
    return Mix(Mix(Mix(0x5BD1E995u, stamp.size), stamp.timeLow), stamp.timeHigh);
}

static void AppendMark(char* text, const CopyStamp& stamp, bool numbered, uint32_t capacity) {
    if (text[0]) TextAppend(text, ",", capacity);
    if (numbered) {
        TextAppendNumber(text, stamp.number, capacity);
        TextAppend(text, ":", capacity);
    }
    TextAppendHex(text, stamp.mark, 8, capacity);
}

uint32_t CopyStampRoom() { return MARK_TEXT_MAX + RECORD_KEY_CAPACITY + 2; }

uint32_t PendingStampRoom(const RecordFile& record) { return record.batchCount * CopyStampRoom(); }

// The batch's text into out (TEXT_CAPACITY bytes); its length.
static uint32_t BatchText(const RecordFile& record, char* out) {
    out[0] = 0;
    for (uint32_t i = 0; i < record.batchCount; ++i)
        AppendMark(out, record.batch[i], i == 0 || record.batch[i].number != record.batch[i - 1].number + 1,
                   TEXT_CAPACITY);
    return TextLength(out);
}

bool AddCopyStamp(RecordFile& record, uint32_t number, const SysFileStamp& stamp) {
    CopyStamp& added = record.batch[record.batchCount++];
    added.number = number;
    added.mark = StampMark(stamp);
    char text[TEXT_CAPACITY];
    return record.batchCount == COPY_STAMP_BATCH || BatchText(record, text) + MARK_TEXT_MAX > BATCH_TEXT_LIMIT;
}

uint32_t FlushCopyStamps(RecordFile& record) {
    if (record.batchCount == 0) return 0;
    char text[TEXT_CAPACITY], key[RECORD_KEY_CAPACITY];
    BatchText(record, text);
    // A key of its own, at the end of the section like every new key: a write that a
    // full disk cuts off can only cut it.
    uint32_t count = record.batchCount, number = record.batch[0].number, error = 0;
    record.batchCount = 0;  // the room kept for these stamps is theirs to take
    if (WriteRecordKey(record, COPY_PREFIX, &number, text, 0, key, &error)) return 0;
    DropRecordKey(record, key);
    record.batchCount = count;
    return error;
}

void DiscardPendingStamps(RecordFile& record) { record.batchCount = 0; }

// Reads a decimal number of at most 9 digits, or exactly eight hexadecimal ones.
static bool ReadDecimal(const char** p, uint32_t* value) {
    uint32_t n = 0;
    int digits = 0;
    for (; **p >= '0' && **p <= '9'; ++*p)
        if (++digits > 9) return false;
        else n = n * 10 + (uint32_t)(**p - '0');
    *value = n;
    return digits > 0;
}

static bool ReadMark(const char** p, uint32_t* value) {
    uint32_t n = 0;
    for (int read = 0; read < 8; ++read, ++*p) {
        char c = LowerLetter(**p);
        if (c >= '0' && c <= '9') n = (n << 4) | (uint32_t)(c - '0');
        else if (c >= 'a' && c <= 'f') n = (n << 4) | (uint32_t)(c - 'a' + 10);
        else return false;
    }
    *value = n;
    return **p == ',' || **p == 0;
}

// Reads the marks of every "Copy" key of [begin, end) into table (capacity of them);
// returns how many there are. What does not read as a mark ends its key's list.
static uint32_t ReadStamps(const char* begin, const char* end, CopyStamp* table, uint32_t capacity) {
    uint32_t count = 0;
    for (const char* at = begin; at < end; at += TextLength(at) + 1) {
        if (!TextStartsWithNoCase(at, COPY_PREFIX)) continue;
        const char* p = at;
        while (*p && *p != '=') ++p;
        uint32_t number = 0;
        for (bool more = *p == '='; more; more = *p == ',') {
            ++p;
            // A number before ":", or the one after the previous mark's.
            const char* start = p;
            uint32_t given;
            if (ReadDecimal(&p, &given) && *p == ':') number = given, ++p;
            else if (number) p = start, ++number;
            else break;
            CopyStamp stamp;
            stamp.number = number;
            if (!ReadMark(&p, &stamp.mark)) break;
            if (count < capacity) table[count] = stamp;
            ++count;
        }
    }
    return count;
}

// The mark recorded last for "File" number: a later key is a later installation's.
static bool FindStamp(const CopyStamp* table, uint32_t count, uint32_t number, uint32_t* mark) {
    bool found = false;
    for (uint32_t i = 0; i < count; ++i)
        if (table[i].number == number) *mark = table[i].mark, found = true;
    return found;
}

// The path of a "File" entry and where its file name starts; false for a string
// without "=" or a path without a folder or a name.
static bool SplitEntry(const char* entry, const char** path, const char** name) {
    const char* p = entry;
    while (*p && *p != '=') ++p;
    if (*p != '=') return false;
    *path = p + 1;
    *name = FindBaseName(*path);
    return *name > *path && **name;
}

static bool SameFolder(const char* pathA, const char* nameA, const char* pathB, const char* nameB) {
    uint32_t n = (uint32_t)(nameA - pathA);
    if ((uint32_t)(nameB - pathB) != n) return false;
    for (uint32_t i = 0; i < n; ++i)
        if (LowerLetter(pathA[i]) != LowerLetter(pathB[i])) return false;
    return true;
}

// What the check found of each "File" entry, by its place among them.
enum : char { NOT_CHECKED = 0, THE_COPY, NOT_THE_COPY, GONE };

static bool IsFileEntry(const char* entry) { return entry[0] == 'F'; }

// The "File" entries of a part of the record, indexed by the lower-case hash of their
// file names, so that each file a folder search finds is matched at once: a theme of
// many files would otherwise cost a comparison with every entry for each one.
struct FileIndex {
    uint32_t count, buckets;
    char** entry;        // the entry string
    const char** path;   // its path, or 0 for one that names no file
    const char** name;   // where its file name starts
    uint32_t* number;
    char* verdict;
    int32_t* next;       // the next entry in its bucket, -1 at the end
    int32_t* head;       // the first entry of each bucket
};

static uint32_t NameHash(const char* name) {
    uint32_t h = 2166136261u;
    for (; *name; ++name) h = (h ^ (unsigned char)LowerLetter(*name)) * 16777619u;
    return h;
}

// The entries of [begin, end) into index, in one block (returned, for the caller to
// free); null when there is no room.
static void* BuildIndex(char* begin, char* end, uint32_t count, FileIndex* index) {
    uint32_t buckets = 16;
    while (buckets < 2 * count) buckets *= 2;
    uint32_t size = count * (uint32_t)(sizeof(char*) + 2 * sizeof(const char*) + sizeof(uint32_t) + 1 + sizeof(int32_t)) +
                    buckets * (uint32_t)sizeof(int32_t) + 16;
    char* block = (char*)SysAllocBlock(size);
    if (!block) return 0;
    index->count = count;
    index->buckets = buckets;
    char* at = block;
    index->entry = (char**)at, at += count * sizeof(char*);
    index->path = (const char**)at, at += count * sizeof(const char*);
    index->name = (const char**)at, at += count * sizeof(const char*);
    index->number = (uint32_t*)at, at += count * sizeof(uint32_t);
    index->next = (int32_t*)at, at += count * sizeof(int32_t);
    index->head = (int32_t*)at, at += buckets * sizeof(int32_t);
    index->verdict = at;  // zero-filled: NOT_CHECKED
    for (uint32_t b = 0; b < buckets; ++b) index->head[b] = -1;
    uint32_t i = 0;
    for (char* entry = begin; entry < end; entry += TextLength(entry) + 1) {
        if (!IsFileEntry(entry)) continue;
        index->entry[i] = entry;
        index->number[i] = EntryNumber(entry);
        index->next[i] = -1;
        if (SplitEntry(entry, &index->path[i], &index->name[i])) {
            uint32_t b = NameHash(index->name[i]) & (buckets - 1);
            index->next[i] = index->head[b];
            index->head[b] = (int32_t)i;
        } else {
            index->path[i] = 0;
            index->verdict[i] = NOT_THE_COPY;
        }
        ++i;
    }
    return block;
}

// Marks the unchecked entry j that names the file found in the folder of entry i.
static void MatchFound(FileIndex& index, uint32_t i, const char* found, const SysFindData& data,
                       const CopyStamp* table, uint32_t count) {
    for (int32_t j = index.head[NameHash(found) & (index.buckets - 1)]; j >= 0; j = index.next[j]) {
        if (index.verdict[j] != NOT_CHECKED || !TextEqualNoCase(index.name[j], found) ||
            !SameFolder(index.path[i], index.name[i], index.path[j], index.name[j]))
            continue;
        SysFileStamp stamp = {data.sizeLow, data.timeLow, data.timeHigh};
        uint32_t recorded = 0;
        bool same = data.sizeHigh == 0 && FindStamp(table, count, index.number[j], &recorded) &&
                    recorded == StampMark(stamp);
        index.verdict[j] = same ? THE_COPY : NOT_THE_COPY;
    }
}

// Reads the folder of entry i once and sorts every unchecked entry in that folder: the
// copy, not the copy, or gone.
static void CheckFolder(FileIndex& index, uint32_t i, const CopyStamp* table, uint32_t count) {
    const char* path = index.path[i];
    const char* name = index.name[i];
    char pattern[TEXT_CAPACITY];
    SysFind find = 0;
    SysFindData found;
    // A folder that no search can name holds nothing provable: what it lists is left.
    bool searchable = TextCopyCount(pattern, path, (uint32_t)(name - path), sizeof pattern) &&
                      TextAppend(pattern, "*", sizeof pattern) && TextLength(pattern) < PATH_CAPACITY;
    if (searchable) find = SysFindFirstFile(pattern, &found);
    for (bool more = find != 0; more; more = SysFindNextFile(find, &found)) {
        if (found.attributes & SYS_FILE_ATTRIBUTE_DIRECTORY) continue;
        MatchFound(index, i, found.name, found, table, count);
        if (found.shortName[0]) MatchFound(index, i, found.shortName, found, table, count);
    }
    if (find) SysFindClose(find);
    for (uint32_t j = i; j < index.count; ++j)
        if (index.verdict[j] == NOT_CHECKED && index.path[j] && SameFolder(path, name, index.path[j], index.name[j]))
            index.verdict[j] = searchable ? GONE : NOT_THE_COPY;
}

void MarkFilesNotCopied(char* section, char* sectionEnd, char* begin, char* end, GoneFile gone, void* context) {
    uint32_t files = 0;
    for (char* entry = begin; entry < end; entry += TextLength(entry) + 1) files += IsFileEntry(entry);
    if (!files) return;
    uint32_t count = ReadStamps(section, sectionEnd, 0, 0);
    CopyStamp* table = count ? (CopyStamp*)SysAllocBlock(count * (uint32_t)sizeof(CopyStamp)) : 0;
    if (table) ReadStamps(section, sectionEnd, table, count);
    else count = 0;
    FileIndex index;
    void* block = BuildIndex(begin, end, files, &index);
    if (block)
        for (uint32_t i = 0; i < files; ++i)
            if (index.verdict[i] == NOT_CHECKED) CheckFolder(index, i, table, count);
    if (table) SysFreeBlock(table);
    // Without room to note what it found, nothing can be shown to be a copy.
    uint32_t i = 0;
    for (char* entry = begin; entry < end; entry += TextLength(entry) + 1) {
        if (!IsFileEntry(entry)) continue;
        char found = block ? index.verdict[i] : (char)NOT_THE_COPY;
        ++i;
        if (found == THE_COPY) continue;
        const char *path, *name;
        if (found == GONE && gone && SplitEntry(entry, &path, &name)) gone(path, EntryNumber(entry), context);
        entry[0] = 'f';  // done: left where it is, and dropped from a record that stays
    }
    if (block) SysFreeBlock(block);
}
