// Faults on a real machine: a volume that fills up during a copy or a record write,
// and a reinstall abandoned after an error. Whatever happens, the machine ends as it
// was before the run, or as the record says.
#include "installer_test_support.h"
#include <algorithm>

using namespace support;

class RecordFaultsTest : public InstallerTest {
protected:
    // Bytes that the files on drive C hold.
    uint64_t DriveCUsed() {
        uint64_t used = 0;
        for (auto& [path, node] : w().nodes)
            if (!node.directory && path.compare(0, 3, "c:\\") == 0) used += node.data.size();
        return used;
    }
    // The "File" values of the record, in key order.
    Texts RecordedFiles() {
        Texts out;
        for (auto& entry : Record(INSTALLED))
            if (entry[0] == 'F') out.push_back(entry);
        return out;
    }
    // Uninstalls, answering OK throughout, and checks the tree and the registry.
    void UninstallLeaves(const std::vector<std::string>& tree, const std::vector<std::string>& registry,
                         const std::string& what) {
        w().boxes.clear();
        w().answers.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << what;
        EXPECT_EQ(TreeSnapshot(), tree) << what;
        EXPECT_EQ(RegistrySnapshot(), registry) << what;
    }
    // Installs over a volume that fills up while file is copied, with answer to the
    // one question after the error, and checks what the user was told, that file is
    // not left behind and that a cancelled installation left the machine as it was
    // (*tree and *registry). True when the user went on.
    bool InstallUntilTheVolumeIsFull(const std::string& file, int answer, const std::string& what,
                                     Texts* tree, Texts* registry) {
        *tree = TreeSnapshot();
        *registry = RegistrySnapshot();
        w().answers = {SYS_IDOK, answer};
        RunProgram({});
        bool ok = answer == SYS_IDOK;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, CopyError(112, file), ok ? SUCCESS : FAILED})) << what;
        EXPECT_FALSE(w().Exists(THEMES + "\\" + file)) << what;
        if (!ok) {
            EXPECT_EQ(TreeSnapshot(), *tree) << what;
            EXPECT_EQ(RegistrySnapshot(), *registry) << what;
        }
        return ok;
    }
    static std::string CopyError(uint32_t code, const std::string& name) {
        return "Error " + std::to_string(code) + " copying file '" + name + "'\nContinue?";
    }
};

// ---- A volume that fills up during a copy

struct FullCopyCase {
    const char* name;
    bool leavesPart;  // the failed copy leaves what fitted (Wine's copy does)
    int answer;       // to the copy-error question
};

TEST_F(RecordFaultsTest, ACopyThatFillsTheVolumeIsReportedAndLeavesNoPartBehind) {
    const FullCopyCase cases[] = {
        {"part left, OK", true, SYS_IDOK},
        {"part left, Cancel", true, SYS_IDCANCEL},
        {"nothing left, OK", false, SYS_IDOK},
        {"nothing left, Cancel", false, SYS_IDCANCEL},
    };
    const std::string theme =
        "[T]\r\nA=%ThemeDir%Big1.bmp\r\nB=%ThemeDir%Big2.bmp\r\nC=%ThemeDir%Big3.bmp\r\n"
        "D=%WinDir%FullFx.wav\r\nE=%ThemeDir%Small.ico\r\n";
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme(theme, {"FullFx.wav", "Small.ico"});
        for (const char* big : {"Big1.bmp", "Big2.bmp", "Big3.bmp"}) w().AddFile(SOURCE + "\\" + big, std::string(400, 'b'));
        // Room for the theme file, two of the big files and the record; not the third.
        w().volumeFolder = THEMES;
        w().volumeCapacity = theme.size() + 1300;
        w().copyLeavesPart = c.leavesPart;
        Texts tree, registry;
        if (!InstallUntilTheVolumeIsFull("Big3.bmp", c.answer, c.name, &tree, &registry)) continue;
        // The part copy was taken away, so the small file after it still fit.
        EXPECT_EQ(RecordedFiles(), (Texts{"File1=" + THEMES + "\\Big1.bmp", "File2=" + THEMES + "\\Big2.bmp",
                                          "File4=C:\\WINDOWS\\FullFx.wav", "File5=" + THEMES + "\\Small.ico"}))
            << c.name;
        UninstallLeaves(tree, registry, c.name);
    }
}

struct InPlaceCase {
    const char* name;
    void (*prepare)(sysdouble::World&);
};

