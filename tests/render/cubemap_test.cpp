// Cubemap: static faces from textures, dynamic faces rendered one by one, the sky box.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/cubemap.h"

#include <gtest/gtest.h>

#include <GL/glu.h>

#include <cmath>

using namespace rendertest;
using BRAVIK_LUMENVAT::Texture;

namespace {

class CubemapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!openWindow())
            GTEST_SKIP() << "no display";
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

// An engine-style texture over our own pixels (top row first, as the engine keeps them).
struct PixelTexture {
    PixelTexture(unsigned id, int width, int height, uint32_t colour)
        : pixels(static_cast<size_t>(width) * height, colour)
    {
        texture.id = id;
        texture.width = width;
        texture.height = height;
        texture.pixels = pixels.data();
        texture.name = "probe.png";
    }
    std::vector<uint32_t> pixels;
    Texture texture;
};

std::vector<float> modelview()
{
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

void expectMatrixNear(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6f) << "element " << i;
}

const uint32_t kFaceColours[6] = {rgba(255, 0, 0, 255),   rgba(0, 255, 0, 255),   rgba(0, 0, 255, 255),
                                  rgba(255, 255, 0, 255), rgba(0, 255, 255, 255), rgba(255, 0, 255, 255)};

} // namespace

TEST_F(CubemapTest, OneStaticTextureFillsEveryFaceAlike)
{
    PixelTexture source(77, 8, 8, rgba(10, 20, 30, 40));
    Cubemap cube;
    cube.setupStatic(&source.texture);
    EXPECT_NE(cube.getID(), 0u);
    EXPECT_EQ(cube.size, 8);
    EXPECT_FALSE(cube.dynamic);
    EXPECT_FALSE(cube.hasFaceTextures);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_CUBE_MAP));
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(cube.faceTextures[face], 77u);
        Image image = readTexture(cube.getID(), GL_TEXTURE_CUBE_MAP_POSITIVE_X + face);
        EXPECT_EQ(image.width, 8);
        EXPECT_EQ(image.at(3, 5), rgba(10, 20, 30, 255)) << face; // three components
    }
}

TEST_F(CubemapTest, SixStaticTexturesFillTheirOwnFaces)
{
    std::vector<PixelTexture> sources;
    for (int face = 0; face < 6; ++face)
        sources.emplace_back(100 + face, 4, 4, kFaceColours[face]);
    Cubemap cube;
    cube.setupStatic(&sources[0].texture, &sources[1].texture, &sources[2].texture, &sources[3].texture,
                     &sources[4].texture, &sources[5].texture);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(cube.faceTextures[face], 100u + face);
        EXPECT_EQ(readTexture(cube.getID(), GL_TEXTURE_CUBE_MAP_POSITIVE_X + face).at(1, 1), kFaceColours[face]);
    }
}

TEST_F(CubemapTest, AWideTextureIsNotReadPastItsEnd)
{
    PixelTexture wide(5, 16, 2, rgba(1, 2, 3, 4));
    LogMark mark;
    Cubemap cube;
    cube.setupStatic(&wide.texture);
    EXPECT_EQ(cube.size, 16);
    EXPECT_NE(mark.since().find("Cubemap: texture 'probe.png' is 16x2, not square"), std::string::npos);
    EXPECT_EQ(readTexture(cube.getID(), GL_TEXTURE_CUBE_MAP_POSITIVE_Z).width, 16);
}

TEST_F(CubemapTest, ANamedDynamicCubemapRegistersAFaceTextureForEachFace)
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    Cubemap cube;
    cube.setupDynamic(256, "sky");
    EXPECT_TRUE(cube.dynamic);
    EXPECT_TRUE(cube.hasFaceTextures);
    EXPECT_EQ(cube.size, 256);
    const char* names[6] = {"sky00", "sky01", "sky02", "sky03", "sky04", "sky05"};
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(cube.faceNames[face], names[face]);
        Texture* texture = BRAVIK_LUMENVAT::rvkGetTexture(names[face]);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->getWidth(), 256);
        EXPECT_EQ(texture->getHeight(), 256);
        EXPECT_EQ(cube.faceTextures[face], texture->getID());
        if (face > 0) {
            EXPECT_GT(cube.faceTextures[face], cube.faceTextures[face - 1]); // made in face order
        }
        EXPECT_EQ(readTexture(cube.getID(), GL_TEXTURE_CUBE_MAP_POSITIVE_X + face).at(100, 100),
                  rgba(0, 0, 0, 255));
    }
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_EYE_LINEAR);
    glDisable(GL_TEXTURE_CUBE_MAP);
}

