// The Win32 forms platform itself: the form window's class, loading, showing and
// unloading forms, the message loop, the fonts and pictures it keeps, and the calls it
// passes to Windows (the clipboard, the profile functions, message boxes, the clock).
#include "win32_form_window.h"
#include "rt.h"

namespace {

const char FORM_CLASS[] = "ZelvoForm";
const int TAB_INDEX_LIMIT = 64;   // tab indices run from 0 to below this

// The font of controls that name none.
const char DEFAULT_FACE[] = "MS Sans Serif";
const float DEFAULT_POINTS = 8.25f;

// True when a and b name the same face, as far as a font's face name reaches.
bool SameFace(const char* a, const char* b) {
    for (int i = 0; i < LF_FACESIZE - 1; ++i) {
        if (a[i] != b[i]) return false;
        if (!a[i]) return true;
    }
    return true;
}

}  // namespace

int Px(float twips, float tpp) {
    float v = twips / tpp;
    return (int)(v < 0 ? v - 0.5f : v + 0.5f);
}

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
    w->platform = this;
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
            if (f.ControlAt(i)->TabIndex() == tab && !w->child[i]) w->child[i] = CreateChild(w, i);
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
    for (int i = 0; i < pictureCount_; ++i)
        if (pictures_[i].id == resourceId) return pictures_[i].picture;
    Picture* p = DecodePictureResource(inst_, resourceId);
    if (pictureCount_ < MAX_PICTURES) pictures_[pictureCount_++] = CachedPicture{resourceId, p};
    return p;
}

HFONT Win32Platform::Font(const FontSpec& font) {
    const char* face = font.face ? font.face : DEFAULT_FACE;
    float points = font.face ? font.points : DEFAULT_POINTS;
    for (int i = 0; i < fontCount_; ++i)
        if (fonts_[i].points == points && fonts_[i].weight == font.weight && SameFace(fonts_[i].face, face))
            return fonts_[i].font;
    if (fontCount_ == fontCapacity_) {
        int capacity = fontCapacity_ ? 2 * fontCapacity_ : 4;
        CachedFont* grown = new CachedFont[capacity];
        for (int i = 0; i < fontCount_; ++i) grown[i] = fonts_[i];
        delete[] fonts_;
        fonts_ = grown;
        fontCapacity_ = capacity;
    }
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    int height = -(int)(points * dpi / 72.0f + 0.5f);
    CachedFont& made = fonts_[fontCount_++];
    lstrcpynA(made.face, face, LF_FACESIZE);
    made.points = points;
    made.weight = font.weight;
    made.font = CreateFontA(height, 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    return made.font;
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
