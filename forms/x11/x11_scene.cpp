// What the X11 platform draws of a form, without Xlib: the changed rectangles and
// their pixels composed from the background colour and the visible images.
#include "x11_scene.h"
#include <string.h>

namespace {

int ToPixels(float twips) {
    float v = twips / X11_TWIPS_PER_PIXEL;
    return (int)(v < 0 ? v - 0.5f : v + 0.5f);
}

PixelRect Union(const PixelRect& a, const PixelRect& b) {
    return {a.x0 < b.x0 ? a.x0 : b.x0, a.y0 < b.y0 ? a.y0 : b.y0, a.x1 > b.x1 ? a.x1 : b.x1,
            a.y1 > b.y1 ? a.y1 : b.y1};
}

// Overlapping or side by side: one rectangle covers both at little cost.
bool Touch(const PixelRect& a, const PixelRect& b) {
    return a.x0 <= b.x1 && b.x0 <= a.x1 && a.y0 <= b.y1 && b.y0 <= a.y1;
}

}  // namespace

PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    PixelRect r = {a.x0 > b.x0 ? a.x0 : b.x0, a.y0 > b.y0 ? a.y0 : b.y0, a.x1 < b.x1 ? a.x1 : b.x1,
                   a.y1 < b.y1 ? a.y1 : b.y1};
    if (r.Empty()) r = {0, 0, 0, 0};
    return r;
}

void FitFormToWindow(Form& f, int widthPx, int heightPx) {
    f.SetExtent(widthPx * X11_TWIPS_PER_PIXEL, heightPx * X11_TWIPS_PER_PIXEL);
}

PixelRect ControlPixels(const Control& c) {
    int x = ToPixels(c.Left()), y = ToPixels(c.Top());
    return {x, y, x + ToPixels(c.Width()), y + ToPixels(c.Height())};
}

void DirtyRects::Add(const PixelRect& r) {
    if (r.Empty()) return;
    PixelRect merged = r;
    // Fold in every rectangle the new one touches, then keep the rest apart.
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (Touch(rect[i], merged)) merged = Union(rect[i], merged);
        else rect[kept++] = rect[i];
    }
    count = kept;
    if (count == MAX_RECTS) {
        rect[MAX_RECTS - 1] = Union(rect[MAX_RECTS - 1], merged);
        return;
    }
    rect[count++] = merged;
}

void SceneTracker::Reset(const Form& f) {
    for (int i = 0; i < f.ControlCount() && i < Form::MAX_CONTROLS; ++i) {
        const Control* c = f.ControlAt(i);
        const Image* im = c->Kind() == ControlKind::Image ? static_cast<const Image*>(c) : nullptr;
        shown_[i] = {ControlPixels(*c), im ? im->GetPicture() : nullptr, c->Visible()};
    }
}

DirtyRects SceneTracker::Changes(const Form& f, int windowWidthPx, int windowHeightPx) {
    DirtyRects dirty;
    PixelRect window = {0, 0, windowWidthPx, windowHeightPx};
    for (int i = 0; i < f.ControlCount() && i < Form::MAX_CONTROLS; ++i) {
        const Control* c = f.ControlAt(i);
        if (c->Kind() != ControlKind::Image) continue;
        const Image* im = static_cast<const Image*>(c);
        Shown now = {ControlPixels(*c), im->GetPicture(), c->Visible()};
        Shown& was = shown_[i];
        bool moved = now.rect.x0 != was.rect.x0 || now.rect.y0 != was.rect.y0 || now.rect.x1 != was.rect.x1 ||
                     now.rect.y1 != was.rect.y1;
        if (moved || now.picture != was.picture || now.visible != was.visible) {
            if (was.visible) dirty.Add(Intersect(was.rect, window));
            if (now.visible) dirty.Add(Intersect(now.rect, window));
        }
        was = now;
    }
    return dirty;
}

void ComposeRect(const Form& f, const PixelRect& r, uint32_t background, uint32_t* buffer, int stride) {
    int w = r.x1 - r.x0;
    for (int y = r.y0; y < r.y1; ++y) {
        uint32_t* row = buffer + (size_t)(y - r.y0) * stride;
        for (int x = 0; x < w; ++x) row[x] = background;
    }
    for (int i = 0; i < f.ControlCount(); ++i) {
        const Control* c = f.ControlAt(i);
        if (c->Kind() != ControlKind::Image || !c->Visible()) continue;
        const Image* im = static_cast<const Image*>(c);
        const Picture* p = im->GetPicture();
        // A stretched image would need scaling; the forms drawn on X11 show none.
        if (!p || !p->native || im->Stretch()) continue;
        PixelRect place = ControlPixels(*c);
        place.x1 = place.x0 + p->widthPx;
        place.y1 = place.y0 + p->heightPx;
        PixelRect part = Intersect(place, r);
        if (part.Empty()) continue;
        const uint32_t* src = static_cast<const PixelPicture*>(p->native)->pixels;
        for (int y = part.y0; y < part.y1; ++y)
            memcpy(buffer + (size_t)(y - r.y0) * stride + (part.x0 - r.x0),
                   src + (size_t)(y - place.y0) * p->widthPx + (part.x0 - place.x0),
                   (size_t)(part.x1 - part.x0) * sizeof(uint32_t));
    }
}
