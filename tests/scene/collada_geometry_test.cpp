// Sources, geometries, primitive groups and inputs, and the MeshVBO build from them, including
// the malformed cases: strides, index lists of the wrong length, indices outside their source.
#include "scene_test_support.h"

#include "scene/mesh_vbo.h"
#include "scene/scene.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

using scenetest::LogWatch;
using scenetest::meshBody;
using scenetest::readBody;

namespace {

// A document and the meshes built from it, without GL.
struct Built {
    explicit Built(const std::string& body) : doc(readBody(body)), scene(new Scene(""))
    {
        buildSceneMeshes(doc.get(), scene.get());
    }
    MeshVBO* mesh(const char* id = "g") const { return scene->meshes.find(id); }
    std::vector<float> values(unsigned attribute, const char* id = "g") const
    {
        return mesh(id)->attributes.get(attribute)->data;
    }

    std::unique_ptr<ColladaDocument> doc;
    std::unique_ptr<Scene> scene;
};

const char* const TRIANGLE = "0 0 0 1 0 0 0 1 0";
const char* const VERTICES = "<vertices id=\"v\"><input semantic=\"POSITION\" source=\"#pos\"/></vertices>";

} // namespace

TEST(ColladaSource, ChildrenFillTheListsAndTheAccessor)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_animations><animation><source id=\"s\"><asset/><technique/>"
                 "<Name_array>a b</Name_array><IDREF_array>c</IDREF_array>"
                 "<float_array>1 2 3 4</float_array><int_array>5 6</int_array>"
                 "<technique_common><accessor offset=\"1\" stride=\"2\" count=\"2\"/><param/></technique_common><foo/>"
                 "</source><source id=\"t\"><technique_common><accessor/></technique_common></source>"
                 "</animation></library_animations>"));
    const Source* s = doc->sources.find("s");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->names.items, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(s->floats.items, (std::vector<float>{1, 2, 3, 4}));
    EXPECT_EQ(s->ints.items, (std::vector<int>{5, 6}));
    EXPECT_EQ(s->offset, 1);
    EXPECT_EQ(s->stride, 2);
    EXPECT_EQ(s->count, 2);
    const Source* t = doc->sources.find("t");
    EXPECT_EQ(t->stride, 1);
    EXPECT_EQ(t->count, 0);
    EXPECT_EQ(log.count(" Ignored: asset\n Ignored: technique\n"), 1);
    EXPECT_EQ(log.count(" Unknown: param\n Unknown: foo\n"), 1);
    EXPECT_EQ(log.count(" Error: Accessor missing required attribute 'count'\n"), 1);
    EXPECT_EQ(log.count("[box] Collada loader error.: Accessor missing required attribute 'count'\n"), 1);
}

TEST(ColladaSource, SourceWithoutIdIsSkippedWithALogLine)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_animations><animation><source><float_array>1</float_array></source>"
                 "</animation></library_animations>"));
    EXPECT_EQ(doc->sources.size(), 0u);
    EXPECT_EQ(log.count("Error: source: source missing required attribute 'id'"), 1);
}

TEST(ColladaGeometry, ChildrenAreReadIgnoredOrReportedByTag)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_geometries><asset/><extra/><thing/>"
                 "<geometry><mesh/></geometry>"
                 "<geometry id=\"g\"><asset/><convex_mesh/><spline/><extra/><brep/>"
                 "<mesh><linestrips/><extra/><bar/></mesh></geometry></library_geometries>"));
    EXPECT_EQ(doc->meshes.size(), 1u) << "a geometry without id is skipped";
    EXPECT_EQ(log.count(" Ignored: asset\n Ignored: extra\n Unknown: thing\n"), 1);
    EXPECT_EQ(log.count(" Ignored: asset\n Ignored: convex_mesh\n Ignored: spline\n Ignored: extra\n Unknown: brep\n"
                        " Ignored: linestrips\n Ignored: extra\n Unknown: bar\n"),
              1);
}

TEST(ColladaGeometry, MeshWithoutPositionsIsReportedButKept)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_geometries><geometry id=\"g\"><mesh/></geometry></library_geometries>"));
    EXPECT_TRUE(doc->meshes.find("g"));
    EXPECT_EQ(log.count(" Error: Mesh had no vertices\n[box] Collada loader error.: Mesh had no vertices\n"), 1);
}

