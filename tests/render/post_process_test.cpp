// The post-processing passes and quads, drawn into the window and read back, with the GL state
// each leaves behind.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <gtest/gtest.h>

#include <functional>

using namespace rendertest;
using BRAVIK_LUMENVAT::rvkPerspective3D;

namespace {

class PostProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!openRenderer(dataPakPath()))
            GTEST_SKIP() << "no display";
        renderTargetPool.unbindFBO();
        glDisable(GL_BLEND);
        glDisable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glColor4f(1, 1, 1, 1);
        clearWindow(0, 0, 0);
    }
    RenderTargetPool& pool = renderTargetPool;

    static void clearWindow(float r, float g, float b)
    {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    static uint32_t windowPixel(int x, int y) { return readFramebuffer(x, y, 1, 1).at(0, 0); }
    static uint32_t windowCentre() { return windowPixel(kWindowWidth / 2, kWindowHeight / 2); }

    // The scene capture filled with one colour, as an effect would leave it.
    static void captureColour(float r, float g, float b)
    {
        postProcess.beginSceneCapture(false);
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        renderTargetPool.unbindFBO();
    }
};

void expectTexel(uint32_t actual, int r, int g, int b, int tolerance = 1)
{
    EXPECT_NEAR(red(actual), r, tolerance);
    EXPECT_NEAR(green(actual), g, tolerance);
    EXPECT_NEAR(blue(actual), b, tolerance);
}

bool enabled(GLenum capability)
{
    return glIsEnabled(capability) == GL_TRUE;
}

GLint integer(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

bool unitTextured(GLenum unit)
{
    glActiveTextureARB(unit);
    bool on = enabled(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return on;
}

std::vector<float> matrix(GLenum which)
{
    std::vector<float> m(16);
    glGetFloatv(which, m.data());
    return m;
}

// What the engine's 3D projection is, to compare with what a pass leaves current.
std::vector<float> perspectiveMatrix()
{
    GLint mode = integer(GL_MATRIX_MODE);
    rvkPerspective3D();
    std::vector<float> m = matrix(GL_PROJECTION_MATRIX);
    glMatrixMode(static_cast<GLenum>(mode));
    return m;
}

std::vector<float> identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

GLuint nearestTexture(int size, const std::function<uint32_t(int, int)>& texelAt)
{
    std::vector<uint32_t> texels(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            texels[static_cast<size_t>(y) * size + x] = texelAt(x, y);
    GLuint texture = makeTexture(size, size, texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Captures
// ---------------------------------------------------------------------------------------------

TEST_F(PostProcessTest, SceneCaptureRendersIntoTexture1024BThroughTheMultisampleTarget)
{
    captureColour(0, 0, 1);
    postProcess.beginSceneCapture(false);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(pool.multisampleFBO));
    EXPECT_EQ(multisampleResolveTexture, pool.texture1024B);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(pool.texture1024B).at(500, 500), rgba(0, 0, 255, 255));

    glClearColor(1, 1, 0, 1);
    postProcess.beginSceneCapture(true);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(pool.texture1024B).at(500, 500), rgba(255, 255, 0, 255));
}

TEST_F(PostProcessTest, DepthCaptureBindsTheDepthTargetAndClearsOnRequest)
{
    glClearColor(0, 1, 0, 1);
    postProcess.beginDepthCapture(true);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), static_cast<GLint>(pool.depthFBO));
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(pool.depthColorTexture).at(3, 1000), rgba(0, 255, 0, 255));
}

// ---------------------------------------------------------------------------------------------
// Glow
// ---------------------------------------------------------------------------------------------

TEST_F(PostProcessTest, GlowWithoutBlurCompositesThePlainDownsample)
{
    captureColour(0.4f, 0.2f, 0);
    postProcess.applyGlow(0, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, false);
    expectTexel(readTexture(pool.texture128A).at(64, 64), 102, 51, 0);
    expectTexel(windowCentre(), 204, 102, 0);
}

