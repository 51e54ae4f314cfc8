// Whole installation, rollback and uninstall jobs on the in-memory system.
#include "installer_test_support.h"
#include <algorithm>

using namespace support;

// A theme with Themes, Windows and (special) Fonts lines and nested folders.
static const char* FULL_THEME =
    "; Blue theme\r\n"
    "[Control Panel\\Desktop]\r\n"
    "Wallpaper=%ThemeDir%Art\\Deep\\Sky.bmp\r\n"
    "\r\n"
    "[Software\\Classes\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}\\DefaultIcon]\r\n"
    "full=%ThemeDir%Art\\Full.ico,0\r\n"
    "[AppEvents\\Schemes\\Apps\\.Default\\Default\\.Current]\r\n"
    "DefaultValue=%WinDir%Media\\Blue Ding.wav\r\n"
    "Font=%FontDir%Ignored.ttf\r\n"
    "[DecoramaSpecial]\r\n"
    "Font=%FONTDIR%Blue.ttf\r\n"
    "Saver=%WinDir%SYSTEM\\ZelvoSav.scr\r\n";

static const std::vector<std::string> FULL_FILES = {"Sky.bmp", "Full.ico", "Blue Ding.wav", "Blue.ttf", "ZelvoSav.scr"};

class ThemeJobTest : public InstallerTest {
protected:
    int Uninstall(const std::string& path = INSTALLED) { return RunProgram({"/u", path}); }
};

TEST_F(ThemeJobTest, InstallCopiesRecordsAndRegisters) {
    MakeTheme(FULL_THEME, FULL_FILES);
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS}));
    EXPECT_EQ(w().boxes[1].style, SYS_MB_OK);

    EXPECT_EQ(w().Read(THEMES + "\\Art\\Deep\\Sky.bmp"), "data of Sky.bmp");
    EXPECT_EQ(w().Read(THEMES + "\\Art\\Full.ico"), "data of Full.ico");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\Media\\Blue Ding.wav"), "data of Blue Ding.wav");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\FONTS\\Blue.ttf"), "data of Blue.ttf");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\SYSTEM\\ZelvoSav.scr"), "data of ZelvoSav.scr");
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\FONTS\\Ignored.ttf"));
    EXPECT_TRUE(w().Exists(INSTALLED));
    // The theme's own folder is never written to.
    EXPECT_EQ(w().Read(SOURCE + "\\Blue.the"), FULL_THEME);

    EXPECT_EQ(Record(INSTALLED), (Texts{
        "Dir1=" + THEMES + "\\Art",
        "Dir2=" + THEMES + "\\Art\\Deep",
        "File1=" + THEMES + "\\Art\\Deep\\Sky.bmp",
        "File2=" + THEMES + "\\Art\\Full.ico",
        "Dir3=C:\\WINDOWS\\Media",
        "File3=C:\\WINDOWS\\Media\\Blue Ding.wav",
        "File4=C:\\WINDOWS\\FONTS\\Blue.ttf",
        "Dir4=C:\\WINDOWS\\SYSTEM",
        "File5=C:\\WINDOWS\\SYSTEM\\ZelvoSav.scr",
    }));

    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "DisplayName"), "Blue Theme");
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"),
              "\"C:\\Tools\\decorama.exe\" /u \"" + INSTALLED + "\"");

    // Five entries: range 0 .. 7 (the theme file and one more), six steps.
    EXPECT_EQ(w().banner, "Decorama v1.04");
    EXPECT_EQ(w().rangeLow, 0);
    EXPECT_EQ(w().rangeHigh, 7);
    EXPECT_EQ(w().step, 1);
    EXPECT_EQ(w().steps, 6);
    EXPECT_TRUE(w().progressDestroyed);
    EXPECT_TRUE(w().waitCursor);
}

