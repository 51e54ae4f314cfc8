// Runs the forms platform table on the Win32 platform with one loaded (hidden) form;
// the end-to-end tests run it under Wine set to Windows 95. Prints one line per row and
// exits with the number of rows that failed.
#include <windows.h>
#include <stdio.h>

#include "forms_platform_table.h"
#include "rt.h"
#include "win32_platform.h"

const char* CommandTail() { return ""; }

namespace {
class TableForm : public Form {};
HWND g_window;

// The Win32 platform with a clock that the table sets.
class TablePlatform : public Win32Platform {
public:
    using Win32Platform::Win32Platform;
    double clock = 0;
    double SecondsSinceMidnight() override { return clock; }
};
TablePlatform* g_platform;

BOOL CALLBACK FirstWindow(HWND h, LPARAM) {
    g_window = h;
    return FALSE;
}
}  // namespace

const char* TableClipboardText() {
    static char text[256];
    text[0] = 0;
    if (!OpenClipboard(nullptr)) return text;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* p = data ? (const char*)GlobalLock(data) : nullptr;
    if (p) {
        lstrcpynA(text, p, sizeof text);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void TableSetClock(double secondsSinceMidnight) { g_platform->clock = secondsSinceMidnight; }

bool TableClipboardOwnedBy(Form* window) { return GetClipboardOwner() == (window ? g_window : nullptr); }

// The button's window is found by its caption in the form's, found by its caption.
bool TableButtonFont(Form& form, CommandButton& button, TableFont* font) {
    HWND top = FindWindowA(nullptr, form.Caption.Chars());
    HWND child = top ? FindWindowExA(top, nullptr, "Button", button.Caption.Chars()) : nullptr;
    HFONT h = child ? (HFONT)SendMessageA(child, WM_GETFONT, 0, 0) : nullptr;
    LOGFONTA lf;
    if (!h || GetObjectA(h, sizeof lf, &lf) != sizeof lf) return false;
    lstrcpynA(font->face, lf.lfFaceName, sizeof font->face);
    font->height = lf.lfHeight;
    font->weight = lf.lfWeight;
    return true;
}

int main() {
    static TablePlatform platform(GetModuleHandleA(nullptr));
    g_platform = &platform;
    static TableForm form;
    platform.LoadForm(form);
    EnumThreadWindows(GetCurrentThreadId(), FirstWindow, 0);   // the form's window, the thread's only one
    int failed = 0;
    for (int i = 0; i < FORMS_PLATFORM_ROW_COUNT; ++i) {
        char detail[256] = "";
        bool ok = FORMS_PLATFORM_ROWS[i].run(form, detail);
        printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", FORMS_PLATFORM_ROWS[i].name, ok ? "" : ": ", detail);
        failed += !ok;
    }
    fflush(stdout);
    return failed;
}
