// The saver window: mode selection, the end on user input, and the animation.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include "frmZelvoSaver.h"
#include "headless_platform.h"
#include "setup/frmZelvoSetup.h"

namespace {

struct Saver {
    HeadlessPlatform platform;
    frmZelvoSaver form;
    explicit Saver(const char* command, const char* ini = nullptr, int screenW = 640, int screenH = 480) {
        platform.commandLine = command;
        platform.screenWidthPx = screenW;
        platform.screenHeightPx = screenH;
        if (ini) platform.SetFile("C:\\WINDOWS\\zelvosav.ini", ini);
    }
    Saver& Start() {
        platform.Start(form);
        return *this;
    }
};

}  // namespace

TEST(SaverStartUp, CommandLinesChooseTheMode) {
    struct Row { const char* command; bool saverShown; bool setupShown; bool ended; };
    const Row rows[] = {
        {"/s", true, false, false},  {"/S", true, false, false},  {"/c", false, true, false},
        {"/C", false, true, false},  {"", false, false, true},    {"/p 1234", false, false, true},
        {"/a", false, false, true},  {"/S ", false, false, true}, {"-s", false, false, true},
        // Display Properties' Settings button: the switch, a colon or blanks, its window's number
        {"/c:1234", false, true, false}, {"/C:0", false, true, false},   {"/c 43321", false, true, false},
        {"/c  99", false, true, false},  {"/c:", false, false, true},    {"/c ", false, false, true},
        {"/c:12x", false, false, true},  {"/c:-5", false, false, true},  {"/c: 12", false, false, true},
        {"/c:12 ", false, false, true},  {"/c:0x1A", false, false, true}, {"/c\t12", false, false, true},
        {"/cx", false, false, true},     {"/c12", false, false, true},   {"/s:1234", false, false, true},
        {"/p:1234", false, false, true}, {" /c:1", false, false, true},
    };
    for (const Row& r : rows) {
        Saver s(r.command);
        s.Start();
        EXPECT_EQ(s.platform.IsShown(s.form), r.saverShown) << r.command;
        EXPECT_EQ(s.platform.ended, r.ended) << r.command;
        EXPECT_EQ(s.platform.shownForms.size(), r.saverShown || r.setupShown ? 1u : 0u) << r.command;
        if (r.setupShown) {
            EXPECT_FALSE(s.form.Loaded()) << "the saver window unloads itself";
            EXPECT_NE(dynamic_cast<frmZelvoSetup*>(s.platform.shownForms[0]), nullptr);
        }
    }
}

TEST(SaverStartUp, PlacesTheSpriteAtTheLeftAndARandomHeight) {
    // The clock seeds the generator: the value r = n / 2^24 drawn after reseeding at the
    // start's clock time gives the Top, r * H - h rounded down (H 7200 and h 1500 twips
    // here). n is what the generator yields for that time, written out: from the start
    // wholly above the screen (Top -h) to the lowest (Top H - h - 1).
    struct Row { double clock; long n; float top; };
    const Row rows[] = {
        {4552.75, 109, -1500.0f},      {36000.25, 1349229, -921.0f},  {86399.875, 4926345, 614.0f},
        {100.0, 5623194, 913.0f},      {36000.0, 12518347, 3872.0f},  {0.0, 12820163, 4001.0f},
        {2771.5, 16776936, 5699.0f},
    };
    float lowest = 1, highest = 0;
    for (const Row& row : rows) {
        Saver s("/S");
        s.platform.clockSeconds = row.clock;
        s.Start();
        EXPECT_EQ(s.form.Zelvo.Left(), -750.0f);
        float top = s.form.Zelvo.Top(), H = s.form.Height(), h = s.form.Zelvo.Height();
        EXPECT_EQ(top, (float)(long)top) << "a whole number";
        EXPECT_GE(top, -h);
        EXPECT_LE(top, H - h - 1);
        float r = (float)row.n / 16777216.0f;
        EXPECT_EQ(top, row.top) << "at " << row.clock << " s";
        EXPECT_EQ(top, std::floor(r * H - h)) << "r = " << r;
        lowest = std::min(lowest, r), highest = std::max(highest, r);
    }
    EXPECT_LT(lowest, 0.02f) << "starts above the top edge were tried";
    EXPECT_GT(highest, 0.98f) << "starts near the lower edge were tried";
}

