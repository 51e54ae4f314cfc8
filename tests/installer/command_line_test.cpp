// Splitting the command line into words.
#include "installer_test_support.h"

static std::vector<std::string> Parse(const char* line, uint32_t capacity = 512, int maxArgs = 8) {
    std::vector<char> storage(capacity + 4, '#');
    char* argv[16];
    int argc = ParseCommandLine(line, storage.data(), capacity, argv, maxArgs);
    for (uint32_t i = capacity; i < capacity + 4; ++i) EXPECT_EQ(storage[i], '#') << "overrun: " << line;
    return std::vector<std::string>(argv, argv + argc);
}

using Words = std::vector<std::string>;

TEST(ParseCommandLine, SplitsAtBlanksAndTabsAndKeepsQuotedStretches) {
    const std::pair<const char*, Words> cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"decorama.exe", {"decorama.exe"}},
        {"\"C:\\Program Files\\decorama.exe\" /u \"C:\\Themes\\My Blue.the\"",
         {"C:\\Program Files\\decorama.exe", "/u", "C:\\Themes\\My Blue.the"}},
        {"a\tb  c", {"a", "b", "c"}},
        {"a\"b c\"d e", {"ab cd", "e"}},
        {"\"\"", {""}},
        {"a \\\"quoted\\\" b", {"a", "\"quoted\"", "b"}},
        {"C:\\dir\\ x", {"C:\\dir\\", "x"}},
        {"\"unclosed quote here", {"unclosed quote here"}},
        {"x \"a\\\"b\"", {"x", "a\"b"}},
    };
    for (const auto& [line, words] : cases) EXPECT_EQ(Parse(line), words) << line;
}

TEST(ParseCommandLine, DropsWordsBeyondTheLimitAndNeverOverruns) {
    EXPECT_EQ(Parse("a b c d e", 512, 3), (Words{"a", "b", "c"}));
    Words small = Parse("abcdefgh ijkl", 8, 8);
    ASSERT_GE(small.size(), 1u);
    EXPECT_EQ(small[0], "abcdefg");
    std::string huge(5000, 'x');
    Words big = Parse(huge.c_str(), 100, 8);
    ASSERT_EQ(big.size(), 1u);
    EXPECT_EQ(big[0].size(), 99u);
}
