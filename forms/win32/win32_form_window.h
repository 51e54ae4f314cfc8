// The window layer of the Win32 forms platform: what it keeps of each loaded form and
// the parts that share it, painting, syncing the windows with the controls and the
// form window's messages. Only the files of forms/win32 include it.
#pragma once
#include "win32_platform.h"

const int FIRST_CHILD_ID = 100;   // child ids stay clear of IDOK and IDCANCEL

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

// A loaded form's window, with the platform that made it.
struct FormWindow {
    Win32Platform* platform;
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

inline FormWindow* WindowOf(Form& f) { return (FormWindow*)f.native; }

// Twips to pixels, rounded to the nearest (a half away from zero).
int Px(float twips, float tpp);
// A control's rectangle in the form's client pixels (controls in a frame are
// placed relative to it).
RECT ControlRect(const Control& c, float tppX, float tppY);

// win32_painting.cpp: draws the part clip of the form's client area, through its back
// buffer: the background, its picture, the frames, labels and images.
void PaintForm(FormWindow* w, HDC dc, const RECT& clip);

// win32_sync.cpp: the child window of control i (a button, scroll bar or text box;
// nullptr for a control the form draws itself), and the windows brought in line with
// the controls after a handler ran.
HWND CreateChild(FormWindow* w, int i);
void Sync(FormWindow* w);

// win32_messages.cpp: the window procedure of every form.
LRESULT CALLBACK FormProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
