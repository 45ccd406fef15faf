// The closing effect: the sprite placement, the camera shots, the sprite count and the fade as
// functions; then a frame drawn into the engine's window with the production's archive (no
// scene), read back: late in the span no sprite is drawn while the layer is still cleared and
// blurred, the lit column has no dark contours, and after the fade the background and the smoke
// are black.
#include "effects/blur_blob.h"

#include "render/effect_toolkit.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "render_test_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

BlurBlob& initialisedEffect()
{
    static BlurBlob* effect = nullptr;
    if (!effect) {
        effect = new BlurBlob;
        effect->init(246800, 281000);
    }
    return *effect;
}

void expectNear(const Vector& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

const Vector& placed(int i, float t, float fade)
{
    placeBlurSprite(i, t, fade);
    return blurSprites[i].position;
}

} // namespace

TEST(PlaceBlurSprite, IsPinnedForSpritesOfBothColumns)
{
    initialisedEffect();
    expectNear(placed(0, 0, 1), 0.5749695f, 0.1249695f, 0.1249695f);
    expectNear(placed(1234, 4, 1), 1.525268f, 0.6319889f, -0.08758302f);
    expectNear(placed(2500, 4, 1), 1.211681f, 1.270337f, 0.005525232f);
    // The second column starts again at the bottom.
    expectNear(placed(2501, 4, 1), 1.249242f, -0.01183154f, -0.02036486f);
    expectNear(placed(4999, 7.2f, 0.5f), 0.1181415f, 1.339441f, -0.08712366f);
}

TEST(PlaceBlurSprite, FadeZeroLeavesOnlyTheAxisAndTheBreathing)
{
    initialisedEffect();
    expectNear(placed(3000, 2, 0), 0.8984398f, 0.3119353f, 0.03515917f);
    // The breathing direction is the sprite's own: the same whatever was drawn before.
    setRandomSeed(99);
    randomUnit();
    expectNear(placed(3000, 2, 0), 0.8984398f, 0.3119353f, 0.03515917f);
}

TEST(BlurBlobShot, ChangesWhenTheBeatMovesFromThreeMPlusOneToThreeMPlusTwo)
{
    for (int m = 0; m < 40; ++m) {
        EXPECT_EQ(blurBlobShot(3 * m), blurBlobShot(3 * m + 1)) << m;
        EXPECT_NE(blurBlobShot(3 * m + 1), blurBlobShot(3 * m + 2)) << m;
        EXPECT_EQ(blurBlobShot(3 * m + 2), blurBlobShot(3 * m + 3)) << m;
        EXPECT_EQ(blurBlobShot(3 * m + 2), (blurBlobShot(3 * m + 1) + 1) % 8) << m;
    }
    EXPECT_EQ(blurBlobShot(0), 1);
    EXPECT_EQ(blurBlobShot(20), 0);
    EXPECT_EQ(blurBlobShot(144), blurBlobShot(144 + 24)); // eight shots, 24 beats a cycle
}

TEST(BlurBlobCamera, EachPathHasItsMaterial)
{
    // Shots 0..2 are on beats 20..28 of the cycle starting at 20, shots 3, 4 on 29..34, 5..7 on 35..43.
    const float parts[8] = {0, 0, 0, 1, 1, 3, 3, 3};
    for (int beat = 20; beat < 44; ++beat) {
        BlurBlobCamera cam = blurBlobCameraAt(0.3f, beat);
        EXPECT_EQ(cam.part, parts[cam.shot]) << beat;
    }
    BlurBlobCamera cam = blurBlobCameraAt(0.5f, 146);
    EXPECT_EQ(cam.shot, 2);
    expectNear(cam.target, 0.05f * std::sin(3.14f), 1 + 0.2f * std::sin(4.64f), 0);
}

TEST(BlurBlobCamera, TheEyeNeverSinksBelowThreeQuarters)
{
    int floored = 0;
    for (int beat = 0; beat < 24; ++beat)
        for (int step = 0; step <= 200; ++step) {
            float p = step / 200.0f;
            BlurBlobCamera cam = blurBlobCameraAt(p, beat);
            EXPECT_GE(cam.eye.y, 0.75f) << p << " " << beat;
            floored += cam.eye.y == 0.75f;
        }
    EXPECT_GT(floored, 0); // some paths do dip, and are held
    // Above the floor the height is pushed up by its square distance from it (shot 0 at p 0.1).
    float a = 0.175f;
    float y = sphericalToCartesian(1.8f - 0.25f * a, 6.28f * a, 5 * a + 1.0048f).y;
    ASSERT_GT(y, 0.75f);
    EXPECT_NEAR(blurBlobCameraAt(0.1f, 20).eye.y, y + (y - 0.75f) * (y - 0.75f), 1e-5f);
}

