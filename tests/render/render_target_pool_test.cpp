// The render-target pool on the real driver: entry points, targets, resolve, status lines, noise.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/render_target_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace rendertest;

namespace {

class RenderTargetPoolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!openRenderer())
            GTEST_SKIP() << "no display";
    }
    RenderTargetPool& pool = renderTargetPool;
};

GLint boundFramebuffer()
{
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    return bound;
}

void expectViewport(int x, int y, int width, int height)
{
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], x);
    EXPECT_EQ(viewport[1], y);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
}

void clearTo(float r, float g, float b, float a)
{
    glClearColor(r, g, b, a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace

TEST_F(RenderTargetPoolTest, TheDriverIsNamedInTheLogBeforeTheDepthFormat)
{
    std::string log = logText();
    size_t vendor = log.find("Your graphics cards vendor is ");
    size_t renderer = log.find("\nRenderer ");
    size_t version = log.find("\nVersion ");
    size_t depth = log.find("Debug: Using depth t=2  (33191) texture\n");
    ASSERT_NE(vendor, std::string::npos) << log;
    EXPECT_LT(vendor, renderer);
    EXPECT_LT(renderer, version);
    EXPECT_LT(version, depth);
    EXPECT_NE(depth, std::string::npos) << log;
    EXPECT_EQ(log.find("[box]"), std::string::npos);
}

TEST_F(RenderTargetPoolTest, EveryEntryPointIsFetchedAndMultisamplingIsAvailable)
{
    int missing = 0;
#define COUNT_MISSING(type, name) missing += name == nullptr;
    SUBLUMEN_GL_MULTITEXTURE(COUNT_MISSING)
    SUBLUMEN_GL_VERTEX_BUFFERS(COUNT_MISSING)
    SUBLUMEN_GL_FRAMEBUFFERS(COUNT_MISSING)
    SUBLUMEN_GL_SHADERS(COUNT_MISSING)
#undef COUNT_MISSING
    EXPECT_EQ(missing, 0);
    EXPECT_TRUE(multisampleAvailable);
    EXPECT_NE(pool.multisampleFBO, 0u);
}

TEST_F(RenderTargetPoolTest, SizedTargetsRenderIntoTheNamedTextureAtTheirSize)
{
    struct Target {
        int size;
        GLuint fbo;
    };
    const Target targets[] = {{512, pool.fbo512}, {256, pool.fbo256}, {128, pool.fbo128}};
    for (const Target& target : targets) {
        SCOPED_TRACE(target.size);
        GLuint texture = makeTexture(target.size, target.size, rgba(0, 0, 0, 0));
        if (target.size == 512)
            pool.bindTextureFBO512(texture);
        else if (target.size == 256)
            pool.bindTextureFBO256(texture);
        else
            pool.bindTextureFBO128(texture);
        EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(target.fbo));
        expectViewport(0, 0, target.size, target.size);
        clearTo(1, 0.5f, 0, 1);
        pool.unbindFBO();
        EXPECT_EQ(boundFramebuffer(), 0);
        expectViewport(0, 0, kWindowWidth, kWindowHeight);
        Image image = readTexture(texture);
        EXPECT_EQ(image.at(0, 0), rgba(255, 128, 0, 255));
        EXPECT_EQ(image.at(target.size - 1, target.size - 1), rgba(255, 128, 0, 255));
        glDeleteTextures(1, &texture);
    }
}

TEST_F(RenderTargetPoolTest, AMultisampled1024RenderReachesItsTextureOnlyOnUnbind)
{
    GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 255, 255));
    pool.bindTextureFBO1024(texture, false);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(pool.multisampleFBO));
    expectViewport(0, 0, 1024, 1024);
    clearTo(1, 0, 0, 1);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    EXPECT_EQ(readTexture(texture).at(100, 100), rgba(0, 0, 255, 255));

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, pool.multisampleFBO);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(texture).at(100, 100), rgba(255, 0, 0, 255));
    glDeleteTextures(1, &texture);
}

