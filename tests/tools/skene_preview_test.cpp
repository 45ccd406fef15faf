// skene_preview_test.cpp - the generated scene drawn through real GL with its own material
// programs, from the views of the five effects that show it.
//
// The drawing follows the production's path: every mesh under its node's matrix, its material's
// program bound, its uniforms and textures set from the material file, then the eight GL lights
// placed in that same modelview by the light pattern of the drawing effect, fog density in the fog
// start. The frames are written to build/skene_preview/ for people to look at.
#include "render/helpers.h"
#include "skene_reader.h"
#include "skene_views.h"
#include "test_support.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <sys/stat.h>

using namespace BRAVIK_LUMENVAT;
using namespace skenetest;

namespace {

const int kWidth = 480, kHeight = 270;

struct GlslApi {
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
    PFNGLUNIFORM1FPROC uniform1f;
    PFNGLUNIFORM2FPROC uniform2f;
    PFNGLUNIFORM3FPROC uniform3f;
    PFNGLUNIFORM4FPROC uniform4f;
    PFNGLUNIFORM1IPROC uniform1i;
    PFNGLACTIVETEXTUREPROC activeTexture;
};

template <class T> void load(T& f, const char* name) { f = reinterpret_cast<T>(rvkGetProcAddress(name)); }

GlslApi loadApi()
{
    GlslApi a{};
    load(a.createShader, "glCreateShader");
    load(a.shaderSource, "glShaderSource");
    load(a.compileShader, "glCompileShader");
    load(a.getShaderiv, "glGetShaderiv");
    load(a.getShaderInfoLog, "glGetShaderInfoLog");
    load(a.createProgram, "glCreateProgram");
    load(a.attachShader, "glAttachShader");
    load(a.linkProgram, "glLinkProgram");
    load(a.getProgramiv, "glGetProgramiv");
    load(a.getProgramInfoLog, "glGetProgramInfoLog");
    load(a.useProgram, "glUseProgram");
    load(a.getUniformLocation, "glGetUniformLocation");
    load(a.uniform1f, "glUniform1f");
    load(a.uniform2f, "glUniform2f");
    load(a.uniform3f, "glUniform3f");
    load(a.uniform4f, "glUniform4f");
    load(a.uniform1i, "glUniform1i");
    load(a.activeTexture, "glActiveTexture");
    return a;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string contentPath(const std::string& name) { return testsupport::binaryDir() + "/content/" + name; }

// Uniform names as the production's shader manager registers them: a declaration counts only
// when its statement's first space-separated token holds "uniform"; the scan ends at the first
// statement whose first token holds "void".
struct Declared {
    std::string name, type;
};
std::vector<Declared> scannedUniforms(const std::string& source)
{
    std::vector<Declared> out;
    std::string statement;
    std::istringstream statements(source);
    while (std::getline(statements, statement, ';')) {
        std::vector<std::string> tokens;
        size_t start = 0;
        for (size_t i = 0; i <= statement.size(); ++i)
            if (i == statement.size() || statement[i] == ' ') {
                tokens.push_back(statement.substr(start, i - start));
                start = i + 1;
            }
        const std::string& first = tokens[0];
        if (first.find("uniform") != std::string::npos && first.find("//") == std::string::npos &&
            first.find("/*") == std::string::npos) {
            std::vector<std::string> words;
            for (size_t i = 1; i < tokens.size() && words.size() < 2; ++i)
                if (!tokens[i].empty())
                    words.push_back(tokens[i]);
            if (words.size() < 2)
                continue;
            std::string name = words[1];
            if (name.find('/') != std::string::npos)
                while (!name.empty() && std::string("/*_1234567890.-").find(name.back()) != std::string::npos)
                    name.pop_back();
            out.push_back({name, words[0]});
        } else if (first.find("void") != std::string::npos) {
            break;
        }
    }
    return out;
}

struct Material {
    std::string key, program;
    std::vector<std::pair<std::string, std::vector<float>>> floats;
    std::vector<std::pair<std::string, std::string>> textures;
    std::vector<Declared> uniforms; // fragment first, then vertex, as the manager lists them
    GLuint handle = 0;
    std::string log;
};

bool compile(const GlslApi& gl, GLenum kind, const std::string& source, GLuint& shader, std::string& log)
{
    shader = gl.createShader(kind);
    const char* text = source.c_str();
    gl.shaderSource(shader, 1, &text, nullptr);
    gl.compileShader(shader);
    GLint ok = 0;
    gl.getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    char buffer[2048] = {};
    gl.getShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
    log += buffer;
    return ok != 0;
}

bool buildProgram(const GlslApi& gl, Material& m)
{
    std::string frag = readText(testsupport::sourceDir() + "/data/" + m.program + ".frag.glsl");
    std::string vert = readText(testsupport::sourceDir() + "/data/" + m.program + ".vert.glsl");
    m.uniforms = scannedUniforms(frag);
    for (const Declared& d : scannedUniforms(vert))
        m.uniforms.push_back(d);
    GLuint vs, fs;
    bool ok = compile(gl, GL_VERTEX_SHADER, vert, vs, m.log);
    ok = compile(gl, GL_FRAGMENT_SHADER, frag, fs, m.log) && ok;
    m.handle = gl.createProgram();
    gl.attachShader(m.handle, vs);
    gl.attachShader(m.handle, fs);
    gl.linkProgram(m.handle);
    GLint linked = 0;
    gl.getProgramiv(m.handle, GL_LINK_STATUS, &linked);
    char buffer[2048] = {};
    gl.getProgramInfoLog(m.handle, sizeof buffer, nullptr, buffer);
    m.log += buffer;
    return ok && linked;
}

// Materials by the COLLADA symbol that the bindings file maps to them.
std::map<std::string, Material> readMaterials()
{
    std::map<std::string, Material> out;
    TiXmlDocument bindings;
    if (!bindings.LoadFile(contentPath("skene.material_bindings.xml").c_str()))
        return out;
    for (const TiXmlElement* b = bindings.RootElement()->FirstChildElement("Binding"); b;
         b = b->NextSiblingElement("Binding")) {
        Material m;
        m.key = b->Attribute("Material");
        TiXmlDocument file;
        if (!file.LoadFile(contentPath(m.key + ".material.xml").c_str()))
            continue;
        const TiXmlElement* root = file.RootElement();
        m.program = root->FirstChildElement("Shader")->Attribute("file");
        for (const TiXmlElement* e = root->FirstChildElement("Parameters")->FirstChildElement(); e;
             e = e->NextSiblingElement()) {
            std::string tag = e->Value();
            if (tag == "Float") {
                std::vector<float> values;
                for (const char* v : {"Value1", "Value2", "Value3", "Value4"})
                    if (e->Attribute(v))
                        values.push_back(static_cast<float>(std::atof(e->Attribute(v))));
                m.floats.push_back({e->Attribute("name"), values});
            } else if (tag == "Texture") {
                m.textures.push_back({e->Attribute("name"), e->Attribute("file")});
            }
        }
        out[b->Attribute("MaterialType")] = m;
    }
    return out;
}

class ScenePreview : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ready = testsupport::openGLWindow(kWidth, kHeight, testsupport::builtPakPath()) &&
                skenetest::readDocument(contentPath("skene_ao_materials_fixd.dae"), document);
        if (!ready)
            return;
        gl = loadApi();
        materials = readMaterials();
        for (auto& entry : materials)
            buildProgram(gl, entry.second);
    }

