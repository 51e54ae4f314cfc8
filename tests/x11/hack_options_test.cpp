// zelvosav's command line: where it draws and how fast it runs.
#include <gtest/gtest.h>
#include <vector>
#include "hack_options.h"

TEST(HackOptions, WindowSpeedAndErrors) {
    const HackTarget own = HackTarget::OwnWindow, id = HackTarget::WindowId, root = HackTarget::Root;
    struct Row {
        std::vector<const char*> args;
        const char* xscreensaverWindow;
        HackTarget target;
        unsigned long windowId;
        long speed;
        bool warning, error;
    };
    const Row rows[] = {
        {{}, nullptr, own, 0, 10, false, false},
        {{"-root"}, nullptr, root, 0, 10, false, false},
        {{"--root"}, "0x2a", id, 42, 10, false, false},             // XScreenSaver's window
        {{}, "42", id, 42, 10, false, false},
        {{"-window"}, "0x2a", own, 0, 10, false, false},
        {{"-window-id", "0x1c00005"}, "0x2a", id, 0x1c00005, 10, false, false},
        {{"--window-id", "1234", "--speed", "25"}, nullptr, id, 1234, 25, false, false},
        {{"-window", "-root"}, nullptr, root, 0, 10, false, false},  // the last one counts
        {{"-root", "-window"}, nullptr, own, 0, 10, false, false},
        {{"-root"}, "bogus", root, 0, 10, true, false},
        {{"-speed", "1"}, nullptr, own, 0, 1, false, false},
        {{"-speed", "150"}, nullptr, own, 0, 150, false, false},
        {{"-speed", " 40 "}, nullptr, own, 0, 40, false, false},
        {{"-speed", "10.5"}, nullptr, own, 0, 10, false, false},     // rounded as the setting is
        {{"-speed", "0"}, nullptr, own, 0, 1, true, false},
        {{"-speed", "-5"}, nullptr, own, 0, 1, true, false},
        {{"-speed", "151"}, nullptr, own, 0, 150, true, false},
        {{"-speed", "99999999999"}, nullptr, own, 0, 10, true, false},
        {{"-speed", "abc"}, nullptr, own, 0, 10, true, false},
        {{"-speed"}, nullptr, own, 0, 10, false, true},
        {{"-window-id"}, nullptr, own, 0, 10, false, true},
        {{"-window-id", "0"}, nullptr, own, 0, 10, false, true},
        {{"-window-id", "12ab"}, nullptr, own, 0, 10, false, true},
        {{"-window-id", "-3"}, nullptr, own, 0, 10, false, true},
        {{"-fps"}, nullptr, own, 0, 10, false, true},
        {{"root"}, nullptr, own, 0, 10, false, true},
    };
    for (const Row& r : rows) {
        std::string what;
        for (const char* a : r.args) what += std::string(a) + " ";
        what += r.xscreensaverWindow ? std::string("XSCREENSAVER_WINDOW=") + r.xscreensaverWindow : "";
        HackOptions o = ParseHackOptions((int)r.args.size(), r.args.data(), r.xscreensaverWindow);
        EXPECT_EQ(!o.error.empty(), r.error) << what << ": " << o.error;
        if (r.error) continue;
        EXPECT_EQ(o.target, r.target) << what;
        if (r.target == id) {
            EXPECT_EQ(o.windowId, r.windowId) << what;
        }
        EXPECT_EQ(o.speed, r.speed) << what;
        EXPECT_EQ(!o.warning.empty(), r.warning) << what << ": " << o.warning;
    }
}

TEST(HackOptions, SharedMemoryAndHelp) {
    const char* noShm[] = {"--no-shm"};
    EXPECT_FALSE(ParseHackOptions(1, noShm, nullptr).useShm);
    EXPECT_TRUE(ParseHackOptions(0, noShm, nullptr).useShm);
    const char* help[] = {"-help"};
    EXPECT_TRUE(ParseHackOptions(1, help, nullptr).help);
}
