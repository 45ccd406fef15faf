// The "spherelight" program of data/, compiled and drawn with raw GL calls in the engine's
// window: the uniforms the effect sets must be active and found by the shader manager's scan,
// the background must pass through where no sphere was drawn, and the spheres must refract and
// light it.
#include "engine_api.h"
#include "test_support.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

const int N = 128; // the square the tests draw into, in window pixels

std::string source(const char* name)
{
    std::string text;
    readFile(sourceDir() + "/data/" + name, text);
    return text;
}

// The shader manager's uniform scan: a statement (text between ';') declares a uniform when its
// first space-separated token contains "uniform"; the scan ends at the first statement whose
// first token contains "void". Returns "type name" per declaration.
std::vector<std::string> scannedUniforms(const std::string& text)
{
    std::vector<std::string> found;
    std::stringstream statements(text);
    for (std::string statement; std::getline(statements, statement, ';');) {
        std::vector<std::string> tokens;
        std::stringstream words(statement);
        for (std::string word; std::getline(words, word, ' ');)
            tokens.push_back(word);
        if (tokens.empty())
            continue;
        if (tokens[0].find("uniform") != std::string::npos && tokens[0].find("//") == std::string::npos &&
            tokens[0].find("/*") == std::string::npos) {
            std::vector<std::string> rest;
            for (size_t i = 1; i < tokens.size(); ++i)
                if (!tokens[i].empty())
                    rest.push_back(tokens[i]);
            found.push_back(rest.size() >= 2 ? rest[0] + " " + rest[1] : "?");
        } else if (tokens[0].find("void") != std::string::npos) {
            break;
        }
    }
    return found;
}

struct Gl {
    PFNGLCREATESHADERPROC createShader;
    PFNGLSHADERSOURCEPROC shaderSource;
    PFNGLCOMPILESHADERPROC compileShader;
    PFNGLGETSHADERIVPROC getShaderiv;
    PFNGLGETSHADERINFOLOGPROC getShaderInfoLog;
    PFNGLCREATEPROGRAMPROC createProgram;
    PFNGLATTACHSHADERPROC attachShader;
    PFNGLLINKPROGRAMPROC linkProgram;
    PFNGLGETPROGRAMIVPROC getProgramiv;
    PFNGLGETPROGRAMINFOLOGPROC getProgramInfoLog;
    PFNGLUSEPROGRAMPROC useProgram;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation;
    PFNGLUNIFORM1IPROC uniform1i;
    PFNGLUNIFORM1FPROC uniform1f;
    PFNGLACTIVETEXTUREPROC activeTexture;
};

template <typename F>
void fetch(F& pointer, const char* name)
{
    pointer = reinterpret_cast<F>(rvkGetProcAddress(name));
}

using Texels = std::vector<Rgba>; // N x N, row 0 first (t = 0)

Texels uniformTexels(Rgba value)
{
    return Texels(static_cast<size_t>(N) * N, value);
}

