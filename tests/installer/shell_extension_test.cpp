// Adding and removing the "Install Theme" verb on theme files.
#include "installer_test_support.h"
#include <algorithm>

using namespace support;

static const char* WELCOME =
    "Welcome to Decorama v1.04, the installer for Windows 95 desktop themes.\n"
    "This will install the Decorama shell extension.";

class ShellExtensionTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        w().currentDirectory = "C:\\WINDOWS";  // no theme here
    }
    Installation installation = {};
};

TEST_F(ShellExtensionTest, FirstStartAddsTheVerbSecondOffersItsRemoval) {
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_EQ(w().BoxTexts(), Texts{WELCOME});
    EXPECT_EQ(w().boxes[0].style, SYS_MB_OKCANCEL);
    EXPECT_EQ(w().Value(VERB_PATH, ""), "&Install Theme");
    EXPECT_EQ(w().keys[Lower(VERB_PATH)].values[""].size(), 15u);
    EXPECT_EQ(w().Value(VERB_PATH + "\\command", ""), "\"C:\\Tools\\decorama.exe\" \"%1\"");

    w().boxes.clear();
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_EQ(w().BoxTexts(), Texts{"Remove the Decorama shell extension?"});
    EXPECT_EQ(w().boxes[0].style, SYS_MB_OKCANCEL);
    EXPECT_FALSE(w().HasKey(VERB_PATH));
    EXPECT_FALSE(w().HasKey(VERB_PATH + "\\command"));
    EXPECT_TRUE(w().HasKey("hkcr\\ThemeFile"));
}

TEST_F(ShellExtensionTest, CancelLeavesTheRegistryUnchanged) {
    auto before = RegistrySnapshot();
    w().answers = {SYS_IDCANCEL};
    EXPECT_FALSE(SetupShellExtension(nullptr, installation));
    EXPECT_EQ(RegistrySnapshot(), before);
    ASSERT_TRUE(SetupShellExtension(nullptr, installation));
    auto added = RegistrySnapshot();
    w().answers = {SYS_IDCANCEL};
    EXPECT_FALSE(SetupShellExtension(nullptr, installation));
    EXPECT_EQ(RegistrySnapshot(), added);
}

TEST_F(ShellExtensionTest, CommandKeyFailureLeavesTheMenuTextAndNextStartOffersRemoval) {
    w().keysFailingCreate.insert(Lower(VERB_PATH + "\\command"));
    EXPECT_FALSE(SetupShellExtension(nullptr, installation));
    EXPECT_EQ(w().BoxTexts(), Texts{WELCOME});
    EXPECT_EQ(w().Value(VERB_PATH, ""), "&Install Theme");
    EXPECT_FALSE(w().HasKey(VERB_PATH + "\\command"));
    w().boxes.clear();
    SetupShellExtension(nullptr, installation);
    EXPECT_EQ(w().BoxTexts(), Texts{"Remove the Decorama shell extension?"});
    EXPECT_FALSE(w().HasKey(VERB_PATH));
}

TEST_F(ShellExtensionTest, VerbKeyFailureEndsSilently) {
    w().keysFailingCreate.insert(Lower(VERB_PATH));
    EXPECT_FALSE(SetupShellExtension(nullptr, installation));
    EXPECT_EQ(w().BoxTexts(), Texts{WELCOME});
    EXPECT_FALSE(w().HasKey(VERB_PATH));
}

TEST_F(ShellExtensionTest, UninstallCommandNamesTheInstallerThatRuns) {
    // The verb names this installer where it was; moved, the installer is another
    // program's path as far as the verb goes, and the entry names where it runs now.
    ASSERT_EQ(RunProgram({}), 0);
    ASSERT_TRUE(w().HasKey(VERB_PATH + "\\command"));
    sysdouble::world().modulePath = "C:\\Moved\\decorama.exe";
    MakeTheme("[T]\r\n");
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"),
              "\"C:\\Moved\\decorama.exe\" /u \"" + THEMES + "\\Blue.the\"");
}

