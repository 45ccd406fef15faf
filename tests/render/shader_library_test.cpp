// The built-in programs: what the uniform scan registers for each, and what each computes,
// rendered over a pool target from known inputs and read back.
#include "render_test_support.h"

#include "engine_api.h"
#include "render/render_target_pool.h"
#include "render/shader_library.h"
#include "render/shader_manager.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace rendertest;

namespace {

class ShaderLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!openRenderer())
            GTEST_SKIP() << "no display";
    }
};

const char* typeName(UniformType type)
{
    static const char* const kNames[] = {"float", "vec2", "vec3", "vec4", "sampler2D", "samplerCube", "other"};
    return kNames[type];
}

std::string registered(const Shader& shader)
{
    std::string list;
    for (unsigned i = 0; i < shader.uniforms.size(); ++i) {
        const ShaderUniform* u = shader.uniforms.get(i);
        list += (i ? ", " : "") + std::string(typeName(u->type)) + " " + u->name;
    }
    return list;
}

void quadOverTarget()
{
    BRAVIK_LUMENVAT::rvkPerspective2D(1, 1);
    glLoadIdentity();
    const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        glMultiTexCoord2fARB(GL_TEXTURE0_ARB, c[0], c[1]);
        glMultiTexCoord2fARB(GL_TEXTURE1_ARB, c[0], c[1]);
        glVertex2f(c[0], c[1]);
    }
    glEnd();
}

struct Pass {
    std::vector<GLuint> textures; // on units 0, 1, 2 ...
    std::function<void(Shader&)> uniforms = [](Shader&) {};
    int size = 128;
    std::function<void()> draw = quadOverTarget;
    uint32_t clear = rgba(0, 0, 0, 0);
};

// Draws with the program over a fresh target of run.size and returns the target's image.
Image render(const char* program, const Pass& run)
{
    Shader* shader = shaderManager->getShader(program);
    EXPECT_NE(shader, nullptr) << program;
    if (!shader)
        return Image();
    GLuint target = makeTexture(run.size, run.size, rgba(0, 0, 0, 0));
    if (run.size == 1024)
        renderTargetPool.bindTextureFBO1024(target, true);
    else
        renderTargetPool.bindTextureFBO128(target);
    glClearColor(red(run.clear) / 255.0f, green(run.clear) / 255.0f, blue(run.clear) / 255.0f,
                 alpha(run.clear) / 255.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    for (size_t i = 0; i < run.textures.size(); ++i) {
        glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(i));
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, run.textures[i]);
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    shader->bind();
    run.uniforms(*shader);
    run.draw();
    shaderManager->unbind();
    for (size_t i = run.textures.size(); i-- > 1;) {
        glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(i));
        glDisable(GL_TEXTURE_2D);
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    renderTargetPool.unbindFBO();
    Image image = readTexture(target);
    glDeleteTextures(1, &target);
    return image;
}

GLuint nearest(GLuint texture)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return texture;
}

// A texture whose texel colour is chosen per texel, bottom row first.
GLuint texture(int size, const std::function<uint32_t(int x, int y)>& texelAt)
{
    std::vector<uint32_t> texels(static_cast<size_t>(size) * size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            texels[static_cast<size_t>(y) * size + x] = texelAt(x, y);
    return nearest(makeTexture(size, size, texels));
}

// Quadrants: bottom left red, bottom right green, top left blue, top right white.
uint32_t quadrant(int x, int y, int size)
{
    bool right = x >= size / 2, top = y >= size / 2;
    return top ? (right ? rgba(255, 255, 255, 255) : rgba(0, 0, 255, 255))
               : (right ? rgba(0, 255, 0, 255) : rgba(255, 0, 0, 255));
}

void expectTexel(uint32_t actual, int r, int g, int b, int a, int tolerance = 1)
{
    EXPECT_NEAR(red(actual), r, tolerance);
    EXPECT_NEAR(green(actual), g, tolerance);
    EXPECT_NEAR(blue(actual), b, tolerance);
    EXPECT_NEAR(alpha(actual), a, tolerance);
}

} // namespace

