// The rows of the forms platform table: the clipboard, as the setup dialog puts the web
// page address on it.
#include "forms_platform_table.h"

#include <stdio.h>
#include <string.h>

#include "platform.h"

#define CHECK(condition)                                                     \
    do {                                                                     \
        if (!(condition)) {                                                  \
            snprintf(detail, 256, "line %d: %s", __LINE__, #condition);      \
            return false;                                                    \
        }                                                                    \
    } while (0)

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

const FormsPlatformRow FORMS_PLATFORM_ROWS[] = {
    {"AWindowThatEmptiesTheClipboardOwnsItAndItsText", AWindowThatEmptiesTheClipboardOwnsItAndItsText},
    {"OpenedWithoutAWindowTheEmptiedClipboardHasNoOwner", OpenedWithoutAWindowTheEmptiedClipboardHasNoOwner},
    {"TheClipboardTakesNothingWhileItIsNotOpen", TheClipboardTakesNothingWhileItIsNotOpen},
};
const int FORMS_PLATFORM_ROW_COUNT = sizeof FORMS_PLATFORM_ROWS / sizeof FORMS_PLATFORM_ROWS[0];
