// The in-memory system behind sys.h for the unit tests and fuzz targets.
#include "sys_double.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "installer.h"
#include "profile_model.h"
#include "resources/decorama_ids.h"
#include "sys.h"
#include "sys_double_errors.h"

namespace sysdouble {

static World* theWorld = new World();

World& world() { return *theWorld; }

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return out;
}

// No file or folder name holds a character below 32.
static bool InvalidName(const std::string& full) {
    for (char c : full)
        if ((unsigned char)c < 0x20) return true;
    return false;
}

static uint32_t Fail(uint32_t error) {
    world().lastError = error;
    return error;
}

// A system call changed a file, folder, key or value: counted, for the power cut.
static void Changed() {
    World& w = world();
    if (++w.changes != w.powerCutAfter) return;
    w.powerCut = true;
    w.cutNodes = w.nodes;
    w.cutShortNames = w.shortNames;
    w.cutKeys = w.keys;
}

// ---------------------------------------------------------------- paths

static std::string Parent(const std::string& full) {
    // full is "c:\..." ; the root "c:\" has no parent
    if (full.size() <= 3) return "";
    size_t slash = full.rfind('\\');
    return slash == 2 ? full.substr(0, 3) : full.substr(0, slash);
}

static std::string LastPart(const std::string& full) {
    return full.size() <= 3 ? full : full.substr(full.rfind('\\') + 1);
}

// A path that names its drive and root and has nothing to fold: no "/", no empty part,
// no "." or "..", no name ending in a dot or a blank.
static bool IsPlainFullPath(const std::string& path) {
    if (path.size() < 3 || path[1] != ':' || path[2] != '\\' || path.find('/') != std::string::npos) return false;
    for (size_t start = 3; start < path.size();) {
        size_t end = std::min(path.find('\\', start), path.size());
        if (end == start || path[end - 1] == '.' || path[end - 1] == ' ') return false;
        start = end + 1;
        if (end == path.size() - 1) return false;
    }
    return true;
}

// Resolves path against the current directory the way Win32 does: "/" is a
// separator, "." and ".." are folded, trailing dots and blanks of a name dropped.
std::string World::FullPath(const std::string& input) const { return Resolve(input, true); }

std::string World::Spelt(const std::string& input) const { return Resolve(input, false); }