TEST_F(ShaderLibraryTest, TheScanRegistersExactlyEachProgramsList)
{
    const std::map<std::string, std::string> expected = {
        {"synkka", "sampler2D tex0, sampler2D tex1, sampler2D tex2, float fade, float jokuvitunkerroin, float time, "
                   "float scale, float time, vec3 lightDir"},
        {"savupre", "sampler2D tex0"},
        {"mixaa", "sampler2D tex1, sampler2D tex2"},
        {"lightray", "sampler2D caustic, other shadowMap"},
        {"color", "sampler2D tex, float saturate, float brightness, float contrast"},
        {"sindistort", "sampler2D tex, float xfreq, float yfreq, float xphase, float yphase, float xamp, float yamp, "
                       "float alpha"},
        {"chrome", "sampler2D tex, other times"},
        {"meta", "sampler2D tex, other times"},
        {"blurx", "sampler2D tex, float alpha, float xoff"},
        {"blury", "sampler2D tex, float alpha, float yoff"},
        {"blur2x", "sampler2D tex, float alpha, float xoff"},
        {"blur2y", "sampler2D tex, float alpha, float yoff"},
        {"blur2xNoBleed", "sampler2D tex, sampler2D depthCompare, float alpha, float xoff"},
        {"blur2yNoBleed", "sampler2D tex, sampler2D depthCompare, float alpha, float yoff"},
        {"darken", "sampler2D tex, float alpha"},
        {"glowc", "sampler2D texunit0, sampler2D texunit1, float glow_amount"},
        {"edge", "sampler2D tex"},
        {"invert", "sampler2D texunit0, float invert_amount, float alpha"},
        {"blackwhite", "sampler2D tex, float threshold"},
        {"dof", "sampler2D texunit0, sampler2D texunit1, sampler2D texunit2, float near, float focus, float far"},
        {"ssao", "float offset, float falloff, float radius, sampler2D texunit0, sampler2D texunit1, sampler2D "
                 "texunit2"},
        {"ssaoCombine", "sampler2D texunit0, sampler2D texunit1, sampler2D texunit2"},
        {"shadowmap", "other shadowMap"},
        {"projectTexture", "sampler2D tex"},
    };
    ASSERT_EQ(expected.size(), static_cast<size_t>(kBuiltInProgramCount));
    for (const BuiltInProgram& program : builtInPrograms()) {
        Shader* shader = shaderManager->getShader(program.name);
        ASSERT_NE(shader, nullptr) << program.name;
        EXPECT_EQ(registered(*shader), expected.at(program.name)) << program.name;
    }
}

TEST_F(ShaderLibraryTest, EveryProgramCompilesAndLinksWithoutAWord)
{
    for (const BuiltInProgram& program : builtInPrograms()) {
        Shader* shader = shaderManager->getShader(program.name);
        GLint linked = 0;
        glGetObjectParameterivARB(shader->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
        EXPECT_EQ(linked, 1) << program.name;
        EXPECT_TRUE(shader->initialized);
        EXPECT_EQ(logText().find(std::string(program.name) + ", "), std::string::npos) << program.name;
    }
}

TEST_F(ShaderLibraryTest, SynkkasLightDirectionCarriesItsAnnotatedRange)
{
    Shader* synkka = shaderManager->getShader("synkka");
    const ShaderUniform* lightDir = synkka->uniforms.get(synkka->uniforms.size() - 1);
    EXPECT_STREQ(lightDir->name, "lightDir");
    EXPECT_FLOAT_EQ(lightDir->min, -1.24f);
    EXPECT_FLOAT_EQ(lightDir->max, 168912.3f);
    for (unsigned i = 0; i < 4; ++i)
        EXPECT_EQ(lightDir->values.get(i), 84455.53125f);
}

TEST_F(ShaderLibraryTest, SynkkaScalesTheTextureByFade)
{
    GLuint white = makeTexture(128, 128, rgba(255, 255, 255, 255));
    for (float fade : {1.0f, 0.5f, 0.0f}) {
        Image out = render("synkka", {{white, white, white}, [fade](Shader& s) {
                                          s.setUniform1i("tex0", 0);
                                          s.setUniform1i("tex1", 1);
                                          s.setUniform1i("tex2", 2);
                                          s.setUniform1f("fade", fade);
                                          s.setUniform1f("jokuvitunkerroin", 1);
                                          s.setUniform1f("time", 0);
                                          s.setUniform1f("scale", 0);
                                          s.setUniform3f("lightDir", 0, 0, 1);
                                      }});
        int v = static_cast<int>(fade * 255 + 0.5f);
        expectTexel(out.at(64, 64), v, v, v, v);
    }
}

TEST_F(ShaderLibraryTest, SavupreWritesDepthWhereTheSpriteIsOpaqueAndDiscardsElsewhere)
{
    GLuint sprite = texture(128, [](int x, int) { return x < 64 ? rgba(255, 255, 255, 0) : rgba(9, 9, 9, 255); });
    Pass run{{sprite}, [](Shader& s) { s.setUniform1i("tex0", 0); }};
    run.clear = rgba(255, 0, 0, 255);
    run.draw = [] {
        BRAVIK_LUMENVAT::rvkPerspective2D(1, 1);
        glLoadIdentity();
        glTranslatef(0, 0, -0.5f); // normalised depth 0.5 under the 2D projection
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        glBegin(GL_QUADS);
        for (const auto& c : corners) {
            glTexCoord2f(c[0], c[1]);
            glVertex2f(c[0], c[1]);
        }
        glEnd();
        glLoadIdentity();
    };
    Image out = render("savupre", run);
    expectTexel(out.at(10, 64), 255, 0, 0, 255, 0);
    expectTexel(out.at(100, 64), 128, 128, 128, 128);
}

TEST_F(ShaderLibraryTest, MixaaAveragesTwoTexturesWithTheirOwnCoordinates)
{
    GLuint redTexture = makeTexture(128, 128, rgba(255, 0, 0, 255));
    GLuint split = texture(128, [](int x, int) { return x < 64 ? rgba(0, 0, 255, 255) : rgba(0, 255, 0, 255); });
    Pass run{{redTexture, split}, [](Shader& s) {
                s.setUniform1i("tex1", 0);
                s.setUniform1i("tex2", 1);
            }};
    run.draw = [] { // unit 1 mirrored left to right
        BRAVIK_LUMENVAT::rvkPerspective2D(1, 1);
        glLoadIdentity();
        const float corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        glBegin(GL_QUADS);
        for (const auto& c : corners) {
            glMultiTexCoord2fARB(GL_TEXTURE0_ARB, c[0], c[1]);
            glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 1 - c[0], c[1]);
            glVertex2f(c[0], c[1]);
        }
        glEnd();
    };
    Image out = render("mixaa", run);
    expectTexel(out.at(10, 64), 128, 128, 0, 255);
    expectTexel(out.at(120, 64), 128, 0, 128, 255);
}