TEST_F(RecordFaultsTest, AFileThatWasThereBeforeStillCountsAsInPlace) {
    // The copy fails for want of room, or because its source is missing or a folder:
    // whatever the error, the user's file at the destination stays, taken as in place.
    const InPlaceCase cases[] = {
        {"the volume is full", [](sysdouble::World& w) {
             w.AddFile(SOURCE + "\\Here.bmp", "the theme's");
             w.volumeFolder = THEMES;
             w.volumeCapacity = 4096;
         }},
        {"the source is missing", [](sysdouble::World&) {}},
        {"the source is a folder", [](sysdouble::World& w) { w.AddDirectory(SOURCE + "\\Here.bmp"); }},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme("[T]\r\nA=%ThemeDir%Here.bmp\r\n");
        w().AddFile(THEMES + "\\Here.bmp", "the user's own");
        c.prepare(w());
        RunProgram({});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, SUCCESS})) << c.name;
        EXPECT_EQ(w().Read(THEMES + "\\Here.bmp"), "the user's own") << c.name;
        EXPECT_EQ(RecordedFiles(), Texts{}) << c.name;
    }
}

TEST_F(RecordFaultsTest, AScreenCopyThatFillsTheVolumePutsTheOldScreenBack) {
    MakeTheme("[T]\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n");
    w().AddFile(SOURCE + "\\Boot.sys", std::string(500, 's'));
    w().AddFile("c:\\Logo.sys", "the screen in place");
    // Room for the theme file and its record, and 100 bytes of the new screen.
    w().volumeFolder = "C:\\";
    w().volumeCapacity = DriveCUsed() + w().Read(SOURCE + "\\Blue.the").size() + 100;
    w().answers = {SYS_IDOK, SYS_IDOK, SYS_IDOK};
    RunProgram({});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, "This Theme replaces your Startup Screen.\nDo you want it to do this?",
                                     CopyError(112, "Boot.sys"), SUCCESS}));
    EXPECT_EQ(w().Read("c:\\Logo.sys"), "the screen in place");
    EXPECT_FALSE(w().Exists("c:\\Logo.old"));
    EXPECT_EQ(RecordedFiles(), Texts{});
}

// ---- A record that cannot grow

struct RecordWriteCase {
    const char* name;
    bool reportsFailure;  // the profile write says so (otherwise it cuts the file, as Wine's does)
    bool cache;           // reads come from a cache until it is flushed
    int answer;
};

static const RecordWriteCase RECORD_WRITE_CASES[] = {
    {"cut off, OK", false, false, SYS_IDOK},
    {"cut off behind a cache, OK", false, true, SYS_IDOK},
    {"cut off behind a cache, Cancel", false, true, SYS_IDCANCEL},
    {"reported, OK", true, false, SYS_IDOK},
    {"reported, Cancel", true, false, SYS_IDCANCEL},
};

TEST_F(RecordFaultsTest, AFileKeyThatCannotBeWrittenUndoesTheCopy) {
    const std::string theme = "[T]\r\nA=%ThemeDir%Fill.bmp\r\nB=%WinDir%After.wav\r\n";
    for (const auto& c : RECORD_WRITE_CASES) {
        sysdouble::Reset();
        MakeTheme(theme, {"After.wav"});
        w().AddFile(SOURCE + "\\Fill.bmp", std::string(3000, 'f'));
        // The theme file and Fill.bmp fill the volume; the record key after the copy
        // finds room for 20 bytes.
        w().volumeFolder = THEMES;
        w().volumeCapacity = theme.size() + 3000 + 20;
        w().profileWriteReportsFailure = c.reportsFailure;
        w().profileCache = c.cache;
        Texts tree, registry;
        if (!InstallUntilTheVolumeIsFull("Fill.bmp", c.answer, c.name, &tree, &registry)) continue;
        // Every file that stays is in the record, and nothing half-written is.
        w().profileCached.clear();
        EXPECT_EQ(Record(INSTALLED), (Texts{"File2=C:\\WINDOWS\\After.wav"})) << c.name;
        UninstallLeaves(tree, registry, c.name);
    }
}

