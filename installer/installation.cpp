// The installation: one run of the installer, with the folders it works in, the theme's
// names and the installer's paths.
#include "installer.h"
#include "installer_text.h"
#include <string.h>

void ClearInstallation(Installation& installation) { memset(&installation, 0, sizeof installation); }

void EndFoldersWithSeparator(Installation& installation) {
    AppendPathPart(installation.themesDir, 0, PATH_CAPACITY);
    AppendPathPart(installation.windowsDir, 0, PATH_CAPACITY);
    AppendPathPart(installation.fontsDir, 0, PATH_CAPACITY);
}

bool InstalledCopyPath(const Installation& installation, char* out) {
    if (installation.themesDir[0]) {
        TextCopy(out, installation.themesDir, TEXT_CAPACITY);
    } else {
        uint32_t n = SysGetCurrentDirectory(TEXT_CAPACITY, out);
        if (n == 0 || n >= TEXT_CAPACITY) return false;
        out[n] = 0;
    }
    AppendPathPart(out, 0, TEXT_CAPACITY);
    return TextAppend(out, installation.copyFileName, TEXT_CAPACITY);
}
