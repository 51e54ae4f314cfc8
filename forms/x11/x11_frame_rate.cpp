// The frame rate of -fps: counted per frame, written once a second, drawn per frame.
#include "x11_frame_rate.h"
#include <stdio.h>
#include <time.h>
#include <algorithm>

namespace {

double Seconds(clockid_t clock) {
    timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec + t.tv_nsec / 1e9;
}

}  // namespace

bool FrameRate::Frame(double now, double cpu) {
    if (!started_) {
        started_ = true, since_ = now, cpuSince_ = cpu, count_ = 0;
        return false;
    }
    ++count_;
    double elapsed = now - since_;
    if (elapsed < 1.0) return false;
    char line[64];
    snprintf(line, sizeof line, "FPS: %.1f", count_ / elapsed);
    frames_ = line;
    snprintf(line, sizeof line, "Load: %.1f%%", 100.0 * std::max(0.0, cpu - cpuSince_) / elapsed);
    load_ = line;
    since_ = now, cpuSince_ = cpu, count_ = 0;
    return true;
}

FrameRateOverlay::~FrameRateOverlay() {
    if (font_) XFreeFontInfo(nullptr, font_, 1);
    if (gc_) XFreeGC(dpy_, gc_);
}

void FrameRateOverlay::Frame(Display* dpy, Window window, int height) {
    rate_.Frame(Seconds(CLOCK_MONOTONIC), Seconds(CLOCK_PROCESS_CPUTIME_ID));
    Draw(dpy, window, height);
}

void FrameRateOverlay::Draw(Display* dpy, Window window, int height) {
    if (rate_.FramesLine().empty()) return;
    if (!gc_) {   // once: the metrics of the server's default font come in a round trip
        dpy_ = dpy;
        gc_ = XCreateGC(dpy, window, 0, nullptr);
        font_ = XQueryFont(dpy, XGContextFromGC(gc_));
    }
    int ascent = font_ ? font_->ascent : 10, lineHeight = font_ ? font_->ascent + font_->descent : 13;
    const std::string* lines[] = {&rate_.FramesLine(), &rate_.LoadLine()};
    int width = 0;
    for (const std::string* l : lines)
        width = std::max(width, font_ ? XTextWidth(font_, l->c_str(), (int)l->size()) : 6 * (int)l->size());
    const int margin = 4;
    int boxHeight = 2 * lineHeight + 2 * margin, top = height - boxHeight;
    XSetForeground(dpy, gc_, black_);
    XFillRectangle(dpy, window, gc_, 0, top, (unsigned)std::max(boxWidth_, width + 2 * margin), (unsigned)boxHeight);
    boxWidth_ = width + 2 * margin;
    XSetForeground(dpy, gc_, white_);
    for (int i = 0; i < 2; ++i)
        XDrawString(dpy, window, gc_, margin, top + margin + ascent + i * lineHeight, lines[i]->c_str(),
                    (int)lines[i]->size());
}
