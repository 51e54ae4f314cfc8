// Classification of theme lines and the entry source over a record section.
#include "installer_test_support.h"
#include <cstring>

using namespace support;

struct ClassifyCase {
    const char* line;
    bool special;
    int kind;
    const char* rest;  // text from the position found
};

TEST(ClassifyThemeLine, TokensInOrderAndTheSpecialSection) {
    const ClassifyCase cases[] = {
        {"Wallpaper=%ThemeDir%Art\\Blue.bmp", false, ThemesEntry, "Art\\Blue.bmp"},
        {"Icon=%themedir%Blue.ico,0", false, ThemesEntry, "Blue.ico,0"},
        {"Wave=%WinDir%Media\\Ding.wav", false, WindowsEntry, "Media\\Ding.wav"},
        {"Font=%FontDir%Blue.ttf", false, NoEntry, nullptr},  // fonts only in the special section
        {"Font=%FONTDIR%Blue.ttf", true, FontsEntry, "Blue.ttf"},
        {"A=%WinDir%x %ThemeDir%y", false, ThemesEntry, "y"},  // %ThemeDir% is tried first
        {"A=%FontDir%x %WinDir%y", true, WindowsEntry, "y"},
        {"StartupScreen=Boot.sys", true, StartupScreenEntry, "Boot.sys"},
        {"startupscreen=Boot.sys", true, StartupScreenEntry, "Boot.sys"},
        {"StartupScreen:Boot.sys", true, StartupScreenEntry, "Boot.sys"},  // any one character skipped
        {"ShutdownWaitScreen=Wait.sys", true, ShutdownWaitScreenEntry, "Wait.sys"},
        {"SHUTDOWNSAFESCREEN=Safe.sys", true, ShutdownSafeScreenEntry, "Safe.sys"},
        {"StartupScreen=Boot.sys", false, NoEntry, nullptr},  // screens only in the special section
        {"StartupScreen=%ThemeDir%Boot.sys", true, ThemesEntry, "Boot.sys"},
        {"StartupScreen", true, StartupScreenEntry, ""},  // a bare key: empty name, nothing read past the end
        {"ShutdownSafeScreen", true, ShutdownSafeScreenEntry, ""},
        {" StartupScreen=x", true, NoEntry, nullptr},
        {"Wallpaper=Blue.bmp", false, NoEntry, nullptr},
        {"%ThemeDir%", false, ThemesEntry, ""},
    };
    for (const auto& c : cases) {
        const char* position = nullptr;
        EXPECT_EQ(ClassifyThemeLine(c.line, c.special, &position), c.kind) << c.line;
        if (c.rest) {
            ASSERT_NE(position, nullptr) << c.line;
            EXPECT_STREQ(position, c.rest) << c.line;
        }
    }
}

// Builds a section buffer with two zeros after it.
static std::vector<char> Section(const std::vector<std::string>& entries) {
    std::vector<char> buffer;
    for (auto& e : entries) buffer.insert(buffer.end(), e.c_str(), e.c_str() + e.size() + 1);
    uint32_t length = (uint32_t)buffer.size();
    buffer.push_back(0);
    buffer.push_back(0);
    buffer.resize(length + 2);
    return buffer;
}

// Everything the entry source gives: the values, with "|" where it switched to dirs.
static std::vector<std::string> Walk(const std::vector<std::string>& entries) {
    std::vector<char> buffer = Section(entries);
    SectionCursor cursor;
    uint32_t length = (uint32_t)buffer.size() - 2;
    InitSectionCursor(&cursor, buffer.data(), length);
    char out[TEXT_CAPACITY];
    char entryKind = 'F';
    std::vector<std::string> got;
    while (NextThemeEntry(nullptr, out, &cursor, &entryKind)) {
        got.push_back(out[0] ? std::string(out) : std::string("|"));
        if (got.size() > 50) break;
    }
    return got;
}

using Values = std::vector<std::string>;

TEST(NextThemeEntry, FilesInOrderThenDirectoriesDeepestFirst) {
    const std::pair<Values, Values> cases[] = {
        {{"Dir1=C:\\T\\Art", "File1=C:\\T\\Art\\a.bmp", "Dir2=C:\\T\\Art\\Deep", "File3=C:\\T\\Art\\Deep\\b.bmp"},
         {"C:\\T\\Art\\a.bmp", "C:\\T\\Art\\Deep\\b.bmp", "|", "C:\\T\\Art\\Deep", "C:\\T\\Art"}},
        {{}, {"|"}},
        {{"File1=a", "File2=b"}, {"a", "b", "|"}},
        {{"Dir1=x"}, {"|", "x"}},
        {{"Fonts=f", "Dummy=d", "Other=o"}, {"f", "|", "d"}},  // any key beginning with the letter
        {{"File1=a=b"}, {"a=b", "|"}},                           // the text after the first "="
        {{"File1=a", "Fbroken", "File2=b", "Dir"}, {"a", "b", "|"}},  // no "=" (a key cut off): passed over
        {{"File1=a", "Broken", "File2=b"}, {"a", "b", "|"}},     // other letters are passed over
        {{"File1=", "File2=b"}, {"|", "b", "|"}},                // an empty value reads as empty
        {{"file1=a"}, {"|"}},                                    // the letter is compared exactly
    };
    for (const auto& [entries, expected] : cases) EXPECT_EQ(Walk(entries), expected) << entries.size();
}

TEST(NextThemeEntry, ValuesTooLongForAPathArePassedOver) {
    std::string tooLong = "File1=C:\\" + std::string(600, 'a');
    EXPECT_EQ(Walk({tooLong, "File2=C:\\b"}), (Values{"C:\\b", "|"}));
    std::string fits = "File1=" + std::string(519, 'a');
    EXPECT_EQ(Walk({fits}), (Values{std::string(519, 'a'), "|"}));
}

TEST(NextThemeEntry, SectionWithoutFinalZeroStaysInsideItsLength) {
    // Only the first length bytes belong to the section; a string cut at the end is
    // still read only up to the guaranteed zeros.
    std::vector<char> buffer = {'F', '=', 'a', 0, 'D', '=', 'b'};
    buffer.push_back(0);
    buffer.push_back(0);
    SectionCursor cursor;
    InitSectionCursor(&cursor, buffer.data(), 7);
    char out[TEXT_CAPACITY];
    char kind = 'F';
    std::vector<std::string> got;
    while (NextThemeEntry(nullptr, out, &cursor, &kind)) got.push_back(out);
    EXPECT_EQ(got, (Values{"a", "", "b"}));
}
