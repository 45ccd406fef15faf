// Cameras, lights, animations and visual scenes: how they are read, and how buildScenes turns
// them into nodes, tracks, cameras and lights.
#include "scene_test_support.h"

#include "scene/mesh_vbo.h"
#include "scene/scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

using BRAVIK_LUMENVAT::Matrix4;
using scenetest::LogWatch;
using scenetest::readBody;

namespace {

struct Loaded {
    explicit Loaded(const std::string& body) : doc(readBody(body)), scene(buildScenes(doc.get())) { }
    SceneNode* node(const char* id) const { return scene->nodes.find(id); }

    std::unique_ptr<ColladaDocument> doc;
    std::unique_ptr<Scene> scene;
};

std::string visualScene(const std::string& nodes)
{
    return "<library_visual_scenes><visual_scene id=\"s\" name=\"Stage\">" + nodes +
           "</visual_scene></library_visual_scenes>";
}

std::string perspectiveCamera(const std::string& id, const std::string& parameters)
{
    return "<camera id=\"" + id + "\"><optics><technique_common><perspective>" + parameters +
           "</perspective></technique_common></optics></camera>";
}

// A one-channel animation with keys at `times` and values `values`, plus optional extra inputs.
std::string animation(const std::string& id, const std::string& target, const std::string& times,
                      const std::string& values, const std::string& extraSources = "",
                      const std::string& extraInputs = "")
{
    return "<animation id=\"" + id + "\"><source id=\"" + id + "-in\"><float_array>" + times +
           "</float_array></source>" + "<source id=\"" + id + "-out\"><float_array>" + values +
           "</float_array></source>" + extraSources + "<sampler><input semantic=\"INPUT\" source=\"#" + id +
           "-in\"/><input semantic=\"OUTPUT\" source=\"#" + id + "-out\"/>" + extraInputs +
           "</sampler><channel target=\"" + target + "\"/></animation>";
}

void expectMatrixNear(const Matrix4& actual, const Matrix4& expected)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6f) << "element " << i;
}

} // namespace

TEST(ColladaCameras, ParametersAreKeptByElementNameAndRegisteredBySid)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_cameras><asset/><extra/><lens/>"
                 "<camera id=\"c\"><asset/><imager/><flash/>"
                 "<optics><technique_common><perspective><xfov sid=\"fx\">45</xfov><znear>0.5</znear></perspective>"
                 "<imager/><extra/><stereo/></technique_common><technique/><extra/><zoom/></optics>"
                 "<extra><technique><target>t</target><technique><x/></technique></technique><y/></extra></camera>"
                 "<camera><optics><technique_common><orthographic/></technique_common></optics></camera>"
                 "</library_cameras>"));
    ASSERT_EQ(doc->cameras.size(), 1u) << "a camera without id is read but not registered";
    const Collada::Camera* c = doc->cameras.find("c");
    EXPECT_EQ(c->kind, 0);
    EXPECT_EQ(c->parameters.find("xfov")->name, "fx");
    EXPECT_EQ(c->parameters.find("znear")->name, "");
    EXPECT_EQ(c->parameters.find("znear")->values.items, std::vector<float>{0.5f});
    EXPECT_EQ(doc->attributes.find("c/fx"), c->parameters.find("xfov"));
    EXPECT_EQ(doc->attributes.size(), 1u);
    EXPECT_EQ(
        log.count(
            " Ignored: asset\n Ignored: extra\n Unknown: lens\n Ignored: asset\n Ignored: imager\n Unknown: flash\n"
            " Ignored: imager\n Ignored: extra\n Unknown: stereo\n Ignored: technique\n Ignored: extra\n"
            " Unknown: zoom\n Ignored: x\n Ignored: y\n"),
        1);
    EXPECT_EQ(log.count("target"), 0) << "an extra block's target is accepted silently";
}