TEST_F(ShaderLibraryTest, LightrayTintsTheCausticTexture)
{
    GLuint white = makeTexture(128, 128, rgba(255, 255, 255, 255));
    Image out = render("lightray", {{white}, [](Shader& s) { s.setUniform1i("caustic", 0); }});
    expectTexel(out.at(64, 64), 26, 26, 26, 255);
}

TEST_F(ShaderLibraryTest, ColorAppliesSaturationContrastAndBrightness)
{
    GLuint grey = makeTexture(128, 128, rgba(128, 128, 128, 255));
    GLuint dark = makeTexture(128, 128, rgba(204, 0, 0, 255));
    auto withUniforms = [](float saturate, float contrast, float brightness) {
        return [=](Shader& s) {
            s.setUniform1i("tex", 0);
            s.setUniform1f("saturate", saturate);
            s.setUniform1f("contrast", contrast);
            s.setUniform1f("brightness", brightness);
        };
    };
    expectTexel(render("color", {{grey}, withUniforms(1, 1, 1)}).at(5, 5) | 0xFF000000u, 128, 128, 128, 255);
    // Without contrast every colour keeps its hue at the mid-grey length.
    expectTexel(render("color", {{dark}, withUniforms(1, 0, 1)}).at(5, 5) | 0xFF000000u, 221, 3, 3, 255);
    expectTexel(render("color", {{dark}, withUniforms(1, 0, 0.5f)}).at(5, 5) | 0xFF000000u, 110, 1, 1, 255);
    // Saturation 0 makes every channel equal.
    expectTexel(render("color", {{dark}, withUniforms(0, 0, 1)}).at(5, 5) | 0xFF000000u, 128, 128, 128, 255);
}

TEST_F(ShaderLibraryTest, SindistortIsTheIdentityWithoutWavesAndShiftsByItsPhases)
{
    GLuint quads = texture(128, [](int x, int y) { return quadrant(x, y, 128); });
    auto uniforms = [](float yphase, float alphaValue) {
        return [=](Shader& s) {
            s.setUniform1i("tex", 0);
            s.setUniform1f("xfreq", 1);
            s.setUniform1f("yfreq", 1);
            s.setUniform1f("xphase", 0);
            s.setUniform1f("yphase", yphase);
            s.setUniform1f("xamp", 0);
            s.setUniform1f("yamp", 0);
            s.setUniform1f("alpha", alphaValue);
        };
    };
    Image same = render("sindistort", {{quads}, uniforms(0, 1)});
    EXPECT_EQ(same.at(20, 20), rgba(255, 0, 0, 255));
    EXPECT_EQ(same.at(100, 100), rgba(255, 255, 255, 255));
    Image shifted = render("sindistort", {{quads}, uniforms(0.5f, 0.5f)});
    expectTexel(shifted.at(20, 20), 0, 128, 0, 128); // s + 0.5 reads the bottom right quadrant
}

