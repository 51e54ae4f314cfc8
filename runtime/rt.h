// Start-up support for programs linked without the C run-time.
#pragma once

// The program's own entry, called by the start-up code after static constructors ran.
// Its result is the process exit code.
int ProgramMain();

// The command line after the program's name and the one blank that follows it.
const char* CommandTail();
