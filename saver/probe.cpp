#include <windows.h>
#include "rt.h"
struct S { int v; S() { v = 7; } } s;
int ProgramMain() { MessageBoxA(0, CommandTail(), "x", 0); return s.v; }
