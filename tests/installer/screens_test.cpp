// Special start-up and shut-down screens: questions, backups and restore.
#include "installer_test_support.h"

using namespace support;

static const char* ASK_STARTUP = "This Theme replaces your Startup Screen.\nDo you want it to do this?";
static const char* ASK_WAIT = "This Theme replaces your Shutdown 'Wait' Screen.\nDo you want it to do this?";
static const char* ASK_SAFE = "This Theme replaces your Shutdown 'Safe' Screen.\nDo you want it to do this?";

static const char* SCREENS_THEME =
    "[T]\r\nStartupScreen=Boot.sys\r\n[DecoramaSpecial]\r\n"
    "StartupScreen=Art\\Boot.sys,1\r\nShutdownWaitScreen=Wait.sys\r\nShutdownSafeScreen=Safe.sys\r\n";

class ScreensTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        MakeTheme(SCREENS_THEME, {"Boot.sys", "Wait.sys", "Safe.sys"});
        w().AddFile("c:\\Logo.sys", "old boot");
        w().AddFile("C:\\WINDOWS\\LogoW.sys", "old wait");
        w().AddFile("C:\\WINDOWS\\LogoS.sys", "old safe");
    }
};

TEST_F(ScreensTest, QuestionsInLineOrderAndCancelSkipsOnlyThatScreen) {
    w().answers = {SYS_IDOK, SYS_IDOK, SYS_IDCANCEL, SYS_IDOK};
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, ASK_STARTUP, ASK_WAIT, ASK_SAFE, "Theme installed successfully!"}));
    EXPECT_EQ(w().boxes[1].style, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING);
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "data of Boot.sys");
    EXPECT_EQ(w().Read("c:\\Logo.old"), "old boot");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoW.sys"), "old wait");
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\LogoW.old"));
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoS.sys"), "data of Safe.sys");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoS.old"), "old safe");
    // A declined screen takes no position.
    EXPECT_EQ(Record(INSTALLED), (Texts{"File1=c:\\Logo.sys", "File2=C:\\WINDOWS\\LogoS.sys"}));
    // The counting pass asks nothing but counts all three; the real pass steps
    // for each, and each question comes with the bar at its entry.
    EXPECT_EQ(w().rangeHigh, 5);
    EXPECT_EQ(w().steps, 4);
    EXPECT_EQ(w().stepsAtQuestions, (std::vector<int>{2, 3, 4}));
}

TEST_F(ScreensTest, UninstallPutsThePreviousScreensBack) {
    ASSERT_EQ(RunProgram({}), 1);
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "old boot");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoW.sys"), "old wait");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoS.sys"), "old safe");
    EXPECT_FALSE(w().Exists("c:\\Logo.old"));
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\LogoW.old"));
    EXPECT_EQ(w().boxes.back().text, "Theme uninstalled successfully!");
}

TEST_F(ScreensTest, WithoutAPreviousScreenUninstallJustDeletes) {
    w().nodes.erase(Lower("c:\\Logo.sys"));
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "data of Boot.sys");
    EXPECT_FALSE(w().Exists("c:\\Logo.old"));
    RunProgram({"/u", INSTALLED});
    EXPECT_FALSE(w().Exists("c:\\Logo.sys"));
    EXPECT_FALSE(w().Exists("c:\\Logo.old"));
}

TEST_F(ScreensTest, BackupAlreadyThereLeavesTheOldScreenSilently) {
    w().AddFile("c:\\Logo.old", "older");
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "old boot");
    EXPECT_EQ(w().Read("c:\\Logo.old"), "older");
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, ASK_STARTUP, ASK_WAIT, ASK_SAFE, "Theme installed successfully!"}));
    EXPECT_EQ(Record(INSTALLED).size(), 2u);
}

TEST_F(ScreensTest, FailedCopyPutsTheBackupBackBeforeReporting) {
    w().copyFailures[Lower("C:\\WINDOWS\\LogoW.sys")] = 5;
    w().answers = {SYS_IDOK, SYS_IDOK, SYS_IDOK, SYS_IDOK, SYS_IDOK};
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, ASK_STARTUP, ASK_WAIT, "Error 5 copying file 'Wait.sys'\nContinue?",
                                     ASK_SAFE, "Theme installed successfully!"}));
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoW.sys"), "old wait");
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\LogoW.old"));
}

TEST_F(ScreensTest, MissingScreenSourcePutsTheBackupBack) {
    w().nodes.erase(Lower(SOURCE + "\\Safe.sys"));
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().missingComponents, (Texts{"Safe.sys"}));
    EXPECT_EQ(w().Read("C:\\WINDOWS\\LogoS.sys"), "old safe");
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\LogoS.old"));
}