TEST_F(ThemeJobTest, InstallThenUninstallLeavesTreeAndRegistryAsBefore) {
    MakeTheme(FULL_THEME, FULL_FILES);
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    w().boxes.clear();
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_EQ(w().boxes[0].style, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING);
    // Nested folders go deepest first, so none of them fails.
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

TEST_F(ThemeJobTest, UninstallQuestionCancelledChangesNothing) {
    MakeTheme(FULL_THEME, FULL_FILES);
    ASSERT_EQ(RunProgram({}), 1);
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    w().answers = {SYS_IDCANCEL};
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

struct InstallCase {
    const char* name;
    std::string lines;                 // the theme file's, after "[T]"
    Texts files;                       // its components, "data of <name>" each
    void (*prepare)(sysdouble::World&);
    Texts boxes;                       // every message box of the installation
    Texts record;                      // its entries, THEMES standing for the Themes folder
    std::vector<std::pair<std::string, std::string>> there;  // what is installed, and holds
    Texts missing;                     // the missing-component dialogs
    int rangeHigh, steps;              // the progress bar; -2: not looked at
    std::vector<std::pair<std::string, std::string>> afterUninstall;  // what the uninstall leaves
};

static const std::string T = "%THEMES%";
static std::string Themes(std::string text) {
    for (size_t at; (at = text.find(T)) != std::string::npos;) text.replace(at, T.size(), THEMES);
    return text;
}

// Installations that differ only in their theme's lines, what stands in the way, the
// answers and what comes out; each is uninstalled again.
TEST_F(ThemeJobTest, InstallationsOfOneThemeEach) {
    auto none = [](sysdouble::World&) {};
    const InstallCase cases[] = {
        {"missing components show one dialog and leave gaps in the numbers",
         "A=%ThemeDir%Gone1.bmp\r\nB=%ThemeDir%Here.bmp\r\nC=%WinDir%Gone2.wav\r\n", {"Here.bmp"}, none,
         {CONFIRM, SUCCESS}, {"File2=" + T + "\\Here.bmp"}, {}, {"Gone1.bmp"}, -2, -2, {}},
        {"the next job warns again",
         "A=%ThemeDir%Gone1.bmp\r\n", {}, [](sysdouble::World& w) {
             RunProgram({});
             w.boxes.clear();
             w.missingComponents.clear();
         },
         {CONFIRM, SUCCESS}, {}, {}, {"Gone1.bmp"}, -2, -2, {}},
        {"files already in place count as done and are not recorded",
         "A=%WinDir%CLOUDS.BMP\r\nB=%ThemeDir%New.bmp\r\n", {"CLOUDS.BMP", "New.bmp"},
         [](sysdouble::World& w) { w.AddFile("C:\\WINDOWS\\CLOUDS.BMP", "system"); }, {CONFIRM, SUCCESS},
         {"File2=" + T + "\\New.bmp"}, {{"C:\\WINDOWS\\CLOUDS.BMP", "system"}, {THEMES + "\\New.bmp", "data of New.bmp"}},
         {}, -2, -2,
         {{"C:\\WINDOWS\\CLOUDS.BMP", "system"}}},
        // What Windows reads, loads or runs by itself is refused as a path that leaves
        // its folder is, whether it is in place or not; the rest installs.
        {"files Windows acts on by itself are refused",
         "A=%WinDir%WININIT.INI\r\nB=%WinDir%EXPLORER.EXE\r\nC=%WinDir%Start Menu\\Programs\\StartUp\\Run.lnk\r\n"
         "D=%ThemeDir%Art\\Hook.dll\r\nE=%WinDir%SYSTEM\\Evil.vxd\r\nF=%ThemeDir%Saver.scr\r\n"
         "G=%WinDir%Menu\\Autostart\\Go.url\r\n",
         {"WININIT.INI", "EXPLORER.EXE", "Run.lnk", "Hook.dll", "Evil.vxd", "Saver.scr", "Go.url"},
         [](sysdouble::World& w) {
             w.AddFile("C:\\WINDOWS\\EXPLORER.EXE", "system");
             // The StartUp folder in another language, as the shell names it.
             w.SetValue(SHELL_FOLDERS_KEY, "Startup", "C:\\WINDOWS\\Menu\\Autostart");
         },
         {CONFIRM, "Error 5 copying file 'WININIT.INI'\nContinue?", "Error 5 copying file 'EXPLORER.EXE'\nContinue?",
          "Error 5 copying file 'Run.lnk'\nContinue?", "Error 5 copying file 'Hook.dll'\nContinue?",
          "Error 5 copying file 'Evil.vxd'\nContinue?", "Error 5 copying file 'Go.url'\nContinue?", SUCCESS},
         {"File6=" + T + "\\Saver.scr"}, {{"C:\\WINDOWS\\EXPLORER.EXE", "system"}}, {}, -2, -2,
         {{"C:\\WINDOWS\\EXPLORER.EXE", "system"}}},
        {"a copy error with OK goes on", "A=%ThemeDir%One.bmp\r\nB=%ThemeDir%Two.bmp\r\n", {"One.bmp", "Two.bmp"},
         [](sysdouble::World& w) { w.copyFailures[Lower(THEMES + "\\One.bmp")] = 5; },
         {CONFIRM, "Error 5 copying file 'One.bmp'\nContinue?", SUCCESS}, {"File2=" + T + "\\Two.bmp"},
         {{THEMES + "\\Two.bmp", "data of Two.bmp"}}, {}, -2, -2, {}},
        // The theme file is counted too: range 0 .. 2, one step.
        {"a theme without references installs only itself", "; nothing here\r\nWallpaper=plain.bmp\r\n", {}, none,
         {CONFIRM, SUCCESS}, {}, {}, {}, 2, 1, {}},
        {"a value cut at a comma and a source taken flat", "Icon=%WinDir%X.ico,0\r\nW=%ThemeDir%Art\\Deep\\Sky.bmp\r\n",
         {"X.ico", "Sky.bmp"}, none, {CONFIRM, SUCCESS},
         {"File1=C:\\WINDOWS\\X.ico", "Dir1=" + T + "\\Art", "Dir2=" + T + "\\Art\\Deep", "File2=" + T + "\\Art\\Deep\\Sky.bmp"}, {{"C:\\WINDOWS\\X.ico", "data of X.ico"},
                                                                 {THEMES + "\\Art\\Deep\\Sky.bmp", "data of Sky.bmp"}},
         {}, -2, -2, {}},
        {"a backslash right after the token stays allowed", "A=%ThemeDir%\\Art\\Sky.bmp\r\n", {"Sky.bmp"}, none,
         {CONFIRM, SUCCESS}, {"Dir1=" + T + "\\Art", "File1=" + T + "\\Art\\Sky.bmp"},
         {{THEMES + "\\Art\\Sky.bmp", "data of Sky.bmp"}}, {}, -2, -2, {}},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\n" + c.lines, c.files);
        c.prepare(w());
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        EXPECT_EQ(w().BoxTexts(), c.boxes) << c.name;
        Texts record;
        for (auto& entry : c.record) record.push_back(Themes(entry));
        EXPECT_EQ(Record(INSTALLED), record) << c.name;
        for (auto& [path, data] : c.there) EXPECT_EQ(w().Read(path), data) << c.name << path;
        EXPECT_EQ(w().missingComponents, c.missing) << c.name;
        if (c.rangeHigh != -2) {
            EXPECT_EQ(w().rangeHigh, c.rangeHigh) << c.name;
        }
        if (c.steps != -2) {
            EXPECT_EQ(w().steps, c.steps) << c.name;
        }
        EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue")) << c.name;
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << c.name;
        for (auto& [path, data] : c.afterUninstall) EXPECT_EQ(w().Read(path), data) << c.name << path;
        for (auto& [path, data] : c.there)
            if (!std::count(c.afterUninstall.begin(), c.afterUninstall.end(), std::make_pair(path, data))) {
                EXPECT_FALSE(w().Exists(path)) << c.name << path;
            }
    }
}

TEST_F(ThemeJobTest, CopyErrorCancelledRollsBackEverything) {
    MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\nB=%WinDir%Two.wav\r\nC=%ThemeDir%Three.bmp\r\n",
              {"One.bmp", "Two.wav", "Three.bmp"});
    w().copyFailures[Lower("C:\\WINDOWS\\Two.wav")] = 112;
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    w().answers = {SYS_IDOK, SYS_IDCANCEL};
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error 112 copying file 'Two.wav'\nContinue?", "Theme failed to install!"}));
    EXPECT_EQ(w().boxes[1].style, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING);
    EXPECT_EQ(w().boxes[2].style, SYS_MB_ICONWARNING);
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

struct ThemeFileFailure {
    const char* name;
    void (*prepare)(sysdouble::World&);
    uint32_t error;
};

TEST_F(ThemeJobTest, AThemeFileThatCannotBecomeTheRecordInstallsNothing) {
    // Without its record nothing could ever be removed again: the user is told why,
    // with no question whose answer could change nothing, and the machine stays as it was.
    const ThemeFileFailure cases[] = {
        {"the volume is full", [](sysdouble::World& w) { w.copyFailures[Lower(INSTALLED)] = 112; }, 112},
        {"the copy is refused", [](sysdouble::World& w) { w.copyFailures[Lower(INSTALLED)] = 5; }, 5},
        {"the Themes folder is gone", [](sysdouble::World& w) { w.nodes.erase(Lower(THEMES)); }, 3},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\nB=%WinDir%Two.wav\r\n", {"One.bmp", "Two.wav"});
        c.prepare(w());
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        w().answers = {SYS_IDOK, SYS_IDCANCEL};
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error " + std::to_string(c.error) + " copying file 'Blue.the'",
                                         "Theme failed to install!"})) << c.name;
        EXPECT_EQ(w().boxes[1].style, SYS_MB_OK | SYS_MB_ICONWARNING) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

TEST_F(ThemeJobTest, ReinstallKeepsTheRecordAndUpdatesTheEntry) {
    MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\n", {"One.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    auto record = WholeRecord(INSTALLED);
    std::string seal = w().Value(UNINSTALL_KEY + "Blue", "Seal");
    // The entry of an installer that has moved since; the reinstall runs from here.
    w().SetValue(UNINSTALL_KEY + "Blue", "UninstallString", "\"C:\\Old\\decorama.exe\" /u \"" + INSTALLED + "\"");
    w().SetValue(UNINSTALL_KEY + "Blue", "DisplayName", "Old");
    w().boxes.clear();
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS}));
    // The same record and seal: the entry is never without them, not even for a moment.
    EXPECT_EQ(WholeRecord(INSTALLED), record);
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "Seal"), seal);
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "DisplayName"), "Blue Theme");
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"),
              "\"C:\\Tools\\decorama.exe\" /u \"" + INSTALLED + "\"");
}

