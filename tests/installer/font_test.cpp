// Fonts: the full name read from a TrueType file, and the list of fonts that an
// installation adds to and its uninstall or rollback takes from again.
#include "installer_test_support.h"

using namespace support;

// A TrueType file with only a "name" table holding the names given (platform,
// encoding, language, name id, text as stored), behind the given version tag.
struct NameRecord {
    uint16_t platform, encoding, language, id;
    std::string text;
};

static void Put16(std::string& out, uint32_t v) { out += (char)(v >> 8), out += (char)v; }
static void Put32(std::string& out, uint32_t v) { Put16(out, v >> 16), Put16(out, v & 0xFFFF); }

static std::string Wide(const std::string& text) {
    std::string out;
    for (unsigned char c : text) out += '\0', out += (char)c;
    return out;
}

static std::string TrueType(const std::vector<NameRecord>& names, uint32_t version = 0x00010000) {
    std::string table, strings;
    Put16(table, 0);
    Put16(table, (uint32_t)names.size());
    Put16(table, 6 + 12 * (uint32_t)names.size());
    for (auto& n : names) {
        Put16(table, n.platform), Put16(table, n.encoding), Put16(table, n.language), Put16(table, n.id);
        Put16(table, (uint32_t)n.text.size()), Put16(table, (uint32_t)strings.size());
        strings += n.text;
    }
    table += strings;
    std::string font;
    Put32(font, version), Put16(font, 1), Put16(font, 16), Put16(font, 0), Put16(font, 0);
    font += "name";
    Put32(font, 0), Put32(font, 28), Put32(font, (uint32_t)table.size());
    return font + table;
}

static std::string BlueSans() { return TrueType({{3, 1, 0x409, 4, Wide("Blue Sans")}}); }

struct FontNameCase {
    const char* name;
    std::string file;
    const char* full;  // null: not registered
};

TEST(FontName, IsReadFromTheNameTableWhateverTheFileHolds) {
    std::string good = BlueSans();
    std::string beyond = good;
    beyond[28 + 6 + 8] = 0x7F;  // the name's length runs past the table
    std::string tables = good;
    tables[4] = 0x7F;  // more tables than the file holds
    const FontNameCase cases[] = {
        {"Windows US English", good, "Blue Sans"},
        {"US English before another language and the Macintosh name",
         TrueType({{1, 0, 0, 4, "Mac Name"}, {3, 1, 0x407, 4, Wide("Blaue Sans")}, {3, 1, 0x409, 4, Wide("Blue Sans")}}),
         "Blue Sans"},
        {"the Macintosh name alone", TrueType({{1, 0, 0, 4, "Blue Mac"}}), "Blue Mac"},
        {"Latin-1 letters", TrueType({{3, 1, 0x409, 4, Wide("Bl\xE9u")}}), "Bl\xE9u"},
        {"the version tag \"true\"", TrueType({{3, 1, 0x409, 4, Wide("Blue")}}, 0x74727565), "Blue"},
        {"PostScript outlines", TrueType({{3, 1, 0x409, 4, Wide("Blue")}}, 0x4F54544F), nullptr},
        {"a collection", TrueType({{3, 1, 0x409, 4, Wide("Blue")}}, 0x74746366), nullptr},
        {"no full name", TrueType({{3, 1, 0x409, 1, Wide("Blue")}}), nullptr},
        {"a character beyond Latin-1", TrueType({{3, 1, 0x409, 4, std::string("\x04\x10", 2)}}), nullptr},
        {"a control character", TrueType({{3, 1, 0x409, 4, Wide("Blue\nSans")}}), nullptr},
        {"Mac Roman beyond ASCII", TrueType({{1, 0, 0, 4, "Bl\x8Eu"}}), nullptr},
        {"an odd length of UTF-16", TrueType({{3, 1, 0x409, 4, "\0B\0"}}), nullptr},
        {"blanks only", TrueType({{3, 1, 0x409, 4, Wide("   ")}}), nullptr},
        {"a name longer than a value's name may be", TrueType({{3, 1, 0x409, 4, Wide(std::string(300, 'n'))}}), nullptr},
        {"a length past the table", beyond, nullptr},
        {"more tables than the file", tables, nullptr},
        {"the file cut short", good.substr(0, 40), nullptr},
        {"an empty file", "", nullptr},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        sysdouble::world().AddFile("C:\\x.ttf", c.file);
        char out[TEXT_CAPACITY];
        EXPECT_EQ(ReadFontFullName("C:\\x.ttf", out, 200), c.full != nullptr) << c.name;
        EXPECT_STREQ(out, c.full ? c.full : "") << c.name;
        EXPECT_EQ(sysdouble::world().openFiles, 0) << c.name;
    }
}