TEST_F(ShaderLibraryTest, ChromeFoldsEachChannelThroughASineAndMetaCopies)
{
    GLuint input = makeTexture(128, 128, rgba(128, 0, 255, 128));
    auto tex = [](Shader& s) { s.setUniform1i("tex", 0); };
    expectTexel(render("chrome", {{input}, tex}).at(64, 64), 255, 0, 0, 128);
    EXPECT_EQ(render("meta", {{input}, tex}).at(64, 64), rgba(128, 0, 255, 128));
}

TEST_F(ShaderLibraryTest, BlurxAndBluryBrightenAUniformImageByTwentyPercent)
{
    GLuint grey = makeTexture(128, 128, rgba(128, 128, 128, 128));
    for (const char* program : {"blurx", "blury"}) {
        SCOPED_TRACE(program);
        auto uniforms = [](float alphaValue) {
            return [=](Shader& s) {
                s.setUniform1i("tex", 0);
                s.setUniform1f("alpha", alphaValue);
                s.setUniform1f("xoff", 1 / 128.0f);
                s.setUniform1f("yoff", 1 / 128.0f);
            };
        };
        expectTexel(render(program, {{grey}, uniforms(1)}).at(64, 64), 154, 154, 154, 154);
        expectTexel(render(program, {{grey}, uniforms(0.5f)}).at(64, 64), 77, 77, 77, 77);
    }
}

TEST_F(ShaderLibraryTest, Blur2xKeepsTheBrightnessAndTheCentreAlpha)
{
    GLuint stripes = texture(128, [](int x, int) { return rgba(128, 128, 128, x % 2 ? 255 : 0); });
    Image out = render("blur2x", {{stripes}, [](Shader& s) {
                                      s.setUniform1i("tex", 0);
                                      s.setUniform1f("alpha", 1);
                                      s.setUniform1f("xoff", 1 / 128.0f);
                                  }});
    expectTexel(out.at(63, 64), 128, 128, 128, 255);
    expectTexel(out.at(64, 64), 128, 128, 128, 0);
}

TEST_F(ShaderLibraryTest, Blur2NoBleedWeighsTapsByTheirDepthAgainstTheCentre)
{
    // Left half black and near (alpha 0.2), right half white and far (alpha 0.8).
    GLuint colour = texture(128, [](int x, int) { return x < 64 ? rgba(0, 0, 0, 255) : rgba(255, 255, 255, 255); });
    GLuint depth = texture(128, [](int x, int) { return rgba(0, 0, 0, x < 64 ? 51 : 204); });
    Image out = render("blur2xNoBleed", {{colour, depth}, [](Shader& s) {
                                             s.setUniform1i("tex", 0);
                                             s.setUniform1i("depthCompare", 1);
                                             s.setUniform1f("xoff", 1 / 128.0f);
                                         }});
    // Last near texel: the two far taps count twice, 2 x (0.2 + 0.1).
    expectTexel(out.at(63, 64), 153, 153, 153, 255);
    // First far texel: the two near taps count for nothing, 0.4 + 0.2 + 0.1.
    expectTexel(out.at(64, 64), 179, 179, 179, 255);
    expectTexel(out.at(10, 64), 0, 0, 0, 255);
    expectTexel(out.at(110, 64), 255, 255, 255, 255);

    GLuint rows = texture(128, [](int, int y) { return y < 64 ? rgba(0, 0, 0, 255) : rgba(255, 255, 255, 255); });
    GLuint rowDepth = texture(128, [](int, int y) { return rgba(0, 0, 0, y < 64 ? 51 : 204); });
    Image vertical = render("blur2yNoBleed", {{rows, rowDepth}, [](Shader& s) {
                                                  s.setUniform1i("tex", 0);
                                                  s.setUniform1i("depthCompare", 1);
                                                  s.setUniform1f("yoff", 1 / 128.0f);
                                              }});
    expectTexel(vertical.at(64, 63), 153, 153, 153, 255);
    expectTexel(vertical.at(64, 64), 179, 179, 179, 255);
}

