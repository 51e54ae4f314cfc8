// The uninstall entry, the installer command and the uninstall command text.
#include "support.h"

using namespace support;
using Texts = std::vector<std::string>;

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
        w().keys.erase(Lower(VERB_KEY + "\\command"));
        if (c.verbCommand) w().SetValue(VERB_KEY + "\\command", "", c.verbCommand);
        char out[TEXT_CAPACITY];
        EXPECT_TRUE(ComposeUninstallString(out)) << c.name;
        EXPECT_STREQ(out, c.expected) << c.name;
    }
}

TEST_F(RegisterUninstallTest, VerbCommandWithoutValueFallsBackToTheProgramPath) {
    w().keys[Lower(VERB_KEY + "\\command")];
    char out[TEXT_CAPACITY];
    GetInstallerCommand(out);
    EXPECT_STREQ(out, "C:\\Tools\\decorama.exe");
}

TEST_F(RegisterUninstallTest, CommandThatWouldNotFitIsNotWritten) {
    w().SetValue(VERB_KEY + "\\command", "", "\"C:\\" + std::string(400, 'p') + "\\decorama.exe\" \"%1\"");
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
    w().SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Blue Theme");
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error removing from Registry!"}));
}

TEST_F(RegisterUninstallTest, ThemesSharingADisplayNameShareOneEntry) {
    sysdouble::Reset();
    MakeTheme("[T]\r\n");
    ASSERT_EQ(RunProgram({}), 1);
    sysdouble::world().AddFile(SOURCE + "\\Blue.theme", "[T]\r\n");
    ASSERT_EQ(RunProgram({"C:\\Downloads\\Blue\\Blue.theme"}), 1);
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"),
              "C:\\Tools\\decorama.exe /u \"" + THEMES + "\\Blue.theme\"");
}
