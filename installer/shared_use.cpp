// What other installations use: the files and folders that the proven records of
// every other installation list. An installation that finds in place a file or folder
// that another one put there records that it uses it too; a removal leaves what
// another installation still uses, so that each goes with the last one that uses it.
#include "job.h"
#include "installer_text.h"

// Adds what one proven record lists to the list (or, without one, counts its room):
// each path after a letter for a file ("F"; "B" for one that moved a screen aside to
// its backup, "T" for one whose font the record notes) or a folder ("D") and, for a
// file, the mark of the copy that the record describes, in eight hexadecimal digits
// ("--------" when it has none).
struct Gathering {
    const char* ownCopy;  // the record of this installation, which does not count
    char* at;             // where the next path goes, 0 while counting
    uint32_t needed;
    char* section;        // a buffer for one section
};

enum : uint32_t { MARK_DIGITS = 8, ITEM_HEAD = 1 + MARK_DIGITS };

static bool GatherRecord(const char*, const char*, const char* copy, void* context) {
    Gathering& gathering = *(Gathering*)context;
    RecordProof proof;
    RecordSection section;
    if (SameFile(copy, gathering.ownCopy) || !ProveRecord(copy, &proof) ||
        !ReadRecordSection(copy, gathering.section, &section))
        return false;
    uint32_t count = ReadCopyStamps(section, 0, 0);
    CopyStamp* stamps = count ? (CopyStamp*)SysAllocBlock(count * (uint32_t)sizeof(CopyStamp)) : 0;
    count = stamps ? ReadCopyStamps(section, stamps, count) : 0;
    bool backups = SectionHolds(section, BACKUP_KEY), fonts = SectionHolds(section, TYPEFACE_KEY);
    char value[TEXT_CAPACITY];
    for (const char* text = section.begin; text < section.end; text = NextRecordString(text)) {
        RecordEntry entry = ParseRecordEntry(text);
        bool file = IsFileEntry(entry.key);
        if ((!file && !IsFolderEntry(entry.key)) || entry.done || !entry.value) continue;
        uint32_t n = ITEM_HEAD + TextLength(entry.value) + 1;
        gathering.needed += n;
        if (!gathering.at) continue;
        gathering.at[0] = !file ? 'D'
                          : backups && FindRecordValue(section, BACKUP_KEY, entry.number, value) ? 'B'
                          : fonts && FindRecordValue(section, TYPEFACE_KEY, entry.number, value) ? 'T'
                          : 'F';
        gathering.at[1] = 0;
        uint32_t mark = 0;
        if (file && FindCopyStamp(stamps, count, entry.number, &mark)) TextAppendHex(gathering.at, mark, MARK_DIGITS, n);
        else TextAppend(gathering.at, "--------", n);
        TextAppend(gathering.at, entry.value, n);
        gathering.at += n;
    }
    if (stamps) SysFreeBlock(stamps);
    return false;
}

void GatherOtherRecords(OtherRecords& others, const char* ownCopy) {
    if (others.gathered) return;
    others.gathered = true;
    char* section = (char*)SysAllocBlock(SECTION_CAPACITY);
    if (!section) return;
    Gathering gathering = {ownCopy, 0, 1, section};
    VisitUninstallEntries(GatherRecord, &gathering);
    others.paths = (char*)SysAllocBlock(gathering.needed + 1);
    if (others.paths) {
        gathering.at = others.paths;
        gathering.needed = 1;
        VisitUninstallEntries(GatherRecord, &gathering);
    }
    SysFreeBlock(section);
}

// The item of the list that names path as a file or a folder, and for a file with a
// mark, that same copy (or, when unmarked counts, one whose mark the record lacks: a
// power cut came before its stamp, and it may be this very copy); with a letter in only,
// only an item of that kind ("B", a screen that moved another aside to its backup; "T",
// a file whose font the record notes). 0 when there is none.
static const char* FindItem(const OtherRecords& others, bool file, const char* path, const uint32_t* mark,
                            bool unmarked = false, char only = 0) {
    if (!others.paths) return 0;
    char text[MARK_DIGITS + 1];
    text[0] = 0;
    if (mark) TextAppendHex(text, *mark, MARK_DIGITS, sizeof text);
    const char* name = FindBaseName(path);
    for (const char* at = others.paths; *at; at += TextLength(at) + 1) {
        const char* listed = at + ITEM_HEAD;
        if ((at[0] != 'D') == file && (!only || at[0] == only) &&
            (!mark || TextStartsWith(at + 1, text) || (unmarked && at[1] == '-')) &&
            TextEqualNoCase(FindBaseName(listed), name) && SameFile(listed, path))
            return at;
    }
    return 0;
}

bool OthersMayUse(const OtherRecords& others, bool file, const char* path, const uint32_t* mark) {
    // Without the list nothing shows that no other installation uses it.
    return !others.paths || FindItem(others, file, path, mark, true);
}

bool OthersPlacedCopy(const OtherRecords& others, const char* path, uint32_t mark) {
    return FindItem(others, true, path, &mark) != 0;
}

bool OthersPlacedFolder(const OtherRecords& others, const char* path) { return FindItem(others, false, path, 0) != 0; }

bool OthersMovedAside(const OtherRecords& others, const char* path, uint32_t mark) {
    return FindItem(others, true, path, &mark, false, 'B') != 0;
}

bool OthersMovedAnyAside(const OtherRecords& others, const char* path) {
    return FindItem(others, true, path, 0, false, 'B') != 0;
}

bool OthersNoteFont(const OtherRecords& others, const char* path, const uint32_t* mark) {
    return !others.paths || FindItem(others, true, path, mark, true, 'T') != 0;
}

bool OthersNotedFont(const OtherRecords& others, const char* path, uint32_t mark) {
    return FindItem(others, true, path, &mark, false, 'T') != 0;
}

void ReleaseOtherRecords(OtherRecords& others) {
    if (others.paths) SysFreeBlock(others.paths);
    others = OtherRecords{};
}
