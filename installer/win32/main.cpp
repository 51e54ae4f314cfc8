// Program entry: builds the argument vector and runs the installer.
#include <windows.h>
#include "rt.h"
#include "../installer.h"

enum { MAX_ARGUMENTS = 16, COMMAND_LINE_CAPACITY = 32768 };

int ProgramMain() {
    // On the stack: a static buffer would be stored whole in the program file.
    char argumentStorage[COMMAND_LINE_CAPACITY];
    char programPath[256];
    char* argv[MAX_ARGUMENTS + 1];
    // Word 0 of the command line is the program as it was started; the system's
    // own name for the running module replaces it.
    int argc = ParseCommandLine(GetCommandLineA(), argumentStorage, sizeof argumentStorage, argv, MAX_ARGUMENTS);
    uint32_t n = SysGetModuleFileName(programPath, sizeof programPath);
    programPath[n < sizeof programPath ? n : sizeof programPath - 1] = 0;
    if (argc == 0) argc = 1;
    argv[0] = programPath;
    return RunInstaller(argc, argv);
}
