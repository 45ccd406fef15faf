// skene_preview_test.cpp - the generated scene drawn through real GL with its material programs
// as the production's ShaderManager builds them, from the views of the five effects that show it.
//
// The drawing follows the production's path: every mesh under its node's matrix, its material's
// program bound (camera uniforms from the engine's look-at camera), every uniform the manager
// registered set from the material file, the textures on their units, then the eight GL lights
// placed in that same modelview by the light pattern of the drawing effect, fog density in the
// fog start. The frames are written to build/skene_preview/ for people to look at.
#include "render/gl_extensions.h"
#include "render/shader_manager.h"
#include "render_test_support.h"
#include "skene_reader.h"
#include "skene_views.h"
#include "test_support.h"

#include <GL/glu.h>
#include <gtest/gtest.h>
#include <tinyxml.h>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <sys/stat.h>

using namespace BRAVIK_LUMENVAT;
using namespace skenetest;

namespace {

const int kWidth = 640, kHeight = 360;

std::string contentPath(const std::string& name) { return testsupport::binaryDir() + "/content/" + name; }

struct Material {
    std::string key, program;
    std::vector<std::pair<std::string, std::vector<float>>> floats;
    std::vector<std::pair<std::string, std::string>> textures;
    Shader* shader = nullptr;

    const std::vector<float>* value(const char* name) const
    {
        for (const auto& f : floats)
            if (f.first == name)
                return &f.second;
        return nullptr;
    }
    const std::string* texture(const char* name) const
    {
        for (const auto& t : textures)
            if (t.first == name)
                return &t.second;
        return nullptr;
    }
};

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

// An off-screen colour and depth target of the preview's size.
struct PreviewTarget {
    GLuint framebuffer = 0, colour = 0, depth = 0;

    void create()
    {
        glGenTextures(1, &colour);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
        glBindTexture(GL_TEXTURE_2D, 0);
        glGenRenderbuffersEXT(1, &depth);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, depth);
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, kWidth, kHeight);
        glGenFramebuffersEXT(1, &framebuffer);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, colour, 0);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT, depth);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    }
};

class ScenePreview : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ready = rendertest::openRenderer(testsupport::builtPakPath()) &&
                skenetest::readDocument(contentPath("skene_ao_materials_fixd.dae"), document);
        if (!ready)
            return;
        materials = readMaterials();
        for (auto& entry : materials)
            entry.second.shader = shaderManager->getShader(entry.second.program.c_str());
        target.create();
    }

    void SetUp() override
    {
        if (!ready)
            GTEST_SKIP() << "no display";
    }

    // What a material's apply does: bind (camera uniforms included), every registered uniform
    // from the file (or its default), samplers on consecutive units; then the light callback.
    static void applyMaterial(const Material& m, const View& view)
    {
        Shader* shader = m.shader;
        shader->bind();
        int unit = 0;
        for (unsigned i = 0; i < shader->uniforms.size(); ++i) {
            ShaderUniform* u = shader->uniforms.get(i);
            if (u->isCameraUniform)
                continue;
            float v[4] = {u->values.get(0), u->values.get(1), u->values.get(2), u->values.get(3)};
            if (const std::vector<float>* given = m.value(u->name))
                for (size_t k = 0; k < given->size() && k < 4; ++k)
                    v[k] = (*given)[k];
            switch (u->type) {
            case UNIFORM_FLOAT: shader->setUniform1f(u->name, v[0]); break;
            case UNIFORM_VEC2: shader->setUniform2f(u->name, v[0], v[1]); break;
            case UNIFORM_VEC3: shader->setUniform3f(u->name, v[0], v[1], v[2]); break;
            case UNIFORM_VEC4: shader->setUniform4f(u->name, v[0], v[1], v[2], v[3]); break;
            case UNIFORM_SAMPLER2D: {
                const std::string* file = m.texture(u->name);
                Texture* texture = file ? rvkGetTexture(file->c_str()) : nullptr;
                if (texture) {
                    glActiveTextureARB(GL_TEXTURE0 + unit);
                    glEnable(GL_TEXTURE_2D);
                    glBindTexture(GL_TEXTURE_2D, texture->getID());
                    shader->setUniform1i(u->name, unit);
                }
                ++unit;
                break;
            }
            default: break;
            }
        }
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
        int unit = 0;
        for (unsigned i = 0; i < m.shader->uniforms.size(); ++i)
            if (m.shader->uniforms.get(i)->type == UNIFORM_SAMPLER2D) {
                glActiveTextureARB(GL_TEXTURE0 + unit++);
                glDisable(GL_TEXTURE_2D);
                glBindTexture(GL_TEXTURE_2D, 0);
            }
        glActiveTextureARB(GL_TEXTURE0);
        shaderManager->unbind();
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
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target.framebuffer);
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
        rvkLookAt(view.eye.x, view.eye.y, view.eye.z, view.target.x, view.target.y, view.target.z, view.up.x,
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
        std::vector<testsupport::Rgba> pixels = testsupport::readPixels(0, 0, kWidth, kHeight);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        return pixels;
    }

    static void save(const std::string& name, const std::vector<testsupport::Rgba>& pixels)
    {
        std::string dir = testsupport::binaryDir() + "/skene_preview";
        mkdir(dir.c_str(), 0755);
        std::vector<unsigned char> rgb;
        for (const auto& p : pixels)
            rgb.insert(rgb.end(), {p.r, p.g, p.b});
        stbi_flip_vertically_on_write(1);
        stbi_write_png((dir + "/" + name + ".png").c_str(), kWidth, kHeight, 3, rgb.data(), kWidth * 3);
    }

    static bool ready;
    static skenetest::Document document;
    static std::map<std::string, Material> materials;
    static PreviewTarget target;
};

