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
        {{"-frames"}, nullptr, own, 0, 10, false, true},
        {{"-fps", "-display", ":1", "-window-id", "7"}, nullptr, id, 7, 10, false, false},
        {{"--root", "--fps", "--mono"}, "0x2a", id, 42, 10, false, false},
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

// The options of every XScreenSaver hack: the display, the frame rate, black and
// white, and the size, place, visual and colormap of a window of its own.
TEST(HackOptions, StockOptions) {
    struct Row {
        std::vector<const char*> args;
        const char *display, *geometry, *visual;
        bool fps, mono, install, error;
    };
    const Row rows[] = {
        {{}, "", "", "", false, false, false, false},
        {{"-display", "host:0.1"}, "host:0.1", "", "", false, false, false, false},
        {{"--display", ":3", "-display", ":4"}, ":4", "", "", false, false, false, false},
        {{"-fps"}, "", "", "", true, false, false, false},
        {{"-fps", "-no-fps"}, "", "", "", false, false, false, false},
        {{"-mono", "-install"}, "", "", "", false, true, true, false},
        {{"-geometry", "320x200+10+20"}, "", "320x200+10+20", "", false, false, false, false},
        {{"-geometry", "320x200"}, "", "320x200", "", false, false, false, false},
        {{"-geometry", "-0-0"}, "", "-0-0", "", false, false, false, false},
        {{"-visual", "TrueColor"}, "", "", "TrueColor", false, false, false, false},
        {{"-visual", "pseudocolor"}, "", "", "pseudocolor", false, false, false, false},
        {{"-visual", "best"}, "", "", "best", false, false, false, false},
        {{"-visual", "default"}, "", "", "default", false, false, false, false},
        {{"-visual", "0x21"}, "", "", "0x21", false, false, false, false},
        {{"-display"}, "", "", "", false, false, false, true},
        {{"-display", ""}, "", "", "", false, false, false, true},
        {{"-geometry"}, "", "", "", false, false, false, true},
        {{"-geometry", "big"}, "", "", "", false, false, false, true},
        {{"-geometry", "320x"}, "", "", "", false, false, false, true},
        {{"-geometry", "0x200"}, "", "", "", false, false, false, true},
        {{"-geometry", "40000x200"}, "", "", "", false, false, false, true},
        {{"-visual"}, "", "", "", false, false, false, true},
        {{"-visual", "fancy"}, "", "", "", false, false, false, true},
        {{"-visual", "0"}, "", "", "", false, false, false, true},
        {{"-install", "yes"}, "", "", "", false, false, false, true},
    };
    for (const Row& r : rows) {
        std::string what;
        for (const char* a : r.args) what += std::string(a) + " ";
        HackOptions o = ParseHackOptions((int)r.args.size(), r.args.data(), nullptr);
        EXPECT_EQ(!o.error.empty(), r.error) << what << ": " << o.error;
        if (r.error) {
            const char* named = *r.args.back() ? r.args.back() : r.args[0];   // what is wrong
            EXPECT_NE(o.error.find(named), std::string::npos) << what << ": " << o.error;
            continue;
        }
        EXPECT_EQ(o.display, r.display) << what;
        EXPECT_EQ(o.geometry, r.geometry) << what;
        EXPECT_EQ(o.visual, r.visual) << what;
        EXPECT_EQ(o.fps, r.fps) << what;
        EXPECT_EQ(o.mono, r.mono) << what;
        EXPECT_EQ(o.installColormap, r.install) << what;
        EXPECT_EQ(o.warning, "") << what;
    }
}

TEST(HackOptions, SharedMemoryAndHelp) {
    const char* noShm[] = {"--no-shm"};
    EXPECT_FALSE(ParseHackOptions(1, noShm, nullptr).useShm);
    EXPECT_TRUE(ParseHackOptions(0, noShm, nullptr).useShm);
    const char* help[] = {"-help"};
    EXPECT_TRUE(ParseHackOptions(1, help, nullptr).help);
}