class FontTest : public InstallerTest {
protected:
    void MakeFontTheme(const std::string& more = "") {
        MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n[DecoramaSpecial]\r\nF=%FontDir%Blue.ttf\r\n" + more, {"One.bmp"});
        w().AddFile(SOURCE + "\\Blue.ttf", BlueSans());
    }
    std::string Listed() { return w().Value(sysdouble::FONT_LIST, "Blue Sans (TrueType)"); }
    bool Loaded() { return w().loadedFonts.count(Lower("C:\\WINDOWS\\FONTS\\Blue.ttf")) != 0; }
};

TEST_F(FontTest, AnInstalledFontIsRegisteredAndItsUninstallTakesItAway) {
    MakeFontTheme();
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS}));
    EXPECT_EQ(Listed(), "Blue.ttf");
    EXPECT_TRUE(Loaded());
    EXPECT_EQ(w().fontChanges, 1);
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_FALSE(Loaded());
    EXPECT_EQ(w().fontChanges, 2);
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

struct FontCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
    const char* listed;  // what the list holds for "Blue Sans (TrueType)" once installed
    void (*beforeUninstall)(sysdouble::World&) = nullptr;
};

TEST_F(FontTest, OnlyAFontOfItsOwnIsRegisteredAndTakenAway) {
    const FontCase cases[] = {
        {"another font of that name", [](sysdouble::World& w) { w.SetValue(sysdouble::FONT_LIST, "Blue Sans (TrueType)", "OTHER.TTF"); },
         "OTHER.TTF"},
        {"no TrueType font", [](sysdouble::World& w) { w.AddFile(SOURCE + "\\Blue.ttf", "not a font"); }, "<no value>"},
        {"gone by hand before the uninstall", [](sysdouble::World&) {}, "Blue.ttf",
         [](sysdouble::World& w) {
             w.loadedFonts.clear();
             w.nodes.erase(Lower("C:\\WINDOWS\\FONTS\\Blue.ttf"));
         }},
        // The registration that the record names goes, wherever the Fonts folder is said to be.
        {"the Fonts folder missing from the Shell Folders at the uninstall", [](sysdouble::World&) {}, "Blue.ttf",
         [](sysdouble::World& w) { w.keys[Lower(SHELL_FOLDERS_KEY)].values.erase("fonts"); }},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeFontTheme();
        c.prepare(w());
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        EXPECT_EQ(Listed(), c.listed) << c.name;
        if (c.beforeUninstall) c.beforeUninstall(w());
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        w().SetValue(SHELL_FOLDERS_KEY, "Fonts", "C:\\WINDOWS\\FONTS");  // as it was, where a row took it away
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

TEST_F(FontTest, AFontInUseStaysRegisteredUntilItsFileCanGo) {
    MakeFontTheme();
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    w().fontsInUse.insert(Lower("C:\\WINDOWS\\FONTS\\Blue.ttf"));
    w().boxes.clear();
    w().answers = {SYS_IDOK, SYS_IDOK};
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Error deleting file 'Blue.ttf'\nContinue?",
                                     "Theme was not completely uninstalled."}));
    EXPECT_EQ(Listed(), "Blue.ttf");
    EXPECT_TRUE(Loaded());
    w().fontsInUse.clear();
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

TEST_F(FontTest, ARollbackTakesAwayTheFontsItsInstallationRegistered) {
    for (const char* where : {"Blue.ttf", "Sub\\Blue.ttf"}) {
        sysdouble::Reset();
        MakeTheme(std::string("[T]\r\n[DecoramaSpecial]\r\nF=%FontDir%") + where + "\r\nB=%WinDir%Bad.wav\r\n", {"Bad.wav"});
        w().AddFile(SOURCE + "\\Blue.ttf", BlueSans());
        w().copyFailures[Lower("C:\\WINDOWS\\Bad.wav")] = 5;
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        w().answers = {SYS_IDOK, SYS_IDCANCEL};
        RunProgram({});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error 5 copying file 'Bad.wav'\nContinue?", FAILED})) << where;
        EXPECT_TRUE(w().loadedFonts.empty()) << where;
        EXPECT_EQ(TreeSnapshot(), tree) << where;
        EXPECT_EQ(RegistrySnapshot(), registry) << where;
    }
}