TEST(SaverStartUp, SpeedSettingSetsTheInterval) {
    // A value the timer cannot take counts as missing, so a damaged file never
    // keeps the saver from running.
    struct Row { const char* value; long interval; };
    const Row rows[] = {
        {nullptr, 10},  {"25", 25},    {" 40 ", 40},  {"0", 0},       {"65535", 65535}, {"65536", 10},
        {"-1", 10},     {"abc", 10},   {"10.5", 10},  {"11.5", 12},   {"", 10},         {"1e9", 10},
        {"99999999999999999999", 10},  {"12abc", 10},
    };
    for (const Row& r : rows) {
        std::string ini = r.value ? std::string("[Zelvosav]\r\nSpeed=") + r.value + "\r\n" : "";
        Saver s("/S", r.value ? ini.c_str() : nullptr);
        s.Start();
        EXPECT_EQ(s.form.tmrZelvo.Interval(), r.interval) << (r.value ? r.value : "(none)");
        EXPECT_TRUE(s.platform.IsShown(s.form));
        EXPECT_FALSE(s.platform.ended);
    }
    Saver noDir("/S");
    noDir.platform.hasWindowsDirectory = false;
    noDir.Start();
    EXPECT_EQ(noDir.form.tmrZelvo.Interval(), 10);
    EXPECT_EQ(noDir.form.txtTemp.GetText(), Text("\\zelvosav.ini"));
}

TEST(SaverInput, AnyKeyEndsIt) {
    for (short key : {0, 13, 27, 32, 65, 16, 18, 112}) {
        Saver s("/S");
        s.Start();
        s.platform.KeyDown(s.form, key);
        EXPECT_TRUE(s.platform.ended) << key;
    }
}

TEST(SaverInput, TheFifteenthMouseMoveEndsIt) {
    Saver s("/S");
    s.Start();
    for (int i = 1; i <= 14; ++i) {
        s.platform.MouseMove(s.form, (float)i, 0);
        s.platform.Advance(1000);    // the tolerated moves need not come close together
    }
    EXPECT_FALSE(s.platform.ended);
    EXPECT_EQ(s.form.intMouseMoves, 14);
    // The sprite as it was before the move that ends the program: no tick, in that
    // move's handler or after it, changes its picture step or its place (3 ticks would).
    short frame = s.form.intFrame;
    float left = s.form.Zelvo.Left(), top = s.form.Zelvo.Top();
    s.platform.MouseMove(s.form, 99, 0);
    EXPECT_TRUE(s.platform.ended);
    s.platform.Advance(30);
    EXPECT_EQ(s.form.intFrame, frame) << "no tick runs after the end";
    EXPECT_EQ(s.form.Zelvo.Left(), left) << "no tick runs after the end";
    EXPECT_EQ(s.form.Zelvo.Top(), top);
}

