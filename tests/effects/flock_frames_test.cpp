// The flock's frames, captured by the program: deterministic, not uniform, the ribbons' magenta
// over the sky, and the log showing the data files' "ssao" replacing the built-in program with
// every uniform the effect sets found; and the worms tinted by the sky's texel that the
// background quad leaves bound.
#include "image.h"
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

// The worms are drawn with the sky still bound and texturing on, so they take the colour of the
// texel at the quad's last texture coordinate, a corner of the image. Two black skies, one with
// white corners: the worms vanish into the first and show their own colours only in the second.
TEST(FlockFrames, TheWormsTakeTheTintOfTheSkysCornerTexel)
{
    const int kSky = 64, kCorner = 3;
    std::string frames[2];
    for (int white = 0; white < 2; ++white) {
        imagegen::Image sky(kSky, kSky);
        for (int y = 0; y < kSky; ++y)
            for (int x = 0; x < kSky; ++x) {
                bool corner = (x < kCorner || x >= kSky - kCorner) && (y < kCorner || y >= kSky - kCorner);
                float c = white && corner ? 1.0f : 0.0f;
                sky.set(x, y, {c, c, c}, 1);
            }
        std::string dir = makeTempDir(white ? "flock-white-corners" : "flock-black");
        ASSERT_EQ(runCommand("mkdir -p " + dir + "/overlay"), 0);
        ASSERT_TRUE(writeFile(dir + "/overlay/anim3.jpg", imagegen::encodePng(sky, 3)));
        std::string output;
        // 2 s at 5 frames a second, so the worms' trails grow: 222 s is frame 10.
        ASSERT_EQ(runProgram("--capture " + dir + " --from 220000 --to 222000 --fps 5 --size 320x180 --overlay " +
                                 dir + "/overlay",
                             &output),
                  0)
            << output;
        frames[white] = framePath(dir, 10);
    }
    int w = 0, h = 0;
    std::vector<Rgba> black = loadPng(frames[0], w, h), white = loadPng(frames[1], w, h);
    ASSERT_EQ(black.size(), 320u * 180u);
    ASSERT_EQ(white.size(), black.size());
    // Away from the screen's corners, where the sky's own corners lie, every difference is a worm.
    const int kMargin = 16;
    int lighter = 0, darker = 0;
    for (int y = kMargin; y < h - kMargin; ++y)
        for (int x = kMargin; x < w - kMargin; ++x) {
            const Rgba& a = black[static_cast<size_t>(y) * w + x];
            const Rgba& b = white[static_cast<size_t>(y) * w + x];
            int change = (b.r - a.r) + (b.g - a.g) + (b.b - a.b);
            lighter += change > 12;
            darker += change < -12;
        }
    EXPECT_GT(lighter, 100);
    EXPECT_LT(darker, lighter / 20);
}
