// Painting of the Win32 forms platform: what a form draws itself (its background and
// picture, frames, labels and images), composed in a back buffer and copied at once.
#include "win32_form_window.h"

namespace {

// Draws text with every line break ("\r\n", "\n\r", "\r" or "\n") taken as one.
// Lines are not wrapped: each line of the caption stays one line on the screen.
void DrawCaption(HDC dc, const Text& caption, RECT r) {
    char* lines = new char[caption.Len() * 2 + 1];
    size_t n = 0;
    for (size_t i = 0; i < caption.Len(); ++i) {
        char c = caption[i];
        if (c == '\r' || c == '\n') {
            if (i + 1 < caption.Len() && (caption[i + 1] == '\r' || caption[i + 1] == '\n') &&
                caption[i + 1] != c)
                ++i;
            lines[n++] = '\r';
            lines[n++] = '\n';
        } else {
            lines[n++] = c;
        }
    }
    lines[n] = 0;
    DrawTextA(dc, lines, (int)n, &r, DT_LEFT | DT_NOPREFIX);
    delete[] lines;
}

}  // namespace

void PaintForm(FormWindow* w, HDC dc, const RECT& clip) {
    Form& f = *w->form;
    float tx = f.TwipsPerPixelX(), ty = f.TwipsPerPixelY();
    RECT client;
    GetClientRect(w->hwnd, &client);
    if (!w->backDc || w->backW != client.right || w->backH != client.bottom) {
        if (w->backDc) {
            DeleteDC(w->backDc);
            DeleteObject(w->backBitmap);
        }
        w->backDc = CreateCompatibleDC(dc);
        w->backBitmap = CreateCompatibleBitmap(dc, client.right, client.bottom);
        SelectObject(w->backDc, w->backBitmap);
        w->backW = client.right;
        w->backH = client.bottom;
    }
    HDC b = w->backDc;
    SaveDC(b);
    IntersectClipRect(b, clip.left, clip.top, clip.right, clip.bottom);

    HBRUSH back = CreateSolidBrush((COLORREF)f.BackColor);
    FillRect(b, &client, back);
    DeleteObject(back);

    if (!w->pictureDc) w->pictureDc = CreateCompatibleDC(dc);
    HDC pictureDc = w->pictureDc;
    if (f.PictureId) {
        Picture* p = w->platform->LoadPicture(f.PictureId);
        if (p && p->native) {
            HGDIOBJ old = SelectObject(pictureDc, (HBITMAP)p->native);
            BitBlt(b, 0, 0, p->widthPx, p->heightPx, pictureDc, 0, 0, SRCCOPY);
            SelectObject(pictureDc, old);
        }
    }
    for (int i = 0; i < f.ControlCount(); ++i) {
        Control* c = f.ControlAt(i);
        if (!c->Visible()) continue;
        RECT r = ControlRect(*c, tx, ty);
        if (c->Kind() == ControlKind::Frame) {
            Frame* fr = static_cast<Frame*>(c);
            HBRUSH fb = CreateSolidBrush((COLORREF)fr->BackColor);
            FillRect(b, &r, fb);
            DeleteObject(fb);
            SelectObject(b, w->platform->Font(fr->Font));
            TEXTMETRICA tm;
            GetTextMetricsA(b, &tm);
            RECT edge = r;
            edge.top += tm.tmHeight / 2;
            DrawEdge(b, &edge, EDGE_ETCHED, BF_RECT);
            SetBkMode(b, OPAQUE);
            SetBkColor(b, (COLORREF)fr->BackColor);
            SetTextColor(b, (COLORREF)f.ForeColor);
            TextOutA(b, r.left + 8, r.top, fr->Caption.Chars(), (int)fr->Caption.Len());
        } else if (c->Kind() == ControlKind::Label) {
            Label* l = static_cast<Label*>(c);
            if (!l->Transparent) {
                HBRUSH lb = CreateSolidBrush((COLORREF)l->BackColor);
                FillRect(b, &r, lb);
                DeleteObject(lb);
            }
            RECT inner = r;
            if (l->Border) {
                DrawEdge(b, &inner, EDGE_SUNKEN, BF_RECT);
                InflateRect(&inner, -2, -1);
            }
            SelectObject(b, w->platform->Font(l->Font));
            SetBkMode(b, TRANSPARENT);
            SetTextColor(b, (COLORREF)f.ForeColor);
            DrawCaption(b, l->Caption(), inner);
        } else if (c->Kind() == ControlKind::Image) {
            Image* im = static_cast<Image*>(c);
            Picture* p = im->GetPicture();
            if (!p || !p->native) continue;
            HGDIOBJ old = SelectObject(pictureDc, (HBITMAP)p->native);
            if (im->Stretch())
                StretchBlt(b, r.left, r.top, r.right - r.left, r.bottom - r.top, pictureDc, 0, 0, p->widthPx,
                           p->heightPx, SRCCOPY);
            else
                BitBlt(b, r.left, r.top, p->widthPx, p->heightPx, pictureDc, 0, 0, SRCCOPY);
            SelectObject(pictureDc, old);
        }
    }
    RestoreDC(b, -1);
    BitBlt(dc, clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, b, clip.left, clip.top,
           SRCCOPY);
}