TEST_F(PostProcessTest, GlowLeavesBlendingDepthAndUnitsAsItsCallersExpect)
{
    captureColour(0.1f, 0.1f, 0.1f);
    postProcess.applyGlow(1, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, false);
    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_SRC_ALPHA);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
    EXPECT_FALSE(unitTextured(GL_TEXTURE1_ARB));
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(integer(GL_FRAMEBUFFER_BINDING_EXT), 0);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspectiveMatrix());

    postProcess.applyGlow(1, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, true);
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);
}

TEST_F(PostProcessTest, EachShadedBlurPassBrightensByTwentyPercentAndTheResultEndsIn128A)
{
    struct Case {
        int mode;
        int blurred; // 0.25 after the shaded passes, in 8 bits
    };
    const Case cases[] = {{GLOW_BLUR_BOTH, 92}, {GLOW_BLUR_HORIZONTAL_ONLY, 77}, {GLOW_BLUR_VERTICAL_ONLY, 77}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        clearWindow(0, 0, 0);
        captureColour(0.25f, 0.25f, 0.25f);
        postProcess.applyGlow(1, 1 / 128.0f, 1 / 128.0f, 1, -1, 1, c.mode, false);
        expectTexel(readTexture(pool.texture128A).at(64, 64), c.blurred, c.blurred, c.blurred, 2);
        int composite = 64 + c.blurred;
        expectTexel(windowCentre(), composite, composite, composite, 2);
    }
}

TEST_F(PostProcessTest, DarkeningToZeroRemovesTheGlow)
{
    captureColour(0.5f, 0.5f, 0.5f);
    postProcess.applyGlow(4, 0.006f, 0.006f, 1, 0, 1, GLOW_BLUR_BOTH, false);
    expectTexel(readTexture(pool.texture128A).at(64, 64), 0, 0, 0);
    expectTexel(windowCentre(), 128, 128, 128);

    captureColour(0.5f, 0.5f, 0.5f);
    postProcess.applyGlow(0, 0.006f, 0.006f, 1, 1, 1, GLOW_BLUR_BOTH, false);
    expectTexel(readTexture(pool.texture128A).at(64, 64), 64, 64, 64); // squared
}

TEST_F(PostProcessTest, AdditiveGlowAddsToTheFrame)
{
    clearWindow(0.2f, 0.2f, 0.2f);
    captureColour(0.2f, 0, 0);
    postProcess.applyGlow(0, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, true);
    expectTexel(windowCentre(), 153, 51, 51);
}

TEST_F(PostProcessTest, TheGlowOfTheSameSceneIsTheSameEveryTime)
{
    GLuint scene = nearestTexture(1024, [](int x, int y) {
        return ((x / 37 + y / 53) % 3) ? rgba(0, 0, 0, 255) : rgba(250, 200, 40, 255);
    });
    auto glowOnce = [&] {
        clearWindow(0, 0, 0);
        postProcess.beginSceneCapture(true);
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, scene);
        postProcess.drawWindowQuad();
        pool.unbindFBO();
        postProcess.applyGlow(4, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, false);
        return readFramebuffer(0, 0, kWindowWidth, kWindowHeight).texels;
    };
    std::vector<uint32_t> first = glowOnce();
    EXPECT_EQ(glowOnce(), first);
    glDeleteTextures(1, &scene);
}

// ---------------------------------------------------------------------------------------------
// Radial blur and particle composite
// ---------------------------------------------------------------------------------------------

TEST_F(PostProcessTest, RadialBlurAddsLightAlongTheLinesToTheCentre)
{
    // A white square of side 0.08 at the centre of a black image.
    GLuint spot = nearestTexture(1000, [](int x, int y) {
        return (x >= 460 && x < 540 && y >= 460 && y < 540) ? rgba(255, 255, 255, 255) : rgba(0, 0, 0, 255);
    });
    clearWindow(0.1f, 0.1f, 0.1f);
    postProcess.applyRadialBlur(spot, 0);
    expectTexel(windowCentre(), 26, 26, 26);

    postProcess.applyRadialBlur(spot, 1);
    EXPECT_EQ(windowCentre(), rgba(255, 255, 255, 255));
    // Just outside the square, a line reaching a third of the way in meets it; far out none does.
    int cx = kWindowWidth / 2, cy = kWindowHeight / 2;
    uint32_t right = windowPixel(cx + 15, cy), left = windowPixel(cx - 16, cy);
    EXPECT_GT(red(right), 40);
    EXPECT_LT(red(right), 250);
    EXPECT_NEAR(red(left), red(right), 24);
    expectTexel(windowPixel(cx + 100, cy), 26, 26, 26);
    expectTexel(windowPixel(5, 5), 26, 26, 26);

    EXPECT_TRUE(enabled(GL_BLEND));
    EXPECT_EQ(integer(GL_BLEND_SRC), GL_ONE);
    EXPECT_EQ(integer(GL_BLEND_DST), GL_ONE);
    EXPECT_TRUE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspectiveMatrix());
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
    glDeleteTextures(1, &spot);
}