TEST_F(ThemeJobTest, ReinstallOfTheSameThemeAddsToTheRecordWithoutDroppingAnything) {
    const std::string lines = "[T]\r\nA=%ThemeDir%Art\\Deep\\One.bmp\r\nN=%ThemeDir%New.bmp\r\nB=%ThemeDir%Two.bmp\r\n"
                              "C=%WinDir%Media\\Ding.wav\r\n";
    MakeTheme(lines, {"One.bmp", "Two.bmp"});
    auto themes = w().Tree(THEMES);
    auto windows = w().Tree("C:\\WINDOWS");
    ASSERT_EQ(RunProgram({}), 1);
    // The files that were missing have come; the theme's lines are the same.
    w().AddFile(SOURCE + "\\New.bmp", "new");
    w().AddFile(SOURCE + "\\Ding.wav", "ding");
    w().boxes.clear();
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(Record(INSTALLED), (Texts{
        "Dir1=" + THEMES + "\\Art", "Dir2=" + THEMES + "\\Art\\Deep", "File1=" + THEMES + "\\Art\\Deep\\One.bmp",
        "File3=" + THEMES + "\\Two.bmp", "Dir3=C:\\WINDOWS\\Media", "File2=" + THEMES + "\\New.bmp",
        "File4=C:\\WINDOWS\\Media\\Ding.wav"}));
    // One uninstall removes what both runs made.
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().Tree(THEMES), themes);
    EXPECT_EQ(w().Tree("C:\\WINDOWS"), windows);
}

// A theme file of the same name whose lines differ (apart from the record, and from
// the blanks and comments that a rewrite of the record may change) is another theme:
// it installs beside the first, with its own record and entry.
TEST_F(ThemeJobTest, AnotherThemeOfTheSameNameInstallsBesideTheFirst) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp", "Two.bmp"});
    auto themes = w().Tree(THEMES);
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    auto first = WholeRecord(INSTALLED);
    // The same lines spelt otherwise are the same theme; a comment is a line of its own.
    w().AddFile(SOURCE + "\\Blue.the", "[ T ]\r\n\r\n  A = %ThemeDir%One.bmp  \r\n");
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(WholeRecord(INSTALLED), first);
    EXPECT_FALSE(w().Exists(THEMES + "\\Blue (2).the"));
    w().AddFile(SOURCE + "\\Blue.the", "; Blue, the next version\r\n[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Two.bmp\r\n");
    w().boxes.clear();
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS}));
    EXPECT_EQ(WholeRecord(INSTALLED), first);
    const std::string second = THEMES + "\\Blue (2).the";
    EXPECT_EQ(Record(second), (Texts{"File2=" + THEMES + "\\Two.bmp"}));
    EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue (2)", "UninstallString"),
              "\"C:\\Tools\\decorama.exe\" /u \"" + second + "\"");
    RunProgram({"/u", second});
    EXPECT_TRUE(w().Exists(THEMES + "\\One.bmp"));
    EXPECT_FALSE(w().Exists(THEMES + "\\Two.bmp"));
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().Tree(THEMES), themes);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

TEST_F(ThemeJobTest, ReinstallCancelledKeepsTheEarlierInstalledCopy) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\nB=%ThemeDir%Two.bmp\r\n",
              {"One.bmp", "Two.bmp"});
    w().AddFile("c:\\Logo.sys", "the user's screen");
    auto tree = TreeSnapshot();
    w().answers = {SYS_IDOK, SYS_IDCANCEL};  // no screen this time
    ASSERT_EQ(RunProgram({}), 1);
    auto record = WholeRecord(INSTALLED);
    // The reinstall takes the screen, whose file is missing (its key is written and
    // dropped again), then stops at a copy error.
    w().nodes.erase(Lower(THEMES + "\\Two.bmp"));
    w().copyFailures[Lower(THEMES + "\\Two.bmp")] = 5;
    w().answers = {SYS_IDOK, SYS_IDOK, SYS_IDCANCEL};
    RunProgram({});
    EXPECT_EQ(w().boxes.back().text, "Theme failed to install!");
    // The rollback takes back what its run recorded, and nothing of the earlier run's
    // record, nor the installed copy that the abandoned installation did not create:
    // the earlier entry still works, and removes what the earlier run made.
    EXPECT_TRUE(w().Exists(INSTALLED));
    EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(WholeRecord(INSTALLED), record);
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    w().copyFailures.clear();
    w().AddFile(THEMES + "\\Two.bmp", "data of Two.bmp");  // as the user deleted it, to compare
    w().nodes.erase(Lower(THEMES + "\\Two.bmp"));
    EXPECT_EQ(TreeSnapshot(), tree);
}

