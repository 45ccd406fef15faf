// skene_preview_test.cpp - the generated scene on the production's own path: loaded with
// loadColladaDocument and buildScenes, its materials read by the SceneManager and bound by
// bindMaterials, drawn with Scene::draw through the ShaderManager's programs, from the views of the
// five effects that show it. The light callback places the eight GL lights by the drawing effect's
// pattern under each mesh's own matrix, as the scene effect's callback does; fog density goes in
// the fog start. The frames are written to build/skene_preview/ for people to look at.
#include "render/gl_extensions.h"
#include "render/shader_manager.h"
#include "render_test_support.h"
#include "scene/collada.h"
#include "scene/material.h"
#include "scene/scene.h"
#include "scene/scene_manager.h"
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

struct MaterialFile {
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
std::map<std::string, MaterialFile> readMaterials()
{
    std::map<std::string, MaterialFile> out;
    TiXmlDocument bindings;
    if (!bindings.LoadFile(contentPath("skene.material_bindings.xml").c_str()))
        return out;
    for (const TiXmlElement* b = bindings.RootElement()->FirstChildElement("Binding"); b;
         b = b->NextSiblingElement("Binding")) {
        MaterialFile m;
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

float lightPhase = 0;

// The scene effect's material callback, for the phase of the view being drawn.
void placeSceneLights(Material*)
{
    Vector positions[8];
    float intensity[8];
    lightPattern(lightPhase, positions, intensity);
    for (int i = 0; i < 8; ++i) {
        float position[4] = {positions[i].x, positions[i].y, positions[i].z, 1};
        float colour[4] = {intensity[i], intensity[i], intensity[i], intensity[i]};
        glLightfv(GL_LIGHT0 + i, GL_POSITION, position);
        glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, colour);
    }
}

class ScenePreview : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ready = rendertest::openRenderer(testsupport::builtPakPath());
        if (!ready)
            return;
        rendertest::LogMark mark;
        SceneManager* manager = SceneManager::create();
        ColladaDocument* document = loadColladaDocument("skene_ao_materials_fixd.dae");
        scene = buildScenes(document);
        manager->loadMaterials();
        bindMaterials(document, scene, manager, "skene.material_bindings.xml", placeSceneLights);
        loadLog = mark.since();
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
        lightPhase = view.lightPhase;
        if (view.updateTime >= 0)
            scene->update(view.updateTime);
        scene->draw(false);
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
    static Scene* scene;
    static std::string loadLog;
    static std::map<std::string, MaterialFile> materials;
    static PreviewTarget target;
};

bool ScenePreview::ready = false;
Scene* ScenePreview::scene = nullptr;
std::string ScenePreview::loadLog;
std::map<std::string, MaterialFile> ScenePreview::materials;
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

TEST_F(ScenePreview, LoadsBuildsAndBindsWithoutAComplaint)
{
    ASSERT_NE(scene, nullptr);
    EXPECT_NE(loadLog.find("Loading skene_ao_materials_fixd.dae finished."), std::string::npos) << loadLog;
    for (const char* complaint : {" Error:", " Unknown", "[box]", "Warning", "ERROR", "not found"})
        EXPECT_EQ(loadLog.find(complaint), std::string::npos) << complaint << " in:\n" << loadLog;
    EXPECT_EQ(scene->materials.size(), 5u);
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
        const MaterialFile& m = entry.second;
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