TEST_F(ScreensTest, ScreenNameClimbingOutOfTheFolderIsRefused) {
    sysdouble::Reset();
    w().AddFile("c:\\Logo.sys", "old boot");
    w().AddFile("C:\\WINDOWS\\WIN.INI", "settings");
    MakeTheme("[DecoramaSpecial]\r\nStartupScreen=../../WINDOWS/WIN.INI\r\n");
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, ASK_STARTUP, "Error 5 copying file '../../WINDOWS/WIN.INI'\nContinue?",
                                     "Theme installed successfully!"}));
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "old boot");
    EXPECT_FALSE(w().Exists("c:\\Logo.old"));
}

TEST_F(ScreensTest, ScreenLineWithAFolderTokenIsAnOrdinaryFile) {
    sysdouble::Reset();
    MakeTheme("[DecoramaSpecial]\r\nStartupScreen=%ThemeDir%Boot.bmp\r\n", {"Boot.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Theme installed successfully!"}));
    EXPECT_TRUE(w().Exists(THEMES + "\\Boot.bmp"));
    EXPECT_FALSE(w().Exists("c:\\Logo.sys"));
    // A ".sys" file that way is a driver's name, which only a screen line may place.
    sysdouble::Reset();
    MakeTheme("[DecoramaSpecial]\r\nStartupScreen=%ThemeDir%Boot.sys\r\n", {"Boot.sys"});
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error 5 copying file 'Boot.sys'\nContinue?", "Theme installed successfully!"}));
    EXPECT_FALSE(w().Exists(THEMES + "\\Boot.sys"));
}

TEST(ScreenNames, BackupNamesAndScreenFiles) {
    const std::pair<const char*, const char*> backups[] = {
        {"c:\\Logo.sys", "c:\\Logo.old"},
        {"C:\\WINDOWS\\LogoW.SYS", "C:\\WINDOWS\\LogoW.old"},
        {"C:\\A.sys\\LogoS.sys", "C:\\A.old"},  // cut at the first ".sys"
    };
    for (const auto& [path, backup] : backups) {
        char out[TEXT_CAPACITY];
        MakeInstallBackupName(path, out);
        EXPECT_STREQ(out, backup) << path;
    }
}

// A backup goes back only under the name that the installation gives one: a record
// naming any other file for it never moves that file into the screen's place.
TEST(ScreenNames, OnlyABackupOfTheScreensOwnNameGoesBack) {
    const std::pair<const char*, bool> backups[] = {
        {"c:\\Logo.old", true}, {"C:\\LOGO.OLD", true}, {"C:\\WINDOWS\\WIN.INI", false},
        {"c:\\Logo.old\\..\\AUTOEXEC.BAT", false}, {"", false}};
    for (const auto& [backup, moves] : backups) {
        sysdouble::Reset();
        auto& w = sysdouble::world();
        for (const char* path : {"c:\\Logo.old", "C:\\WINDOWS\\WIN.INI", "c:\\AUTOEXEC.BAT"}) w.AddFile(path, path);
        RestoreScreenBackup("c:\\Logo.sys", backup);
        EXPECT_EQ(w.Exists("c:\\Logo.sys"), moves) << backup;
        EXPECT_TRUE(w.Exists("C:\\WINDOWS\\WIN.INI")) << backup;
        EXPECT_TRUE(w.Exists("c:\\AUTOEXEC.BAT")) << backup;
    }
}

// A screen that the uninstall cannot delete keeps the user's own in its backup: the
// record and the uninstall entry keep the way back, whether the user goes on or not.
TEST_F(ScreensTest, AScreenThatCannotBeDeletedKeepsTheWayBackToTheUsersOwn) {
    for (int answer : {SYS_IDOK, SYS_IDCANCEL}) {
        SetUp();
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1);
        w().deleteFailures[Lower("c:\\Logo.sys")] = 5;
        w().boxes.clear();
        w().answers = {SYS_IDOK, answer};
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().BoxTexts(), (Texts{"This will uninstall the 'Blue' Theme.\nDo you want to continue?",
                                         "Error deleting file 'Logo.sys'\nContinue?",
                                         "Theme was not completely uninstalled."})) << answer;
        EXPECT_EQ(w().Read("c:\\Logo.old"), "old boot") << answer;
        EXPECT_EQ(Record(INSTALLED).front(), "File1=c:\\Logo.sys") << answer;
        EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue")) << answer;
        w().deleteFailures.clear();
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().boxes.back().text, "Theme uninstalled successfully!") << answer;
        EXPECT_EQ(TreeSnapshot(), tree) << answer;
        EXPECT_EQ(RegistrySnapshot(), registry) << answer;
    }
}

