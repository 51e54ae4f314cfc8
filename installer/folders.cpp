// The system folders that a theme's files go to: where the installer reads them from,
// and whether two spellings name the same file or folder.
#include "installer.h"
#include "installer_text.h"

// A folder named in full, as the file system spells it ("/" and "." folded), so that
// the paths composed in it are the ones a search of the folder gives back.
static void SpellAsTheSystemDoes(char* folder) {
    if (!IsFullPath(folder)) return;
    char full[TEXT_CAPACITY];
    uint32_t n = SysGetFullPathName(folder, TEXT_CAPACITY, full);
    if (n > 0 && n < PATH_CAPACITY) TextCopy(folder, full, PATH_CAPACITY);
}

bool ReadThemesFolder(Installation& installation) {
    char* themesDir = installation.themesDir;
    if (!ReadRegistryString(SYS_HKEY_LOCAL_MACHINE, THEMES_APP_KEY, "Path", themesDir)) return false;
    SpellAsTheSystemDoes(themesDir);
    return IsFullPath(themesDir);
}

void ReadFontsFolder(Installation& installation) {
    ReadRegistryString(SYS_HKEY_CURRENT_USER, SHELL_FOLDERS_PATH, "Fonts", installation.fontsDir);
    SpellAsTheSystemDoes(installation.fontsDir);
}

// The one spelling that the file system gives an existing path: in full, with short
// names, without a separator at its end. False when it does not exist or fit.
static bool ResolvePath(const char* path, char* out) {
    char full[TEXT_CAPACITY];
    uint32_t n = SysGetFullPathName(path, TEXT_CAPACITY, full);
    if (n == 0 || n >= TEXT_CAPACITY) return false;
    n = SysGetShortPathName(full, out, TEXT_CAPACITY);
    if (n == 0 || n >= TEXT_CAPACITY) return false;
    while (n > 3 && (out[n - 1] == '\\' || out[n - 1] == '/')) out[--n] = 0;
    return true;
}

bool SamePath(const char* a, const char* b) {
    if (TextEqualNoCase(a, b)) return true;
    char resolvedA[TEXT_CAPACITY], resolvedB[TEXT_CAPACITY];
    return ResolvePath(a, resolvedA) && ResolvePath(b, resolvedB) && TextEqualNoCase(resolvedA, resolvedB);
}

bool SameFile(const char* a, const char* b) {
    if (SamePath(a, b)) return true;
    const char* nameA = FindBaseName(a);
    const char* nameB = FindBaseName(b);
    if (nameA == a || nameB == b || !TextEqualNoCase(nameA, nameB)) return false;
    char folderA[TEXT_CAPACITY], folderB[TEXT_CAPACITY];
    return TextCopyCount(folderA, a, (uint32_t)(nameA - a), TEXT_CAPACITY) &&
           TextCopyCount(folderB, b, (uint32_t)(nameB - b), TEXT_CAPACITY) && SamePath(folderA, folderB);
}
