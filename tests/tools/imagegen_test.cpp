// The opening's generated images, read back from the build's content folder: the generator is
// deterministic and writes exactly its files, and each image keeps the properties the effect
// relies on (sizes, the sphere map's normals and alpha, black margins of the puffs and cards).
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

using namespace testsupport;

namespace {

std::vector<std::string> imageFiles()
{
    std::vector<std::string> names;
    std::stringstream list(IMAGEGEN_FILES);
    for (std::string name; std::getline(list, name, ',');)
        names.push_back(name);
    return names;
}

struct Decoded {
    int width = 0, height = 0, channels = 0; // channels as stored in the file
    std::vector<unsigned char> rgba;

    const unsigned char* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

Decoded decode(const std::string& name)
{
    Decoded image;
    std::string bytes;
    if (!readFile(std::string(CONTENT_DIR) + "/" + name, bytes)) {
        ADD_FAILURE() << name << " missing";
        return image;
    }
    const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(bytes.size()), &image.width, &image.height,
                                            &image.channels, 4);
    if (!pixels) {
        ADD_FAILURE() << name << " does not decode";
        return image;
    }
    image.rgba.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 4);
    stbi_image_free(pixels);
    return image;
}

int maxChannel(const unsigned char* p)
{
    return std::max({p[0], p[1], p[2]});
}

TEST(ImageGenerator, ASecondRunWritesTheSameFilesByteForByte)
{
    std::string dir = makeTempDir("imagegen");
    std::string output;
    ASSERT_EQ(runCommand(std::string(IMAGEGEN_PATH) + " " + dir + " " + IMAGEGEN_FONTS, &output), 0) << output;

    std::string listing;
    runCommand("ls " + dir, &listing);
    std::string expected;
    for (const std::string& name : imageFiles()) {
        std::string first, second;
        ASSERT_TRUE(readFile(std::string(CONTENT_DIR) + "/" + name, first)) << name;
        ASSERT_TRUE(readFile(dir + "/" + name, second)) << name;
        EXPECT_TRUE(first == second) << name << " differs between runs";
    }
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), static_cast<long>(imageFiles().size())) << listing;
}

TEST(ImageGenerator, AnUnreadableFontFailsWithAMessage)
{
    std::string dir = makeTempDir("imagegen-nofont");
    std::string output;
    EXPECT_EQ(runCommand(std::string(IMAGEGEN_PATH) + " " + dir + " /nonexistent.ttf /nonexistent.ttf", &output), 1);
    EXPECT_NE(output.find("font"), std::string::npos) << output;
}

TEST(ImageGenerator, ImagesHaveTheirSizesAndChannels)
{
    struct Expected {
        const char* name;
        int width, height, channels;
    };
    const Expected table[] = {{"sphere_normals.png", 256, 256, 4}, {"anim0.jpg", 1024, 1024, 3},
                              {"smoke1.jpg", 256, 256, 3},         {"smoke4.jpg", 256, 256, 3},
                              {"sublumen_01.png", 2048, 1024, 4},  {"credits1.png", 2048, 1024, 4},
                              {"credits8.png", 2048, 1024, 4}};
    for (const Expected& e : table) {
        Decoded image = decode(e.name);
        EXPECT_EQ(image.width, e.width) << e.name;
        EXPECT_EQ(image.height, e.height) << e.name;
        EXPECT_EQ(image.channels, e.channels) << e.name;
    }
}

// Row 0 is the top of the sprite (the effect puts texture t = 1 at its lower-left corner), so
// the normal's y, in green, is high at the top; x, in red, is high on the right.
TEST(SphereNormals, EncodeAnUprightSphereWithAnAntialiasedDisc)
{
    Decoded s = decode("sphere_normals.png");
    ASSERT_EQ(s.width, 256);
    const unsigned char* centre = s.at(128, 128);
    EXPECT_NEAR(centre[0], 128, 2);
    EXPECT_NEAR(centre[1], 128, 2);
    EXPECT_GE(centre[2], 253);
    EXPECT_GT(s.at(128, 8)[1], 215);   // top
    EXPECT_LT(s.at(128, 247)[1], 40);  // bottom
    EXPECT_LT(s.at(8, 128)[0], 40);    // left
    EXPECT_GT(s.at(247, 128)[0], 215); // right

    int partial = 0;
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const unsigned char* p = s.at(x, y);
            float r = std::hypot(x + 0.5f - 128.0f, y + 0.5f - 128.0f);
            if (r < 125.5f) {
                ASSERT_EQ(p[3], 255) << x << "," << y;
            }
            if (r > 128.0f) {
                ASSERT_EQ(p[3], 0) << x << "," << y;
            }
            partial += p[3] > 0 && p[3] < 255;
            if (p[3] >= 230) { // what the alpha test at 0.9 keeps: unit normals facing the viewer
                float nx = p[0] / 127.5f - 1, ny = p[1] / 127.5f - 1, nz = p[2] / 127.5f - 1;
                ASSERT_NEAR(std::sqrt(nx * nx + ny * ny + nz * nz), 1.0f, 0.03f) << x << "," << y;
                ASSERT_GE(nz, -0.01f);
            }
        }
    EXPECT_GT(partial, 500); // the rim is antialiased all round
}

