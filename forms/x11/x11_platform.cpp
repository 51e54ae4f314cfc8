// The forms platform on X11 (zelvosav): the X connection and window, the main loop
// of X events, timers and signals, and the drawing through a back buffer.
#include "x11_platform.h"
#include "controls.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>
#include <unistd.h>
#include <algorithm>
#include "x11_frame_rate.h"
#include "x11_pictures.h"

namespace {

// What the Xlib error handler and the signal handler reach, and so the only state of
// the platform kept at file scope: neither handler can be handed the platform, as Xlib
// gives its error handler only the display, and a signal handler gets only the
// signal's number.
struct HandlerState {
    Window window = 0;                   // the window drawn in
    volatile bool windowGone = false;    // an error said that window is gone
    bool trapping = false;               // a request is tried out (Trapped): its error
    int trapped = 0;                     // code is kept here, not printed
    int signalWrite = -1;                // the pipe's end that wakes the main loop
};
HandlerState g_handlers;

int OnXError(Display* dpy, XErrorEvent* e) {
    if (g_handlers.trapping) {
        g_handlers.trapped = e->error_code;
        return 0;
    }
    if ((e->error_code == BadWindow || e->error_code == BadDrawable) && e->resourceid == g_handlers.window) {
        g_handlers.windowGone = true;
        return 0;
    }
    char text[128];
    XGetErrorText(dpy, e->error_code, text, sizeof text);
    fprintf(stderr, "zelvosav: X error: %s (request %d.%d)\n", text, e->request_code, e->minor_code);
    return 0;
}

void OnSignal(int) {
    char c = 1;
    ssize_t n = write(g_handlers.signalWrite, &c, 1);
    (void)n;
}

// Sends what request asks of the server with its errors kept rather than printed, and
// waits until the server has answered it: the error code it gave, 0 for none.
template <class Request> int Trapped(Display* dpy, Request request) {
    g_handlers.trapping = true;
    g_handlers.trapped = 0;
    request();
    XSync(dpy, False);
    g_handlers.trapping = false;
    return g_handlers.trapped;
}

// The longest that X events may wait for the next tick to be taken.
const long long EVENT_LATENCY_MS = 200;

long long NowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

// The window that desktops put over the root window, if any (the "virtual root").
Window VirtualRoot(Display* dpy) {
    Window root = DefaultRootWindow(dpy), found = root, parent, *children = nullptr;
    unsigned int n = 0;
    Atom vroot = XInternAtom(dpy, "__SWM_VROOT", False);
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n)) return found;
    for (unsigned int i = 0; i < n && found == root; ++i) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(dpy, children[i], vroot, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                               &data) == Success && data && count == 1)
            found = *(Window*)data;
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return found;
}

// A picture with its pixels, in the window's pixel format.
struct OwnedPicture : Picture {
    PixelPicture pixels;
    std::vector<uint32_t> values;
};

}  // namespace

struct X11Platform::Connection {
    Display* dpy = nullptr;
    Window window = 0;
    Visual* visual = nullptr;
    Colormap colormap = 0;
    GC gc = nullptr;
    Atom deleteWindow = 0;
};

// The back buffer: an image of the window's size in the program's memory, shared
// with the X server where MIT-SHM serves, composed only where something changed.
struct X11Platform::BackBuffer {
    XImage* image = nullptr;
    XShmSegmentInfo shm = {};
    bool shared = false;
    bool busy = false;                 // the server has not yet read what was sent
    bool direct = false;               // 32-bit pixels in this machine's byte order
    std::vector<uint32_t> scratch;     // composition for any other pixel format
};

X11Platform::X11Platform() { SetPlatform(this); }

X11Platform::~X11Platform() {
    delete fps_;
    delete x_;
    for (auto& p : pictures_) delete static_cast<OwnedPicture*>(p.second);
    SetPlatform(nullptr);
}

