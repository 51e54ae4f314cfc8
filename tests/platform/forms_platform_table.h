// Behaviours of the Windows functions that the saver's forms platform (forms/platform.h)
// passes through, as rows written against that interface. The saver's unit tests run
// them on the headless platform; e2e-forms-platform-table.exe runs the same rows on the
// Win32 platform under Wine set to Windows 95, so that the headless model cannot drift
// from the calls it stands in for.
#pragma once

class CommandButton;
class Form;

struct FormsPlatformRow {
    const char* name;
    // Runs the row with a loaded form's window; false, with what differed in detail
    // (256 bytes), when it fails.
    bool (*run)(Form& window, char* detail);
};

extern const FormsPlatformRow FORMS_PLATFORM_ROWS[];
extern const int FORMS_PLATFORM_ROW_COUNT;

// Supplied by each side: what the program never reads back, the clipboard's text
// (empty when it holds none) and whether its owner is the form's window (nullptr: no
// owner).
const char* TableClipboardText();
bool TableClipboardOwnedBy(Form* window);

// ... and the font that a command button of a loaded form is shown in: its face, its
// height in pixels as CreateFontA takes it (negative: the characters' height) and its
// weight. False when the button has no font.
struct TableFont {
    char face[32];
    int height;
    int weight;
};
bool TableButtonFont(Form& form, CommandButton& button, TableFont* font);

// ... and sets the time of day that the platform's clock gives from now on.
void TableSetClock(double secondsSinceMidnight);
