// Arbitrary bytes as a theme file: the line reader at any capacity, the entry
// classification, and a whole installation and uninstallation on the in-memory system.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "installer.h"
#include "sys_double.h"

static void ReadAllLines(uint32_t capacity) {
    SysFile file = SysOpenExisting("C:\\Theme\\Fuzz.the", SYS_SHARE_READ, true);
    if (!file) __builtin_trap();
    std::string buffer(capacity + 8, '#');
    bool special = false;
    int lines = 0;
    ThemeReader reader;
    StartThemeReader(&reader, file);
    while (ReadThemeLine(&buffer[0], capacity, &reader)) {
        size_t n = strnlen(buffer.data(), capacity + 8);
        if (n >= capacity) __builtin_trap();                       // terminated inside the buffer
        for (size_t i = capacity; i < capacity + 8; ++i)
            if (buffer[i] != '#') __builtin_trap();                 // nothing written past it
        if (strncmp(buffer.data(), SPECIAL_MARKER, strlen(SPECIAL_MARKER)) == 0) special = true;
        const char* position = nullptr;
        int kind = ClassifyThemeLine(buffer.data(), special, &position);
        if (kind < NoEntry || kind > ShutdownSafeScreenEntry) __builtin_trap();
        if (kind != NoEntry && (position < buffer.data() || position > buffer.data() + n)) __builtin_trap();
        if (++lines > 1 << 20) __builtin_trap();                    // the reader always moves on
    }
    SysCloseFile(file);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sysdouble::Reset();
    auto& w = sysdouble::world();
    std::string content((const char*)data, size);
    w.AddFile("C:\\Theme\\Fuzz.the", content);
    // A few component files so that copies succeed as well as fail.
    for (const char* name : {"a.bmp", "b.wav", "Logo.sys", "c"}) w.AddFile(std::string("C:\\Theme\\") + name, "x");
    w.currentDirectory = "C:\\Theme";

    uint32_t capacity = size ? 1 + data[0] % 600 : 520;
    ReadAllLines(capacity);
    ReadAllLines(TEXT_CAPACITY);

    // Whatever the theme says, installing it (once or twice) and uninstalling it
    // leaves drive C and the registry as they were.
    auto tree = w.nodes;
    auto keys = w.keys;
    // The installation as the start-up prepares it for the theme named on the command line.
    Installation installation;
    char program[] = "C:\\decorama.exe", theme[] = "C:\\Theme\\Fuzz.the";
    char* argv[] = {program, theme};
    auto install = [&] {
        w.currentDirectory = "C:\\Theme";
        if (PrepareInstallation(2, argv, installation) != StartAsk) __builtin_trap();
        InstallTheme(nullptr, installation);
    };
    install();
    // Half the inputs install twice: the second run writes over the first one's record.
    if (size && (data[size - 1] & 1)) install();

    std::string installed = "C:\\Program Files\\Plus!\\Themes\\Fuzz.the";
    if (w.Exists(installed)) {
        ClearInstallation(installation);
        UninstallTheme(nullptr, installation, installed.c_str());
    }
    for (auto& [path, node] : tree) {
        auto now = w.nodes.find(path);
        if (now == w.nodes.end() || now->second.data != node.data || now->second.directory != node.directory)
            __builtin_trap();  // something that was there is gone or changed
    }
    if (w.nodes.size() != tree.size()) __builtin_trap();  // something was left behind
    if (w.keys.size() != keys.size()) __builtin_trap();
    if (w.openFiles || w.openFinds || w.openKeys) __builtin_trap();
    return 0;
}
