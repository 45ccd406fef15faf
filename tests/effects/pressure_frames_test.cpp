// The streak effects' frames, captured by the program a second or two into each span: the same
// arguments give the same bytes, and the frames hold a field of violet streaks, not a flat
// colour.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace testsupport;

namespace {

// The last frame of a capture from `from` to `to` at 4 frames a second.
std::vector<Rgba> lastFrame(int from, int to)
{
    std::string dir = makeTempDir("streak-frames");
    std::string args = "--capture " + dir + " --from " + std::to_string(from) + " --to " + std::to_string(to) +
                       " --fps 4 --size 320x180 --log " + dir + ".log";
    std::string output;
    EXPECT_EQ(runProgram(args, &output), 0) << output;
    int w = 0, h = 0;
    char name[32];
    std::snprintf(name, sizeof name, "/%06d.png", (to - from) / 250);
    return loadPng(dir + name, w, h);
}

struct Stats {
    double mean = 0, deviation = 0, blueOverGreen = 0;
};

Stats statsOf(const std::vector<Rgba>& frame)
{
    Stats s;
    double square = 0, blue = 0, green = 0;
    for (const Rgba& p : frame) {
        double l = (p.r + p.g + p.b) / 3.0;
        s.mean += l;
        square += l * l;
        blue += p.b;
        green += p.g;
    }
    s.mean /= frame.size();
    s.deviation = std::sqrt(square / frame.size() - s.mean * s.mean);
    s.blueOverGreen = blue / (green + 1);
    return s;
}

void expectStreakFrames(int from, int to)
{
    std::vector<Rgba> a = lastFrame(from, to), b = lastFrame(from, to);
    ASSERT_EQ(a.size(), 320u * 180u);
    ASSERT_EQ(b.size(), a.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(Rgba)));
    Stats s = statsOf(a);
    EXPECT_GT(s.mean, 12.0);
    EXPECT_GT(s.deviation, 8.0);
    EXPECT_GT(s.blueOverGreen, 1.5); // violet, not grey
}

} // namespace

TEST(PressureFrames, AreDeterministicAndNotUniform)
{
    expectStreakFrames(232500, 233000);
}

TEST(Pressure2Frames, AreDeterministicAndNotUniform)
{
    expectStreakFrames(152000, 152500);
}
