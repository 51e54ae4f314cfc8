// The About text, the web page address on the clipboard, and the OK button's slide.
#include "frmZelvoSetup.h"
#include "platform.h"

const char* const TITLE_LINE = "Zelvo Screen Saver 1.00";
const char* const CREDIT_LINE = "Written by the Zelvo team, e-mail: zelvo@example.com.";
const char* const VISIT_LINE = "Visit the Zelvo screen saver web site - it's in your clipboard now.";
const char* const TRADEMARK_NOTICE = "The pictured Zelvo characters belong to the Zelvo team";
const char* const WEB_ADDRESS = "http://www.example.com/zelvo/screensaver/index.html";
const char* const VISIT_ADDRESS = "Visit ";

void frmZelvoSetup::ShowAbout() {
    // The address goes to the clipboard first, so that the visit line can say where it
    // is: when it could not be put there (another program holds the clipboard open, or
    // the clipboard refused it), the dialog still opens and the line gives the address.
    bool copied = ClipboardSetText(*this, WEB_ADDRESS);
    Text separator = Chr(10) + Chr(13);
    Text visit = copied ? Text(VISIT_LINE) : Text(VISIT_ADDRESS) + WEB_ADDRESS;
    About(0).SetCaption(Text(TITLE_LINE) + separator + CREDIT_LINE + separator + visit);
    About(1).SetCaption(TRADEMARK_NOTICE);
}

void frmZelvoSetup::TimerTick(Timer& t) {
    if (&t == &tmrButton) tmrButton_Timer();
}

void frmZelvoSetup::tmrButton_Timer() {
    tmrButton.SetEnabled(false);
    Animate();
}

// Moves the button 15 twips at a time, at most 308 steps, stopping as soon as its
// Left is exactly 60: from the design place -4560 that is the 308th step.
void frmZelvoSetup::Animate() {
    for (int step = 1; step <= 308; ++step) {
        cmdOK.SetLeft(cmdOK.Left() - -15.0f);
        if (cmdOK.Left() == 60.0f) break;
    }
}
