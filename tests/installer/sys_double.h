// A headless stand-in for the installer's system interface (sys.h): in-memory drives,
// files and folders with the real calls' error codes, profile files in the real
// format, an in-memory registry, and message boxes and dialogs answered from a script
// that the test sets up, each one recorded.
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace sysdouble {

// The order of std::string's own comparison (bytes as unsigned, a prefix first), eight
// bytes at a time in this file: std::string compares with memcmp, which the sequence
// fuzzer's build hooks and records on every call, and the double's lookups of paths
// that share long beginnings were a quarter of its time.
struct KeyLess {
    bool operator()(const std::string& a, const std::string& b) const {
        size_t n = a.size() < b.size() ? a.size() : b.size(), i = 0;
        const unsigned char* p = (const unsigned char*)a.data();
        const unsigned char* q = (const unsigned char*)b.data();
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        for (; i + 8 <= n; i += 8) {
            uint64_t x, y;
            __builtin_memcpy(&x, p + i, 8);
            __builtin_memcpy(&y, q + i, 8);
            if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y);
        }
#endif
        for (; i < n; i++)
            if (p[i] != q[i]) return p[i] < q[i];
        return a.size() < b.size();
    }
};
template <class Value>
using KeyMap = std::map<std::string, Value, KeyLess>;
using KeySet = std::set<std::string, KeyLess>;

struct Node {
    bool directory = false;
    std::string name;     // as created (case kept)
    std::string data;     // file content
    bool readOnly = false;
    uint64_t order = 0;   // creation order: the order a directory search returns
    uint64_t writeTime = 0;  // last written, in FILETIME's steps; a copy keeps its source's
    int openCount = 0;    // open handles: an open file cannot be deleted or moved
    int openDenyingWrite = 0;  // of those, opened without sharing writes: no profile write then
};

struct RegistryKey {
    KeyMap<std::string> values;  // lower-case name -> stored bytes
    std::string name;                           // as first created (case kept), "" for roots
};

struct MessageBoxCall {
    std::string text, caption;
    uint32_t style;
};

struct World {
    // ---- file system: full paths "c:\dir\file", kept by their lower-case form ----
    KeyMap<Node> nodes;
    std::string currentDirectory = "C:\\";
    std::string windowsDirectory = "C:\\WINDOWS";
    std::string tempDirectory = "C:\\WINDOWS\\TEMP";  // "" makes GetTempPath fail
    // Short (8.3) names: lower-case full path of a file or folder -> its short name. A
    // path may use either name of each of its parts.
    KeyMap<std::string> shortNames;
    KeyMap<uint32_t> copyFailures;    // lower-case destination -> error
    KeyMap<uint32_t> deleteFailures;  // lower-case path -> error
    // A small volume: the files below volumeFolder hold at most volumeCapacity bytes
    // together (0: no limit). A copy that does not fit fails with 112, leaving the part
    // that fitted when copyLeavesPart (Wine's copy does). A profile write that does not
    // fit cuts the file at the limit and still reports success, as Wine's does, unless
    // profileWriteReportsFailure (then it fails with 112 and leaves the file).
    std::string volumeFolder;
    uint64_t volumeCapacity = 0;
    bool copyLeavesPart = true;
    bool profileWriteReportsFailure = false;
    // With profileCache, profile reads are served from the content last written until
    // the file's cache is flushed (all three of section, key and value null).
    bool profileCache = false;
    KeyMap<std::string> profileCached;  // lower-case full path -> content
    uint64_t nextOrder = 1;
    uint64_t fileClock = 0x01DD000000000000ull;  // the time each write of a file takes, then moves on
    int openFiles = 0;
    int openFinds = 0;

    // ---- registry: "hklm\software\..." lower-case paths ----
    KeyMap<RegistryKey> keys;
    KeySet keysFailingCreate;  // lower-case full paths
    KeySet keysFailingDelete;
    int openKeys = 0;

    // ---- platform ----
    bool versionFails = false;
    uint64_t systemTime = 0x01DD123456789ABCull;  // GetSystemTimeAsFileTime
    uint32_t processId = 0x1234;
    uint32_t platformId = 1;
    std::string modulePath = "C:\\Tools\\decorama.exe";
    bool allocFails = false;
    int commonControlsInits = 0;
    uint32_t lastError = 0;