bool X11Platform::Open(Target target, unsigned long windowId, bool useShm, const char* title,
                       const OwnWindowRequest& own) {
    // SIGTERM and SIGINT only wake the main loop, which then ends the program.
    if (pipe(signalPipe_) == 0) {
        for (int fd : signalPipe_) fcntl(fd, F_SETFL, O_NONBLOCK), fcntl(fd, F_SETFD, FD_CLOEXEC);
        g_handlers.signalWrite = signalPipe_[1];
        struct sigaction sa = {};
        sa.sa_handler = OnSignal;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
    }
    x_ = new Connection();
    x_->dpy = XOpenDisplay(nullptr);
    if (!x_->dpy) {
        fprintf(stderr, "zelvosav: cannot open display \"%s\"\n", XDisplayName(nullptr));
        return false;
    }
    XSetErrorHandler(OnXError);
    int screen = DefaultScreen(x_->dpy);
    if (target == Target::OwnWindow) {
        ownWindow_ = true;
        x_->window = MakeOwnWindow(x_->dpy, own, title, &x_->deleteWindow);
    } else {
        x_->window = target == Target::Root ? VirtualRoot(x_->dpy) : (Window)windowId;
    }
    XWindowAttributes wa;
    Status ok = 0;
    int error = Trapped(x_->dpy, [&] { ok = XGetWindowAttributes(x_->dpy, x_->window, &wa); });
    if (!ok || error) {
        fprintf(stderr, "zelvosav: there is no window 0x%lx\n", (unsigned long)x_->window);
        return false;
    }
    if (!ownWindow_) XSelectInput(x_->dpy, x_->window, ExposureMask | StructureNotifyMask);
    g_handlers.window = x_->window;
    x_->visual = wa.visual;
    depth_ = wa.depth;
    x_->colormap = wa.colormap ? wa.colormap : DefaultColormap(x_->dpy, screen);
    width_ = wa.width;
    height_ = wa.height;
    x_->gc = XCreateGC(x_->dpy, x_->window, 0, nullptr);
    int major, minor;
    Bool pixmaps;
    useShm_ = useShm && XShmQueryVersion(x_->dpy, &major, &minor, &pixmaps);

    return true;
}

void X11Platform::ShowFrameRate() {
    if (!fps_) fps_ = new FrameRateOverlay(PixelOf(0xFFFFFF), PixelOf(0));
}

void X11Platform::SetPictures(const EmbeddedPicture* pictures, int count) {
    embedded_ = pictures;
    embeddedCount_ = count;
}

void X11Platform::SetSetting(const char* section, const char* key, const char* value) {
    settings_[std::string(section) + "\n" + key] = value;
}

unsigned long X11Platform::PixelOf(long colour) {
    auto it = colours_.find(colour);
    if (it != colours_.end()) return it->second;
    XColor c;
    c.red = (unsigned short)((colour & 0xFF) * 257);
    c.green = (unsigned short)(((colour >> 8) & 0xFF) * 257);
    c.blue = (unsigned short)(((colour >> 16) & 0xFF) * 257);
    c.flags = DoRed | DoGreen | DoBlue;
    unsigned long pixel;
    if (!mono_ && XAllocColor(x_->dpy, x_->colormap, &c)) pixel = c.pixel;
    else pixel = (c.red + c.green + c.blue) / 3 > 32767 ? WhitePixel(x_->dpy, DefaultScreen(x_->dpy))
                                                        : BlackPixel(x_->dpy, DefaultScreen(x_->dpy));
    colours_[colour] = pixel;
    return pixel;
}

Picture* X11Platform::LoadPicture(int resourceId) {
    // Each picture is decoded once and shared.
    auto found = pictures_.find(resourceId);
    if (found != pictures_.end()) return found->second;
    for (int i = 0; i < embeddedCount_; ++i) {
        if (embedded_[i].id != resourceId) continue;
        OwnedPicture* p = new OwnedPicture();
        std::vector<long> colours;
        *static_cast<Picture*>(p) = {0, 0, nullptr};
        if (DecodeGifColours(embedded_[i].data, embedded_[i].size, &p->widthPx, &p->heightPx, &colours)) {
            p->values.resize(colours.size());
            for (size_t k = 0; k < colours.size(); ++k) p->values[k] = (uint32_t)PixelOf(colours[k]);
            p->pixels.pixels = p->values.data();
            p->native = &p->pixels;
        }
        pictures_[resourceId] = p;
        return p;
    }
    return nullptr;
}

bool X11Platform::MakeBackBuffer() {
    back_ = new BackBuffer();
    int w = width_ > 0 ? width_ : 1, h = height_ > 0 ? height_ : 1;
    if (useShm_) {
        XImage* im = XShmCreateImage(x_->dpy, x_->visual, (unsigned)depth_, ZPixmap, nullptr, &back_->shm, (unsigned)w,
                                     (unsigned)h);
        if (im) {
            back_->shm.shmid = shmget(IPC_PRIVATE, (size_t)im->bytes_per_line * (size_t)h, IPC_CREAT | 0600);
            back_->shm.shmaddr = back_->shm.shmid >= 0 ? (char*)shmat(back_->shm.shmid, nullptr, 0) : (char*)-1;
            if (back_->shm.shmaddr != (char*)-1) {
                im->data = back_->shm.shmaddr;
                back_->shm.readOnly = False;
                int error = Trapped(x_->dpy, [&] { XShmAttach(x_->dpy, &back_->shm); });
                // The segment goes away once the server and this program let go of it,
                // however the program ends.
                shmctl(back_->shm.shmid, IPC_RMID, nullptr);
                if (!error) {
                    back_->image = im;
                    back_->shared = true;
                    shmCompletion_ = XShmGetEventBase(x_->dpy) + ShmCompletion;
                } else {
                    shmdt(back_->shm.shmaddr);
                }
            } else if (back_->shm.shmid >= 0) {
                shmctl(back_->shm.shmid, IPC_RMID, nullptr);
            }
            if (!back_->shared) {
                im->data = nullptr;
                XDestroyImage(im);
            }
        }
        // A server on another machine cannot share memory: go on without it.
        if (!back_->shared) useShm_ = false;
    }
    if (!back_->image) {
        XImage* im = XCreateImage(x_->dpy, x_->visual, (unsigned)depth_, ZPixmap, 0, nullptr, (unsigned)w, (unsigned)h,
                                  32, 0);
        if (im) im->data = (char*)calloc((size_t)im->bytes_per_line, (size_t)h);
        if (!im || !im->data) {
            if (im) XDestroyImage(im);
            delete back_;
            back_ = nullptr;
            return false;
        }
        back_->image = im;
    }
    const uint32_t probe = 1;
    int hostOrder = *(const unsigned char*)&probe ? LSBFirst : MSBFirst;
    back_->direct = back_->image->bits_per_pixel == 32 && back_->image->byte_order == hostOrder;
    return true;
}