// Every copy of this installer knows the verb that any of them added (each theme
// folder carries one, and the installer may have moved since).
TEST_F(ShellExtensionTest, AnyCopyOfThisInstallerKnowsItsVerb) {
    w().keys["hkcr"];
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 0);
    ASSERT_TRUE(w().HasKey(VERB_PATH + "\\command"));
    sysdouble::world().modulePath = "C:\\Downloads\\Blue\\decorama.exe";
    w().boxes.clear();
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_EQ(w().BoxTexts(), Texts{"Remove the Decorama shell extension?"});
    EXPECT_EQ(RegistrySnapshot(), registry);
}

static const char* NOT_OURS =
    "Theme files already have an Install command, of another program.\n"
    "The Decorama shell extension was not installed.";

struct ForeignVerbCase {
    const char* name;
    const char* command;  // the other program's command; null: a verb without one
};

TEST_F(ShellExtensionTest, AnotherProgramsVerbIsNeverOfferedForRemovalNorChanged) {
    const ForeignVerbCase cases[] = {
        {"another installer", "\"C:\\Other\\install.exe\" \"%1\""},
        {"an installer of the same name elsewhere", "\"C:\\Elsewhere\\decorama.exe\" \"%1\""},
        {"a command without quotes", "C:\\Other\\install.exe %1"},
        {"a verb without a command", nullptr},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        w().currentDirectory = "C:\\WINDOWS";
        w().SetValue(VERB_PATH, "", "&Install");
        if (c.command) w().SetValue(VERB_PATH + "\\command", "", c.command);
        w().SetValue(VERB_PATH + "\\command\\ddeexec", "", "[open]");
        auto registry = RegistrySnapshot();
        EXPECT_EQ(RunProgram({}), 0) << c.name;
        EXPECT_EQ(w().BoxTexts(), Texts{NOT_OURS}) << c.name;
        EXPECT_EQ(w().boxes[0].style, SYS_MB_ICONWARNING) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

struct ThemeFileKeysCase {
    const char* name;
    std::vector<std::string> before;  // keys under HKCR before the verb is added
    std::vector<std::string> added;   // keys another program adds while the verb is there
};

TEST_F(ShellExtensionTest, RemovingTheVerbRemovesWhatAddingItCreatedAndNothingElse) {
    const ThemeFileKeysCase cases[] = {
        {"no ThemeFile key at all", {}, {}},
        {"ThemeFile without Shell", {"hkcr\\ThemeFile"}, {}},
        {"ThemeFile\\Shell with another verb", {"hkcr\\ThemeFile\\Shell\\open\\command"}, {}},
        {"a verb of another program's added meanwhile", {}, {"hkcr\\ThemeFile\\Shell\\preview"}},
        {"a value added meanwhile", {}, {"hkcr\\ThemeFile|FriendlyTypeName"}},
    };
    auto add = [](const std::vector<std::string>& keys, const char* data) {
        for (auto& key : keys) {
            size_t bar = key.find('|');
            sysdouble::world().SetValue(key.substr(0, bar), bar == std::string::npos ? "" : key.substr(bar + 1), data);
        }
    };
    for (const auto& c : cases) {
        // What the registry should be at the end: as before, with the other program's additions.
        sysdouble::Reset();
        w().keys.erase("hkcr\\themefile");
        w().keys["hkcr"];
        add(c.before, "x");
        add(c.added, "y");
        auto expected = RegistrySnapshot();
        sysdouble::Reset();
        w().currentDirectory = "C:\\WINDOWS";
        w().keys.erase("hkcr\\themefile");
        w().keys["hkcr"];
        add(c.before, "x");
        ASSERT_EQ(RunProgram({}), 0) << c.name;
        ASSERT_TRUE(w().HasKey(VERB_PATH + "\\command")) << c.name;
        add(c.added, "y");
        w().boxes.clear();
        RunProgram({});
        EXPECT_EQ(w().BoxTexts(), Texts{"Remove the Decorama shell extension?"}) << c.name;
        EXPECT_EQ(RegistrySnapshot(), expected) << c.name;
    }
}
