// What identifies each copy an installation made, as the record keeps it: the copy's
// size and last-write time mixed into 32 bits, in hexadecimal. Every profile write
// rewrites the whole record file, so each character kept per copy is paid for by
// every later write. A "Copy" key lists the marks of a batch of copies,
// "12:1F4A09C3,5D2E77B0,15:0A0B0C0D": a mark is for the "File" number before its ":",
// or else for the number after the previous one's.
#include "record.h"
#include "installer_text.h"

enum : uint32_t { MARK_TEXT_MAX = 10 + 1 + 8 + 1, BATCH_TEXT_LIMIT = 480 };

uint32_t Mix32(uint32_t h, uint32_t v) {
    h ^= v;
    h *= 0x9E3779B1u;
    h ^= h >> 15;
    h *= 0x85EBCA77u;
    h ^= h >> 13;
    return h;
}

uint32_t StampMark(const SysFileStamp& stamp) {
    return Mix32(Mix32(Mix32(0x5BD1E995u, stamp.size), stamp.timeLow), stamp.timeHigh);
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
    char text[TEXT_CAPACITY];
    BatchText(record, text);
    // A key of its own, at the end of the section like every new key: a write that a
    // full disk cuts off can only cut it.
    uint32_t count = record.batchCount, number = record.batch[0].number, error = 0;
    record.batchCount = 0;  // the room kept for these stamps is theirs to take
    if (WriteRecordKey(record, COPY_KEY, &number, text, 0, &error)) return 0;
    DropFailedKey(record);
    record.batchCount = count;
    return error;
}

void DiscardPendingStamps(RecordFile& record) { record.batchCount = 0; }

uint32_t WriteCopyStamp(RecordFile& record, uint32_t number, const SysFileStamp& stamp) {
    char text[TEXT_CAPACITY];
    text[0] = 0;
    AppendMark(text, {number, StampMark(stamp)}, true, sizeof text);
    // A key of a name that no other holds: over an earlier record, replacing one would
    // take the stamps it lists from their copies.
    uint32_t key = number, error = 0;
    if (WriteRecordKey(record, COPY_KEY, &key, text, 0, &error)) return 0;
    DropFailedKey(record);
    return error;
}

// Reads a decimal number of at most 9 digits.
static bool ReadDecimal(const char** p, uint32_t* value) {
    uint32_t n = 0;
    int digits = 0;
    for (; **p >= '0' && **p <= '9'; ++*p)
        if (++digits > 9) return false;
        else n = n * 10 + (uint32_t)(**p - '0');
    *value = n;
    return digits > 0;
}

// Reads a mark: exactly eight hexadecimal digits, then "," or the end.
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

uint32_t ReadCopyStamps(const RecordSection& section, CopyStamp* table, uint32_t capacity) {
    uint32_t count = 0;
    for (const char* at = section.begin; at < section.end; at = NextRecordString(at)) {
        RecordEntry entry = ParseRecordEntry(at);
        if (entry.key != COPY_KEY) continue;
        // What does not read as a mark ends its key's list.
        const char* p = entry.value - 1;
        uint32_t number = 0;
        for (bool more = true; more; more = *p == ',') {
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

bool FindCopyStamp(const CopyStamp* table, uint32_t count, uint32_t number, uint32_t* mark) {
    bool found = false;
    for (uint32_t i = 0; i < count; ++i)
        if (table[i].number == number) *mark = table[i].mark, found = true;
    return found;
}
