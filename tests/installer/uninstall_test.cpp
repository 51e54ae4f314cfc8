// The uninstall entry, the installer command and the uninstall command text.
#include "installer_test_support.h"
#include <algorithm>
#include <cstring>

using namespace support;

class RegisterUninstallTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        strcpy(themeName, "Blue");
        strcpy(themeFileName, "Blue.the");
        strcpy(copyFileName, "Blue.the");
        strcpy(themesDir, "C:\\Themes\\");
        strcpy(installerPath, "C:\\Tools\\decorama.exe");
    }
    // A new installation's copy, with its seal.
    InstalledCopy NewCopy() {
        InstalledCopy copy = {};
        strcpy(copy.seal, "0123456789ABCDEF");
        return copy;
    }
};

struct CommandCase {
    const char* name;
    const char* verbCommand;  // null: no verb
    const char* expected;
};

TEST_F(RegisterUninstallTest, UninstallCommandNamesThisInstallerInQuotes) {
    const CommandCase cases[] = {
        {"no verb", nullptr, "\"C:\\Tools\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
        {"this installer's verb", "\"C:\\Tools\\decorama.exe\" \"%1\"", "\"C:\\Tools\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
        {"this installer's verb, spelt in capitals", "\"C:\\TOOLS\\DECORAMA.EXE\" \"%1\"",
         "\"C:\\TOOLS\\DECORAMA.EXE\" /u \"C:\\Themes\\Blue.the\""},
        {"another program's verb", "\"C:\\Old Place\\decorama.exe\" \"%1\"",
         "\"C:\\Tools\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
        {"another program's verb without quotes", "C:\\Tools\\other.exe %1",
         "\"C:\\Tools\\decorama.exe\" /u \"C:\\Themes\\Blue.the\""},
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
    EXPECT_STREQ(out, "\"C:\\Tools\\decorama.exe\"");
}

TEST_F(RegisterUninstallTest, CommandThatWouldNotFitIsNotWritten) {
    strcpy(installerPath, ("C:\\" + std::string(250, 'p') + "\\decorama.exe").c_str());
    strcpy(copyFileName, (std::string(250, 'n') + ".the").c_str());
    InstalledCopy copy = NewCopy();
    EXPECT_FALSE(RegisterUninstall(nullptr, Install, &copy));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error registering for Uninstall!"}));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
}

TEST_F(RegisterUninstallTest, InstallWritesTheEntryWithItsSeal) {
    InstalledCopy copy = NewCopy();
    EXPECT_TRUE(RegisterUninstall(nullptr, Install, &copy));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    EXPECT_STREQ(copy.entry, "Uninstall\\Blue");
    auto& values = w().keys[Lower(UNINSTALL_KEY + "Blue")].values;
    EXPECT_EQ(values.size(), 3u);
    // Stored as plain strings with their zero.
    EXPECT_EQ(values["displayname"], std::string("Blue Theme") + '\0');
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"), "\"C:\\Tools\\decorama.exe\" /u \"C:\\Themes\\Blue.the\"");
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "Seal"), "0123456789ABCDEF");
}

struct RegistrationFailure {
    const char* name;
    void (*prepare)(sysdouble::World&);
    bool result;
    Texts texts;
    const char* entry;  // the entry made
};

TEST_F(RegisterUninstallTest, Failures) {
    const RegistrationFailure cases[] = {
        {"parent key missing",
         [](sysdouble::World& w) {
             for (auto& p : w.KeyPaths())
                 if (p.rfind("hklm\\software\\microsoft\\windows\\currentversion", 0) == 0) w.keys.erase(p);
         },
         false, {"Error registering for Uninstall!"}, ""},
        {"subkey cannot be created",
         [](sysdouble::World& w) { w.keysFailingCreate.insert(Lower(UNINSTALL_KEY + "Blue")); }, false,
         {"Error registering for Uninstall!"}, ""},
        {"a name whose key could not be removed again",
         [](sysdouble::World&) { strcpy(themeName, std::string(185, 'n').c_str()); }, false,
         {"Error registering for Uninstall!"}, ""},
        {"a key of that name is another's",
         [](sysdouble::World& w) { w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Old"); }, true, {},
         "Uninstall\\Blue (2)"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        RegisterUninstallTest::SetUp();
        c.prepare(w());
        auto registry = RegistrySnapshot();
        InstalledCopy copy = NewCopy();
        EXPECT_EQ(RegisterUninstall(nullptr, Install, &copy), c.result) << c.name;
        EXPECT_EQ(w().BoxTexts(), c.texts) << c.name;
        EXPECT_STREQ(copy.entry, c.entry) << c.name;
        for (auto& box : w().boxes) EXPECT_EQ(box.style, SYS_MB_ICONWARNING);
        if (!c.result) EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
    // The other key stays as it was.
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "DisplayName"), "Old");
}

TEST_F(RegisterUninstallTest, NamesUpToTheLongestRemovableKeyAreTaken) {
    // "SOFTWARE\...\CurrentVersion\Uninstall\" and a name of 184 characters still fit
    // the 236 that a key below HKEY_LOCAL_MACHINE may have (185 do not: Failures).
    strcpy(themeName, std::string(184, 'n').c_str());
    InstalledCopy copy = NewCopy();
    EXPECT_TRUE(RegisterUninstall(nullptr, Install, &copy));
    EXPECT_EQ(strlen(copy.entry), 10u + 184u);
}

TEST_F(RegisterUninstallTest, UninstallDeletesTheProvenEntryOrSaysItCouldNot) {
    AddUninstallEntry("Blue", "C:\\Themes\\Blue.the");
    w().SetValue(UNINSTALL_KEY + "Blue\\Sub", "Kept", "1");
    InstalledCopy copy = NewCopy();
    strcpy(copy.entry, "Uninstall\\Blue");
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall, &copy));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall, &copy));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error removing from Registry!"}));
}

struct OwnershipCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
    const char* entry;  // the key that the theme's entry takes; "" when none is free
};

// Another program's key is never changed, whatever its name, nor an entry that no
// record proves (a stale one, whose copy is gone): the theme's entry takes the first
// free name, and the uninstall removes that entry and nothing else.
TEST_F(RegisterUninstallTest, OnlyTheEntryOfThisInstallationIsWrittenOrRemoved) {
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
        {"a stale entry of this copy, under a later name",
         [](sysdouble::World& w) {
             w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Blue Software");
             AddUninstallEntry("Blue (3)", THEMES + "\\Blue.the");
             w.SetValue(UNINSTALL_KEY + "Blue (3)", "Seal", "0123456789ABCDEF");
         },
         "Blue (2)"},
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
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        std::string entry = c.entry;
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        if (entry.empty()) {
            EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error registering for Uninstall!", FAILED})) << c.name;
            EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
            EXPECT_EQ(TreeSnapshot(), tree) << c.name;
            continue;
        }
        EXPECT_EQ(w().Value(UNINSTALL_KEY + entry, "UninstallString"),
                  "\"C:\\Tools\\decorama.exe\" /u \"" + THEMES + "\\Blue.the\"") << c.name;
        w().boxes.clear();
        RunProgram({"/u", THEMES + "\\Blue.the"});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
    }
}
