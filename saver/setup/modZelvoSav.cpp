// modZelvoSav: the settings path in the Windows directory and the reading and writing
// of one key of zelvosav.ini through the profile functions.
#include "modZelvoSav.h"
#include "controls.h"
#include "platform.h"

Text WinDirBuffer;
Text WinDir;

const char* const SETTINGS_SECTION = "Zelvosav";
const char* const SPEED_KEY = "Speed";
const char* const SPEED_DEFAULT = "10";

Text ReadIni(const Text& section, const Text& key, const Text& def, const Text& file) {
    char buffer[256];
    for (int i = 0; i < 256; ++i) buffer[i] = 0;
    short count = (short)ThePlatform().GetPrivateProfileStringA(section.Chars(), key.Chars(), def.Chars(),
                                                                buffer, 256, file.Chars());
    if (count <= 0) return def;
    if (count > 255) count = 255;
    return Text(buffer, (size_t)count);
}

short WriteIni(const Text& section, const Text& key, const Text& value, const Text& file) {
    long ok = ThePlatform().WritePrivateProfileStringA(section.Chars(), key.Chars(), value.Chars(),
                                                       file.Chars());
    if (ok == 0) {
        MsgBox("An error has occured while trying to write the information to the ini file.",
               VB_OK_ONLY | VB_CRITICAL, "Error");
        return 0;
    }
    return -1;
}

Text BuildSettingsPath(TextBox& txtTemp) {
    // The platform fills a buffer of 255 NULs; its length result is not used.
    char buffer[256];
    for (int i = 0; i < 256; ++i) buffer[i] = 0;
    ThePlatform().GetWindowsDirectoryA(buffer, 255);
    WinDirBuffer = Text(buffer, 255);
    WinDir = WinDirBuffer.Trim();
    txtTemp.SetText(WinDir);
    txtTemp.SetText(txtTemp.GetText() + "\\zelvosav.ini");
    return txtTemp.GetText();
}