TEST(ColladaCameras, FieldOfViewComesFromXfovOrIsDerivedFromYfovAndAspect)
{
    LogWatch log;
    Loaded l(
        "<library_cameras>" + perspectiveCamera("both", "<xfov>45</xfov><yfov>10</yfov>") +
        perspectiveCamera("derived", "<yfov>90</yfov><aspect_ratio>2</aspect_ratio><znear>1</znear><zfar>50</zfar>") +
        perspectiveCamera("yonly", "<yfov>30</yfov><znear/>") +
        "<camera id=\"ortho\"><optics><technique_common><orthographic><znear>7</znear></orthographic>"
        "</technique_common></optics></camera></library_cameras>" +
        visualScene(""));
    EXPECT_FLOAT_EQ(l.scene->cameras.find("both")->fov, 45);
    const Camera* derived = l.scene->cameras.find("derived");
    EXPECT_NEAR(derived->fov, 2 * std::atan(2.0) * 180 / M_PI, 1e-4);
    EXPECT_FLOAT_EQ(derived->aspect, 2);
    EXPECT_FLOAT_EQ(derived->zNear, 1);
    EXPECT_FLOAT_EQ(derived->zFar, 50);
    const Camera defaults;
    EXPECT_FLOAT_EQ(l.scene->cameras.find("yonly")->fov, defaults.fov);
    EXPECT_FLOAT_EQ(l.scene->cameras.find("yonly")->zNear, defaults.zNear) << "an empty parameter keeps the default";
    EXPECT_FLOAT_EQ(l.scene->cameras.find("ortho")->zNear, defaults.zNear) << "orthographic cameras keep the defaults";
    EXPECT_EQ(log.count("YFov used but no aspect ratio was provided."), 1);
    EXPECT_EQ(log.count("No ortho camera support yet implemented."), 1);
    EXPECT_EQ(log.count(" Warning: camera 'yonly': znear has no value\n"), 1);
}

TEST(ColladaCameras, CameraAndLightNodesAreTheLastInstancingNodesInIdOrder)
{
    Loaded l(
        "<library_cameras>" + perspectiveCamera("cam", "") + "</library_cameras>" +
        "<library_lights><light id=\"lamp\"><technique_common><point/></technique_common></light></library_lights>" +
        visualScene("<node id=\"b\"><instance_camera url=\"#cam\"/><instance_light url=\"#lamp\"/></node>"
                    "<node id=\"a\"><instance_camera url=\"#cam\"/><instance_light/></node>"
                    "<node id=\"c\"><instance_camera url=\"#other\"/></node>"));
    EXPECT_EQ(l.scene->cameras.find("cam")->node, l.node("b"));
    EXPECT_EQ(l.scene->lights.find("lamp")->node, l.node("b"));
    EXPECT_EQ(l.doc->nodes.find("a")->lightIds.size(), 0u) << "an instance without url is not followed";
}

TEST(ColladaLights, KindAndColourComeFromTheCommonTechnique)
{
    LogWatch log;
    Loaded l(
        "<library_lights><asset/><glow/>"
        "<light id=\"a\"><technique_common><ambient><color>0.1 0.2 0.3</color></ambient></technique_common>"
        "<technique/><extra/><asset/><halo/></light>"
        "<light id=\"d\"><technique_common><directional/></technique_common></light>"
        "<light id=\"p\"><technique_common><point><color>0.5</color></point><area/></technique_common></light>"
        "<light id=\"s\"><technique_common><spot><falloff_angle>20</falloff_angle></spot></technique_common></light>"
        "</library_lights>" +
        visualScene(""));
    const Light* a = l.scene->lights.find("a");
    EXPECT_EQ(a->kind, LIGHT_AMBIENT);
    EXPECT_FLOAT_EQ(a->colour.z, 0.3f);
    EXPECT_EQ(l.scene->lights.find("d")->kind, LIGHT_DIRECTIONAL);
    EXPECT_EQ(l.scene->lights.find("s")->kind, LIGHT_SPOT);
    EXPECT_FLOAT_EQ(l.scene->lights.find("s")->colour.x, 1) << "no colour: white";
    const Light* p = l.scene->lights.find("p");
    EXPECT_EQ(p->kind, LIGHT_POINT);
    EXPECT_EQ((std::vector<float>{p->colour.x, p->colour.y, p->colour.z}), (std::vector<float>{0.5f, 1, 1}));
    EXPECT_EQ(l.doc->lights.find("s")->parameters.find("falloff_angle")->name, "falloff_angle");
    EXPECT_EQ(log.count(" Ignored: asset\n Unknown: glow\n Ignored: technique\n Ignored: extra\n Ignored: asset\n"
                        " Unknown: halo\n"),
              1);
    EXPECT_EQ(log.count(" Unknown: area\n"), 1);
    EXPECT_EQ(log.count(" Warning: light 'p': color holds 1 values; the missing ones are 1\n"), 1);
}