TEST_F(RecordFaultsTest, ADirKeyThatCannotBeWrittenUndoesTheFolder) {
    const std::string theme = "[T]\r\nA=%ThemeDir%Art\\Sky.bmp\r\nB=%WinDir%After.wav\r\n";
    for (const auto& c : RECORD_WRITE_CASES) {
        sysdouble::Reset();
        MakeTheme(theme, {"Sky.bmp", "After.wav"});
        // Someone else's file fills the volume; the theme file and its seal fit, and 15
        // bytes more.
        w().AddFile(THEMES + "\\Other.dat", std::string(5000, 'o'));
        w().volumeFolder = THEMES;
        w().volumeCapacity = 5000 + theme.size() + std::string("[Decorama]\r\nSeal=0123456789ABCDEF\r\n").size() + 15;
        w().profileWriteReportsFailure = c.reportsFailure;
        w().profileCache = c.cache;
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        w().answers = {SYS_IDOK, SYS_IDOK, c.answer};
        RunProgram({});
        bool ok = c.answer == SYS_IDOK;
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, CopyError(112, "Sky.bmp"), CopyError(112, "After.wav"),
                                         ok ? SUCCESS : FAILED}))
            << c.name;
        EXPECT_FALSE(w().Exists(THEMES + "\\Art")) << c.name;
        EXPECT_FALSE(w().Exists("C:\\WINDOWS\\After.wav")) << c.name;
        EXPECT_EQ(w().Read(THEMES + "\\Other.dat"), std::string(5000, 'o')) << c.name;
        if (!ok) {
            EXPECT_EQ(TreeSnapshot(), tree) << c.name;
            EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
            continue;
        }
        w().profileCached.clear();
        EXPECT_EQ(Record(INSTALLED), Texts{}) << c.name;
        UninstallLeaves(tree, registry, c.name);
    }
}

TEST_F(RecordFaultsTest, AnUninstallPassesOverAKeyCutOffInTheMiddle) {
    // A record whose last key a full disk cut off before its "=": the entries after it
    // and the folders are still removed.
    MakeTheme("[T]\r\n", {});
    w().AddFile(THEMES + "\\Art\\One.bmp", "1");
    w().AddFile(THEMES + "\\Two.bmp", "2");
    PlantRecord(INSTALLED, "[T]\r\n",
                {"Dir1=" + THEMES + "\\Art", "File1=" + THEMES + "\\Art\\One.bmp", "Fi", "File3=" + THEMES + "\\Two.bmp", "D"});
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    EXPECT_EQ(w().Tree(THEMES), Texts{});
}

// ---- A reinstall abandoned after an error

struct ReinstallCase {
    const char* name;
    std::string theme;  // the theme's lines at the second run (One.bmp fails to copy)
    std::vector<std::string> removedByUser;
};

TEST_F(RecordFaultsTest, AnAbandonedReinstallUndoesOnlyItsOwnRun) {
    const std::string first =
        "[T]\r\nA=%ThemeDir%Art\\Deep\\Sky.bmp\r\nB=%ThemeDir%Arrow.cur\r\nC=%WinDir%Media\\Chime.wav\r\n"
        "D=%ThemeDir%One.bmp\r\n[DecoramaSpecial]\r\nStartupScreen=Boot.sys\r\n";
    const ReinstallCase cases[] = {
        {"nothing copied before the error", first, {}},
        {"a file the user removed, copied again", first, {THEMES + "\\Arrow.cur"}},
        {"a folder the user removed, made again",
         first, {THEMES + "\\Art\\Deep\\Sky.bmp", THEMES + "\\Art\\Deep", THEMES + "\\Art"}},
        {"new lines in new folders",
         "[T]\r\nA=%ThemeDir%Art\\Deep\\Sky.bmp\r\nN=%ThemeDir%New\\New.bmp\r\nB=%ThemeDir%Arrow.cur\r\n"
         "W=%WinDir%Fresh\\Fresh.wav\r\nC=%WinDir%Media\\Chime.wav\r\nD=%ThemeDir%One.bmp\r\n",
         {}},
    };
    for (const auto& c : cases) {
        sysdouble::Reset();
        MakeTheme(first, {"Sky.bmp", "Arrow.cur", "Chime.wav", "One.bmp", "Boot.sys", "New.bmp", "Fresh.wav"});
        w().AddFile("c:\\Logo.sys", "the screen in place");
        ASSERT_EQ(RunProgram({}), 1) << c.name;
        ASSERT_EQ(w().boxes.back().text, SUCCESS) << c.name;
        // The user removes some of what was installed, and the theme changes: One.bmp,
        // no longer in place, cannot be copied.
        for (auto& path : c.removedByUser) w().nodes.erase(Lower(path));
        w().nodes.erase(Lower(THEMES + "\\One.bmp"));
        w().copyFailures[Lower(THEMES + "\\One.bmp")] = 5;
        w().AddFile(SOURCE + "\\Blue.the", c.theme);
        auto tree = TreeSnapshot();
        auto registry = RegistrySnapshot();
        w().boxes.clear();
        w().answers = {SYS_IDOK, SYS_IDCANCEL};
        RunProgram({});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM, CopyError(5, "One.bmp"), FAILED})) << c.name;
        // The first installation, its record, its screen and its entry are as they were.
        EXPECT_EQ(TreeSnapshot(), tree) << c.name;
        EXPECT_EQ(RegistrySnapshot(), registry) << c.name;
        // ... and its uninstall still removes all it made.
        w().copyFailures.clear();
        w().boxes.clear();
        RunProgram({"/u", INSTALLED});
        EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED})) << c.name;
        EXPECT_EQ(w().Tree(THEMES), Texts{}) << c.name;
        EXPECT_EQ(w().Read("c:\\Logo.sys"), "the screen in place") << c.name;
        EXPECT_FALSE(w().Exists("C:\\WINDOWS\\Media")) << c.name;
    }
}

