// Arbitrary bytes as a record section: the entry source must stay inside the section,
// give only terminated values that fit a path buffer, and always come to an end; the
// check of the copies' stamps reads it without going outside it, and only ever marks
// "File" entries done.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "record.h"
#include "sys_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > SECTION_CAPACITY - 2) return 0;
    // The section as the profile function leaves it: two zeros after its length.
    std::vector<char> section(data, data + size);
    section.push_back(0);
    section.push_back(0);
    SectionCursor cursor;
    InitSectionCursor(&cursor, section.data(), (uint32_t)size);

    std::vector<char> out(TEXT_CAPACITY + 8, '#');
    char entryKind = 'F';
    size_t results = 0, switches = 0;
    while (NextThemeEntry(nullptr, out.data(), &cursor, &entryKind)) {
        size_t n = strnlen(out.data(), out.size());
        if (n >= TEXT_CAPACITY) __builtin_trap();
        for (size_t i = TEXT_CAPACITY; i < out.size(); ++i)
            if (out[i] != '#') __builtin_trap();
        if (cursor.at < cursor.begin || cursor.at > cursor.end) __builtin_trap();
        if (n == 0 && entryKind == 'D') ++switches;
        // Every string is visited at most twice (files, then directories) and the
        // switch to directories happens once.
        if (++results > 2 * size + 2 || switches > size + 1) __builtin_trap();
    }
    if (entryKind != 'F' && entryKind != 'D') __builtin_trap();

    static bool world = (sysdouble::Reset(), sysdouble::world().AddFile("C:\\T\\a", "x"), true);
    (void)world;
    std::vector<char> marked(data, data + size);
    marked.push_back(0);
    marked.push_back(0);
    RecordSection again;
    SetRecordSection(&again, marked.data(), (uint32_t)size);
    uint32_t count = 0;
    CopyStamp* stamps = ReadSectionStamps(again, &count);
    MarkFilesNotCopied(again, stamps, count, nullptr, nullptr);
    if (stamps) SysFreeBlock(stamps);
    for (size_t i = 0; i < size; ++i)
        if (marked[i] != (char)data[i] && !(data[i] == 'F' && marked[i] == 'f' && (i == 0 || !data[i - 1])))
            __builtin_trap();
    return 0;
}
