// Sequences of whole runs of the installer on the in-memory system, started as a user and
// Windows' own programs start it: in a theme's folder, through the Install verb, through an
// uninstall entry, or with "/u" and the path spelt otherwise. The input chooses a machine
// (the user's files in the three folders and C:\, screens, other programs' uninstall
// entries, verb and fonts, a WININIT.INI), two to four themes drawn to overlap (file names,
// bytes and times, folders, display names, screens, fonts; boot-time files among their
// lines) and up to a dozen actions: installs answered either way, uninstalls, the user's
// own changes, power cuts, restarts. After each action it checks that nothing of the
// user's is gone, changed or moved, that no file Windows acts on by itself was placed,
// that what an installed theme uses is still there, that one theme is never merged into
// another's record, and that the messages tell the truth; at the end, that uninstalling
// every theme through its entry and restarting Windows leaves drive C and the registry as
// they were, with the user's own changes.
//
// The input: 3 bytes of machine (MakeMachine); per theme 1 byte (folder, file name, a
// forged record section, number of lines) and 1 byte per line (kind, name, content); then
// 4 bytes per action (Act). A finding prints the actions so far and what broke, then
// aborts. To look for more than one: FUZZ_SEQUENCES_IGNORE="kind,kind" lets those kinds
// pass, and FUZZ_SEQUENCES_COLLECT=<folder> keeps the first finding of each input there
// (the input under a name made from the finding, a line in <folder>/index) and goes on.
// FUZZ_SEQUENCES_ONLY=<text> lets only the findings that say text count (to minimize an
// input without drifting to another fault); FUZZ_SEQUENCES_TRACE=1 prints every action,
// message box, entry and record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "installer.h"
#include "profile_model.h"
#include "record.h"
#include "sys_double.h"

namespace {
using sysdouble::Lower;
using sysdouble::Node;
using sysdouble::World;
using sysdouble::world;

const std::string THEMES = sysdouble::THEMES_FOLDER, WINDOWS = "C:\\WINDOWS", FONTS = "C:\\WINDOWS\\FONTS";
const std::string INSTALLER = "C:\\Tools\\decorama.exe", INSTALLER_BYTES = "MZ decorama 1.04";
const std::string DOCUMENT = "C:\\My Documents\\Letter.doc", WININIT = "C:\\WINDOWS\\WININIT.INI";
const std::string ENTRIES = "hklm\\software\\microsoft\\windows\\currentversion\\uninstall\\";
const std::string VERB_COMMAND = "hkcr\\ThemeFile\\Shell\\Install\\command";
const uint64_t TIME_A = 0x01D0000000000000ull, TIME_B = TIME_A + 10000000;
const char* const SCREENS[] = {"c:\\logo.sys", "c:\\windows\\logow.sys", "c:\\windows\\logos.sys"};

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && Lower(text.substr(text.size() - tail.size())) == Lower(tail);
}
std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
std::string Key(const std::string& path) { return Lower(world().FullPath(path)); }
bool IsScreen(const std::string& key) { return key == SCREENS[0] || key == SCREENS[1] || key == SCREENS[2]; }
const Node* Find(const World& w, const std::string& key) {
    auto it = w.nodes.find(key);
    return it == w.nodes.end() ? nullptr : &it->second;
}
// A path with the case of each part as created.
std::string Original(const World& w, const std::string& key) {
    std::string out = key.substr(0, 3);
    for (size_t at = 3; at < key.size();) {
        size_t end = std::min(key.find('\\', at), key.size());
        const Node* part = Find(w, key.substr(0, end));
        out += (out.size() > 3 ? "\\" : "") + (part ? part->name : key.substr(at, end - at));
        at = end + 1;
    }
    return out;
}
// The lines of a text, each ended by CR LF, as a profile write leaves them.
std::string Lines(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find('\n', at), text.size());
        out.append(text, at, end - at - (end > at && text[end - 1] == '\r')).append("\r\n");
        at = end + 1;
    }
    return out;
}
// The lines of a theme file without its record sections.
std::string WithoutRecord(std::string text) {
    text = Lines(text);
    while (Lower(text).find("[decorama]") != std::string::npos) {
        std::string next = profile::Write(text, "Decorama", nullptr, nullptr);
        if (next == text) break;
        text = next;
    }
    return text;
}
// A theme file in the Themes folder keeps its lines: a profile write may end its last one.
bool KeepsLines(const std::string& key, const Node& now, const Node& was) {
    return !now.directory && EndsWith(key, ".the") && key.rfind(Lower(THEMES) + "\\", 0) == 0 &&
           Lines(now.data) == Lines(was.data);
}

// ---------------------------------------------------------------- themes

enum Kind { THEME_DIR, WIN_DIR, FONT_DIR, STARTUP, SHUTDOWN_WAIT, SHUTDOWN_SAFE, BOOT_TIME, KINDS = 8 };
const char* const TOKENS[] = {"%ThemeDir%", "%WinDir%", "%FontDir%"};
const char* const SCREEN_KEYS[] = {"StartupScreen=", "ShutdownWaitScreen=", "ShutdownSafeScreen="};
const char* const NAMES[][8] = {
    {"a.bmp", "Art\\c.bmp", "Art\\Deep\\d.bmp", "b.wav", "A.BMP", "Sea.the", "Blue.the", "Art"},
    {"a.bmp", "b.wav", "Media\\e.wav", "ZelvoSav.scr", "LogoW.sys", "Logo.old", "Media", "Blue Sky.the"},
    {"Blue.ttf", "Other.ttf", "BLUE.TTF", "Sub\\f.ttf", "a.bmp", "Blue Sans.ttf", "b.wav", "Other.ttf"},
    {"Logo.sys", "Logo2.sys", "a.bmp", "LogoW.sys", "LOGO.SYS", "b.wav", "Logo.sys", "Logo2.sys"},
};
// Files that Windows acts on by itself, as theme lines name them.
const char* const BOOT_TIME_LINES[] = {
    "%WinDir%WININIT.INI", "%WinDir%WINSTART.BAT", "%WinDir%Start Menu\\Programs\\StartUp\\run.lnk",
    "%WinDir%SYSTEM\\evil.vxd", "%WinDir%SYSTEM\\evil.386", "%WinDir%SYSTEM\\evil.drv", "%WinDir%evil.dll",
    "%ThemeDir%setup.exe", "%WinDir%evil.com", "%ThemeDir%go.bat", "%WinDir%go.pif", "%ThemeDir%decorama.exe",
    "%WinDir%wininit.ini", "%FontDir%evil.dll", "%WinDir%Start Menu\\Programs\\StartUp\\a.bmp", "%ThemeDir%Art\\x.vxd"};