TEST(ColladaNodes, TransformationsMultiplyOntoTheLocalMatrixInDocumentOrder)
{
    Loaded l(visualScene("<node id=\"n\" name=\"N\" sid=\"ns\"><translate sid=\"t\">1 2 3</translate>"
                         "<rotate>0 0 1 90</rotate><scale>2 3 4</scale>"
                         "<matrix>1 0 0 5 0 1 0 6 0 0 1 7 0 0 0 1</matrix></node>"
                         "<node id=\"tiny\"><rotate>0 0 1 0.0005</rotate></node>"));
    Matrix4 expected = Matrix4::makeTranslation(1, 2, 3) * Matrix4::makeRotation(-1.5707964f, 0, 0, 1) *
                       Matrix4::makeScaleXYZ(2, 3, 4) * Matrix4::makeTranslation(5, 6, 7);
    expectMatrixNear(l.node("n")->local, expected);
    expectMatrixNear(l.node("tiny")->local, Matrix4());
    EXPECT_EQ(l.node("n")->name, "N");
    EXPECT_EQ(l.doc->nodes.find("n")->sid, "ns");
    const Transformation* matrix = l.doc->nodes.find("n")->transformations.get(3);
    EXPECT_FLOAT_EQ(matrix->values.get(12), 5) << "stored column-major";
    EXPECT_EQ(l.doc->transformations.find("n/t"), l.doc->nodes.find("n")->transformations.get(0));
}

TEST(ColladaNodes, ShortOrLongTransformationListsAreCompletedFromTheIdentityOrCut)
{
    LogWatch log;
    Loaded l(visualScene("<node id=\"n\"><matrix>1 0 0 5</matrix><scale>2</scale><translate/>"
                         "<rotate>0 0 1 90 77</rotate></node>"));
    Matrix4 expected = Matrix4::makeTranslation(5, 0, 0) * Matrix4::makeScaleXYZ(2, 1, 1) *
                       Matrix4::makeRotation(-1.5707964f, 0, 0, 1);
    expectMatrixNear(l.node("n")->local, expected);
    EXPECT_EQ(log.count(" Warning: node 'n': matrix holds 4 values, 16 expected; the rest taken from the identity\n"),
              1);
    EXPECT_EQ(log.count(" Warning: node 'n': scale holds 1 values, 3 expected; the rest taken from the identity\n"), 1);
    EXPECT_EQ(log.count(" Warning: node 'n': translate holds 0 values, 3 expected"), 1);
    EXPECT_EQ(log.count(" Warning: node 'n': rotate holds 5 values, 4 expected; the rest ignored\n"), 1);
}

