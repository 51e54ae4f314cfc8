// The controls: each one enters its form's table when it is made; an image takes the
// size of its picture unless it is stretched; a scroll bar refuses values out of range.
#include "controls.h"

Control::Control(Form& owner, ControlKind kind, const char* name)
    : owner_(owner), kind_(kind), name_(name) {
    owner.AddControl(this);
}

void Control::Move(float left, float top, float width, float height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

Image::Image(Form& owner, const char* name) : Control(owner, ControlKind::Image, name) {}

void Image::SetPicture(Picture* p) {
    picture_ = p;
    if (!stretch_ && p) {
        width_ = p->widthPx * Owner().TwipsPerPixelX();
        height_ = p->heightPx * Owner().TwipsPerPixelY();
    }
}

Timer::Timer(Form& owner, const char* name) : Control(owner, ControlKind::Timer, name) {}
TextBox::TextBox(Form& owner, const char* name) : Control(owner, ControlKind::TextBox, name) {}
Label::Label(Form& owner, const char* name) : Control(owner, ControlKind::Label, name) {}
Frame::Frame(Form& owner, const char* name) : Control(owner, ControlKind::Frame, name) {}
HScrollBar::HScrollBar(Form& owner, const char* name) : Control(owner, ControlKind::HScrollBar, name) {}
CommandButton::CommandButton(Form& owner, const char* name)
    : Control(owner, ControlKind::CommandButton, name) {}

bool HScrollBar::SetValue(short v) {
    if (v < Min || v > Max) return false;
    value_ = v;
    return true;
}
