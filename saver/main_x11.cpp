// zelvosav: the saver as an XScreenSaver hack. The same saver window, tick, restart
// rule and pictures as ZelvoSav.scr, on the X11 platform: the hack's window is the
// saver's screen, -speed is its Speed setting, and it runs in saver mode. The
// options every hack takes choose the display, the window of its own, black and
// white, and the frame rate shown over the picture.
#include <stdio.h>
#include <stdlib.h>
#include "convert.h"
#include "frmZelvoSaver.h"
#include "hack_options.h"
#include "saver_pictures.h"
#include "setup/modZelvoSav.h"
#include "x11_platform.h"

int main(int argc, char** argv) {
    HackOptions o = ParseHackOptions(argc - 1, argv + 1, getenv("XSCREENSAVER_WINDOW"));
    if (!o.error.empty()) {
        fprintf(stderr, "zelvosav: %s\n%s", o.error.c_str(), HackUsage());
        return 1;
    }
    if (o.help) {
        fputs(HackUsage(), stdout);
        return 0;
    }
    if (!o.warning.empty()) fprintf(stderr, "zelvosav: %s\n", o.warning.c_str());
    // Xlib opens the display that DISPLAY names, and says its name when it cannot.
    if (!o.display.empty()) setenv("DISPLAY", o.display.c_str(), 1);

    static X11Platform platform;
    X11Platform::Target target = o.target == HackTarget::Root        ? X11Platform::Target::Root
                                 : o.target == HackTarget::WindowId ? X11Platform::Target::WindowId
                                                                    : X11Platform::Target::OwnWindow;
    OwnWindowRequest own;
    own.geometry = o.geometry;
    own.visual = o.visual;
    own.installColormap = o.installColormap;
    platform.SetMono(o.mono);
    if (!platform.Open(target, o.windowId, o.useShm, "Zelvo", own)) return 1;
    if (o.fps) platform.ShowFrameRate();
    platform.SetPictures(SAVER_PICTURES, SAVER_PICTURE_COUNT);
    platform.SetSetting(SETTINGS_SECTION, SPEED_KEY, NumberText(o.speed).Chars());
    platform.SetCommandLine("/S");
    static frmZelvoSaver saver;   // after Open: its property table loads the pictures
    return platform.Run(saver);
}
