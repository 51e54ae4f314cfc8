// -fps: the frames drawn and the processor time used, said once a second.
#include <gtest/gtest.h>
#include "x11_frame_rate.h"

TEST(FrameRate, SaysFramesAndLoadOverEachSecond) {
    struct Row {
        double interval, cpuPerFrame;   // seconds between frames, processor seconds per frame
        int frames;                     // after the first, which starts the count
        const char *framesLine, *loadLine;
    };
    const Row rows[] = {   // intervals that add up exactly, where a second ends on a frame
        {1.0 / 64, 1.0 / 256, 64, "FPS: 64.0", "Load: 25.0%"},
        {1.0 / 32, 0.0, 32, "FPS: 32.0", "Load: 0.0%"},
        {0.150, 0.150, 7, "FPS: 6.7", "Load: 100.0%"},    // 1.05 s: seven frames
        {0.125, 0.0, 9, "FPS: 8.0", "Load: 0.0%"},         // said after 1 s, the ninth frame counts on
        {1.0 / 64, 0.0, 63, "", ""},                        // 0.98 s: nothing to say yet
    };
    for (const Row& r : rows) {
        FrameRate rate;
        double t = 4.0, cpu = 1.0;
        EXPECT_FALSE(rate.Frame(t, cpu));
        int changed = 0;
        for (int i = 0; i < r.frames; ++i) changed += rate.Frame(t += r.interval, cpu += r.cpuPerFrame);
        EXPECT_EQ(rate.FramesLine(), r.framesLine) << r.interval;
        EXPECT_EQ(rate.LoadLine(), r.loadLine) << r.interval;
        EXPECT_EQ(changed, *r.framesLine ? 1 : 0) << r.interval;
    }
}

TEST(FrameRate, EachSecondCountsOnlyItsOwnFrames) {
    FrameRate rate;
    double t = 0;
    rate.Frame(t, 0);
    for (int i = 0; i < 64; ++i) rate.Frame(t += 1.0 / 64, 0);   // 64 a second
    EXPECT_EQ(rate.FramesLine(), "FPS: 64.0");
    for (int i = 0; i < 8; ++i) rate.Frame(t += 1.0 / 8, 0);     // then 8 a second
    EXPECT_EQ(rate.FramesLine(), "FPS: 8.0");
}