    void SetUp() override
    {
        if (!ready)
            GTEST_SKIP() << "no display";
    }

    static void applyMaterial(const Material& m, const View& view)
    {
        gl.useProgram(m.handle);
        for (const auto& f : m.floats) {
            GLint at = gl.getUniformLocation(m.handle, f.first.c_str());
            const std::vector<float>& v = f.second;
            if (v.size() == 1)
                gl.uniform1f(at, v[0]);
            else if (v.size() == 2)
                gl.uniform2f(at, v[0], v[1]);
            else if (v.size() == 3)
                gl.uniform3f(at, v[0], v[1], v[2]);
            else
                gl.uniform4f(at, v[0], v[1], v[2], v[3]);
        }
        Vec3 dir = skene::normalize(view.target - view.eye);
        GLint camDir = gl.getUniformLocation(m.handle, "camDir");
        if (camDir >= 0)
            gl.uniform3f(camDir, dir.x, dir.y, dir.z);
        int unit = 0;
        for (const auto& t : m.textures) {
            Texture* texture = rvkGetTexture(t.second.c_str());
            gl.activeTexture(GL_TEXTURE0 + unit);
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, texture ? texture->getID() : 0);
            gl.uniform1i(gl.getUniformLocation(m.handle, t.first.c_str()), unit);
            ++unit;
        }
        gl.activeTexture(GL_TEXTURE0);
        // The lights go in under the mesh's own modelview, as the material callback places them.
        Vector positions[8];
        float intensity[8];
        lightPattern(view.lightPhase, positions, intensity);
        for (int i = 0; i < 8; ++i) {
            float position[4] = {positions[i].x, positions[i].y, positions[i].z, 1};
            float colour[4] = {intensity[i], intensity[i], intensity[i], intensity[i]};
            glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
            glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, colour);
        }
    }

    static void releaseMaterial(const Material& m)
    {
        for (size_t unit = 0; unit < m.textures.size(); ++unit) {
            gl.activeTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
            glDisable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        gl.activeTexture(GL_TEXTURE0);
        gl.useProgram(0);
    }

    static void drawBackground()
    {
        Texture* sky = rvkGetTexture("anim5.jpg");
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 1, 0, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDepthMask(GL_FALSE);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, sky ? sky->getID() : 0);
        glColor4f(1, 1, 1, 1);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1), glVertex2f(0, 0);
        glTexCoord2f(1, 1), glVertex2f(1, 0);
        glTexCoord2f(1, 0), glVertex2f(1, 1);
        glTexCoord2f(0, 0), glVertex2f(0, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glDepthMask(GL_TRUE);
    }

    static std::vector<testsupport::Rgba> render(const View& view)
    {
        glViewport(0, 0, kWidth, kHeight);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glDisable(GL_FOG);
        if (view.overBackground)
            drawBackground();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(view.fovy, view.aspect > 0 ? view.aspect : static_cast<float>(kWidth) / kHeight, view.znear,
                       view.zfar);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(view.eye.x, view.eye.y, view.eye.z, view.target.x, view.target.y, view.target.z, view.up.x,
                  view.up.y, view.up.z);
        glMultMatrixf(view.sceneTransform.m);
        glEnable(GL_DEPTH_TEST);
        glColor4f(1, 1, 1, 1);
        glFogf(GL_FOG_START, view.fogStart);
        if (view.overBackground) {
            glEnable(GL_BLEND);
            glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        }
        for (const skenetest::NodeData& node : document.nodes) {
            auto geometry = document.geometries.find(node.geometry);
            if (geometry == document.geometries.end())
                continue;
            glPushMatrix();
            glMultMatrixf(node.world.m);
            for (const skenetest::Primitive& prim : geometry->second) {
                const Material& m = materials[prim.material];
                applyMaterial(m, view);
                glEnableClientState(GL_VERTEX_ARRAY);
                glVertexPointer(3, GL_FLOAT, 0, prim.positions.data());
                glEnableClientState(GL_NORMAL_ARRAY);
                glNormalPointer(GL_FLOAT, 0, prim.normals.data());
                if (!prim.texcoords.empty()) {
                    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                    glTexCoordPointer(2, GL_FLOAT, 0, prim.texcoords.data());
                }
                if (!prim.colours.empty()) {
                    glEnableClientState(GL_COLOR_ARRAY);
                    glColorPointer(4, GL_FLOAT, 0, prim.colours.data());
                }
                glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(prim.vertexCount()));
                glDisableClientState(GL_VERTEX_ARRAY);
                glDisableClientState(GL_NORMAL_ARRAY);
                glDisableClientState(GL_TEXTURE_COORD_ARRAY);
                glDisableClientState(GL_COLOR_ARRAY);
                releaseMaterial(m);
            }
            glPopMatrix();
        }
        glDisable(GL_BLEND);
        glFinish();
        return testsupport::readPixels(0, 0, kWidth, kHeight);
    }

    static void save(const std::string& name, const std::vector<testsupport::Rgba>& pixels)
    {
        std::string dir = testsupport::binaryDir() + "/skene_preview";
        mkdir(dir.c_str(), 0755);
        stbi_flip_vertically_on_write(1);
        stbi_write_png((dir + "/" + name + ".png").c_str(), kWidth, kHeight, 4, pixels.data(), kWidth * 4);
    }

    static bool ready;
    static skenetest::Document document;
    static GlslApi gl;
    static std::map<std::string, Material> materials;
};