TEST_F(RecordFaultsTest, AnAbandonedReinstallOverARecordOfNothingLeavesTheCopyAsItWas) {
    // The first run found everything in place and recorded nothing; the second made a
    // record section of its own, which goes whole with its rollback.
    w().AddFile(THEMES + "\\Sky.bmp", "in place");
    MakeTheme("[T]\r\nA=%ThemeDir%Sky.bmp\r\n", {"Sky.bmp", "New.bmp", "Bad.bmp"});
    ASSERT_EQ(RunProgram({}), 1);
    ASSERT_EQ(Record(INSTALLED), Texts{});
    w().AddFile(SOURCE + "\\Blue.the", "[T]\r\nA=%ThemeDir%Sky.bmp\r\nN=%ThemeDir%New.bmp\r\nX=%ThemeDir%Bad.bmp\r\n");
    w().copyFailures[Lower(THEMES + "\\Bad.bmp")] = 5;
    auto tree = TreeSnapshot();
    w().answers = {SYS_IDOK, SYS_IDCANCEL};
    RunProgram({});
    EXPECT_EQ(w().boxes.back().text, FAILED);
    EXPECT_EQ(TreeSnapshot(), tree);
}

// ---- A record longer than a section read takes back

// Theme lines naming count files with names of about 200 letters: their keys fill
// a record of some 30 KiB.
static std::string LongNamesTheme(int count, std::vector<std::string>* names) {
    std::string lines = "[T]\r\n";
    for (int i = 0; i < count; ++i) {
        names->push_back(std::string(200, 'a' + i % 26) + std::to_string(i) + ".bmp");
        lines += "F" + std::to_string(i) + "=%ThemeDir%" + names->back() + "\r\n";
    }
    return lines;
}

TEST_F(RecordFaultsTest, AnEntryTheRecordCouldNotGiveBackWholeIsNotCopied) {
    std::vector<std::string> names;
    MakeTheme(LongNamesTheme(150, &names) + "L=%WinDir%Last\\Last.wav\r\n");
    for (auto& name : names) w().AddFile(SOURCE + "\\" + name, "x");
    w().AddFile(SOURCE + "\\Last.wav", "x");
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    RunProgram({});
    // Most fit; each of the others is refused, and every file copied is in a record
    // that a section read gives back whole.
    char section[SECTION_CAPACITY];
    uint32_t read = SysGetProfileSection("Decorama", section, sizeof section, INSTALLED.c_str());
    EXPECT_LT(read, (uint32_t)SECTION_CAPACITY - 2);
    Texts recorded = RecordedFiles(), expected{CONFIRM};
    EXPECT_GT(recorded.size(), 100u);
    EXPECT_LT(recorded.size(), 150u);
    names.push_back("Last.wav");
    for (size_t i = 0; i < names.size(); ++i) {
        std::string path = (i + 1 < names.size() ? THEMES + "\\" : "C:\\WINDOWS\\Last\\") + names[i];
        bool isRecorded = std::count(recorded.begin(), recorded.end(), "File" + std::to_string(i + 1) + "=" + path) != 0;
        EXPECT_EQ(w().Exists(path), isRecorded) << names[i];
        if (!isRecorded) expected.push_back(CopyError(206, names[i]));
    }
    expected.push_back(SUCCESS);
    EXPECT_EQ(w().BoxTexts(), expected);
    UninstallLeaves(tree, registry, "150 long names");
}

