// Syncing of the Win32 forms platform: the child windows of buttons, scroll bars and
// text boxes, and after each handler the windows brought in line with the controls.
#include "win32_form_window.h"

namespace {

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

void AddDirty(RECT* dirty, const RECT& r) {
    if (IsRectEmpty(&r)) return;
    if (IsRectEmpty(dirty)) *dirty = r;
    else UnionRect(dirty, dirty, &r);
}

}  // namespace

// Brings the windows in line with the controls after a handler ran: moved or
// changed images and labels are repainted (old and new place only), child windows
// moved, scroll positions set, timers started or stopped.
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

HWND CreateChild(FormWindow* w, int i) {
    Control* c = w->form->ControlAt(i);
    RECT r = ControlRect(*c, w->form->TwipsPerPixelX(), w->form->TwipsPerPixelY());
    const char* cls = nullptr;
    const char* text = "";
    DWORD style = WS_CHILD | (c->Visible() ? WS_VISIBLE : 0);
    HFONT font = w->platform->Font(FontSpec{nullptr, 0, 400});
    switch (c->Kind()) {
    case ControlKind::CommandButton: {
        CommandButton* b = static_cast<CommandButton*>(c);
        cls = "BUTTON";
        text = b->Caption.Chars();
        style |= WS_TABSTOP | (b->Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        font = w->platform->Font(b->Font);
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
                             (HMENU)(INT_PTR)(FIRST_CHILD_ID + i), w->platform->Instance(), nullptr);
    SendMessageA(h, WM_SETFONT, (WPARAM)font, 0);
    if (c->Kind() == ControlKind::HScrollBar) {
        HScrollBar* sb = static_cast<HScrollBar*>(c);
        SetScrollRange(h, SB_CTL, sb->Min, sb->Max, FALSE);
        SetScrollPos(h, SB_CTL, sb->Value(), TRUE);
        w->shown[i].value = sb->Value();
    }
    return h;
}