class Spherelight : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!openGLWindow(256, 256))
            return;
        fetch(gl.createShader, "glCreateShader");
        fetch(gl.shaderSource, "glShaderSource");
        fetch(gl.compileShader, "glCompileShader");
        fetch(gl.getShaderiv, "glGetShaderiv");
        fetch(gl.getShaderInfoLog, "glGetShaderInfoLog");
        fetch(gl.createProgram, "glCreateProgram");
        fetch(gl.attachShader, "glAttachShader");
        fetch(gl.linkProgram, "glLinkProgram");
        fetch(gl.getProgramiv, "glGetProgramiv");
        fetch(gl.getProgramInfoLog, "glGetProgramInfoLog");
        fetch(gl.useProgram, "glUseProgram");
        fetch(gl.getUniformLocation, "glGetUniformLocation");
        fetch(gl.uniform1i, "glUniform1i");
        fetch(gl.uniform1f, "glUniform1f");
        fetch(gl.activeTexture, "glActiveTexture");

        program = gl.createProgram();
        compiled = compile(GL_FRAGMENT_SHADER, source("spherelight.frag.glsl")) &&
                   compile(GL_VERTEX_SHADER, source("spherelight.vert.glsl"));
        gl.linkProgram(program);
        GLint status = 0;
        gl.getProgramiv(program, GL_LINK_STATUS, &status);
        char log[2048] = "";
        gl.getProgramInfoLog(program, sizeof log, nullptr, log);
        messages += log;
        linked = status == GL_TRUE;
        glGenTextures(2, textures);
    }

    void SetUp() override
    {
        if (!program)
            GTEST_SKIP() << "no display";
        ASSERT_TRUE(compiled && linked) << messages;
    }

    static bool compile(GLenum stage, const std::string& text)
    {
        GLuint shader = gl.createShader(stage);
        const char* data = text.c_str();
        gl.shaderSource(shader, 1, &data, nullptr);
        gl.compileShader(shader);
        GLint status = 0;
        gl.getShaderiv(shader, GL_COMPILE_STATUS, &status);
        char log[2048] = "";
        gl.getShaderInfoLog(shader, sizeof log, nullptr, log);
        messages += log;
        gl.attachShader(program, shader);
        return status == GL_TRUE;
    }

    static void upload(GLuint texture, const Texels& texels)
    {
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, N, N, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }

    // Draws the composite as the effect does: sphere layer on unit 0, background on unit 1, the
    // fade in the colour, one quad over the square with both texture axes flipped. Returns the
    // square's pixels, bottom row first.
    static std::vector<Rgba> draw(const Texels& spheres, const Texels& background, float fade = 1.0f)
    {
        upload(textures[0], spheres);
        upload(textures[1], background);
        glViewport(0, 0, N, N);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        rvkPerspective2D(1, 1);
        glLoadIdentity();
        gl.useProgram(program);
        gl.uniform1i(gl.getUniformLocation(program, "tex0"), 0);
        gl.uniform1i(gl.getUniformLocation(program, "tex1"), 1);
        gl.uniform1f(gl.getUniformLocation(program, "dist"), 0.0f);
        gl.activeTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textures[1]);
        gl.activeTexture(GL_TEXTURE0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textures[0]);
        glColor4f(fade, fade, fade, fade);
        glBegin(GL_QUADS);
        glTexCoord2f(1, 0);
        glVertex2f(0, 0);
        glTexCoord2f(0, 0);
        glVertex2f(1, 0);
        glTexCoord2f(0, 1);
        glVertex2f(1, 1);
        glTexCoord2f(1, 1);
        glVertex2f(0, 1);
        glEnd();
        gl.useProgram(0);
        return readPixels(0, 0, N, N);
    }

    static Gl gl;
    static GLuint program;
    static GLuint textures[2];
    static bool compiled, linked;
    static std::string messages;
};

Gl Spherelight::gl;
GLuint Spherelight::program = 0;
GLuint Spherelight::textures[2];
bool Spherelight::compiled = false, Spherelight::linked = false;
std::string Spherelight::messages;

const Rgba kNothingDrawn{128, 128, 128, 0}; // the layer's mid-grey clear in an 8-bit target
const Rgba kFacing{128, 128, 255, 255};     // a sphere seen straight on

