// Start-up, mode selection and the end of the saver on user input.
#include "frmZelvoSaver.h"
#include "convert.h"
#include "platform.h"
#include "setup/frmZelvoSetup.h"
#include "setup/modZelvoSav.h"

// "/C" alone, or as Display Properties' Settings button passes it: the handle of its
// property sheet after a colon or blanks ("/C:1234", "/C 1234"). The number is not a
// window this program may rely on, so the dialog is shown as for "/C" alone.
static bool IsConfigureSwitch(const Text& mode) {
    if (mode == "/C") return true;
    if (mode[0] != '/' || mode[1] != 'C') return false;
    size_t i = 2;
    if (mode[i] == ':') ++i;
    else
        while (mode[i] == ' ') ++i;
    if (i == 2 || i == mode.Len()) return false;
    for (; i < mode.Len(); ++i)
        if (mode[i] < '0' || mode[i] > '9') return false;
    return true;
}

void frmZelvoSaver::Form_Load() {
    Text mode = Command().UCase();
    if (IsConfigureSwitch(mode)) {
        if (!setupDialog) setupDialog = new frmZelvoSetup();
        setupDialog->Show();
        Unload();
    } else if (mode == "/S") {
        LoadSettings();
        PlaceSprite();
    } else {
        End();
    }
}

frmZelvoSaver::~frmZelvoSaver() { delete setupDialog; }

void frmZelvoSaver::LoadSettings() {
    Text path = BuildSettingsPath(txtTemp);
    Text speed = ReadIni(SETTINGS_SECTION, SPEED_KEY, SPEED_DEFAULT, path);
    // A value that is not a number, or that the timer cannot take (0 to 65535 ms),
    // counts as missing: a damaged file must not keep the saver from running.
    long interval;
    if (!TextToLong(speed, &interval) || interval < 0 || interval > 65535)
        TextToLong(SPEED_DEFAULT, &interval);
    tmrZelvo.SetInterval(interval);
}

void frmZelvoSaver::Form_KeyDown(short /*keyCode*/, short /*shift*/) {
    End();
}

void frmZelvoSaver::Form_MouseMove(short /*button*/, short /*shift*/, float /*x*/, float /*y*/) {
    intMouseMoves = (short)(intMouseMoves + 1);
    if (intMouseMoves == 15) End();
}
