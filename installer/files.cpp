// What the installer does to the files it copies, whether a theme's or its own.
#include "installer.h"

void ClearReadOnly(const char* path) {
    uint32_t attributes = SysGetFileAttributes(path);
    if (attributes != SYS_INVALID_FILE_ATTRIBUTES && (attributes & SYS_FILE_ATTRIBUTE_READONLY))
        SysSetNormalAttributes(path);
}
