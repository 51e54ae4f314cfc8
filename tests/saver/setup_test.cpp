// The setup dialog: load order, speed, About text, clipboard, OK and the slide.
#include <gtest/gtest.h>
#include "frmZelvoSaver.h"
#include "headless_platform.h"
#include "setup/frmZelvoSetup.h"

namespace {
const char* INI_PATH = "C:\\WINDOWS\\zelvosav.ini";

struct SetupRun {
    HeadlessPlatform platform;
    frmZelvoSaver saver;
    frmZelvoSetup* dialog = nullptr;
    explicit SetupRun(const char* stored = nullptr) {
        platform.commandLine = "/c";
        if (stored) platform.SetFile(INI_PATH, std::string("[Zelvosav]\r\nSpeed=") + stored + "\r\n");
    }
    SetupRun& Start() {
        platform.Start(saver);
        if (!platform.shownForms.empty()) dialog = dynamic_cast<frmZelvoSetup*>(platform.shownForms[0]);
        return *this;
    }
};
}  // namespace

TEST(SetupLoad, StoredSpeedIntoTheScrollBar) {
    // Values that do not fit the scroll bar open the dialog at the default, so
    // that OK can mend the file.
    struct Row { const char* stored; short value; };
    const Row rows[] = {
        {nullptr, 10}, {"25", 25},  {" 10 ", 10}, {"007", 7},   {"10.5", 10},  {"11.5", 12},  {"1", 1},
        {"150", 150},  {"0", 10},   {"151", 10},  {"abc", 10},  {"40000", 10}, {"-5", 10},    {"", 10},
    };
    for (const Row& r : rows) {
        SetupRun s(r.stored);
        s.Start();
        ASSERT_NE(s.dialog, nullptr) << (r.stored ? r.stored : "(none)");
        EXPECT_EQ(s.dialog->hsbSpeed.Value(), r.value) << (r.stored ? r.stored : "(none)");
        EXPECT_FALSE(s.platform.ended);
    }
}

TEST(SetupLoad, AboutTextClipboardAndSeparator) {
    SetupRun s("abc");
    s.platform.clipboard = "something else";
    s.Start();
    ASSERT_NE(s.dialog, nullptr);
    frmZelvoSetup& d = *s.dialog;
    auto text = [](const Text& t) { return std::string(t.Chars(), t.Len()); };
    EXPECT_EQ(text(d.About(0).Caption()), "Zelvo Screen Saver 1.00\n\r"
                                          "Written by the Zelvo team, e-mail: zelvo@example.com.\n\r"
                                          "Visit the Zelvo screen saver web site - it's in your clipboard now.");
    EXPECT_EQ(text(d.About(1).Caption()), "The pictured Zelvo characters belong to the Zelvo team");
    EXPECT_EQ(s.platform.clipboard, "http://www.example.com/zelvo/screensaver/index.html");
    EXPECT_EQ(text(d.fraSpeed.Caption), "Zelvo's Speed");
    EXPECT_EQ(text(d.lblFast.Caption()), "Fast:");
    EXPECT_EQ(text(d.lblSlow.Caption()), "Slow:");
    EXPECT_EQ(s.platform.clipboardOwner, s.dialog) << "opened with the dialog's own window";
    EXPECT_EQ(std::string(CREDIT_LINE).size(), 53u);
    EXPECT_EQ(std::string(TRADEMARK_NOTICE).size(), 54u);
    EXPECT_EQ(std::string(WEB_ADDRESS).size(), 51u);
    EXPECT_EQ(std::string(WEB_ADDRESS).rfind("http://www.example.com/", 0), 0u);
}

