// The settings file zelvosav.ini: reading, writing and the path.
#include <gtest/gtest.h>
#include "headless_platform.h"
#include "setup/modZelvoSav.h"

static const char* INI_PATH = "C:\\WINDOWS\\zelvosav.ini";

static Text Read(HeadlessPlatform&) { return ReadIni("Zelvosav", "Speed", "10", INI_PATH); }

TEST(ReadIni, FallsBackToTheDefault) {
    struct Row { const char* file; const char* expected; };
    const Row rows[] = {
        {nullptr, "10"},                                      // no file
        {"[Other]\r\nSpeed=5\r\n", "10"},                     // no section
        {"[Zelvosav]\r\nPace=5\r\n", "10"},                   // no key
        {"[Zelvosav]\r\nSpeed=\r\n", "10"},                   // empty value
        {"[Zelvosav]\r\nSpeed=25\r\n", "25"},
        {"[zelvosav]\r\nspeed = 7 \r\n", "7"},                // names without regard to case
        {"[Zelvosav]\r\nSpeed=abc\r\n", "abc"},               // not a number: returned unchanged
        {"[Zelvosav]\r\nSpeed=-3\r\n", "-3"},
    };
    for (const Row& r : rows) {
        HeadlessPlatform p;
        if (r.file) p.SetFile(INI_PATH, r.file);
        EXPECT_EQ(Read(p), Text(r.expected)) << (r.file ? r.file : "(no file)");
    }
}

TEST(ReadIni, CutsALongValueTo255Characters) {
    HeadlessPlatform p;
    std::string value(300, '7');
    p.SetFile(INI_PATH, "[Zelvosav]\r\nSpeed=" + value + "\r\n");
    Text got = Read(p);
    EXPECT_EQ(got.Len(), 255u);
    EXPECT_EQ(got, Text(value.c_str(), 255));
}

TEST(WriteIni, CreatesReplacesAndKeepsOtherKeys) {
    HeadlessPlatform p;
    EXPECT_EQ(WriteIni("Zelvosav", "Speed", "12", INI_PATH), -1);
    EXPECT_EQ(p.FileText(INI_PATH), "[Zelvosav]\r\nSpeed=12\r\n");
    p.SetFile(INI_PATH, "[Zelvosav]\r\nSpeed=1\r\nColour=red\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(WriteIni("Zelvosav", "Speed", "150", INI_PATH), -1);
    EXPECT_EQ(p.FileText(INI_PATH), "[Zelvosav]\r\nSpeed=150\r\nColour=red\r\n[Other]\r\nx=1\r\n");
    EXPECT_TRUE(p.messageBoxes.empty());
}

TEST(WriteIni, AFailedWriteShowsOneErrorBoxAndReturnsZero) {
    HeadlessPlatform p;
    p.SetFile(INI_PATH, "[Zelvosav]\r\nSpeed=33\r\n");
    p.readOnlyFiles.push_back(INI_PATH);
    EXPECT_EQ(WriteIni("Zelvosav", "Speed", "12", INI_PATH), 0);
    ASSERT_EQ(p.messageBoxes.size(), 1u);
    EXPECT_EQ(p.messageBoxes[0].title, "Error");
    EXPECT_EQ(p.messageBoxes[0].style, 16);
    EXPECT_EQ(p.messageBoxes[0].prompt,
              "An error has occured while trying to write the information to the ini file.");
    EXPECT_EQ(p.FileText(INI_PATH), "[Zelvosav]\r\nSpeed=33\r\n");
}

TEST(SettingsPath, IsTheWindowsDirectoryAndTheFileName) {
    struct Row { bool hasDir; const char* dir; const char* path; const char* winDir; };
    const Row rows[] = {
        {true, "C:\\WINDOWS", "C:\\WINDOWS\\zelvosav.ini", "C:\\WINDOWS"},
        {true, "C:\\", "C:\\\\zelvosav.ini", "C:\\"},           // a drive root gives two backslashes
        {true, " D:\\WIN ", "D:\\WIN \\zelvosav.ini", "D:\\WIN "},   // the NULs keep the trailing space
        {false, "", "\\zelvosav.ini", ""},                  // no Windows directory
    };
    for (const Row& r : rows) {
        HeadlessPlatform p;
        p.hasWindowsDirectory = r.hasDir;
        p.windowsDirectory = r.dir;
        Form form;
        TextBox txtTemp(form, "txtTemp");
        EXPECT_EQ(BuildSettingsPath(txtTemp), Text(r.path)) << r.dir;
        EXPECT_EQ(txtTemp.GetText(), Text(r.path));
        EXPECT_EQ(WinDirBuffer.Len(), 255u);
        EXPECT_EQ(WinDir.BeforeNul(), Text(r.winDir));
    }
}
