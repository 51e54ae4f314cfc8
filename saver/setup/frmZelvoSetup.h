// frmZelvoSetup: the setup dialog of configuration mode: a header picture, the
// About labels, the sliding OK button and the speed scroll bar in its frame.
#pragma once
#include "controls.h"
#include "form.h"

class frmZelvoSetup : public Form {
public:
    frmZelvoSetup();   // the property table

    Label About0, About1;              // the label control array About, elements 0 and 1
    Label& About(int i) { return i == 0 ? About0 : About1; }
    CommandButton cmdOK;
    Frame fraSpeed;
    HScrollBar hsbSpeed;
    Label lblFast, lblSlow;
    TextBox txtTemp;
    Timer tmrButton;

    void Form_Load() override;
    void TimerTick(Timer& t) override;
    void ButtonClick(CommandButton& b) override;
    void cmdOK_Click();
    void tmrButton_Timer();
    void Animate();

private:
    void ShowAbout();
    void LoadSettings();
};

// The About texts and the web page address put on the clipboard.
extern const char* const TITLE_LINE;
extern const char* const CREDIT_LINE;
extern const char* const VISIT_LINE;
extern const char* const TRADEMARK_NOTICE;
extern const char* const WEB_ADDRESS;
// Put before the address on the visit line when the address is not on the clipboard.
extern const char* const VISIT_ADDRESS;