TEST(ColladaNodes, ChildrenInstancesAndUnsupportedElementsAreHandledByTag)
{
    LogWatch log;
    Loaded l(
        scenetest::meshBody(
            "0 0 0 1 0 0 0 1 0",
            "<triangles count=\"1\"><input semantic=\"POSITION\" source=\"#pos\"/><p>0 1 2</p></triangles>") +
        visualScene("<node id=\"parent\"><asset/><lookat/><instance_node url=\"#x\"/><extra/><odd/>"
                    "<instance_geometry url=\"#g\"><skeleton/><extra/><what/><bind_material><param/>"
                    "<technique_common><instance_material/><instance_material target=\"#m1\"/></technique_common>"
                    "<technique><instance_material target=\"##m2\"/></technique></bind_material></instance_geometry>"
                    "<instance_controller url=\"#other\"/><instance_geometry/>"
                    "<node id=\"child\"><node id=\"grandchild\"/></node><node/></node>"));
    SceneNode* parent = l.node("parent");
    EXPECT_EQ(parent->mesh, l.scene->meshes.find("g")) << "the first geometry instance is drawn";
    const ObjectNode* parsed = l.doc->nodes.find("parent");
    ASSERT_EQ(parsed->geometryInstances.size(), 2u);
    EXPECT_EQ(parsed->geometryInstances.get(0)->materialId, "m2");
    EXPECT_EQ(parsed->geometryInstances.get(1)->target, "other");
    ASSERT_EQ(parent->children.size(), 2u);
    EXPECT_EQ(parent->children.get(0), l.node("child"));
    EXPECT_EQ(l.node("grandchild")->parent, l.node("child"));
    EXPECT_EQ(l.node("child")->parent, parent);
    EXPECT_EQ(parent->parent, l.scene->root);
    EXPECT_EQ(l.scene->nodes.size(), 4u) << "root and the three nodes with ids";
    for (const char* line : {" Ignored: asset\n Error: COLLADA unsupported transformation type: lookat.\n",
                             " Error: COLLADA node instancing is not supported.\n", " Ignored: extra\n Unknown: odd\n",
                             " Ignored: skeleton\n Ignored: extra\n Unknown: what\n Unknown: param\n",
                             " Error: instance_material missing required attribute 'target'\n",
                             " Error: instance missing required attribute 'url'\n"})
        EXPECT_EQ(log.count(line), 1) << line;
}

TEST(ColladaVisualScenes, EachSceneIsBuiltAndTheLastInIdOrderIsReturned)
{
    LogWatch log;
    Loaded l("<library_visual_scenes><asset/><visual_scene><node id=\"skipped\"/></visual_scene>"
             "<visual_scene id=\"b\" name=\"Second\"><node id=\"nb\"/><evaluate_scene/><extra/><odd/></visual_scene>"
             "<visual_scene id=\"a\"><node id=\"na\"/></visual_scene><junk/></library_visual_scenes>");
    EXPECT_EQ(l.doc->scenes.size(), 2u);
    EXPECT_EQ(l.doc->nodes.find("skipped"), nullptr) << "a visual scene without id is not read";
    EXPECT_EQ(l.scene->name, "Second");
    EXPECT_EQ(l.scene->root->name, "Second");
    EXPECT_EQ(l.scene->nodes.find("root"), l.scene->root);
    EXPECT_TRUE(l.node("nb"));
    EXPECT_FALSE(l.node("na"));
    EXPECT_EQ(log.count(" Ignored: asset\n Ignored: evaluate_scene\n Ignored: extra\n Unknown: odd\n Unknown: junk\n"),
              1);
}

