// The forms platform's behaviour that the saver's handlers rely on.
#include <gtest/gtest.h>
#include "convert.h"
#include "forms_platform_table.h"
#include "headless_platform.h"

TEST(TextConversion, NumbersAndNonNumbers) {
    struct Row { const char* text; bool isLong; long asLong; bool isInteger; short asInteger; };
    const Row rows[] = {
        {"10", true, 10, true, 10},          {" 10 ", true, 10, true, 10},
        {"007", true, 7, true, 7},           {"\t42\t", true, 42, true, 42},
        {"10.5", true, 10, true, 10},        {"11.5", true, 12, true, 12},
        {"-2.5", true, -2, true, -2},        {"0.4", true, 0, true, 0},
        {"-7", true, -7, true, -7},          {"+3", true, 3, true, 3},
        {"40000", true, 40000, false, 0},    {"32767", true, 32767, true, 32767},
        {"-32768", true, -32768, true, -32768},
        {"2147483647", true, 2147483647, false, 0},
        {"2147483648", false, 0, false, 0},  {"99999999999999999999999", false, 0, false, 0},
        {"abc", false, 0, false, 0},         {"", false, 0, false, 0},
        {"  ", false, 0, false, 0},          {"1 2", false, 0, false, 0},
        {"10abc", false, 0, false, 0},       {".", false, 0, false, 0},
        {"-", false, 0, false, 0},           {"1e3", true, 1000, true, 1000},
        {"1E+2", true, 100, true, 100},      {"2.5d1", true, 25, true, 25},
        {"125e-1", true, 12, true, 12},      {"1e", false, 0, false, 0},
        {"1e99999", false, 0, false, 0},     {"1e-99999", true, 0, true, 0},
        {"&H20", true, 32, true, 32},        {" &hFFFF ", true, -1, true, -1},
        {"&H10000", true, 65536, false, 0},  {"&HFFFFFFFF", true, -1, true, -1},
        {"&O17", true, 15, true, 15},        {"&H", false, 0, false, 0},
        {"&O8", false, 0, false, 0},         {"&H100000000", false, 0, false, 0},
        {"-&H20", false, 0, false, 0},       {"&X20", false, 0, false, 0},
        {"12345678901234567890123", false, 0, false, 0},
        {"0.00000000000000000000000000000000000000001e41", true, 1, true, 1},
    };
    for (const Row& r : rows) {
        long l = -999;
        short s = -999;
        EXPECT_EQ(TextToLong(r.text, &l), r.isLong) << r.text;
        if (r.isLong) {
            EXPECT_EQ(l, r.asLong) << r.text;
        }
        EXPECT_EQ(TextToInteger(r.text, &s), r.isInteger) << r.text;
        if (r.isInteger) {
            EXPECT_EQ(s, r.asInteger) << r.text;
        }
    }
    long l;
    EXPECT_FALSE(TextToLong(Text("1\0" "2", 3), &l)) << "a NUL inside is no number";
}

TEST(TextConversion, RoundingAndFloor) {
    const double halves[][2] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {2.4, 2}, {2.6, 3},
                                {1e19, 1e19}, {-1e300, -1e300}, {4503599627370497.0, 4503599627370497.0}};
    for (auto& h : halves) EXPECT_EQ(RoundHalfEven(h[0]), h[1]) << h[0];
    const float floors[][2] = {{1.5f, 1}, {-1.5f, -2}, {-0.25f, -1}, {3.0f, 3}, {-1500.0f, -1500}, {0.0f, 0}};
    for (auto& f : floors) EXPECT_EQ(FloorSingle(f[0]), f[1]) << f[0];
    EXPECT_STREQ(NumberText(10).Chars(), "10");
    EXPECT_STREQ(NumberText(-4).Chars(), "-4");
    EXPECT_STREQ(NumberText(0).Chars(), "0");
}

TEST(Text, KeepsNulsUntilATextBoxCutsThem) {
    Text padded = Text("C:\\WINDOWS") + Text("\0\0\0\0\0", 5);
    EXPECT_EQ(padded.Len(), 15u);
    EXPECT_EQ(padded.Trim().Len(), 15u) << "only spaces are trimmed";
    EXPECT_EQ(Text("  a b  ").Trim(), Text("a b"));
    EXPECT_EQ(Text("/s:12x").UCase(), Text("/S:12X"));

    HeadlessPlatform platform;
    Form form;
    TextBox box(form, "box");
    box.SetText(padded);
    EXPECT_EQ(box.GetText(), Text("C:\\WINDOWS"));
}

struct TimerForm : Form {
    Timer t{*this, "t"};
    int ticks = 0;
    void TimerTick(Timer&) override { ++ticks; }
};

