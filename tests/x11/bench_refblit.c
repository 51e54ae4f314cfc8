/* Benchmark reference for zelvosav: in the window given by -window-id (or the root
   window), on a timer of the given interval in ms (default 10), only clears a
   4-pixel strip and copies one 100 x 100 image, 4 pixels further right each tick.
   Ends on SIGTERM. */
#include <X11/Xlib.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static volatile sig_atomic_t g_end = 0;
static void OnTerm(int s) { (void)s; g_end = 1; }

static long long NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

int main(int argc, char** argv) {
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) return 1;
    Window w = DefaultRootWindow(dpy);
    int interval = 10;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "-window-id") && i + 1 < argc) w = strtoul(argv[++i], NULL, 0);
        else interval = atoi(argv[i]);
    }
    if (interval <= 0) interval = 10;
    XWindowAttributes wa;
    XGetWindowAttributes(dpy, w, &wa);
    int screen = DefaultScreen(dpy);
    GC gc = XCreateGC(dpy, w, 0, NULL);
    Pixmap sprite = XCreatePixmap(dpy, w, 100, 100, (unsigned)wa.depth);
    XSetForeground(dpy, gc, WhitePixel(dpy, screen));
    XFillRectangle(dpy, sprite, gc, 0, 0, 100, 100);
    XSetForeground(dpy, gc, BlackPixel(dpy, screen));
    signal(SIGTERM, OnTerm);
    int x = -50, y = 200;
    long long due = NowMs() + interval;
    while (!g_end) {
        long long wait = due - NowMs();
        if (wait > 0) {
            struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
            poll(&p, 1, (int)wait);
            while (XPending(dpy)) {
                XEvent e;
                XNextEvent(dpy, &e);
            }
            continue;
        }
        due += interval;
        XFillRectangle(dpy, w, gc, x, y, 4, 100);
        x += 4;
        if (x > wa.width) x = -100;
        XCopyArea(dpy, sprite, w, gc, 0, 0, 100, 100, x, y);
        XFlush(dpy);
    }
    return 0;
}
