// Process entry: runs the static constructors, calls ProgramMain and ends the process.
#include <windows.h>
#include "rt.h"

typedef void (*Ctor)();
extern "C" Ctor __CTOR_LIST__[];

static void RunConstructors() {
    // The list starts with -1 (or a count), then the constructors up to a 0;
    // they are called from the last to the first.
    unsigned n = 0;
    while (__CTOR_LIST__[n + 1]) ++n;
    for (unsigned i = n; i >= 1; --i) __CTOR_LIST__[i]();
}

const char* CommandTail() {
    const char* p = GetCommandLineA();
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p && *p != ' ' && *p != '\t') ++p;
    }
    // Only the one blank that separates the name from the rest: "/S" after two
    // blanks or a tab is " /S" or "\t/S", which is not the switch.
    if (*p == ' ') ++p;
    return p;
}

extern "C" void WinMainCRTStartup() {
    RunConstructors();
    ExitProcess((UINT)ProgramMain());
}
