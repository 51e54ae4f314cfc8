// What the X11 platform draws of a form, without Xlib: the form's extent from its
// window's size, the rectangles that changed since the last drawing, and those
// rectangles composed in a buffer of 32-bit pixels (the background colour and the
// visible images at their own size). The window layer only sends them on.
#pragma once
#include <stdint.h>
#include "controls.h"
#include "form.h"

// On X11 a pixel is 15 twips, as on a Windows display of 96 dots per inch, so the
// figure keeps its 100 pixels and its 4-pixel step on every monitor.
const float X11_TWIPS_PER_PIXEL = 15.0f;

// A rectangle in window pixels; the right and bottom ends are exclusive.
struct PixelRect {
    int x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

PixelRect Intersect(const PixelRect& a, const PixelRect& b);

// The form takes the size of the window it is drawn in, whatever its design size.
void FitFormToWindow(Form& f, int widthPx, int heightPx);

// A control's place in window pixels (twips rounded to the nearest pixel).
PixelRect ControlPixels(const Control& c);

// The pixels of a picture, in the window's pixel format, row after row.
struct PixelPicture {
    const uint32_t* pixels;
};

// Up to four rectangles to redraw; more are merged.
struct DirtyRects {
    enum { MAX_RECTS = 4 };
    PixelRect rect[MAX_RECTS];
    int count = 0;
    void Add(const PixelRect& r);
};

// Remembers where each image of the form was drawn, to tell what a handler changed.
class SceneTracker {
public:
    // Takes the form as it is now as drawn (after a full repaint).
    void Reset(const Form& f);
    // The rectangles, within the window, where images moved, changed picture or
    // appeared or disappeared since the last call; the old and the new place of each.
    DirtyRects Changes(const Form& f, int windowWidthPx, int windowHeightPx);

private:
    struct Shown { PixelRect rect; const Picture* picture; bool visible; };
    Shown shown_[Form::MAX_CONTROLS] = {};
};

// Draws rectangle r of the form into buffer, whose pixel (x, y) of the window is
// buffer[(y - r.y0) * stride + (x - r.x0)]: the background, then each visible image
// that holds a picture (Picture::native is a PixelPicture), clipped to r.
void ComposeRect(const Form& f, const PixelRect& r, uint32_t background, uint32_t* buffer, int stride);
