// modZelvoSav: the settings file zelvosav.ini in the Windows directory, read and
// written one key at a time through the KERNEL32 profile functions.
#pragma once
#include "forms_text.h"

class TextBox;

// Set by BuildSettingsPath: 255 characters, the Windows directory as the platform
// reports it followed by NULs (all NULs when it reports none) ...
extern Text WinDirBuffer;
// ... and the same with spaces removed at both ends (the NULs stay).
extern Text WinDir;

// The value of key in section of file; the default when the file, section or key
// is missing, the value is empty, or the read fails.
Text ReadIni(const Text& section, const Text& key, const Text& def, const Text& file);

// Writes the value; -1 when it was written, 0 (after an "Error" message box) when not.
short WriteIni(const Text& section, const Text& key, const Text& value, const Text& file);

// Builds the settings file's path in the form's hidden text box: the Windows
// directory followed by "\zelvosav.ini". Returns the path, read back from the box.
Text BuildSettingsPath(TextBox& txtTemp);

// The section, key and default value of the speed setting.
extern const char* const SETTINGS_SECTION;
extern const char* const SPEED_KEY;
extern const char* const SPEED_DEFAULT;
// The range of speeds the setup dialog offers, in milliseconds per tick.
const short SPEED_LOWEST = 1;
const short SPEED_HIGHEST = 150;