TEST_F(FontTest, AFontBelowTheFontsFolderIsListedByItsPath) {
    MakeTheme("[T]\r\n[DecoramaSpecial]\r\nF=%FontDir%Sub\\Blue.ttf\r\n");
    w().AddFile(SOURCE + "\\Blue.ttf", BlueSans());
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(Listed(), "C:\\WINDOWS\\FONTS\\Sub\\Blue.ttf");
}

// Two themes that ship the same files, folder and font: whatever the order of their
// uninstalls, what both use stays until the last of them goes, and then all is as it was.
// The font may have been registered only after the second began to use the file (its
// registration was out of the list then): the second's record does not note the font,
// which goes with the first, so that the second can delete the file. Or the registration
// was the user's, left from a file of theirs that went: neither record notes it, and it stays.
TEST_F(FontTest, WhatTwoThemesUseGoesWithTheLastOfThem) {
    for (int row = 0; row < 6; ++row) {
        bool firstGoesFirst = row % 2 == 0, users = row >= 4, notedBySecond = row < 2 || users;
        SCOPED_TRACE(row);
        sysdouble::Reset();
        const std::string red = SOURCE + "\\Red.the";
        MakeTheme("[T]\r\nA=%ThemeDir%Art\\Shared.bmp\r\nO=%ThemeDir%Art\\Blue.bmp\r\n[DecoramaSpecial]\r\n"
                  "F=%FontDir%Blue.ttf\r\n", {"Shared.bmp", "Blue.bmp", "Red.bmp"});
        w().AddFile(red, "[T]\r\nA=%ThemeDir%Art\\Shared.bmp\r\nR=%ThemeDir%Art\\Red.bmp\r\n[DecoramaSpecial]\r\n"
                         "F=%FontDir%Blue.ttf\r\n");
        w().AddFile(SOURCE + "\\Blue.ttf", BlueSans());
        if (users) w().SetValue(sysdouble::FONT_LIST, "Blue Sans (TrueType)", "Blue.ttf");
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({SOURCE + "\\Blue.the"}), 1);
        std::string registration = Listed();
        if (!notedBySecond) w().keys[Lower(sysdouble::FONT_LIST)].values.erase(Lower("Blue Sans (TrueType)"));
        ASSERT_EQ(RunProgram({red}), 1);
        EXPECT_EQ(w().boxes.back().text, SUCCESS);
        w().SetValue(sysdouble::FONT_LIST, "Blue Sans (TrueType)", registration);
        std::string first = INSTALLED, second = THEMES + "\\Red.the";
        if (!firstGoesFirst) std::swap(first, second);
        w().boxes.clear();
        RunProgram({"/u", first});
        EXPECT_EQ(w().BoxTexts(), (Texts{w().boxes.front().text, UNINSTALLED})) << firstGoesFirst;
        // The other still has all it uses.
        EXPECT_EQ(w().Read(THEMES + "\\Art\\Shared.bmp"), "data of Shared.bmp") << firstGoesFirst;
        EXPECT_EQ(Listed(), notedBySecond || !firstGoesFirst ? "Blue.ttf" : "<no value>") << firstGoesFirst;
        EXPECT_TRUE(w().Exists("C:\\WINDOWS\\FONTS\\Blue.ttf")) << firstGoesFirst;
        EXPECT_EQ(w().Exists(THEMES + "\\Art\\Red.bmp"), firstGoesFirst) << firstGoesFirst;
        w().boxes.clear();
        RunProgram({"/u", second});
        EXPECT_EQ(w().BoxTexts(), (Texts{w().boxes.front().text, UNINSTALLED})) << firstGoesFirst;
        EXPECT_EQ(TreeSnapshot(), tree) << firstGoesFirst;
        EXPECT_EQ(RegistrySnapshot(), registry) << firstGoesFirst;
    }
}

// A font file that the user changed after the installation stays theirs, but the
// registration that the installation made goes with it.
TEST_F(FontTest, AFontFileTheUserChangedStaysButItsRegistrationGoes) {
    MakeFontTheme();
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    w().AddFile("C:\\WINDOWS\\FONTS\\Blue.ttf", BlueSans() + "changed");
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_EQ(w().Read("C:\\WINDOWS\\FONTS\\Blue.ttf"), BlueSans() + "changed");
    EXPECT_EQ(RegistrySnapshot(), registry);
}