TEST(SetupLoad, ABusyClipboardDoesNotStopTheDialog) {
    SetupRun s;
    s.platform.clipboardBusy = true;
    s.platform.clipboard = "kept";
    s.Start();
    ASSERT_NE(s.dialog, nullptr);
    EXPECT_EQ(s.platform.clipboard, "kept");
    std::string about(s.dialog->About(0).Caption().Chars());
    EXPECT_EQ(about.substr(about.rfind('\r') + 1), "Visit http://www.example.com/zelvo/screensaver/index.html")
        << "the visit line gives the address instead of sending the user to the clipboard";
    EXPECT_EQ(s.dialog->hsbSpeed.Value(), 10);
    EXPECT_FALSE(s.platform.ended);
}

TEST(SetupOK, WritesTheValueAndEnds) {
    struct Row { const char* stored; short moveTo; const char* written; };
    const Row rows[] = {{nullptr, 0, "10"}, {"007", 0, "7"}, {"abc", 0, "10"}, {"20", 1, "1"}, {"20", 150, "150"}};
    for (const Row& r : rows) {
        SetupRun s(r.stored);
        s.Start();
        ASSERT_NE(s.dialog, nullptr);
        if (r.moveTo) {
            ASSERT_TRUE(s.dialog->hsbSpeed.SetValue(r.moveTo));
        }
        s.platform.Click(s.dialog->cmdOK);
        EXPECT_TRUE(s.platform.ended);
        EXPECT_EQ(s.platform.FileText(INI_PATH).find(std::string("Speed=") + r.written + "\r\n") != std::string::npos, true)
            << s.platform.FileText(INI_PATH);
    }
}

TEST(SetupOK, AFailedWriteShowsOneErrorAndStillEnds) {
    SetupRun s("33");
    s.platform.readOnlyFiles.push_back(INI_PATH);
    s.Start();
    s.dialog->hsbSpeed.SetValue(99);
    s.platform.Click(s.dialog->cmdOK);
    ASSERT_EQ(s.platform.messageBoxes.size(), 1u);
    EXPECT_EQ(s.platform.messageBoxes[0].title, "Error");
    EXPECT_TRUE(s.platform.ended);
    EXPECT_EQ(s.platform.FileText(INI_PATH), "[Zelvosav]\r\nSpeed=33\r\n");
}

TEST(SetupClose, ClosingWithoutOKWritesNothing) {
    SetupRun s;
    s.Start();
    s.dialog->hsbSpeed.SetValue(99);
    s.dialog->Unload();
    EXPECT_TRUE(s.platform.ended) << "the last form closed";
    EXPECT_FALSE(s.platform.HasFile(INI_PATH));
}

TEST(SetupSlide, OneTickSlidesTheButtonIn) {
    SetupRun s;
    s.Start();
    EXPECT_EQ(s.dialog->cmdOK.Left(), -4560.0f);
    s.platform.Advance(49);
    EXPECT_EQ(s.dialog->cmdOK.Left(), -4560.0f);
    s.platform.Advance(1);
    EXPECT_EQ(s.dialog->cmdOK.Left(), 60.0f);
    EXPECT_FALSE(s.dialog->tmrButton.Enabled());
    s.dialog->cmdOK.SetLeft(0);
    s.platform.Advance(1000);
    EXPECT_EQ(s.dialog->cmdOK.Left(), 0.0f) << "the timer ran once";
}

TEST(SetupSlide, AnimateStopsAtSixtyOrAfter308Steps) {
    struct Row { float start; float end; };
    const Row rows[] = {
        {-4560.0f, 60.0f},          // 308 steps, the two exits meet
        {45.0f, 60.0f},             // k = 1
        {60.0f - 15 * 100, 60.0f},  // k = 100
        {60.0f, 60.0f + 4620.0f},   // never matches: 308 steps further right
        {61.0f, 61.0f + 4620.0f},
        {-4575.0f, -4575.0f + 4620.0f},
    };
    for (const Row& r : rows) {
        SetupRun s;
        s.Start();
        s.dialog->cmdOK.SetLeft(r.start);
        s.dialog->Animate();
        EXPECT_EQ(s.dialog->cmdOK.Left(), r.end) << r.start;
    }
}
