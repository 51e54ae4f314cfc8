// The services that the forms and their handlers get from the platform: windows,
// pictures, the command line, the clock, message boxes, the clipboard, the end of
// the program, and the KERNEL32 functions that the settings module declares.
// Three implement it: Win32 (win32/, ZelvoSav.scr), X11 (x11/, zelvosav) and a
// headless one for the tests (headless/).
#pragma once
#include "forms_text.h"

class Form;
struct Picture;

// Message-box styles and results used by the program.
enum { VB_OK_ONLY = 0, VB_CRITICAL = 16, VB_OK = 1 };

class Platform {
public:
    virtual ~Platform() {}

    // Forms.
    virtual void LoadForm(Form& f) = 0;      // create the window, set its extent, run Form_Load
    virtual void ShowForm(Form& f) = 0;      // show a loaded form
    virtual void UnloadForm(Form& f) = 0;
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
    virtual Picture* LoadPicture(int resourceId) = 0;

    // Program.
    virtual void End() = 0;                  // stops the program at once
    virtual Text CommandLine() = 0;          // the arguments after the program's name
    virtual double SecondsSinceMidnight() = 0;
    virtual int MsgBox(const Text& prompt, int style, const Text& title) = 0;

    // USER32's clipboard, with the real functions' results; the window that opens it is
    // named by its form (nullptr: none). SetClipboardText is SetClipboardData of a
    // CF_TEXT copy of the text.
    virtual bool OpenClipboard(Form* window) = 0;
    virtual bool EmptyClipboard() = 0;
    virtual bool SetClipboardText(const Text& t) = 0;
    virtual bool CloseClipboard() = 0;

    // KERNEL32, with the real functions' arguments and results.
    virtual long GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                          char* buffer, long size, const char* file) = 0;
    virtual long WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                            const char* file) = 0;
    virtual long GetWindowsDirectoryA(char* buffer, long size) = 0;
};

Platform& ThePlatform();
void SetPlatform(Platform* p);

// The run-time functions that handlers call.
void End();
Text Command();
int MsgBox(const Text& prompt, int style, const Text& title);
void Randomize();                 // reseeds the generator from the clock
float Rnd();                      // the next value r, 0 <= r < 1
// Puts the text on the clipboard, with the form's window as its owner. False when
// another program holds the clipboard open (it keeps what it held) or the text could
// not be put there.
bool ClipboardSetText(Form& owner, const Text& t);