const char* const FOLDERS[] = {"C:\\Downloads\\Blue", "C:\\Downloads\\Sea", "C:\\My Themes", nullptr /* Themes */};
const char* const FILE_NAMES[] = {"Blue.the", "Sea.the", "Blue Sky.the", "Blue (2).the"};

struct Line {
    int kind;
    std::string text;    // the line's token and name, or the screen's key and source
    std::string source;  // the source file's name, beside the theme file
    std::string target;  // the file's path as the line names it ("" for a screen)
    int content;         // the source's bytes and time (SourceBytes)
};
struct Theme {
    std::string folder, file;
    std::vector<Line> lines;
    bool forged;
    std::string Path() const { return folder + "\\" + file; }
};

std::string TrueType(const std::string& fullName) {
    auto put16 = [](std::string& out, uint32_t v) { out += (char)(v >> 8), out += (char)v; };
    std::string text, table, font;
    for (char c : fullName) text += '\0', text += c;
    for (uint32_t v : {0u, 1u, 18u, 3u, 1u, 0x409u, 4u, (uint32_t)text.size(), 0u}) put16(table, v);
    for (uint32_t v : {1u, 0u, 1u, 16u, 0u, 0u}) put16(font, v);
    font += "name";
    for (uint32_t v : {0u, 0u, 0u, 28u, 0u, (uint32_t)(table.size() + text.size())}) put16(font, v);
    return font + table + text;
}

// The bytes and time of a source file, by its name and the line's choice; false: none.
bool SourceBytes(const std::string& name, int choice, std::string* bytes, uint64_t* time) {
    *time = choice == 1 ? TIME_B : TIME_A;
    if (choice == 3) return false;
    if (EndsWith(name, ".ttf")) *bytes = TrueType(choice == 2 ? "Other Sans" : "Blue Sans");
    else if (EndsWith(name, "wininit.ini")) *bytes = "[rename]\r\nNUL=" + DOCUMENT + "\r\n";
    else *bytes = choice == 2 ? "picture two" : "picture one";
    return true;
}

std::string ThemeText(const Theme& theme) {
    std::string text = "; " + theme.file + "\r\n[Control Panel\\Desktop]\r\n", special;
    int item = 0;
    for (const Line& line : theme.lines) {
        bool isSpecial = line.kind >= STARTUP || line.text.find("%FontDir%") != std::string::npos;
        std::string entry = line.kind >= STARTUP && line.kind <= SHUTDOWN_SAFE ? line.text : "Item" + std::to_string(++item) + "=" + line.text;
        (isSpecial ? special : text) += entry + "\r\n";
    }
    if (theme.forged) text += "[Decorama]\r\nSeal=0123456789ABCDEF\r\nFile1=" + DOCUMENT + "\r\nFile2=C:\\WINDOWS\\a.bmp\r\n";
    if (!special.empty()) text += "[DecoramaSpecial]\r\n" + special;
    return text;
}

// The folder a line's path starts from, as the installer would read it now.
std::string TokenFolder(const std::string& target) {
    if (target.rfind("%ThemeDir%", 0) == 0) return THEMES;
    if (target.rfind("%WinDir%", 0) == 0) return WINDOWS;
    return world().HasValue(sysdouble::SHELL_FOLDERS_KEY, "Fonts") ? world().Value(sysdouble::SHELL_FOLDERS_KEY, "Fonts") : "";
}
// The key of the file a line places ("" for a screen or a folder not known).
std::string TargetKey(const Line& line) {
    if (line.target.empty()) return "";
    std::string folder = TokenFolder(line.target);
    return folder.empty() ? "" : Key(folder + "\\" + line.target.substr(line.target.find('%', 1) + 1));
}

// A file that Windows acts on by itself, found where none was: a boot-time file, a
// program, a driver, anything in a StartUp folder. The installer's own copy in the Themes
// folder, and a WININIT.INI that holds only the installer's own "NUL=" lines, are not.
bool IsBootTimeFile(const std::string& key, const Node& node) {
    std::string name = Lower(node.name);
    if (name == "wininit.ini") {
        std::string text = Lower(node.data);
        for (size_t at = 0; at < text.size();) {
            size_t end = std::min(text.find('\n', at), text.size());
            std::string line = text.substr(at, end - at);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty() && line != "[rename]" && line.rfind("nul=", 0) != 0) return true;
            at = end + 1;
        }
        return false;
    }
    if (name == "winstart.bat" || key.find("\\startup\\") != std::string::npos) return true;
    // The installer's own copy: a "decorama" program in the Themes folder, the running one's bytes.
    const Node* running = Find(world(), Key(world().modulePath));
    if (key.rfind(Lower(THEMES) + "\\decorama", 0) == 0 && EndsWith(name, ".exe") && running && node.data == running->data)
        return false;
    for (const char* extension : {".vxd", ".386", ".drv", ".dll", ".exe", ".com", ".bat", ".pif"})
        if (EndsWith(name, extension)) return true;
    return false;
}

// ---------------------------------------------------------------- entries and records

