// The X11 layer's handling of window sizes: the saver's form takes the size of the
// window it is drawn in, at any size and when it changes, and only the changed
// rectangles are drawn, clipped to the window.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "frmZelvoSaver.h"
#include "headless_platform.h"
#include "x11_scene.h"

namespace {

struct Saver {
    HeadlessPlatform platform;
    frmZelvoSaver form;
    Saver(int w, int h) {
        platform.commandLine = "/S";
        platform.Start(form);
        FitFormToWindow(form, w, h);
    }
    int MovesInAPass() {   // from a restart to the next one
        while (platform.Advance(10), form.Zelvo.Left() != SPRITE_START_LEFT) {}
        int moves = 0;
        while (platform.Advance(10), form.Zelvo.Left() != SPRITE_START_LEFT) ++moves;
        return moves;
    }
};

}  // namespace

TEST(X11WindowSize, TheFigureCrossesWindowsOfAnySize) {
    const int sizes[][2] = {{1024, 768}, {160, 120}, {3840, 2160}, {50, 40}, {1, 1}};
    for (auto& s : sizes) {
        Saver saver(s[0], s[1]);
        float W = s[0] * 15.0f, H = s[1] * 15.0f, h = saver.form.Zelvo.Height();
        EXPECT_EQ(saver.form.Width(), W);
        EXPECT_EQ(saver.MovesInAPass(), (int)std::ceil((W + 1500 + 750) / 60)) << s[0];
        for (int pass = 0; pass < 20; ++pass) {
            saver.platform.clockSeconds += 0.37;
            saver.MovesInAPass();
            float top = saver.form.Zelvo.Top();
            EXPECT_GE(top, -h) << s[0];
            EXPECT_LE(top, H - h - 1) << s[0];
        }
    }
}

TEST(X11WindowSize, AShrunkWindowRestartsTheFigureInsideIt) {
    Saver saver(1024, 768);
    saver.form.Zelvo.SetLeft(9000);
    FitFormToWindow(saver.form, 160, 120);
    saver.platform.Advance(10);
    EXPECT_EQ(saver.form.Zelvo.Left(), SPRITE_START_LEFT);
    EXPECT_LE(saver.form.Zelvo.Top(), 120 * 15.0f - 1500 - 1);
}

TEST(X11WindowSize, OnlyTheChangedRectanglesAreDrawn) {
    struct Row { float left, top, toLeft, toTop; int window[2]; std::vector<PixelRect> rects; };
    const Row rows[] = {
        {0, 0, 60, 0, {1024, 768}, {{0, 0, 104, 100}}},                                  // one step
        {15000, 3000, -750, 6000, {1024, 768}, {{1000, 200, 1024, 300}, {0, 400, 50, 500}}},   // a restart
        {-750, -1500, -690, -1500, {1024, 768}, {}},                                     // above the window
        {600, 300, 660, 300, {50, 40}, {{40, 20, 50, 40}}},                              // a tiny window
        {0, 0, 0, 0, {1024, 768}, {}},                                                   // nothing moved
    };
    for (const Row& r : rows) {
        Saver saver(r.window[0], r.window[1]);
        saver.form.Zelvo.SetLeft(r.left);
        saver.form.Zelvo.SetTop(r.top);
        SceneTracker tracker;
        tracker.Reset(saver.form);
        saver.form.Zelvo.SetLeft(r.toLeft);
        saver.form.Zelvo.SetTop(r.toTop);
        DirtyRects d = tracker.Changes(saver.form, r.window[0], r.window[1]);
        ASSERT_EQ(d.count, (int)r.rects.size()) << r.left;
        for (int i = 0; i < d.count; ++i) {
            const PixelRect& e = r.rects[i];
            EXPECT_TRUE(d.rect[i].x0 == e.x0 && d.rect[i].y0 == e.y0 && d.rect[i].x1 == e.x1 && d.rect[i].y1 == e.y1)
                << r.left << ": " << d.rect[i].x0 << "," << d.rect[i].y0 << " " << d.rect[i].x1 << "," << d.rect[i].y1;
        }
        EXPECT_EQ(tracker.Changes(saver.form, r.window[0], r.window[1]).count, 0) << "drawn once";
    }
}

TEST(X11WindowSize, ComposingClipsTheFigureToTheRectangle) {
    // A 100 x 100 picture whose pixel (x, y) is 1000 + 100 y + x, on background 7,
    // half outside a 60 x 50 window; the rectangle is composed into a buffer with a
    // guard row and column that must stay untouched.
    std::vector<uint32_t> pixels(100 * 100);
    for (int i = 0; i < 100 * 100; ++i) pixels[i] = 1000 + i;
    PixelPicture pp = {pixels.data()};
    Picture picture = {100, 100, &pp};
    Saver saver(60, 50);
    saver.form.Zelvo.SetPicture(&picture);
    saver.form.Zelvo.SetLeft(-40 * 15.0f);
    saver.form.Zelvo.SetTop(10 * 15.0f);
    PixelRect r = {0, 0, 60, 50};
    const uint32_t guard = 0xDEADBEEF;
    std::vector<uint32_t> buffer(61 * 51, guard);
    ComposeRect(saver.form, r, 7, buffer.data(), 61);
    struct Row { int x, y; uint32_t value; };
    const Row rows[] = {{0, 0, 7}, {59, 9, 7}, {0, 10, 1040}, {59, 10, 1099}, {59, 49, 1000 + 3900 + 99},
                        {60, 10, guard}, {0, 50, guard}};
    for (const Row& p : rows) EXPECT_EQ(buffer[p.y * 61 + p.x], p.value) << p.x << "," << p.y;
}
