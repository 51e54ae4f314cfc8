// The uninstall entry, the installer command and the uninstall command text.
#include "installer_test_support.h"
#include <algorithm>
#include <cstring>

using namespace support;

class RegisterUninstallTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        installation = {};
        strcpy(installation.themeName, "Blue");
        strcpy(installation.themeFileName, "Blue.the");
        strcpy(installation.copyFileName, "Blue.the");
        strcpy(installation.themesDir, "C:\\Themes\\");
        strcpy(installation.installerPath, "C:\\Tools\\decorama.exe");
    }
    // A new installation's copy, with its seal.
    InstalledCopy& NewCopy() {
        installation.copy = {};
        strcpy(installation.copy.seal, "0123456789ABCDEF");
        return installation.copy;
    }
    Installation installation;
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
        EXPECT_TRUE(ComposeUninstallString(installation, out)) << c.name;
        EXPECT_STREQ(out, c.expected) << c.name;
    }
}

TEST_F(RegisterUninstallTest, VerbCommandWithoutValueFallsBackToTheProgramPath) {
    w().keys[Lower(VERB_PATH + "\\command")];
    char out[TEXT_CAPACITY];
    GetInstallerCommand(installation, out);
    EXPECT_STREQ(out, "\"C:\\Tools\\decorama.exe\"");
}

TEST_F(RegisterUninstallTest, CommandThatWouldNotFitIsNotWritten) {
    // Each path fits its 260-character field; together they do not fit the command.
    strcpy(installation.installerPath, ("C:\\" + std::string(240, 'p') + "\\decorama.exe").c_str());
    strcpy(installation.copyFileName, (std::string(250, 'n') + ".the").c_str());
    NewCopy();
    EXPECT_FALSE(RegisterUninstall(nullptr, Install, installation));
    EXPECT_EQ(w().BoxTexts(), (Texts{"Error registering for Uninstall!"}));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
}

TEST_F(RegisterUninstallTest, InstallWritesTheEntryWithItsSeal) {
    InstalledCopy& copy = NewCopy();
    EXPECT_TRUE(RegisterUninstall(nullptr, Install, installation));
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
    void (*prepare)(sysdouble::World&, Installation&);
    bool result;
    Texts texts;
    const char* entry;  // the entry made
};

TEST_F(RegisterUninstallTest, Failures) {
    const RegistrationFailure cases[] = {
        {"parent key missing",
         [](sysdouble::World& w, Installation&) {
             for (auto& p : w.KeyPaths())
                 if (p.rfind("hklm\\software\\microsoft\\windows\\currentversion", 0) == 0) w.keys.erase(p);
         },
         false, {"Error registering for Uninstall!"}, ""},
        {"subkey cannot be created",
         [](sysdouble::World& w, Installation&) { w.keysFailingCreate.insert(Lower(UNINSTALL_KEY + "Blue")); }, false,
         {"Error registering for Uninstall!"}, ""},
        {"a name whose key could not be removed again",
         [](sysdouble::World&, Installation& i) { strcpy(i.themeName, std::string(185, 'n').c_str()); }, false,
         {"Error registering for Uninstall!"}, ""},
        {"a key of that name is another's",
         [](sysdouble::World& w, Installation&) { w.SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Old"); }, true, {},
         "Uninstall\\Blue (2)"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        RegisterUninstallTest::SetUp();
        InstalledCopy& copy = NewCopy();
        c.prepare(w(), installation);
        auto registry = RegistrySnapshot();
        EXPECT_EQ(RegisterUninstall(nullptr, Install, installation), c.result) << c.name;
        EXPECT_EQ(w().BoxTexts(), c.texts) << c.name;
        EXPECT_STREQ(copy.entry, c.entry) << c.name;
        for (auto& box : w().boxes) EXPECT_EQ(box.style, SYS_MB_ICONWARNING);
        if (!c.result) {
            EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
        }
    }
    // The other key stays as it was.
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "DisplayName"), "Old");
}