TEST(BlurSpriteCount, FallsFromAllAtPointEightSixToNoneAtPointNineOne)
{
    EXPECT_EQ(blurSpriteCountAt(0), kBlurSpriteCount);
    EXPECT_EQ(blurSpriteCountAt(0.86f), kBlurSpriteCount);
    EXPECT_NEAR(blurSpriteCountAt(0.885f), 2500, 1);
    EXPECT_EQ(blurSpriteCountAt(0.91f), 0);
    EXPECT_EQ(blurSpriteCountAt(0.95f), 0);
    EXPECT_EQ(blurSpriteCountAt(1.0f), 0);
    int last = kBlurSpriteCount;
    for (float p = 0.86f; p <= 0.91f; p += 0.001f) {
        EXPECT_LE(blurSpriteCountAt(p), last);
        last = blurSpriteCountAt(p);
    }
}

TEST(BlurBlobFade, FullThenDownOverPointNineFourToPointNineEightThenBlack)
{
    EXPECT_EQ(blurBlobFade(0), 1.0f);
    EXPECT_EQ(blurBlobFade(0.93f), 1.0f);
    EXPECT_NEAR(blurBlobFade(0.96f), 0.5f, 1e-5f);
    EXPECT_NEAR(blurBlobFade(0.98f), 0.0f, 1e-5f);
    EXPECT_EQ(blurBlobFade(0.981f), 0.0f);
    EXPECT_EQ(blurBlobFade(1.0f), 0.0f);
}

class BlurBlobFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!rendertest::openRenderer(testsupport::builtPakPath()))
            GTEST_SKIP() << "no display";
        if (!beatMeter)
            beatMeter = new BeatMeter(8);
        if (!beatClock)
            beatClock = new BeatClock(35.0f, 0);
        initialisedEffect();
    }

    // Fills a pool texture with opaque red, as an earlier frame could have left it.
    static void soil(int size, GLuint texture)
    {
        bindTarget(size, texture);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        renderTargetPool.unbindFBO();
    }

    // White with alpha 0 everywhere; the colour is checked inside a margin of 1/32 of the size,
    // since the pool's clamped textures filter against a black border at their edges.
    static void expectClearedLayer(GLuint texture)
    {
        rendertest::Image image = rendertest::readTexture(texture);
        ASSERT_GT(image.width, 0);
        int minWhite = 255, maxAlpha = 0, margin = image.width / 32;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                uint32_t t = image.at(x, y);
                maxAlpha = std::max(maxAlpha, rendertest::alpha(t));
                if (x >= margin && y >= margin && x < image.width - margin && y < image.height - margin)
                    minWhite = std::min({minWhite, rendertest::red(t), rendertest::green(t), rendertest::blue(t)});
            }
        EXPECT_GE(minWhite, 250);
        EXPECT_EQ(maxAlpha, 0);
    }

    static int windowMaximum()
    {
        rendertest::Image image =
            rendertest::readFramebuffer(0, 0, rendertest::kWindowWidth, rendertest::kWindowHeight);
        int most = 0;
        for (uint32_t t : image.texels)
            most = std::max({most, rendertest::red(t), rendertest::green(t), rendertest::blue(t)});
        return most;
    }
};

TEST_F(BlurBlobFrame, SpritesMarkTheLayerEarlyInTheSpan)
{
    initialisedEffect().render(0.3f, 1);
    rendertest::Image layer = rendertest::readTexture(renderTargetPool.texture1024A);
    int covered = 0;
    for (uint32_t t : layer.texels)
        covered += rendertest::alpha(t) > 128;
    EXPECT_GT(covered, 1000);
}

TEST_F(BlurBlobFrame, LateInTheSpanNoSpriteIsDrawnButTheLayerIsClearedAndBlurred)
{
    RenderTargetPool& pool = renderTargetPool;
    soil(1024, pool.texture1024A);
    soil(512, pool.texture512A);
    soil(256, pool.texture256A);
    soil(256, pool.texture256B);
    initialisedEffect().render(0.92f, blurBlobFade(0.92f));
    expectClearedLayer(pool.texture1024A);
    expectClearedLayer(pool.texture512A);
    expectClearedLayer(pool.texture256A);
    expectClearedLayer(pool.texture256B);
    EXPECT_GT(windowMaximum(), 40); // the background and the smoke are still at full strength
}