std::string World::Resolve(const std::string& input, bool longNames) const {
    // Such a path is its own full path, unless a part of it is a short name.
    if (IsPlainFullPath(input) && (!longNames || shortNames.empty() || nodes.count(Lower(input)))) return input;
    std::string path = input;
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string base;
    if (path.size() >= 2 && path[1] == ':') {
        std::string drive = path.substr(0, 2);
        path = path.substr(2);
        if (path.empty() || path[0] != '\\') {
            base = Lower(currentDirectory.substr(0, 2)) == Lower(drive) ? currentDirectory : drive + "\\";
        } else {
            base = drive + "\\";
        }
    } else if (!path.empty() && path[0] == '\\') {
        base = currentDirectory.substr(0, 3);
    } else {
        base = currentDirectory;
    }
    std::vector<std::string> parts;
    auto split = [&](const std::string& text, bool isBase) {
        size_t start = isBase ? 3 : 0;
        while (start <= text.size()) {
            size_t end = text.find('\\', start);
            if (end == std::string::npos) end = text.size();
            std::string part = text.substr(start, end - start);
            while (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." && part != "..")
                part.pop_back();
            if (part == "..") {
                if (!parts.empty()) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            start = end + 1;
        }
    };
    split(base, true);
    split(path, false);
    std::string out = base.substr(0, 2) + "\\";
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string folder = out;
        out += (i ? "\\" : "") + parts[i];
        if (!longNames || shortNames.empty() || nodes.count(Lower(out))) continue;
        // A short name stands for the long one beside it.
        std::string lowerFolder = Lower(folder);
        for (auto& [longPath, shortName] : shortNames)
            if (strcasecmp(shortName.c_str(), parts[i].c_str()) == 0 && longPath.size() > folder.size() &&
                longPath.compare(0, folder.size(), lowerFolder) == 0 &&
                longPath.find('\\', folder.size() + (i ? 1 : 0)) == std::string::npos && nodes.count(longPath))
                out = folder + (i ? "\\" : "") + nodes.at(longPath).name;
    }
    return out;
}

static Node* Find(const std::string& full) {
    auto it = world().nodes.find(Lower(full));
    return it == world().nodes.end() ? nullptr : &it->second;
}

static bool ParentIsDirectory(const std::string& full) {
    Node* parent = Find(Parent(full));
    return parent && parent->directory;
}

// The error for a path that does not exist: 3 when its folder is missing too.
static uint32_t MissingError(const std::string& full) {
    return ParentIsDirectory(full) ? SYS_ERROR_FILE_NOT_FOUND : SYS_ERROR_PATH_NOT_FOUND;
}

void World::AddDirectory(const std::string& path) {
    std::string full = FullPath(path);
    if (full.size() > 3) AddDirectory(Parent(full));
    Node& node = nodes[Lower(full)];
    if (!node.directory) {
        node.directory = true;
        node.name = LastPart(full);
        node.order = nextOrder++;
        NameShortly(full);
    }
}

void World::AddFile(const std::string& path, const std::string& data) {
    std::string full = FullPath(path);
    AddDirectory(Parent(full));
    Node& node = nodes[Lower(full)];
    if (node.order == 0) node.order = nextOrder++, NameShortly(full);
    node.directory = false;
    node.name = LastPart(full);
    node.data = data;
    node.writeTime = fileClock += 10000000;  // a second later
}

bool World::Exists(const std::string& path) const { return nodes.count(Lower(FullPath(path))) != 0; }

bool World::IsDirectory(const std::string& path) const {
    auto it = nodes.find(Lower(FullPath(path)));
    return it != nodes.end() && it->second.directory;
}

std::string World::Read(const std::string& path) const {
    auto it = nodes.find(Lower(FullPath(path)));
    return it == nodes.end() ? std::string() : it->second.data;
}

std::vector<std::string> World::Tree(const std::string& root) const {
    std::string prefix = root.empty() ? "" : Lower(FullPath(root));
    std::vector<std::string> out;
    for (auto& [key, node] : nodes)
        if (key != prefix && key.compare(0, prefix.size(), prefix) == 0) out.push_back(key);
    return out;
}

static bool HasChildren(const std::string& lowerFull) {
    std::string prefix = lowerFull.size() == 3 ? lowerFull : lowerFull + "\\";
    auto it = world().nodes.upper_bound(prefix);
    return it != world().nodes.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

static bool InVolume(const std::string& full) {
    const World& w = world();
    if (!w.volumeCapacity) return false;
    std::string folder = Lower(w.FullPath(w.volumeFolder));
    std::string path = Lower(full);
    std::string prefix = folder.size() == 3 ? folder : folder + "\\";
    return path == folder || path.compare(0, prefix.size(), prefix) == 0;
}

// Bytes that the volume's files hold, leaving out the file at except.
static uint64_t VolumeUsed(const std::string& except = "") {
    uint64_t used = 0;
    for (auto& [key, node] : world().nodes)
        if (!node.directory && key != Lower(except) && InVolume(key)) used += node.data.size();
    return used;
}

// ---------------------------------------------------------------- registry

static std::string KeyPath(const std::string& path) {
    std::string out = Lower(path);
    while (!out.empty() && out.back() == '\\') out.pop_back();
    return out;
}

// Makes the key at the lower-case path and every key above it, each keeping the case
// of its name as original (the same path, any case) gives it when it is made.
static void MakeKey(KeyMap<RegistryKey>& keys, const std::string& path, const std::string& original) {
    for (size_t i = path.find('\\');; i = path.find('\\', i + 1)) {
        std::string prefix = path.substr(0, i);
        RegistryKey& key = keys[prefix];
        if (key.name.empty()) {
            size_t start = prefix.rfind('\\');
            if (start != std::string::npos) key.name = original.substr(start + 1, prefix.size() - start - 1);
        }
        if (i == std::string::npos) break;
    }
}

void World::SetValue(const std::string& key, const std::string& name, const std::string& value) {
    std::string path = KeyPath(key), original = key.substr(0, path.size());
    MakeKey(keys, path, original);
    keys[path].values[Lower(name)] = value + std::string(1, '\0');
}

bool World::HasKey(const std::string& key) const { return keys.count(KeyPath(key)) != 0; }

bool World::HasValue(const std::string& key, const std::string& name) const {
    auto it = keys.find(KeyPath(key));
    return it != keys.end() && it->second.values.count(Lower(name));
}

std::string World::Value(const std::string& key, const std::string& name) const {
    auto it = keys.find(KeyPath(key));
    if (it == keys.end()) return "<no key>";
    auto value = it->second.values.find(Lower(name));
    if (value == it->second.values.end()) return "<no value>";
    std::string data = value->second;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

std::vector<std::string> World::KeyPaths() const {
    std::vector<std::string> out;
    for (auto& [path, key] : keys) out.push_back(path);
    return out;
}

std::vector<std::string> World::BoxTexts() const {
    std::vector<std::string> out;
    for (auto& box : boxes) out.push_back(box.text);
    return out;
}

void Reset() {
    delete theWorld;
    theWorld = new World();
    World& w = world();
    w.AddDirectory("C:\\WINDOWS\\FONTS");
    w.AddDirectory(THEMES_FOLDER);
    w.SetValue(APP_PATHS_KEY, "Path", THEMES_FOLDER + ";");
    w.SetValue(SHELL_FOLDERS_KEY, "Fonts", "C:\\WINDOWS\\FONTS");
    w.AddDirectory(w.tempDirectory);
    w.keys["hklm\\software\\microsoft\\windows\\currentversion\\uninstall"];
    w.keys["hkcr\\themefile"];
    w.SetValue(FONT_LIST, "Arial (TrueType)", "ARIAL.TTF");
}

// ---------------------------------------------------------------- hooks of the sequence fuzzer

static bool IsShortNameCharacter(char c) { return c != ' ' && c != '.' && !strchr("+,;=[]", c); }

// A name that is its own 8.3 name: a stem of one to eight characters, at most one dot
// and three more, none of the characters that a short name may not hold.
static bool IsShortName(const std::string& name) {
    size_t dot = name.find('.');
    size_t stem = dot == std::string::npos ? name.size() : dot;
    if (stem == 0 || stem > 8 || (dot != std::string::npos && (name.size() - dot - 1 > 3 || name.find('.', dot + 1) != std::string::npos)))
        return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (i != dot && !IsShortNameCharacter(name[i])) return false;
    return true;
}

void World::NameShortly(const std::string& full) {
    std::string name = LastPart(full);
    if (!makesShortNames || full.size() <= 3 || IsShortName(name)) return;
    auto squeeze = [](const std::string& text, size_t most) {
        std::string out;
        for (char c : text)
            if (IsShortNameCharacter(c) && out.size() < most) out += (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        return out;
    };
    size_t dot = name.rfind('.');
    std::string stem = squeeze(name.substr(0, dot), 6), extension = dot == std::string::npos ? "" : squeeze(name.substr(dot + 1), 3);
    std::string folder = Lower(Parent(full)), prefix = folder.size() == 3 ? folder : folder + "\\";
    for (int n = 1; n < 100; ++n) {
        std::string alias = stem + "~" + std::to_string(n) + (extension.empty() ? "" : "." + extension);
        bool taken = nodes.count(prefix + Lower(alias)) != 0;
        for (auto& [path, other] : shortNames)
            taken = taken || (Lower(other) == Lower(alias) && Parent(path) == folder && nodes.count(path));
        if (!taken) {
            shortNames[Lower(full)] = alias;
            return;
        }
    }
}

void World::MakeShortNames() {
    makesShortNames = true;
    for (auto& [key, node] : nodes) {
        std::string folder = Parent(key);
        if (!folder.empty()) NameShortly(folder + (folder.size() > 3 ? "\\" : "") + node.name);
    }
}

bool World::EndPowerCut() {
    bool cut = powerCut;
    powerCutAfter = 0;
    powerCut = false;
    if (!cut) return false;
    nodes = std::move(cutNodes);
    shortNames = std::move(cutShortNames);
    keys = std::move(cutKeys);
    Restart();
    return true;
}

void World::Restart() {
    std::string file = Lower(FullPath(windowsDirectory + "\\WININIT.INI"));
    auto ini = nodes.find(file);
    std::string text = ini == nodes.end() || ini->second.directory ? "" : ini->second.data;
    if (Lower(text).find("[rename]") != std::string::npos) {
        std::string lines = profile::ReadSection(text, "rename");
        for (size_t at = 0; at < lines.size(); at += strlen(lines.c_str() + at) + 1) {
            std::string line = lines.c_str() + at;
            size_t equals = line.find('=');
            if (equals == std::string::npos) continue;
            std::string target = line.substr(0, equals), source = Lower(FullPath(line.substr(equals + 1)));
            auto found = nodes.find(source);
            if (found == nodes.end() || found->second.directory) continue;
            Node moved = found->second;
            nodes.erase(found);
            if (Lower(target) == "nul") continue;
            std::string to = FullPath(target);
            moved.name = LastPart(to);
            nodes[Lower(to)] = moved;
        }
        text = profile::Write(text, "rename", nullptr, nullptr);
        ini = nodes.find(file);
        if (ini != nodes.end() && text.find_first_not_of("\r\n \t") == std::string::npos) nodes.erase(ini);
        else if (ini != nodes.end()) ini->second.data = text;
    }
    loadedFonts.clear();
    openFiles = openFinds = openKeys = 0;
    for (auto& [key, node] : nodes) node.openCount = node.openDenyingWrite = 0;
}

}  // namespace sysdouble

using namespace sysdouble;

// ---------------------------------------------------------------- platform, folders

bool SysGetVersion(uint32_t* platformId) {
    if (world().versionFails) return false;
    *platformId = world().platformId;
    return true;
}

static uint32_t CopyOut(const std::string& text, char* buffer, uint32_t capacity) {
    if (text.size() + 1 > capacity) return (uint32_t)text.size() + 1;
    memcpy(buffer, text.c_str(), text.size() + 1);
    return (uint32_t)text.size();
}

uint32_t SysGetWindowsDirectory(char* buffer, uint32_t capacity) {
    return CopyOut(world().windowsDirectory, buffer, capacity);
}

uint32_t SysGetCurrentDirectory(uint32_t capacity, char* buffer) {
    return CopyOut(world().currentDirectory, buffer, capacity);
}

bool SysSetCurrentDirectory(const char* path) {
    if (!*path) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    std::string full = world().FullPath(path);
    Node* node = Find(full);
    if (!node) return Fail(MissingError(full)), false;
    if (!node->directory) return Fail(SYS_ERROR_DIRECTORY), false;
    // Kept as it was spelt, short names and all, as the real call keeps it.
    world().currentDirectory = world().Spelt(path);
    return true;
}

uint32_t SysGetModuleFileName(char* buffer, uint32_t capacity) {
    std::string path = world().modulePath.substr(0, capacity - 1);
    memcpy(buffer, path.c_str(), path.size() + 1);
    return (uint32_t)path.size();
}

uint32_t SysGetLastError() { return world().lastError; }

void SysGetSystemTime(uint32_t* low, uint32_t* high) {
    *low = (uint32_t)world().systemTime;
    *high = (uint32_t)(world().systemTime >> 32);
}

uint32_t SysGetCurrentProcessId() { return world().processId; }

uint32_t SysGetFullPathName(const char* path, uint32_t capacity, char* buffer) {
    if (!*path) return Fail(SYS_ERROR_PATH_NOT_FOUND), 0;
    return CopyOut(world().Spelt(path), buffer, capacity);
}

uint32_t SysGetShortPathName(const char* path, char* buffer, uint32_t capacity) {
    World& w = world();
    std::string full = w.FullPath(path);
    if (!*path || !Find(full)) return Fail(*path ? MissingError(full) : SYS_ERROR_PATH_NOT_FOUND), 0;
    std::string out = full.substr(0, 3), at = Lower(full.substr(0, 2));
    for (size_t start = 3; start < full.size();) {
        size_t end = std::min(full.find('\\', start), full.size());
        at += "\\" + Lower(full.substr(start, end - start));
        auto alias = w.shortNames.find(at);
        out += (out.size() > 3 ? "\\" : "") + (alias != w.shortNames.end() ? alias->second : full.substr(start, end - start));
        start = end + 1;
    }
    return CopyOut(out, buffer, capacity);
}

uint32_t SysGetTempPath(uint32_t capacity, char* buffer) {
    if (world().tempDirectory.empty()) return 0;
    return CopyOut(world().tempDirectory + "\\", buffer, capacity);
}

bool SysGetTempFileName(const char* folder, const char* prefix, char* buffer) {
    World& w = world();
    std::string dir = w.FullPath(folder);
    Node* node = Find(dir);
    if (!node || !node->directory) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    for (unsigned n = 1; n < 0x10000; ++n) {
        char name[16];
        snprintf(name, sizeof name, "%.3s%X.TMP", prefix, n);
        std::string path = dir + (dir.size() > 3 ? "\\" : "") + name;
        if (Find(path)) continue;
        w.AddFile(path);
        Changed();
        memcpy(buffer, path.c_str(), path.size() + 1);
        return true;
    }
    return Fail(SYS_ERROR_FILE_EXISTS), false;
}

// ---------------------------------------------------------------- files

struct FileHandle {
    Node* node;  // stays valid: an open file cannot be deleted or moved
    size_t position = 0;
    bool sharesWrite = false;
};

static bool Matches(const char* pattern, const char* name) {
    if (*pattern == 0) return *name == 0;
    if (*pattern == '*') return Matches(pattern + 1, name) || (*name && Matches(pattern, name + 1));
    if (*name == 0) return false;
    if (*pattern == '?' || Lower(std::string(1, *pattern)) == Lower(std::string(1, *name))) return Matches(pattern + 1, name + 1);
    return false;
}

// A running search: what matched, in the order a directory search returns it.
struct FindHandle {
    std::string folder;
    std::vector<const Node*> matches;
    size_t next = 0;
};

static void TakeMatch(const World& w, const std::string& folder, const Node& node, SysFindData* found) {
    std::string name = node.name.substr(0, 259);
    memcpy(found->name, name.c_str(), name.size() + 1);
    auto alias = w.shortNames.find(Lower(folder + (folder.size() > 3 ? "\\" : "") + node.name));
    std::string shortName = alias == w.shortNames.end() ? "" : alias->second.substr(0, 13);
    memcpy(found->shortName, shortName.c_str(), shortName.size() + 1);
    found->attributes = (node.directory ? 0x10u : 0x80u) | (node.readOnly ? 0x01u : 0u);
    found->sizeHigh = 0;
    found->sizeLow = (uint32_t)node.data.size();
    found->timeLow = (uint32_t)node.writeTime;
    found->timeHigh = (uint32_t)(node.writeTime >> 32);
}

SysFind SysFindFirstFile(const char* pattern, SysFindData* found) {
    std::string full = world().FullPath(pattern);
    std::string directory = Parent(full), namePattern = FindBaseName(pattern);
    Node* folder = Find(directory);
    if (namePattern.empty() || !folder || !folder->directory)
        return Fail(namePattern.empty() ? SYS_ERROR_FILE_NOT_FOUND : SYS_ERROR_PATH_NOT_FOUND), nullptr;
    FindHandle* handle = new FindHandle;
    std::string prefix = Lower(directory.size() == 3 ? directory : directory + "\\");
    for (auto& [key, node] : world().nodes) {
        if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
        if (key.find('\\', prefix.size()) != std::string::npos) continue;
        // The pattern matches the long name or the short one, as on Windows.
        auto alias = world().shortNames.find(key);
        if (Matches(namePattern.c_str(), node.name.c_str()) ||
            (alias != world().shortNames.end() && Matches(namePattern.c_str(), alias->second.c_str())))
            handle->matches.push_back(&node);
    }
    std::sort(handle->matches.begin(), handle->matches.end(),
              [](const Node* a, const Node* b) { return a->order < b->order; });
    if (handle->matches.empty()) {
        delete handle;
        return Fail(SYS_ERROR_FILE_NOT_FOUND), nullptr;
    }
    handle->folder = directory;
    TakeMatch(world(), directory, *handle->matches[handle->next++], found);
    ++world().openFinds;
    return handle;
}

bool SysFindNextFile(SysFind find, SysFindData* found) {
    FindHandle* handle = (FindHandle*)find;
    if (handle->next >= handle->matches.size()) return Fail(SYS_ERROR_NO_MORE_FILES), false;
    TakeMatch(world(), handle->folder, *handle->matches[handle->next++], found);
    return true;
}

bool SysFindClose(SysFind find) {
    delete (FindHandle*)find;
    --world().openFinds;
    return true;
}

SysFile SysOpenExisting(const char* path, uint32_t shareMode, bool) {
    std::string full = world().FullPath(path);
    Node* node = Find(full);
    if (!*path || !node) return Fail(*path ? MissingError(full) : SYS_ERROR_PATH_NOT_FOUND), nullptr;
    if (node->directory) return Fail(SYS_ERROR_ACCESS_DENIED), nullptr;
    ++world().openFiles;
    ++node->openCount;
    if (!(shareMode & SYS_SHARE_WRITE)) ++node->openDenyingWrite;
    return new FileHandle{node, 0, (shareMode & SYS_SHARE_WRITE) != 0};
}

bool SysReadFile(SysFile file, void* buffer, uint32_t count, uint32_t* got) {
    FileHandle* handle = (FileHandle*)file;
    Node* node = handle->node;
    size_t n = handle->position >= node->data.size() ? 0 : std::min<size_t>(count, node->data.size() - handle->position);
    memcpy(buffer, node->data.data() + handle->position, n);
    handle->position += n;
    *got = (uint32_t)n;
    return true;
}

bool SysRewindFile(SysFile file) {
    ((FileHandle*)file)->position = 0;
    return true;
}

bool SysSeekFile(SysFile file, uint32_t offset) {
    ((FileHandle*)file)->position = offset;
    return true;
}

uint32_t SysSeekFromEnd(SysFile file, uint32_t back) {
    FileHandle* handle = (FileHandle*)file;
    if (back > handle->node->data.size()) return Fail(SYS_ERROR_NEGATIVE_SEEK), SYS_INVALID_FILE_SIZE;
    return (uint32_t)(handle->position = handle->node->data.size() - back);
}

bool SysCloseFile(SysFile file) {
    --((FileHandle*)file)->node->openCount;
    if (!((FileHandle*)file)->sharesWrite) --((FileHandle*)file)->node->openDenyingWrite;
    delete (FileHandle*)file;
    --world().openFiles;
    return true;
}

bool SysCopyFile(const char* source, const char* destination, bool failIfExists) {
    World& w = world();
    w.events.push_back(std::string("copy:") + FindBaseName(destination));
    if (!*source || !*destination) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    std::string from = w.FullPath(source), to = w.FullPath(destination);
    auto failure = w.copyFailures.find(Lower(to));
    if (failure != w.copyFailures.end()) return Fail(failure->second), false;
    Node* src = Find(from);
    if (!src) return Fail(MissingError(from)), false;
    if (src->directory) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    if (InvalidName(to)) return Fail(SYS_ERROR_INVALID_NAME), false;
    if (!ParentIsDirectory(to)) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    Node* dst = Find(to);
    if (dst && failIfExists) return Fail(SYS_ERROR_FILE_EXISTS), false;
    if (dst && (dst->directory || dst->readOnly)) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    if (dst && dst->openCount) return Fail(SYS_ERROR_SHARING_VIOLATION), false;
    std::string data = src->data;
    bool readOnly = src->readOnly;
    if (InVolume(to)) {
        uint64_t used = VolumeUsed(to);
        uint64_t room = used < w.volumeCapacity ? w.volumeCapacity - used : 0;
        if (data.size() > room) {
            if (w.copyLeavesPart) w.AddFile(to, data.substr(0, (size_t)room));
            return Fail(SYS_ERROR_DISK_FULL), false;
        }
    }
    uint64_t written = src->writeTime;
    w.AddFile(to, data);
    Find(to)->readOnly = readOnly;  // attributes and the time of the last write travel with the copy
    Find(to)->writeTime = written;
    Changed();
    return true;
}

bool SysGetFileStamp(const char* path, SysFileStamp* stamp) {
    std::string full = world().FullPath(path);
    Node* node = *path ? Find(full) : nullptr;
    if (!node) return Fail(*path ? MissingError(full) : SYS_ERROR_PATH_NOT_FOUND), false;
    if (node->directory) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    stamp->size = (uint32_t)node->data.size();
    stamp->timeLow = (uint32_t)node->writeTime;
    stamp->timeHigh = (uint32_t)(node->writeTime >> 32);
    return true;
}

uint32_t SysGetFileAttributes(const char* path) {
    Node* node = *path ? Find(world().FullPath(path)) : nullptr;
    if (!node) return Fail(*path ? MissingError(world().FullPath(path)) : SYS_ERROR_PATH_NOT_FOUND), SYS_INVALID_FILE_ATTRIBUTES;
    return (node->directory ? 0x10u : 0x80u) | (node->readOnly ? 0x01u : 0u);
}

bool SysSetNormalAttributes(const char* path) {
    Node* node = Find(world().FullPath(path));
    if (!*path || !node) return Fail(*path ? MissingError(world().FullPath(path)) : SYS_ERROR_PATH_NOT_FOUND), false;
    node->readOnly = false;
    Changed();
    return true;
}

bool SysMoveFile(const char* source, const char* destination) {
    World& w = world();
    std::string from = w.FullPath(source), to = w.FullPath(destination);
    Node* src = Find(from);
    if (!src) return Fail(MissingError(from)), false;
    if (src->openCount) return Fail(SYS_ERROR_SHARING_VIOLATION), false;
    if (Find(to)) return Fail(SYS_ERROR_ALREADY_EXISTS), false;
    if (InvalidName(to)) return Fail(SYS_ERROR_INVALID_NAME), false;
    if (!ParentIsDirectory(to)) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    // Move the node and, for a folder, everything below it.
    std::string fromKey = Lower(from), toKey = Lower(to);
    std::vector<std::pair<std::string, Node>> moved;
    for (auto it = w.nodes.begin(); it != w.nodes.end();) {
        bool below = it->first == fromKey || it->first.compare(0, fromKey.size() + 1, fromKey + "\\") == 0;
        if (below) {
            moved.emplace_back(toKey + it->first.substr(fromKey.size()), it->second);
            it = w.nodes.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [key, node] : moved) {
        if (key == toKey) node.name = LastPart(to);
        w.nodes[key] = node;
        if (!w.makesShortNames) continue;
        // Short names go with their files; the file moved gets one for its new name.
        std::string from = fromKey + key.substr(toKey.size());
        auto alias = w.shortNames.find(from);
        if (alias != w.shortNames.end() && key != toKey) w.shortNames[key] = alias->second;
        if (alias != w.shortNames.end()) w.shortNames.erase(from);
        if (key == toKey) w.NameShortly(to);
    }
    Changed();
    return true;
}

bool SysWriteFileStart(const char* path, const void* data, uint32_t length) {
    World& w = world();
    std::string full = w.FullPath(path);
    Node* node = Find(full);
    if (node && (node->directory || node->readOnly)) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    if (node && node->openCount) return Fail(SYS_ERROR_SHARING_VIOLATION), false;
    if (!node && !ParentIsDirectory(full)) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    std::string text((const char*)data, length), old = node ? node->data : "";
    if (old.size() > text.size()) text += old.substr(text.size());
    w.AddFile(full, text);
    Changed();
    return true;
}

// The file or folder that a deletion of path takes: null, with the error set, when
// there is none or the test makes the deletion fail.
static Node* FindToDelete(const char* path, std::string* full) {
    World& w = world();
    *full = w.FullPath(path);
    auto failure = w.deleteFailures.find(Lower(*full));
    if (failure != w.deleteFailures.end()) return Fail(failure->second), nullptr;
    Node* node = Find(*full);
    if (!*path || !node) return Fail(*path ? MissingError(*full) : SYS_ERROR_PATH_NOT_FOUND), nullptr;
    return node;
}

bool SysDeleteFile(const char* path) {
    std::string full;
    Node* node = FindToDelete(path, &full);
    if (!node) return false;
    if (node->directory || node->readOnly) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    if (node->openCount || world().loadedFonts.count(Lower(full))) return Fail(SYS_ERROR_SHARING_VIOLATION), false;
    world().nodes.erase(Lower(full));
    if (world().makesShortNames) world().shortNames.erase(Lower(full));
    Changed();
    return true;
}

bool SysCreateDirectory(const char* path) {
    World& w = world();
    std::string full = w.FullPath(path);
    if (!*path || Find(full)) return Fail(SYS_ERROR_ALREADY_EXISTS), false;
    if (InvalidName(full)) return Fail(SYS_ERROR_INVALID_NAME), false;
    if (!ParentIsDirectory(full)) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    w.AddDirectory(full);
    Changed();
    return true;
}

bool SysRemoveDirectory(const char* path) {
    std::string full;
    Node* node = FindToDelete(path, &full);
    if (!node) return false;
    if (!node->directory) return Fail(SYS_ERROR_DIRECTORY), false;
    if (HasChildren(Lower(full))) return Fail(SYS_ERROR_DIR_NOT_EMPTY), false;
    world().nodes.erase(Lower(full));
    if (world().makesShortNames) world().shortNames.erase(Lower(full));
    Changed();
    return true;
}

// ---------------------------------------------------------------- profile files

// A name without a folder lies in the Windows directory, as the profile functions have it.
static std::string ProfilePath(const char* fileName) {
    std::string name = fileName;
    if (name.find_first_of("\\/") == std::string::npos)
        return world().FullPath(world().windowsDirectory + "\\" + name);
    return world().FullPath(name);
}

// What a profile read sees of a file: the cached content, if any, or the file's own
// ("" when there is no file).
static std::string ProfileContent(const std::string& full) {
    auto cached = world().profileCached.find(Lower(full));
    if (world().profileCache && cached != world().profileCached.end()) return cached->second;
    Node* node = Find(full);
    return node && !node->directory ? node->data : std::string();
}

uint32_t SysGetProfileSection(const char* section, char* buffer, uint32_t capacity, const char* fileName) {
    return profile::CopySection(profile::ReadSection(ProfileContent(ProfilePath(fileName)), section), buffer,
                                capacity);
}

uint32_t SysGetProfileString(const char* section, const char* key, const char* defaultValue,
                             char* buffer, uint32_t capacity, const char* fileName) {
    std::string content = ProfileContent(ProfilePath(fileName));
    return profile::CopyString(profile::ReadString(content, section, key, defaultValue), buffer, capacity);
}

bool SysWriteProfileString(const char* section, const char* key, const char* value, const char* fileName) {
    World& w = world();
    std::string full = ProfilePath(fileName);
    if (!section && !key && !value) {
        // Writes out and forgets the cached copy; the call itself reports failure.
        w.profileCached.erase(Lower(full));
        return false;
    }
    Node* node = Find(full);
    if (node && (node->directory || node->readOnly)) return Fail(SYS_ERROR_ACCESS_DENIED), false;
    if (node && node->openDenyingWrite) return Fail(SYS_ERROR_SHARING_VIOLATION), false;
    if (!node && !ParentIsDirectory(full)) return Fail(SYS_ERROR_PATH_NOT_FOUND), false;
    std::string data = profile::Write(ProfileContent(full), section, key, value), written = data;
    if (InVolume(full)) {
        uint64_t used = VolumeUsed(full);
        uint64_t room = used < w.volumeCapacity ? w.volumeCapacity - used : 0;
        if (data.size() > room) {
            if (w.profileWriteReportsFailure) return Fail(SYS_ERROR_DISK_FULL), false;
            written.resize((size_t)room);  // the rewrite stops where the volume is full
        }
    }
    if (w.profileCache) w.profileCached[Lower(full)] = data;
    if (node) node->data = written, node->writeTime = w.fileClock += 10000000;
    else w.AddFile(full, written);
    Changed();
    return true;
}

// ---------------------------------------------------------------- registry

struct KeyHandle {
    std::string path;
};

static std::string RootName(SysRoot root) {
    switch (root) {
    case SYS_HKEY_CLASSES_ROOT: return "hkcr";
    case SYS_HKEY_CURRENT_USER: return "hkcu";
    default: return "hklm";
    }
}

static std::string Join(const std::string& parent, const char* subkey) {
    std::string sub = subkey ? KeyPath(subkey) : "";
    return sub.empty() ? parent : parent + "\\" + sub;
}

static bool KeyExists(const std::string& path) {
    return path == "hkcr" || path == "hkcu" || path == "hklm" || world().keys.count(path);
}

static int32_t OpenPath(const std::string& path, SysKey* key) {
    if (!KeyExists(path)) return (int32_t)SYS_ERROR_FILE_NOT_FOUND;
    ++world().openKeys;
    *key = new KeyHandle{path};
    return 0;
}

int32_t SysRegOpenKey(SysRoot root, const char* subkey, SysKey* key) { return OpenPath(Join(RootName(root), subkey), key); }

int32_t SysRegOpenSubkey(SysKey parent, const char* subkey, SysKey* key) {
    return OpenPath(Join(((KeyHandle*)parent)->path, subkey), key);
}

int32_t SysRegOpenKeyReadWrite(SysRoot root, const char* subkey, SysKey* key) {
    return OpenPath(Join(RootName(root), subkey), key);
}

// The path of subkey below parent (a lower-case path) as its text spells it.
static std::string Spelt(const std::string& parent, const char* subkey) {
    std::string sub = subkey ? subkey : "";
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return sub.empty() ? parent : parent + "\\" + sub;
}

static int32_t CreatePath(const std::string& path, const std::string& spelt, SysKey* key, uint32_t* disposition) {
    World& w = world();
    if (w.keysFailingCreate.count(path)) return (int32_t)SYS_ERROR_ACCESS_DENIED;
    *disposition = KeyExists(path) ? SYS_REG_OPENED_EXISTING_KEY : SYS_REG_CREATED_NEW_KEY;
    MakeKey(w.keys, path, spelt);
    if (*disposition == SYS_REG_CREATED_NEW_KEY) Changed();
    ++w.openKeys;
    *key = new KeyHandle{path};
    return 0;
}

int32_t SysRegCreateKey(SysKey parent, const char* subkey, SysKey* key, uint32_t* disposition) {
    const std::string& path = ((KeyHandle*)parent)->path;
    return CreatePath(Join(path, subkey), Spelt(path, subkey), key, disposition);
}

int32_t SysRegCreateRootKey(SysRoot root, const char* subkey, SysKey* key, uint32_t* disposition) {
    return CreatePath(Join(RootName(root), subkey), Spelt(RootName(root), subkey), key, disposition);
}

int32_t SysRegQueryValue(SysKey key, const char* name, char* data, uint32_t* size) {
    auto it = world().keys.find(((KeyHandle*)key)->path);
    if (it == world().keys.end()) return (int32_t)SYS_ERROR_KEY_DELETED;
    auto value = it->second.values.find(Lower(name ? name : ""));
    if (value == it->second.values.end()) return (int32_t)SYS_ERROR_FILE_NOT_FOUND;
    uint32_t needed = (uint32_t)value->second.size();
    if (needed > *size) {
        *size = needed;
        return (int32_t)SYS_ERROR_MORE_DATA;
    }
    memcpy(data, value->second.data(), needed);
    *size = needed;
    return 0;
}

int32_t SysRegSetString(SysKey key, const char* name, const char* value) {
    auto it = world().keys.find(((KeyHandle*)key)->path);
    if (it == world().keys.end()) return (int32_t)SYS_ERROR_KEY_DELETED;
    it->second.values[Lower(name ? name : "")] = std::string(value) + std::string(1, '\0');
    Changed();
    return 0;
}

// RegDeleteKeyA as the Windows 95 family has it: the key goes with all its subkeys.
static int32_t DeletePath(const std::string& path) {
    World& w = world();
    if (!w.keys.count(path)) return (int32_t)SYS_ERROR_FILE_NOT_FOUND;
    if (w.keysFailingDelete.count(path)) return (int32_t)SYS_ERROR_ACCESS_DENIED;
    for (auto it = w.keys.lower_bound(path + "\\"); it != w.keys.end() && it->first.compare(0, path.size() + 1, path + "\\") == 0;)
        it = w.keys.erase(it);
    w.keys.erase(path);
    Changed();
    return 0;
}

int32_t SysRegDeleteRootKey(SysRoot root, const char* subkey) { return DeletePath(Join(RootName(root), subkey)); }
int32_t SysRegDeleteKey(SysKey parent, const char* subkey) { return DeletePath(Join(((KeyHandle*)parent)->path, subkey)); }

// The names of the key's subkeys, as created, in the order of their lower-case names.
static std::vector<std::string> Subkeys(const std::string& path) {
    std::vector<std::string> out;
    std::string prefix = path + "\\";
    for (auto it = world().keys.upper_bound(prefix); it != world().keys.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it)
        if (it->first.find('\\', prefix.size()) == std::string::npos)
            out.push_back(it->second.name.empty() ? it->first.substr(prefix.size()) : it->second.name);
    return out;
}

int32_t SysRegEnumKey(SysKey key, uint32_t index, char* name, uint32_t capacity) {
    const std::string& path = ((KeyHandle*)key)->path;
    if (!KeyExists(path)) return (int32_t)SYS_ERROR_KEY_DELETED;
    std::vector<std::string> names = Subkeys(path);
    if (index >= names.size()) return (int32_t)SYS_ERROR_NO_MORE_ITEMS;
    if (names[index].size() + 1 > capacity) return (int32_t)SYS_ERROR_MORE_DATA;
    memcpy(name, names[index].c_str(), names[index].size() + 1);
    return 0;
}

int32_t SysRegCountKey(SysKey key, uint32_t* subkeys, uint32_t* values) {
    const std::string& path = ((KeyHandle*)key)->path;
    if (!KeyExists(path)) return (int32_t)SYS_ERROR_KEY_DELETED;
    auto it = world().keys.find(path);
    *subkeys = (uint32_t)Subkeys(path).size();
    *values = it == world().keys.end() ? 0 : (uint32_t)it->second.values.size();
    return 0;
}

int32_t SysRegDeleteValue(SysKey key, const char* name) {
    auto it = world().keys.find(((KeyHandle*)key)->path);
    if (it == world().keys.end()) return (int32_t)SYS_ERROR_KEY_DELETED;
    if (!it->second.values.erase(Lower(name ? name : ""))) return (int32_t)SYS_ERROR_FILE_NOT_FOUND;
    Changed();
    return 0;
}

int32_t SysRegCloseKey(SysKey key) {
    delete (KeyHandle*)key;
    --world().openKeys;
    return 0;
}

// ---------------------------------------------------------------- user interface

// Where the progress bar stands when the job stops to ask (while it is up).
static void NoteQuestion() {
    World& w = world();
    if (w.progressCreated && !w.progressDestroyed) w.stepsAtQuestions.push_back(w.steps);
}

int SysMessageBox(SysWindow, const char* text, const char* caption, uint32_t style) {
    World& w = world();
    NoteQuestion();
    w.boxes.push_back({text, caption, style});
    w.events.push_back(std::string("box:") + text);
    if (w.answerBox) return w.answerBox(text, style);
    if (w.answers.empty()) return SYS_IDOK;
    int answer = w.answers.front();
    w.answers.pop_front();
    return answer;
}

void SysInitCommonControls() { ++world().commonControlsInits; }

static int progressWindow;

SysWindow SysCreateProgressDialog(SysWindow) {
    if (world().progressFails) return nullptr;
    world().progressCreated = true;
    return &progressWindow;
}

void SysSetDialogItemText(SysWindow, int id, const char* text) {
    if (id == IDC_BANNER) world().banner = text;
    world().events.push_back("text:" + std::to_string(id));
}

static int progressBar, otherControl;

SysWindow SysGetDialogItem(SysWindow dialog, int id) {
    if (dialog != &progressWindow) return nullptr;
    return id == IDC_PROGRESS_BAR ? (SysWindow)&progressBar : (SysWindow)&otherControl;
}

void SysSetProgressRange(SysWindow bar, uint16_t low, uint16_t high) {
    if (bar == &progressBar) world().rangeLow = low, world().rangeHigh = high;
}

void SysSetProgressStep(SysWindow bar, int step) {
    if (bar == &progressBar) world().step = step;
}

void SysAdvanceProgress(SysWindow bar, int steps) {
    if (bar != &progressBar) return;
    world().steps += steps;
    world().events.push_back("step");
}

uint32_t SysGetTickCount() { return world().ticks += world().tickStep; }

void SysSetCapture(SysWindow) { world().captured = true; }
void SysSetWaitCursor() { world().waitCursor = true; }

bool SysDestroyWindow(SysWindow window) {
    if (window == &progressWindow) world().progressDestroyed = true, world().captured = false;
    return true;
}

intptr_t SysShowMissingComponentDialog(SysWindow, const char* fileName) {
    NoteQuestion();
    world().missingComponents.push_back(fileName);
    world().events.push_back(std::string("missing:") + fileName);
    return 1;
}

// ---------------------------------------------------------------- fonts

int SysAddFontResource(const char* path) {
    std::string full = Lower(world().FullPath(path));
    if (!world().nodes.count(full)) return 0;
    world().loadedFonts.insert(full);
    return 1;
}

bool SysRemoveFontResource(const char* path) {
    World& w = world();
    std::string full = Lower(w.FullPath(path));
    auto it = w.loadedFonts.find(full);
    if (it == w.loadedFonts.end() || w.fontsInUse.count(full)) return false;
    w.loadedFonts.erase(it);
    return true;
}

void SysBroadcastFontChange() { ++world().fontChanges; }

// ---------------------------------------------------------------- memory

void* SysAllocBlock(uint32_t size) {
    if (world().allocFails) return nullptr;
    return calloc(1, size);
}

void SysFreeBlock(void* block) { free(block); }
