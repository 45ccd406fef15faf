// The night water's logic: the ripple step and its normal map on small fields, the drops, the
// frames that owe no step, the fast inverse square root, the camera's path, the effect drawn
// without the shared scene, the moon's rows flipped in the reflection pass and nowhere else, the
// "water" program and the two generated images.
#include "effects/collada_test.h"
#include "effects/skene1.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "render_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

using namespace BRAVIK_LUMENVAT;

namespace {

// A field small enough to reason about: interior 1..5, never-written rows and columns 6 and 7.
const int kSmall = 8;

std::vector<unsigned char> textureBytes(GLuint texture, int size)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(size) * size * 3);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

struct Decoded {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    int grey(int x, int y) const { return rgb[3 * (static_cast<size_t>(y) * width + x) + 1]; }
};

Decoded decodeContent(const std::string& name)
{
    Decoded image;
    std::ifstream in(std::string(CONTENT_DIR) + "/" + name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                            static_cast<int>(bytes.size()), &image.width, &image.height, &channels, 3);
    if (pixels) {
        image.rgb.assign(pixels, pixels + static_cast<size_t>(image.width) * image.height * 3);
        stbi_image_free(pixels);
    }
    return image;
}

} // namespace

TEST(WaterRipple, StepTruncatesOnlyTheHalfSumThenSubtractsAndDamps)
{
    WaterRipple w(kSmall);
    w.currentAt(3, 2) = 3; // a direct neighbour of (3, 3), weight 0.9
    w.currentAt(2, 2) = 1; // a diagonal one, weight 0.1
    w.previousAt(3, 3) = -0.6f;
    w.step();
    // 0.5 * 2.8 = 1.4 truncates to 1; (1 + 0.6) * 0.975. Truncating after the subtraction would give 1.95.
    EXPECT_NEAR(w.currentAt(3, 3), 1.56f, 1e-5f);

    WaterRipple v(kSmall);
    v.currentAt(3, 2) = -3;
    v.currentAt(2, 2) = -1;
    v.previousAt(3, 3) = 0.25f;
    v.step();
    // -1.4 truncates toward zero, to -1 (not -2).
    EXPECT_NEAR(v.currentAt(3, 3), (-1 - 0.25f) * 0.975f, 1e-5f);
}

TEST(WaterRipple, StepRotatesTheLevelsAndNeverWritesTheLastTwoRowsAndColumns)
{
    WaterRipple w(kSmall);
    for (int y = 0; y < kSmall; ++y)
        for (int x = 0; x < kSmall; ++x) {
            w.currentAt(x, y) = static_cast<float>(x + 10 * y);
            w.previousAt(x, y) = 1000 + static_cast<float>(x + 10 * y);
        }
    std::vector<float> oldCurrent = w.current, oldPrevious = w.previous;
    w.step();
    EXPECT_EQ(w.previous, oldCurrent);
    for (int i = 0; i < kSmall; ++i)
        for (int edge : {0, kSmall - 2, kSmall - 1}) {
            EXPECT_EQ(w.currentAt(edge, i), oldPrevious[edge + kSmall * i]) << edge << "," << i;
            EXPECT_EQ(w.currentAt(i, edge), oldPrevious[i + kSmall * edge]) << i << "," << edge;
        }
    EXPECT_NE(w.currentAt(5, 5), oldPrevious[5 + kSmall * 5]); // the interior's last cell is written
}

