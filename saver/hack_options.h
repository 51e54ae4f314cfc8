// The command line of zelvosav, the saver as an XScreenSaver hack: where it draws,
// how fast it runs, and the options every XScreenSaver hack takes (-display, -fps,
// -geometry, -visual, -install, -mono). Options take one dash or two, as XScreenSaver
// passes them.
#pragma once
#include <string>

// Where the hack draws.
enum class HackTarget {
    OwnWindow,   // a window of its own (-window, or no option outside XScreenSaver)
    WindowId,    // a window made by someone else: -window-id, or XScreenSaver's own
    Root,        // the root window, or the virtual root a desktop puts over it (-root)
};

struct HackOptions {
    HackTarget target = HackTarget::OwnWindow;
    unsigned long windowId = 0;   // with HackTarget::WindowId
    long speed = 10;              // milliseconds per tick, within the setup dialog's range
    bool useShm = true;           // -no-shm: send every picture over the connection
    bool help = false;            // -help: print the usage and end
    std::string display;          // -display: the X display to use instead of $DISPLAY
    bool fps = false;             // -fps: the frame rate and load over the picture
    bool mono = false;            // -mono: black and white only
    // Only a window of its own is made by the hack, so only it takes these:
    std::string geometry;         // -geometry: its size and place, as X writes them (WxH+X+Y)
    std::string visual;           // -visual: "default", "best", a visual class or a visual's id
    bool installColormap = false; // -install: a colormap of its own
    std::string warning;          // something was set right; said on standard error
    std::string error;            // the command line cannot be used; the program ends with status 1
};

// Reads the arguments after the program's name. xscreensaverWindow is the value of
// XSCREENSAVER_WINDOW (null when unset): the window the daemon made for the hack,
// used with -root or with no window option, as every XScreenSaver hack does.
HackOptions ParseHackOptions(int argc, const char* const* argv, const char* xscreensaverWindow);

// The usage text for -help and for a command line that cannot be used.
const char* HackUsage();
