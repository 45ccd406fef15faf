// The banner and the icon compiled into the program, and the tool that paints them.
#include "resources/program_resources.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

int alphaAt(const ResourceImage& image, int x, int y)
{
    return image.rgba[(y * image.width + x) * 4 + 3];
}

int brightest(const ResourceImage& image)
{
    int most = 0;
    for (int i = 0; i < image.width * image.height * 4; i += 4)
        most = std::max({most, int(image.rgba[i]), int(image.rgba[i + 1]), int(image.rgba[i + 2])});
    return most;
}

TEST(ProgramResources, BannerIsAnOpaqueDarkPictureWithALuminousTitle)
{
    const ResourceImage& b = bannerBitmap;
    ASSERT_EQ(b.width, 315);
    ASSERT_EQ(b.height, 100);
    long sum = 0;
    for (int i = 0; i < b.width * b.height * 4; i += 4) {
        EXPECT_EQ(b.rgba[i + 3], 255) << "pixel " << i / 4;
        sum += b.rgba[i] + b.rgba[i + 1] + b.rgba[i + 2];
    }
    EXPECT_LT(sum / (b.width * b.height * 3), 100) << "dark on average";
    EXPECT_GT(brightest(b), 230) << "a bright title";
}

TEST(ProgramResources, IconsAreRoundMarksOnTransparency)
{
    for (const ResourceImage* icon : {&programIcon32, &programIcon16}) {
        int n = icon->width;
        ASSERT_EQ(icon->height, n);
        for (auto [x, y] : {std::pair{0, 0}, {n - 1, 0}, {0, n - 1}, {n - 1, n - 1}})
            EXPECT_EQ(alphaAt(*icon, x, y), 0) << n << " px icon, corner " << x << "," << y;
        EXPECT_EQ(alphaAt(*icon, n / 2, n / 2), 255) << n << " px icon";
        EXPECT_GT(brightest(*icon), 200) << n << " px icon";
    }
    EXPECT_EQ(programIcon32.width, 32);
    EXPECT_EQ(programIcon16.width, 16);
}

TEST(ProgramResources, PainterGivesTheSameBytesEveryRun)
{
    std::string dir = testsupport::makeTempDir("resources");
    std::string tool = testsupport::binaryDir() + "/resources/make_resources " + SUBLUMEN_TITLE_FONT + " ";
    ASSERT_EQ(testsupport::runCommand(tool + dir + "/again.cpp " + dir), 0);
    std::string built, again;
    ASSERT_TRUE(testsupport::readFile(testsupport::binaryDir() + "/resources/program_resources.cpp", built));
    ASSERT_TRUE(testsupport::readFile(dir + "/again.cpp", again));
    EXPECT_TRUE(built == again);
}

} // namespace