    // ---- fonts: what AddFontResource loaded (lower-case paths); a loaded font file
    // cannot be deleted, as on Windows ----
    std::multiset<std::string, KeyLess> loadedFonts;
    int fontChanges = 0;  // WM_FONTCHANGE broadcasts
    KeySet fontsInUse;  // lower-case paths that RemoveFontResource refuses

    // ---- user interface ----
    std::deque<int> answers;  // answers to message boxes in order; OK when empty
    std::vector<MessageBoxCall> boxes;
    std::vector<std::string> missingComponents;
    bool progressFails = false;
    bool progressCreated = false;
    bool progressDestroyed = false;
    bool captured = false;
    bool waitCursor = false;
    std::string banner;
    int rangeLow = -1, rangeHigh = -1, step = -1, steps = 0;
    std::vector<int> stepsAtQuestions;  // the bar's position at each question over it
    uint32_t ticks = 0;         // GetTickCount; each call moves it on by tickStep
    uint32_t tickStep = 1;
    std::vector<std::string> events;  // "step", "box:<text>", "missing:<name>", "copy:<name>"

    // Files and folders.
    void AddDirectory(const std::string& path);  // with every missing parent
    void AddFile(const std::string& path, const std::string& data = "");
    bool Exists(const std::string& path) const;
    bool IsDirectory(const std::string& path) const;
    std::string Read(const std::string& path) const;
    // Every path below root (lower-case), files and folders, sorted.
    std::vector<std::string> Tree(const std::string& root = "") const;
    std::string FullPath(const std::string& path) const;  // resolved, original case kept
    // The full path as GetFullPathName spells it: "/", "." and ".." folded, short names
    // kept as they are written.
    std::string Spelt(const std::string& path) const;
    std::string Resolve(const std::string& path, bool longNames) const;

    // Registry.
    void SetValue(const std::string& key, const std::string& name, const std::string& value);
    bool HasKey(const std::string& key) const;
    std::string Value(const std::string& key, const std::string& name) const;  // without the zero
    bool HasValue(const std::string& key, const std::string& name) const;
    std::vector<std::string> KeyPaths() const;

    // The text of every message box so far.
    std::vector<std::string> BoxTexts() const;

    // ---- hooks of the sequence fuzzer, off until a test sets them ----
    // Short names made as Windows makes them: a file or folder created under a name
    // that is no 8.3 name gets "STEM~N.EXT", the first N free in its folder.
    bool makesShortNames = false;
    void MakeShortNames();  // turns it on, and names what is there already
    // Answers every message box when set (answers is then left alone).
    int (*answerBox)(const std::string& text, uint32_t style) = nullptr;
    // A power cut: the system calls that changed a file, folder, key or value are
    // counted; with powerCutAfter n, drive C and the registry as they stood right after
    // change n are kept, and EndPowerCut (once the program has ended) puts them back and
    // restarts Windows: nothing after change n took effect.
    uint64_t changes = 0;
    uint64_t powerCutAfter = 0;
    bool powerCut = false;
    KeyMap<Node> cutNodes;
    KeyMap<std::string> cutShortNames;
    KeyMap<RegistryKey> cutKeys;
    bool EndPowerCut();  // false when no cut happened
    // Windows starting again: WININIT.INI's [rename] section carried out ("NUL=<path>"
    // deletes, "<new>=<old>" puts old in new's place) and taken out of the file (a file
    // left empty goes), the fonts that AddFontResource loaded gone, no handle open.
    void Restart();
    void NameShortly(const std::string& full);  // a new node's short name, when it needs one
};

// What a fresh world holds of Plus! Themes and the Fonts folder.
inline const std::string THEMES_FOLDER = "C:\\Program Files\\Plus!\\Themes";
inline const std::string APP_PATHS_KEY = "hklm\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\THEMES.EXE";
inline const std::string FONT_LIST = "hklm\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Fonts";
inline const std::string SHELL_FOLDERS_KEY = "hkcu\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The one world that the system functions act on.
World& world();
// A fresh world: drive C with C:\WINDOWS, C:\WINDOWS\FONTS, the Themes folder
// "C:\Program Files\Plus!\Themes" and its App Paths key, the Fonts folder value.
void Reset();
std::string Lower(const std::string& text);

}  // namespace sysdouble