TEST(ColladaAnimations, ChannelTargetsNameANodeAndTheValueTheyDrive)
{
    const std::pair<const char*, AnimationAttribute> table[] = {
        {"rotation_z.ANGLE", ANIMATION_ROTATE_Z}, {"RotZ.ANGLE", ANIMATION_ROTATE_Z},
        {"rotation_y.ANGLE", ANIMATION_ROTATE_Y}, {"RotY.ANGLE", ANIMATION_ROTATE_Y},
        {"rotation_x.ANGLE", ANIMATION_ROTATE_X}, {"RotX.ANGLE", ANIMATION_ROTATE_X},
        {"scale.X", ANIMATION_SCALE_X},           {"scale.Y", ANIMATION_SCALE_Y},
        {"scale.Z", ANIMATION_SCALE_Z},           {"translation.X", ANIMATION_TRANSLATE_X},
        {"translate.X", ANIMATION_TRANSLATE_X},   {"translation.Y", ANIMATION_TRANSLATE_Y},
        {"translate.Y", ANIMATION_TRANSLATE_Y},   {"translation.Z", ANIMATION_TRANSLATE_Z},
        {"translate.Z", ANIMATION_TRANSLATE_Z},   {"rotation.ANGLE", ANIMATION_NONE},
    };
    for (const auto& row : table) {
        LogWatch log;
        Loaded l("<library_animations>" + animation("a", std::string("n/") + row.first, "0", "1") +
                 "</library_animations>" + visualScene("<node id=\"n\"/>"));
        const Animation* track = l.scene->player->tracks.get(0);
        EXPECT_EQ(track->attribute, row.second) << row.first;
        EXPECT_EQ(track->target, l.node("n")) << row.first;
        EXPECT_EQ(log.count("Unknown animation type\n"), row.second == ANIMATION_NONE ? 1 : 0) << row.first;
    }
    LogWatch log;
    Loaded l("<library_animations>" + animation("a", "ghost", "0", "1") + "</library_animations>" + visualScene(""));
    EXPECT_EQ(l.scene->player->tracks.get(0)->target, nullptr);
    EXPECT_EQ(log.count("Unknown animation type\n"), 1) << "a target without '/' has an empty suffix";
}

TEST(ColladaAnimations, KeysTakeTimesValuesTangentsAndInterpolationsFromTheirSources)
{
    LogWatch log;
    Loaded l(
        "<library_animations>" +
        animation(
            "r", "n/RotX.ANGLE", "0 1 2", "0 90 180",
            "<source id=\"r-it\"><float_array>-1 -90 0.5 45 1.5 135</float_array></source>"
            "<source id=\"r-ot\"><float_array>0.5 45 1.5 135 3 270</float_array></source>"
            "<source id=\"r-ip\"><Name_array>STEP BEZIER HERMITE</Name_array></source>",
            "<input semantic=\"IN_TANGENT\" source=\"#r-it\"/><input semantic=\"OUT_TANGENT\" source=\"#r-ot\"/>"
            "<input semantic=\"INTERPOLATION\" source=\"#r-ip\"/><input semantic=\"WEIGHT\" source=\"#r-weights\"/>") +
        "</library_animations>" + visualScene("<node id=\"n\"/>"));
    const Animation* track = l.scene->player->tracks.get(0);
    ASSERT_EQ(track->keys.size(), 3u);
    const AnimationKeyFrame* k1 = track->keys.get(1);
    const float radians = 0.0174532924f;
    EXPECT_FLOAT_EQ(k1->time, 1);
    EXPECT_FLOAT_EQ(k1->value, 90 * radians);
    EXPECT_FLOAT_EQ(k1->inTangentTime, 0.5f) << "tangent times stay in time units";
    EXPECT_FLOAT_EQ(k1->inTangentValue, 45 * radians);
    EXPECT_FLOAT_EQ(k1->outTangentTime, 1.5f);
    EXPECT_FLOAT_EQ(k1->outTangentValue, 135 * radians);
    EXPECT_EQ(track->keys.get(0)->interpolation, INTERPOLATION_STEP);
    EXPECT_EQ(k1->interpolation, INTERPOLATION_BEZIER);
    EXPECT_EQ(track->keys.get(2)->interpolation, INTERPOLATION_LINEAR) << "an unsupported one keeps the default";
    EXPECT_FLOAT_EQ(track->startTime, 0);
    EXPECT_FLOAT_EQ(track->endTime, 2);
    EXPECT_EQ(track->channel, "n/RotX.ANGLE");
    EXPECT_EQ(log.count(" Error: Unsupported interpolation type: HERMITE\n"), 1);
}