struct Entry {
    std::string key, command, program, copy, seal;  // copy: the path the command names
};
// The uninstall entries whose command is a program, " /u " and a quoted path.
std::vector<Entry> Entries() {
    std::vector<Entry> out;
    for (auto& [path, key] : world().keys) {
        if (path.compare(0, ENTRIES.size(), ENTRIES) || path.find('\\', ENTRIES.size()) != std::string::npos) continue;
        std::string command = world().Value(path, "UninstallString");
        size_t u = command.rfind(" /u \"");
        if (u == std::string::npos || command.back() != '"' || u + 6 > command.size()) continue;
        Entry entry{path, command, "", command.substr(u + 5, command.size() - u - 6), ""};
        size_t start = command[0] == '"' ? 1 : 0;
        entry.program = command.substr(start, command.find(start ? '"' : ' ', start) - start);
        if (world().HasValue(path, "Seal")) entry.seal = world().Value(path, "Seal");
        out.push_back(entry);
    }
    return out;
}
bool RunsDecorama(const Entry& entry) { return Lower(entry.program).find("decorama") != std::string::npos; }

struct Record {
    std::string seal;
    std::vector<std::pair<std::string, int64_t>> files;  // key, mark of the copy (-1: none)
    std::vector<std::string> dirs;
};
// The record that the file at key holds: its seal, the files and folders it lists.
Record ReadRecord(const std::string& key) {
    Record record;
    const Node* copy = Find(world(), key);
    if (!copy || copy->directory) return record;
    std::string strings = profile::ReadSection(copy->data, "Decorama");
    std::map<uint32_t, int64_t> marks;
    std::vector<std::pair<uint32_t, std::string>> files;
    for (size_t at = 0; at < strings.size(); at += strlen(strings.c_str() + at) + 1) {
        std::string text = strings.c_str() + at, name = Lower(text.substr(0, text.find('=')));
        std::string value = text.find('=') == std::string::npos ? "" : text.substr(text.find('=') + 1);
        size_t digit = name.find_first_of("0123456789");
        uint32_t number = digit == std::string::npos ? 0 : (uint32_t)strtoul(name.c_str() + digit, nullptr, 10);
        if (name == "seal") record.seal = value;
        else if (name.rfind("file", 0) == 0 || name.rfind("sharedfile", 0) == 0) files.push_back({number, value});
        else if (name.rfind("dir", 0) == 0 || name.rfind("shareddir", 0) == 0) record.dirs.push_back(Key(value));
        else if (name.rfind("copy", 0) != 0) continue;
        // "12:1F4A09C3,5D2E77B0,15:0A0B0C0D": a mark for the number before its ":", or
        // for the one after the previous mark's.
        for (size_t p = 0; p < value.size();) {
            size_t comma = std::min(value.find(',', p), value.size());
            std::string mark = value.substr(p, comma - p);
            if (mark.find(':') != std::string::npos)
                number = (uint32_t)strtoul(mark.c_str(), nullptr, 10), mark = mark.substr(mark.find(':') + 1);
            marks[number++] = (int64_t)strtoul(mark.c_str(), nullptr, 16);
            p = comma + 1;
        }
    }
    for (auto& [number, path] : files) record.files.push_back({Key(path), marks.count(number) ? marks[number] : -1});
    return record;
}
int64_t MarkOf(const Node& node) {
    SysFileStamp stamp = {(uint32_t)node.data.size(), (uint32_t)node.writeTime, (uint32_t)(node.writeTime >> 32)};
    return StampMark(stamp);
}

// ---------------------------------------------------------------- the sequence

struct Before {
    // What a run made has a later creation order, what it wrote a later time.
    uint64_t order, clock;
    std::vector<Entry> entries;
    std::map<std::string, Record> records;  // by entry key
};

struct Sequence {
    std::vector<Theme> themes;
    World expected;  // drive C and the registry at the start, with the user's own changes
    std::map<std::string, std::map<std::string, std::string>> uses;  // entry -> file -> bytes
    std::map<std::string, std::string> installedText;  // entry "|" seal -> its theme file's lines
    std::set<std::string> userTouched;
    int userWrites = 0;
    bool cut = false;  // a power cut happened: leftovers are then allowed at the end
    std::vector<std::string> log;
    uint8_t answers = 0;
    int box = 0;
    std::string input;
    bool found = false;

    void Finding(const char* kind, const std::string& detail);
    void Note(const std::string& text);
    void Run(const std::string& command, const std::string& directory, uint8_t answers, uint8_t cutAfter,
             const std::string& themeFile = "");
    void CheckRun(const Before& before, const std::string& themeText, const std::string& target);
    void CheckWorld();
    void CheckKeysKept(const char* kind);
    void UserWrites(const std::string& key);
    void UserDeletes(const std::string& key);
    void Act(uint8_t op, uint8_t a, uint8_t b, uint8_t c);
    void End();
};
Sequence* current;

void Sequence::Note(const std::string& text) {
    static bool trace = getenv("FUZZ_SEQUENCES_TRACE") != nullptr;
    log.push_back(text);
    if (trace) fprintf(stderr, "%s\n", text.c_str());
}

void Sequence::Finding(const char* kind, const std::string& detail) {
    static const std::string ignore = "," + std::string(getenv("FUZZ_SEQUENCES_IGNORE") ? getenv("FUZZ_SEQUENCES_IGNORE") : "") + ",";
    static const char* collect = getenv("FUZZ_SEQUENCES_COLLECT");
    static const char* only = getenv("FUZZ_SEQUENCES_ONLY");
    if (ignore.find("," + std::string(kind) + ",") != std::string::npos || found) return;
    if (only && (std::string(kind) + ": " + detail).find(only) == std::string::npos) return;
    if (collect) {
        found = true;
        std::string text = std::string(kind) + ": " + detail + (cut ? " (after a power cut)" : ""), name = std::to_string(std::hash<std::string>()(text));
        if (std::ifstream(std::string(collect) + "/" + name)) return;
        std::ofstream(std::string(collect) + "/" + name, std::ios::binary) << input;
        std::ofstream(std::string(collect) + "/index", std::ios::app) << name << " " << text << "\n";
        return;
    }
    // The finding last, where the end of a log shows it.
    fprintf(stderr, "sequence fuzzer, the actions:\n");
    for (auto& line : log) fprintf(stderr, "  %s\n", line.c_str());
    fprintf(stderr, "sequence fuzzer: %s: %s%s\n", kind, detail.c_str(), cut ? " (after a power cut)" : "");
    abort();
}

