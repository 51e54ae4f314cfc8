// A form's table of controls, and its loading, showing and unloading through the
// platform.
#include "form.h"
#include "platform.h"

Form::Form() {}

void Form::AddControl(Control* c) {
    if (count_ < MAX_CONTROLS) controls_[count_++] = c;
}

float Form::TwipsPerPixelX() const { return ThePlatform().TwipsPerPixelX(); }
float Form::TwipsPerPixelY() const { return ThePlatform().TwipsPerPixelY(); }

void Form::Show() {
    if (!loaded_) ThePlatform().LoadForm(*this);
    if (loaded_) ThePlatform().ShowForm(*this);
}

void Form::Unload() {
    if (loaded_) ThePlatform().UnloadForm(*this);
}
