// The closing effect's frames, captured by the program: deterministic and not uniform in the
// middle of the span; after the fade only the hall is left, over black; and the show ends in
// black on the frame past 281200 ms whatever the capture asked for.
#include "effects/show_timeline.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

using namespace testsupport;

namespace {

const int kWidth = 320, kHeight = 180;

// A capture's folder; the capture must succeed.
std::string capture(int from, int to, int fps)
{
    std::string dir = makeTempDir("finale-frames");
    std::string output;
    EXPECT_EQ(runProgram("--capture " + dir + " --from " + std::to_string(from) + " --to " + std::to_string(to) +
                             " --fps " + std::to_string(fps) + " --size 320x180 --log " + dir + ".log",
                         &output),
              0)
        << output;
    return dir;
}

std::vector<Rgba> frame(const std::string& dir, int index)
{
    int w = 0, h = 0;
    return loadPng(framePath(dir, index), w, h);
}

bool exists(const std::string& path)
{
    return std::ifstream(path).good();
}

} // namespace

TEST(BlurBlobFrames, AreDeterministicAndNotUniform)
{
    // 252 s: the blue-violet column circling in front of the arcade.
    std::vector<Rgba> a = frame(capture(252000, 252000, 1), 0), b = frame(capture(252000, 252000, 1), 0);
    ASSERT_EQ(a.size(), static_cast<size_t>(kWidth * kHeight));
    ASSERT_EQ(b.size(), a.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(Rgba)));
    Luminance l = luminanceOf(a);
    EXPECT_GT(l.mean, 20.0);
    EXPECT_GT(l.deviation, 15.0);
}

TEST(BlurBlobFrames, AfterTheFadeOnlyTheHallIsLeftThenTheShowEndsInBlack)
{
    // Frames at 280400, 280600, ... 281200 ms. The fade ended at p 0.98 (280316 ms): up to the
    // span's end the background and the smoke are black while the hall is still drawn; from the
    // span's end to the show's last position (a position past it is a bad argument) the picture
    // is black.
    std::string dir = capture(280400, timeline::kShowEndMs, 5);
    for (int i = 0; i < 5; ++i) {
        std::vector<Rgba> f = frame(dir, i);
        ASSERT_EQ(f.size(), static_cast<size_t>(kWidth * kHeight)) << i;
        size_t black = 0, lit = 0;
        for (const Rgba& p : f) {
            int most = std::max({static_cast<int>(p.r), static_cast<int>(p.g), static_cast<int>(p.b)});
            black += most <= 3;
            lit += most > 30;
        }
        if (i < 3) {
            EXPECT_GT(lit, f.size() / 4) << "the hall";
            EXPECT_GT(black, f.size() / 10) << "the background";
        } else {
            EXPECT_EQ(black, f.size()) << "frame " << i;
        }
    }
    EXPECT_FALSE(exists(dir + "/000005.png"));
    static_assert(timeline::kShowEndMs == 281200, "the frames above end on the show's end");
}
