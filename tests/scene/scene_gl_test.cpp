// Drawing and materials against a real GL context (Xvfb + llvmpipe), reading pixels and GL state
// back: mesh drawing with and without vertex buffers, node matrices, material files, apply and
// release with the real ShaderManager, the SceneManager's material loading and the bindings.
#include "scene_test_support.h"

#include "render/gl_extensions.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "scene/material.h"
#include "scene/mesh_vbo.h"
#include "scene/scene.h"
#include "scene/scene_manager.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>

using scenetest::LogWatch;
using testsupport::readPixel;

namespace {

const int WIDTH = 256, HEIGHT = 192;

// A full-picture quad in one red group and a small blue triangle in a second group, as a scene
// with one node that `nodeContent` may move.
std::string quadDocument(const std::string& nodeContent)
{
    return "<library_geometries><geometry id=\"quad\"><mesh>"
           "<source id=\"p\"><float_array>-1 -1 0 1 -1 0 1 1 0 -1 1 0 0 0 0 0.2 0 0 0 0.2 0</float_array>"
           "<technique_common><accessor count=\"7\" stride=\"3\"/></technique_common></source>"
           "<source id=\"c\"><float_array>1 0 0 1 0 0 1 1</float_array>"
           "<technique_common><accessor count=\"2\" stride=\"4\"/></technique_common></source>"
           "<triangles count=\"2\"><input semantic=\"POSITION\" source=\"#p\" offset=\"0\"/>"
           "<input semantic=\"COLOR\" source=\"#c\" offset=\"1\"/><p>0 0 1 0 2 0 0 0 2 0 3 0</p></triangles>"
           "<triangles count=\"1\"><input semantic=\"POSITION\" source=\"#p\" offset=\"0\"/>"
           "<input semantic=\"COLOR\" source=\"#c\" offset=\"1\"/><p>4 1 5 1 6 1</p></triangles>"
           "</mesh></geometry></library_geometries>"
           "<library_visual_scenes><visual_scene id=\"s\"><node id=\"n\">" +
           nodeContent + "<instance_geometry url=\"#quad\"/></node></visual_scene></library_visual_scenes>";
}

struct Drawn {
    explicit Drawn(const std::string& body) : doc(scenetest::readBody(body)), scene(buildScenes(doc.get())) { }
    std::unique_ptr<ColladaDocument> doc;
    std::unique_ptr<Scene> scene;
};

void resetView()
{
    glViewport(0, 0, WIDTH, HEIGHT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int currentProgram()
{
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

GLint textureOnUnit(int unit)
{
    GLint texture = -1;
    glActiveTextureARB(GL_TEXTURE0 + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    glActiveTextureARB(GL_TEXTURE0);
    return texture;
}

Material* calledWith = nullptr;
int programDuringCallback = -1;
void recordCall(Material* material)
{
    calledWith = material;
    programDuringCallback = currentProgram();
}

class SceneGL : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        opened = testsupport::openGLWindow(WIDTH, HEIGHT, SCENE_TEST_PAK);
        if (!opened)
            return;
        renderTargetPool.init();
        ShaderManager::create();
        SceneManager::create();
        LogWatch log;
        sceneManager->loadMaterials();
        materialLog = log.text();
    }
    void SetUp() override
    {
        if (!opened)
            GTEST_SKIP() << "no display";
        resetView();
    }

    static bool opened;
    static std::string materialLog;
};

bool SceneGL::opened = false;
std::string SceneGL::materialLog;

} // namespace

TEST_F(SceneGL, MeshesDrawFromTheirVertexBuffersOrWithoutThemFromTheirStores)
{
    Drawn d(quadDocument(""));
    MeshVBO* mesh = d.scene->meshes.find("quad");
    ASSERT_NE(mesh->attributes.get(0)->buffer, 0u) << "uploaded once the entry points are loaded";
    d.scene->draw(false);
    EXPECT_EQ(readPixel(WIDTH / 4, HEIGHT / 4).r, 255);
    EXPECT_EQ(readPixel(WIDTH / 2 + 10, HEIGHT / 2 + 5).b, 255) << "the second group, drawn as a child";

    for (MeshVBO::MeshVBOAttribute* a : mesh->attributes.items)
        a->buffer = 0;
    glClear(GL_COLOR_BUFFER_BIT);
    mesh->draw(true);
    EXPECT_EQ(readPixel(WIDTH / 4, HEIGHT / 4).r, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SceneGL, NodesMultiplyTheirLocalMatricesOntoTheModelview)
{
    Drawn d(quadDocument("<translate>0.5 0 0</translate><scale>0.5 1 1</scale>"));
    d.scene->draw(true);
    EXPECT_EQ(readPixel(WIDTH / 4, HEIGHT / 4).r, 0) << "the quad now covers only the right half";
    EXPECT_EQ(readPixel(WIDTH * 3 / 4, HEIGHT / 4).r, 255);
    SceneNode* node = d.scene->nodes.find("n");
    EXPECT_FLOAT_EQ(node->combined[12], 0.5f) << "refreshed when drawn";
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(modelview[12], 0) << "the matrix stack is restored";
}

TEST_F(SceneGL, MaterialFilesFillTheClonedUniformsOfTheirProgram)
{
    Material* probe = sceneManager->materials.find("probe");
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->name, "probe.material.xml");
    ASSERT_EQ(probe->shader, shaderManager->getShader("matprobe"));
    ASSERT_EQ(probe->parameters.size(), probe->shader->uniforms.size());
    EXPECT_NE(probe->parameters.get(0), probe->shader->uniforms.get(0)) << "clones, not the program's own";
    const ShaderUniform* tint = probe->parameters.get(1);
    EXPECT_EQ(tint->values.items, (std::vector<float>{1, 0.25f, 1, 0})) << "only Value2 changes";
    EXPECT_FLOAT_EQ(tint->min, -1);
    EXPECT_FLOAT_EQ(tint->max, 2);
    EXPECT_STREQ(probe->parameters.get(2)->textureName, "missing.png") << "the name is kept anyway";
    EXPECT_NE(materialLog.find("[box] Texture specified in material not found..: Texture 'missing.png' was not found "
                               "from resources.\nFile: probe.material.xml"),
              std::string::npos);
}

TEST_F(SceneGL, MaterialFileProblemsAreReportedAndNotFollowed)
{
    Material* m = sceneManager->materials.find("messages");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->shader, shaderManager->getShader("matprobe"));
    EXPECT_EQ(m->parameters.get(3)->textureName, nullptr) << "a texture without file sets nothing";
    EXPECT_STREQ(m->parameters.get(2)->textureName, "absent.png") << "found inside nested Parameters";
    for (const char* line :
         {"[box] Shader specified in material not found.: Shader 'nosuchprogram' is not a known program.",
          "[box] Shader specified in material not found.: Shader '' is not a known program.",
          "[box] Uniform with specified in material not found.: Uniform with name 'nothing' not found in shader "
          "'matprobe.'\nFile: messages.material.xml\n",
          "[box] Uniform specified in material not found.: Uniform with name 'nothing' not found in shader 'matprobe.'",
          "[box] Uniform malformed.: A Float element did not contain 'name'-attribute.",
          "[box] Uniform malformed.: Uniform with name 'second' did not contain 'file'-attribute.\n"
          "File: messages.material.xml\n",
          "[box] Texture specified in material not found..: Texture 'absent.png' was not found from resources."})
        EXPECT_NE(materialLog.find(line), std::string::npos) << line;
    EXPECT_NE(
        materialLog.find("ERROR: Material config : Error occurred while reading file: broken.material.xml ERROR: "),
        std::string::npos);
    EXPECT_EQ(sceneManager->materials.find("broken")->name, "temp") << "a malformed file's material is still stored";
}

TEST_F(SceneGL, MaterialKeysAreFileNamesEndingExactlyInMaterialXml)
{
    EXPECT_TRUE(sceneManager->materials.exists("a"));
    EXPECT_EQ(sceneManager->materials.find("a")->name, "a.material.xml");
    EXPECT_FALSE(sceneManager->materials.exists("a.Material.xml"));
    EXPECT_FALSE(sceneManager->materials.exists("a.M"));
    EXPECT_FALSE(sceneManager->materials.exists("")) << "\".material.xml\" alone names no material";
    EXPECT_EQ(sceneManager->materials.size(), 6u);
}

TEST_F(SceneGL, ApplyBindsTheProgramValuesAndSamplerUnitsAndReleaseUndoesThem)
{
    Material* probe = sceneManager->materials.find("probe");
    probe->setCallback(recordCall);
    calledWith = nullptr;
    glActiveTextureARB(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    probe->apply();
    int program = static_cast<int>(probe->shader->program);
    EXPECT_EQ(currentProgram(), program);
    EXPECT_EQ(calledWith, probe);
    EXPECT_EQ(programDuringCallback, program);
    GLfloat gain = 0;
    glGetUniformfvARB(probe->shader->program, glGetUniformLocationARB(probe->shader->program, "gain"), &gain);
    EXPECT_FLOAT_EQ(gain, 0.5f);
    GLint secondUnit = -1;
    glGetUniformivARB(probe->shader->program, glGetUniformLocationARB(probe->shader->program, "second"), &secondUnit);
    EXPECT_EQ(secondUnit, 1) << "the missing first texture still takes unit 0";
    EXPECT_EQ(textureOnUnit(1), static_cast<GLint>(BRAVIK_LUMENVAT::rvkGetTexture("white.png")->getID()));
    EXPECT_EQ(textureOnUnit(0), 0);

    probe->release();
    probe->setCallback(nullptr);
    EXPECT_EQ(currentProgram(), 0);
    EXPECT_EQ(textureOnUnit(1), 0);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
}

TEST_F(SceneGL, BindingsGiveEachGroupItsMaterialAndReportBadEntries)
{
    std::unique_ptr<ColladaDocument> doc(
        readColladaDocument("two_groups.dae", BRAVIK_LUMENVAT::rvkGetText("two_groups.dae")));
    std::unique_ptr<Scene> scene(buildScenes(doc.get()));
    LogWatch log;
    calledWith = nullptr;
    bindMaterials(doc.get(), scene.get(), sceneManager, "scene.material_bindings.xml", recordCall);
    Material* green = sceneManager->materials.find("green");
    Material* blue = sceneManager->materials.find("blue");
    EXPECT_EQ(scene->materials.find("left"), green);
    EXPECT_EQ(scene->materials.find("right"), blue) << "a later binding of a type overwrites";
    EXPECT_EQ(scene->materials.find("unused"), sceneManager->materials.find("probe"));
    MeshVBO* halves = scene->meshes.find("halves");
    EXPECT_EQ(halves->material, green);
    EXPECT_EQ(halves->children.get(0)->material, blue);
    EXPECT_EQ(green->callback, recordCall);
    for (const char* line :
         {"[box] Invalid data in material bindings file.: Only 'Binding' fields are allowed.\n",
          "[box] Invalid data in material bindings file.: MaterialType 'unused' was not found in collada material "
          "names. "
          "It was referred in file: 'scene.material_bindings.xml'\n",
          "[box] Invalid data in material bindings file.: Material 'nosuchmaterial' was not found in available "
          "materials.\nIn file: 'scene.material_bindings.xml'\n",
          "[box] Invalid data in material bindings file.: A binding needs both 'MaterialType' and 'Material'."})
        EXPECT_EQ(log.count(line), 1) << line;

    scene->draw(false);
    EXPECT_EQ(calledWith, blue) << "the callback runs inside apply";
    testsupport::Rgba left = readPixel(WIDTH / 4, HEIGHT / 2), right = readPixel(WIDTH * 3 / 4, HEIGHT / 2);
    EXPECT_EQ((std::vector<int>{left.r, left.g, left.b}), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ((std::vector<int>{right.r, right.g, right.b}), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(currentProgram(), 0) << "released after drawing";

    glClear(GL_COLOR_BUFFER_BIT);
    scene->draw(true);
    EXPECT_EQ(readPixel(WIDTH / 4, HEIGHT / 2).g, 255) << "no material: the current (fixed-function) colour, white";
    EXPECT_EQ(readPixel(WIDTH / 4, HEIGHT / 2).r, 255);
    for (const char* key : {"green", "blue", "probe"})
        sceneManager->materials.find(key)->setCallback(nullptr);
}

TEST_F(SceneGL, TheActiveCameraLooksFromItsDrawnNodeAtItsRotatedDiagonalItself)
{
    Drawn d("<library_cameras><camera id=\"cam\"/></library_cameras>"
            "<library_visual_scenes><visual_scene id=\"s\"><node id=\"eye\"><translate>0 0 5</translate>"
            "<instance_camera url=\"#cam\"/></node></visual_scene></library_visual_scenes>");
    d.scene->update(0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(m[14], 0) << "no active camera: the view is left alone";

    d.scene->draw(true); // the camera reads the node's position as last drawn
    d.scene->activeCamera = 0;
    d.scene->update(0);
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    auto transform = [&](float x, float y, float z) {
        return BRAVIK_LUMENVAT::Vector3(m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                                        m[2] * x + m[6] * y + m[10] * z + m[14]);
    };
    BRAVIK_LUMENVAT::Vector3 eye = transform(0, 0, 5);
    EXPECT_NEAR(eye.length(), 0, 1e-5f);
    const float k = 0.57735027f; // (1, 1, 1) normalised: the look-at point
    BRAVIK_LUMENVAT::Vector3 target = transform(k, k, k);
    EXPECT_NEAR(target.x, 0, 1e-5f);
    EXPECT_NEAR(target.y, 0, 1e-5f);
    EXPECT_LT(target.z, 0) << "straight ahead";
}