int Answer(const std::string&, uint32_t style) {
    if ((style & 0xF) != SYS_MB_OKCANCEL) return SYS_IDOK;
    int box = current->box++;
    return box < 8 && (current->answers >> box & 1) ? SYS_IDCANCEL : SYS_IDOK;
}

// Runs the installer's command line in directory, answering the questions as answers
// says (bit n set: Cancel at the nth question), cut after change cutAfter (0: no cut).
void Sequence::Run(const std::string& command, const std::string& directory, uint8_t answerBits, uint8_t cutAfter,
                   const std::string& themeFile) {
    World& w = world();
    Before before{w.nextOrder, w.fileClock, Entries(), {}};
    for (auto& entry : before.entries) before.records[entry.key] = ReadRecord(Key(entry.copy));
    std::string themeText = themeFile.empty() ? "" : WithoutRecord(w.Read(themeFile));
    w.currentDirectory = w.FullPath(directory);
    w.boxes.clear(), w.events.clear(), w.missingComponents.clear();
    answers = answerBits, box = 0;
    w.powerCutAfter = cutAfter ? w.changes + cutAfter : 0;
    Note("run " + command + " in " + directory + (answerBits ? ", Cancel at questions " + std::to_string(answerBits) : "") +
         (cutAfter ? ", power cut after change " + std::to_string(cutAfter) : ""));
    std::vector<char> storage(command.size() + 2);
    char* argv[17];
    int argc = ParseCommandLine(command.c_str(), storage.data(), (uint32_t)storage.size(), argv, 16);
    // An uninstall takes away what an installation used, whatever its outcome.
    std::string target = argc > 2 && std::string(argv[1]) == "/u" ? Key(argv[2]) : "";
    for (auto& entry : before.entries)
        if (!target.empty() && Key(entry.copy) == target) uses.erase(entry.key);
    std::string module = w.FullPath(argv[0]);
    w.modulePath = module;
    argv[0] = &module[0];
    RunInstaller(argc, argv);
    for (auto& box : w.boxes) {
        std::string text = box.text;
        for (size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, " / ");
        Note("  box: " + text);
    }
    for (auto& name : w.missingComponents) Note("  missing component: " + name);
    bool cutNow = w.EndPowerCut();
    // The entries and records as the run left them (after a cut, as they stayed).
    static bool trace = getenv("FUZZ_SEQUENCES_TRACE") != nullptr;
    if (trace) {
        for (auto& entry : Entries()) {
            Note("  entry " + entry.key.substr(ENTRIES.size()) + ": " + entry.command);
            std::string record = profile::ReadSection(w.Read(entry.copy), "Decorama");
            for (char& c : record) c = c ? c : ' ';
            Note("    record: " + record);
        }
        std::string placed;
        for (auto& [key, node] : w.nodes)
            if (!expected.nodes.count(key)) placed += " " + key + (node.directory ? "\\" : "");
        Note("  not the user's:" + placed);
    }
    // Started where no theme is, the installer offers to add or remove the verb: what the
    // user agreed to is the user's own change.
    for (auto& box : w.boxes)
        if (box.text.find("shell extension") != std::string::npos) {
            for (auto it = expected.keys.lower_bound("hkcr\\"); it != expected.keys.end() && it->first.rfind("hkcr\\", 0) == 0;)
                it = expected.keys.erase(it);
            for (auto it = w.keys.lower_bound("hkcr\\"); it != w.keys.end() && it->first.rfind("hkcr\\", 0) == 0; ++it)
                expected.keys.insert(*it);
            break;
        }
    if (cutNow) {
        Note("  power cut, Windows restarted");
        cut = true;
        expected.Restart();
    } else {
        if (w.openFiles || w.openFinds || w.openKeys) Finding("handles", "a handle was left open");
        CheckRun(before, themeText, target);
    }
    CheckWorld();
}

bool Shown(const char* text) {
    for (auto& box : world().boxes)
        if (box.text == text) return true;
    return false;
}

