// The window of its own of the X11 platform: -geometry, -visual and -install.
#include "x11_own_window.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <strings.h>

namespace {

// How many colours a visual draws: the bits of its red, green and blue masks for the
// true and direct colour classes (a 32-bit visual's alpha adds none), its depth else.
int ColourBits(const XVisualInfo& v) {
    if (v.c_class != TrueColor && v.c_class != DirectColor) return v.depth;
    return __builtin_popcountl(v.red_mask | v.green_mask | v.blue_mask);
}

// Which of two visuals draws best: more colours, then no bits beyond them, then
// TrueColor before DirectColor before the rest.
bool Better(const XVisualInfo& a, const XVisualInfo& b) {
    static const int rank[] = {0, 1, 2, 3, 5, 4};   // by class
    if (ColourBits(a) != ColourBits(b)) return ColourBits(a) > ColourBits(b);
    if (a.depth != b.depth) return a.depth < b.depth;
    return rank[a.c_class] > rank[b.c_class];
}

// The visual the text names on the screen, or null when there is none.
Visual* FindVisual(Display* dpy, int screen, const std::string& name, int* depth) {
    static const char* const classes[] = {"StaticGray", "GrayScale", "StaticColor",
                                          "PseudoColor", "TrueColor", "DirectColor"};
    XVisualInfo want = {};
    want.screen = screen;
    long mask = VisualScreenMask;
    if (strcasecmp(name.c_str(), "best") != 0) {
        int c = -1;
        for (int i = 0; i < 6; ++i)
            if (strcasecmp(name.c_str(), classes[i]) == 0) c = i;
        if (c >= 0) {
            want.c_class = c;
            mask |= VisualClassMask;
        } else {
            want.visualid = strtoul(name.c_str(), nullptr, 0);
            mask |= VisualIDMask;
        }
    }
    int n = 0;
    XVisualInfo* all = XGetVisualInfo(dpy, mask, &want, &n);
    Visual* found = nullptr;
    for (int i = 0, best = -1; i < n; ++i) {
        if (best < 0 || Better(all[i], all[best])) best = i, found = all[i].visual, *depth = all[i].depth;
    }
    if (all) XFree(all);
    return found;
}

}  // namespace

unsigned long MakeOwnWindow(Display* dpy, const OwnWindowRequest& request, const char* title,
                            unsigned long* deleteWindow) {
    int screen = DefaultScreen(dpy);
    Window root = RootWindow(dpy, screen);
    Visual* visual = DefaultVisual(dpy, screen);
    int depth = DefaultDepth(dpy, screen);
    if (!request.visual.empty() && strcasecmp(request.visual.c_str(), "default") != 0) {
        int found = 0;
        Visual* v = FindVisual(dpy, screen, request.visual, &found);
        if (v) visual = v, depth = found;
        else fprintf(stderr, "zelvosav: the screen has no visual %s: using the default one\n", request.visual.c_str());
    }

    XSetWindowAttributes a;
    unsigned long mask = CWBackPixel | CWEventMask | CWBorderPixel;
    a.event_mask = ExposureMask | StructureNotifyMask | KeyPressMask;
    a.border_pixel = 0;
    a.background_pixel = BlackPixel(dpy, screen);
    // Another visual than the default needs a colormap made for it.
    if (visual != DefaultVisual(dpy, screen) || request.installColormap) {
        a.colormap = XCreateColormap(dpy, root, visual, AllocNone);
        mask |= CWColormap;
        XColor black = {};
        black.flags = DoRed | DoGreen | DoBlue;
        a.background_pixel = XAllocColor(dpy, a.colormap, &black) ? black.pixel : 0;
    }

    // The size and place; negative offsets count from the right and bottom edges.
    XSizeHints hints = {};
    int x = 0, y = 0;
    unsigned int w = 640, h = 480;
    int given = request.geometry.empty() ? 0 : XParseGeometry(request.geometry.c_str(), &x, &y, &w, &h);
    if (given & XNegative) x += DisplayWidth(dpy, screen) - (int)w;
    if (given & YNegative) y += DisplayHeight(dpy, screen) - (int)h;
    if (given & (WidthValue | HeightValue)) hints.flags |= USSize;
    if (given & (XValue | YValue)) hints.flags |= USPosition;
    hints.x = x, hints.y = y, hints.width = (int)w, hints.height = (int)h;

    Window window = XCreateWindow(dpy, root, x, y, w, h, 0, depth, InputOutput, visual, mask, &a);
    XSetWMNormalHints(dpy, window, &hints);
    XStoreName(dpy, window, title);
    XClassHint hint = {(char*)"zelvosav", (char*)"Zelvosav"};
    XSetClassHint(dpy, window, &hint);
    *deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, window, deleteWindow, 1);
    return window;
}
