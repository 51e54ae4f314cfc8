// The setup dialog's load sequence, speed setting and OK button.
#include "frmZelvoSetup.h"
#include "convert.h"
#include "modZelvoSav.h"
#include "platform.h"

void frmZelvoSetup::Form_Load() {
    ShowAbout();
    LoadSettings();
}

void frmZelvoSetup::LoadSettings() {
    Text path = BuildSettingsPath(txtTemp);
    Text speed = ReadIni(SETTINGS_SECTION, SPEED_KEY, SPEED_DEFAULT, path);
    // A stored value that is not a whole number within the scroll bar's range opens
    // the dialog at the default, so that OK can mend the file.
    short value;
    if (!TextToInteger(speed, &value) || !hsbSpeed.SetValue(value)) {
        TextToInteger(SPEED_DEFAULT, &value);
        hsbSpeed.SetValue(value);
    }
}

void frmZelvoSetup::ButtonClick(CommandButton& b) {
    if (&b == &cmdOK) cmdOK_Click();
}

void frmZelvoSetup::cmdOK_Click() {
    Text value = NumberText(hsbSpeed.Value());
    Text path = txtTemp.GetText();
    short written = WriteIni(SETTINGS_SECTION, SPEED_KEY, value, path);
    (void)written;
    End();
}
