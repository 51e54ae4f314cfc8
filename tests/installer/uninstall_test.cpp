// The uninstall entry, the installer command and the uninstall command text.
#include "installer_test_support.h"
#include <algorithm>

using namespace support;

class RegisterUninstallTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        strcpy(themeName, "Blue");
        strcpy(themeFileName, "Blue.the");
        strcpy(themesDir, "C:\\Themes\\");
        strcpy(installerPath, "C:\\Tools\\decorama.exe");
    }
};

struct CommandCase {
    const char* name;
    const char* verbCommand;  // null: no verb
    const char* expected;
};

TEST_F(RegisterUninstallTest, UninstallCommandFollowsTheShellVerb) {
    const CommandCase cases[] = {
        {"no verb", nullptr, "C:\\Tools\\decorama.exe /u \"C:\\Themes\\Blue.the\""},
        {"verb", "\"C:\\Old Place\\decorama.exe\" \"%1\"", "\"C:\\Old Place\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
        {"verb without %1", "\"C:\\X\\decorama.exe\"", "\"C:\\X\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
        {"cut at the first blank-quote-%1", "a \"%1 b \"%1", "a /u \"C:\\Themes\\Blue.the\""},
    };
    for (const auto& c : cases) {
        w().keys.erase(Lower(VERB_PATH + "\\command"));
        if (c.verbCommand) w().SetValue(VERB_PATH + "\\command", "", c.verbCommand);
        char out[TEXT_CAPACITY];
        EXPECT_TRUE(ComposeUninstallString(out)) << c.name;
        EXPECT_STREQ(out, c.expected) << c.name;
    }
}

TEST_F(RegisterUninstallTest, VerbCommandWithoutValueFallsBackToTheProgramPath) {
    w().keys[Lower(VERB_PATH + "\\command")];
    char out[TEXT_CAPACITY];
    GetInstallerCommand(out);
    EXPECT_STREQ(out, "C:\\Tools\\decorama.exe");
}

TEST_F(RegisterUninstallTest, CommandThatWouldNotFitIsNotWritten) {
    w().SetValue(VERB_PATH + "\\command", "", "\"C:\\" + std::string(400, 'p') + "\\decorama.exe\" \"%1\"");
    strcpy(themeFileName, (std::string(200, 'n') + ".the").c_str());
    EXPECT_FALSE(RegisterUninstall(nullptr, Install));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error registering for Uninstall!"}));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
}

TEST_F(RegisterUninstallTest, InstallWritesExactlyTwoValues) {
    EXPECT_TRUE(RegisterUninstall(nullptr, Install));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    auto& values = w().keys[Lower(UNINSTALL_KEY + "Blue")].values;
    EXPECT_EQ(values.size(), 2u);
    // Stored as plain strings with their zero.
    EXPECT_EQ(values["displayname"], std::string("Blue Theme") + '\0');
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"), "C:\\Tools\\decorama.exe /u \"C:\\Themes\\Blue.the\"");
}

struct RegistrationFailure {
    const char* name;
    void (*prepare)(sysdouble::World&);
    bool result;
    Texts texts;
};

TEST_F(RegisterUninstallTest, Failures) {
    const RegistrationFailure cases[] = {
        {"parent key missing",
         [](sysdouble::World& w) {
             for (auto& p : w.KeyPaths())
                 if (p.rfind("hklm\\software\\microsoft\\windows\\currentversion", 0) == 0) w.keys.erase(p);
         },
         false, {"Error registering for Uninstall!"}},
        {"subkey cannot be created",
         [](sysdouble::World& w) { w.keysFailingCreate.insert(Lower(UNINSTALL_KEY + "Blue")); }, false,
         {"Error registering for Uninstall!"}},
        {"old key cannot be deleted",
         [](sysdouble::World& w) {
             AddUninstallEntry("Blue", "C:\\Themes\\Blue.the");
             w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Old");
             w.keysFailingDelete.insert(Lower(UNINSTALL_KEY + "Blue"));
         },
         true, {}},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        RegisterUninstallTest::SetUp();
        c.prepare(w());
        EXPECT_EQ(RegisterUninstall(nullptr, Install), c.result) << c.name;
        EXPECT_EQ(w().BoxTexts(), c.texts) << c.name;
        for (auto& box : w().boxes) EXPECT_EQ(box.style, SYS_MB_ICONWARNING);
    }
    // The old entry stays as it was.
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "DisplayName"), "Old");
}

TEST_F(RegisterUninstallTest, UninstallDeletesTheKeyOrSaysItCouldNot) {
    AddUninstallEntry("Blue", "C:\\Themes\\Blue.the");
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error removing from Registry!"}));
}

struct OwnershipCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
    const char* entry;  // the key that the theme's entry takes; "" when none is free
};

// Another program's key is never changed, whatever its name: the theme's entry takes
// the first free name, and the uninstall removes that entry and nothing else.
TEST_F(RegisterUninstallTest, OnlyTheEntryThatNamesThisInstalledCopyIsReplacedOrRemoved) {
    const OwnershipCase cases[] = {
        {"another program's key of that name, with a subkey",
         [](sysdouble::World& w) {
             w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Blue Software");
             w.SetValue(UNINSTALL_KEY + "Blue", "UninstallString", "C:\\Blue\\unwise.exe");
             w.SetValue(UNINSTALL_KEY + "Blue\\Parts", "Core", "1");
         },
         "Blue (2)"},
        {"another theme file of that display name",
         [](sysdouble::World&) { AddUninstallEntry("Blue", THEMES + "\\Blue.theme"); }, "Blue (2)"},
        {"this copy's earlier entry, under a later name",
         [](sysdouble::World& w) {
             w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Blue Software");
             AddUninstallEntry("Blue (3)", THEMES + "\\Blue.the");
         },
         "Blue (3)"},
        {"every name taken",
         [](sysdouble::World& w) {
             for (int i = 1; i <= 9; ++i)
                 w.SetValue(UNINSTALL_KEY + (i == 1 ? std::string("Blue") : "Blue (" + std::to_string(i) + ")"),
                            "DisplayName", "Other");
         },
         ""},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\n");
        c.prepare(w());
        auto registry = RegistrySnapshot();
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        std::string entry = c.entry;
        if (entry.empty()) {
            EXPECT_EQ(w().BoxTexts(), (Texts{"This will install the 'Blue' Theme.\nDo you wish to continue?",
                                             "Error registering for Uninstall!"})) << c.name;
            EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
            continue;
        }
        EXPECT_EQ(w().Value(UNINSTALL_KEY + entry, "UninstallString"),
                  "C:\\Tools\\decorama.exe /u \"" + THEMES + "\\Blue.the\"") << c.name;
        w().boxes.clear();
        RunProgram({"/u", THEMES + "\\Blue.the"});
        EXPECT_EQ(w().boxes.back().text, "Theme uninstalled successfully!") << c.name;
        // What stays is the registry as it was, less this copy's earlier entry.
        auto expected = registry;
        std::string own = Lower(UNINSTALL_KEY + entry);
        expected.erase(std::remove_if(expected.begin(), expected.end(),
                                      [&](const std::string& k) { return k.rfind(own, 0) == 0; }),
                       expected.end());
        EXPECT_EQ(RegistrySnapshot(), expected) << c.name;
    }
}