TEST(SaverAnimation, PicturesFollowTheCounter) {
    Saver s("/S", "[Zelvosav]\r\nSpeed=10\r\n");
    s.Start();
    frmZelvoSaver& f = s.form;
    Picture* start = f.Zelvo.GetPicture();
    EXPECT_EQ(start, f.Zelvo1.GetPicture());
    EXPECT_EQ(f.Zelvo1.GetPicture(), f.Zelvo6.GetPicture()) << "frame 6 repeats frame 1";
    struct Row { int tick; short counter; Image* picture; };
    const Row rows[] = {
        {1, 1, &f.Zelvo1},  {2, 2, &f.Zelvo1},  {3, 3, &f.Zelvo1},  {4, 4, &f.Zelvo2},  {5, 5, &f.Zelvo2},
        {6, 6, &f.Zelvo3},  {7, 7, &f.Zelvo3},  {8, 8, &f.Zelvo4},  {9, 9, &f.Zelvo4},  {10, 10, &f.Zelvo5},
        {11, 11, &f.Zelvo5}, {12, 2, &f.Zelvo6}, {13, 3, &f.Zelvo6}, {14, 4, &f.Zelvo2}, {22, 2, &f.Zelvo6},
        {24, 4, &f.Zelvo2},
    };
    int tick = 0;
    for (const Row& r : rows) {
        while (tick < r.tick) {
            s.platform.Advance(10);
            ++tick;
        }
        EXPECT_EQ(f.intFrame, r.counter) << "tick " << r.tick;
        EXPECT_EQ(f.Zelvo.GetPicture(), r.picture->GetPicture()) << "tick " << r.tick;
        EXPECT_EQ(f.Zelvo.Width(), 1500.0f);
    }
}

TEST(SaverAnimation, APassAcrossA9600TwipWindow) {
    Saver s("/S", nullptr, 640, 480);   // 9600 twips wide
    s.Start();
    EXPECT_EQ(s.form.Width(), 9600.0f);
    s.platform.Advance(10);
    EXPECT_EQ(s.form.Zelvo.Left(), -690.0f) << "the first tick moves by 60";
    int moves = 1;
    float previous = s.form.Zelvo.Left();
    while (true) {
        s.platform.Advance(10);
        if (s.form.Zelvo.Left() != previous + 60.0f) break;
        previous = s.form.Zelvo.Left();
        ++moves;
    }
    EXPECT_EQ(moves, 198);
    EXPECT_EQ(s.form.Zelvo.Left(), -750.0f) << "the 199th tick restarts it without moving";
}

TEST(SaverAnimation, RestartBoundaryAndNewHeight) {
    struct Row { float left; float after; };
    const Row rows[] = {{11100.0f, -750.0f}, {11099.0f, 11159.0f}, {11160.0f, -750.0f}};
    for (const Row& r : rows) {
        Saver s("/S");
        s.Start();
        s.form.Zelvo.SetLeft(r.left);
        s.platform.Advance(10);
        EXPECT_EQ(s.form.Zelvo.Left(), r.after) << r.left;
    }
}

TEST(SaverAnimation, EveryRestartReseedsFromTheClock) {
    // Two restarts at the same clock time land at the same height: the generator
    // was reseeded before each, not drawn on.
    Saver s("/S");
    s.Start();
    s.form.Zelvo.SetLeft(20000);
    s.platform.clockSeconds = 500.0;
    s.form.tmrZelvo_Timer();
    float first = s.form.Zelvo.Top();
    s.form.Zelvo.SetLeft(20000);
    s.platform.clockSeconds = 500.0;
    s.form.tmrZelvo_Timer();
    EXPECT_EQ(s.form.Zelvo.Top(), first);
    bool differs = false;
    for (int i = 1; i < 20 && !differs; ++i) {
        s.form.Zelvo.SetLeft(20000);
        s.platform.clockSeconds = 500.0 + i;
        s.form.tmrZelvo_Timer();
        differs = s.form.Zelvo.Top() != first;
    }
    EXPECT_TRUE(differs);
}

TEST(SaverAnimation, SpeedZeroNeverTicks) {
    Saver s("/S", "[Zelvosav]\r\nSpeed=0\r\n");
    s.Start();
    s.platform.Advance(60000);
    EXPECT_EQ(s.form.intFrame, 0);
    EXPECT_EQ(s.form.Zelvo.Left(), -750.0f) << "half of the sprite stays on the screen";
    EXPECT_FALSE(s.platform.ended);
}