// A background whose every texel is different: red across, green up.
Texels gradient()
{
    Texels t(static_cast<size_t>(N) * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            t[static_cast<size_t>(y) * N + x] = {static_cast<uint8_t>(2 * x), static_cast<uint8_t>(2 * y), 77, 255};
    return t;
}

TEST(SpherelightSource, DeclaresExactlyTheEffectsUniformsWhereTheScanFindsThem)
{
    EXPECT_EQ(scannedUniforms(source("spherelight.frag.glsl")),
              (std::vector<std::string>{"sampler2D tex0", "sampler2D tex1", "float dist"}));
    EXPECT_TRUE(scannedUniforms(source("spherelight.vert.glsl")).empty());
}

TEST_F(Spherelight, CompilesWithTheEffectsUniformsActive)
{
    // An inactive uniform has no location, and every frame's setUniform would log an error.
    EXPECT_NE(gl.getUniformLocation(program, "tex0"), -1);
    EXPECT_NE(gl.getUniformLocation(program, "tex1"), -1);
    EXPECT_NE(gl.getUniformLocation(program, "dist"), -1);
}

TEST_F(Spherelight, WhereNoSphereWasDrawnTheBackgroundPassesThroughTimesTheFade)
{
    Texels background = gradient();
    for (float fade : {1.0f, 0.5f}) {
        std::vector<Rgba> out = draw(uniformTexels(kNothingDrawn), background, fade);
        for (int y = 0; y < N; y += 7)
            for (int x = 0; x < N; x += 5) {
                // Flipped in s and t over a texture whose row 0 is the bottom: mirrored across.
                const Rgba& expected = background[static_cast<size_t>(y) * N + (N - 1 - x)];
                const Rgba& got = out[static_cast<size_t>(y) * N + x];
                ASSERT_NEAR(got.r, expected.r * fade, 1.5) << x << "," << y << " fade " << fade;
                ASSERT_NEAR(got.g, expected.g * fade, 1.5) << x << "," << y << " fade " << fade;
                ASSERT_NEAR(got.b, expected.b * fade, 1.5) << x << "," << y << " fade " << fade;
            }
    }
}

TEST_F(Spherelight, ASphereFacingTheViewerShowsTheBackgroundCoolerAndLit)
{
    Texels grey = uniformTexels({100, 100, 100, 255});
    Rgba water = draw(uniformTexels(kFacing), grey)[static_cast<size_t>(N / 2) * N + N / 2];
    EXPECT_GT(water.b, water.r + 10); // the blue-violet body
    EXPECT_GT(water.r, 50);           // the background still shows through
    EXPECT_LT(water.r, 150);
    EXPECT_GT(std::abs(water.r - 100) + std::abs(water.g - 100) + std::abs(water.b - 100), 15);
}

TEST_F(Spherelight, ASphereIsLitFromTheUpperLeftOfTheScreen)
{
    // One upright sphere sprite as the sphere layer holds it (rows run up the picture).
    Texels sphere = uniformTexels(kNothingDrawn);
    const float radius = 48.0f;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            float dx = (x + 0.5f - N / 2) / radius, dy = (y + 0.5f - N / 2) / radius;
            float rr = dx * dx + dy * dy;
            if (rr < 1.0f)
                sphere[static_cast<size_t>(y) * N + x] = {static_cast<uint8_t>(127.5f + 127.5f * dx),
                                                          static_cast<uint8_t>(127.5f + 127.5f * dy),
                                                          static_cast<uint8_t>(127.5f + 127.5f * std::sqrt(1 - rr)), 255};
        }
    std::vector<Rgba> out = draw(sphere, uniformTexels({20, 20, 30, 255}));
    int best = 0, bestX = 0, bestY = 0;
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const Rgba& p = out[static_cast<size_t>(y) * N + x];
            if (p.r + p.g + p.b > best)
                best = p.r + p.g + p.b, bestX = x, bestY = y;
        }
    EXPECT_GT(best, 600); // a highlight, not just the tinted background
    EXPECT_LT(bestX, N / 2 - 4);
    EXPECT_GT(bestY, N / 2 + 4); // rows of the read-back run up the screen
}

// A background dark in the left half of the texture, bright in the right; the green channel
// (refracted without dispersion) shows where the edge lands on screen.
int edgeColumn(const std::vector<Rgba>& out)
{
    const Rgba* row = &out[static_cast<size_t>(N / 2) * N];
    for (int x = 0; x < N; ++x)
        if (row[x].g < 100)
            return x; // on screen the bright half is on the left
    return N;
}

TEST_F(Spherelight, OppositeSlopesDisplaceTheBackgroundOppositeWays)
{
    Texels halves(static_cast<size_t>(N) * N);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            halves[static_cast<size_t>(y) * N + x] = x < N / 2 ? Rgba{0, 0, 0, 255} : Rgba{255, 255, 255, 255};

    int straight = edgeColumn(draw(uniformTexels(kFacing), halves));
    int right = edgeColumn(draw(uniformTexels({204, 128, 230, 255}), halves)); // stored n = (0.6, 0, 0.8)
    int left = edgeColumn(draw(uniformTexels({51, 128, 230, 255}), halves));   // stored n = (-0.6, 0, 0.8)
    EXPECT_NEAR(straight, N / 2, 1);
    EXPECT_GE(std::abs(right - straight), 2);
    EXPECT_GE(std::abs(left - straight), 2);
    EXPECT_LT((right - straight) * (left - straight), 0) << right << " " << straight << " " << left;
}

TEST_F(Spherelight, PartialCoverageBlendsBetweenBackgroundAndSphere)
{
    Texels background = uniformTexels({40, 120, 200, 255});
    auto centre = [](const std::vector<Rgba>& out) { return out[static_cast<size_t>(N / 2) * N + N / 2]; };
    Rgba none = centre(draw(uniformTexels(kNothingDrawn), background));
    Rgba full = centre(draw(uniformTexels(kFacing), background));
    Rgba half = centre(draw(uniformTexels({128, 128, 192, 128}), background));
    for (auto channel : {&Rgba::r, &Rgba::g, &Rgba::b}) {
        int low = std::min(none.*channel, full.*channel), high = std::max(none.*channel, full.*channel);
        EXPECT_GE(half.*channel, low - 2);
        EXPECT_LE(half.*channel, high + 2);
    }
    EXPECT_NE(half.b, none.b);
    EXPECT_NE(half.b, full.b);
}

} // namespace
