// The control model of the forms platform: each control holds its property values;
// the platform's window layer shows them and feeds events back. Places and sizes
// are single-precision twips, relative to the form's client area or, for controls
// inside a frame, to the frame.
#pragma once
#include "form.h"
#include "forms_text.h"

class Frame;

// A picture held by the platform (decoded once, shared by every control showing it).
struct Picture {
    int widthPx;
    int heightPx;
    void* native;     // the platform's bitmap
};

enum class ControlKind { Image, Timer, TextBox, Label, Frame, HScrollBar, CommandButton };

// Colours are 0x00BBGGRR.
inline long RGB3(int r, int g, int b) { return (long)(r | (g << 8) | (b << 16)); }

class Control {
public:
    Control(Form& owner, ControlKind kind, const char* name);
    virtual ~Control() {}

    Form& Owner() const { return owner_; }
    ControlKind Kind() const { return kind_; }
    const char* Name() const { return name_; }

    float Left() const { return left_; }
    float Top() const { return top_; }
    float Width() const { return width_; }
    float Height() const { return height_; }
    void SetLeft(float v) { left_ = v; }
    void SetTop(float v) { top_ = v; }
    void Move(float left, float top, float width, float height);

    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    int TabIndex() const { return tabIndex_; }
    void SetTabIndex(int i) { tabIndex_ = i; }
    Frame* Container() const { return container_; }
    void SetContainer(Frame* f) { container_ = f; }

    void* native = nullptr;   // the platform's counterpart, if any

protected:
    float width_ = 0, height_ = 0;

private:
    Form& owner_;
    ControlKind kind_;
    const char* name_;
    Frame* container_ = nullptr;
    float left_ = 0, top_ = 0;
    bool visible_ = true;
    int tabIndex_ = 0;
};

// An image control, drawn by its form. Not stretched, it takes the size of the
// picture it holds; stretched, it keeps its own size.
class Image : public Control {
public:
    Image(Form& owner, const char* name);
    Picture* GetPicture() const { return picture_; }
    void SetPicture(Picture* p);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool s) { stretch_ = s; }
private:
    Picture* picture_ = nullptr;
    bool stretch_ = false;
};

// A timer ticks once per interval while it is enabled and its interval is not 0.
class Timer : public Control {
public:
    Timer(Form& owner, const char* name);
    long Interval() const { return interval_; }
    void SetInterval(long ms) { interval_ = ms; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool e) { enabled_ = e; }
private:
    long interval_ = 0;
    bool enabled_ = true;
};

// A text box keeps only the characters before the first NUL of what it is given.
class TextBox : public Control {
public:
    TextBox(Form& owner, const char* name);
    const Text& GetText() const { return text_; }
    void SetText(const Text& t) { text_ = t.BeforeNul(); }
    long BackColor = 0xFFFFFF;
private:
    Text text_;
};

struct FontSpec {
    const char* face;      // null: the platform's default font for controls
    float points;
    int weight;
};

class Label : public Control {
public:
    Label(Form& owner, const char* name);
    const Text& Caption() const { return caption_; }
    void SetCaption(const Text& t) { caption_ = t; }
    long BackColor = 0xFFFFFF;
    bool Transparent = false;
    bool Border = false;
    FontSpec Font = {nullptr, 0, 400};
private:
    Text caption_;
};

class Frame : public Control {
public:
    Frame(Form& owner, const char* name);
    Text Caption;
    long BackColor = 0xFFFFFF;
    FontSpec Font = {nullptr, 0, 400};
};

class HScrollBar : public Control {
public:
    HScrollBar(Form& owner, const char* name);
    short Value() const { return value_; }
    // Values outside Min..Max are refused, as the platform's scroll bar does.
    bool SetValue(short v);
    short Min = 0, Max = 32767, SmallChange = 1, LargeChange = 1;
private:
    short value_ = 0;
};

class CommandButton : public Control {
public:
    CommandButton(Form& owner, const char* name);
    Text Caption;
    FontSpec Font = {nullptr, 0, 400};
    bool Default = false;
};
