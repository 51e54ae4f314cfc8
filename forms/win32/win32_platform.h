// The forms platform on Win32: each form is a real top-level window; images,
// labels and frames are drawn by their form, buttons, scroll bars and text boxes
// are child windows. After every event the window layer brings the windows in
// line with the controls' properties, repainting only what changed. The fonts and
// pictures it makes are its own, kept in the platform object, never shared.
#pragma once
#include <windows.h>
#include "controls.h"
#include "form.h"
#include "platform.h"

Picture* DecodePictureResource(HINSTANCE inst, int id);

class Win32Platform : public Platform {
public:
    explicit Win32Platform(HINSTANCE inst);

    // Loads and shows the start-up form, then runs the message loop until the
    // last form is unloaded. Returns the exit code.
    int Run(Form& startup);

    void LoadForm(Form& f) override;
    void ShowForm(Form& f) override;
    void UnloadForm(Form& f) override;
    float TwipsPerPixelX() override { return tppX_; }
    float TwipsPerPixelY() override { return tppY_; }
    Picture* LoadPicture(int resourceId) override;
    void End() override;
    Text CommandLine() override;
    double SecondsSinceMidnight() override;
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

    // The font that a control naming font is shown in (no face: the default for
    // controls), made on first use for each face, size and weight and kept from then on.
    HFONT Font(const FontSpec& font);
    HINSTANCE Instance() const { return inst_; }

private:
    struct CachedFont {
        char face[LF_FACESIZE];
        float points;
        int weight;
        HFONT font;
    };
    struct CachedPicture {
        int id;
        Picture* picture;
    };
    enum { MAX_PICTURES = 16 };   // pictures decoded and kept

    HINSTANCE inst_;
    float tppX_, tppY_;
    int openForms_ = 0;
    CachedFont* fonts_ = nullptr;
    int fontCount_ = 0, fontCapacity_ = 0;
    CachedPicture pictures_[MAX_PICTURES];
    int pictureCount_ = 0;
};
