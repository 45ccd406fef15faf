// The flock's frames, captured by the program: deterministic, not uniform, the ribbons' magenta
// over the sky, and the log showing the data files' "ssao" replacing the built-in program with
// every uniform the effect sets found.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace testsupport;

TEST(FlockFrames, AreDeterministicNotUniformAndShowTheRibbons)
{
    // Three frames from just inside the span: 219.6, 220.6 and 221.6 s.
    std::string a = makeTempDir("flock-a"), b = makeTempDir("flock-b");
    const std::string args = " --from 219600 --to 221600 --fps 1 --size 320x180";
    std::string output;
    ASSERT_EQ(runProgram("--capture " + a + args + " --log " + a + "/log.txt", &output), 0) << output;
    ASSERT_EQ(runProgram("--capture " + b + args + " --log " + b + "/log.txt", &output), 0) << output;

    std::string log;
    ASSERT_TRUE(readFile(a + "/log.txt", log));
    EXPECT_EQ(log.find("can't find uniform variable"), std::string::npos);
    EXPECT_NE(log.find("\nssao\n"), std::string::npos);
    EXPECT_EQ(occurrences(log, "Shader \"ssao\" loaded."), 2u); // built in, then replaced
    EXPECT_EQ(occurrences(log, "Shader \"renderdepth\" loaded."), 1u);
    EXPECT_EQ(occurrences(log, "Shader \"dof_flock\" loaded."), 1u);

    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_TRUE(sameFrameBytes(a, b, frame)) << frame;
        int w = 0, h = 0;
        std::vector<Rgba> pixels = loadPng(framePath(a, frame), w, h);
        ASSERT_EQ(pixels.size(), 320u * 180u);
        size_t magenta = 0;
        for (const Rgba& p : pixels)
            magenta += p.r > 120 && p.r > 2 * p.g && p.r > p.b + 30;
        Luminance l = luminanceOf(pixels);
        EXPECT_GT(l.mean, 40.0) << frame; // the luminous sky
        EXPECT_GT(l.deviation, 12.0) << frame;
        EXPECT_GT(magenta, pixels.size() / 100) << frame;
    }
}
