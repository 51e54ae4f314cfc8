#include "win32_platform.h"
#include "rt.h"

namespace {

const char FORM_CLASS[] = "ZelvoForm";
const int FIRST_CHILD_ID = 100;   // child ids stay clear of IDOK and IDCANCEL
const int TAB_INDEX_LIMIT = 64;   // tab indices run from 0 to below this
const int MAX_PICTURES = 16;      // pictures decoded and kept

// What the window layer last showed of each control, to see what a handler changed.
struct Shown {
    RECT rect;          // in client pixels
    Picture* picture;
    bool visible;
    long interval;
    bool enabled;
    short value;
    Text caption;
};

struct FormWindow {
    Form* form;
    HWND hwnd;
    HWND child[Form::MAX_CONTROLS];
    Shown shown[Form::MAX_CONTROLS];
    HCURSOR pointer;
    HDC backDc;
    HBITMAP backBitmap;
    HDC pictureDc;
    int backW, backH;
    POINT lastMouse;
    bool mouseKnown;
    bool visible;
};

HFONT g_defaultFont = nullptr;

int Px(float twips, float tpp) {
    float v = twips / tpp;
    return (int)(v < 0 ? v - 0.5f : v + 0.5f);
}

FormWindow* WindowOf(Form& f) { return (FormWindow*)f.native; }

HFONT FontFor(const FontSpec& font) {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    const char* face = font.face ? font.face : "MS Sans Serif";
    float points = font.face ? font.points : 8.25f;
    int height = -(int)(points * dpi / 72.0f + 0.5f);
    return CreateFontA(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

HFONT CachedFont(const FontSpec& font) {
    if (!font.face) {
        if (!g_defaultFont) g_defaultFont = FontFor(font);
        return g_defaultFont;
    }
    static HFONT bold = nullptr;
    if (!bold) bold = FontFor(font);
    return bold;
}

// A control's rectangle in the form's client pixels (controls in a frame are
// placed relative to it).
RECT ControlRect(const Control& c, float tppX, float tppY) {
    float left = c.Left(), top = c.Top();
    if (c.Container()) {
        left += c.Container()->Left();
        top += c.Container()->Top();
    }
    RECT r;
    r.left = Px(left, tppX);
    r.top = Px(top, tppY);
    r.right = r.left + Px(c.Width(), tppX);
    r.bottom = r.top + Px(c.Height(), tppY);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

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
        Picture* p = ThePlatform().LoadPicture(f.PictureId);
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
            SelectObject(b, CachedFont(fr->Font));
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
            SelectObject(b, CachedFont(l->Font));
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

// Brings the windows in line with the controls after a handler ran: moved or
// changed images and labels are repainted (old and new place only), child windows
// moved, scroll positions set, timers started or stopped.
void AddDirty(RECT* dirty, const RECT& r) {
    if (IsRectEmpty(&r)) return;
    if (IsRectEmpty(dirty)) *dirty = r;
    else UnionRect(dirty, dirty, &r);
}

void Sync(FormWindow* w) {
    if (!w || !w->hwnd) return;
    Form& f = *w->form;
    float tx = f.TwipsPerPixelX(), ty = f.TwipsPerPixelY();
    RECT dirty;
    SetRectEmpty(&dirty);
    for (int i = 0; i < f.ControlCount(); ++i) {
        Control* c = f.ControlAt(i);
        Shown& s = w->shown[i];
        RECT r = ControlRect(*c, tx, ty);
        switch (c->Kind()) {
        case ControlKind::Image: {
            Image* im = static_cast<Image*>(c);
            if (!SameRect(r, s.rect) || im->GetPicture() != s.picture || c->Visible() != s.visible) {
                if (s.visible) AddDirty(&dirty, s.rect);
                if (c->Visible()) AddDirty(&dirty, r);
            }
            s.picture = im->GetPicture();
            break;
        }
        case ControlKind::Label: {
            Label* l = static_cast<Label*>(c);
            if (!SameRect(r, s.rect) || !(l->Caption() == s.caption) || c->Visible() != s.visible) {
                AddDirty(&dirty, s.rect);
                AddDirty(&dirty, r);
                s.caption = l->Caption();
            }
            break;
        }
        case ControlKind::Timer: {
            Timer* t = static_cast<Timer*>(c);
            if (t->Interval() != s.interval || t->Enabled() != s.enabled) {
                KillTimer(w->hwnd, (UINT_PTR)(i + 1));
                if (t->Enabled() && t->Interval() > 0) SetTimer(w->hwnd, (UINT_PTR)(i + 1), (UINT)t->Interval(), nullptr);
                s.interval = t->Interval();
                s.enabled = t->Enabled();
            }
            break;
        }
        case ControlKind::HScrollBar: {
            HScrollBar* sb = static_cast<HScrollBar*>(c);
            if (sb->Value() != s.value) {
                SetScrollPos(w->child[i], SB_CTL, sb->Value(), TRUE);
                s.value = sb->Value();
            }
            break;
        }
        default:
            break;
        }
        if (w->child[i] && (!SameRect(r, s.rect) || c->Visible() != s.visible)) {
            MoveWindow(w->child[i], r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            ShowWindow(w->child[i], c->Visible() ? SW_SHOWNA : SW_HIDE);
        }
        s.rect = r;
        s.visible = c->Visible();
    }
    // What the form draws itself is repainted at once, in one piece through the
    // back buffer, so a moving sprite never flickers.
    RECT client;
    GetClientRect(w->hwnd, &client);
    if (IntersectRect(&dirty, &dirty, &client)) {
        if (w->visible) {
            HDC dc = GetDC(w->hwnd);
            PaintForm(w, dc, dirty);
            ReleaseDC(w->hwnd, dc);
        } else {
            InvalidateRect(w->hwnd, &dirty, FALSE);
        }
    }
}


HWND CreateChild(FormWindow* w, int i, HINSTANCE inst) {
    Control* c = w->form->ControlAt(i);
    RECT r = ControlRect(*c, w->form->TwipsPerPixelX(), w->form->TwipsPerPixelY());
    const char* cls = nullptr;
    const char* text = "";
    DWORD style = WS_CHILD | (c->Visible() ? WS_VISIBLE : 0);
    HFONT font = CachedFont(FontSpec{nullptr, 0, 400});
    switch (c->Kind()) {
    case ControlKind::CommandButton: {
        CommandButton* b = static_cast<CommandButton*>(c);
        cls = "BUTTON";
        text = b->Caption.Chars();
        style |= WS_TABSTOP | (b->Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        font = CachedFont(b->Font);
        break;
    }
    case ControlKind::HScrollBar:
        cls = "SCROLLBAR";
        style |= WS_TABSTOP | SBS_HORZ;
        break;
    case ControlKind::TextBox:
        cls = "EDIT";
        text = static_cast<TextBox*>(c)->GetText().Chars();
        style |= WS_TABSTOP | ES_AUTOHSCROLL;
        break;
    default:
        return nullptr;
    }
    HWND h = CreateWindowExA(0, cls, text, style, r.left, r.top, r.right - r.left, r.bottom - r.top, w->hwnd,
                             (HMENU)(INT_PTR)(FIRST_CHILD_ID + i), inst, nullptr);
    SendMessageA(h, WM_SETFONT, (WPARAM)font, 0);
    if (c->Kind() == ControlKind::HScrollBar) {
        HScrollBar* sb = static_cast<HScrollBar*>(c);
        SetScrollRange(h, SB_CTL, sb->Min, sb->Max, FALSE);
        SetScrollPos(h, SB_CTL, sb->Value(), TRUE);
        w->shown[i].value = sb->Value();
    }
    return h;
}

// Moves the scroll bar control bar as a scroll request of the given code asks.
void Scroll(FormWindow* w, HWND bar, int code) {
    for (int i = 0; i < w->form->ControlCount(); ++i) {
        if (w->child[i] != bar || w->form->ControlAt(i)->Kind() != ControlKind::HScrollBar) continue;
        HScrollBar* sb = static_cast<HScrollBar*>(w->form->ControlAt(i));
        int v = sb->Value();
        switch (code) {
        case SB_LINELEFT: v -= sb->SmallChange; break;
        case SB_LINERIGHT: v += sb->SmallChange; break;
        case SB_PAGELEFT: v -= sb->LargeChange; break;
        case SB_PAGERIGHT: v += sb->LargeChange; break;
        case SB_LEFT: v = sb->Min; break;
        case SB_RIGHT: v = sb->Max; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO si;
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            GetScrollInfo(bar, SB_CTL, &si);
            v = si.nTrackPos;
            break;
        }
        default: return;
        }
        if (v < sb->Min) v = sb->Min;
        if (v > sb->Max) v = sb->Max;
        sb->SetValue((short)v);
    }
}

// The handlers of the form window's messages. Each one that runs an event handler of
// the form brings the windows in line with the controls afterwards (Sync).

LRESULT OnPaint(FormWindow* w, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (!IsRectEmpty(&ps.rcPaint)) PaintForm(w, dc, ps.rcPaint);
    EndPaint(hwnd, &ps);
    return 0;
}

// True when the form's own pointer was set (over the client area).
bool OnSetCursor(FormWindow* w, LPARAM lp) {
    if (!w->pointer || LOWORD(lp) != HTCLIENT) return false;
    SetCursor(w->pointer);
    return true;
}

LRESULT OnKeyDown(FormWindow* w, WPARAM wp) {
    short shift = (short)((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                          (GetKeyState(VK_MENU) < 0 ? 4 : 0));
    w->form->Form_KeyDown((short)wp, shift);
    Sync(w);
    return 0;
}

LRESULT OnMouseMove(FormWindow* w, HWND hwnd, WPARAM wp, LPARAM lp) {
    // The window system also reports the still pointer when a window appears
    // or is uncovered under it; only a change of position is a mouse move.
    POINT p;
    p.x = (short)LOWORD(lp);
    p.y = (short)HIWORD(lp);
    ClientToScreen(hwnd, &p);
    if (w->mouseKnown && p.x == w->lastMouse.x && p.y == w->lastMouse.y) return 0;
    w->lastMouse = p;
    w->mouseKnown = true;
    Form& f = *w->form;
    short button = (short)(((wp & MK_LBUTTON) ? 1 : 0) | ((wp & MK_RBUTTON) ? 2 : 0) | ((wp & MK_MBUTTON) ? 4 : 0));
    f.Form_MouseMove(button, 0, (short)LOWORD(lp) * f.TwipsPerPixelX(), (short)HIWORD(lp) * f.TwipsPerPixelY());
    Sync(w);
    return 0;
}

// Timer ids are the control's index + 1.
LRESULT OnTimer(FormWindow* w, WPARAM wp) {
    Form& f = *w->form;
    int i = (int)wp - 1;
    if (i < 0 || i >= f.ControlCount() || f.ControlAt(i)->Kind() != ControlKind::Timer) return 0;
    Timer* t = static_cast<Timer*>(f.ControlAt(i));
    if (t->Enabled() && t->Interval() > 0) f.TimerTick(*t);
    Sync(w);
    return 0;
}

LRESULT OnCommand(FormWindow* w, WPARAM wp) {
    Form& f = *w->form;
    int i = (int)LOWORD(wp) - FIRST_CHILD_ID;
    if (HIWORD(wp) != BN_CLICKED || i < 0 || i >= f.ControlCount() ||
        f.ControlAt(i)->Kind() != ControlKind::CommandButton)
        return 0;
    f.ButtonClick(*static_cast<CommandButton*>(f.ControlAt(i)));
    Sync(w);
    return 0;
}

LRESULT OnHScroll(FormWindow* w, WPARAM wp, LPARAM lp) {
    if (!lp) return 0;  // the window's own scroll bar: the forms have none
    Scroll(w, (HWND)lp, LOWORD(wp));
    Sync(w);
    return 0;
}

// Asked by the dialog manager when Enter is pressed: a push button that holds the
// focus is the default button; otherwise the form's own, if it has one.
LRESULT OnGetDefId(FormWindow* w) {
    Form& f = *w->form;
    HWND focus = GetFocus();
    int def = -1;
    for (int i = 0; i < f.ControlCount(); ++i) {
        if (f.ControlAt(i)->Kind() != ControlKind::CommandButton || !w->child[i]) continue;
        if (w->child[i] == focus) return MAKELRESULT(FIRST_CHILD_ID + i, DC_HASDEFID);
        if (def < 0 && static_cast<CommandButton*>(f.ControlAt(i))->Default) def = i;
    }
    return def < 0 ? 0 : MAKELRESULT(FIRST_CHILD_ID + def, DC_HASDEFID);
}

LRESULT OnClose(FormWindow* w) {
    w->form->Unload();
    return 0;
}

LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    FormWindow* w = (FormWindow*)GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    if (w) {
        switch (msg) {
        case WM_ERASEBKGND: return 1;  // painting covers every pixel
        case WM_PAINT: return OnPaint(w, hwnd);
        case WM_CTLCOLORSCROLLBAR: return (LRESULT)GetSysColorBrush(COLOR_SCROLLBAR);
        case WM_SETCURSOR:
            if (OnSetCursor(w, lp)) return TRUE;
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: return OnKeyDown(w, wp);
        case WM_MOUSEMOVE: return OnMouseMove(w, hwnd, wp, lp);
        case WM_TIMER: return OnTimer(w, wp);
        case WM_COMMAND: return OnCommand(w, wp);
        case WM_HSCROLL: return OnHScroll(w, wp, lp);
        case DM_GETDEFID: return OnGetDefId(w);
        case WM_CLOSE: return OnClose(w);
        default: break;
        }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

Win32Platform::Win32Platform(HINSTANCE inst) : inst_(inst) {
    SetPlatform(this);
    HDC dc = GetDC(nullptr);
    tppX_ = 1440.0f / (float)GetDeviceCaps(dc, LOGPIXELSX);
    tppY_ = 1440.0f / (float)GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = FormProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    wc.lpszClassName = FORM_CLASS;
    RegisterClassA(&wc);
}

void Win32Platform::LoadForm(Form& f) {
    FormWindow* w = new FormWindow();
    w->form = &f;
    f.native = w;

    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    DWORD style, ex = f.ShowInTaskbar ? 0 : WS_EX_TOOLWINDOW;
    int x, y, cx, cy;
    if (f.Border == FormBorder::None) {
        style = WS_POPUP | WS_CLIPCHILDREN;
    } else {
        style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
        ex |= WS_EX_DLGMODALFRAME;
    }
    if (f.Maximized) {
        style |= WS_MAXIMIZE;
        ex |= WS_EX_TOPMOST;
        x = 0, y = 0, cx = screenW, cy = screenH;
    } else {
        RECT r = {0, 0, Px(f.ClientWidth, tppX_), Px(f.ClientHeight, tppY_)};
        AdjustWindowRectEx(&r, style, FALSE, ex);
        cx = r.right - r.left;
        cy = r.bottom - r.top;
        x = f.Centred ? (screenW - cx) / 2 : CW_USEDEFAULT;
        y = f.Centred ? (screenH - cy) / 2 : CW_USEDEFAULT;
    }
    f.SetExtent(cx * tppX_, cy * tppY_);
    w->hwnd = CreateWindowExA(ex, FORM_CLASS, f.Caption.Chars(), style, x, y, cx, cy, nullptr, nullptr, inst_, nullptr);
    if (f.IconId) {
        HICON icon = LoadIconA(inst_, MAKEINTRESOURCEA(f.IconId));
        SendMessageA(w->hwnd, WM_SETICON, ICON_BIG, (LPARAM)icon);
    }
    if (f.MouseIconId) w->pointer = LoadCursorA(inst_, MAKEINTRESOURCEA(f.MouseIconId));

    // Child windows in tab order, so that Tab follows it.
    for (int tab = 0; tab < TAB_INDEX_LIMIT; ++tab)
        for (int i = 0; i < f.ControlCount(); ++i)
            if (f.ControlAt(i)->TabIndex() == tab && !w->child[i]) w->child[i] = CreateChild(w, i, inst_);
    for (int i = 0; i < f.ControlCount(); ++i) {
        w->shown[i].rect = ControlRect(*f.ControlAt(i), tppX_, tppY_);
        w->shown[i].visible = f.ControlAt(i)->Visible();
        w->shown[i].interval = -1;
    }
    SetWindowLongPtrA(w->hwnd, GWLP_USERDATA, (LONG_PTR)w);
    f.SetLoaded(true);
    ++openForms_;
    f.Form_Load();
    if (f.Loaded()) Sync(w);
}

void Win32Platform::ShowForm(Form& f) {
    FormWindow* w = WindowOf(f);
    if (!w || !w->hwnd || w->visible) return;
    w->visible = true;
    GetCursorPos(&w->lastMouse);
    w->mouseKnown = true;
    ShowWindow(w->hwnd, f.Maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    UpdateWindow(w->hwnd);
    SetForegroundWindow(w->hwnd);
    // The focus goes to the first control in the tab order that can take it, or
    // to the window itself.
    HWND first = nullptr;
    for (int tab = 0; tab < TAB_INDEX_LIMIT && !first; ++tab)
        for (int i = 0; i < f.ControlCount() && !first; ++i)
            if (w->child[i] && f.ControlAt(i)->TabIndex() == tab && f.ControlAt(i)->Visible()) first = w->child[i];
    SetFocus(first ? first : w->hwnd);
    // A push button that holds the focus is the default button (DM_GETDEFID), and
    // looks it, as when Tab moves to it.
    if (first && (SendMessageA(first, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
        SendMessageA(first, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

void Win32Platform::UnloadForm(Form& f) {
    FormWindow* w = WindowOf(f);
    f.SetLoaded(false);
    if (w && w->hwnd) {
        HWND h = w->hwnd;
        w->hwnd = nullptr;
        SetWindowLongPtrA(h, GWLP_USERDATA, 0);
        DestroyWindow(h);
    }
    if (--openForms_ <= 0) PostQuitMessage(0);
}

int Win32Platform::Run(Form& startup) {
    LoadForm(startup);
    if (startup.Loaded()) ShowForm(startup);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        HWND top = m.hwnd;
        while (top && (GetWindowLongA(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
        // Tab moves the focus between the controls of a dialog-framed form.
        if (top && (GetWindowLongA(top, GWL_STYLE) & WS_DLGFRAME) && IsDialogMessageA(top, &m)) continue;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}

Picture* Win32Platform::LoadPicture(int resourceId) {
    // Each picture is decoded once and shared.
    static int ids[MAX_PICTURES];
    static Picture* pictures[MAX_PICTURES];
    static int count = 0;
    for (int i = 0; i < count; ++i)
        if (ids[i] == resourceId) return pictures[i];
    Picture* p = DecodePictureResource(inst_, resourceId);
    if (count < MAX_PICTURES) {
        ids[count] = resourceId;
        pictures[count++] = p;
    }
    return p;
}

void Win32Platform::End() { ExitProcess(0); }

Text Win32Platform::CommandLine() { return Text(CommandTail()); }

double Win32Platform::SecondsSinceMidnight() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

int Win32Platform::MsgBox(const Text& prompt, int style, const Text& title) {
    return MessageBoxA(GetActiveWindow(), prompt.Chars(), title.Chars(), (UINT)style);
}

bool Win32Platform::OpenClipboard(Form* window) {
    FormWindow* w = window ? WindowOf(*window) : nullptr;
    return ::OpenClipboard(w ? w->hwnd : nullptr) != FALSE;
}

bool Win32Platform::EmptyClipboard() { return ::EmptyClipboard() != FALSE; }

// The clipboard takes the memory when it takes the data; it is freed here otherwise.
bool Win32Platform::SetClipboardText(const Text& t) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, t.Len() + 1);
    if (!mem) return false;
    char* p = (char*)GlobalLock(mem);
    for (size_t i = 0; i <= t.Len(); ++i) p[i] = t.Chars()[i];
    GlobalUnlock(mem);
    if (SetClipboardData(CF_TEXT, mem)) return true;
    GlobalFree(mem);
    return false;
}

bool Win32Platform::CloseClipboard() { return ::CloseClipboard() != FALSE; }

long Win32Platform::GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                             long size, const char* file) {
    return (long)::GetPrivateProfileStringA(section, key, def, buffer, (DWORD)size, file);
}

long Win32Platform::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                               const char* file) {
    return (long)::WritePrivateProfileStringA(section, key, value, file);
}

long Win32Platform::GetWindowsDirectoryA(char* buffer, long size) {
    return (long)::GetWindowsDirectoryA(buffer, (UINT)size);
}
