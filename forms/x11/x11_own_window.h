// The window of its own that the X11 platform makes when no other program gives it
// one: its size and place, its visual and its colormap, as the command line asks.
#pragma once
#include <string>

struct _XDisplay;   // Xlib's Display, kept out of the platform's header

struct OwnWindowRequest {
    std::string geometry;          // X's WIDTHxHEIGHT+X+Y (any part may be left out); 640x480 at 0,0
    std::string visual;            // "default", "best", a visual class or a visual's id; "" is default
    bool installColormap = false;  // a colormap of its own, even for the default visual
};

// Makes the window (unmapped), titled title, that asks for its closing as
// WM_DELETE_WINDOW (stored in *deleteWindow). A visual that the screen lacks is said
// on standard error and the default one is used instead.
unsigned long MakeOwnWindow(_XDisplay* dpy, const OwnWindowRequest& request, const char* title,
                            unsigned long* deleteWindow);
