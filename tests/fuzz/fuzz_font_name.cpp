// Arbitrary bytes as a font file: the full name read from it is empty or a name the
// list of fonts may hold, every read stays inside the file, and the file is closed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "installer.h"
#include "sys_double.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool world = (sysdouble::Reset(), true);
    (void)world;
    sysdouble::world().AddFile("C:\\f.ttf", std::string((const char*)data, size));
    char out[TEXT_CAPACITY + 8];
    memset(out, '#', sizeof out);
    bool found = ReadFontFullName("C:\\f.ttf", out, 200);
    size_t n = strnlen(out, sizeof out);
    if (n >= 200 || (found != (n > 0))) __builtin_trap();
    for (size_t i = 0; i < n; ++i)
        if ((unsigned char)out[i] < 0x20 || (unsigned char)out[i] == 0x7F) __builtin_trap();
    if (sysdouble::world().openFiles != 0) __builtin_trap();
    return 0;
}