void X11Platform::NoBackBuffer() {
    fprintf(stderr, "zelvosav: no memory for a back buffer of %d x %d pixels\n", width_, height_);
    _exit(1);
}

void X11Platform::FreeBackBuffer() {
    if (!back_) return;
    WaitForBuffer();
    if (back_->shared) {
        XShmDetach(x_->dpy, &back_->shm);
        XSync(x_->dpy, False);
        shmdt(back_->shm.shmaddr);
        back_->image->data = nullptr;
    }
    if (back_->image) XDestroyImage(back_->image);
    delete back_;
    back_ = nullptr;
}

// Picks the server's word that it has read the shared back buffer out of the queue.
static Bool IsCompletion(Display*, XEvent* e, XPointer type) { return e->type == *(int*)type; }

void X11Platform::WaitForBuffer() {
    // Only that word is taken here; every other event waits in the queue for the
    // main loop, so no handler runs while the buffer is being drawn or replaced.
    long long giveUp = NowMs() + 2000;
    int fd = ConnectionNumber(x_->dpy);
    XEvent e;
    while (back_ && back_->busy && !XCheckIfEvent(x_->dpy, &e, IsCompletion, (XPointer)&shmCompletion_)) {
        if (g_handlers.windowGone) End();   // no word comes for a window that is gone
        if (NowMs() > giveUp) break;
        pollfd fds[2] = {{fd, POLLIN, 0}, {signalPipe_[0], POLLIN, 0}};
        poll(fds, 2, 100);
        if (fds[1].revents & POLLIN) End();
    }
    if (back_) back_->busy = false;
}

void X11Platform::Paint(const PixelRect& area) {
    PixelRect r = Intersect(area, PixelRect{0, 0, width_, height_});
    if (r.Empty() || !back_ || !form_) return;
    WaitForBuffer();
    XImage* im = back_->image;
    uint32_t background = (uint32_t)PixelOf(form_->BackColor);
    int w = r.x1 - r.x0, h = r.y1 - r.y0;
    if (back_->direct) {
        int stride = im->bytes_per_line / 4;
        ComposeRect(*form_, r, background, (uint32_t*)im->data + (size_t)r.y0 * stride + r.x0, stride);
    } else {
        back_->scratch.resize((size_t)w * h);
        ComposeRect(*form_, r, background, back_->scratch.data(), w);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) XPutPixel(im, r.x0 + x, r.y0 + y, back_->scratch[(size_t)y * w + x]);
    }
    if (back_->shared) {
        XShmPutImage(x_->dpy, x_->window, x_->gc, im, r.x0, r.y0, r.x0, r.y0, (unsigned)w, (unsigned)h, True);
        back_->busy = true;
    } else {
        XPutImage(x_->dpy, x_->window, x_->gc, im, r.x0, r.y0, r.x0, r.y0, (unsigned)w, (unsigned)h);
    }
}

void X11Platform::Sync() {
    if (!form_ || !shown_) return;
    DirtyRects dirty = tracker_.Changes(*form_, width_, height_);
    for (int i = 0; i < dirty.count; ++i) Paint(dirty.rect[i]);
}

void X11Platform::Resize(int width, int height) {
    if (width == width_ && height == height_) return;
    FreeBackBuffer();
    width_ = width;
    height_ = height;
    if (form_) FitFormToWindow(*form_, width, height);
    if (shown_) {
        if (!MakeBackBuffer()) NoBackBuffer();
        tracker_.Reset(*form_);
        Paint(PixelRect{0, 0, width_, height_});
    }
}