TEST_F(ThemeJobTest, ReadOnlySourcesGiveWritableCopiesThatUninstallRemoves) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp"});
    w().nodes[Lower(SOURCE + "\\Blue.the")].readOnly = true;
    w().nodes[Lower(SOURCE + "\\One.bmp")].readOnly = true;
    auto tree = TreeSnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(Record(INSTALLED), (Texts{"File1=" + THEMES + "\\One.bmp"}));
    EXPECT_TRUE(w().nodes[Lower(SOURCE + "\\One.bmp")].readOnly);  // the theme's folder is left as it was
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_EQ(TreeSnapshot(), tree);
}

struct LineEndCase {
    const char* name;
    std::string content;
};

TEST_F(ThemeJobTest, EveryLineEndingYieldsEveryEntry) {
    const LineEndCase cases[] = {
        {"CR LF", "[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Two.bmp\r\n"},
        {"bare LF", "[T]\nA=%ThemeDir%One.bmp\nB=%ThemeDir%Two.bmp\n"},
        {"no final line end", "[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Two.bmp"},
        {"bare LF, no final line end", "[T]\nA=%ThemeDir%One.bmp\nB=%ThemeDir%Two.bmp"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme(c.content, {"One.bmp", "Two.bmp"});
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        EXPECT_TRUE(w().Exists(THEMES + "\\One.bmp")) << c.name;
        EXPECT_TRUE(w().Exists(THEMES + "\\Two.bmp")) << c.name;
        EXPECT_EQ(Record(INSTALLED).size(), 2u) << c.name;
    }
}

TEST_F(ThemeJobTest, WithoutProgressDialogASinglePass) {
    w().progressFails = true;
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp"});
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_TRUE(w().Exists(THEMES + "\\One.bmp"));
    EXPECT_EQ(w().steps, 0);
    EXPECT_EQ(w().rangeHigh, -1);
    EXPECT_FALSE(w().captured);
    EXPECT_FALSE(w().waitCursor);
    EXPECT_EQ(w().banner, "");
}

TEST_F(ThemeJobTest, StepsComeBeforeEachEntryIsCopied) {
    // Every step painted at once: each entry's step, then its copy, in that order; and
    // a warning about an entry comes with the bar already at that entry.
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Gone.bmp\r\nC=%WinDir%Two.wav\r\n", {"One.bmp", "Two.wav"});
    w().tickStep = 1000;
    RunProgram({});
    Texts order;
    for (auto& e : w().events)
        if (e == "step" || e.rfind("copy:", 0) == 0 || e.rfind("missing:", 0) == 0) order.push_back(e);
    // (first the installer's own copy for the Themes folder, tried before the job)
    EXPECT_EQ(order, (Texts{"copy:decorama.exe", "step", "copy:Blue.the", "step", "copy:One.bmp", "step", "copy:Gone.bmp", "missing:Gone.bmp",
                            "step", "copy:Two.wav"}));
    EXPECT_EQ(w().stepsAtQuestions, (std::vector<int>{3}));
}

TEST_F(ThemeJobTest, NoWorkingBlockEndsSilently) {
    w().allocFails = true;
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp"});
    EXPECT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM}));
    EXPECT_FALSE(w().Exists(INSTALLED));
}

TEST_F(ThemeJobTest, UnopenableThemeFileIsReported) {
    MakeTheme("[T]\r\n");
    Installation installation = {};
    strcpy(installation.themeFileName, "Vanished.the");
    RecordFile record = {};
    RunThemeJob(nullptr, Install, installation, &record);
    EXPECT_EQ(w().BoxTexts(), (Texts{"Unable to open theme file!"}));
    EXPECT_EQ(w().boxes[0].style, SYS_MB_ICONWARNING);
    EXPECT_FALSE(w().progressCreated);
}

// ---- Uninstall

TEST_F(ThemeJobTest, UninstallPassesOverFilesAlreadyGone) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Two.bmp\r\n", {"One.bmp", "Two.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    w().nodes.erase(Lower(THEMES + "\\One.bmp"));
    w().boxes.clear();
    Uninstall();
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_FALSE(w().Exists(THEMES + "\\Two.bmp"));
}

TEST_F(ThemeJobTest, UninstallCancelledKeepsTheRecordOfWhatIsLeftAndCanBeRunAgain) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\nB=%ThemeDir%Art\\Two.bmp\r\nC=%WinDir%Three.wav\r\n",
              {"One.bmp", "Two.bmp", "Three.wav"});
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    ASSERT_EQ(RunProgram({}), 1);
    w().deleteFailures[Lower(THEMES + "\\Art\\Two.bmp")] = 5;
    w().boxes.clear();
    w().answers = {SYS_IDOK, SYS_IDCANCEL};
    Uninstall();
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Error deleting file 'Two.bmp'\nContinue?",
                                     "Theme was not completely uninstalled."}));
    EXPECT_EQ(w().boxes[2].style, SYS_MB_ICONWARNING);
    EXPECT_FALSE(w().Exists(THEMES + "\\One.bmp"));
    EXPECT_TRUE(w().Exists("C:\\WINDOWS\\Three.wav"));  // the walk stopped
    // The copy, its entry and the record of what is still in place stay ...
    EXPECT_EQ(Record(INSTALLED), (Texts{"Dir1=" + THEMES + "\\Art", "File2=" + THEMES + "\\Art\\Two.bmp",
                                        "File3=C:\\WINDOWS\\Three.wav"}));
    EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue"));
    // ... so that once the cause is mended, the uninstall finishes.
    w().deleteFailures.clear();
    w().boxes.clear();
    Uninstall();
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

TEST_F(ThemeJobTest, UninstallOfAFolderStillHoldingFilesAsksAndLeavesIt) {
    MakeTheme("[T]\r\nA=%ThemeDir%Art\\Deep\\Sky.bmp\r\n", {"Sky.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    w().AddFile(THEMES + "\\Art\\Mine.txt", "the user's");
    w().boxes.clear();
    Uninstall();
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Error deleting dir 'Art'\nContinue?",
                                     "Theme uninstalled successfully!"}));
    EXPECT_FALSE(w().Exists(THEMES + "\\Art\\Deep"));
    EXPECT_EQ(w().Read(THEMES + "\\Art\\Mine.txt"), "the user's");
}