TEST(WaterRipple, NormalMapReadsTruncatedHeightsAndRoundsEachChannel)
{
    WaterRipple w(kSmall);
    w.computeNormalMap();
    const unsigned char* flat = w.texel(2, 2);
    EXPECT_EQ(flat[0], 128);
    EXPECT_EQ(flat[1], 255);
    EXPECT_EQ(flat[2], 128);

    // One bump east of (3, 3): gx = -2 * 100, gy = 0; k = 1 / sqrt(40000 + 65025).
    w.previousAt(4, 3) = 100.9f;
    w.computeNormalMap();
    const unsigned char* t = w.texel(3, 3);
    EXPECT_EQ(t[0], 128);
    EXPECT_EQ(t[1], 228); // 227.93, rounded (not cut) to the byte
    EXPECT_EQ(t[2], 50);  // 49.62

    // Negative heights truncate toward zero: -100.9 reads as -100 (206.38), not -101 (206.86).
    w.previousAt(4, 3) = -100.9f;
    w.computeNormalMap();
    EXPECT_EQ(w.texel(3, 3)[2], 206);
    EXPECT_EQ(w.texel(3, 3)[1], 228);
}

TEST(WaterRipple, NormalMapLeavesTheBorderTexelsAsTheyWere)
{
    WaterRipple w(kSmall);
    for (float& h : w.previous)
        h = 37;
    w.computeNormalMap();
    for (int i = 0; i < kSmall; ++i)
        for (int edge : {0, kSmall - 2, kSmall - 1}) {
            EXPECT_EQ(w.texel(edge, i)[1], 0) << edge << "," << i;
            EXPECT_EQ(w.texel(i, edge)[1], 0) << i << "," << edge;
        }
    EXPECT_EQ(w.texel(5, 5)[1], 255);
}

TEST(WaterDrops, FallOnTwoColumnsAndRowsInsideTheField)
{
    const int firstRows[8] = {128, 160, 160, 192, 192, 64, 64, 96};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(dropRow(0, i), firstRows[i]) << i;
        EXPECT_EQ(dropColumn(i), (i & 1) ? 151 : 98) << i;
    }
    for (int frame = 0; frame < 2000; ++frame)
        for (int i = 0; i < 8; ++i) {
            EXPECT_GE(dropRow(frame, i), 48);
            EXPECT_LE(dropRow(frame, i), 192);
        }
    WaterRipple w;
    w.drop(12);
    int set = 0;
    for (float h : w.previous)
        set += h == 255.0f;
    EXPECT_GE(set, 2);
    EXPECT_EQ(w.previousAt(98, dropRow(12, 0)), 255.0f);
    EXPECT_EQ(w.previousAt(151, dropRow(12, 7)), 255.0f);
}

TEST(FastInvSqrt, IsWithinItsKnownErrorOfTheTrueValue)
{
    for (float x = 1e-6f; x < 1e7f; x *= 1.37f) {
        float exact = 1.0f / std::sqrt(x);
        EXPECT_LT(std::fabs(fastInvSqrt(x) - exact) / exact, 0.00176f) << x;
    }
    EXPECT_NEAR(fastInvSqrt(65025), 1.0f / 255, 1.0f / 255 * 0.00176f);
}

