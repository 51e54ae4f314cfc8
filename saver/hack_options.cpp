// zelvosav's command line: the options XScreenSaver and its users pass to a hack, read
// into where to draw and how fast to run, and the usage text.
#include "hack_options.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <strings.h>
#include <cstdlib>
#include <cstring>
#include "convert.h"
#include "setup/modZelvoSav.h"

namespace {

// "-speed" and "--speed" are the same option.
const char* OptionName(const char* arg) {
    if (arg[0] != '-') return nullptr;
    return arg[1] == '-' ? arg + 2 : arg + 1;
}

// An X id (of a window, of a visual) as X tools print it: decimal, or hexadecimal after "0x".
bool ParseWindowId(const char* text, unsigned long* out) {
    if (!text || !*text || *text == '-' || *text == '+') return false;
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (*end || v == 0) return false;
    *out = v;
    return true;
}

// The speed as the saver reads its setting; outside the slider's range it is brought
// to the nearest end of it, and what is no number gives the default.
void SetSpeed(const char* text, HackOptions* o) {
    long v;
    if (!TextToLong(Text(text), &v)) {
        TextToLong(Text(SPEED_DEFAULT), &v);
        o->warning = std::string("-speed ") + text + " is not a number: using " + SPEED_DEFAULT;
    } else if (v < SPEED_LOWEST || v > SPEED_HIGHEST) {
        long to = v < SPEED_LOWEST ? SPEED_LOWEST : SPEED_HIGHEST;
        o->warning = std::string("-speed ") + text + " is outside " + NumberText(SPEED_LOWEST).Chars() + " to " +
                     NumberText(SPEED_HIGHEST).Chars() + ": using " + NumberText(to).Chars();
        v = to;
    }
    o->speed = v;
}

// A size and place as X writes them ("640x480+10+20", "320x200", "-0-0"), read by
// Xlib's own parser; a size must fit an X window (1 to 32767 pixels a side).
bool IsGeometry(const char* text) {
    int x, y;
    unsigned int w = 1, h = 1;
    int mask = XParseGeometry(text, &x, &y, &w, &h);
    return mask != 0 && w >= 1 && h >= 1 && w <= 32767 && h <= 32767;
}

// What -visual takes: "default", "best", the name of a visual class, or the id of a
// visual (decimal or 0x hexadecimal).
bool IsVisual(const char* text) {
    static const char* const names[] = {"default",   "best",        "StaticGray",  "GrayScale",
                                        "StaticColor", "PseudoColor", "TrueColor", "DirectColor"};
    for (const char* n : names)
        if (strcasecmp(text, n) == 0) return true;
    unsigned long id;
    return ParseWindowId(text, &id);
}

// Options that take a value.
bool TakesValue(const std::string& option) {
    return option == "window-id" || option == "speed" || option == "display" || option == "geometry" ||
           option == "visual";
}

}  // namespace

HackOptions ParseHackOptions(int argc, const char* const* argv, const char* xscreensaverWindow) {
    HackOptions o;
    TextToLong(Text(SPEED_DEFAULT), &o.speed);
    bool asked = false;   // a window option was given; the last one counts
    for (int i = 0; i < argc && o.error.empty(); ++i) {
        const char* name = OptionName(argv[i]);
        std::string option = name ? name : "";
        bool takesValue = TakesValue(option);
        if (takesValue && i + 1 == argc) {
            o.error = "-" + option + " needs a value";
            break;
        }
        const char* value = takesValue ? argv[++i] : nullptr;
        if (!name) {
            o.error = std::string("unexpected argument \"") + argv[i] + "\"";
        } else if (option == "root" || option == "window") {
            o.target = option == "root" ? HackTarget::Root : HackTarget::OwnWindow;
            asked = true;
        } else if (option == "window-id") {
            if (ParseWindowId(value, &o.windowId)) o.target = HackTarget::WindowId, asked = true;
            else o.error = std::string("-window-id ") + value + " is not a window id";
        } else if (option == "speed") {
            SetSpeed(value, &o);
        } else if (option == "no-shm") {
            o.useShm = false;
        } else if (option == "display") {
            if (*value) o.display = value;
            else o.error = "-display needs the name of a display, as host:display.screen";
        } else if (option == "geometry") {
            if (IsGeometry(value)) o.geometry = value;
            else o.error = std::string("-geometry ") + value + " is not a size and place (WIDTHxHEIGHT+X+Y)";
        } else if (option == "visual") {
            if (IsVisual(value)) o.visual = value;
            else o.error = std::string("-visual ") + value + " is not default, best, a visual class or a visual's id";
        } else if (option == "fps" || option == "no-fps") {
            o.fps = option == "fps";
        } else if (option == "mono") {
            o.mono = true;
        } else if (option == "install") {
            o.installColormap = true;
        } else if (option == "help" || option == "h") {
            o.help = true;
        } else {
            o.error = std::string("unknown option \"") + argv[i] + "\"";
        }
    }
    // The daemon's window serves -root and a start without a window option.
    if (xscreensaverWindow && (!asked || o.target == HackTarget::Root)) {
        if (ParseWindowId(xscreensaverWindow, &o.windowId)) o.target = HackTarget::WindowId;
        else o.warning = std::string("XSCREENSAVER_WINDOW=") + xscreensaverWindow + " is not a window id";
    }
    return o;
}

const char* HackUsage() {
    return "usage: zelvosav [-display DISPLAY] [-root | -window | -window-id ID] [-speed MS] [-fps]\n"
           "                [-geometry WxH+X+Y] [-visual VISUAL] [-install] [-mono] [-no-shm] [-help]\n"
           "  -display DISPLAY   the X display to draw on (host:display.screen); $DISPLAY by default\n"
           "  -root              draw on the root window (or the window XScreenSaver made)\n"
           "  -window            draw in a window of its own (the default outside XScreenSaver)\n"
           "  -window-id ID      draw in the window ID (decimal or 0x hexadecimal)\n"
           "  -speed MS          milliseconds per step of the figure, 1 (fast) to 150 (slow); 10\n"
           "  -fps               show the frame rate and the processor load in the lower left corner\n"
           "  -geometry WxH+X+Y  the size and place of a window of its own; 640x480 by default\n"
           "  -visual VISUAL     the visual of a window of its own: default, best, a class\n"
           "                     (TrueColor, PseudoColor ...) or a visual's id\n"
           "  -install           give a window of its own a colormap of its own\n"
           "  -mono              draw in black and white only\n"
           "  -no-shm            do not use shared memory to draw (MIT-SHM)\n"
           "  -help              print this and end\n";
}
