// Shared set-up for the installer's unit tests: the test theme, running the program, snapshots.
#pragma once
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "installer.h"
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
inline std::vector<std::string> Record(const std::string& path) {
    char buffer[SECTION_CAPACITY];
    uint32_t n = SysGetProfileSection("Decorama", buffer, sizeof buffer, path.c_str());
    std::vector<std::string> out;
    for (uint32_t i = 0; i < n; i += (uint32_t)strlen(buffer + i) + 1) out.push_back(buffer + i);
    return out;
}

}  // namespace support