// After a run that was not cut: what its messages say, what its entries and records
// list, and what it placed.
void Sequence::CheckRun(const Before& before, const std::string& themeText, const std::string& target) {
    World& w = world();
    std::vector<Entry> after = Entries();
    std::map<std::string, Record> records;
    std::set<std::string> remaining, used;
    for (auto& entry : after) {
        remaining.insert(entry.key);
        records[entry.key] = ReadRecord(Key(entry.copy));
        // Used by an installation that stays: its record lists it, or its theme uses it.
        if (entry.seal.empty()) continue;
        for (auto& [file, mark] : records[entry.key].files) used.insert(file);
        for (auto& dir : records[entry.key].dirs) used.insert(dir);
        if (uses.count(entry.key))
            for (auto& [file, bytes] : uses.at(entry.key)) used.insert(file);
    }
    for (auto it = uses.begin(); it != uses.end();) it = remaining.count(it->first) ? std::next(it) : uses.erase(it);
    auto usedByOthers = [&](const std::string& key) { return used.count(key) != 0; };
    // An entry of an installation that went: nothing its record listed stays.
    for (auto& entry : before.entries) {
        if (remaining.count(entry.key) || entry.seal.empty()) continue;
        const Record& record = before.records.at(entry.key);
        for (auto& [file, mark] : record.files) {
            const Node* node = Find(w, file);
            bool theCopy = node && !node->directory && (mark < 0 ? !cut : MarkOf(*node) == mark);
            if (theCopy && !expected.nodes.count(file) && !userTouched.count(file) && !usedByOthers(file))
                Finding("uninstall-left", "entry " + entry.key.substr(ENTRIES.size()) + " went, but " + file + " that its record lists stays");
        }
        for (auto& dir : record.dirs) {
            const Node* node = Find(w, dir);
            auto child = w.nodes.upper_bound(dir + "\\");
            bool empty = child == w.nodes.end() || child->first.compare(0, dir.size() + 1, dir + "\\") != 0;
            if (node && node->directory && empty && !expected.nodes.count(dir) && !usedByOthers(dir))
                Finding("uninstall-left", "entry " + entry.key.substr(ENTRIES.size()) + " went, but the empty folder " + dir + " that its record lists stays");
        }
        std::string copy = Key(entry.copy);
        if (Find(w, copy) && !expected.nodes.count(copy)) Finding("uninstall-left", "entry went, but its installed copy " + copy + " stays");
    }
    // An uninstall that says it succeeded took the entry that proved its record.
    if (Shown("Theme uninstalled successfully!"))
        for (auto& entry : before.entries)
            if (remaining.count(entry.key) && !entry.seal.empty() && Key(entry.copy) == target &&
                before.records.at(entry.key).seal == entry.seal)
                Finding("uninstall-message", "success shown, but entry " + entry.key.substr(ENTRIES.size()) + " stays");
    // The installation that said it succeeded: an entry made now, or one whose record,
    // with the entry's seal, this run wrote.
    if (Shown("Theme installed successfully!")) {
        std::vector<Entry> made;
        for (auto& entry : after) {
            const Node* now = Find(w, Key(entry.copy));
            bool isNew = !before.records.count(entry.key), sealed = records[entry.key].seal == entry.seal;
            bool written = now && (now->order >= before.order || now->writeTime > before.clock);
            if (isNew && !entry.seal.empty() && !sealed)
                Finding("install-message", "success shown, but the new entry " + entry.key.substr(ENTRIES.size()) + " and its record hold other seals");
            if (!entry.seal.empty() && sealed && (isNew || written)) made.push_back(entry);
        }
        if (made.empty()) Finding("install-message", "success shown, but no entry names a record that this run wrote");
        for (auto& entry : made) {
            const Record& record = records[entry.key];
            for (auto& [file, mark] : record.files)
                if (!Find(w, file) && !userTouched.count(file)) Finding("install-message", "success shown while " + file + " that the record lists is missing");
            for (auto& dir : record.dirs)
                if (!Find(w, dir) && !userTouched.count(dir)) Finding("install-message", "success shown while the folder " + dir + " that the record lists is missing");
        }
        if (made.size() == 1 && !themeText.empty()) {
            // An installation is its entry and its seal: a later entry of that name, with
            // another seal, is another installation.
            const std::string& entry = made[0].key;
            auto installed = installedText.find(entry + "|" + made[0].seal);
            if (installed != installedText.end() && installed->second != themeText)
                Finding("merged", "a theme whose lines differ was installed into the record of " + entry.substr(ENTRIES.size()));
            installedText[entry + "|" + made[0].seal] = themeText;
            // What the theme uses now: every file its lines name that is in place.
            std::set<std::string> copies;
            for (auto& other : after) copies.insert(Key(other.copy));
            for (const Theme& theme : themes)
                if (WithoutRecord(ThemeText(theme)) == themeText)
                    for (const Line& line : theme.lines) {
                        std::string file = TargetKey(line);
                        const Node* node = file.empty() || line.kind == BOOT_TIME ? nullptr : Find(w, file);
                        if (node && !node->directory && !copies.count(file) && !IsScreen(file) && !IsBootTimeFile(file, *node) &&
                            !expected.nodes.count(file))
                            uses[entry][file] = node->data;
                    }
        }
    }
    for (auto& [key, node] : w.nodes)
        if (!node.directory && node.order >= before.order && IsBootTimeFile(key, node))
            Finding("boot-time", "the run placed " + key + ", which Windows acts on by itself");
}

// Nothing that was there at the start, or that the user's own actions wrote, is gone,
// changed or moved; what an installed theme uses is still in place.
// Every key and value that the user had or made is still there, as it was.
void Sequence::CheckKeysKept(const char* kind) {
    World& w = world();
    for (auto& [path, key] : expected.keys) {
        auto now = w.keys.find(path);
        if (now == w.keys.end()) {
            Finding(kind, "key gone: " + path);
            continue;
        }
        for (auto& [name, data] : key.values)
            if (!now->second.values.count(name) || now->second.values.at(name) != data)
                Finding(kind, "value changed or gone: " + path + " " + name);
    }
}

void Sequence::CheckWorld() {
    const World& w = world();
    std::set<std::string> copies;
    for (auto& entry : Entries()) copies.insert(Key(entry.copy));
    for (auto& [key, node] : expected.nodes) {
        const Node* now = Find(w, key);
        if (now && now->directory == node.directory && (node.directory || (now->data == node.data && now->readOnly == node.readOnly)))
            continue;
        // Allowed: a screen moved aside by a theme that replaces it, a theme file in the
        // Themes folder holding the record of its installation, the installer's "NUL="
        // lines in WININIT.INI.
        if (IsScreen(key)) {
            const Node* backup = Find(w, key.substr(0, key.size() - 4) + ".old");
            if (backup && backup->data == node.data) continue;
        }
        if (now && KeepsLines(key, *now, node)) continue;
        if (now && !now->directory && EndsWith(key, ".the") && key.rfind(Lower(THEMES) + "\\", 0) == 0 &&
            (cut || copies.count(key)) && WithoutRecord(now->data) == WithoutRecord(node.data))
            continue;
        if (now && key == Lower(WININIT)) {
            std::string added = now->data;
            size_t at = 0;
            bool kept = true;
            for (size_t start = 0; start < node.data.size();) {
                size_t end = std::min(node.data.find('\n', start), node.data.size() - 1) + 1;
                std::string line = node.data.substr(start, end - start);
                size_t found = added.find(line, at);
                kept = kept && found != std::string::npos;
                if (kept) added.erase(found, line.size()), at = found;
                start = end;
            }
            if (kept && !IsBootTimeFile(key, {false, "WININIT.INI", added})) continue;
        }
        Finding("user-file", std::string(now ? "changed: " : "gone: ") + key);
    }
    CheckKeysKept("user-registry");
    for (auto& [entry, files] : uses)
        for (auto& [file, bytes] : files) {
            const Node* now = Find(w, file);
            if (!userTouched.count(file) && (!now || now->data != bytes))
                Finding("shared-file", file + ", which the installed theme of entry " + entry.substr(ENTRIES.size()) + " uses, is gone or changed");
        }
}

