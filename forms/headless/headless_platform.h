// A platform without windows for the tests: a clock that the test drives, timers
// that tick once per interval on that clock, events that the test delivers,
// message boxes recorded and answered with OK, a clipboard, and INI files kept
// in memory, read and written through the profile model (doubles/) that the
// installer's system double shares.
#pragma once
#include <map>
#include <string>
#include <vector>
#include "controls.h"
#include "form.h"
#include "platform.h"
#include "timer_schedule.h"

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // What the test sets up.
    std::string commandLine;
    double clockSeconds = 36000.0;            // seconds since midnight, advanced with the clock
    int screenWidthPx = 640, screenHeightPx = 480;
    float twipsPerPixel = 15.0f;
    bool hasWindowsDirectory = true;
    std::string windowsDirectory = "C:\\WINDOWS";
    bool clipboardBusy = false;                 // another program holds the clipboard open
    std::map<std::string, std::string> files;   // INI files by path
    std::vector<std::string> readOnlyFiles;     // writes to these paths fail

    // What the test reads back.
    struct Box { std::string prompt, title; int style; };
    std::vector<Box> messageBoxes;
    // The clipboard as Windows keeps it: its text, and its owner, the window that last
    // emptied it (nullptr when it was opened without one, or another program's).
    std::string clipboard;
    Form* clipboardOwner = nullptr;
    bool ended = false;
    unsigned long nowMs = 0;
    std::vector<Form*> shownForms;              // forms shown and not unloaded, in order

    // Starts the program: loads the start-up form and shows it unless the load
    // handler ended the program or unloaded the form.
    void Start(Form& startup);
    // Advances the clock, running every timer tick that falls due on the way; once the
    // program has ended, only the clock moves.
    void Advance(unsigned long ms);
    // Events delivered to a form, as the window system would.
    void KeyDown(Form& f, short keyCode);
    void MouseMove(Form& f, float x, float y);
    void Click(CommandButton& b);
    bool IsShown(const Form& f) const;
    // INI files by path (paths compare without regard to case, as on Windows).
    void SetFile(const std::string& path, const std::string& text);
    std::string FileText(const std::string& path) const;
    bool HasFile(const std::string& path) const;

    // Platform.
    void LoadForm(Form& f) override;
    void ShowForm(Form& f) override;
    void UnloadForm(Form& f) override;
    float TwipsPerPixelX() override { return twipsPerPixel; }
    float TwipsPerPixelY() override { return twipsPerPixel; }
    Picture* LoadPicture(int resourceId) override;
    // Ends the program as the end of its process does: the handler that calls it goes
    // no further (End unwinds to where this platform called into the program: Start,
    // Advance and the events above), its windows close, and nothing of it runs again.
    // What the program had set, its timers among it, stays as it was for the test.
    void End() override;
    Text CommandLine() override { return Text(commandLine.c_str()); }
    double SecondsSinceMidnight() override { return clockSeconds; }
    int MsgBox(const Text& prompt, int style, const Text& title) override;
    bool OpenClipboard(Form* window) override;
    bool EmptyClipboard() override;
    bool SetClipboardText(const Text& t) override;
    bool CloseClipboard() override;
    long GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                  long size, const char* file) override;
    long WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                    const char* file) override;
    long GetWindowsDirectoryA(char* buffer, long size) override;

private:
    struct ProgramEnd {};                     // what End throws, to the platform's call
    template <class Handler> void Run(Handler handler);
    bool Alive(const Form& f) const;
    void Reconcile();                         // picks up timer changes made by a handler
    bool clipboardOpen_ = false;
    Form* clipboardOpener_ = nullptr;
    std::vector<Form*> loaded_;
    TimerSchedule timers_;
    std::vector<Picture*> pictures_;
    std::map<int, Picture*> pictureIds_;
};
