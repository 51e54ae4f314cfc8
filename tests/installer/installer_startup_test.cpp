// Start-up: platform and Plus! Themes checks, the theme search, dispatch, exit codes.
#include "installer_test_support.h"

using namespace support;

class StartupTest : public InstallerTest {};

struct StartupCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
    std::vector<std::string> words;
    int exitCode;
    std::vector<std::string> texts;  // every message box, in order
    uint32_t firstStyle;
};

TEST_F(StartupTest, FailuresGiveTheirMessageAndExitCodeZero) {
    const StartupCase cases[] = {
        {"version query fails", [](sysdouble::World& w) { w.versionFails = true; }, {}, 0, {}, 0},
        {"Windows NT", [](sysdouble::World& w) { w.platformId = 2; }, {}, 0,
         {"This program requires Windows 95."}, SYS_MB_OK | SYS_MB_ICONERROR},
        {"Windows NT, even with /u", [](sysdouble::World& w) { w.platformId = 2; }, {"/u", "C:\\x.the"}, 0,
         {"This program requires Windows 95."}, SYS_MB_ICONERROR},
        {"/u alone", [](sysdouble::World&) {}, {"/u"}, 0, {}, 0},
        {"no Plus! Themes", [](sysdouble::World& w) { w.keys.erase(Lower(APP_PATHS_KEY)); }, {}, 0,
         {"You do not seem to have Plus! Themes installed."}, SYS_MB_ICONWARNING},
        {"path without a match", [](sysdouble::World&) {}, {"C:\\Downloads\\Blue\\Red.the"}, 0,
         {"No theme found!"}, SYS_MB_ICONWARNING},
        {"/U is a path", [](sysdouble::World&) {}, {"/U", "C:\\x.the"}, 0, {"No theme found!"}, SYS_MB_ICONWARNING},
        {"path far too long", [](sysdouble::World&) {}, {"C:\\" + std::string(400, 'a') + "\\Blue.the"}, 0,
         {"No theme found!"}, SYS_MB_ICONWARNING},
        // Without a folder named in full, the record would land where the profile
        // functions or the current directory happen to put it.
        {"Plus! Themes without a Path", [](sysdouble::World& w) { w.keys[Lower(APP_PATHS_KEY)].values.clear(); },
         {}, 0, {"You do not seem to have Plus! Themes installed."}, SYS_MB_ICONWARNING},
        {"Plus! Themes with an empty Path", [](sysdouble::World& w) { w.SetValue(APP_PATHS_KEY, "Path", ";"); },
         {}, 0, {"You do not seem to have Plus! Themes installed."}, SYS_MB_ICONWARNING},
        {"Plus! Themes with a relative Path", [](sysdouble::World& w) { w.SetValue(APP_PATHS_KEY, "Path", "Themes"); },
         {}, 0, {"You do not seem to have Plus! Themes installed."}, SYS_MB_ICONWARNING},
        // A theme without a display name would be registered as the whole list of
        // uninstall entries.
        {"a theme named \".the\"", [](sysdouble::World& w) { w.AddFile(SOURCE + "\\.the", "[T]\r\n"); },
         {"C:\\Downloads\\Blue\\.the"}, 0, {"No theme found!"}, SYS_MB_ICONWARNING},
        {"/u with a theme named \".the\"", [](sysdouble::World&) {}, {"/u", THEMES + "\\.the"}, 0,
         {"Unable to open theme file!"}, SYS_MB_ICONWARNING},
        // A folder that cannot be entered: the current directory, which may hold a
        // theme of that name, is some other folder.
        {"a path whose folder is gone", [](sysdouble::World&) {}, {"C:\\Moved\\Blue.the"}, 0,
         {"No theme found!"}, SYS_MB_ICONWARNING},
        {"a path whose folder is a file", [](sysdouble::World& w) { w.AddFile("C:\\File"); }, {"C:\\File\\Blue.the"},
         0, {"No theme found!"}, SYS_MB_ICONWARNING},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[Theme]\r\n");
        c.prepare(w());
        EXPECT_EQ(RunProgram(c.words), c.exitCode) << c.name;
        EXPECT_EQ(w().BoxTexts(), c.texts) << c.name;
        if (!c.texts.empty()) {
            EXPECT_EQ(w().boxes[0].style, c.firstStyle) << c.name;
            EXPECT_EQ(w().boxes[0].caption, "Decorama") << c.name;
        }
        EXPECT_FALSE(w().Exists(THEMES + "\\Blue.the")) << c.name;
        EXPECT_TRUE(w().HasKey(UNINSTALL_KEY)) << c.name;
    }
}