TEST_F(PostProcessTest, ParticleCompositeCoversTheFrameOnlyWhereTheDepthCaptureDrewSomething)
{
    glClearColor(0, 0, 0, 0);
    postProcess.beginDepthCapture(true);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor4f(0, 1, 0, 1);
    glBegin(GL_QUADS); // the left half, at depth 0.5
    glVertex3f(-1, -1, 0);
    glVertex3f(0, -1, 0);
    glVertex3f(0, 1, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    pool.unbindFBO();
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);

    clearWindow(0.5f, 0, 0);
    glDisable(GL_DEPTH_TEST);
    postProcess.compositeParticles();
    expectTexel(windowPixel(40, 120), 0, 255, 0);
    expectTexel(windowPixel(280, 120), 128, 0, 0);

    EXPECT_FALSE(enabled(GL_BLEND));
    EXPECT_FALSE(unitTextured(GL_TEXTURE1_ARB));
    EXPECT_EQ(integer(GL_ACTIVE_TEXTURE_ARB), GL_TEXTURE0_ARB);
    EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspectiveMatrix());
}

TEST_F(PostProcessTest, APassWithoutItsProgramSaysSoOnceAndDrawsNothing)
{
    Shader* radialBlur = shaderManager->getShader("radial_blur");
    Shader* parti = shaderManager->getShader("parti");
    ASSERT_NE(radialBlur, nullptr);
    ASSERT_NE(parti, nullptr);
    shaderManager->shaders.entries.erase("radial_blur");
    shaderManager->shaders.entries.erase("parti");
    GLuint white = makeTexture(64, 64, rgba(255, 255, 255, 255));

    LogMark mark;
    clearWindow(0.2f, 0.2f, 0.2f);
    postProcess.applyRadialBlur(white, 1);
    postProcess.applyRadialBlur(white, 1);
    postProcess.compositeParticles();
    expectTexel(windowCentre(), 51, 51, 51);
    EXPECT_EQ(mark.since(), "Program \"radial_blur\" is missing; what it draws is left out\n"
                            "Program \"parti\" is missing; what it draws is left out\n");
    EXPECT_FALSE(enabled(GL_BLEND)); // the composite's state, as with its program

    shaderManager->addShader(radialBlur);
    shaderManager->addShader(parti);
    glDeleteTextures(1, &white);
}

// ---------------------------------------------------------------------------------------------
// Quads
// ---------------------------------------------------------------------------------------------

TEST_F(PostProcessTest, TheWindowQuadDrawsTheBoundTextureOverTheWindow)
{
    GLuint quads = nearestTexture(64, [](int x, int y) {
        return y < 32 ? (x < 32 ? rgba(255, 0, 0, 255) : rgba(0, 255, 0, 255)) : rgba(0, 0, 255, 255);
    });
    glEnable(GL_TEXTURE_2D);
    postProcess.drawWindowQuad();
    EXPECT_EQ(windowPixel(1, 1), rgba(255, 0, 0, 255));
    EXPECT_EQ(windowPixel(kWindowWidth - 2, 1), rgba(0, 255, 0, 255));
    EXPECT_EQ(windowPixel(1, kWindowHeight - 2), rgba(0, 0, 255, 255));
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspectiveMatrix());
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
    glDeleteTextures(1, &quads);
}