TEST_F(CubemapTest, AnUnnamedDynamicCubemapGeneratesReflectionCoordinates)
{
    Cubemap cube;
    cube.setupDynamic(32);
    EXPECT_TRUE(cube.dynamic);
    EXPECT_FALSE(cube.hasFaceTextures);
    for (GLenum coordinate : {GL_S, GL_T, GL_R}) {
        GLint mode = 0;
        glGetTexGeniv(coordinate, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_REFLECTION_MAP);
    }
    const float expected[6][4] = {{-90, 0, 1, 0}, {90, 0, 1, 0},  {-90, 1, 0, 0},
                                  {90, 1, 0, 0},  {180, 1, 0, 0}, {180, 0, 0, 1}};
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(cube.faceRotations[face][i], expected[face][i]);
    glDisable(GL_TEXTURE_CUBE_MAP);
}

TEST_F(CubemapTest, SideFacesAreRolledHalfATurnBeyondTheirRotation)
{
    Cubemap cube;
    cube.setupDynamic(16);
    glDisable(GL_TEXTURE_CUBE_MAP);
    glTranslatef(5, 5, 5);
    cube.setupRenderSide(0); // -90 about y, then 180 about z
    expectMatrixNear(modelview(), {0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1});
    cube.setupRenderSide(4); // 180 about x only
    expectMatrixNear(modelview(), {1, 0, 0, 0, 0, -1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1});
}

TEST_F(CubemapTest, RenderingEachFaceCopiesTheFrameIntoTheFaceAndItsTexture)
{
    Cubemap cube;
    cube.setupDynamic(64, "probe");
    glDisable(GL_TEXTURE_CUBE_MAP);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, 1, 0, 1, -1, 1);
    std::vector<float> projectionBefore(16);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionBefore.data());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    std::vector<float> modelviewBefore = modelview();

    cube.startRendering();
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 64);
    EXPECT_EQ(viewport[3], 64);
    for (int face = 0; face < 6; ++face) {
        cube.setupRenderSide(face);
        uint32_t c = kFaceColours[face];
        glClearColor(red(c) / 255.0f, green(c) / 255.0f, blue(c) / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        cube.finishRenderSide(face);
    }
    cube.endRendering();

    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], kWindowWidth);
    EXPECT_EQ(viewport[3], kWindowHeight);
    EXPECT_EQ(modelview(), modelviewBefore);
    std::vector<float> projectionAfter(16);
    glGetFloatv(GL_PROJECTION_MATRIX, projectionAfter.data());
    EXPECT_EQ(projectionAfter, projectionBefore);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(readTexture(cube.getID(), GL_TEXTURE_CUBE_MAP_POSITIVE_X + face).at(32, 32), kFaceColours[face]);
        EXPECT_EQ(readTexture(cube.faceTextures[face]).at(63, 0), kFaceColours[face]);
    }
}

TEST_F(CubemapTest, TheSkyBoxShowsEachFaceTextureInItsDirection)
{
    Cubemap cube;
    for (int face = 0; face < 6; ++face)
        cube.faceTextures[face] = makeTexture(4, 4, kFaceColours[face]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60, 4.0 / 3.0, 0.1, 100);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glColor4f(1, 1, 1, 1);

    struct View {
        float angle, x, y, z;
        int face;
    };
    // The box is turned half a turn about x: +z of the table lies ahead (-z), +y below.
    const View views[] = {{0, 0, 1, 0, 4}, {180, 0, 1, 0, 5}, {90, 0, 1, 0, 0}, {-90, 0, 1, 0, 1},
                          {-90, 1, 0, 0, 2}, {90, 1, 0, 0, 3}};
    for (const View& view : views) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glLoadIdentity();
        glRotatef(view.angle, view.x, view.y, view.z);
        cube.renderCube(10);
        EXPECT_EQ(readFramebuffer(kWindowWidth / 2, kWindowHeight / 2, 1, 1).at(0, 0), kFaceColours[view.face])
            << "looking towards the face of texture " << view.face;
    }
}

TEST_F(CubemapTest, ACopySharesTheTextureAndOutlivesNothing)
{
    GLuint id = 0;
    {
        Cubemap cube;
        cube.setupDynamic(8, "copy");
        glDisable(GL_TEXTURE_CUBE_MAP);
        Cubemap copy = cube;
        EXPECT_EQ(copy.getID(), cube.getID());
        EXPECT_EQ(copy.faceNames[5], "copy05");
        Cubemap assigned;
        assigned = cube;
        EXPECT_EQ(assigned.faceTextures[2], cube.faceTextures[2]);
        id = cube.getID();
    }
    EXPECT_TRUE(glIsTexture(id));
}