TEST_F(ShaderLibraryTest, DarkenSquaresEveryChannelTimesAlpha)
{
    GLuint grey = makeTexture(128, 128, rgba(128, 128, 128, 128));
    Image out = render("darken", {{grey}, [](Shader& s) {
                                      s.setUniform1i("tex", 0);
                                      s.setUniform1f("alpha", 1);
                                  }});
    expectTexel(out.at(64, 64), 64, 64, 64, 64);
    Image black = render("darken", {{grey}, [](Shader& s) {
                                        s.setUniform1i("tex", 0);
                                        s.setUniform1f("alpha", 0);
                                    }});
    EXPECT_EQ(black.at(64, 64), rgba(0, 0, 0, 0));
}

TEST_F(ShaderLibraryTest, GlowcAddsTheSecondTextureScaled)
{
    GLuint base = makeTexture(128, 128, rgba(51, 51, 51, 255));
    GLuint glow = makeTexture(128, 128, rgba(102, 102, 102, 255));
    Image out = render("glowc", {{base, glow}, [](Shader& s) {
                                     s.setUniform1i("texunit0", 0);
                                     s.setUniform1i("texunit1", 1);
                                     s.setUniform1f("glow_amount", 0.5f);
                                 }});
    expectTexel(out.at(64, 64), 102, 102, 102, 255);
}

TEST_F(ShaderLibraryTest, EdgeMarksAStepOnlyOnceSavyIsSet)
{
    GLuint step = texture(1024, [](int x, int) { return x < 512 ? rgba(0, 0, 0, 255) : rgba(255, 255, 255, 255); });
    auto uniforms = [](bool setSavy) {
        return [=](Shader& s) {
            s.setUniform1i("tex", 0);
            if (setSavy)
                s.setUniform1f("savy", 1);
        };
    };
    // savy is not registered and starts at 0: until a caller sets it, the program draws nothing.
    Pass run{{step}, uniforms(false), 1024};
    EXPECT_EQ(render("edge", run).at(511, 300), rgba(0, 0, 0, 0));
    run.uniforms = uniforms(true);
    Image out = render("edge", run);
    EXPECT_EQ(out.at(511, 300), rgba(255, 255, 255, 255));
    EXPECT_EQ(out.at(512, 300), rgba(255, 255, 255, 255));
    EXPECT_EQ(out.at(100, 300), rgba(0, 0, 0, 0));
    EXPECT_EQ(out.at(900, 300), rgba(0, 0, 0, 0));
}

TEST_F(ShaderLibraryTest, InvertBlendsTowardsTheNegativeAndScalesByAlpha)
{
    GLuint input = makeTexture(128, 128, rgba(51, 153, 255, 255));
    auto uniforms = [](float amount, float alphaValue) {
        return [=](Shader& s) {
            s.setUniform1i("texunit0", 0);
            s.setUniform1f("invert_amount", amount);
            s.setUniform1f("alpha", alphaValue);
        };
    };
    expectTexel(render("invert", {{input}, uniforms(0.25f, 1)}).at(64, 64), 89, 140, 191, 255);
    expectTexel(render("invert", {{input}, uniforms(1, 0.5f)}).at(64, 64), 102, 51, 0, 128);
}

TEST_F(ShaderLibraryTest, BlackwhiteIsOpaqueGreenWhateverItsInput)
{
    GLuint input = makeTexture(128, 128, rgba(200, 10, 30, 40));
    Image out = render("blackwhite", {{input}, [](Shader& s) {
                                          s.setUniform1i("tex", 0);
                                          s.setUniform1f("threshold", 0.5f);
                                      }});
    EXPECT_EQ(out.at(0, 0), rgba(0, 255, 0, 255));
    EXPECT_EQ(out.at(127, 127), rgba(0, 255, 0, 255));
}

TEST_F(ShaderLibraryTest, DofIsSharpAtTheFocusAndBlurredTowardsNearAndFar)
{
    GLuint sharp = makeTexture(128, 128, rgba(255, 0, 0, 255));
    GLuint blurred = makeTexture(128, 128, rgba(0, 0, 255, 255));
    const int depths[4] = {0, 64, 128, 255}; // 0, 0.25, 0.5, 1 in four column bands
    GLuint depth = texture(128, [&](int x, int) {
        int d = depths[x / 32];
        return rgba(d, d, d, 255);
    });
    Image out = render("dof", {{sharp, blurred, depth}, [](Shader& s) {
                                   s.setUniform1i("texunit0", 0);
                                   s.setUniform1i("texunit1", 1);
                                   s.setUniform1i("texunit2", 2);
                                   s.setUniform1f("near", 0);
                                   s.setUniform1f("focus", 128 / 255.0f);
                                   s.setUniform1f("far", 1);
                               }});
    expectTexel(out.at(16, 64), 0, 0, 255, 255);
    expectTexel(out.at(48, 64), 128, 0, 127, 255, 2);
    expectTexel(out.at(80, 64), 255, 0, 0, 255);
    expectTexel(out.at(112, 64), 0, 0, 255, 255);
}

