// The archive's images as textures: the built archive's real images, and images of odd sizes put
// beside them through the development folder. Every mipmap level, whether the engine built it or
// left it to GL, holds what GL's own generation gives for the same image.
#include "engine_api.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

struct Level {
    int width = 0, height = 0;
    std::vector<unsigned char> rgba;
};

std::vector<Level> readLevels(GLuint texture)
{
    std::vector<Level> levels;
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int level = 0;; ++level) {
        Level l;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &l.width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &l.height);
        if (l.width == 0 || l.height == 0)
            break;
        l.rgba.resize(static_cast<size_t>(l.width) * l.height * 4);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, l.rgba.data());
        levels.push_back(std::move(l));
    }
    return levels;
}

// The levels GL generates itself from the texture's image.
std::vector<Level> levelsGeneratedByGL(const Texture& t)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, t.getWidth(), t.getHeight(), 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 t.getImgData());
    std::vector<Level> levels = readLevels(texture);
    glDeleteTextures(1, &texture);
    return levels;
}

int largestDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b)
{
    int largest = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

// Sides of odd lengths: 7 and 5 halve with weights that are not whole 256ths, 9, 5 and 3 with
// weights that are; a side of 1 stays 1.
const struct {
    const char* name;
    int width, height;
} kOddImages[] = {{"odd_7x5.png", 7, 5}, {"odd_12x9.png", 12, 9}, {"odd_5x1.png", 5, 1}, {"odd_1x6.png", 1, 6}};

bool everyImageUploaded = false;

// A window on the built archive, with the odd images of random pixels in the development folder.
bool openWindow()
{
    if (!rvkHasDisplay())
        return false;
    static std::string pak = builtPakPath(), overlay = makeTempDir("odd-images"),
                       logPath = makeTempDir("odd-images-log") + "/log.txt";
    std::mt19937 random(11);
    for (const auto& image : kOddImages) {
        std::vector<unsigned char> rgba(static_cast<size_t>(image.width) * image.height * 4);
        for (unsigned char& byte : rgba)
            byte = static_cast<unsigned char>(random());
        stbi_write_png((overlay + "/" + image.name).c_str(), image.width, image.height, 4, rgba.data(),
                       image.width * 4);
    }
    RvkOptions options;
    options.noAudio = true;
    options.boxesToLogOnly = true;
    options.logPath = logPath.c_str();
    options.dataPath = pak.c_str();
    options.overlayDir = overlay.c_str();
    rvkSetOptions(&options);
    rvkInitEx(256, 256, 32, false, true, false, false, 8, 0, "data.pak", 60);
    rvkReadPak("data.pak");
    everyImageUploaded = rvkUploadTextures();
    return true;
}

} // namespace

TEST(TextureUpload, EveryMipmapLevelHoldsWhatGLGeneratesForTheImage)
{
    if (!openWindow())
        GTEST_SKIP() << "no display";
    EXPECT_TRUE(everyImageUploaded);
    // Mesa's software rasteriser is the reference the engine's levels match byte for byte; another
    // driver's filter may round differently.
    bool exact = std::strstr(reinterpret_cast<const char*>(glGetString(GL_RENDERER)), "llvmpipe") != nullptr;
    // Wide and square power-of-two sides, RGBA and RGB sources, a side of 576 (down to 9, then 4),
    // and the odd images.
    std::vector<const char*> names = {"credits1.png", "sublumen_01.png", "envmap.png", "sphere_normals.png",
                                      "anim0.jpg",    "particle.jpg",    "anim3.jpg"};
    for (const auto& image : kOddImages)
        names.push_back(image.name);
    for (const char* name : names) {
        Texture* t = rvkGetTexture(name);
        ASSERT_NE(t, nullptr) << name;
        std::vector<Level> uploaded = readLevels(t->getID());
        std::vector<Level> expected = levelsGeneratedByGL(*t);
        ASSERT_EQ(uploaded.size(), expected.size()) << name;
        for (size_t level = 0; level < uploaded.size(); ++level) {
            EXPECT_EQ(uploaded[level].width, expected[level].width) << name << " level " << level;
            EXPECT_EQ(uploaded[level].height, expected[level].height) << name << " level " << level;
            EXPECT_LE(largestDifference(uploaded[level].rgba, expected[level].rgba), exact ? 0 : 1)
                << name << " level " << level;
        }
        EXPECT_EQ(uploaded.back().width * uploaded.back().height, 1) << name << ": the levels go down to 1x1";

        // The flag stays set as before, so a new image for the texture regenerates its levels.
        GLint generate = GL_FALSE;
        glBindTexture(GL_TEXTURE_2D, t->getID());
        glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generate);
        EXPECT_EQ(generate, GL_TRUE) << name;
    }
}