TEST(VertexSemantic, StringsMapExactlyToCodesComponentsAndArrays)
{
    const std::pair<const char*, int> table[] = {
        {"POSITION", 1},  {"VERTEX", 1},    {"NORMAL", 2},     {"COLOR", 3},       {"TEXCOORD", 4},
        {"TEXCOORD0", 4}, {"TEXCOORD1", 5}, {"TEXCOORD7", 11}, {"TEXTANGENT", 12}, {"TEXBINORMAL", 13},
        {"texcoord", 0},  {"TEXCOORD8", 0}, {"", 0},
    };
    for (const auto& row : table)
        EXPECT_EQ(vertexSemanticFromString(row.first), row.second) << row.first;
    EXPECT_EQ(semanticComponents(SEMANTIC_POSITION), 3);
    EXPECT_EQ(semanticComponents(SEMANTIC_COLOR), 4);
    EXPECT_EQ(semanticComponents(SEMANTIC_TEXCOORD7), 2);
    EXPECT_EQ(semanticComponents(SEMANTIC_TEXTANGENT), 0);
    EXPECT_EQ(semanticComponents(SEMANTIC_NOT_GIVEN), 0);
    EXPECT_EQ(semanticClientArray(SEMANTIC_NORMAL), static_cast<unsigned>(GL_NORMAL_ARRAY));
    EXPECT_EQ(semanticClientArray(static_cast<VertexSemantic>(6)), static_cast<unsigned>(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(semanticClientArray(SEMANTIC_UNKNOWN), 0u);
}

TEST(ColladaInput, VertexInputResolvesThroughTheVerticesElementToItsPositionSource)
{
    LogWatch log;
    Built b(meshBody(TRIANGLE, std::string(VERTICES) +
                                   "<triangles count=\"1\" material=\"m\"><input semantic=\"VERTEX\" source=\"#v\"/>"
                                   "<p>0 1 2</p><extra/><q/></triangles>"));
    const Mesh* mesh = b.doc->meshes.find("g");
    const Mesh::MeshAttribute* input = mesh->subMeshes.get(0)->inputs.get(0);
    EXPECT_EQ(input->semantic, SEMANTIC_POSITION);
    EXPECT_EQ(input->stride, 3);
    EXPECT_EQ(input->data.size(), 9u);
    EXPECT_EQ(mesh->vertexCount, 3);
    EXPECT_EQ(b.doc->sources.find("v"), b.doc->sources.find("pos"));
    EXPECT_EQ(b.doc->materialNames.items, (std::vector<std::string>{"m"}));
    EXPECT_EQ(log.count(" Ignored: extra\n Unknown: q\n"), 1);
}

TEST(ColladaInput, VerticesElementProblemsAreLoggedAndItsOtherInputsKeptOnTheMesh)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(readBody(meshBody(
        TRIANGLE,
        "<vertices><input semantic=\"POSITION\" source=\"#pos\"/></vertices>"
        "<vertices id=\"v\"><input semantic=\"POSITION\"/><input semantic=\"NORMAL\" source=\"#pos\" offset=\"2\"/>"
        "<extra/><z/></vertices>")));
    const Mesh* mesh = doc->meshes.find("g");
    ASSERT_EQ(mesh->attributes.size(), 1u);
    EXPECT_EQ(mesh->attributes.get(0)->semantic, SEMANTIC_NORMAL);
    EXPECT_EQ(mesh->inputsPerVertex, 3);
    EXPECT_EQ(log.count(" ERROR: vertices: vertices missing required attribute 'id'"), 1);
    EXPECT_EQ(log.count("vertices input element missing required attribute 'source'\n Ignored: extra\n Unknown: z\n"),
              1);
}

TEST(ColladaInput, MissingAttributesAreReportedAndAnUnknownSourceLeavesTheInputEmpty)
{
    LogWatch log;
    Built b(meshBody(TRIANGLE, "<triangles count=\"1\"><input semantic=\"TEXCOORD\" set=\"1\" source=\"#pos\"/>"
                               "<input source=\"#pos\" offset=\"1\"/><input semantic=\"POSITION\" source=\"#nowhere\"/>"
                               "<input semantic=\"NORMAL\"/><p>0 0 1 1 2 2</p></triangles>"));
    const Mesh* mesh = b.doc->meshes.find("g");
    const Mesh::SubMesh* group = mesh->subMeshes.get(0);
    EXPECT_EQ(group->inputs.get(0)->semantic, SEMANTIC_TEXCOORD0);
    EXPECT_EQ(group->inputs.get(1)->semantic, SEMANTIC_NOT_GIVEN);
    EXPECT_EQ(group->inputs.get(2)->stride, 0);
    EXPECT_EQ(group->inputs.get(2)->data.size(), 0u);
    EXPECT_EQ(mesh->vertexCount, 0) << "an unknown position source leaves the vertex count as it was";
    EXPECT_EQ(log.count("mesh input semantic \"set\" ignored.\n"), 1);
    EXPECT_EQ(log.count(" Error: Triangles input missing required attribute 'semantic'\n"), 1);
    EXPECT_EQ(log.count(" Error: Triangles input missing required attribute 'source'\n"), 1);
}

TEST(ColladaPrimitiveGroups, GroupsWithoutCountAreDroppedAndPolylistsWarnAboutNonTriangles)
{
    LogWatch log;
    Built b(
        meshBody(TRIANGLE, std::string(VERTICES) +
                               "<triangles><p>0 1 2</p></triangles><polylist><p>0 1 2</p></polylist>"
                               "<polylist count=\"3\"><input semantic=\"VERTEX\" source=\"#v\"/><vcount>4 4 3</vcount>"
                               "<p>0 1 2 0 1 2 0 1 2</p></polylist>"));
    const Mesh* mesh = b.doc->meshes.find("g");
    ASSERT_EQ(mesh->subMeshes.size(), 1u);
    EXPECT_EQ(b.mesh()->vertexCount, 9) << "still read as triangles";
    EXPECT_EQ(log.count(" Error: triangles missing required attribute 'count'\n"), 1);
    EXPECT_EQ(log.count(" Error: polylist missing required attribute 'count'\n"), 1);
    EXPECT_EQ(log.count("[box] Collada loader error.: polylist contained polygons with != 3 vertices\n"), 2);
}

TEST(MeshBuild, EveryIndexTupleBecomesItsOwnVertexInEachInputsStore)
{
    Built b(meshBody(
        "0 0 0 1 0 0 0 1 0 1 1 0",
        std::string(VERTICES) +
            "<source id=\"uv\"><float_array>0 0 1 1</float_array>"
            "<technique_common><accessor count=\"2\" stride=\"2\"/></technique_common></source>"
            "<triangles count=\"2\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/>"
            "<input semantic=\"TEXCOORD\" source=\"#uv\" offset=\"1\"/><p>0 0 1 1 2 0 2 0 1 1 3 1</p></triangles>"));
    MeshVBO* mesh = b.mesh();
    ASSERT_TRUE(mesh);
    EXPECT_EQ(mesh->vertexCount, 6);
    EXPECT_EQ(mesh->materialName, "");
    EXPECT_EQ(b.values(0), (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(b.values(1), (std::vector<float>{0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1}));
    const MeshVBO::MeshVBOAttribute* uv = mesh->attributes.get(1);
    EXPECT_EQ(uv->capacity, 12);
    EXPECT_EQ(uv->fillCount, 12);
    EXPECT_EQ(uv->kind, static_cast<unsigned>(GL_TEXTURE_COORD_ARRAY));
    EXPECT_EQ(uv->buffer, 0u) << "nothing is uploaded without the vertex-buffer entry points";
}

TEST(MeshBuild, FurtherGroupsBecomeChildrenOfTheFirstGroupsMesh)
{
    Built b(meshBody(TRIANGLE, std::string(VERTICES) +
                                   "<triangles count=\"1\" material=\"a\"><input semantic=\"VERTEX\" source=\"#v\"/>"
                                   "<p>0 1 2</p></triangles>"
                                   "<triangles count=\"1\" material=\"b\"><input semantic=\"VERTEX\" source=\"#v\"/>"
                                   "<p>2 1 0</p></triangles>"
                                   "<polygons count=\"1\" material=\"a\"><input semantic=\"VERTEX\" source=\"#v\"/>"
                                   "<p>1 2 0</p></polygons>") +
            "<library_geometries><geometry id=\"empty\"><mesh/></geometry></library_geometries>");
    MeshVBO* main = b.mesh();
    ASSERT_EQ(main->children.size(), 2u);
    EXPECT_EQ(main->materialName, "a");
    EXPECT_EQ(main->children.get(0)->materialName, "b");
    EXPECT_EQ(main->children.get(1)->materialName, "a");
    EXPECT_EQ(b.doc->materialNames.items, (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_FALSE(b.scene->meshes.exists("empty")) << "a geometry without primitive groups registers no mesh";
}

TEST(MeshBuild, SourceStrideOtherThanTheComponentsCopiesWhatFitsAndPadsTheRest)
{
    LogWatch log;
    Built b(meshBody(TRIANGLE,
                     std::string(VERTICES) +
                         "<source id=\"c\"><float_array>0.5 0.25 1 9</float_array>"
                         "<technique_common><accessor count=\"1\" stride=\"3\"/></technique_common></source>"
                         "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/>"
                         "<input semantic=\"TEXCOORD\" source=\"#c\" offset=\"1\"/>"
                         "<input semantic=\"COLOR\" source=\"#c\" offset=\"2\"/><p>0 0 0 1 0 1 2 0 2</p></triangles>"));
    EXPECT_EQ(b.values(1), (std::vector<float>{0.5f, 0.25f, 0.5f, 0.25f, 0.5f, 0.25f}));
    // Colours 1 and 2 lie outside the source; the alpha a stride of 3 lacks is 1, as GL pads it.
    EXPECT_EQ(b.values(2), (std::vector<float>{0.5f, 0.25f, 1, 1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(log.count("group 0 input 1: source stride 3 for 2 components; 2 values per vertex used"), 1);
    EXPECT_EQ(log.count("group 0 input 2: source stride 3 for 4 components; 3 values per vertex used"), 1);
    EXPECT_EQ(log.count("group 0 input 2: 2 vertices have no values in their source; padded\n"), 1);
}

TEST(MeshBuild, IndexListsOfTheWrongLengthBuildOnlyWholeTrianglesThatExist)
{
    LogWatch log;
    Built b(
        meshBody(TRIANGLE,
                 std::string(VERTICES) +
                     "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\"/><p>0 1 2 2 1 0 1</p></triangles>"
                     "<triangles count=\"3\"><input semantic=\"VERTEX\" source=\"#v\"/><p>0 1 2 2 1</p></triangles>"
                     "<triangles count=\"-4\"><input semantic=\"VERTEX\" source=\"#v\"/><p>0 1 2</p></triangles>"
                     "<triangles count=\"2\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"1\"/>"
                     "<p>9 0 9 1 9 2 9</p></triangles>"));
    MeshVBO* main = b.mesh();
    EXPECT_EQ(main->vertexCount, 3) << "longer: the first 3 x count tuples";
    EXPECT_EQ(main->children.get(0)->vertexCount, 3) << "shorter: the whole triangles it holds";
    EXPECT_EQ(main->children.get(1)->vertexCount, 0) << "a negative count builds nothing";
    EXPECT_EQ(main->children.get(2)->vertexCount, 3) << "a half tuple at the end is not read";
    EXPECT_EQ(main->children.get(2)->attributes.get(0)->data, (std::vector<float>{0, 0, 0, 1, 0, 0, 0, 1, 0}));
    for (const char* line : {"group 0: 7 index tuples for 1 triangles; 1 triangles built",
                             "group 1: 5 index tuples for 3 triangles; 1 triangles built",
                             "group 2: 3 index tuples for -4 triangles; 0 triangles built",
                             "group 3: 3 index tuples for 2 triangles; 1 triangles built"})
        EXPECT_EQ(log.count(line), 1) << line;
}

TEST(MeshBuild, IndicesOutsideTheSourceGivePaddedVerticesLoggedOncePerInput)
{
    LogWatch log;
    Built b(meshBody(TRIANGLE,
                     std::string(VERTICES) +
                         "<triangles count=\"2\"><input semantic=\"VERTEX\" source=\"#v\"/>"
                         "<input semantic=\"NORMAL\" source=\"#missing\"/><p>0 3 -1 2147483647 1 2</p></triangles>"));
    EXPECT_EQ(b.values(0), (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(b.values(1), std::vector<float>(18, 0.0f));
    EXPECT_EQ(log.count("group 0 input 0: 3 vertices have no values in their source; padded\n"), 1);
    EXPECT_EQ(log.count("group 0 input 1: 6 vertices have no values in their source; padded\n"), 1);
}

TEST(MeshBuild, EachGroupReadsItsIndexTuplesByItsOwnInputs)
{
    // The geometry's widest group has two indices per vertex; the second group has one.
    Built b(meshBody(TRIANGLE,
                     std::string(VERTICES) +
                         "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/>"
                         "<input semantic=\"NORMAL\" source=\"#pos\" offset=\"1\"/><p>0 0 1 0 2 0</p></triangles>"
                         "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\"/><p>2 1 0</p></triangles>"));
    EXPECT_EQ(b.doc->meshes.find("g")->inputsPerVertex, 2);
    EXPECT_EQ(b.mesh()->children.get(0)->attributes.get(0)->data, (std::vector<float>{0, 1, 0, 1, 0, 0, 0, 0, 0}));
}

TEST(MeshBuild, DegenerateAccessorsNeitherDivideByZeroNorReadAnything)
{
    LogWatch log;
    Built b(
        "<library_geometries><geometry id=\"g\"><mesh><source id=\"s\"><float_array>1 2 3</float_array>"
        "<technique_common><accessor count=\"1\" stride=\"0\"/></technique_common></source>"
        "<source id=\"n\"><float_array>1 2 3</float_array>"
        "<technique_common><accessor count=\"1\" stride=\"-3\"/></technique_common></source>"
        "<triangles count=\"1\"><input semantic=\"POSITION\" source=\"#s\"/><input semantic=\"NORMAL\" source=\"#n\" "
        "offset=\"-2\"/><p>0 0 0</p></triangles></mesh></geometry></library_geometries>");
    EXPECT_EQ(b.doc->meshes.find("g")->vertexCount, 0);
    EXPECT_EQ(b.values(0), std::vector<float>(9, 0.0f));
    EXPECT_EQ(b.values(1), std::vector<float>(9, 0.0f));
    EXPECT_EQ(log.count(" Error: Mesh had no vertices\n"), 1);
}
