// C++ support without the C run-time: the heap for new and delete, and the hooks
// that GCC's code refers to.
#include <windows.h>
#include <stddef.h>

void* operator new(size_t n) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n ? n : 1); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { if (p) HeapFree(GetProcessHeap(), 0, p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

extern "C" {
// A pure virtual call is a programming error: end at once.
void __cxa_pure_virtual() { ExitProcess(3); }
// Static destructors register here; the process ends with ExitProcess, so they never run.
int atexit(void (*)(void)) { return 0; }
// GCC calls __main at the top of main on this target; there is nothing to do.
void __main() {}
}
