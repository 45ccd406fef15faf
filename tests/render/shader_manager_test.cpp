// The ShaderManager with an archive of shader-file fixtures: pairs, strays, a replacement of a
// built-in program, a program that does not compile; uniforms by name and the camera uniforms.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/render_target_pool.h"
#include "render/shader_library.h"
#include "render/shader_manager.h"

#include <gtest/gtest.h>

using namespace rendertest;

namespace {

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::string loadedLine(const std::string& name)
{
    return "ShaderManager::addShader(): Shader \"" + name + "\" loaded.\n";
}

bool openWindowAndPool()
{
    static bool open = false;
    if (!open && openWindow(shaderFilesPakPath())) {
        renderTargetPool.init();
        open = true;
    }
    return open;
}

class ShaderManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!openWindowAndPool())
            GTEST_SKIP() << "no display";
        ShaderManager::create();
    }
};

// Draws a quad over a fresh 128 target with the current program; returns the centre texel.
uint32_t renderCentre()
{
    GLuint texture = makeTexture(128, 128, rgba(0, 0, 0, 0));
    renderTargetPool.bindTextureFBO128(texture);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    drawTargetQuad();
    renderTargetPool.unbindFBO();
    uint32_t centre = readTexture(texture).at(64, 64);
    glDeleteTextures(1, &texture);
    return centre;
}

} // namespace

// Runs first: the lifecycle from before creation to a second creation.
TEST(ShaderManagerLifecycle, CreateBuildsOnceAndReleaseBeforeCreateDoesNothing)
{
    if (!openWindowAndPool())
        GTEST_SKIP() << "no display";
    LogMark beforeRelease;
    ShaderManager::release();
    EXPECT_EQ(beforeRelease.since(), "");

    LogMark mark;
    ShaderManager* manager = ShaderManager::create();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(shaderManager, manager);
    EXPECT_EQ(ShaderManager::create(), manager);
    std::string log = mark.since();
    EXPECT_EQ(count(log, "ShaderManager::create(): ShaderManager instance created\n"), 1u);
    ASSERT_EQ(log.find("ShaderManager::init() : Initializing shaders\n"), 0u) << log;
    // The built-ins first, in their order, then the files; creation is logged last.
    size_t at = 0;
    for (const BuiltInProgram& program : builtInPrograms()) {
        size_t next = log.find(loadedLine(program.name), at);
        ASSERT_NE(next, std::string::npos) << program.name;
        at = next;
    }
    size_t created = log.find("ShaderManager::init() : Shaders created\n");
    EXPECT_LT(log.find(loadedLine("pair")), created);
    EXPECT_GT(log.find(loadedLine("pair")), at);
    EXPECT_LT(created, log.find("ShaderManager::create(): ShaderManager instance created\n"));
}

TEST_F(ShaderManagerTest, EachPairIsBuiltOnceAndStrayFilesAreSkipped)
{
    std::string log = logText();
    EXPECT_EQ(count(log, loadedLine("pair")), 1u);
    EXPECT_NE(shaderManager->getShader("pair"), nullptr);
    EXPECT_NE(shaderManager->getShader("multi.part"), nullptr);
    EXPECT_EQ(shaderManager->getShader("lonely"), nullptr);
    EXPECT_EQ(shaderManager->getShader("odd"), nullptr);
    EXPECT_EQ(shaderManager->getShader("plain"), nullptr);
    EXPECT_EQ(count(log, "Warning: Malformed shader name: 'odd.geom.glsl'\n"), 1u);
    EXPECT_EQ(log.find("plain"), std::string::npos);
    EXPECT_EQ(count(log, "Warning: shader file 'lonely.frag.glsl' has no partner 'lonely.vert.glsl'; no program is "
                         "built from it\n"),
              1u);
    EXPECT_EQ(shaderManager->shaders.size(), static_cast<unsigned>(kBuiltInProgramCount) + 3);
}

TEST_F(ShaderManagerTest, AFileProgramsUniformsComeFromBothSourcesInOrder)
{
    Shader* pair = shaderManager->getShader("pair");
    ASSERT_NE(pair, nullptr);
    ASSERT_EQ(pair->uniforms.size(), 7u);
    const char* names[] = {"camPos", "camDir", "camTarget", "camUp", "gain", "tint", "gain"};
    for (unsigned i = 0; i < 7; ++i)
        EXPECT_STREQ(pair->uniforms.get(i)->name, names[i]);
    ShaderUniform* tint = pair->uniforms.get(5);
    EXPECT_EQ(tint->type, UNIFORM_VEC4);
    EXPECT_EQ(tint->max, 2.0f);
    EXPECT_EQ(tint->values.get(3), 1.0f);
    EXPECT_STREQ(pair->name, "pair");
    EXPECT_TRUE(pair->initialized);
}

TEST_F(ShaderManagerTest, APairNamedLikeABuiltInReplacesItInPlace)
{
    Shader* blurx = shaderManager->getShader("blurx");
    ASSERT_NE(blurx, nullptr);
    EXPECT_EQ(count(logText(), loadedLine("blurx")), 2u);
    ASSERT_EQ(blurx->uniforms.size(), 1u);
    EXPECT_STREQ(blurx->uniforms.get(0)->name, "replacement");

    unsigned oldProgram = blurx->program;
    shaderManager->loadShaderFiles();
    EXPECT_EQ(shaderManager->getShader("blurx"), blurx);
    EXPECT_NE(blurx->program, oldProgram);
    EXPECT_EQ(blurx->uniforms.size(), 1u);
    blurx->bind();
    EXPECT_EQ(renderCentre(), rgba(255, 0, 255, 255));
    shaderManager->unbind();
}

