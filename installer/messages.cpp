// The installer's words to the user: the caption of its boxes, its banner, and the
// messages it composes.
#include "installer.h"
#include "installer_text.h"

const char CAPTION[] = "Decorama";
const char PRODUCT_BANNER[] = "Decorama v1.04";

void ComposeNameMessage(char* out, const char* head, const char* name, const char* tail) {
    uint32_t room = TEXT_CAPACITY - 1 - TextLength(head) - TextLength(tail);
    TextCopy(out, head, TEXT_CAPACITY);
    uint32_t n = TextLength(out);
    TextCopyCount(out + n, name, room, TEXT_CAPACITY - n);
    TextAppend(out, tail, TEXT_CAPACITY);
}

void ComposeCopyError(char* out, uint32_t error, const char* name, const char* tail) {
    char head[48];
    TextCopy(head, "Error ", sizeof head);
    TextAppendNumber(head, error, sizeof head);
    TextAppend(head, " copying file '", sizeof head);
    ComposeNameMessage(out, head, name, tail);
}

bool AskToContinue(SysWindow owner, const char* text) {
    // Cancel, or a box that could not be shown, stops.
    return SysMessageBox(owner, text, CAPTION, SYS_MB_OKCANCEL | SYS_MB_ICONWARNING) == SYS_IDOK;
}

void Warn(SysWindow owner, const char* text) { SysMessageBox(owner, text, CAPTION, SYS_MB_OK | SYS_MB_ICONWARNING); }

void SayThemeFileUnopenable(SysWindow owner) { Warn(owner, "Unable to open theme file!"); }