TEST_F(ThemeJobTest, UninstallFromAPathWithoutFolderWorksInTheCurrentDirectory) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    w().currentDirectory = THEMES;
    w().boxes.clear();
    Uninstall("Blue.the");
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_FALSE(w().Exists(THEMES + "\\One.bmp"));
    EXPECT_FALSE(w().Exists(INSTALLED));
}

TEST_F(ThemeJobTest, UninstallOfAMissingFileSaysSo) {
    // A folder that cannot be entered is said at once: the current directory, where
    // another file of that name may lie, is not that folder.
    w().AddFile("C:\\Blue.the", "[T]\r\n[Decorama]\r\nFile1=C:\\WINDOWS\\WIN.INI\r\n");
    w().currentDirectory = "C:\\";
    auto tree = TreeSnapshot();
    Uninstall("C:\\Nowhere\\Blue.the");
    EXPECT_EQ(w().BoxTexts(), (Texts{"Unable to open theme file!"}));
    w().boxes.clear();
    Uninstall(THEMES + "\\Blue.the");
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Unable to open theme file!"}));
    EXPECT_EQ(TreeSnapshot(), tree);
}

// ---- Faults mended

TEST_F(ThemeJobTest, UninstallWithoutARecordDeletesOnlyTheInstalledCopy) {
    // An installation that found everything in place recorded nothing; a walk over
    // the theme's lines would delete the system's own files.
    w().AddFile("C:\\WINDOWS\\EXPLORER.EXE", "system");
    w().AddFile("C:\\WINDOWS\\SYSTEM\\SHELL32.DLL", "system");
    MakeTheme("[T]\r\nA=%WinDir%EXPLORER.EXE\r\nB=%WinDir%SYSTEM\\SHELL32.DLL\r\n[DecoramaSpecial]\r\nStartupScreen=Logo.sys\r\n",
              {"EXPLORER.EXE", "SHELL32.DLL"});
    w().AddFile("c:\\Logo.sys", "boot");
    w().AddFile("c:\\Logo.old", "older");  // backup in the way: the screen counts as in place
    ASSERT_EQ(RunProgram({}), 1);
    ASSERT_EQ(Record(INSTALLED), Texts{});
    w().boxes.clear();
    Uninstall();
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme uninstalled successfully!"}));
    EXPECT_EQ(w().Read("C:\\WINDOWS\\EXPLORER.EXE"), "system");
    EXPECT_EQ(w().Read("C:\\WINDOWS\\SYSTEM\\SHELL32.DLL"), "system");
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "boot");
    EXPECT_FALSE(w().Exists(INSTALLED));
}

static const std::string FORGED_RECORD = "[Decorama]\r\nFile9=C:\\WINDOWS\\WIN.INI\r\nDir9=C:\\WINDOWS\r\n";

TEST_F(ThemeJobTest, ForgedRecordsInTheThemeFileAreDropped) {
    for (int sections : {1, 2, 3}) {
        sysdouble::Reset();
        w().AddFile("C:\\WINDOWS\\WIN.INI", "precious");
        std::string theme = "[T]\r\nA=%ThemeDir%One.bmp\r\n";
        for (int i = 0; i < sections; ++i) theme += FORGED_RECORD + "[Other]\r\nX=1\r\n";
        MakeTheme(theme, {"One.bmp"});
        ASSERT_EQ(RunProgram({}), 1);
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS})) << sections;
        EXPECT_EQ(Record(INSTALLED), (Texts{"File1=" + THEMES + "\\One.bmp"})) << sections;
        EXPECT_EQ(w().Read(INSTALLED).find("WIN.INI"), std::string::npos) << sections;
        Uninstall();
        EXPECT_EQ(w().Read("C:\\WINDOWS\\WIN.INI"), "precious") << sections;
        EXPECT_TRUE(w().IsDirectory("C:\\WINDOWS")) << sections;
    }
}

struct InPlaceCase {
    const char* name;
    void (*prepare)(sysdouble::World&);  // what stands under the installed copy's name
    bool fromThemesFolder;               // the theme is installed from the Themes folder
    const char* copy;                    // the installed copy the installation writes
    int installs = 1;                    // how often it is installed before the uninstall
    bool kept = false;                   // the theme file was the user's, and stays as it was
};