TEST_F(ShaderManagerTest, AProgramThatFailsToCompileIsLoggedAsSuchAndStillRegistered)
{
    Shader* broken = shaderManager->getShader("broken");
    ASSERT_NE(broken, nullptr);
    EXPECT_TRUE(broken->initialized);
    EXPECT_FALSE(broken->built);
    EXPECT_TRUE(shaderManager->getShader("pair")->built);
    std::string log = logText();
    size_t info = log.find("broken, ");
    ASSERT_NE(info, std::string::npos);
    size_t error = log.find("ERROR: shader 'broken': the fragment shader did not compile\n", info);
    EXPECT_NE(error, std::string::npos) << log.substr(info, 600);
    ASSERT_GT(error, 0u);
    EXPECT_EQ(log[error - 1], '\n') << "the info text ends its line";
    EXPECT_EQ(count(log, loadedLine("broken")), 0u);
    EXPECT_NE(log.find("ShaderManager::addShader(): Shader \"broken\" added without a working program; its draws "
                       "show nothing\n"),
              std::string::npos);
    GLint linked = 1;
    glGetObjectParameterivARB(broken->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    EXPECT_EQ(linked, 0);
}

TEST_F(ShaderManagerTest, AShaderWithoutASourceIsStillFiledUnderItsName)
{
    LogMark mark;
    Shader* shader = new Shader;
    shader->init("nosource", nullptr, "void main(){}");
    EXPECT_FALSE(shader->initialized);
    EXPECT_EQ(shader->program, 0u);
    EXPECT_TRUE(shaderManager->addShader(shader));
    EXPECT_EQ(shaderManager->getShader("nosource"), shader);
    EXPECT_EQ(mark.since(), "ERROR: couldn't init shader! fragment or vertex shader contents were missing "
                            "[nosource] \nAdded shader was not initialized\n"
                            "ShaderManager::addShader(): Shader \"nosource\" added without a working program; its "
                            "draws show nothing\n");
    EXPECT_FALSE(shaderManager->addShader(nullptr));
}

TEST_F(ShaderManagerTest, AnUnknownProgramIsNullWithoutAWord)
{
    LogMark mark;
    EXPECT_EQ(shaderManager->getShader("nothing"), nullptr);
    EXPECT_EQ(shaderManager->getShader(nullptr), nullptr);
    EXPECT_EQ(mark.since(), "");
}

TEST_F(ShaderManagerTest, SettersReportAMissingUniformOncePerNameAndProgram)
{
    Shader* pair = shaderManager->getShader("pair");
    pair->bind();
    while (glGetError() != GL_NO_ERROR) {
    }
    LogMark mark;
    EXPECT_TRUE(pair->setUniform1f("gain", 1.0f));
    EXPECT_TRUE(pair->setUniform4f("tint", 0, 0, 0, 0));
    EXPECT_EQ(mark.since(), "");
    EXPECT_FALSE(pair->setUniform1f("nope", 1.0f));
    EXPECT_FALSE(pair->setUniform2f("nope", 1.0f, 2.0f));
    EXPECT_FALSE(pair->setUniform3f("nope", 1, 2, 3));
    EXPECT_FALSE(pair->setUniform1i("nope", 1));
    EXPECT_FALSE(pair->setUniform1f("other", 1.0f));
    EXPECT_FALSE(pair->setUniform1f("other", 1.0f));
    EXPECT_EQ(mark.since(), "ERROR: can't find uniform variable 'nope' from 'pair'. Error code: '0'\n"
                            "ERROR: can't find uniform variable 'other' from 'pair'. Error code: '0'\n");
    shaderManager->unbind();
}

TEST_F(ShaderManagerTest, BindingRefreshesTheCameraUniformsFromTheEngine)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    BRAVIK_LUMENVAT::rvkLookAt(0.25f, 0.5f, 0.75f, 0.25f, 0.5f, -1.25f, 0, 1, 0);
    Shader* pair = shaderManager->getShader("pair");
    pair->bind();
    pair->setUniform1f("gain", 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EXPECT_EQ(renderCentre(), rgba(64, 128, 191, 255));

    auto uniform = [&](const char* name) {
        float v[4] = {};
        glGetUniformfvARB(pair->program, glGetUniformLocationARB(pair->program, name), v);
        return std::vector<float>(v, v + 3);
    };
    EXPECT_EQ(uniform("camPos"), (std::vector<float>{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(uniform("camTarget"), (std::vector<float>{0.25f, 0.5f, -1.25f}));
    EXPECT_EQ(uniform("camDir"), (std::vector<float>{0, 0, -1}));
    EXPECT_EQ(uniform("camUp"), (std::vector<float>{0, 1, 0}));
    shaderManager->unbind();
    GLint current = 1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(ShaderManagerTest, ReleaseDeletesEveryProgramAndTheInstance)
{
    unsigned program = shaderManager->getShader("darken")->program;
    LogMark mark;
    ShaderManager::release();
    EXPECT_EQ(shaderManager, nullptr);
    EXPECT_EQ(mark.since(), "ShaderManager::release(): Instance deleted\n");
    EXPECT_FALSE(glIsProgram(program));
    LogMark again;
    ShaderManager::release();
    EXPECT_EQ(again.since(), "");
    // A later create builds a new instance.
    ASSERT_NE(ShaderManager::create(), nullptr);
    EXPECT_NE(shaderManager->getShader("darken"), nullptr);
}
