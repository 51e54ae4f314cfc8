// Adding and removing the "Install Theme" verb on theme files.
#include "installer_test_support.h"

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
    EXPECT_FALSE(SetupShellExtension(nullptr));
    EXPECT_EQ(RegistrySnapshot(), before);
    ASSERT_TRUE(SetupShellExtension(nullptr));
    auto added = RegistrySnapshot();
    w().answers = {SYS_IDCANCEL};
    EXPECT_FALSE(SetupShellExtension(nullptr));
    EXPECT_EQ(RegistrySnapshot(), added);
}

TEST_F(ShellExtensionTest, CommandKeyFailureLeavesTheMenuTextAndNextStartOffersRemoval) {
    w().keysFailingCreate.insert(Lower(VERB_PATH + "\\command"));
    EXPECT_FALSE(SetupShellExtension(nullptr));
    EXPECT_EQ(w().BoxTexts(), Texts{WELCOME});
    EXPECT_EQ(w().Value(VERB_PATH, ""), "&Install Theme");
    EXPECT_FALSE(w().HasKey(VERB_PATH + "\\command"));
    w().boxes.clear();
    SetupShellExtension(nullptr);
    EXPECT_EQ(w().BoxTexts(), Texts{"Remove the Decorama shell extension?"});
    EXPECT_FALSE(w().HasKey(VERB_PATH));
}

TEST_F(ShellExtensionTest, VerbKeyFailureEndsSilently) {
    w().keysFailingCreate.insert(Lower(VERB_PATH));
    EXPECT_FALSE(SetupShellExtension(nullptr));
    EXPECT_EQ(w().BoxTexts(), Texts{WELCOME});
    EXPECT_FALSE(w().HasKey(VERB_PATH));
}

TEST_F(ShellExtensionTest, UninstallCommandThenNamesTheInstallerInQuotes) {
    ASSERT_EQ(RunProgram({}), 0);
    ASSERT_TRUE(w().HasKey(VERB_PATH + "\\command"));
    sysdouble::world().modulePath = "C:\\Moved\\decorama.exe";
    MakeTheme("[T]\r\n");
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"),
              "\"C:\\Tools\\decorama.exe\" /u \"" + THEMES + "\\Blue.the\"");
}