TEST(ColladaAnimations, ShortSourcesLeaveKeyDefaultsAndMissingSourcesAreSkipped)
{
    LogWatch log;
    Loaded l(
        "<library_animations>" +
        animation(
            "t", "n/translate.Y", "0 1 2", "5", "<source id=\"t-ot\"><float_array>1</float_array></source>",
            "<input semantic=\"OUT_TANGENT\" source=\"#t-ot\"/><input semantic=\"IN_TANGENT\" source=\"#nowhere\"/>") +
        animation("e", "n/translate.Z", "", "") + "</library_animations>" + visualScene("<node id=\"n\"/>"));
    const Animation* translation = l.scene->player->tracks.get(0);
    ASSERT_EQ(translation->keys.size(), 3u);
    EXPECT_FLOAT_EQ(translation->keys.get(0)->value, 5);
    EXPECT_FLOAT_EQ(translation->keys.get(2)->value, 0);
    EXPECT_FLOAT_EQ(translation->keys.get(0)->outTangentTime, 1);
    EXPECT_FLOAT_EQ(translation->keys.get(0)->outTangentValue, 0) << "one float makes half a (time, value) pair";
    EXPECT_EQ(log.count("source 't-out' is shorter than its 3 keys"), 1);
    EXPECT_EQ(log.count("source 't-ot' is shorter than its 3 keys"), 1);
    EXPECT_EQ(log.count("nowhere"), 0) << "a source the document lacks is skipped";
    const Animation* empty = l.scene->player->tracks.get(1);
    EXPECT_EQ(empty->keys.size(), 0u);
    EXPECT_FLOAT_EQ(empty->startTime, 0);
    EXPECT_FLOAT_EQ(empty->endTime, 1);
}

TEST(ColladaAnimations, NestedAnimationsAreKeptByIdAndSamplerProblemsReported)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_animations><asset/><extra/><clip/>"
                 "<animation id=\"top\"><sampler><input source=\"#s\"/><other/></sampler>"
                 "<channel/><animation><channel target=\"first\"/></animation>"
                 "<animation><channel target=\"second\"/></animation>"
                 "<animation id=\"named\"/><note/></animation></library_animations>"));
    const Collada::Animation* top = doc->animations.find("top");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->children.size(), 2u);
    EXPECT_EQ(top->children.find("BRAVIK::no_identifier_set")->target, "second") << "the later one overwrites";
    EXPECT_EQ(top->samplerInputs.find("s"), static_cast<AnimationAttribute>(SAMPLER_OTHER));
    EXPECT_EQ(top->keyCount, 0);
    EXPECT_EQ(log.count(" Ignored: asset\n Ignored: extra\n Unknown: clip\n"), 1);
    EXPECT_EQ(log.count(" Error: Animation sampler missing required attribute semantic.\n"), 1);
    EXPECT_EQ(log.count(" Unknown: other\n Error: Animation channel missing required attribute target.\n"), 1);
    EXPECT_EQ(log.count(" Unknown: note\n"), 1);
}

TEST(ColladaAnimations, BuiltTracksAreSortedAndMoveTheirNodesOnUpdate)
{
    Loaded l("<library_animations>" + animation("a-move", "n/translation.X", "0 2", "0 4") +
             animation("b-turn", "n/RotX.ANGLE", "0 1", "0 90") + "<animation id=\"c-group\">" +
             animation("c-child", "m/translate.Y", "0 1", "3 5") + "</animation></library_animations>" +
             visualScene("<node id=\"n\"/><node id=\"m\"/>"));
    const Array<Animation*>& tracks = l.scene->player->tracks;
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks.get(0)->channel, "n/RotX.ANGLE");
    EXPECT_EQ(tracks.get(1)->channel, "n/translation.X");
    EXPECT_EQ(tracks.get(2)->attribute, ANIMATION_NONE) << "a grouping animation has no channel of its own";
    EXPECT_EQ(tracks.get(2)->children.get(0)->attribute, ANIMATION_TRANSLATE_Y);
    l.scene->update(1);
    EXPECT_FLOAT_EQ(l.node("n")->local[12], 2);
    EXPECT_NEAR(l.node("n")->local[6], 1, 1e-6) << "rotated 90 degrees about X";
    EXPECT_FLOAT_EQ(l.node("m")->local[13], 5);
}
