// -fps: the frame rate and the processor load of the program, written over the
// picture in the lower left corner of its window, as XScreenSaver's hacks show theirs.
#pragma once
#include <X11/Xlib.h>
#include <string>

// Counts the frames drawn and the processor time used, and says both once a second.
class FrameRate {
public:
    // One frame drawn at now (seconds on a steady clock), when the program had used cpu
    // seconds of processor time. True when the caption changed.
    bool Frame(double now, double cpu);
    // "FPS: 99.8" and "Load: 2.1%" over the last second or so; empty before the first.
    const std::string& FramesLine() const { return frames_; }
    const std::string& LoadLine() const { return load_; }

private:
    bool started_ = false;
    double since_ = 0, cpuSince_ = 0;
    long count_ = 0;
    std::string frames_, load_;
};

// The caption drawn on the window: white on a black box, with the server's default font.
class FrameRateOverlay {
public:
    FrameRateOverlay(unsigned long white, unsigned long black) : white_(white), black_(black) {}
    ~FrameRateOverlay();
    // Counts a frame and draws the caption over it.
    void Frame(Display* dpy, Window window, int height);
    // Draws the caption again (after an exposure).
    void Draw(Display* dpy, Window window, int height);

private:
    FrameRate rate_;
    unsigned long white_, black_;
    Display* dpy_ = nullptr;
    GC gc_ = nullptr;
    XFontStruct* font_ = nullptr;
    int boxWidth_ = 0;   // of the last box drawn, cleared before a narrower one
};
