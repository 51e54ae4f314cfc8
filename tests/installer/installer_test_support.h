// Shared set-up for the installer's unit tests: the test theme, running the program, snapshots.
#pragma once
#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "installer.h"
#include "job.h"
#include "sys_double.h"

namespace support {
using sysdouble::APP_PATHS_KEY;
using sysdouble::Lower;
using sysdouble::SHELL_FOLDERS_KEY;

const std::string THEMES = sysdouble::THEMES_FOLDER;
const std::string SOURCE = "C:\\Downloads\\Blue";
const std::string UNINSTALL_KEY = "hklm\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

using Texts = std::vector<std::string>;

// The installed copy of the test theme "Blue", and what the installer says about it.
const std::string INSTALLED = THEMES + "\\Blue.the";
const char* const CONFIRM = "This will install the 'Blue' Theme.\nDo you wish to continue?";
const char* const CONFIRM_UNINSTALL = "This will uninstall the 'Blue' Theme.\nDo you want to continue?";
const char* const SUCCESS = "Theme installed successfully!";
const char* const FAILED = "Theme failed to install!";
const char* const UNINSTALLED = "Theme uninstalled successfully!";
const std::string VERB_PATH = "hkcr\\ThemeFile\\Shell\\Install";

// Runs the installer with these words after the program's path.
inline int RunProgram(std::vector<std::string> words) {
    static std::vector<std::string> keep;
    keep = words;
    keep.insert(keep.begin(), sysdouble::world().modulePath);
    std::vector<char*> argv;
    for (auto& w : keep) argv.push_back(&w[0]);
    return RunInstaller((int)argv.size(), argv.data());
}

// An uninstall entry as an installation writes it: its command names the installed copy.
inline void AddUninstallEntry(const std::string& name, const std::string& copy) {
    auto& w = sysdouble::world();
    w.SetValue(UNINSTALL_KEY + name, "DisplayName", "Blue Theme");
    w.SetValue(UNINSTALL_KEY + name, "UninstallString", "C:\\Tools\\decorama.exe /u \"" + copy + "\"");
}

// A theme folder C:\Downloads\Blue holding Blue.the with these lines (CR LF) and
// the named component files; the folder is the current directory.
inline void MakeTheme(const std::string& lines, const std::vector<std::string>& files = {},
                      const std::string& name = "Blue.the") {
    auto& w = sysdouble::world();
    w.AddFile(SOURCE + "\\" + name, lines);
    for (auto& f : files) w.AddFile(SOURCE + "\\" + f, "data of " + f);
    w.currentDirectory = SOURCE;
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override { sysdouble::Reset(); }
    void TearDown() override {
        // Every handle that the installer opened was closed again.
        EXPECT_EQ(sysdouble::world().openFiles, 0);
        EXPECT_EQ(sysdouble::world().openFinds, 0);
        EXPECT_EQ(sysdouble::world().openKeys, 0);
    }
    sysdouble::World& w() { return sysdouble::world(); }
};

}  // namespace support

namespace support {
using sysdouble::Lower;

// The whole registry as "key|value=data" lines, for before-and-after comparisons.
inline std::vector<std::string> RegistrySnapshot() {
    std::vector<std::string> out;
    for (auto& [path, key] : sysdouble::world().keys) {
        out.push_back(path);
        for (auto& [name, data] : key.values) out.push_back(path + "|" + name + "=" + data);
    }
    return out;
}

// The whole file tree with file contents.
inline std::vector<std::string> TreeSnapshot() {
    std::vector<std::string> out;
    for (auto& [path, node] : sysdouble::world().nodes) out.push_back(path + (node.directory ? "\\" : "=" + node.data));
    return out;
}

// The record section of an installed theme file, one "key=value" string each.
inline std::vector<std::string> WholeRecord(const std::string& path) {
    char buffer[SECTION_CAPACITY];
    uint32_t n = SysGetProfileSection("Decorama", buffer, sizeof buffer, path.c_str());
    std::vector<std::string> out;
    for (uint32_t i = 0; i < n; i += (uint32_t)strlen(buffer + i) + 1) out.push_back(buffer + i);
    return out;
}

// The stamp that a record keeps of the file at path for its "File" number.
inline std::string StampOf(uint32_t number, const std::string& path) {
    SysFileStamp stamp;
    if (!SysGetFileStamp(path.c_str(), &stamp)) return "";
    char text[48];
    snprintf(text, sizeof text, "%u:%08X", number, StampMark(stamp));
    return text;
}

const std::string PLANTED_SEAL = "0123456789ABCDEF";

// A record as an installation of this installer leaves it, planted at copy after head:
// the seal, the stamps of the files that its "File" entries name as they stand now,
// then the entries (lines as given); and an uninstall entry that holds the same seal.
// Returns the length of the strings that come before the entries in a section read.
inline uint32_t PlantRecord(const std::string& copy, const std::string& head, const std::vector<std::string>& entries,
                            const std::string& entry = "Blue") {
    std::string stamps;
    for (auto& line : entries) {
        size_t equals = line.find('=');
        if (line.compare(0, 4, "File") != 0 || equals == std::string::npos) continue;
        std::string stamp = StampOf((uint32_t)atoi(line.c_str() + 4), line.substr(equals + 1));
        if (!stamp.empty()) stamps += (stamps.empty() ? "" : ",") + stamp;
    }
    std::string seal = "Seal=" + PLANTED_SEAL, copies = "Copy1=" + stamps;
    std::string text = head + "[Decorama]\r\n" + seal + "\r\n" + copies + "\r\n";
    for (auto& line : entries) text += line + "\r\n";
    sysdouble::world().AddFile(copy, text);
    AddUninstallEntry(entry, copy);
    sysdouble::world().SetValue(UNINSTALL_KEY + entry, "Seal", PLANTED_SEAL);
    return (uint32_t)(seal.size() + 1 + copies.size() + 1);
}

// Its "File" and "Dir" entries: what an uninstall removes.
inline std::vector<std::string> Record(const std::string& path) {
    std::vector<std::string> out;
    for (auto& entry : WholeRecord(path))
        if (entry[0] == 'F' || entry[0] == 'D') out.push_back(entry);
    return out;
}

}  // namespace support