TEST(Timer, TicksOncePerIntervalAndNeverAtZero) {
    struct Row { long interval; unsigned long advance; int ticks; };
    const Row rows[] = {{10, 100, 10}, {10, 9, 0}, {50, 50, 1}, {0, 100000, 0}, {1000, 2999, 2}};
    for (const Row& r : rows) {
        HeadlessPlatform platform;
        TimerForm f;
        f.t.SetInterval(r.interval);
        platform.Start(f);
        platform.Advance(r.advance);
        EXPECT_EQ(f.ticks, r.ticks) << "interval " << r.interval;
    }
}

TEST(Timer, DisabledTimerStopsTicking) {
    HeadlessPlatform platform;
    TimerForm f;
    f.t.SetInterval(10);
    platform.Start(f);
    platform.Advance(30);
    f.t.SetEnabled(false);
    platform.Advance(100);
    EXPECT_EQ(f.ticks, 3);
}

// End stops the program as the end of its process does: nothing after it runs, neither
// the rest of the handler that called it nor a later tick of a timer still enabled.
struct EndingForm : TimerForm {
    int after = 0;
    void TimerTick(Timer& t) override {
        TimerForm::TimerTick(t);
        End();
        ++after;
    }
};

TEST(Timer, NoTickRunsAfterTheEnd) {
    HeadlessPlatform platform;
    EndingForm f;
    f.t.SetInterval(10);
    platform.Start(f);
    platform.Advance(50);
    EXPECT_TRUE(platform.ended);
    platform.Advance(50);
    EXPECT_EQ(f.ticks, 1);
    EXPECT_EQ(f.after, 0) << "the handler went on after End";
    EXPECT_TRUE(f.t.Enabled());
    EXPECT_EQ(platform.nowMs, 100ul) << "the clock goes on";
}

TEST(Image, TakesThePictureSizeUnlessStretched) {
    HeadlessPlatform platform;
    Form form;
    Image plain(form, "plain"), stretched(form, "stretched");
    stretched.SetStretch(true);
    stretched.Move(0, 0, 420, 420);
    Picture* p = platform.LoadPicture(201);
    plain.SetPicture(p);
    stretched.SetPicture(p);
    EXPECT_EQ(plain.Width(), 1500.0f);
    EXPECT_EQ(plain.Height(), 1500.0f);
    EXPECT_EQ(stretched.Width(), 420.0f);
}

TEST(Random, ValuesLieInTheUnitIntervalAndFollowTheSeed) {
    HeadlessPlatform platform;
    for (int i = 0; i < 100000; ++i) {
        float r = Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    platform.clockSeconds = 1234.5;
    Randomize();
    float a = Rnd();
    platform.clockSeconds = 1234.5;
    Randomize();
    EXPECT_EQ(Rnd(), a) << "the same clock gives the same sequence";
    platform.clockSeconds = 1234.6;
    Randomize();
    EXPECT_NE(Rnd(), a) << "another clock time gives another value";
}

// The forms platform table (tests/platform) on the headless platform; the end-to-end
// tests run the same rows on the Win32 platform under Wine.
static HeadlessPlatform* g_tablePlatform;
const char* TableClipboardText() { return g_tablePlatform->clipboard.c_str(); }
bool TableClipboardOwnedBy(Form* window) { return g_tablePlatform->clipboardOwner == window; }
void TableSetClock(double secondsSinceMidnight) { g_tablePlatform->clockSeconds = secondsSinceMidnight; }
// Without windows a button is shown in the font it names (the default: MS Sans Serif 8.25).
bool TableButtonFont(Form&, CommandButton& button, TableFont* font) {
    const FontSpec& named = button.Font;
    float dpi = 1440.0f / g_tablePlatform->twipsPerPixel, points = named.face ? named.points : 8.25f;
    snprintf(font->face, sizeof font->face, "%s", named.face ? named.face : "MS Sans Serif");
    font->height = -(int)(points * dpi / 72.0f + 0.5f);
    font->weight = named.weight;
    return true;
}

TEST(FormsPlatformTable, TheHeadlessPlatformBehavesAsWindows95) {
    HeadlessPlatform platform;
    g_tablePlatform = &platform;
    Form window;
    platform.LoadForm(window);
    for (int i = 0; i < FORMS_PLATFORM_ROW_COUNT; ++i) {
        char detail[256] = "";
        EXPECT_TRUE(FORMS_PLATFORM_ROWS[i].run(window, detail)) << FORMS_PLATFORM_ROWS[i].name << ": " << detail;
    }
    // ... and where Wine is more lenient than Windows: data set while the clipboard has no owner
    ASSERT_TRUE(platform.OpenClipboard(nullptr) && platform.EmptyClipboard());
    EXPECT_FALSE(platform.SetClipboardText("zpt text"));
    EXPECT_TRUE(platform.CloseClipboard());
    EXPECT_EQ(platform.clipboard, "");
}