// A "Decorama" section is a record only when this installer wrote it for an
// installation whose entry holds its seal; any other file under the installed copy's
// name is someone else's, nothing of it changes, and the theme installs beside it.
TEST_F(ThemeJobTest, ACopyInPlaceIsTakenForARecordOnlyWhenItIsProvenOurs) {
    const InPlaceCase cases[] = {
        {"a downloaded theme unpacked into the Themes folder, with a forged record",
         [](sysdouble::World& w) {
             w.AddFile(INSTALLED, "[T]\r\nA=%ThemeDir%Art\\One.bmp\r\n" + FORGED_RECORD);
             w.AddFile(THEMES + "\\One.bmp", "one");
         },
         true, "Blue (2).the", 1, true},
        {"reinstalled from the Themes folder after its installation",
         [](sysdouble::World& w) {
             RunProgram({});
             w.boxes.clear();
         },
         true, "Blue.the"},
        {"a file of the user's under that name",
         [](sysdouble::World& w) { w.AddFile(INSTALLED, "[Mine]\r\nKeep=1\r\n"); }, false, "Blue (2).the"},
        {"a folder of the user's under that name",
         [](sysdouble::World& w) { w.AddFile(INSTALLED + "\\inside.txt", "mine"); }, false, "Blue (2).the"},
        {"a planted file with a forged record",
         [](sysdouble::World& w) { w.AddFile(INSTALLED, "[T]\r\n" + FORGED_RECORD); }, false, "Blue (2).the"},
        {"a planted file with a forged record and an entry without a seal",
         [](sysdouble::World& w) {
             w.AddFile(INSTALLED, "[T]\r\n[Decorama]\r\nSeal=0123456789ABCDEF\r\nFile9=C:\\WINDOWS\\WIN.INI\r\n");
             AddUninstallEntry("Blue", INSTALLED);
         },
         false, "Blue (2).the"},
        {"an installed copy whose uninstall entry is gone",
         [](sysdouble::World& w) {
             RunProgram({});
             w.keys.erase(Lower(UNINSTALL_KEY + "Blue"));
             w.boxes.clear();
         },
         false, "Blue (2).the"},
        {"an installed copy whose entry holds another seal",
         [](sysdouble::World& w) {
             RunProgram({});
             w.SetValue(UNINSTALL_KEY + "Blue", "Seal", "FEDCBA9876543210");
             w.boxes.clear();
         },
         false, "Blue (2).the"},
        {"installed twice beside a file of the user's",
         [](sysdouble::World& w) { w.AddFile(INSTALLED, "[Mine]\r\nKeep=1\r\n"); }, false, "Blue (2).the", 2},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        w().AddFile("C:\\WINDOWS\\WIN.INI", "precious");
        w().AddFile("C:\\WINDOWS\\DECORAMA.TMP", "the user's own");
        MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\n", {"One.bmp"});
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        c.prepare(w());
        auto prepared = TreeSnapshot();
        if (c.fromThemesFolder) w().currentDirectory = THEMES;
        for (int i = 0; i < c.installs; ++i) {
            w().boxes.clear();
            EXPECT_EQ(RunProgram({c.fromThemesFolder ? INSTALLED : SOURCE + "\\Blue.the"}), 1) << c.name;
            EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS})) << c.name;
        }
        std::string copy = THEMES + "\\" + c.copy;
        EXPECT_EQ(WholeRecord(copy).at(0).substr(0, 5), "Seal=") << c.name;
        for (auto& entry : Record(copy)) EXPECT_NE(entry.find(THEMES), std::string::npos) << c.name << entry;
        // The theme was read from a scratch copy that no one else's file is taken for.
        EXPECT_EQ(w().Read("C:\\WINDOWS\\DECORAMA.TMP"), "the user's own") << c.name;
        EXPECT_EQ(w().Tree(w().tempDirectory), Texts{}) << c.name;
        w().boxes.clear();
        Uninstall(copy);
        EXPECT_EQ(w().BoxTexts(), (Texts{"This will uninstall the '" + std::string(c.copy).substr(0, strlen(c.copy) - 4) +
                                             "' Theme.\nDo you want to continue?",
                                         "Theme uninstalled successfully!"})) << c.name;
        EXPECT_EQ(w().Read("C:\\WINDOWS\\WIN.INI"), "precious") << c.name;
        if (c.fromThemesFolder) {
            // The theme file was the installed copy when the installation made it, and the
            // uninstall takes it; a theme file of the user's stays exactly as it was.
            EXPECT_FALSE(w().Exists(THEMES + "\\Art")) << c.name;
            EXPECT_EQ(w().Exists(INSTALLED), c.kept) << c.name;
            if (c.kept) {
                EXPECT_EQ(TreeSnapshot(), prepared) << c.name;
            }
            EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
        } else {
            // Whatever stood there before is as it was.
            EXPECT_EQ(TreeSnapshot(), prepared) << c.name;
            if (TreeSnapshot() == tree) {
                EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
            }
        }
    }
}

TEST_F(ThemeJobTest, UninstallRemovesOnlyRecordedPathsInsideTheJobsFolders) {
    w().AddFile("C:\\AUTOEXEC.BAT", "boot");
    w().AddFile("C:\\WINDOWS\\Blue.bmp", "theme's");
    w().AddFile("D:\\Data\\x.doc", "user's");
    w().AddDirectory("C:\\Data");
    PlantRecord(INSTALLED, "[T]\r\n",
                {"File1=C:\\AUTOEXEC.BAT", "File2=C:\\WINDOWS\\..\\AUTOEXEC.BAT", "File3=D:\\Data\\x.doc",
                 "File4=C:\\WINDOWS\\Blue.bmp", "Dir1=C:\\Data"});
    w().currentDirectory = "C:\\";
    Uninstall();
    // What it leaves is said, and the record and the entry stay with what they list.
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme was not completely uninstalled."}));
    EXPECT_EQ(Record(INSTALLED), (Texts{"File1=C:\\AUTOEXEC.BAT", "File2=C:\\WINDOWS\\..\\AUTOEXEC.BAT",
                                        "File3=D:\\Data\\x.doc", "Dir1=C:\\Data"}));
    EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(w().Read("C:\\AUTOEXEC.BAT"), "boot");
    EXPECT_EQ(w().Read("D:\\Data\\x.doc"), "user's");
    EXPECT_TRUE(w().IsDirectory("C:\\Data"));
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\Blue.bmp"));
}

struct RefusedCase {
    const char* line;
    const char* message;
};

TEST_F(ThemeJobTest, PathsThatLeaveTheirFolderOrDoNotFitAreRefused) {
    const std::string longPart = std::string(300, 'd') + "\\" + std::string(250, 'f') + ".bmp";
    const RefusedCase cases[] = {
        {"A=%ThemeDir%..\\..\\AUTOEXEC.BAT", "Error 5 copying file 'AUTOEXEC.BAT'\nContinue?"},
        {"A=%WinDir%SYSTEM\\..\\..\\x.bmp", "Error 5 copying file 'x.bmp'\nContinue?"},
        {"A=%ThemeDir%Art/../../../x.bmp", "Error 5 copying file 'Art/../../../x.bmp'\nContinue?"},
        {"A=%ThemeDir%C:\\x.bmp", "Error 5 copying file 'x.bmp'\nContinue?"},
        // A lone carriage return inside the name: the record could not give it back.
        {"A=%ThemeDir%Art\rDeep\\x.bmp", "Error 123 copying file 'x.bmp'\nContinue?"},
        // Paths of 260 characters or more, which Windows 95 cannot name.
        {"A=%ThemeDir%x.bmp\\..\\x.bmp", "Error 5 copying file 'x.bmp'\nContinue?"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme(std::string("[T]\r\n") + c.line + "\r\n", {"AUTOEXEC.BAT", "x.bmp"});
        auto outside = TreeSnapshot();
        EXPECT_EQ(RunProgram({}), 1) << c.line;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, c.message, SUCCESS})) << c.line;
        EXPECT_EQ(Record(INSTALLED), Texts{}) << c.line;
        EXPECT_FALSE(w().Exists("C:\\AUTOEXEC.BAT")) << c.line;
        EXPECT_FALSE(w().Exists("C:\\x.bmp")) << c.line;
        EXPECT_FALSE(w().Exists("C:\\Program Files\\x.bmp")) << c.line;
    }
}