TEST(SkeneCamera, SlidesAlongTheWaterAndSwingsSideways)
{
    placeSkeneCamera(0);
    EXPECT_FLOAT_EQ(skeneEye.x, 4.75f);
    EXPECT_FLOAT_EQ(skeneEye.y, 2.3f);
    EXPECT_FLOAT_EQ(skeneEye.z, 40);
    EXPECT_FLOAT_EQ(skeneTarget.z, 30);
    placeSkeneCamera(1);
    EXPECT_NEAR(skeneEye.y, 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(skeneEye.z, 44);
    EXPECT_FLOAT_EQ(skeneTarget.z, 42);
    EXPECT_EQ(skeneUp.y, 1.0f);
    float s = std::sin(2.7f * 0.58f);
    placeSkeneCamera(0.58f);
    EXPECT_NEAR(skeneEye.x, (9.5f - 2 * 0.58f * 0.58f) * (0.5f * s * s + 0.5f), 1e-5f);
}

TEST(Skene1, KeepsItsRippleBeforeItsTwentyFiveMillisecondTimer)
{
    Skene1 effect;
    EXPECT_LT(reinterpret_cast<char*>(&effect.ripple), reinterpret_cast<char*>(&effect.stepTimer));
    EXPECT_EQ(effect.stepTimer->step, 25);
    EXPECT_EQ(effect.stepTimer->maxSteps, 5);
}

// ---- with a GL context ----

TEST(RippleFrames, AFrameThatOwesNoStepLeavesTheNormalMapUnchanged)
{
    ASSERT_TRUE(rendertest::openRenderer(rendertest::dataPakPath()));
    WaterRipple w;
    w.createTexture();
    StepTimer timer(25, 5);

    // Frame 4 owes two steps (60 ms): the drops fall, the map is computed and uploaded.
    timer.frames = 4;
    timer.accumulator = 60;
    EXPECT_TRUE(runRippleSteps(timer, w));
    EXPECT_EQ(timer.accumulator, 10);
    std::vector<unsigned char> uploaded = textureBytes(w.texture, WaterRipple::kSize);
    EXPECT_EQ(uploaded, w.normalMap);
    EXPECT_NE(w.texel(98, dropRow(4, 0))[1], 0);

    // A frame with 10 ms owed: nothing steps, nothing is recomputed or uploaded.
    w.previousAt(40, 40) = 5000;
    std::vector<unsigned char> before = w.normalMap;
    timer.frames = 5;
    EXPECT_FALSE(runRippleSteps(timer, w));
    EXPECT_EQ(w.normalMap, before);
    EXPECT_EQ(textureBytes(w.texture, WaterRipple::kSize), uploaded);
}

TEST(RippleFrames, OnlyEveryFourthFrameDrops)
{
    WaterRipple w;
    StepTimer timer(25, 5);
    timer.frames = 5;
    timer.accumulator = 30;
    EXPECT_TRUE(runRippleSteps(timer, w));
    for (float h : w.current)
        ASSERT_EQ(h, 0.0f);
}

TEST(Skene1Draw, WorksWithoutTheSharedSceneAndLeavesNoGLError)
{
    ASSERT_TRUE(rendertest::openRenderer(rendertest::dataPakPath()));
    Skene1 effect;
    ASSERT_TRUE(effect.init(178250, 219500));
    while (glGetError() != GL_NO_ERROR) {
    }
    // Owed steps as after a seek; the first draw's advance makes it frame 4, a frame of drops.
    effect.stepTimer->accumulator = 125;
    effect.stepTimer->frames = 3;
    for (float t : {190000.0f, 190040.0f}) {
        effect.time = t;
        effect.draw();
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FLOAT_EQ(sceneLightPhase, 1 + (190040.0f - 178250) / (219500 - 178250));
    int stepped = 0;
    for (float h : effect.ripple->current)
        stepped += h != 0.0f;
    EXPECT_GT(stepped, 0);
}

namespace {

// One pass as GL receives it, read back in feedback mode: per polygon, each vertex's window
// position (x, y) and texture coordinates (s, t), in drawing order.
std::vector<std::vector<float>> passPolygons(float p, bool reflection)
{
    std::vector<GLfloat> buffer(1 << 20);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    rvkSetPerspective(60, 0.01f, 10000);
    glMatrixMode(GL_MODELVIEW);
    applySkeneCamera();
    drawSkenePass(p, 1, reflection);
    GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<float>> polygons;
    const int kVertexFloats = 11; // x, y, z, RGBA, s, t, r, q
    for (GLint i = 0; i < used;) {
        EXPECT_EQ(buffer[i], static_cast<GLfloat>(GL_POLYGON_TOKEN)) << "only polygons are drawn";
        if (buffer[i] != static_cast<GLfloat>(GL_POLYGON_TOKEN))
            break;
        int count = static_cast<int>(buffer[i + 1]);
        std::vector<float> polygon;
        for (int v = 0; v < count; ++v) {
            const GLfloat* vertex = &buffer[i + 2 + v * kVertexFloats];
            polygon.insert(polygon.end(), {vertex[0], vertex[1], vertex[7], vertex[8]});
        }
        polygons.push_back(polygon);
        i += 2 + count * kVertexFloats;
    }
    return polygons;
}

} // namespace

TEST(SkenePass, TheReflectionFlipsOnlyTheMoonsRows)
{
    ASSERT_TRUE(rendertest::openRenderer(rendertest::dataPakPath()));
    Skene1 effect;
    ASSERT_TRUE(effect.init(178250, 219500));
    const float p = 0.3f;
    placeSkeneCamera(p);
    std::vector<std::vector<float>> normal = passPolygons(p, false), mirrored = passPolygons(p, true);
    ASSERT_EQ(normal.size(), mirrored.size());
    ASSERT_GT(normal.size(), 100u); // the moon, the puffs and the dust in view
    // Without the shared scene the moon comes first; clipped to the view it reaches GL as a few
    // polygons, far fewer than the 50 puffs and 450 motes that follow.
    size_t flipped = 0;
    for (size_t k = 0; k < normal.size(); ++k) {
        const std::vector<float>& a = normal[k];
        const std::vector<float>& b = mirrored[k];
        ASSERT_EQ(a.size(), b.size()) << k;
        bool same = true, rowsFlipped = true;
        for (size_t v = 0; v < a.size(); v += 4) {
            EXPECT_NEAR(a[v], b[v], 1e-3f) << k;
            EXPECT_NEAR(a[v + 1], b[v + 1], 1e-3f) << k;
            same = same && std::fabs(a[v + 2] - b[v + 2]) < 1e-5f && std::fabs(a[v + 3] - b[v + 3]) < 1e-5f;
            rowsFlipped = rowsFlipped && std::fabs(a[v + 2] - b[v + 2]) < 1e-5f && std::fabs(a[v + 3] + b[v + 3] - 1) < 1e-5f;
        }
        if (k == flipped && !same && rowsFlipped)
            ++flipped;
        else
            EXPECT_TRUE(same) << "polygon " << k << " differs between the passes";
    }
    EXPECT_GE(flipped, 1u);
    EXPECT_LE(flipped, 6u);
}

TEST(WaterProgram, BuildsWithItsThreeUniforms)
{
    ASSERT_TRUE(rendertest::openRenderer(rendertest::dataPakPath()));
    Shader* water = shaderManager->getShader("water");
    ASSERT_NE(water, nullptr);
    water->bind();
    for (const char* name : {"pos", "water_reflection", "water_normalmap"})
        EXPECT_NE(water->getUniformLocation(name), -1) << name;
    ASSERT_EQ(water->uniforms.size(), 3u);
    shaderManager->unbind();
}

TEST(NightImages, TheMoonIsAPaleDiscOnBlack)
{
    Decoded moon = decodeContent("moon.jpg");
    ASSERT_EQ(moon.width, 512);
    ASSERT_EQ(moon.height, 512);
    EXPECT_GT(moon.grey(256, 256), 150);
    for (int c : {2, 509})
        for (int r : {2, 509})
            EXPECT_LT(moon.grey(c, r), 4) << c << "," << r;
    EXPECT_LT(moon.grey(256, 30), 4); // black well inside the quad's edge
}

TEST(NightImages, TheHeightMapRisesToTheSpheresCentre)
{
    Decoded map = decodeContent("sphere_heightmap.png");
    ASSERT_EQ(map.width, 256);
    EXPECT_GE(map.grey(128, 128), 253);
    EXPECT_EQ(map.grey(0, 0), 0);
    EXPECT_EQ(map.grey(255, 128), 0);
    for (int x = 129; x < 250; ++x)
        EXPECT_LE(map.grey(x, 128), map.grey(x - 1, 128) + 1) << x; // the encoder's dither: one step
    EXPECT_NEAR(map.grey(128 + 64, 128), 255 * std::sqrt(1 - 0.25), 4);
}