struct ForeignBackupCase {
    const char* name;
    const char* theme;
    std::vector<std::string> screens;  // what stands where the screens go, before
    std::vector<std::string> backups;  // the user's own backups, which must stay as they are
    int installs = 1;                  // installed this often before the uninstall
};

// Only a backup that this installation made goes back: the user's own ".old" files
// (a start-up screen switched off by renaming it) stay as they are.
TEST_F(ScreensTest, OnlyABackupThisInstallationMadeIsPutBack) {
    const ForeignBackupCase cases[] = {
        {"a start-up screen switched off", "[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n", {},
         {"c:\\Logo.old"}},
        {"a plain line naming a screen file", "[T]\r\nW=%WinDir%LogoW.sys\r\n", {}, {"C:\\WINDOWS\\LogoW.old"}},
        {"a plain line over a screen in place", "[T]\r\nW=%WinDir%LogoW.sys\r\n", {"C:\\WINDOWS\\LogoW.sys"},
         {"C:\\WINDOWS\\LogoW.old"}},
        {"all three, none in place", SCREENS_THEME, {},
         {"c:\\Logo.old", "C:\\WINDOWS\\LogoW.old", "C:\\WINDOWS\\LogoS.old"}},
        // This installation's own screen is never taken for the one it replaced.
        {"the start-up screen named twice", "[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n"
                                            "StartupScreen=Wait.sys\r\n", {}, {}},
        {"the start-up screen named twice over one in place", "[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n"
                                            "StartupScreen=Wait.sys\r\n", {"c:\\Logo.sys"}, {}},
        {"installed twice, no screen in place", "[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n", {}, {}, 2},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme(c.theme, {"Boot.sys", "Wait.sys", "Safe.sys", "LogoW.sys"});
        for (auto& path : c.screens) w().AddFile(path, "the screen in place");
        for (auto& path : c.backups) w().AddFile(path, "the user's own screen, switched off");
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        for (int i = 0; i < c.installs; ++i) {
            ASSERT_EQ(RunProgram({}), 1) << c.name;
            EXPECT_EQ(w().boxes.back().text, SUCCESS) << c.name;
        }
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().boxes.back().text, UNINSTALLED) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

struct TwoScreensCase {
    const char* name;
    const char* before;  // the start-up screen in place before both, null for none
    bool firstGoesFirst;
    bool sameStamp = false;  // the two screens have the same size and time
};

// Two themes with start-up screens: the second moves the first's aside and puts it back
// when it goes; whatever the order of the uninstalls, the screens end as the user had
// them, and a theme's screen never stays as if it were the user's.
TEST_F(ScreensTest, TwoThemesScreensEndAsTheUserHadThem) {
    const TwoScreensCase cases[] = {
        {"no screen, first installed goes first", nullptr, true},
        {"no screen, last installed goes first", nullptr, false},
        {"the user's screen, first installed goes first", "the user's screen", true},
        {"the user's screen, last installed goes first", "the user's screen", false},
        {"no screen, screens alike in size and time, first goes first", nullptr, true, true},
        {"no screen, screens alike in size and time, last goes first", nullptr, false, true},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n", {"Boot.sys", "Red.sys"});
        w().AddFile(SOURCE + "\\Red.the", "[R]\r\n[DecoramaSpecial]\r\nStartupScreen=Red.sys\r\n");
        if (c.sameStamp) {
            w().AddFile(SOURCE + "\\Red.sys", "data of Red.sys!");  // as long as Boot.sys's
            w().nodes[Lower(SOURCE + "\\Red.sys")].writeTime = w().nodes[Lower(SOURCE + "\\Boot.sys")].writeTime;
        }
        if (c.before) w().AddFile("c:\\Logo.sys", c.before);
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({SOURCE + "\\Blue.the"}), 1) << c.name;
        ASSERT_EQ(RunProgram({SOURCE + "\\Red.the"}), 1) << c.name;
        // The last installed theme's screen shows while both are installed, unless the
        // user's own waits in the one backup there is, or the screen in place is taken
        // for the same file by its size and time.
        EXPECT_EQ(w().Read("c:\\Logo.sys"), c.before || c.sameStamp ? "data of Boot.sys" : "data of Red.sys") << c.name;
        std::string first = INSTALLED, second = THEMES + "\\Red.the";
        if (!c.firstGoesFirst) std::swap(first, second);
        w().boxes.clear();
        RunProgram({"/u", first});
        EXPECT_EQ(w().boxes.back().text, UNINSTALLED) << c.name;
        RunProgram({"/u", second});
        EXPECT_EQ(w().boxes.back().text, UNINSTALLED) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}