TEST_F(RegisterUninstallTest, NamesUpToTheLongestRemovableKeyAreTaken) {
    // "SOFTWARE\...\CurrentVersion\Uninstall\" and a name of 184 characters still fit
    // the 236 that a key below HKEY_LOCAL_MACHINE may have (185 do not: Failures).
    strcpy(installation.themeName, std::string(184, 'n').c_str());
    InstalledCopy& copy = NewCopy();
    EXPECT_TRUE(RegisterUninstall(nullptr, Install, installation));
    EXPECT_EQ(strlen(copy.entry), 10u + 184u);
}

TEST_F(RegisterUninstallTest, UninstallDeletesTheProvenEntryOrSaysItCouldNot) {
    AddUninstallEntry("Blue", "C:\\Themes\\Blue.the");
    w().SetValue(UNINSTALL_KEY + "Blue\\Sub", "Kept", "1");
    InstalledCopy& copy = NewCopy();
    strcpy(copy.entry, "Uninstall\\Blue");
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall, installation));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(w().BoxTexts(), Texts{});
    EXPECT_TRUE(RegisterUninstall(nullptr, Uninstall, installation));
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

class ProofTest : public InstallerTest {};

struct UnprovenCase {
    const char* name;
    // What stands where "/u" points (the Blue theme is installed from C:\Downloads\Blue
    // first when install is set).
    bool install;
    void (*prepare)(sysdouble::World&);
    const char* path;  // the path after "/u"
};