// The user writes a file: it is the user's, and so are the folders the write makes (a
// folder that an installation made stays the installation's).
void Sequence::UserWrites(const std::string& key) {
    World& w = world();
    std::string text = "the user's own text " + std::to_string(++userWrites) + "\r\n", path = Original(w, key);
    std::vector<std::string> made;
    for (size_t at = key.find('\\', 3); at != std::string::npos; at = key.find('\\', at + 1)) {
        const Node* folder = Find(w, key.substr(0, at));
        if (folder && !folder->directory) return;  // no file goes below a file
        if (!folder) made.push_back(key.substr(0, at));
    }
    Note("the user writes " + path);
    w.AddFile(path, text);
    made.push_back(key);
    for (auto& part : made) expected.nodes[part] = w.nodes[part];
    userTouched.insert(key);
    for (auto& [entry, files] : uses) files.erase(key);
}

void Sequence::UserDeletes(const std::string& key) {
    World& w = world();
    Note("the user deletes " + Original(w, key));
    w.nodes.erase(key);
    w.shortNames.erase(key);
    expected.nodes.erase(key);
    userTouched.insert(key);
    for (auto& [entry, files] : uses) files.erase(key);
}

// The full path named otherwise: short names, ".\", "x\..\", lower case, "/", a name
// relative to its folder (then *directory is that folder), a doubled separator.
std::string Spell(const std::string& path, int spelling, std::string* directory) {
    std::string folder = path.substr(0, path.rfind('\\')), name = path.substr(path.rfind('\\') + 1);
    char shortPath[TEXT_CAPACITY];
    switch (spelling & 7) {
    case 0: return SysGetShortPathName(path.c_str(), shortPath, sizeof shortPath) ? shortPath : path;
    case 1: return SysGetShortPathName(folder.c_str(), shortPath, sizeof shortPath) ? shortPath + ("\\" + name) : path;
    case 2: return folder + "\\.\\" + name;
    case 3: return folder + "\\x\\..\\" + name;
    case 4: return Lower(path);
    case 5: {
        std::string out = path;
        for (char& c : out) c = c == '\\' ? '/' : c;
        return out;
    }
    case 6: *directory = folder; return name;
    default: return folder + "\\\\" + name;
    }
}

// The theme file that a theme's folder offers first, as the installer's search finds it.
std::string FirstThemeFile(const std::string& folder) {
    const Node* first = nullptr;
    std::string prefix = Key(folder) + "\\", path;
    for (auto& [key, node] : world().nodes)
        if (key.rfind(prefix, 0) == 0 && key.find('\\', prefix.size()) == std::string::npos && EndsWith(key, ".the") &&
            (!first || node.order < first->order))
            first = &node, path = folder + "\\" + node.name;
    return path;
}

// One action, 4 bytes: op's low 3 bits choose it, its high 5 bits (choice) and c what it
// acts on; a holds the answers (bit n set: Cancel at the nth question), b the power cut
// (after change b; 0: none).
void Sequence::Act(uint8_t op, uint8_t a, uint8_t b, uint8_t c) {
    World& w = world();
    int choice = op >> 3;
    std::vector<Entry> entries;
    for (auto& entry : Entries())
        if (RunsDecorama(entry)) entries.push_back(entry);
    switch (op & 7) {
    case 0:
    case 1: {  // install: started in its folder, through the verb, spelt otherwise (c), from its installed copy
        const Theme& theme = themes[(choice & 3) % themes.size()];
        int how = choice >> 2 & 3;
        std::string path = theme.Path(), directory = WINDOWS, command, installed;
        for (auto& entry : entries) {
            std::string installation = entry.key + "|" + entry.seal;
            if (installedText.count(installation) && installedText[installation] == WithoutRecord(ThemeText(theme)))
                installed = entry.copy;
        }
        std::string verb = w.HasValue(VERB_COMMAND, "") ? w.Value(VERB_COMMAND, "") : "";
        if (how == 3 && installed.empty()) how = 0;
        if (how == 1 && verb.find("%1") == std::string::npos) how = 2;
        if (how == 0) {
            directory = theme.folder;
            path = FirstThemeFile(theme.folder);
            std::string own = theme.folder + "\\decorama.exe";
            command = Quoted(w.Exists(own) ? own : INSTALLER);
        } else if (how == 1) {
            command = verb.replace(verb.find("%1"), 2, path);
            std::string program = command.substr(1, command.find('"', 1) - 1);
            if (!w.Exists(program) || Lower(program).find("decorama") == std::string::npos) return Note("the verb is not decorama's");
        } else if (how == 2) {
            command = Quoted(INSTALLER) + " " + Quoted(Spell(path, c, &directory));
        } else {
            path = installed;
            command = Quoted(INSTALLER) + " " + Quoted(installed);
        }
        return Run(command, directory, a, b, path);
    }
    case 2:
    case 3: {  // uninstall through the entry, or "/u" with the path spelt otherwise (c)
        if (entries.empty()) return Note("no entry to uninstall");
        const Entry& entry = entries[choice % entries.size()];
        if (!w.Exists(entry.program)) {
            if (!cut) Finding("entry-program", "entry " + entry.key + " names a program that is gone");
            return;
        }
        std::string directory = WINDOWS;
        std::string command = (op & 7) == 2 ? entry.command : Quoted(entry.program) + " /u " + Quoted(Spell(entry.copy, c, &directory));
        return Run(command, directory, a, b);
    }
    case 4: {  // the user changes (a even) or deletes one of the files
        std::set<std::string> excluded;
        for (auto& entry : Entries()) excluded.insert(Key(entry.copy));
        std::vector<std::string> files;
        for (auto& [key, node] : w.nodes)
            if (!node.directory && !excluded.count(key) && !EndsWith(key, ".exe") && !EndsWith(key, ".old") && !IsScreen(key) &&
                key != Lower(WININIT) && !w.loadedFonts.count(key) && key.rfind(Lower(w.tempDirectory), 0) != 0)
                files.push_back(key);
        if (files.empty()) return;
        const std::string& key = files[(choice << 8 | c) % files.size()];
        return a & 1 ? UserDeletes(key) : UserWrites(key);
    }
    case 5: {  // the user writes a file where a theme's file goes
        std::set<std::string> targets;
        for (const Theme& theme : themes)
            for (const Line& line : theme.lines)
                if (line.kind != BOOT_TIME && !TargetKey(line).empty() && !IsScreen(TargetKey(line))) targets.insert(TargetKey(line));
        for (auto& entry : Entries()) targets.erase(Key(entry.copy));
        if (targets.empty()) return;
        std::string key = *std::next(targets.begin(), (choice << 8 | c) % targets.size());
        const Node* node = Find(w, key);
        if (node && (node->directory || w.loadedFonts.count(key))) return;
        return UserWrites(key);
    }
    case 6: {  // the Fonts folder's value goes from Shell Folders, or comes back
        bool has = w.HasValue(sysdouble::SHELL_FOLDERS_KEY, "Fonts");
        Note(has ? "the Fonts value leaves Shell Folders" : "the Fonts value comes back to Shell Folders");
        for (World* both : {&w, &expected})
            if (has) both->keys[Lower(sysdouble::SHELL_FOLDERS_KEY)].values.erase("fonts");
            else both->SetValue(sysdouble::SHELL_FOLDERS_KEY, "Fonts", FONTS);
        return CheckWorld();
    }
    default:
        Note("Windows restarts");
        w.Restart();
        expected.Restart();
        return CheckWorld();
    }
}

