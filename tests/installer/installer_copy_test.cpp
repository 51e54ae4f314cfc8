// The installer's copy in the Themes folder that the uninstall entries name: made once,
// shared, and gone with the last theme it served.
#include "installer_test_support.h"

using namespace support;

static const std::string DOWNLOAD = SOURCE + "\\decorama.exe";
static const std::string COPY = THEMES + "\\decorama.exe";
static const std::string WININIT = "C:\\WINDOWS\\WININIT.INI";

class InstallerCopyTest : public InstallerTest {
protected:
    // The theme's folder holds the installer, started from there.
    void MakeThemeWithInstaller(const std::string& name) {
        MakeTheme("[T]\r\nA=%ThemeDir%" + name + ".bmp\r\n", {name + ".bmp"}, name + ".the");
        w().AddFile(DOWNLOAD, "MZ the installer");
        w().modulePath = DOWNLOAD;
    }
    // Uninstalls as Add/Remove Programs does: the entry's command, the copy running.
    void UninstallAsTheSystemDoes(const std::string& name) {
        std::string command = w().Value(UNINSTALL_KEY + name, "UninstallString");
        ASSERT_EQ(command.rfind("\"" + COPY + "\" /u \"", 0), 0u) << command;
        w().modulePath = COPY;
        w().boxes.clear();
        RunProgram({"/u", THEMES + "\\" + name + ".the"});
        EXPECT_EQ(w().boxes.back().text, UNINSTALLED) << name;
    }
    std::string Scheduled() { return w().Exists(WININIT) ? w().Read(WININIT) : ""; }
};

TEST_F(InstallerCopyTest, TheEntryWorksAfterTheDownloadIsGoneAndTheCopyGoesWithTheLastTheme) {
    for (bool blueFirst : {true, false}) {
        sysdouble::Reset();
        MakeThemeWithInstaller("Blue");
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1);
        MakeThemeWithInstaller("Red");
        ASSERT_EQ(RunProgram({SOURCE + "\\Red.the"}), 1);
        EXPECT_EQ(w().Read(COPY), "MZ the installer");
        EXPECT_EQ(w().Value(UNINSTALL_KEY + "Red", "UninstallString"), "\"" + COPY + "\" /u \"" + THEMES + "\\Red.the\"");
        EXPECT_EQ(w().Value(UNINSTALL_KEY + "Red", "InstallerMark"), w().Value(UNINSTALL_KEY + "Blue", "InstallerMark"));
        // The user deletes the download folder.
        for (auto& path : w().Tree(SOURCE)) w().nodes.erase(path);
        w().nodes.erase(Lower(SOURCE));
        UninstallAsTheSystemDoes(blueFirst ? "Blue" : "Red");
        EXPECT_EQ(Scheduled(), "") << blueFirst;
        UninstallAsTheSystemDoes(blueFirst ? "Red" : "Blue");
        // The copy runs: Windows deletes it when it next starts.
        EXPECT_TRUE(w().Exists(COPY)) << blueFirst;
        EXPECT_EQ(Scheduled(), "[rename]\r\nNUL=" + COPY + "\r\n") << blueFirst;
        w().nodes.erase(Lower(COPY));
        w().nodes.erase(Lower(WININIT));
        // All of drive C but the download is as it was.
        auto outside = [](Texts entries) {
            Texts out;
            for (auto& entry : entries)
                if (entry.rfind(Lower(SOURCE), 0) != 0) out.push_back(entry);
            return out;
        };
        EXPECT_EQ(outside(TreeSnapshot()), outside(tree)) << blueFirst;
        EXPECT_EQ(RegistrySnapshot(), registry) << blueFirst;
    }
}

struct ForeignCopyCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
    const char* copy;  // the copy the entry names
};

TEST_F(InstallerCopyTest, AFileOfAnothersUnderTheCopysNameIsNeverTaken) {
    const ForeignCopyCase cases[] = {
        {"the user's decorama.exe", [](sysdouble::World& w) { w.AddFile(COPY, "MZ the user's own"); },
         "decorama (2).exe"},
        {"a copy an entry names, changed since",
         [](sysdouble::World& w) {
             w.AddFile(COPY, "MZ changed");
             PlantRecord(THEMES + "\\Old.the", "", {}, "Old");
             w.SetValue(UNINSTALL_KEY + "Old", "UninstallString", "\"" + COPY + "\" /u \"" + THEMES + "\\Old.the\"");
             w.SetValue(UNINSTALL_KEY + "Old", "InstallerMark", "01234567");
         },
         "decorama (2).exe"},
        {"a folder", [](sysdouble::World& w) { w.AddDirectory(COPY); }, "decorama (2).exe"},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeThemeWithInstaller("Blue");
        c.prepare(w());
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        std::string copy = THEMES + "\\" + c.copy;
        EXPECT_EQ(w().Value(UNINSTALL_KEY + "Blue", "UninstallString"), "\"" + copy + "\" /u \"" + INSTALLED + "\"") << c.name;
        // Removed from elsewhere, the copy goes at once; what was there stays.
        w().modulePath = "C:\\Tools\\decorama.exe";
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().boxes.back().text, UNINSTALLED) << c.name;
        EXPECT_EQ(Scheduled(), "") << c.name;
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
    }
}

TEST_F(InstallerCopyTest, AnAbandonedInstallationTakesTheCopyItMade) {
    MakeThemeWithInstaller("Blue");
    w().AddFile(SOURCE + "\\Blue.the", "[T]\r\nA=%ThemeDir%Blue.bmp\r\nB=%WinDir%Bad.wav\r\n");
    w().AddFile(SOURCE + "\\Bad.wav", "bad");
    w().copyFailures[Lower("C:\\WINDOWS\\Bad.wav")] = 5;
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    w().answers = {SYS_IDOK, SYS_IDCANCEL};
    RunProgram({});
    EXPECT_EQ(w().boxes.back().text, FAILED);
    EXPECT_EQ(TreeSnapshot(), tree);
    EXPECT_EQ(RegistrySnapshot(), registry);
}

struct WininitCase {
    const char* name;
    const char* before;  // null: no file
    std::string after;
};

// Other programs' lines in WININIT.INI all stay; ours goes into the [rename] section
// that Windows reads.
TEST_F(InstallerCopyTest, TheDeletionJoinsWhatWininitAlreadyHolds) {
    const std::string ours = "NUL=" + COPY + "\r\n";
    const WininitCase cases[] = {
        {"no file", nullptr, "[rename]\r\n" + ours},
        {"no section", "[boot]\r\nx=1", "[boot]\r\nx=1\r\n[rename]\r\n" + ours},
        {"the section first", "[rename]\r\nNUL=C:\\OTHER.EXE\r\n[x]\r\n",
         "[rename]\r\n" + ours + "NUL=C:\\OTHER.EXE\r\n[x]\r\n"},
        {"the section last, no line end", "[x]\r\n[Rename]", "[x]\r\n[Rename]\r\n" + ours},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeThemeWithInstaller("Blue");
        if (c.before) w().AddFile(WININIT, c.before);
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        UninstallAsTheSystemDoes("Blue");
        EXPECT_EQ(Scheduled(), c.after) << c.name;
    }
}