struct UnknownFolderCase {
    const char* name;
    const char* fonts;  // the Fonts value; null: none
};

TEST_F(ThemeJobTest, AFileWhoseFolderIsUnknownIsNotCopied) {
    const UnknownFolderCase cases[] = {{"no Fonts value", nullptr}, {"an empty one", ""}, {"a relative one", "Fonts"}};
    for (const auto& c : cases) {
        sysdouble::Reset();
        if (c.fonts) w().SetValue(SHELL_FOLDERS_KEY, "Fonts", c.fonts);
        else w().keys[Lower(SHELL_FOLDERS_KEY)].values.clear();
        MakeTheme("[T]\r\n[DecoramaSpecial]\r\nF=%FontDir%\\windows\\x.ttf\r\nG=%FontDir%y.ttf\r\n", {"x.ttf", "y.ttf"});
        auto tree = TreeSnapshot();
        EXPECT_EQ(RunProgram({}), 1) << c.name;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error 3 copying file 'x.ttf'\nContinue?",
                                         "Error 3 copying file 'y.ttf'\nContinue?", SUCCESS})) << c.name;
        EXPECT_EQ(Record(INSTALLED), Texts{}) << c.name;
        w().nodes.erase(Lower(INSTALLED));
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
    }
}

struct SpellingCase {
    const char* name;
    const char* path;  // Plus! Themes' folder as its App Paths key gives it
};

// Installed from the Themes folder itself, the theme file is the record, however the
// registry spells the folder.
TEST_F(ThemeJobTest, TheThemesFolderIsKnownHoweverItIsSpelled) {
    const SpellingCase cases[] = {
        {"slashes", "C:/Program Files/Plus!/Themes"},
        {"letter case", "c:\\PROGRAM FILES\\plus!\\themes"},
        {"short names", "C:\\PROGRA~1\\PLUS!\\THEMES"},
        {"a dot at the end", "C:\\Program Files\\Plus!\\Themes\\."},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        w().shortNames[Lower("C:\\Program Files")] = "PROGRA~1";
        w().SetValue(APP_PATHS_KEY, "Path", c.path);
        w().AddFile(INSTALLED, "[T]\r\nA=%ThemeDir%Art\\One.bmp\r\n");
        w().AddFile(THEMES + "\\One.bmp", "one");
        w().currentDirectory = THEMES;
        auto tree = TreeSnapshot();
        EXPECT_EQ(RunProgram({INSTALLED}), 1) << c.name;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS})) << c.name;
        EXPECT_EQ(w().Read(THEMES + "\\Art\\One.bmp"), "one") << c.name;
        // The theme file in the Themes folder is the user's: the installation's copy and
        // record are beside it.
        ASSERT_EQ(Record(THEMES + "\\Blue (2).the").size(), 2u) << c.name;
        std::string command = w().Value(UNINSTALL_KEY + "Blue", "UninstallString");
        std::string copy = command.substr(command.find("/u \"") + 4);
        copy.pop_back();
        w().boxes.clear();
        RunProgram({"/u", copy});
        EXPECT_EQ(w().BoxTexts(), (Texts{"This will uninstall the 'Blue (2)' Theme.\nDo you want to continue?",
                                         "Theme uninstalled successfully!"})) << c.name;
        EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue")) << c.name;
        // The theme file was the user's: it stays, as it was.
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
    }
}

struct UninstallSpellingCase {
    const char* name;
    std::string path;        // what "/u" is given
    std::string directory;   // the current directory
    bool refused;            // a refusal that changes nothing, or the plain result
};