// Every installed theme uninstalled through its entry (OK to every question), Windows
// restarted: drive C and the registry are as they were, with the user's own changes.
// After a power cut, what an installation left may stay, but nothing of the user's may
// be gone or changed.
void Sequence::End() {
    Note("the end: every theme uninstalled through its entry, then Windows restarts");
    for (int pass = 0; pass < 3; ++pass) {
        bool removed = false;
        for (auto& entry : Entries()) {
            if (!RunsDecorama(entry) || !world().keys.count(entry.key)) continue;
            if (!world().Exists(entry.program)) {
                if (!cut) Finding("entry-program", "entry " + entry.key + " names a program that is gone");
                continue;
            }
            Run(entry.command, WINDOWS, 0, 0);
            removed = removed || !world().keys.count(entry.key);
        }
        if (!removed) break;
    }
    World& w = world();
    w.Restart();
    expected.Restart();
    for (auto& [key, node] : expected.nodes) {
        const Node* now = Find(w, key);
        if (!now || now->directory != node.directory || (now->data != node.data && !KeepsLines(key, *now, node)) ||
            now->readOnly != node.readOnly)
            Finding("end-lost", std::string(now ? "changed: " : "gone: ") + key);
    }
    CheckKeysKept("end-lost");
    if (cut) return;
    for (auto& [key, node] : w.nodes) {
        // A folder that an installation made stays while something of the user's is in it,
        // and then is the user's (an uninstall that met the user's file in it left it).
        auto inside = expected.nodes.upper_bound(key + "\\");
        auto touched = userTouched.upper_bound(key + "\\");
        bool holdsUsers = node.directory && ((inside != expected.nodes.end() && inside->first.rfind(key + "\\", 0) == 0) ||
                                             (touched != userTouched.end() && touched->rfind(key + "\\", 0) == 0));
        if (!expected.nodes.count(key) && !holdsUsers) Finding("end-left", "left behind: " + key);
    }
    for (auto& [path, key] : w.keys) {
        if (path == "hkcr" || path == "hkcu" || path == "hklm") continue;  // the double's, as a key's path makes them
        if (!expected.keys.count(path)) {
            Finding("end-left", "key left behind: " + path);
            continue;
        }
        for (auto& [name, data] : key.values)
            if (!expected.keys.at(path).values.count(name)) Finding("end-left", "value left behind: " + path + " " + name);
    }
}

// ---------------------------------------------------------------- the machine

struct Input {
    const uint8_t* data;
    size_t size, at = 0;
    uint8_t Next() { return at < size ? data[at++] : 0; }
};

void AddFile(const std::string& path, const std::string& bytes, uint64_t time = TIME_A) {
    world().AddFile(path, bytes);
    world().nodes[Key(path)].writeTime = time;
}