bool ScenePreview::ready = false;
skenetest::Document ScenePreview::document;
GlslApi ScenePreview::gl;
std::map<std::string, Material> ScenePreview::materials;

// Mean brightness and the share of pixels that differ clearly from the mean.
void measure(const std::vector<testsupport::Rgba>& pixels, float& mean, float& varied)
{
    double sum = 0;
    for (const auto& p : pixels)
        sum += (p.r + p.g + p.b) / 3.0;
    mean = static_cast<float>(sum / pixels.size());
    size_t away = 0;
    for (const auto& p : pixels)
        if (std::fabs((p.r + p.g + p.b) / 3.0 - mean) > 12)
            ++away;
    varied = static_cast<float>(away) / pixels.size();
}

TEST_F(ScenePreview, EveryMaterialProgramCompilesAndLinks)
{
    ASSERT_EQ(materials.size(), 5u);
    for (const auto& entry : materials)
        EXPECT_NE(entry.second.handle, 0u) << entry.first;
    for (auto& entry : materials) {
        GLint linked = 0;
        gl.getProgramiv(entry.second.handle, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked) << entry.second.program << ": " << entry.second.log;
    }
}

TEST_F(ScenePreview, EveryRegisteredUniformIsLiveInItsProgram)
{
    // A registered uniform that the compiler dropped would be reported on every draw.
    for (const auto& entry : materials) {
        const Material& m = entry.second;
        EXPECT_FALSE(m.uniforms.empty()) << m.program;
        for (const Declared& u : m.uniforms)
            EXPECT_GE(gl.getUniformLocation(m.handle, u.name.c_str()), 0) << m.program << ": " << u.name;
    }
}

