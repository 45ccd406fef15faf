// The finale's generated images, read back from the build's content folder: a second run of the
// generator writes the same bytes; the swirl is dark at its rim and bright at its core; the
// environment is twice as wide as high, brighter at the horizon than at the zenith and the
// nadir, and its left and right edges meet.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

using namespace testsupport;

namespace {

struct Decoded {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> rgb;

    double luminance(int x, int y) const
    {
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return (p[0] + p[1] + p[2]) / 3.0;
    }
    // The mean over one row.
    double row(int y) const
    {
        double sum = 0;
        for (int x = 0; x < width; ++x)
            sum += luminance(x, y);
        return sum / width;
    }
};

Decoded decode(const std::string& path)
{
    Decoded image;
    std::string bytes;
    if (!readFile(path, bytes)) {
        ADD_FAILURE() << path << " missing";
        return image;
    }
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &image.width, &image.height,
                                            &image.channels, 3);
    if (!pixels) {
        ADD_FAILURE() << path << " does not decode";
        return image;
    }
    image.rgb.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 3);
    stbi_image_free(pixels);
    return image;
}

std::string content(const std::string& name)
{
    return std::string(CONTENT_DIR) + "/" + name;
}

} // namespace

TEST(FinaleImages, ASecondRunWritesTheSameBytes)
{
    std::string dir = makeTempDir("finalegen");
    std::string output;
    ASSERT_EQ(runCommand(std::string(FINALEGEN_PATH) + " " + dir, &output), 0) << output;
    for (const char* name : {"anim1.jpg", "envmap.png"}) {
        std::string first, second;
        ASSERT_TRUE(readFile(content(name), first)) << name;
        ASSERT_TRUE(readFile(dir + "/" + name, second)) << name;
        EXPECT_TRUE(first == second) << name << " differs between runs";
    }
}

TEST(FinaleImages, TheSwirlIsDarkAtItsRimAndBrightAtItsCore)
{
    Decoded swirl = decode(content("anim1.jpg"));
    ASSERT_EQ(swirl.width, 1024);
    ASSERT_EQ(swirl.height, 1024);
    EXPECT_EQ(swirl.channels, 3);
    EXPECT_GT(swirl.luminance(512, 512), 180);
    double rim = 0;
    int n = 0;
    for (int i = 0; i < 360; ++i) {
        double a = i * 3.14159265 / 180;
        rim += swirl.luminance(512 + static_cast<int>(495 * std::cos(a)), 512 + static_cast<int>(495 * std::sin(a)));
        ++n;
    }
    EXPECT_LT(rim / n, 4);
    EXPECT_LT(swirl.luminance(2, 2), 3); // the corners, which a turn sweeps past the screen's
}

TEST(FinaleImages, TheEnvironmentGlowsAtTheHorizonAndWrapsAround)
{
    Decoded env = decode(content("envmap.png"));
    ASSERT_EQ(env.width, 2 * env.height);
    EXPECT_EQ(env.channels, 3);
    int h = env.height;
    double zenith = env.row(0), skyAboveHorizon = env.row(h / 2 - h / 16), nadir = env.row(h - 1);
    EXPECT_GT(skyAboveHorizon, zenith + 40);
    EXPECT_GT(skyAboveHorizon, nadir + 40);
    EXPECT_GT(zenith, 10); // a luminous sky, not a black one
    double seam = 0;
    for (int y = 0; y < h; ++y)
        seam += std::fabs(env.luminance(0, y) - env.luminance(env.width - 1, y));
    EXPECT_LT(seam / h, 6);
}