TEST_F(RenderTargetPoolTest, ASecondUnbindResolvesTheSameSamplesAgain)
{
    GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 0, 255));
    pool.bindTextureFBO1024(texture, false);
    clearTo(0, 1, 0, 1);
    pool.unbindFBO();
    glBindTexture(GL_TEXTURE_2D, texture);
    std::vector<uint32_t> blue(1024 * 1024, rgba(0, 0, 255, 255));
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1024, 1024, GL_RGBA, GL_UNSIGNED_BYTE, blue.data());

    EXPECT_TRUE(multisampleResolvePending);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(texture).at(7, 900), rgba(0, 255, 0, 255));
    glDeleteTextures(1, &texture);
}

TEST_F(RenderTargetPoolTest, AMultisampledUseIsResolvedOnceWhenOtherTargetsFollow)
{
    if (!multisampleAvailable)
        GTEST_SKIP() << "no multisampling";
    GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 0, 255));
    GLuint small = makeTexture(512, 512, rgba(0, 0, 0, 255));
    int before = multisampleResolveCount;
    pool.bindTextureFBO1024(texture, false);
    clearTo(0, 1, 0, 1);
    pool.unbindFBO();
    EXPECT_EQ(multisampleResolveCount, before + 1);
    for (int i = 0; i < 3; ++i) {
        pool.bindTextureFBO512(small);
        pool.unbindFBO();
        pool.bindDepthFBO();
        pool.unbindFBO();
    }
    EXPECT_EQ(multisampleResolveCount, before + 1);
    EXPECT_EQ(readTexture(texture).at(7, 900), rgba(0, 255, 0, 255));
    glDeleteTextures(1, &texture);
    glDeleteTextures(1, &small);
}

TEST_F(RenderTargetPoolTest, ADirect1024BindSkipsTheMultisampleTarget)
{
    GLuint texture = makeTexture(1024, 1024, rgba(0, 0, 0, 255));
    pool.bindTextureFBO1024(texture, true);
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(pool.fbo1024));
    EXPECT_FALSE(multisampleResolvePending);
    clearTo(1, 1, 0, 1);
    pool.unbindFBO();
    EXPECT_EQ(readTexture(texture).at(1023, 0), rgba(255, 255, 0, 255));
    glDeleteTextures(1, &texture);
}

