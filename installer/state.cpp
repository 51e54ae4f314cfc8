// The installer's shared state: one instance for the whole program.
#include "installer.h"
#include <string.h>

char windowsDir[PATH_CAPACITY];
char themesDir[PATH_CAPACITY];
char fontsDir[PATH_CAPACITY];
char themeName[PATH_CAPACITY];
char themeFileName[PATH_CAPACITY];
char copyFileName[PATH_CAPACITY];
char installerPath[PATH_CAPACITY];
char uninstallerPath[PATH_CAPACITY];

const char CAPTION[] = "Decorama";
const char PRODUCT_BANNER[] = "Decorama v1.04";

void ResetInstallerState() {
    memset(windowsDir, 0, sizeof windowsDir);
    memset(themesDir, 0, sizeof themesDir);
    memset(fontsDir, 0, sizeof fontsDir);
    memset(themeName, 0, sizeof themeName);
    memset(themeFileName, 0, sizeof themeFileName);
    memset(copyFileName, 0, sizeof copyFileName);
    memset(installerPath, 0, sizeof installerPath);
    memset(uninstallerPath, 0, sizeof uninstallerPath);
}