TEST(Smoke, PuffsAreVisibleDistinctAndBlackTowardsTheEdges)
{
    std::vector<Decoded> puffs;
    for (int i = 1; i <= 4; ++i)
        puffs.push_back(decode("smoke" + std::to_string(i) + ".jpg"));
    for (size_t i = 0; i < puffs.size(); ++i) {
        const Decoded& p = puffs[i];
        ASSERT_EQ(p.width, 256);
        int border = p.width / 12, brightest = 0, brightestNearEdge = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                bool nearEdge = x < border || y < border || x >= p.width - border || y >= p.height - border;
                int v = maxChannel(p.at(x, y));
                (nearEdge ? brightestNearEdge : brightest) = std::max(nearEdge ? brightestNearEdge : brightest, v);
            }
        EXPECT_LE(brightestNearEdge, 3) << "smoke" << i + 1; // JPEG ringing at most
        EXPECT_GE(brightest, 90) << "smoke" << i + 1;
        for (size_t j = 0; j < i; ++j) {
            double difference = 0;
            for (size_t k = 0; k < p.rgba.size(); ++k)
                difference += std::abs(p.rgba[k] - puffs[j].rgba[k]);
            EXPECT_GT(difference / p.rgba.size(), 4.0) << "smoke" << i + 1 << " looks like smoke" << j + 1;
        }
    }
}

TEST(Background, IsDarkBlueVioletWithLightAndAMagentaAccent)
{
    Decoded b = decode("anim0.jpg");
    ASSERT_EQ(b.width, 1024);
    double sum[3] = {0, 0, 0};
    int bright = 0, magenta = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) {
            const unsigned char* p = b.at(x, y);
            for (int c = 0; c < 3; ++c)
                sum[c] += p[c] / 255.0;
            bright += maxChannel(p) > 150;
            magenta += p[0] > 60 && p[0] > p[1] * 1.6 && p[0] > p[2] * 0.8;
        }
    double pixels = static_cast<double>(b.width) * b.height;
    double mean = (sum[0] + sum[1] + sum[2]) / (3 * pixels);
    EXPECT_GT(mean, 0.04);
    EXPECT_LT(mean, 0.25);
    EXPECT_GT(sum[2], sum[0] * 1.3); // blue dominates
    EXPECT_GT(sum[2], sum[1] * 1.3);
    EXPECT_GT(bright, 200);          // stars and lit gas
    EXPECT_GT(magenta, 1000);
}

// The effect slides the cards by up to 0.15 of the picture (plus a little drift) over repeating
// textures, so everything but black must stay inside the centre 60 %.
TEST(CreditCards, LetteringStaysInsideTheCentreSixtyPercent)
{
    for (int i = 1; i <= 8; ++i) {
        std::string name = "credits" + std::to_string(i) + ".png";
        Decoded card = decode(name);
        ASSERT_EQ(card.width, 2048) << name;
        int left = card.width / 5, right = card.width - card.width / 5;
        int top = card.height / 5, bottom = card.height - card.height / 5;
        int outside = 0, solid = 0;
        for (int y = 0; y < card.height; ++y)
            for (int x = 0; x < card.width; ++x) {
                const unsigned char* p = card.at(x, y);
                bool inside = x >= left && x < right && y >= top && y < bottom;
                if (!inside)
                    outside += p[3] != 0 || maxChannel(p) != 0;
                solid += p[3] == 255 && maxChannel(p) > 200;
            }
        EXPECT_EQ(outside, 0) << name;
        EXPECT_GT(solid, 2000) << name << " has no legible lettering";
    }
}

// The title zooms in slowly from the whole image: it sits in the middle with empty margins.
TEST(Title, IsLightLetteringInTheMiddleWithEmptyMargins)
{
    Decoded title = decode("sublumen_01.png");
    ASSERT_EQ(title.width, 2048);
    int marginX = title.width / 20, marginY = title.height / 10, inMargin = 0, solid = 0;
    int solidLeft = title.width, solidRight = 0;
    for (int y = 0; y < title.height; ++y)
        for (int x = 0; x < title.width; ++x) {
            const unsigned char* p = title.at(x, y);
            if (x < marginX || x >= title.width - marginX || y < marginY || y >= title.height - marginY)
                inMargin += p[3] != 0;
            if (p[3] == 255 && std::min({p[0], p[1], p[2]}) > 200) {
                ++solid;
                solidLeft = std::min(solidLeft, x);
                solidRight = std::max(solidRight, x);
            }
        }
    EXPECT_EQ(inMargin, 0);
    EXPECT_GT(solid, 10000);
    EXPECT_GT(solidLeft, title.width / 8); // the word itself is well inside
    EXPECT_LT(solidRight, title.width - title.width / 8);
    EXPECT_GT(solidRight - solidLeft, title.width / 2);
}

} // namespace