TEST_F(RenderTargetPoolTest, TheDepthTargetCapturesColourAndDepth)
{
    pool.bindDepthFBO();
    EXPECT_EQ(boundFramebuffer(), static_cast<GLint>(pool.depthFBO));
    expectViewport(0, 0, 1024, 1024);
    clearTo(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDisable(GL_TEXTURE_2D);
    glColor4f(0, 1, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glBegin(GL_QUADS); // the left half of the target at window depth 0.75
    glVertex3f(-1, -1, 0.5f);
    glVertex3f(0, -1, 0.5f);
    glVertex3f(0, 1, 0.5f);
    glVertex3f(-1, 1, 0.5f);
    glEnd();
    glDisable(GL_DEPTH_TEST);
    pool.unbindFBO();

    Image colour = readTexture(pool.depthColorTexture);
    EXPECT_EQ(colour.at(100, 500), rgba(0, 255, 255, 255));
    EXPECT_EQ(colour.at(900, 500), rgba(0, 0, 0, 0));
    glBindTexture(GL_TEXTURE_2D, pool.depthTexture);
    std::vector<float> depth(1024 * 1024);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    EXPECT_NEAR(depth[500 * 1024 + 100], 0.75f, 1e-4f);
    EXPECT_FLOAT_EQ(depth[500 * 1024 + 900], 1.0f);
}

TEST_F(RenderTargetPoolTest, TheStatusCheckNamesEachIncompleteStatus)
{
    struct Case {
        GLenum status;
        const char* line; // after "name: "
        bool result;
    };
    const Case cases[] = {
        {GL_FRAMEBUFFER_COMPLETE_EXT, nullptr, true},
        {GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT - Framebuffer incomplete,incomplete attachment\n", false},
        {GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT - Framebuffer incomplete,missing attachment\n", false},
        {GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT - Framebuffer incomplete,attached images must have same "
         "dimensions\n",
         false},
        {GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT - Framebuffer incomplete,attached images must have same format\n",
         false},
        {GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT - Framebuffer incomplete,missing draw buffer\n", false},
        {GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT,
         "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT - Framebuffer incomplete,missing read buffer\n", false},
        {0x8CD8, "UNRESOLVED FRAMEBUFFER ERROR - Check ext loading\n", true},
        {0x1234, "UNRESOLVED FRAMEBUFFER ERROR - Check ext loading\n", true},
    };
    static GLenum reported = 0;
    PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC real = glCheckFramebufferStatusEXT;
    glCheckFramebufferStatusEXT = [](GLenum) { return reported; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        reported = c.status;
        LogMark mark;
        EXPECT_EQ(pool.checkFBOStatus("probe"), c.result);
        EXPECT_EQ(mark.since(), c.line ? std::string("probe: ") + c.line : std::string());
    }
    glCheckFramebufferStatusEXT = real;
}

TEST_F(RenderTargetPoolTest, TheNoiseTexturesComeFromTheCGeneratorInAFixedSequence)
{
    ASSERT_NE(pool.noiseTextures, nullptr);
    std::set<GLuint> names(pool.noiseTextures, pool.noiseTextures + kNoiseTextureCount);
    EXPECT_EQ(names.size(), static_cast<size_t>(kNoiseTextureCount));

    std::vector<unsigned char> bytes(1024 * 1024);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, pool.noiseTextures[0]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.data());
    const unsigned char first[12] = {41, 107, 214, 235, 44, 169, 3, 33, 187, 239, 95, 95};
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 12),
              std::vector<unsigned char>(first, first + 12));
    EXPECT_EQ(*std::max_element(bytes.begin(), bytes.end()), 254); // rand() % 255 never gives 255

    // The second texture continues the same sequence.
    glBindTexture(GL_TEXTURE_2D, pool.noiseTextures[1]);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.data());
    const unsigned char second[8] = {34, 193, 20, 116, 209, 248, 85, 234};
    EXPECT_EQ(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 8),
              std::vector<unsigned char>(second, second + 8));
}

TEST_F(RenderTargetPoolTest, AllFiftyNoiseTexturesHoldTheirRecordedBytes)
{
    // FNV-1a over the 50 textures' bytes in order, as rand() % 255 one call per byte gave them.
    uint64_t hash = 14695981039346656037ull;
    std::vector<unsigned char> bytes(1024 * 1024);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (int i = 0; i < kNoiseTextureCount; ++i) {
        glBindTexture(GL_TEXTURE_2D, pool.noiseTextures[i]);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, bytes.data());
        for (unsigned char byte : bytes)
            hash = (hash ^ byte) * 1099511628211ull;
    }
    EXPECT_EQ(hash, 4043444314540521192ull);
}

TEST_F(RenderTargetPoolTest, TheWhiteTextureIsWhite)
{
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, pool.whiteTexture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 64);
    std::vector<unsigned char> white(64 * 64);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, white.data());
    EXPECT_EQ(*std::min_element(white.begin(), white.end()), 255);
}

TEST_F(RenderTargetPoolTest, ReleaseOfAPoolThatWasNeverBuiltDoesNothing)
{
    RenderTargetPool unbuilt = pool; // the same names, but not built by this object
    unbuilt.initialised = false;
    unbuilt.release();
    EXPECT_TRUE(glIsTexture(pool.texture1024A));
    EXPECT_TRUE(glIsFramebufferEXT(pool.fbo128));
}
