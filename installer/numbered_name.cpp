// Numbered names: "Blue.the", "Blue (2).the" … for the installed copy of a theme, its
// uninstall entry and the installer's own copy, where the plain name is taken.
#include "installer.h"
#include "installer_text.h"

bool NumberedName(const char* stem, const char* extension, int index, char* out, uint32_t capacity) {
    bool fits = TextCopy(out, stem, capacity);
    if (index > 1)
        fits = fits && TextAppend(out, " (", capacity) && TextAppendNumber(out, (uint32_t)index, capacity) &&
               TextAppend(out, ")", capacity);
    return fits && TextAppend(out, extension, capacity);
}