TEST_F(StartupTest, NoThemeAndNoArgumentRunsTheShellVerbSetUp) {
    w().currentDirectory = "C:\\WINDOWS";
    w().answers = {SYS_IDCANCEL};
    EXPECT_EQ(RunProgram({}), 0);
    ASSERT_EQ(w().boxes.size(), 1u);
    EXPECT_EQ(w().boxes[0].text.rfind("Welcome to Decorama v1.04", 0), 0u);
}

TEST_F(StartupTest, CancelledConfirmationEndsWithZeroAndCopiesNothing) {
    MakeTheme("[Theme]\r\nWallpaper=%ThemeDir%Blue.bmp\r\n", {"Blue.bmp"});
    w().answers = {SYS_IDCANCEL};
    auto before = TreeSnapshot();
    EXPECT_EQ(RunProgram({}), 0);
    EXPECT_EQ(w().BoxTexts(), (std::vector<std::string>{"This will install the 'Blue' Theme.\nDo you wish to continue?"}));
    EXPECT_EQ(w().boxes[0].style, SYS_MB_OKCANCEL);
    EXPECT_EQ(TreeSnapshot(), before);
}

struct SearchCase {
    const char* name;
    std::vector<std::string> themeFiles;  // in creation order, in C:\Downloads\Blue
    std::vector<std::string> words;
    const char* offered;                   // display name in the confirmation
    const char* installed;                 // file that lands in the Themes directory
};

TEST_F(StartupTest, TheSearchOffersTheFirstMatchUnderItsDisplayName) {
    const SearchCase cases[] = {
        {"first of several", {"Red.the", "Blue.the"}, {}, "Red", "Red.the"},
        {"dots in the name", {"My.Blue.the"}, {}, "My.Blue", "My.Blue.the"},
        {"full path", {"Red.the", "Blue.the"}, {"C:\\Downloads\\Blue\\Blue.the"}, "Blue", "Blue.the"},
        {"wildcard in the name part", {"Red.the", "Blue.the"}, {"C:\\Downloads\\Blue\\B*.the"}, "Blue", "Blue.the"},
        {"name without a dot", {"Plain"}, {"C:\\Downloads\\Blue\\Plain"}, "Plain", "Plain"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        for (auto& f : c.themeFiles) w().AddFile(SOURCE + "\\" + f, "[Theme]\r\n");
        w().currentDirectory = c.words.empty() ? SOURCE : "C:\\WINDOWS";
        EXPECT_EQ(RunProgram(c.words), 1) << c.name;
        ASSERT_FALSE(w().boxes.empty()) << c.name;
        EXPECT_EQ(w().boxes[0].text,
                  std::string("This will install the '") + c.offered + "' Theme.\nDo you wish to continue?")
            << c.name;
        EXPECT_TRUE(w().Exists(THEMES + "\\" + c.installed)) << c.name;
        EXPECT_EQ(w().commonControlsInits, 1) << c.name;
    }
}

TEST_F(StartupTest, ReadsTheFoldersFromTheRegistry) {
    MakeTheme("[Theme]\r\n");
    EXPECT_EQ(RunProgram({}), 1);
    // The installation that the start-up prepares, as the job leaves it.
    sysdouble::Reset();
    MakeTheme("[Theme]\r\n");
    Installation installation;
    char program[] = "C:\\Tools\\decorama.exe";
    char* argv[] = {program};
    ASSERT_EQ(PrepareInstallation(1, argv, installation), StartAsk);
    InstallTheme(nullptr, installation);
    EXPECT_EQ(std::string(installation.themesDir), THEMES + "\\");
    EXPECT_STREQ(installation.windowsDir, "C:\\WINDOWS\\");
    EXPECT_STREQ(installation.fontsDir, "C:\\WINDOWS\\FONTS\\");
    EXPECT_STREQ(installation.themeFileName, "Blue.the");
    EXPECT_STREQ(installation.themeName, "Blue");
}