void X11Platform::LoadForm(Form& f) {
    // One form is drawn, in the one window; the saver shows no other on X11.
    if (!form_) form_ = &f;
    FitFormToWindow(f, width_, height_);
    f.SetLoaded(true);
    f.Form_Load();
}

void X11Platform::ShowForm(Form& f) {
    if (&f != form_ || shown_ || !f.Loaded()) return;
    shown_ = true;
    if (ownWindow_) XMapWindow(x_->dpy, x_->window);
    if (!MakeBackBuffer()) NoBackBuffer();
    tracker_.Reset(f);
    Paint(PixelRect{0, 0, width_, height_});
    Reconcile();
}

void X11Platform::UnloadForm(Form& f) {
    f.SetLoaded(false);
    // The program ends with its form.
    if (&f == form_) End();
}

void X11Platform::End() {
    if (x_->dpy) XFlush(x_->dpy);
    _exit(0);
}

double X11Platform::SecondsSinceMidnight() {
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    tm local;
    localtime_r(&now.tv_sec, &local);
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
}

int X11Platform::MsgBox(const Text& prompt, int /*style*/, const Text& title) {
    fprintf(stderr, "zelvosav: %s: %s\n", title.Chars(), prompt.Chars());
    return VB_OK;
}

long X11Platform::GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                           long size, const char* /*file*/) {
    auto it = settings_.find(std::string(section) + "\n" + key);
    std::string value = it != settings_.end() ? it->second : std::string(def ? def : "");
    if (size <= 0) return 0;
    size_t n = std::min(value.size(), (size_t)size - 1);
    memcpy(buffer, value.data(), n);
    buffer[n] = 0;
    return (long)n;
}

void X11Platform::Reconcile() {
    if (form_ && shown_) timers_.Reconcile(*form_, NowMs());
}

void X11Platform::RunDueTimers() {
    for (size_t i = 0; i < timers_.Count(); ++i) {
        TimerSchedule::Entry& s = timers_.At(i);
        long long now = NowMs();
        if (!s.Running() || s.due > now) continue;
        // Ticks keep their rate; ticks missed while the program could not run are
        // dropped, as the window system drops them, rather than run in a burst.
        s.due += s.interval;
        if (s.due <= now) s.due = now + s.interval;
        Timer* t = s.timer;
        t->Owner().TimerTick(*t);
        Reconcile();
        Sync();
        if (fps_) fps_->Frame(x_->dpy, x_->window, height_);
    }
}

void X11Platform::HandleEvent(XEvent& e) {
    if (e.type == shmCompletion_ && shmCompletion_ >= 0) {
        if (back_) back_->busy = false;
        return;
    }
    switch (e.type) {
    case Expose:
        if (shown_ && e.xexpose.window == x_->window) {
            Paint(PixelRect{e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height});
            if (fps_) fps_->Draw(x_->dpy, x_->window, height_);
        }
        break;
    case ConfigureNotify:
        if (e.xconfigure.window == x_->window) Resize(e.xconfigure.width, e.xconfigure.height);
        break;
    case DestroyNotify:
        if (e.xdestroywindow.window == x_->window) End();
        break;
    case ClientMessage:
        if (ownWindow_ && (Atom)e.xclient.data.l[0] == x_->deleteWindow) End();
        break;
    case KeyPress: {
        // In a window of its own, q and Escape close it, as in every XScreenSaver hack.
        KeySym key = XLookupKeysym(&e.xkey, 0);
        if (ownWindow_ && (key == XK_q || key == XK_Escape)) End();
        break;
    }
    default:
        break;
    }
}

int X11Platform::Run(Form& startup) {
    LoadForm(startup);
    if (startup.Loaded()) ShowForm(startup);
    int fd = ConnectionNumber(x_->dpy);
    for (;;) {
        while (XPending(x_->dpy)) {
            XEvent e;
            XNextEvent(x_->dpy, &e);
            HandleEvent(e);
        }
        if (g_handlers.windowGone) End();
        RunDueTimers();
        if (g_handlers.windowGone) End();
        long long next = timers_.NextDue();
        long long wait = next < 0 ? -1 : std::max(0LL, next - NowMs());
        XFlush(x_->dpy);
        // While ticks come often, the events that came meanwhile (exposures, a new
        // size, the server's word that it has read the back buffer) are taken at the
        // next tick: one wake-up a tick. Otherwise the program waits for them too.
        bool watchX = wait < 0 || wait > EVENT_LATENCY_MS;
        if (watchX && XEventsQueued(x_->dpy, QueuedAlready)) continue;
        pollfd fds[2] = {{signalPipe_[0], POLLIN, 0}, {fd, POLLIN, 0}};
        if (poll(fds, watchX ? 2 : 1, (int)wait) < 0 && errno != EINTR) break;
        if (fds[0].revents & POLLIN) End();
    }
    return 1;
}