TEST_F(BlurBlobFrame, AfterTheFadeTheBackgroundAndTheSmokeAreBlack)
{
    initialisedEffect().render(0.99f, blurBlobFade(0.99f));
    EXPECT_EQ(windowMaximum(), 0);
}

TEST_F(BlurBlobFrame, TheColumnHasNoDarkContoursInsideItsMask)
{
    // 250 s: the column in front of the camera. The composite reaches the window with the
    // layer's s axis mirrored; wherever the blurred layer is solidly covered the liquid is lit.
    initialisedEffect().render((250000.0f - 246800) / 34200, 1);
    rendertest::Image layer = rendertest::readTexture(renderTargetPool.texture1024A);
    rendertest::Image window = rendertest::readFramebuffer(0, 0, rendertest::kWindowWidth, rendertest::kWindowHeight);
    ASSERT_EQ(layer.width, 1024);
    int inside = 0, dark = 0;
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x) {
            int s = static_cast<int>((1 - (x + 0.5f) / static_cast<float>(window.width)) * layer.width);
            int t = static_cast<int>((y + 0.5f) / static_cast<float>(window.height) * layer.height);
            if (rendertest::alpha(layer.at(s, t)) < 160)
                continue;
            ++inside;
            uint32_t p = window.at(x, y);
            dark += std::max({rendertest::red(p), rendertest::green(p), rendertest::blue(p)}) < 24;
        }
    EXPECT_GT(inside, window.width * window.height / 50);
    EXPECT_EQ(dark, 0) << "of " << inside;
}

// The "blurblob" program of data/ over a window filled with one colour: a layer of alpha 0 leaves
// the picture as it was, and a sprite surface gets a different look for each material.
class BlurBlobProgram : public BlurBlobFrame {
protected:
    static uint32_t compositeOver(uint32_t layerTexel, float part)
    {
        static GLuint layer = 0;
        if (!layer)
            layer = rendertest::makeTexture(4, 4, layerTexel);
        glBindTexture(GL_TEXTURE_2D, layer);
        std::vector<uint32_t> texels(16, layerTexel);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 4, 4, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());

        renderTargetPool.unbindFBO();
        glClearColor(0.2f, 0.3f, 0.4f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, 1);
        Shader* program = bindProgram("blurblob");
        EXPECT_NE(program, nullptr);
        if (!program)
            return 0;
        EXPECT_TRUE(program->setUniform1i("tex0", 0));
        EXPECT_TRUE(program->setUniform1i("tex1", 1));
        EXPECT_TRUE(program->setUniform1f("part", part));
        glActiveTextureARB(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textureIdOf("envmap.png"));
        glActiveTextureARB(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, layer);
        rendertest::drawTargetQuad();
        glActiveTextureARB(GL_TEXTURE1);
        glDisable(GL_TEXTURE_2D);
        glActiveTextureARB(GL_TEXTURE0);
        unbindProgram();
        glDisable(GL_BLEND);
        return rendertest::readFramebuffer(rendertest::kWindowWidth / 2, rendertest::kWindowHeight / 2, 1, 1).at(0, 0);
    }

    static int difference(uint32_t a, uint32_t b)
    {
        return std::abs(rendertest::red(a) - rendertest::red(b)) + std::abs(rendertest::green(a) - rendertest::green(b)) +
               std::abs(rendertest::blue(a) - rendertest::blue(b));
    }
};

TEST_F(BlurBlobProgram, AnEmptyLayerLeavesThePictureAsItWas)
{
    for (float part : {0.0f, 1.0f, 3.0f}) {
        uint32_t out = compositeOver(rendertest::rgba(255, 255, 255, 0), part);
        EXPECT_NEAR(rendertest::red(out), 51, 1) << part;
        EXPECT_NEAR(rendertest::green(out), 77, 1) << part;
        EXPECT_NEAR(rendertest::blue(out), 102, 1) << part;
    }
}

TEST_F(BlurBlobProgram, EachPartHasItsOwnMaterial)
{
    // A surface leaning up and to one side, fully covered.
    const uint32_t surface = rendertest::rgba(160, 170, 230, 255);
    uint32_t violet = compositeOver(surface, 0), magenta = compositeOver(surface, 1), amber = compositeOver(surface, 3);
    uint32_t background = rendertest::rgba(51, 77, 102, 255);
    EXPECT_GT(difference(violet, background), 30);
    EXPECT_GT(difference(violet, magenta), 30);
    EXPECT_GT(difference(magenta, amber), 30);
    EXPECT_GT(difference(violet, amber), 30);
    // The amber is warm: more red than blue.
    EXPECT_GT(rendertest::red(amber), rendertest::blue(amber));
}
