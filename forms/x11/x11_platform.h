// The forms platform on X11: one form drawn into one X window, that of its own or
// one that another program made (XScreenSaver's, a preview's, the root window).
// The form takes the window's size, also when it changes; images are drawn on the
// form's background through a back buffer, only where something changed, sent with
// MIT-SHM where the server offers it. Timers tick on the program's clock; SIGTERM,
// SIGINT and the closing of the window end the program with status 0.
#pragma once
#include <map>
#include <string>
#include <vector>
#include "form.h"
#include "platform.h"
#include "timer_schedule.h"
#include "x11_own_window.h"
#include "x11_scene.h"

class FrameRateOverlay;

// A picture built into the program: its resource id and the bytes of its GIF file.
struct EmbeddedPicture {
    int id;
    const unsigned char* data;
    unsigned long size;
};

class X11Platform : public Platform {
public:
    enum class Target { OwnWindow, WindowId, Root };

    X11Platform();
    ~X11Platform() override;

    // Connects to the display and takes the window to draw in (makes it, for
    // OwnWindow, titled title). False, after a message on standard error, when that
    // is not possible.
    // The window of its own is made as own asks.
    bool Open(Target target, unsigned long windowId, bool useShm, const char* title,
              const OwnWindowRequest& own = OwnWindowRequest());
    // The frame rate over the picture (-fps), after Open; black and white only (-mono),
    // before the first picture is loaded.
    void ShowFrameRate();
    void SetMono(bool on) { mono_ = on; }
    // The pictures LoadPicture decodes, the command line the form is given and the
    // settings the profile functions answer with (one section and key at a time).
    void SetPictures(const EmbeddedPicture* pictures, int count);
    void SetCommandLine(const char* text) { commandLine_ = text; }
    void SetSetting(const char* section, const char* key, const char* value);

    // Loads and shows the start-up form, then runs until the program ends.
    int Run(Form& startup);

    void LoadForm(Form& f) override;
    void ShowForm(Form& f) override;
    void UnloadForm(Form& f) override;
    float TwipsPerPixelX() override { return X11_TWIPS_PER_PIXEL; }
    float TwipsPerPixelY() override { return X11_TWIPS_PER_PIXEL; }
    Picture* LoadPicture(int resourceId) override;
    void End() override;
    Text CommandLine() override { return Text(commandLine_.c_str()); }
    double SecondsSinceMidnight() override;
    int MsgBox(const Text& prompt, int style, const Text& title) override;
    bool OpenClipboard(Form* /*window*/) override { return false; }
    bool EmptyClipboard() override { return false; }
    bool SetClipboardText(const Text& /*t*/) override { return false; }
    bool CloseClipboard() override { return false; }
    long GetPrivateProfileStringA(const char* section, const char* key, const char* def, char* buffer,
                                  long size, const char* file) override;
    long WritePrivateProfileStringA(const char* /*section*/, const char* /*key*/, const char* /*value*/,
                                    const char* /*file*/) override { return 0; }
    long GetWindowsDirectoryA(char* /*buffer*/, long /*size*/) override { return 0; }

private:
    struct Connection;                // the Xlib side, kept out of the forms' headers
    struct BackBuffer;

    void HandleEvent(union _XEvent& e);
    void Resize(int width, int height);
    void RunDueTimers();
    void Reconcile();                 // picks up timer changes made by a handler
    void Sync();                      // redraws what the last handler changed
    void Paint(const PixelRect& r);   // composes r in the back buffer and sends it
    void WaitForBuffer();             // until the server has read the shared buffer
    bool MakeBackBuffer();
    void FreeBackBuffer();
    [[noreturn]] void NoBackBuffer();   // says so and ends the program with status 1
    unsigned long PixelOf(long colour);   // 0x00BBGGRR to the window's pixel value

    Connection* x_ = nullptr;
    bool ownWindow_ = false;
    int depth_ = 0;
    int width_ = 0, height_ = 0;
    bool useShm_ = true;
    int shmCompletion_ = -1;          // event type of MIT-SHM's completion, when used
    BackBuffer* back_ = nullptr;

    Form* form_ = nullptr;
    bool shown_ = false;
    SceneTracker tracker_;
    TimerSchedule timers_;
    std::string commandLine_;
    std::map<std::string, std::string> settings_;
    std::map<long, unsigned long> colours_;
    const EmbeddedPicture* embedded_ = nullptr;
    int embeddedCount_ = 0;
    std::map<int, Picture*> pictures_;
    int signalPipe_[2] = {-1, -1};
    FrameRateOverlay* fps_ = nullptr;
    bool mono_ = false;
};