TEST_F(RecordFaultsTest, AnUninstallNeverTakesACutStringForAPath) {
    // A proven record of more than 32 KiB (an installation can never write one): the
    // section read cuts a string in the middle of a name whose every beginning names a
    // file of the user's.
    auto tree = TreeSnapshot();
    auto registry = RegistrySnapshot();
    std::vector<std::string> entries;
    uint32_t length = 0;
    auto add = [&](const std::string& path) {
        std::string key = "File" + std::to_string(entries.size() + 1);
        entries.push_back(key + "=" + path);
        length += (uint32_t)(key.size() + path.size() + 2);
    };
    // The seal and the stamps come first; each stamp takes at most 26 characters.
    for (int i = 0; length + 40 + 26 * (i + 2) < SECTION_CAPACITY - 400; ++i) {
        std::string path = THEMES + "\\" + std::string(200, 'p') + std::to_string(i) + ".bmp";
        w().AddFile(path, "installed");
        add(path);
    }
    std::string after = THEMES + "\\After.bmp";
    w().AddFile(after, "installed");
    std::string user = "C:\\WINDOWS\\";
    for (int i = 1; i <= 60; ++i) w().AddFile(user + std::string(i, 'A'), "the user's own");
    // What comes before the entries, once they are all known; then a pad so that the
    // cut falls in the run of A's.
    std::vector<std::string> probe = entries;
    probe.push_back("File" + std::to_string(entries.size() + 3) + "=" + after);
    uint32_t prefix = PlantRecord(INSTALLED, "[T]\r\n", probe);
    std::string pad = THEMES + "\\";
    uint32_t padTo = SECTION_CAPACITY - 2 - 30 - (uint32_t)std::string("File00=C:\\WINDOWS\\").size();
    pad += std::string(padTo - prefix - length - std::string("File000=").size() - pad.size() - 5, 'q') + ".bmp";
    add(pad);
    add(user + std::string(60, 'A') + ".BMP");
    add(after);
    PlantRecord(INSTALLED, "[T]\r\n", entries);

    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, "Theme was not completely uninstalled."}));
    for (int i = 1; i <= 60; ++i) EXPECT_EQ(w().Read(user + std::string(i, 'A')), "the user's own") << i;
    // What lay beyond the cut stays recorded, with the copy and its entry ...
    EXPECT_TRUE(w().Exists(after));
    EXPECT_TRUE(w().HasKey(UNINSTALL_KEY + "Blue"));
    EXPECT_EQ(RecordedFiles().size(), 2u);
    // ... and the next uninstall finishes the work.
    w().boxes.clear();
    RunProgram({"/u", INSTALLED});
    EXPECT_EQ(w().BoxTexts(), (Texts{CONFIRM_UNINSTALL, UNINSTALLED}));
    for (int i = 1; i <= 60; ++i) EXPECT_EQ(w().Read(user + std::string(i, 'A')), "the user's own") << i;
    for (auto& path : w().Tree(THEMES)) ADD_FAILURE() << "left behind: " << path;
    EXPECT_EQ(RegistrySnapshot(), registry);
}

// ---- A power cut during an uninstall

// An uninstall cut off after any change, then a user who makes again each folder of the
// theme that is gone: the next uninstall never takes a folder made since, and the record
// never lists a folder that is gone. With a file of the user's in the inner folder, which
// the user takes away after the cut, the next uninstall still takes the inner folder
// before the one that holds it: no folder that the record lists stays behind empty.
TEST_F(RecordFaultsTest, AnUninstallCutOffAnywhereNeverTakesAFolderMadeSince) {
    const std::vector<std::string> folders = {THEMES + "\\Art", THEMES + "\\Art\\Deep"};
    const std::string mine = THEMES + "\\Art\\Deep\\Mine.txt";
    for (bool usersFile : {false, true}) {
        bool cut = true;
        for (uint64_t n = 1; cut; ++n) {
            SCOPED_TRACE(std::to_string(n) + (usersFile ? " with the user's file" : ""));
            sysdouble::Reset();
            MakeTheme("[T]\r\nA=%ThemeDir%Art\\Deep\\One.bmp\r\nB=%ThemeDir%Art\\Two.bmp\r\n", {"One.bmp", "Two.bmp"});
            ASSERT_EQ(RunProgram({}), 1);
            if (usersFile) w().AddFile(mine, "the user's");
            w().powerCutAfter = w().changes + n;
            RunProgram({"/u", INSTALLED});
            cut = w().EndPowerCut();
            if (usersFile) w().nodes.erase(Lower(mine));
            Texts made, listed;
            for (auto& folder : folders) {
                for (auto& entry : Record(INSTALLED))
                    if (entry.substr(entry.find('=') + 1) == folder) listed.push_back(folder);
                if (w().Exists(folder)) continue;
                EXPECT_EQ(std::count(listed.begin(), listed.end(), folder), 0) << folder;
                w().AddDirectory(folder);
                made.push_back(folder);
            }
            RunProgram({"/u", INSTALLED});
            for (auto& folder : made) EXPECT_TRUE(w().IsDirectory(folder)) << folder;
            for (auto& folder : listed) EXPECT_FALSE(w().Exists(folder) && w().Tree(folder).empty()) << folder;
        }
    }
}