// Whatever spelling names the installed copy, the uninstall gives the plain one's
// result, or refuses and changes nothing; it never takes the record and the entry
// while what they list stays.
TEST_F(ThemeJobTest, EverySpellingOfTheCopyUninstallsAsThePlainOneDoes) {
    const UninstallSpellingCase cases[] = {
        {"plain", INSTALLED, "C:\\", false},
        {"a short name", "C:\\PROGRA~1\\Plus!\\Themes\\Blue.the", "C:\\", false},
        {"another case and slashes", "c:/program files/PLUS!/themes/BLUE.THE", "C:\\", false},
        {"a dot folder", ".\\Blue.the", THEMES, false},
        {"a folder and back", THEMES + "\\Art\\..\\Blue.the", "C:\\", false},
        {"a name without its folder", "Blue.the", THEMES, false},
        {"a path form that Windows 95 does not know", "\\\\?\\" + INSTALLED, "C:\\", true},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        w().shortNames[Lower("C:\\Program Files")] = "PROGRA~1";
        MakeTheme("[T]\r\nA=%ThemeDir%Art\\One.bmp\r\nB=%WinDir%Two.wav\r\n", {"One.bmp", "Two.wav"});
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        auto installed = TreeSnapshot();
        auto entries = RegistrySnapshot();
        w().currentDirectory = c.directory;
        w().boxes.clear();
        RunProgram({"/u", c.path});
        if (c.refused) {
            EXPECT_EQ(TreeSnapshot(), installed) << c.name;
            EXPECT_EQ(RegistrySnapshot(), entries) << c.name;
            continue;
        }
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

TEST_F(ThemeJobTest, DestinationTooLongIsRefusedNotCut) {
    std::string folder(300, 'd');
    std::string name = std::string(240, 'f') + ".bmp";
    MakeTheme("[T]\r\nA=%ThemeDir%" + folder + "\\" + name + "\r\nB=%ThemeDir%ok.bmp\r\n", {"ok.bmp"});
    w().AddFile(SOURCE + "\\" + name, "long");
    EXPECT_EQ(RunProgram({}), 1);
    ASSERT_EQ(w().boxes.size(), 3u);
    const std::string& question = w().boxes[1].text;
    EXPECT_EQ(question.rfind("Error 206 copying file '", 0), 0u) << question;
    EXPECT_EQ(question.substr(question.size() - 11), "'\nContinue?");
    EXPECT_LT(question.size(), (size_t)TEXT_CAPACITY);
    EXPECT_EQ(w().boxes[2].text, SUCCESS);
    // Nothing landed under a cut name, and no folder was made for it.
    for (auto& path : w().Tree(THEMES)) EXPECT_EQ(path.find("ddd"), std::string::npos) << path;
    EXPECT_EQ(Record(INSTALLED), (Texts{"File2=" + THEMES + "\\ok.bmp"}));
}

TEST_F(ThemeJobTest, APathWindowsCannotNameIsRefused) {
    // The Themes folder is 30 characters and its separator; 228 more make 259, the
    // longest path there is, and one more makes 260.
    for (size_t length : {228u, 229u}) {
        sysdouble::Reset();
        std::string name = std::string(length - 4, 'n') + ".bmp";
        MakeTheme("[T]\r\nA=%ThemeDir%" + name + "\r\n", {name});
        RunProgram({});
        bool fits = (THEMES + "\\" + name).size() < 260;
        Texts expected = fits ? Texts{CONFIRM, SUCCESS}
                              : Texts{CONFIRM, "Error 206 copying file '" + name + "'\nContinue?", SUCCESS};
        EXPECT_EQ(w().BoxTexts(), expected) << length;
        EXPECT_EQ(w().Exists(THEMES + "\\" + name), fits) << length;
        EXPECT_EQ(Record(INSTALLED).size(), fits ? 1u : 0u) << length;
    }
}

TEST_F(ThemeJobTest, DestinationsAreRecordedAsTheFileSystemSpellsThem) {
    // "/" and "." folded, the dots and blanks that end a name dropped: the record names
    // the files and folders that a search finds again.
    MakeTheme("[T]\r\nA=%ThemeDir%Art/Deep \\.\\Sky.bmp.\r\n", {"Sky.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS}));
    EXPECT_EQ(Record(INSTALLED), (Texts{"Dir1=" + THEMES + "\\Art", "Dir2=" + THEMES + "\\Art\\Deep",
                                        "File1=" + THEMES + "\\Art\\Deep\\Sky.bmp"}));
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_FALSE(w().Exists(THEMES + "\\Art"));
}

// The theme file's own name is taken whole, whatever a theme line would stop at.
TEST_F(ThemeJobTest, AThemeFileNamedLikeALineInstallsUnderItsWholeName) {
    for (const char* name : {"Coral,Reef.the", "Sea;Shore.the", "%WinDir%Boot.the", "A=B.the", "Wide Blue Sky.the"}) {
        sysdouble::Reset();
        MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\n", {"One.bmp"}, name);
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1) << name;
        std::string display = std::string(name).substr(0, strlen(name) - 4);
        EXPECT_EQ(w().boxes.back().text, SUCCESS) << name;
        EXPECT_EQ(Record(THEMES + "\\" + name), (Texts{"File1=" + THEMES + "\\One.bmp"})) << name;
        w().boxes.clear();
        RunProgram({"/u", THEMES + "\\" + name});
        EXPECT_EQ(w().BoxTexts(), (Texts{"This will uninstall the '" + display + "' Theme.\nDo you want to continue?",
                                         UNINSTALLED})) << name;
        EXPECT_EQ(TreeSnapshot(), tree) << name;
        EXPECT_EQ(RegistrySnapshot(), registry) << name;
    }
}

struct OtherCopyCase {
    const char* name;
    const char* line;
    const char* message;  // null: installed without a word
};

// No line of a theme may put a file on the installed copy of another installation
// (one that an uninstall entry names), not even where that copy is gone: with the
// entry still there, the file would be taken for that installation's record.
TEST_F(ThemeJobTest, AComponentNeverLandsOnAnInstalledCopy) {
    const OtherCopyCase cases[] = {
        {"another theme's copy, gone", "A=%ThemeDir%Red.the", "Error 5 copying file 'Red.the'\nContinue?"},
        {"the same in capitals", "A=%ThemeDir%RED.THE", "Error 5 copying file 'RED.THE'\nContinue?"},
        {"the same through a dot", "A=%ThemeDir%.\\Red.the", "Error 5 copying file 'Red.the'\nContinue?"},
        {"another theme's copy, in place", "A=%ThemeDir%Green.the", "Error 5 copying file 'Green.the'\nContinue?"},
        {"its own copy", "A=%ThemeDir%Blue.the", nullptr},
        {"a name like a copy's in another folder", "A=%ThemeDir%Art\\Red.the", nullptr},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        // Red: a stale entry whose copy the user removed by hand; Green: installed.
        AddUninstallEntry("Red", THEMES + "\\Red.the");
        PlantRecord(THEMES + "\\Green.the", "", {}, "Green");
        MakeTheme(std::string("[T]\r\n") + c.line + "\r\n", {"Red.the", "Green.the"});
        w().AddFile(SOURCE + "\\Art\\Red.the", "");
        auto green = w().Read(THEMES + "\\Green.the");
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        Texts expected{CONFIRM};
        if (c.message) expected.push_back(c.message);
        expected.push_back(SUCCESS);
        EXPECT_EQ(w().BoxTexts(), expected) << c.name;
        EXPECT_FALSE(w().Exists(THEMES + "\\Red.the")) << c.name;
        EXPECT_EQ(w().Read(THEMES + "\\Green.the"), green) << c.name;
    }
}

TEST_F(ThemeJobTest, AnInstalledCopyThatCannotBeWrittenIsSaid) {
    MakeTheme("[T]\r\nA=%ThemeDir%One.bmp\r\nB=%WinDir%Two.wav\r\n", {"One.bmp", "Two.wav"});
    ASSERT_EQ(RunProgram({}), 1);
    w().nodes[Lower(INSTALLED)].readOnly = true;
    // A reinstall could record nothing: it installs nothing and says so.
    w().nodes.erase(Lower(THEMES + "\\One.bmp"));
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    w().boxes.clear();
    RunProgram({});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "Error 5 copying file 'Blue.the'", FAILED}));
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
    // An uninstall removes what it can; the copy that holds the record, and its entry,
    // stay until it can be deleted.
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme was not completely uninstalled."}));
    EXPECT_FALSE(w().Exists("C:\\WINDOWS\\Two.wav"));
    EXPECT_TRUE(w().Exists(INSTALLED));
    EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue"));
    w().nodes[Lower(INSTALLED)].readOnly = false;
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_FALSE(w().Exists(INSTALLED));
    EXPECT_FALSE(w().HasKey(UNINSTALL_KEY + "Blue"));
}