// m0: screens (0-2), WININIT.INI with another program's line (3), a file of someone
// else's named like the installer's copy (4), the installer beside each theme (5), the
// verb (6-7: none, ours, another program's, ours from another copy). m1: the user's own
// files and fonts. m2: other programs' entries (0-2), the installer beside the themes of
// another build (3), two to four themes (4-5), no Fonts value (6), a shut-down screen (7).
void MakeMachine(Sequence& s, Input& in) {
    uint8_t m0 = in.Next(), m1 = in.Next(), m2 = in.Next();
    sysdouble::Reset();
    World& w = world();
    w.answerBox = Answer;
    AddFile(DOCUMENT, "Dear Sir");
    AddFile(INSTALLER, INSTALLER_BYTES);
    w.AddDirectory(WINDOWS + "\\Start Menu\\Programs\\StartUp");
    w.AddDirectory(WINDOWS + "\\SYSTEM");
    if (m0 & 1) AddFile("C:\\Logo.sys", "the user's start-up screen");
    if (m0 & 2) AddFile(WINDOWS + "\\LogoW.sys", "the user's wait screen");
    if (m0 & 4) AddFile("C:\\Logo.old", "a file under the backup's name");
    if (m0 & 8) {
        AddFile(WININIT, "[rename]\r\nNUL=C:\\WINDOWS\\TEMP\\OLD.TMP\r\n");
        AddFile("C:\\WINDOWS\\TEMP\\OLD.TMP", "to go at the next start");
    }
    if (m0 & 16) AddFile(THEMES + "\\decorama.exe", "MZ someone else's decorama");
    const char* verbs[] = {nullptr, "\"C:\\Tools\\decorama.exe\" \"%1\"", "\"C:\\Other\\themer.exe\" \"%1\"",
                           "\"C:\\Downloads\\Blue\\decorama.exe\" \"%1\""};
    if (m0 >> 6) w.SetValue(VERB_COMMAND, "", verbs[m0 >> 6]);
    if (m0 >> 6 == 3) AddFile("C:\\Downloads\\Blue\\decorama.exe", INSTALLER_BYTES);
    if (m1 & 1) AddFile(THEMES + "\\a.bmp", "the user's picture");
    if (m1 & 2) AddFile(WINDOWS + "\\a.bmp", "the user's read-only picture"), w.nodes[Key(WINDOWS + "\\a.bmp")].readOnly = true;
    if (m1 & 4) AddFile(FONTS + "\\Other.ttf", TrueType("Other Sans")), w.SetValue(sysdouble::FONT_LIST, "Other Sans (TrueType)", "Other.ttf");
    if (m1 & 8) w.SetValue(sysdouble::FONT_LIST, "Blue Sans (TrueType)", "C:\\Other\\BLUESANS.TTF");
    if (m1 & 16) w.AddDirectory(THEMES + "\\Art");
    if (m1 & 32) AddFile(WINDOWS + "\\Media\\e.wav", "the user's sound");
    if (m1 & 64) AddFile(THEMES + "\\Blue.the", "; the user's notes, no theme\r\n");
    if (m1 & 128) AddFile(WINDOWS + "\\b.wav", "picture one");  // the bytes and time of a theme's file
    const std::string entry = "hklm\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
    if (m2 & 1) w.SetValue(entry + "Blue", "DisplayName", "Blue Game"), w.SetValue(entry + "Blue", "UninstallString", "C:\\Games\\Blue\\uninst.exe");
    if (m2 & 2) w.SetValue(entry + "Blue Sky", "UninstallString", "\"C:\\Tools\\decorama.exe\" /u \"" + THEMES + "\\Blue Sky.the\"");
    if (m2 & 4) w.SetValue(entry + "Sea", "UninstallString", "\"C:\\Other\\themer.exe\" /u \"" + THEMES + "\\Sea.the\"");
    if (m2 & 64) w.keys[Lower(sysdouble::SHELL_FOLDERS_KEY)].values.erase("fonts");
    if (m2 & 128) AddFile(WINDOWS + "\\LogoS.sys", "the user's safe screen");

    int count = 2 + std::min(2, m2 >> 4 & 3);
    for (int t = 0; t < count; ++t) {
        uint8_t head = in.Next();
        Theme theme;
        theme.file = FILE_NAMES[head >> 2 & 3];
        for (int f = head & 3;; f = (f + 1) & 3) {
            theme.folder = FOLDERS[f] ? FOLDERS[f] : THEMES;
            bool taken = false;
            for (auto& other : s.themes) taken = taken || Key(other.Path()) == Key(theme.Path());
            if (!taken) break;
        }
        theme.forged = head & 16 && theme.folder != THEMES;
        for (int n = head >> 5; n > 0; --n) {
            uint8_t byte = in.Next();
            Line line;
            line.kind = byte & 7;
            if (line.kind == KINDS - 1) line.kind = THEME_DIR;
            int name = byte >> 3 & 7, content = byte >> 6;
            if (line.kind == BOOT_TIME) {
                line.text = BOOT_TIME_LINES[byte >> 3 & 15];
                line.target = line.text;
                content = 0;
            } else if (line.kind >= STARTUP) {
                line.source = NAMES[3][name];
                line.text = SCREEN_KEYS[line.kind - STARTUP] + line.source;
            } else {
                line.text = TOKENS[line.kind] + std::string(NAMES[line.kind][name]);
                line.target = line.text;
            }
            if (line.source.empty()) line.source = line.text.substr(line.text.find_last_of("%\\") + 1);
            line.content = content;
            theme.lines.push_back(line);
        }
        // The theme file first, the first that a search of its folder finds, then what it names.
        if (w.IsDirectory(theme.Path())) continue;
        AddFile(theme.Path(), ThemeText(theme));
        for (const Line& line : theme.lines) {
            std::string source = theme.folder + "\\" + line.source, bytes;
            uint64_t time;
            if (SourceBytes(line.source, line.content, &bytes, &time) && !w.Exists(source)) AddFile(source, bytes, time);
        }
        std::string own = theme.folder + "\\decorama.exe";
        if (m0 & 32 && theme.folder != THEMES && !w.Exists(own)) AddFile(own, INSTALLER_BYTES, m2 & 8 ? TIME_B : TIME_A);
        s.themes.push_back(theme);
    }
    w.MakeShortNames();
    s.expected = w;
    if (getenv("FUZZ_SEQUENCES_TRACE"))
        for (const Theme& theme : s.themes) {
            std::string lines;
            for (const Line& line : theme.lines) lines += " | " + line.text;
            s.Note("theme " + theme.Path() + lines);
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    Sequence sequence;
    sequence.input.assign((const char*)data, size);
    current = &sequence;
    MakeMachine(sequence, in);
    if (sequence.themes.empty()) return 0;
    for (int action = 0; action < 12 && in.at + 4 <= in.size; ++action) {
        uint8_t op = in.Next(), a = in.Next(), b = in.Next(), c = in.Next();
        sequence.Act(op, a, b, c);
    }
    sequence.End();
    // The world goes with its input: libFuzzer takes an input that keeps memory for a leak.
    world() = World();
    return 0;
}

// Each input allocates and frees the installer's blocks many times: the stacks of every
// allocation kept for reports, and freed memory held back across thousands of inputs,
// would cost more than the runs. ASAN_OPTIONS=malloc_context_size=30 brings the stacks
// back to look at a report.
extern "C" const char* __asan_default_options() { return "malloc_context_size=0:quarantine_size_mb=32"; }
