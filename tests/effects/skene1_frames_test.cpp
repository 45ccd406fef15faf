// The night water's frames, captured by the program: the same arguments give the same bytes, the
// frames are not uniform, the water program is found and set without complaint, and the drops
// spread rings over the water (seen through a development overlay whose water program paints the
// normal map itself).
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace testsupport;

namespace {

const int kWidth = 320, kHeight = 180;

} // namespace

TEST(Skene1Frames, AreDeterministicAndNotUniform)
{
    // Three frames 200 ms apart in the middle of the span, after a second of ripples.
    std::string a = makeTempDir("water-a"), b = makeTempDir("water-b");
    const std::string args = " --from 198600 --to 200000 --fps 5 --size 320x180";
    std::string output;
    ASSERT_EQ(runProgram("--capture " + a + args + " --log " + a + "/log.txt", &output), 0) << output;
    ASSERT_EQ(runProgram("--capture " + b + args + " --log " + b + "/log.txt", &output), 0) << output;
    std::string log;
    ASSERT_TRUE(readFile(a + "/log.txt", log));
    EXPECT_EQ(log.find("can't find uniform variable"), std::string::npos);
    EXPECT_EQ(log.find("is missing"), std::string::npos);

    for (int frame : {5, 6, 7}) {
        EXPECT_TRUE(sameFrameBytes(a, b, frame)) << frame;
        int w = 0, h = 0;
        std::vector<Rgba> pixels = loadPng(framePath(a, frame), w, h);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
        Luminance l = luminanceOf(pixels);
        EXPECT_GT(l.mean, 6.0) << frame;
        EXPECT_GT(l.deviation, 8.0) << frame;
    }
}

TEST(Skene1Frames, DropsSpreadRingsOverTheWater)
{
    // The normal map as colour: calm water is (128, 255, 128), slopes move red and blue away.
    std::string overlay = makeTempDir("water-overlay");
    ASSERT_TRUE(writeFile(overlay + "/water.frag.glsl",
                          "varying vec4 clipPosition;\nvarying vec3 ecPosition;\nvarying vec3 ecUp;\n"
                          "varying vec2 rippleCoord;\nuniform sampler2D water_reflection;\n"
                          "uniform sampler2D water_normalmap;\nuniform float pos;\n"
                          "void main() { gl_FragColor = vec4(texture2D(water_normalmap, rippleCoord).rgb, 1.0)"
                          " + 0.0 * pos * texture2D(water_reflection, rippleCoord); }\n"));
    std::string dir = makeTempDir("water-rings");
    std::string output;
    ASSERT_EQ(runProgram("--capture " + dir + " --from 199000 --to 200000 --fps 5 --size 320x180 --overlay " +
                             overlay + " --log " + dir + "/log.txt",
                         &output),
              0)
        << output;
    int w = 0, h = 0;
    std::vector<Rgba> pixels = loadPng(dir + "/000005.png", w, h);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
    int calm = 0, sloped = 0;
    for (const Rgba& p : pixels) {
        if (p.g < 200)
            continue; // not water
        int tilt = std::abs(p.r - 128) + std::abs(p.b - 128);
        (tilt < 6 ? calm : sloped) += tilt < 6 || tilt > 30;
    }
    EXPECT_GT(calm, 1000);
    EXPECT_GT(sloped, 300);
}
