// The shared path, name and registry routines.
#include "installer_test_support.h"
#include <cstring>

using namespace support;

struct AppendCase {
    const char* start;
    const char* part;  // null: no part
    uint32_t capacity;
    const char* expected;
};

TEST(AppendPathPart, JoinsWithOneSeparatorAndNeverOverruns) {
    const AppendCase cases[] = {
        {"C:\\WINDOWS", "Blue.bmp", 260, "C:\\WINDOWS\\Blue.bmp"},
        {"C:\\WINDOWS\\", "Blue.bmp", 260, "C:\\WINDOWS\\Blue.bmp"},
        {"C:", "Blue.bmp", 260, "C:Blue.bmp"},
        {"", "Blue.bmp", 260, "Blue.bmp"},
        {"C:\\WINDOWS", nullptr, 260, "C:\\WINDOWS\\"},
        {"C:\\WINDOWS\\", nullptr, 260, "C:\\WINDOWS\\"},
        {"", nullptr, 260, ""},
        {"C:\\WIN", "abcdef", 10, "C:\\WIN\\ab"},    // cut to capacity - 1
        {"C:\\WINDOWS", "x", 10, "C:\\WINDOWS"},     // capacity not above the length
        {"C:\\WINDOWS", "x", 11, "C:\\WINDOWS"},     // no room even for the separator
        {"C:\\WINDOWS", "x", 12, "C:\\WINDOWS\\"},
    };
    for (const auto& c : cases) {
        char buffer[64];
        memset(buffer, '#', sizeof buffer);
        strcpy(buffer, c.start);
        AppendPathPart(buffer, c.part, c.capacity);
        EXPECT_STREQ(buffer, c.expected) << c.start << " + " << (c.part ? c.part : "(none)");
        EXPECT_LT(strlen(buffer), std::max<size_t>(c.capacity, strlen(c.start) + 1));
        if (c.capacity > strlen(c.start)) {
            for (size_t i = c.capacity; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#');
        }
    }
}

TEST(FindBaseName, PointsAfterTheLastBackslashOrColon) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\WINDOWS\\Blue.the", "Blue.the"},
        {"C:Blue.the", "Blue.the"},
        {"Blue.the", "Blue.the"},
        {"C:\\WINDOWS\\", ""},
        {"", ""},
        {"a\\b:c\\d", "d"},
    };
    for (const auto& [path, base] : cases) EXPECT_STREQ(FindBaseName(path), base) << path;
    char path[] = "C:\\Themes\\Blue.the";
    *FindBaseName(path) = 0;
    EXPECT_STREQ(path, "C:\\Themes\\");
}

TEST(FindTextNoCase, FindsTheFirstOccurrenceIgnoringCase) {
    struct Case {
        const char* text;
        const char* pattern;
        int at;  // -1: none
    } cases[] = {
        {"Wallpaper=%themedir%Blue.bmp", "%ThemeDir%", 10},
        {"Wallpaper=%THEMEDIR%Blue.bmp", "%ThemeDir%", 10},
        {"%WinDir%a %WinDir%b", "%windir%", 0},
        {"Wallpaper=Blue.bmp", "%ThemeDir%", -1},
        {"%Theme", "%ThemeDir%", -1},  // pattern longer than the text
        {"", "%ThemeDir%", -1},
        {"abc", "", 0},
        {"x.SYS", ".sys", 1},
    };
    for (const auto& c : cases) {
        const char* found = FindTextNoCase(c.text, c.pattern);
        if (c.at < 0) EXPECT_EQ(found, nullptr) << c.text;
        else EXPECT_EQ(found, c.text + c.at) << c.text;
    }
}

TEST(CutAtLastDot, KeepsEverythingBeforeTheLastDot) {
    const std::pair<const char*, const char*> cases[] = {
        {"Blue.the", "Blue"}, {"My.Blue.the", "My.Blue"}, {"Blue", "Blue"}, {".the", ""}, {"Blue.", "Blue"}};
    for (const auto& [name, expected] : cases) {
        char buffer[32];
        strcpy(buffer, name);
        CutAtLastDot(buffer);
        EXPECT_STREQ(buffer, expected) << name;
    }
}