TEST_F(PostProcessTest, TheColourQuadFillsTheWindowAndLeavesDepthAndTexturingOff)
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    drawColorQuad(0, 0.5f, 1, 1);
    EXPECT_EQ(windowPixel(0, 0), rgba(0, 128, 255, 255));
    EXPECT_EQ(windowPixel(kWindowWidth - 1, kWindowHeight - 1), rgba(0, 128, 255, 255));
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_FALSE(enabled(GL_TEXTURE_2D));
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
    glEnable(GL_TEXTURE_2D);
}

TEST_F(PostProcessTest, TheScreenQuadIsUpsideDownUnlessFlippedInT)
{
    // Texture quadrants: bottom left red, bottom right green, top left blue, top right white.
    GLuint quads = nearestTexture(64, [](int x, int y) {
        bool right = x >= 32, top = y >= 32;
        return top ? (right ? rgba(255, 255, 255, 255) : rgba(0, 0, 255, 255))
                   : (right ? rgba(0, 255, 0, 255) : rgba(255, 0, 0, 255));
    });
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    drawScreenQuad(false, false);
    EXPECT_EQ(windowPixel(1, 1), rgba(0, 0, 255, 255)); // (0, 0) takes (0, 1)
    EXPECT_FALSE(enabled(GL_DEPTH_TEST));
    EXPECT_EQ(matrix(GL_PROJECTION_MATRIX), perspectiveMatrix());
    drawScreenQuad(true, true);
    EXPECT_EQ(windowPixel(1, 1), rgba(0, 255, 0, 255)); // (0, 0) takes (1, 0)
    drawScreenQuad(false, true);
    EXPECT_EQ(windowPixel(1, 1), rgba(255, 0, 0, 255));
    glDeleteTextures(1, &quads);
}

TEST_F(PostProcessTest, TheInsetScreenQuadCropsEachSide)
{
    // Red counts texels across, green texels up, on a 256 grid.
    GLuint ramp = nearestTexture(256, [](int x, int y) { return rgba(x, y, 0, 255); });
    glDisable(GL_TEXTURE_2D);
    drawScreenQuadInset(false, false, 0.1f, 0.2f);
    EXPECT_TRUE(enabled(GL_TEXTURE_2D));
    uint32_t bottomLeft = windowPixel(0, 0), topRight = windowPixel(kWindowWidth - 1, kWindowHeight - 1);
    EXPECT_NEAR(red(bottomLeft), 26, 1);   // s = 0.1
    EXPECT_NEAR(green(bottomLeft), 204, 1); // t = 0.8 at y = 0
    EXPECT_NEAR(red(topRight), 230, 1);    // s = 0.9
    EXPECT_NEAR(green(topRight), 51, 1);   // t = 0.2 at y = 1
    EXPECT_EQ(matrix(GL_MODELVIEW_MATRIX), identity());
    glDeleteTextures(1, &ramp);
}

TEST_F(PostProcessTest, TheBoxIsARoomLitFromInsideWithRepeatedTextures)
{
    GLuint halves = nearestTexture(64, [](int x, int) { return x < 32 ? rgba(255, 0, 0, 255) : rgba(0, 0, 255, 255); });
    glBindTexture(GL_TEXTURE_2D, halves);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.09, 0.09, -0.0675, 0.0675, 0.1, 10); // down -z from the centre, the far wall filling the view
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    drawBox(1, 2);
    // The far wall runs s from 0 to 2 left to right: red, blue, red, blue.
    rendertest::Image row = readFramebuffer(0, kWindowHeight / 2, kWindowWidth, 1);
    int changes = 0;
    for (int x = 1; x < kWindowWidth; ++x)
        changes += red(row.at(x, 0)) != red(row.at(x - 1, 0));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(row.at(kWindowWidth / 2 - 2, 0), rgba(0, 0, 255, 255));

    // Normals face into the room: a light at its centre lights every wall.
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    const float atCentre[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT0, GL_POSITION, atCentre);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
    for (float pitch : {0.0f, 90.0f, -90.0f}) {
        clearWindow(0, 0, 0);
        glLoadIdentity();
        glRotatef(pitch, 1, 0, 0);
        drawBox(1, 1);
        EXPECT_GT(red(windowCentre()), 100) << pitch;
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glEnable(GL_TEXTURE_2D);
    glLoadIdentity();
    glDeleteTextures(1, &halves);
}
