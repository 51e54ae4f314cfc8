// The headless platform of the saver's tests: forms without windows, timers on the
// test's clock, events the test delivers, and INI files kept in memory.
#include "headless_platform.h"
#include "profile_model.h"
#include <algorithm>
#include <cstring>

HeadlessPlatform::HeadlessPlatform() { SetPlatform(this); }

HeadlessPlatform::~HeadlessPlatform() {
    for (Picture* p : pictures_) delete p;
    SetPlatform(nullptr);
}

// Runs what the program does for one call of the platform into it; an End on the way
// stops it there.
template <class Handler> void HeadlessPlatform::Run(Handler handler) {
    if (ended) return;
    try {
        handler();
    } catch (const ProgramEnd&) {
    }
}

void HeadlessPlatform::Start(Form& startup) {
    Run([&] {
        LoadForm(startup);
        if (startup.Loaded()) ShowForm(startup);
    });
}

bool HeadlessPlatform::Alive(const Form& f) const {
    return !ended && f.Loaded() && IsShown(f);
}

bool HeadlessPlatform::IsShown(const Form& f) const {
    return std::find(shownForms.begin(), shownForms.end(), &f) != shownForms.end();
}

void HeadlessPlatform::LoadForm(Form& f) {
    if (ended) return;
    if (f.Maximized)
        f.SetExtent(screenWidthPx * twipsPerPixel, screenHeightPx * twipsPerPixel);
    else
        f.SetExtent(f.ClientWidth, f.ClientHeight);
    f.SetLoaded(true);
    loaded_.push_back(&f);
    f.Form_Load();
    Reconcile();
}

void HeadlessPlatform::ShowForm(Form& f) {
    if (ended || !f.Loaded() || IsShown(f)) return;
    shownForms.push_back(&f);
    Reconcile();
}

void HeadlessPlatform::UnloadForm(Form& f) {
    f.SetLoaded(false);
    loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), &f), loaded_.end());
    shownForms.erase(std::remove(shownForms.begin(), shownForms.end(), &f), shownForms.end());
    timers_.Forget(f);
    // The program ends with its last form.
    if (loaded_.empty()) ended = true;
}

// The program stops at once, as ExitProcess stops it: its windows close, and the
// handler that ended it goes no further. Its timers are left as they were: nothing
// runs them, as the program has ended, not as they are gone.
void HeadlessPlatform::End() {
    ended = true;
    for (Form* f : loaded_) f->SetLoaded(false);
    loaded_.clear();
    shownForms.clear();
    throw ProgramEnd();
}

void HeadlessPlatform::Reconcile() {
    for (Form* f : shownForms) timers_.Reconcile(*f, (long long)nowMs);
}

void HeadlessPlatform::Advance(unsigned long ms) {
    unsigned long target = nowMs + ms;
    Run([&] {
        Reconcile();
        while (TimerSchedule::Entry* next = timers_.FirstDue((long long)target)) {
            clockSeconds += ((unsigned long)next->due - nowMs) / 1000.0;
            nowMs = (unsigned long)next->due;
            next->due += next->interval;
            Timer* t = next->timer;
            t->Owner().TimerTick(*t);
            Reconcile();
        }
    });
    if (nowMs < target) {
        clockSeconds += (target - nowMs) / 1000.0;
        nowMs = target;
    }
}

void HeadlessPlatform::KeyDown(Form& f, short keyCode) {
    Run([&] {
        if (Alive(f)) f.Form_KeyDown(keyCode, 0);
        Reconcile();
    });
}

void HeadlessPlatform::MouseMove(Form& f, float x, float y) {
    Run([&] {
        if (Alive(f)) f.Form_MouseMove(0, 0, x, y);
        Reconcile();
    });
}

void HeadlessPlatform::Click(CommandButton& b) {
    Run([&] {
        if (Alive(b.Owner())) b.Owner().ButtonClick(b);
        Reconcile();
    });
}

Picture* HeadlessPlatform::LoadPicture(int resourceId) {
    // Each picture is loaded once and shared, as on Win32. Every picture of the
    // program is 100 x 100 pixels but the header, 320 x 224.
    auto it = pictureIds_.find(resourceId);
    if (it != pictureIds_.end()) return it->second;
    Picture* p = new Picture{100, 100, nullptr};
    if (resourceId == 301) *p = Picture{320, 224, nullptr};
    pictures_.push_back(p);
    pictureIds_[resourceId] = p;
    return p;
}

int HeadlessPlatform::MsgBox(const Text& prompt, int style, const Text& title) {
    messageBoxes.push_back({std::string(prompt.Chars(), prompt.Len()), std::string(title.Chars(), title.Len()), style});
    return VB_OK;
}

bool HeadlessPlatform::OpenClipboard(Form* window) {
    if (clipboardBusy) return false;
    clipboardOpen_ = true;
    clipboardOpener_ = window;
    return true;
}

// Emptying makes the window that opened the clipboard its owner: none, when it was
// opened without a window.
bool HeadlessPlatform::EmptyClipboard() {
    if (!clipboardOpen_) return false;
    clipboard.clear();
    clipboardOwner = clipboardOpener_;
    return true;
}

// Windows takes data only while the clipboard is open, and not while it has no owner.
bool HeadlessPlatform::SetClipboardText(const Text& t) {
    if (!clipboardOpen_ || !clipboardOwner) return false;
    clipboard.assign(t.Chars(), t.Len());
    return true;
}

bool HeadlessPlatform::CloseClipboard() {
    if (!clipboardOpen_) return false;
    clipboardOpen_ = false;
    return true;
}

long HeadlessPlatform::GetWindowsDirectoryA(char* buffer, long size) {
    if (!hasWindowsDirectory) return 0;
    long n = (long)windowsDirectory.size();
    if (n + 1 > size) return n + 1;
    std::memcpy(buffer, windowsDirectory.c_str(), (size_t)n + 1);
    return n;
}

// INI files by path, compared without regard to case as on Windows; their text kept
// and read through the profile model that the installer's double shares.
static std::string Lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

void HeadlessPlatform::SetFile(const std::string& path, const std::string& text) { files[Lower(path)] = text; }

std::string HeadlessPlatform::FileText(const std::string& path) const {
    auto it = files.find(Lower(path));
    return it == files.end() ? std::string() : it->second;
}

bool HeadlessPlatform::HasFile(const std::string& path) const { return files.count(Lower(path)) != 0; }

long HeadlessPlatform::GetPrivateProfileStringA(const char* section, const char* key, const char* def,
                                                char* buffer, long size, const char* file) {
    if (size <= 0) return 0;
    std::string value = profile::ReadString(FileText(file), section, key, def);
    return (long)profile::CopyString(value, buffer, (uint32_t)size);
}

long HeadlessPlatform::WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                                  const char* file) {
    std::string path = Lower(file);
    for (const std::string& ro : readOnlyFiles)
        if (Lower(ro) == path) return 0;
    files[path] = profile::Write(files[path], section, key, value);
    return 1;
}