bool ScenePreview::ready = false;
skenetest::Document ScenePreview::document;
std::map<std::string, Material> ScenePreview::materials;
PreviewTarget ScenePreview::target;

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

TEST_F(ScenePreview, EveryMaterialProgramIsBuiltFromTheArchiveAndLinks)
{
    ASSERT_EQ(materials.size(), 5u);
    for (const auto& entry : materials) {
        Shader* shader = entry.second.shader;
        ASSERT_NE(shader, nullptr) << entry.second.program << " is not among the manager's programs";
        EXPECT_TRUE(shader->initialized) << entry.second.program;
        GLint linked = 0;
        glGetObjectParameterivARB(shader->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
        EXPECT_TRUE(linked) << entry.second.program;
    }
    // The manager logs "<program>, <info log>" for anything the compiler or linker had to say.
    std::string log = rendertest::logText();
    for (const char* program : {"skene_stone, ", "skene_metal, ", "skene_glow, "})
        EXPECT_EQ(log.find(program), std::string::npos) << log.substr(log.find(program), 400);
}

TEST_F(ScenePreview, EveryMaterialValueNamesARegisteredUniformAndEveryUniformGetsOne)
{
    static const std::set<std::string> camera = {"camPos", "camDir", "camTarget", "camUp"};
    for (const auto& entry : materials) {
        const Material& m = entry.second;
        ASSERT_NE(m.shader, nullptr);
        std::set<std::string> registered, given;
        for (unsigned i = 0; i < m.shader->uniforms.size(); ++i)
            registered.insert(m.shader->uniforms.get(i)->name);
        EXPECT_GE(registered.size(), 5u) << m.program;
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
    for (const auto& entry : materials) {
        Array<ShaderUniform*> vertexUniforms;
        parseUniformDeclarations(rvkGetText((entry.second.program + ".vert.glsl").c_str()), vertexUniforms);
        for (unsigned i = 0; i < vertexUniforms.size(); ++i)
            EXPECT_NE(vertexUniforms.get(i)->type, UNIFORM_SAMPLER2D) << entry.second.program;
    }
}

TEST_F(ScenePreview, EffectViewsShowStructureFindEveryUniformAndAreRepeatable)
{
    std::vector<View> views;
    for (float ms : {97000.0f, 105000.0f, 112000.0f, 118000.0f, 123000.0f})
        views.push_back(colladaView(ms));
    views.push_back(blurparticlesView(0.3f));
    views.push_back(pressure2View(0.6f));
    views.push_back(pressure2View(0.55f)); // from under the deck
    views.push_back(skeneView(0.2f));
    views.push_back(skeneView(0.8f));
    views.push_back(particleblobView(0.3f, 0));
    views.push_back(particleblobView(0.3f, 5));
    rendertest::LogMark mark;
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
    EXPECT_EQ(mark.since().find("can't find uniform variable"), std::string::npos) << mark.since().substr(0, 400);
    std::vector<testsupport::Rgba> first = render(views[2]), second = render(views[2]);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), second.begin(), [](const auto& a, const auto& b) {
        return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
    }));
}

} // namespace
