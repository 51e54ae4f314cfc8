// The program's entry: the saver window is the start-up form.
#include "frmZelvoSaver.h"
#include "rt.h"
#include "win32_platform.h"

int ProgramMain() {
    static Win32Platform platform(GetModuleHandleA(nullptr));
    static frmZelvoSaver saver;
    return platform.Run(saver);
}
