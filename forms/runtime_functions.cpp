// The platform's run-time functions as the handlers call them.
#include "platform.h"

static Platform* g_platform = nullptr;

Platform& ThePlatform() { return *g_platform; }
void SetPlatform(Platform* p) { g_platform = p; }

void End() { g_platform->End(); }
Text Command() { return g_platform->CommandLine(); }
int MsgBox(const Text& prompt, int style, const Text& title) { return g_platform->MsgBox(prompt, style, title); }

bool ClipboardSetText(Form& owner, const Text& t) {
    // Opened without a window, the clipboard has no owner once emptied, and Windows
    // then refuses the text: the form's window opens it.
    if (!g_platform->OpenClipboard(&owner)) return false;
    bool set = g_platform->EmptyClipboard() && g_platform->SetClipboardText(t);
    bool closed = g_platform->CloseClipboard();
    return set && closed;
}

// A 24-bit linear congruential generator, reseeded from the clock.
static unsigned long g_seed = 0x50000;

void Randomize() {
    unsigned long ms = (unsigned long)(g_platform->SecondsSinceMidnight() * 1000.0);
    g_seed = ((ms * 2654435761ul) ^ (ms >> 9)) & 0xFFFFFFul;
}

float Rnd() {
    g_seed = (g_seed * 1140671485ul + 12820163ul) & 0xFFFFFFul;
    return (float)g_seed / 16777216.0f;
}
