// A form: a top-level window built from a table of property values, with its
// controls and event handlers. The platform creates the real window, runs the
// load handler, delivers events and shows what the properties say. The form knows
// its controls only by their place in its table; controls.h, which defines them,
// builds on this header, never the other way round.
#pragma once
#include "forms_text.h"

class Control;
class Timer;
class CommandButton;

enum class FormBorder { None, FixedDialog };

class Form {
public:
    Form();
    virtual ~Form() {}

    // Property table (set by the derived form's constructor).
    FormBorder Border = FormBorder::FixedDialog;
    bool Maximized = false;        // covers the screen from its first showing on
    bool Centred = false;          // first place: centred on the screen
    bool ShowInTaskbar = false;
    Text Caption;
    long BackColor = 0xC0C0C0;
    long ForeColor = 0;
    int IconId = 0;                // resource id of the window icon
    int MouseIconId = 0;           // resource id of a custom pointer; 0: the default arrow
    int PictureId = 0;             // resource id of the background picture; 0: none
    float ClientWidth = 0, ClientHeight = 0;   // design size of the client area, in twips

    // The window's extent in twips, set by the platform when it creates the window.
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetExtent(float w, float h) { width_ = w; height_ = h; }
    float TwipsPerPixelX() const;
    float TwipsPerPixelY() const;

    // Loads the form (creating its window and running Form_Load) if it is not
    // loaded yet, then shows it, not modal.
    void Show();
    // Closes the form's window; the program ends when no form is left.
    void Unload();
    bool Loaded() const { return loaded_; }
    void SetLoaded(bool l) { loaded_ = l; }

    // The most controls a form holds; the platforms size their tables by it.
    enum { MAX_CONTROLS = 16 };
    int ControlCount() const { return count_; }
    Control* ControlAt(int i) const { return controls_[i]; }
    void AddControl(Control* c);

    // Events; the default handlers do nothing.
    virtual void Form_Load() {}
    virtual void Form_KeyDown(short /*keyCode*/, short /*shift*/) {}
    virtual void Form_MouseMove(short /*button*/, short /*shift*/, float /*x*/, float /*y*/) {}
    virtual void TimerTick(Timer& /*t*/) {}
    virtual void ButtonClick(CommandButton& /*b*/) {}

    void* native = nullptr;   // the platform's window

private:
    Control* controls_[MAX_CONTROLS];
    int count_ = 0;
    float width_ = 0, height_ = 0;
    bool loaded_ = false;
};
