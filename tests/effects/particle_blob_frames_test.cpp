// The opening effect's frames, captured by the program: deterministic, not uniform, and showing
// the title at 7.2 s and a credit at 20 s (found by capturing again with that image blanked out
// through a development overlay).
#include "test_support.h"

#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cmath>
#include <cstring>

using namespace testsupport;

namespace {

std::vector<Rgba> captureFrame(int ms, const std::string& overlay = "")
{
    std::string dir = makeTempDir("blob-frame");
    std::string args = "--capture " + dir + " --from " + std::to_string(ms) + " --to " + std::to_string(ms) +
                       " --size 320x180 --log " + dir + ".log";
    if (!overlay.empty())
        args += " --overlay " + overlay;
    std::string output;
    EXPECT_EQ(runProgram(args, &output), 0) << output;
    int w = 0, h = 0;
    return loadPng(dir + "/000000.png", w, h);
}

// A folder whose copy of `image` is fully transparent.
std::string blankedOut(const std::string& image)
{
    std::string dir = makeTempDir("blob-overlay");
    std::vector<unsigned char> clear(64 * 32 * 4, 0);
    stbi_write_png((dir + "/" + image).c_str(), 64, 32, 4, clear.data(), 64 * 4);
    return dir;
}

double luminance(const Rgba& p)
{
    return (p.r + p.g + p.b) / 3.0;
}

// Mean absolute difference over the picture's centre (where the title and credits sit).
double centreDifference(const std::vector<Rgba>& a, const std::vector<Rgba>& b)
{
    double sum = 0;
    int n = 0;
    for (int y = 45; y < 135; ++y)
        for (int x = 60; x < 260; ++x, ++n)
            sum += std::fabs(luminance(a[y * 320 + x]) - luminance(b[y * 320 + x]));
    return sum / n;
}

} // namespace

TEST(ParticleBlobFrames, AreDeterministicAndNotUniform)
{
    std::vector<Rgba> a = captureFrame(45000), b = captureFrame(45000);
    ASSERT_EQ(a.size(), 320u * 180u);
    ASSERT_EQ(b.size(), a.size());
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), a.size() * sizeof(Rgba)));
    Luminance l = luminanceOf(a);
    EXPECT_GT(l.mean, 10.0);
    EXPECT_GT(l.deviation, 10.0);
}

TEST(ParticleBlobFrames, TheTitleShowsAtSevenPointTwoSeconds)
{
    std::vector<Rgba> shown = captureFrame(7200), hidden = captureFrame(7200, blankedOut("sublumen_01.png"));
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(shown.size(), hidden.size());
    EXPECT_GT(centreDifference(shown, hidden), 5.0);
}

TEST(ParticleBlobFrames, ACreditShowsAtTwentySeconds)
{
    std::vector<Rgba> shown = captureFrame(20000), hidden = captureFrame(20000, blankedOut("credits1.png"));
    ASSERT_FALSE(shown.empty());
    ASSERT_EQ(shown.size(), hidden.size());
    // The first credit is fading out under the lifting veil: faint, but there.
    EXPECT_GT(centreDifference(shown, hidden), 0.3);
}
