// The proof that a record and the files it lists are this installer's: the seal that an
// installation draws and keeps in its record and its uninstall entry, and the check of
// each file against the mark the record keeps of its copy, before an uninstall or a
// rollback lets it go.
#include "record.h"
#include "installer_text.h"

// ---------------------------------------------------------------- the seal

void DrawSeal(char* out) {
    // The time to 100 ns, the milliseconds since the system started and the process:
    // nothing that a theme file written beforehand could hold.
    uint32_t low = 0, high = 0;
    SysGetSystemTime(&low, &high);
    uint32_t tick = SysGetTickCount(), process = SysGetCurrentProcessId();
    uint32_t a = Mix32(Mix32(Mix32(Mix32(0x2545F491u, low), tick), process), high);
    uint32_t b = Mix32(Mix32(Mix32(Mix32(a ^ 0x6A09E667u, high), process), tick), low);
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
    if (!ReadEntryString(name, ENTRY_SEAL_NAME, value, sizeof value) || !TextEqual(value, search->seal)) return false;
    TextCopy(search->proof->seal, search->seal, SEAL_CAPACITY);
    TextCopy(search->proof->entry, name, TEXT_CAPACITY);
    TextCopy(search->proof->copy, copy, TEXT_CAPACITY);
    return true;
}

bool ProveRecord(const char* copyPath, RecordProof* proof) {
    char seal[TEXT_CAPACITY];
    ReadSeal(copyPath, seal);
    if (!IsSeal(seal)) return false;
    ProofSearch search = {copyPath, seal, proof};
    return VisitUninstallEntries(EntryHoldsSeal, &search);
}

// ---------------------------------------------------------------- the copies' check

static bool SameFolder(const char* pathA, const char* nameA, const char* pathB, const char* nameB) {
    uint32_t n = (uint32_t)(nameA - pathA);
    if ((uint32_t)(nameB - pathB) != n) return false;
    for (uint32_t i = 0; i < n; ++i)
        if (LowerLetter(pathA[i]) != LowerLetter(pathB[i])) return false;
    return true;
}

// What the check found of each file entry, by its place among them.
enum : char { NOT_CHECKED = 0, THE_COPY, NOT_THE_COPY, GONE };

// A file entry still to be checked: one that is not marked done.
static bool IsFileToCheck(const char* text) {
    RecordEntry entry = ParseRecordEntry(text);
    return IsFileEntry(entry.key) && !entry.done;
}

// The file entries of a section, indexed by the lower-case hash of their file names,
// so that each file a folder search finds is matched at once: a theme of many files
// would otherwise cost a comparison with every entry for each one.
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

// The path of a file entry and where its file name starts; false for a path without
// a folder or a name.
static bool SplitEntry(const RecordEntry& entry, const char** path, const char** name) {
    if (!entry.value) return false;
    *path = entry.value;
    *name = FindBaseName(*path);
    return *name > *path && **name;
}

// Fills index with the count entries to check in the section, in one block (returned,
// for the caller to free); null when there is no room.
static void* BuildIndex(const RecordSection& section, uint32_t count, FileIndex* index) {
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
    for (char* text = section.begin; text < section.end; text = NextRecordString(text)) {
        if (!IsFileToCheck(text)) continue;
        RecordEntry entry = ParseRecordEntry(text);
        index->entry[i] = text;
        index->number[i] = entry.number;
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
        bool same = data.sizeHigh == 0 && FindCopyStamp(table, count, index.number[j], &recorded) &&
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

CopyStamp* ReadSectionStamps(const RecordSection& section, uint32_t* count) {
    *count = ReadCopyStamps(section, 0, 0);
    CopyStamp* table = *count ? (CopyStamp*)SysAllocBlock(*count * (uint32_t)sizeof(CopyStamp)) : 0;
    if (table) ReadCopyStamps(section, table, *count);
    else *count = 0;
    return table;
}

void MarkFilesNotCopied(const RecordSection& section, const CopyStamp* table, uint32_t count, NotTheCopy notCopy,
                        void* context) {
    uint32_t files = 0;
    for (char* text = section.begin; text < section.end; text = NextRecordString(text)) files += IsFileToCheck(text);
    if (!files) return;
    FileIndex index;
    void* block = BuildIndex(section, files, &index);
    if (block)
        for (uint32_t i = 0; i < files; ++i)
            if (index.verdict[i] == NOT_CHECKED) CheckFolder(index, i, table, count);
    // Without room to note what it found, nothing can be shown to be a copy.
    uint32_t i = 0;
    for (char* text = section.begin; text < section.end; text = NextRecordString(text)) {
        if (!IsFileToCheck(text)) continue;
        char found = block ? index.verdict[i] : (char)NOT_THE_COPY;
        const char* path = block ? index.path[i] : 0;
        uint32_t number = block ? index.number[i] : 0, mark = 0;
        ++i;
        if (found == THE_COPY) continue;
        if (notCopy && path) {
            bool marked = FindCopyStamp(table, count, number, &mark);
            notCopy(path, number, found == GONE, marked ? &mark : 0, context);
        }
        MarkEntryDone(text);  // left where it is, and dropped from a record that stays
    }
    if (block) SysFreeBlock(block);
}
