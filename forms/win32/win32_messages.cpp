// The messages of a form's window on the Win32 forms platform: each one that runs an
// event handler of the form brings the windows in line with the controls (Sync).
#include "win32_form_window.h"

namespace {

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

}  // namespace

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

