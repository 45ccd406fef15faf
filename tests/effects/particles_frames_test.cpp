// The swarm's frames, captured by the program: the same arguments give the same bytes, the
// frames are not uniform, and at the key change the swarm turns from mostly blue to mostly magenta.
#include "effects/show_timeline.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace testsupport;

namespace {

struct FrameStats {
    double mean = 0, deviation = 0;
    int bluish = 0, reddish = 0; // pixels where one of the swarm's two colours clearly leads
};

FrameStats statsOf(const std::vector<Rgba>& pixels)
{
    FrameStats s;
    double square = 0;
    for (const Rgba& p : pixels) {
        double l = (p.r + p.g + p.b) / 3.0;
        s.mean += l;
        square += l * l;
        // Magenta boxes: red over blue over green. Blue boxes: blue well over green and red. The
        // scene's amber lamps (green over blue) and its cyan window (green near blue) count as
        // neither.
        s.reddish += p.r > p.b && p.b > p.g && p.r > 60;
        s.bluish += 10 * p.b > 16 * p.g && p.b > p.r && p.b > 60;
    }
    s.mean /= pixels.size();
    s.deviation = std::sqrt(square / pixels.size() - s.mean * s.mean);
    return s;
}

std::string capture(const std::string& name, int from, int to, int fps)
{
    std::string dir = makeTempDir(name);
    std::string output;
    EXPECT_EQ(runProgram("--capture " + dir + " --from " + std::to_string(from) + " --to " + std::to_string(to) +
                             " --fps " + std::to_string(fps) + " --size 320x180 --log " + dir + "/log.txt",
                         &output),
              0)
        << output;
    return dir;
}

} // namespace

TEST(ParticlesFrames, AreDeterministicNotUniformAndInvertAtTheKeyChange)
{
    // 2 frames a second from 141 s: frame 2 is 142 s (blue swarm), frame 3 142.5 s (magenta).
    const int from = 141000, to = 142500;
    static_assert(timeline::kKeyChangeCue > 142000 && timeline::kKeyChangeCue < 142500, "frames 2 and 3 straddle it");
    std::string a = capture("swarm-a", from, to, 2), b = capture("swarm-b", from, to, 2);
    std::string log;
    ASSERT_TRUE(readFile(a + "/log.txt", log));
    EXPECT_EQ(log.find(" Error:"), std::string::npos);
    EXPECT_EQ(log.find("missing"), std::string::npos) << log;

    FrameStats frames[4];
    for (int frame = 0; frame < 4; ++frame) {
        EXPECT_TRUE(sameFrameBytes(a, b, frame)) << frame;
        int w = 0, h = 0;
        frames[frame] = statsOf(loadPng(framePath(a, frame), w, h));
        EXPECT_GT(frames[frame].deviation, 12.0) << frame;
        EXPECT_GT(frames[frame].mean, 10.0) << frame;
    }
    // Before: one small box in eight magenta. After: seven in eight, the blue eighth larger.
    EXPECT_GT(frames[2].bluish, 4 * frames[2].reddish) << frames[2].reddish;
    EXPECT_GT(frames[3].reddish, frames[3].bluish * 5 / 4) << frames[3].bluish;
}
