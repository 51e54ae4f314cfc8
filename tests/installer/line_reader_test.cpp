// Reading theme files line by line.
#include "installer_test_support.h"
#include <cstring>

using namespace support;

class ReadThemeLineTest : public InstallerTest {
protected:
    // Every line the reader gives for this file content, with the given capacity.
    std::vector<std::string> ReadAll(const std::string& content, uint32_t capacity = 520) {
        w().AddFile("C:\\t.the", content);
        SysFile file = SysOpenExisting("C:\\t.the", SYS_SHARE_READ, true);
        EXPECT_NE(file, nullptr);
        std::vector<std::string> lines;
        std::vector<char> buffer(capacity + 4, '#');
        ThemeReader reader;
        StartThemeReader(&reader, file);
        while (ReadThemeLine(buffer.data(), capacity, &reader)) {
            lines.push_back(buffer.data());
            for (uint32_t i = capacity; i < capacity + 4; ++i) EXPECT_EQ(buffer[i], '#');
            if (lines.size() > 100) break;
        }
        SysCloseFile(file);
        return lines;
    }
};

using Lines = std::vector<std::string>;

TEST_F(ReadThemeLineTest, LineEnds) {
    const std::pair<std::string, Lines> cases[] = {
        {"a=1\r\nb=2\r\n", {"a=1", "b=2"}},                 // CR LF
        {"a=1\nb=2\n", {"a=1", "b=2"}},                     // bare LF
        {"a=1\r\nb=2\nc=3\r\n", {"a=1", "b=2", "c=3"}},     // mixed
        {"a=1\r\nlast=2", {"a=1", "last=2"}},               // last line without line end
        {"only", {"only"}},
        {"a=1\r\n\r\nb=2\r\n", {"a=1", "\r", "b=2"}},       // a blank line comes back as "\r"
        {"a=1\n\nb=2\n", {"a=1", "\n", "b=2"}},
        {"", {}},
        {"\r\n", {"\r"}},
        {"a=1\r\r\n", {"a=1"}},
        // Lines across the reader's blocks: a CR LF split between two of them.
        {std::string(510, 'x') + "\r\n" + std::string(509, 'y') + "\r\nz",
         {std::string(510, 'x'), std::string(509, 'y'), "z"}},
        {std::string(511, 'x') + "\r\n" + std::string(600, 'y'), {std::string(511, 'x'), std::string(519, 'y'),
                                                                   std::string(81, 'y')}},
    };
    for (const auto& [content, lines] : cases) {
        w().nodes.clear();
        EXPECT_EQ(ReadAll(content), lines) << content;
    }
}

TEST_F(ReadThemeLineTest, LongLinesContinueInTheNextCall) {
    std::string longLine(600, 'x');
    Lines lines = ReadAll(longLine + "\r\nnext\r\n");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(519, 'x'));
    EXPECT_EQ(lines[1], std::string(81, 'x'));
    EXPECT_EQ(lines[2], "next");
    w().nodes.clear();
    // A cut between CR and LF leaves the LF as a blank line of its own, which the walk skips.
    EXPECT_EQ(ReadAll("abcdefgh\r\n", 4), (Lines{"abc", "def", "gh", "\n"}));
}

TEST_F(ReadThemeLineTest, BufferWithoutRoomForAByteEndsTheFile) {
    w().AddFile("C:\\t.the", "abc\r\n");
    SysFile file = SysOpenExisting("C:\\t.the", SYS_SHARE_READ, true);
    ThemeReader reader;
    StartThemeReader(&reader, file);
    char buffer[2] = {'#', '#'};
    EXPECT_EQ(ReadThemeLine(buffer, 1, &reader), nullptr);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], '#');
    EXPECT_EQ(ReadThemeLine(buffer, 2, &reader), buffer);  // two bytes: one character at a time
    EXPECT_STREQ(buffer, "a");
    SysCloseFile(file);
}

TEST_F(ReadThemeLineTest, EndOfFileGivesNoneAndAnEmptyBuffer) {
    w().AddFile("C:\\t.the", "a\r\n");
    SysFile file = SysOpenExisting("C:\\t.the", SYS_SHARE_READ, true);
    ThemeReader reader;
    StartThemeReader(&reader, file);
    char buffer[520];
    EXPECT_EQ(ReadThemeLine(buffer, sizeof buffer, &reader), buffer);
    EXPECT_EQ(ReadThemeLine(buffer, sizeof buffer, &reader), nullptr);
    EXPECT_EQ(ReadThemeLine(buffer, sizeof buffer, &reader), nullptr);
    SysCloseFile(file);
}
