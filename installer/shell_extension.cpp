// The "Install Theme" command on the context menu of theme files.
#include "installer.h"
#include "installer_text.h"

bool SetupShellExtension(SysWindow owner) {
    SysKey verb = 0;
    if (SysRegOpenKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &verb) == SYS_ERROR_SUCCESS) {
        SysRegCloseKey(verb);
        if (SysMessageBox(owner, "Remove the Decorama shell extension?", CAPTION, SYS_MB_OKCANCEL) == SYS_IDOK) {
            // The inner key first: a key with subkeys may not be deleted.
            SysRegDeleteRootKey(SYS_HKEY_CLASSES_ROOT, VERB_COMMAND_KEY);
            SysRegDeleteRootKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY);
        }
        return false;
    }

    if (SysMessageBox(owner,
                      "Welcome to Decorama v1.04, the installer for Windows 95 desktop themes.\n"
                      "This will install the Decorama shell extension.",
                      CAPTION, SYS_MB_OKCANCEL) != SYS_IDOK)
        return false;

    uint32_t disposition = 0;
    if (SysRegCreateRootKey(SYS_HKEY_CLASSES_ROOT, VERB_KEY, &verb, &disposition) != SYS_ERROR_SUCCESS)
        return false;
    SysRegSetString(verb, 0, "&Install Theme");
    SysKey command = 0;
    if (SysRegCreateKey(verb, VERB_COMMAND_NAME, &command, &disposition) != SYS_ERROR_SUCCESS) {
        SysRegCloseKey(verb);
        return false;
    }
    char text[TEXT_CAPACITY];
    TextCopy(text, "\"", sizeof text);
    TextAppend(text, installerPath, sizeof text);
    TextAppend(text, "\" \"%1\"", sizeof text);
    SysRegSetString(command, 0, text);
    SysRegCloseKey(command);
    SysRegCloseKey(verb);
    return true;
}