TEST_F(ShaderLibraryTest, SsaoLeavesFlatDepthUnoccludedAndDarkensBesideANearerSurface)
{
    GLuint randomNormals = makeTexture(128, 128, rgba(128, 128, 255, 255));
    auto uniforms = [](Shader& s) {
        s.setUniform1i("texunit0", 0);
        s.setUniform1i("texunit1", 1);
        s.setUniform1i("texunit2", 2);
        s.setUniform1f("offset", 1);
        s.setUniform1f("falloff", 0.001f);
        s.setUniform1f("radius", 0.05f);
        s.setUniform1f("strength", 1);
    };
    // Normals in xyz, depth in alpha.
    GLuint flat = makeTexture(128, 128, rgba(0, 0, 255, 128));
    Image open = render("ssao", {{flat, flat, randomNormals}, uniforms});
    expectTexel(open.at(64, 64), 255, 255, 255, 255);
    expectTexel(open.at(2, 125), 255, 255, 255, 255);

    // Left: a near surface facing sideways; right: a far one facing the viewer.
    GLuint step = texture(128, [](int x, int) { return x < 64 ? rgba(255, 0, 0, 51) : rgba(0, 0, 255, 204); });
    Image occluded = render("ssao", {{step, step, randomNormals}, uniforms});
    EXPECT_LT(red(occluded.at(66, 64)), 250);
    expectTexel(occluded.at(120, 64), 255, 255, 255, 255);
}

TEST_F(ShaderLibraryTest, SsaoCombineMultipliesTheFirstTwoUnits)
{
    GLuint a = makeTexture(128, 128, rgba(128, 255, 128, 255));
    GLuint b = makeTexture(128, 128, rgba(128, 128, 255, 255));
    GLuint unused = makeTexture(128, 128, rgba(0, 0, 0, 0));
    Image out = render("ssaoCombine", {{a, b, unused}, [](Shader& s) {
                                           s.setUniform1i("texunit0", 0);
                                           s.setUniform1i("texunit1", 1);
                                           s.setUniform1i("texunit2", 2);
                                       }});
    expectTexel(out.at(64, 64), 64, 128, 128, 255);
}

TEST_F(ShaderLibraryTest, ShadowmapComparesTheProjectedDepth)
{
    GLuint depth = 0;
    glGenTextures(1, &depth);
    glBindTexture(GL_TEXTURE_2D, depth);
    std::vector<float> half(128 * 128, 0.5f);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, 128, 128, 0, GL_DEPTH_COMPONENT, GL_FLOAT, half.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
    for (float r : {0.25f, 0.75f}) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glTranslatef(0, 0, r);
        glMatrixMode(GL_MODELVIEW);
        Image out = render("shadowmap", {{depth}, [](Shader& s) { s.setUniform1i("shadowMap", 0); }});
        int v = r < 0.5f ? 255 : 0;
        expectTexel(out.at(64, 64), v, v, v, v, 0);
    }
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(ShaderLibraryTest, ProjectTextureLooksUpThroughTheTextureMatrix)
{
    GLuint quads = texture(128, [](int x, int y) { return quadrant(x, y, 128); });
    auto tex = [](Shader& s) { s.setUniform1i("tex", 0); };
    Image straight = render("projectTexture", {{quads}, tex});
    EXPECT_EQ(straight.at(20, 20), rgba(255, 0, 0, 255));
    EXPECT_EQ(straight.at(100, 20), rgba(0, 255, 0, 255));
    EXPECT_EQ(straight.at(20, 100), rgba(0, 0, 255, 255));

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 1);
    glMatrixMode(GL_MODELVIEW);
    Image scaled = render("projectTexture", {{quads}, tex});
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(scaled.at(20, 20), rgba(255, 0, 0, 255));
    EXPECT_EQ(scaled.at(120, 120), rgba(255, 0, 0, 255));
}
