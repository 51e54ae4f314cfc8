// The rows of the forms platform table: the clipboard, as the setup dialog puts the web
// page address on it, the fonts that controls are shown in, and the random generator.
#include "forms_platform_table.h"

#include <stdio.h>
#include <string.h>

#include "table_checks.h"

#include "controls.h"
#include "platform.h"


static bool AWindowThatEmptiesTheClipboardOwnsItAndItsText(Form& window, char* detail) {
    Platform& p = ThePlatform();
    CHECK(p.OpenClipboard(&window));
    CHECK(p.EmptyClipboard());
    CHECK(TableClipboardOwnedBy(&window));
    CHECK(p.SetClipboardText("zpt text"));
    CHECK(p.CloseClipboard());
    CHECK(strcmp(TableClipboardText(), "zpt text") == 0);
    return true;
}

// Windows refuses the data that is set while the clipboard has no owner; that it has
// none here is what both sides show.
static bool OpenedWithoutAWindowTheEmptiedClipboardHasNoOwner(Form& window, char* detail) {
    Platform& p = ThePlatform();
    CHECK(p.OpenClipboard(&window) && p.EmptyClipboard() && p.SetClipboardText("zpt text") && p.CloseClipboard());
    CHECK(p.OpenClipboard(nullptr));
    CHECK(TableClipboardOwnedBy(&window));
    CHECK(p.EmptyClipboard());
    CHECK(TableClipboardOwnedBy(nullptr));
    CHECK(p.CloseClipboard());
    CHECK(strcmp(TableClipboardText(), "") == 0);
    return true;
}

static bool TheClipboardTakesNothingWhileItIsNotOpen(Form& window, char* detail) {
    Platform& p = ThePlatform();
    CHECK(p.OpenClipboard(&window) && p.EmptyClipboard() && p.SetClipboardText("zpt text") && p.CloseClipboard());
    CHECK(!p.EmptyClipboard());
    CHECK(!p.SetClipboardText("zpt other"));
    CHECK(!p.CloseClipboard());
    CHECK(strcmp(TableClipboardText(), "zpt text") == 0);
    return true;
}

// Five buttons whose fonts differ from the first in one of face, size and weight, the
// last in the platform's default font for controls.
struct FontsForm : Form {
    CommandButton bold{*this, "bold"}, face{*this, "face"}, size{*this, "size"}, weight{*this, "weight"},
        plain{*this, "plain"};
    CommandButton* buttons[5] = {&bold, &face, &size, &weight, &plain};
    FontsForm() {
        const FontSpec fonts[5] = {{"MS Sans Serif", 8.25f, 700}, {"Courier New", 8.25f, 700},
                                   {"MS Sans Serif", 12.0f, 700}, {"MS Sans Serif", 8.25f, 400}, {nullptr, 0, 400}};
        const char* captions[5] = {"zpt bold", "zpt face", "zpt size", "zpt weight", "zpt plain"};
        Caption = "zpt fonts";
        for (int i = 0; i < 5; ++i) buttons[i]->Caption = captions[i], buttons[i]->Font = fonts[i];
    }
};

static bool EachButtonIsShownInItsOwnFaceSizeAndWeight(Form&, char* detail) {
    Platform& p = ThePlatform();
    FontsForm form;
    p.LoadForm(form);
    TableFont f[5];
    bool given = true;
    for (int i = 0; i < 5; ++i) given = TableButtonFont(form, *form.buttons[i], &f[i]) && given;
    p.UnloadForm(form);
    CHECK(given);
    CHECK(strcmp(f[0].face, "MS Sans Serif") == 0 && f[0].weight == 700);
    CHECK(strcmp(f[1].face, "Courier New") == 0 && f[1].weight == 700 && f[1].height == f[0].height);
    CHECK(strcmp(f[2].face, "MS Sans Serif") == 0 && f[2].weight == 700 && f[2].height < f[0].height);
    CHECK(strcmp(f[3].face, "MS Sans Serif") == 0 && f[3].weight == 400 && f[3].height == f[0].height);
    CHECK(strcmp(f[4].face, "MS Sans Serif") == 0 && f[4].weight == 400 && f[4].height == f[0].height);
    return true;
}

// Reseeded from the clock, the generator draws the same values r = n / 2^24 for the same
// time of day on every platform, whatever the processor and the width of its long.
static bool TheGeneratorDrawsTheseValuesAfterReseedingAtTheseTimes(Form&, char* detail) {
    struct Row { double clock; long n[3]; };
    const Row rows[] = {
        {0.0, {12820163, 6000250, 1792853}},
        {36000.5, {1580652, 4977535, 1081414}},
        {86399.875, {4926345, 14123048, 13614667}},
    };
    for (const Row& row : rows) {
        TableSetClock(row.clock);
        Randomize();
        for (long n : row.n) CHECK_EQ(Rnd() * 16777216.0f, n);
    }
    return true;
}

const FormsPlatformRow FORMS_PLATFORM_ROWS[] = {
    {"AWindowThatEmptiesTheClipboardOwnsItAndItsText", AWindowThatEmptiesTheClipboardOwnsItAndItsText},
    {"OpenedWithoutAWindowTheEmptiedClipboardHasNoOwner", OpenedWithoutAWindowTheEmptiedClipboardHasNoOwner},
    {"TheClipboardTakesNothingWhileItIsNotOpen", TheClipboardTakesNothingWhileItIsNotOpen},
    {"EachButtonIsShownInItsOwnFaceSizeAndWeight", EachButtonIsShownInItsOwnFaceSizeAndWeight},
    {"TheGeneratorDrawsTheseValuesAfterReseedingAtTheseTimes", TheGeneratorDrawsTheseValuesAfterReseedingAtTheseTimes},
};
const int FORMS_PLATFORM_ROW_COUNT = sizeof FORMS_PLATFORM_ROWS / sizeof FORMS_PLATFORM_ROWS[0];