TEST(PathLeavesFolder, RefusesClimbingAndDrives) {
    const std::pair<const char*, bool> cases[] = {
        {"Art\\Blue.bmp", false},
        {"\\Art\\Sky.bmp", false},
        {"Blue.bmp", false},
        {"..\\x.dll", true},
        {"Art\\..\\..\\x.dll", true},
        {"Art/../../x.dll", true},
        {"..", true},
        {"...\\x.dll", true},
        {".. \\x.dll", true},
        {"C:\\x.dll", true},
        {"C:x.dll", true},
        {"a..b\\x.dll", false},
        {"..x\\y", false},
        {".\\x.bmp", false},
        {"", false},
    };
    for (const auto& [path, leaves] : cases) EXPECT_EQ(PathLeavesFolder(path), leaves) << path;
}

TEST(PathIsInside, AcceptsOnlyPathsBelowTheFolder) {
    const char* dir = "C:\\WINDOWS\\";
    const std::pair<const char*, bool> cases[] = {
        {"C:\\WINDOWS\\Blue.bmp", true},
        {"c:\\windows\\Art\\Blue.bmp", true},
        {"C:\\WINDOWS\\", false},
        {"C:\\WINDOWSX\\Blue.bmp", false},
        {"C:\\WINDOWS\\..\\AUTOEXEC.BAT", false},
        {"D:\\WINDOWS\\Blue.bmp", false},
        {"C:\\WIN", false},
    };
    for (const auto& [path, inside] : cases) EXPECT_EQ(PathIsInside(path, dir), inside) << path;
    EXPECT_FALSE(PathIsInside("C:\\x", ""));
    EXPECT_FALSE(PathIsInside("C:\\WINDOWS\\x", "C:\\WINDOWS"));
}

class ReadRegistryStringTest : public InstallerTest {};

TEST_F(ReadRegistryStringTest, ReadsTheValueWithoutTrailingSemicolons) {
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Themes;", "C:\\Themes"},
        {"C:\\Themes;;;", "C:\\Themes"},
        {"C:\\Themes", "C:\\Themes"},
        {"C:\\A;B", "C:\\A;B"},
        {";", ""},
    };
    for (const auto& [stored, expected] : cases) {
        w().SetValue("hklm\\Software\\Test", "Path", stored);
        char out[PATH_CAPACITY] = "old";
        EXPECT_TRUE(ReadRegistryString(SYS_HKEY_LOCAL_MACHINE, "Software\\Test", "Path", out));
        EXPECT_EQ(std::string(out), expected) << stored;
    }
}

TEST_F(ReadRegistryStringTest, MissingKeyOrValueLeavesTheBuffer) {
    char out[PATH_CAPACITY] = "before";
    EXPECT_FALSE(ReadRegistryString(SYS_HKEY_LOCAL_MACHINE, "Software\\Nothing", "Path", out));
    EXPECT_STREQ(out, "before");
    w().SetValue("hklm\\Software\\Test", "Other", "x");
    EXPECT_TRUE(ReadRegistryString(SYS_HKEY_LOCAL_MACHINE, "Software\\Test", "Path", out));
    EXPECT_STREQ(out, "before");
}

TEST_F(ReadRegistryStringTest, ValueTooLongIsNotCutIntoAnotherFolder) {
    w().SetValue("hklm\\Software\\Test", "Path", "C:\\" + std::string(300, 'a'));
    char out[PATH_CAPACITY + 8];
    memset(out, '#', sizeof out);
    strcpy(out, "before");
    EXPECT_TRUE(ReadRegistryString(SYS_HKEY_LOCAL_MACHINE, "Software\\Test", "Path", out));
    EXPECT_STREQ(out, "before");
    for (size_t i = PATH_CAPACITY; i < sizeof out; ++i) ASSERT_EQ(out[i], '#');
}