// A record that this installer cannot show it wrote is never acted on: nothing is
// deleted, the user is told, and an entry that names the copy stays.
TEST_F(ProofTest, AnUninstallActsOnlyOnARecordProvenItsOwn) {
    static const std::string WIN_INI = "C:\\WINDOWS\\WIN.INI";
    const UnprovenCase cases[] = {
        {"a system file with no record and no entry", false, [](sysdouble::World&) {}, "C:\\WINDOWS\\WIN.INI"},
        {"a forged record without a seal, no entry", false,
         [](sysdouble::World& w) { w.AddFile(INSTALLED, "[Decorama]\r\nFile1=" + WIN_INI + "\r\n"); }, nullptr},
        {"a forged record with a seal, no entry", false,
         [](sysdouble::World& w) {
             w.AddFile(INSTALLED, "[Decorama]\r\nSeal=0123456789ABCDEF\r\nFile1=" + WIN_INI + "\r\nCopy1=" +
                                      StampOf(1, WIN_INI) + "\r\n");
         },
         nullptr},
        {"a forged record and an entry without a seal", false,
         [](sysdouble::World& w) {
             w.AddFile(INSTALLED, "[Decorama]\r\nSeal=0123456789ABCDEF\r\nFile1=" + WIN_INI + "\r\n");
             AddUninstallEntry("Blue", INSTALLED);
         },
         nullptr},
        {"a seal guessed wrong", false,
         [](sysdouble::World& w) {
             PlantRecord(INSTALLED, "", {"File1=" + WIN_INI});
             w.SetValue(UNINSTALL_KEY + "Blue", "Seal", "0123456789ABCDEE");
         },
         nullptr},
        {"the seal of another installation's entry", false,
         [](sysdouble::World& w) {
             PlantRecord(THEMES + "\\Red.the", "", {}, "Red");
             w.AddFile(INSTALLED, "[Decorama]\r\nSeal=" + PLANTED_SEAL + "\r\nFile1=" + WIN_INI + "\r\nCopy1=" +
                                      StampOf(1, WIN_INI) + "\r\n");
             AddUninstallEntry("Blue", INSTALLED);
         },
         nullptr},
        {"a seal that is not one", false,
         [](sysdouble::World& w) {
             PlantRecord(INSTALLED, "", {"File1=" + WIN_INI});
             w.AddFile(INSTALLED, "[Decorama]\r\nSeal=\r\nFile1=" + WIN_INI + "\r\n");
             w.SetValue(UNINSTALL_KEY + "Blue", "Seal", "");
         },
         nullptr},
        {"the installed copy replaced by a theme file of the user's", true,
         [](sysdouble::World& w) { w.AddFile(INSTALLED, "[Control Panel\\Desktop]\r\nWallpaper=mine.bmp\r\n"); }, nullptr},
        {"the record section edited away", true,
         [](sysdouble::World& w) {
             std::string text = w.Read(INSTALLED);
             w.AddFile(INSTALLED, text.substr(0, text.find("[Decorama]")));
         },
         nullptr},
        {"the seal edited", true,
         [](sysdouble::World& w) {
             std::string text = w.Read(INSTALLED);
             size_t at = text.find("Seal=") + 5;
             text[at] = text[at] == 'A' ? 'B' : 'A';
             w.AddFile(INSTALLED, text);
         },
         nullptr},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        w().AddFile(WIN_INI, "precious");
        if (c.install) {
            MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\nB=%WinDir%Two.wav\r\n", {"One.bmp", "Two.wav"});
            ASSERT_EQ(RunProgram({}), 1) << c.name;
        }
        c.prepare(w());
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        w().boxes.clear();
        std::string path = c.path ? c.path : INSTALLED;
        RunProgram({"/u", path});
        std::string name = path.substr(path.rfind('\\') + 1);
        name = name.substr(0, name.rfind('.'));
        EXPECT_EQ(w().BoxTexts(), (Texts{"This will uninstall the '" + name + "' Theme.\nDo you want to continue?",
                                         "Theme was not completely uninstalled."})) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

struct ChangedCopyCase {
    const char* name;
    void (*change)(sysdouble::World&);
    std::vector<std::string> left;  // what the uninstall leaves where it is
};

// A recorded file is deleted only while it is still the copy that the installation
// made: one the user replaced or edited since stays, and so does the folder it is in.
TEST_F(ProofTest, AnUninstallDeletesOnlyTheCopiesItMade) {
    static const std::string ONE = THEMES + "\\Art\\One.bmp", TWO = "C:\\WINDOWS\\Two.wav";
    const ChangedCopyCase cases[] = {
        {"nothing changed", [](sysdouble::World&) {}, {}},
        {"a file edited (another size)", [](sysdouble::World& w) { w.AddFile(ONE, "the user's own picture"); },
         {THEMES + "\\Art", ONE}},
        {"a file written again, same size", [](sysdouble::World& w) { w.AddFile(TWO, w.Read(TWO)); }, {TWO}},
        {"a file replaced by a folder", [](sysdouble::World& w) {
             w.nodes.erase(Lower(TWO));
             w.AddFile(TWO + "\\inside.txt", "mine");
         },
         {TWO, TWO + "\\inside.txt"}},
        {"a file without its stamp in the record", [](sysdouble::World& w) {
             std::string text = w.Read(INSTALLED);
             size_t at = text.find("Copy1=");
             w.AddFile(INSTALLED, text.substr(0, at) + text.substr(text.find("\r\n", at) + 2));
             w.nodes[Lower(INSTALLED)].writeTime = 1;
         },
         {THEMES + "\\Art", ONE, TWO}},
        {"the stamps of other files planted in the theme", [](sysdouble::World&) {
             // The author's own "Copy" keys in the theme file are dropped with its record sections.
         },
         {}},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\nB=%WinDir%Two.wav\r\n[Decorama]\r\nCopy9=1:0:0000000000000000\r\n",
                  {"One.bmp", "Two.wav"});
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        c.change(w());
        std::vector<std::string> left;
        for (auto& path : c.left) left.push_back(Lower(path) + (w().IsDirectory(path) ? "\\" : "=" + w().Read(path)));
        w().boxes.clear();
        w().answers = {SYS_IDOK, SYS_IDOK};
        RunProgram({"/u", INSTALLED});
        Texts expected{CONFIRM_UNINSTALL};
        if (std::count(c.left.begin(), c.left.end(), THEMES + "\\Art")) expected.push_back("Error deleting dir 'Art'\nContinue?");
        expected.push_back(UNINSTALLED);
        EXPECT_EQ(w().BoxTexts(), expected) << c.name;
        auto after = TreeSnapshot();
        std::vector<std::string> extra;
        for (auto& entry : after)
            if (!std::count(tree.begin(), tree.end(), entry)) extra.push_back(entry);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(extra, left) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}