TEST_F(ScenePreview, EveryMaterialValueNamesARegisteredUniformAndEveryUniformGetsOne)
{
    static const std::set<std::string> camera = {"camPos", "camDir", "camTarget", "camUp"};
    for (const auto& entry : materials) {
        const Material& m = entry.second;
        std::set<std::string> registered, given;
        for (const Declared& u : m.uniforms)
            registered.insert(u.name);
        for (const auto& f : m.floats)
            given.insert(f.first);
        for (const auto& t : m.textures) {
            given.insert(t.first);
            EXPECT_NE(rvkGetTexture(t.second.c_str()), nullptr) << m.key << ": " << t.second;
        }
        for (const std::string& name : given)
            EXPECT_TRUE(registered.count(name)) << m.key << " sets " << name << ", which the program does not declare";
        for (const std::string& name : registered)
            EXPECT_TRUE(given.count(name) || camera.count(name)) << m.key << " leaves " << name << " at its default";
    }
}

TEST_F(ScenePreview, SamplersAreDeclaredOnlyInFragmentPrograms)
{
    // Texture units are counted per registered sampler: one declared in both sources would shift them.
    for (const auto& entry : materials)
        for (const Declared& u : scannedUniforms(readText(testsupport::sourceDir() + "/data/" + entry.second.program +
                                                          ".vert.glsl")))
            EXPECT_NE(u.type.rfind("sampler", 0), 0u) << entry.second.program << ": " << u.name;
}

TEST_F(ScenePreview, EffectViewsShowStructureAndAreRepeatable)
{
    std::vector<View> views;
    for (float ms : {97000.0f, 105000.0f, 112000.0f, 118000.0f, 123000.0f})
        views.push_back(colladaView(ms));
    views.push_back(blurparticlesView(0.3f));
    views.push_back(pressure2View(0.4f));
    views.push_back(skeneView(0.2f));
    views.push_back(skeneView(0.8f));
    views.push_back(particleblobView(0.3f, 0));
    views.push_back(particleblobView(0.3f, 5));
    for (const View& view : views) {
        std::vector<testsupport::Rgba> pixels = render(view);
        save(view.name, pixels);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << view.name;
        float mean, varied;
        measure(pixels, mean, varied);
        EXPECT_GT(mean, 8.0f) << view.name << " is nearly black";
        EXPECT_LT(mean, 200.0f) << view.name << " is washed out";
        EXPECT_GT(varied, 0.1f) << view.name << " is nearly uniform";
    }
    std::vector<testsupport::Rgba> first = render(views[2]), second = render(views[2]);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin(), [](const auto& a, const auto& b) {
        return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
    }));
}

} // namespace
