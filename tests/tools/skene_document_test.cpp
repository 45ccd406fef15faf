// skene_document_test.cpp - the scene generator's output, read back: what the production's loader
// and material binding will meet, the features the scene must exercise, the eyes of the effects
// kept clear of stone, and the generator's building blocks (shapes, occlusion, glow light).
#include "skene_bake.h"
#include "skene_collada.h"
#include "skene_layout.h"
#include "skene_reader.h"
#include "skene_shapes.h"
#include "skene_views.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sstream>

using namespace skenetest;

namespace {

const char* const kDocumentName = "skene_ao_materials_fixd.dae";

std::string contentDir() { return SKENE_CONTENT_DIR; }

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, separator))
        if (!item.empty())
            out.push_back(item);
    return out;
}

std::set<std::string> filesIn(const std::string& dir)
{
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

bool fileExists(const std::string& path)
{
    std::string bytes;
    return testsupport::readFile(path, bytes);
}

// --- The generator as a build step ------------------------------------------------------------

TEST(SkeneGenerator, WritesExactlyTheFilesTheBuildDeclares)
{
    std::string dir = testsupport::makeTempDir("skenegen-outputs");
    ASSERT_EQ(testsupport::runCommand(std::string(SKENEGEN_PATH) + " " + dir), 0);
    std::vector<std::string> declared = split(SKENE_OUTPUTS, ',');
    EXPECT_EQ(filesIn(dir), std::set<std::string>(declared.begin(), declared.end()));
}

TEST(SkeneGenerator, SameSourceGivesSameBytes)
{
    std::string a = testsupport::makeTempDir("skenegen-a"), b = testsupport::makeTempDir("skenegen-b");
    ASSERT_EQ(testsupport::runCommand(std::string(SKENEGEN_PATH) + " " + a), 0);
    ASSERT_EQ(testsupport::runCommand(std::string(SKENEGEN_PATH) + " " + b), 0);
    for (const std::string& name : split(SKENE_OUTPUTS, ',')) {
        std::string first, second;
        ASSERT_TRUE(testsupport::readFile(a + "/" + name, first)) << name;
        ASSERT_TRUE(testsupport::readFile(b + "/" + name, second)) << name;
        EXPECT_TRUE(first == second) << name << " differs between two runs";
        EXPECT_FALSE(first.empty()) << name;
    }
}

TEST(SkeneGenerator, RefusesAMissingOrUnwritableFolder)
{
    EXPECT_NE(testsupport::runCommand(std::string(SKENEGEN_PATH) + " 2>/dev/null"), 0);
    EXPECT_NE(testsupport::runCommand(std::string(SKENEGEN_PATH) + " /nonexistent/folder 2>/dev/null"), 0);
}

// --- The writer -------------------------------------------------------------------------------

void expectNodesMatch(const std::vector<skene::Node>& nodes, const Document& doc)
{
    for (const skene::Node& n : nodes) {
        const NodeData* read = doc.node(n.id);
        ASSERT_NE(read, nullptr) << n.id;
        Mat4 local = skene::localMatrix(n);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(read->local.m[i], local.m[i], 2e-5f) << n.id << " element " << i;
        expectNodesMatch(n.children, doc);
    }
}

TEST(SkeneCollada, WrittenSceneReadsBackToTheSameTrianglesColoursAndMatrices)
{
    skene::Scene scene = skene::buildSkene();
    for (skene::Geometry& g : scene.geometries)
        for (skene::Group& group : g.groups)
            for (size_t i = 0; i < group.vertices.size(); ++i) {
                group.vertices[i].ao = skene::hashUnit(static_cast<unsigned>(i));
                group.vertices[i].light = Vec3(0.5f, 1.0f, 3.0f) * skene::hashUnit(static_cast<unsigned>(i) + 7u);
            }
    std::string path = testsupport::makeTempDir("skene-roundtrip") + "/scene.dae";
    ASSERT_TRUE(testsupport::writeFile(path, skene::colladaText(scene)));
    Document doc;
    ASSERT_TRUE(readDocument(path, doc));
    EXPECT_TRUE(doc.problems.empty());

    for (const skene::Geometry& g : scene.geometries) {
        const std::vector<Primitive>& prims = doc.geometries[skene::colladaGeometryId(g.id)];
        ASSERT_EQ(prims.size(), g.groups.size()) << g.id;
        for (size_t gi = 0; gi < prims.size(); ++gi) {
            const skene::Group& group = g.groups[gi];
            const Primitive& prim = prims[gi];
            EXPECT_EQ(prim.material, group.material);
            EXPECT_EQ(prim.polylist, group.polylist);
            ASSERT_EQ(prim.vertexCount(), group.indices.size()) << g.id;
            EXPECT_EQ(prim.texcoords.empty(), !g.texcoords) << g.id;
            EXPECT_EQ(prim.colours.empty(), !g.colours) << g.id;
            for (size_t k = 0; k < group.indices.size(); ++k) {
                const skene::Vertex& v = group.vertices[group.indices[k]];
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(prim.positions[3 * k + c], v.position[c], 6e-5f) << g.id << " vertex " << k;
                    ASSERT_NEAR(prim.normals[3 * k + c], v.normal[c], 6e-5f) << g.id << " vertex " << k;
                }
                if (g.colours) {
                    for (int c = 0; c < 3; ++c)
                        ASSERT_NEAR(prim.colours[4 * k + c], std::min(v.light[c] / skene::kBakedLightScale, 1.0f),
                                    6e-4f) << g.id << " vertex " << k;
                    ASSERT_NEAR(prim.colours[4 * k + 3], v.ao, 6e-4f) << g.id << " vertex " << k;
                }
            }
        }
    }
    expectNodesMatch(scene.nodes, doc);
}

// --- The document as the loader will read it --------------------------------------------------

class SkeneDocument : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (doc.geometries.empty())
            readDocument(contentDir() + "/" + kDocumentName, doc);
    }
    static Document doc;

    static std::set<std::string> symbolsUsed()
    {
        std::set<std::string> symbols;
        for (const auto& g : doc.geometries)
            for (const Primitive& p : g.second)
                symbols.insert(p.material);
        return symbols;
    }
};
Document SkeneDocument::doc;

TEST_F(SkeneDocument, ReadsWithoutAnythingTheLoaderWouldRefuseOrMisread)
{
    EXPECT_FALSE(doc.geometries.empty());
    for (const std::string& p : doc.problems)
        ADD_FAILURE() << p;
}

TEST_F(SkeneDocument, EveryReferenceResolves)
{
    for (const NodeData& n : doc.nodes) {
        EXPECT_TRUE(n.geometry.empty() || doc.geometries.count(n.geometry)) << n.id << " instances " << n.geometry;
        EXPECT_TRUE(n.camera.empty() || doc.cameras.count(n.camera)) << n.id;
        EXPECT_TRUE(n.light.empty() || doc.lights.count(n.light)) << n.id;
    }
    for (const TrackData& t : doc.tracks) {
        size_t slash = t.target.find('/');
        ASSERT_NE(slash, std::string::npos) << t.id;
        const NodeData* node = doc.node(t.target.substr(0, slash));
        ASSERT_NE(node, nullptr) << t.id << " targets " << t.target;
        std::string sid = t.target.substr(slash + 1, t.target.find('.') - slash - 1);
        EXPECT_TRUE(std::count(node->transformSids.begin(), node->transformSids.end(), sid))
            << t.target << ": the node has no transformation with sid " << sid;
    }
}

TEST_F(SkeneDocument, EveryNodeBindsTheMaterialsOfItsGeometry)
{
    for (const NodeData& n : doc.nodes) {
        if (n.geometry.empty())
            continue;
        std::set<std::string> bound(n.boundMaterials.begin(), n.boundMaterials.end());
        for (const Primitive& p : doc.geometries[n.geometry])
            EXPECT_TRUE(bound.count(p.material)) << n.id << " does not bind " << p.material;
    }
}

TEST_F(SkeneDocument, BindingsCoverEverySymbolAndNameLoadedMaterials)
{
    TiXmlDocument bindings;
    ASSERT_TRUE(bindings.LoadFile((contentDir() + "/skene.material_bindings.xml").c_str()));
    std::set<std::string> bound;
    for (const TiXmlElement* e = bindings.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
        ASSERT_STREQ(e->Value(), "Binding");
        ASSERT_TRUE(e->Attribute("MaterialType") && e->Attribute("Material"));
        std::string type = e->Attribute("MaterialType"), key = e->Attribute("Material");
        EXPECT_TRUE(symbolsUsed().count(type)) << "binding for a symbol the document does not use: " << type;
        EXPECT_TRUE(fileExists(contentDir() + "/" + key + ".material.xml")) << key;
        bound.insert(type);
    }
    for (const std::string& symbol : symbolsUsed())
        EXPECT_TRUE(bound.count(symbol)) << symbol << " is drawn with no material";
}

TEST_F(SkeneDocument, MaterialFilesNameExistingProgramsAndImages)
{
    int files = 0;
    for (const std::string& name : filesIn(contentDir())) {
        if (name.size() <= 13 || name.compare(name.size() - 13, 13, ".material.xml") != 0)
            continue;
        ++files;
        TiXmlDocument m;
        ASSERT_TRUE(m.LoadFile((contentDir() + "/" + name).c_str())) << name;
        const TiXmlElement* shader = m.RootElement()->FirstChildElement();
        ASSERT_NE(shader, nullptr);
        ASSERT_STREQ(shader->Value(), "Shader") << name << ": the program must come before its values";
        std::string program = shader->Attribute("file");
        for (const char* part : {".frag.glsl", ".vert.glsl"})
            EXPECT_TRUE(fileExists(contentDir() + "/" + program + part)) << program << part;
        const TiXmlElement* parameters = m.RootElement()->FirstChildElement("Parameters");
        ASSERT_NE(parameters, nullptr) << name;
        for (const TiXmlElement* t = parameters->FirstChildElement("Texture"); t; t = t->NextSiblingElement("Texture"))
            EXPECT_TRUE(fileExists(contentDir() + "/" + t->Attribute("file"))) << name << ": " << t->Attribute("file");
    }
    EXPECT_GE(files, 3);
}

TEST_F(SkeneDocument, ExercisesEverythingTheLoaderReads)
{
    std::set<std::string> semantics, kinds;
    bool triangles = false, polylist = false;
    for (const auto& g : doc.geometries)
        for (const Primitive& p : g.second) {
            semantics.insert(p.semantics.begin(), p.semantics.end());
            (p.polylist ? polylist : triangles) = true;
        }
    EXPECT_TRUE(triangles && polylist);
    EXPECT_EQ(semantics, (std::set<std::string>{"VERTEX", "NORMAL", "TEXCOORD", "COLOR"}));

    std::string text;
    ASSERT_TRUE(testsupport::readFile(contentDir() + "/" + kDocumentName, text));
    for (const char* tag : {"<matrix", "<rotate", "<scale", "<translate", "<instance_camera", "<instance_light",
                            "<perspective", "<ambient>", "<directional>", "<point>", "<vcount>"})
        EXPECT_NE(text.find(tag), std::string::npos) << tag;

    std::set<std::string> interpolations, members;
    bool nested = false;
    for (const TrackData& t : doc.tracks) {
        interpolations.insert(t.interpolations.begin(), t.interpolations.end());
        members.insert(t.target.substr(t.target.find('/') + 1));
        nested = nested || t.depth > 0;
    }
    EXPECT_EQ(interpolations, (std::set<std::string>{"STEP", "LINEAR", "BEZIER"}));
    EXPECT_TRUE(nested) << "no nested animation";
    for (const char* m : {"rotation_x.ANGLE", "rotation_y.ANGLE", "rotation_z.ANGLE", "scale.X", "scale.Y", "scale.Z",
                          "translation.X", "translation.Y", "translation.Z"})
        EXPECT_TRUE(members.count(m)) << "nothing animates " << m;
}

TEST_F(SkeneDocument, TracksRunWithinTenSecondsWithWellFormedKeys)
{
    for (const TrackData& t : doc.tracks) {
        size_t n = t.times.size();
        ASSERT_GT(n, 0u) << t.id;
        EXPECT_EQ(t.values.size(), n) << t.id;
        EXPECT_EQ(t.interpolations.size(), n) << t.id;
        for (size_t i = 0; i < n; ++i) {
            EXPECT_GE(t.times[i], 0.0f) << t.id;
            EXPECT_LE(t.times[i], 10.0f) << t.id;
            EXPECT_TRUE(i == 0 || t.times[i] > t.times[i - 1]) << t.id << " key " << i;
        }
        bool bezier = std::count(t.interpolations.begin(), t.interpolations.end(), "BEZIER") > 0;
        if (!bezier)
            continue;
        ASSERT_EQ(t.inTangents.size(), 2 * n) << t.id;
        ASSERT_EQ(t.outTangents.size(), 2 * n) << t.id;
        // The loader solves Bezier time curves by halving: handles must stay between their keys.
        for (size_t i = 0; i + 1 < n; ++i) {
            EXPECT_GE(t.outTangents[2 * i], t.times[i]) << t.id << " key " << i;
            EXPECT_LE(t.outTangents[2 * i], t.inTangents[2 * (i + 1)]) << t.id << " key " << i;
            EXPECT_LE(t.inTangents[2 * (i + 1)], t.times[i + 1]) << t.id << " key " << i + 1;
        }
    }
}

TEST_F(SkeneDocument, LitStoneHangsOnlyUnderIdentityNodes)
{
    // The lights are placed under each mesh's node matrix: stone under a moved node would be lit
    // from the wrong places. Moved nodes carry only glowing parts and small metal fittings.
    for (const NodeData& n : doc.nodes) {
        if (n.geometry.empty())
            continue;
        bool identity = true;
        for (int i = 0; i < 16; ++i)
            identity = identity && std::fabs(n.world.m[i] - (i % 5 == 0 ? 1.0f : 0.0f)) < 1e-6f;
        for (const Primitive& p : doc.geometries[n.geometry])
            EXPECT_TRUE(identity || (p.material != "stone" && p.material != "floor")) << n.id << " moves " << p.material;
    }
}

TEST_F(SkeneDocument, SpansTheLengthTheEffectsLookAlong)
{
    float zMin = 1e9f, zMax = -1e9f, yMin = 1e9f;
    size_t triangles = 0;
    for (const NodeData& n : doc.nodes) {
        auto g = doc.geometries.find(n.geometry);
        if (g == doc.geometries.end())
            continue;
        for (const Primitive& p : g->second) {
            triangles += p.vertexCount() / 3;
            for (size_t i = 0; i < p.vertexCount(); ++i) {
                Vec3 w = n.world.point({p.positions[3 * i], p.positions[3 * i + 1], p.positions[3 * i + 2]});
                zMin = std::min(zMin, w.z), zMax = std::max(zMax, w.z), yMin = std::min(yMin, w.y);
            }
        }
    }
    EXPECT_GE(zMax, 65.0f);
    EXPECT_LE(zMin, -100.0f);
    EXPECT_LT(yMin, skene::plan::kFloorY);
    // Software rendering in CI draws every frame: tens of thousands of triangles at most.
    EXPECT_LT(triangles, 60000u);
}

// --- The effects' eyes ------------------------------------------------------------------------

// Shortest distance from p to the triangle (a, b, c).
float distanceToTriangle(const Vec3& p, const Vec3& a, const Vec3& b, const Vec3& c)
{
    Vec3 ab = b - a, ac = c - a, ap = p - a;
    float d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return length(ap);
    Vec3 bp = p - b;
    float d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return length(bp);
    float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return length(p - (a + ab * (d1 / (d1 - d3))));
    Vec3 cp = p - c;
    float d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return length(cp);
    float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return length(p - (a + ac * (d2 / (d2 - d6))));
    float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return length(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
    float denom = 1 / (va + vb + vc);
    return length(p - (a + ab * (vb * denom) + ac * (vc * denom)));
}

class EffectEyes : public SkeneDocument {
protected:
    // Distance from a scene-space point to the nearest static triangle (0 inside a closed body
    // is not detected; the eyes are checked along paths that start in the open).
    static float clearance(const Vec3& p, float within)
    {
        static const std::vector<Vec3> corners = doc.worldTriangles();
        float best = within;
        for (size_t i = 0; i + 2 < corners.size(); i += 3) {
            const Vec3 &a = corners[i], &b = corners[i + 1], &c = corners[i + 2];
            if (std::min({a.x, b.x, c.x}) > p.x + best || std::max({a.x, b.x, c.x}) < p.x - best ||
                std::min({a.y, b.y, c.y}) > p.y + best || std::max({a.y, b.y, c.y}) < p.y - best ||
                std::min({a.z, b.z, c.z}) > p.z + best || std::max({a.z, b.z, c.z}) < p.z - best)
                continue;
            best = std::min(best, distanceToTriangle(p, a, b, c));
        }
        return best;
    }
    static Vec3 sceneSpaceEye(const View& v)
    {
        // The effects' scene transforms are a translation and a small rotation: invert them.
        const Mat4& m = v.sceneTransform;
        Vec3 t = v.eye - Vec3(m.m[12], m.m[13], m.m[14]);
        return {m.m[0] * t.x + m.m[1] * t.y + m.m[2] * t.z, m.m[4] * t.x + m.m[5] * t.y + m.m[6] * t.z,
                m.m[8] * t.x + m.m[9] * t.y + m.m[10] * t.z};
    }
};

TEST_F(EffectEyes, TheFlightDownTheArcadeNeverGrazesStone)
{
    // The scene effect's near plane is 0.1; its camera shake adds at most 0.03.
    for (float ms = 96150; ms <= 123400; ms += 40) {
        View v = colladaView(ms);
        EXPECT_GT(clearance(v.eye, 0.25f), 0.2f) << "at " << ms << " ms, eye " << v.eye.x << " " << v.eye.y << " "
                                                 << v.eye.z;
    }
}

TEST_F(EffectEyes, TheOtherEffectsLookFromOpenAir)
{
    for (float p = 0; p <= 1.0f; p += 0.01f) {
        // blurparticles clips everything nearer than 4 units: its eye just has to be above the deck.
        EXPECT_GT(clearance(sceneSpaceEye(blurparticlesView(p)), 0.2f), 0.1f) << "blurparticles at " << p;
        EXPECT_GT(clearance(sceneSpaceEye(skeneView(p)), 0.5f), 0.4f) << "skene1 at " << p;
        for (int shot : {0, 3, 5})
            EXPECT_GT(clearance(sceneSpaceEye(particleblobView(p, shot)), 0.6f), 0.5f)
                << "particleblob shot " << shot << " at " << p;
    }
    // pressure2's orbits reach 5.5 units around (0, 2.5, -50) and sometimes pass through the thin
    // deck; they must never look up from under the hall's floor.
    for (float p = 0; p <= 1.0f; p += 0.001f)
        EXPECT_GT(sceneSpaceEye(pressure2View(p)).y, skene::plan::kHallFloorY + 0.3f) << "pressure2 at " << p;
}

// --- Building blocks --------------------------------------------------------------------------

// Volume enclosed by a group's triangles (positive when they wind outwards).
float enclosedVolume(const skene::Group& g)
{
    float volume = 0;
    for (size_t i = 0; i < g.indices.size(); i += 3) {
        const Vec3& a = g.vertices[g.indices[i]].position;
        const Vec3& b = g.vertices[g.indices[i + 1]].position;
        const Vec3& c = g.vertices[g.indices[i + 2]].position;
        volume += dot(a, cross(b, c)) / 6;
    }
    return volume;
}

TEST(SkeneShapes, ClosedShapesWindOutwardsAndEncloseTheirVolume)
{
    skene::Group box, beam, column, torus;
    skene::addBox(box, {1, 2, 3}, {2, 4, 6});
    EXPECT_NEAR(enclosedVolume(box), 6.0f, 1e-4f);
    skene::addBeam(beam, {0, 0, 0}, {3, 4, 0}, 0.1f);
    EXPECT_NEAR(enclosedVolume(beam), 5 * 0.2f * 0.2f, 1e-4f);
    skene::addColumn(column, {5, 0, 5}, 0, 2, 1, 1, 64, 3, true, true);
    EXPECT_NEAR(enclosedVolume(column), 2 * skene::kPi, 0.02f);
    skene::addTorus(torus, {0, 1, 0}, {0, 1, 0}, 2, 0.25f, 96, 24);
    float ring = 2 * skene::kPi * skene::kPi * 2 * 0.25f * 0.25f;
    EXPECT_NEAR(enclosedVolume(torus), ring, ring * 0.02f); // the polygonal tube is a little thinner
}

TEST(SkeneShapes, ArchAndWindowPanelsAreSolidStoneAroundTheirOpening)
{
    skene::Panel arch;
    arch.origin = {0, 0, 7};
    arch.u0 = -2, arch.u1 = 2, arch.v0 = 1, arch.v1 = 3.5f;
    arch.cu = 0, arch.cv = 1, arch.radius = 1.5f;
    arch.segments = 96;
    skene::Group a;
    skene::addPanel(a, arch);
    float archArea = 4 * 2.5f - skene::kPi * 1.5f * 1.5f / 2;
    EXPECT_NEAR(enclosedVolume(a), archArea * arch.thickness, 0.01f);

    skene::Panel window = arch;
    window.right = {0, 0, 1};
    window.v0 = -1, window.cv = 1.2f, window.radius = 1;
    window.a1 = 2 * skene::kPi;
    skene::Group w;
    skene::addPanel(w, window);
    EXPECT_NEAR(enclosedVolume(w), (4 * 4.5f - skene::kPi) * window.thickness, 0.01f);
}

TEST(SkeneShapes, VertexNormalsAgreeWithTheWindingOfTheirTriangles)
{
    skene::Group g;
    skene::Panel arch;
    arch.u0 = -2, arch.u1 = 2, arch.v0 = 1, arch.v1 = 3.5f, arch.cv = 1, arch.cu = 0, arch.radius = 1.6f;
    skene::addPanel(g, arch);
    skene::addColumn(g, {0, 0, 0}, 0, 1, 0.4f, 0.2f, 12, 2, true, true);
    skene::addSphere(g, {3, 0, 0}, 0.5f, 12, 8);
    skene::addFloorGrid(g, {0, 1, 2}, {0, -1, -2}, 0);
    for (size_t i = 0; i < g.indices.size(); i += 3) {
        const skene::Vertex& a = g.vertices[g.indices[i]];
        Vec3 face = cross(g.vertices[g.indices[i + 1]].position - a.position,
                          g.vertices[g.indices[i + 2]].position - a.position);
        for (int k = 0; k < 3; ++k)
            EXPECT_GT(dot(face, g.vertices[g.indices[i + k]].normal), 0.0f) << "triangle " << i / 3;
    }
}

// A floor quad from (-5, 0, -5) to (5, 0, 5), and optionally a wall at x = 0 (z -5..5, up to 3).
std::vector<Vec3> floorAndWall(bool wall)
{
    std::vector<Vec3> t = {{-5, 0, -5}, {-5, 0, 5}, {5, 0, 5}, {-5, 0, -5}, {5, 0, 5}, {5, 0, -5}};
    if (wall)
        for (const Vec3& v : std::vector<Vec3>{{0, 0, -5}, {0, 3, -5}, {0, 3, 5}, {0, 0, -5}, {0, 3, 5}, {0, 0, 5}})
            t.push_back(v);
    return t;
}

TEST(SkeneBake, OpenFloorIsUnoccludedAndDarkensTowardsAWall)
{
    skene::OcclusionSettings settings;
    skene::Occluders open(floorAndWall(false)), walled(floorAndWall(true));
    EXPECT_FLOAT_EQ(skene::occlusionAt(open, {1, 0, 0}, {0, 1, 0}, 7, settings), 1.0f);
    float far = skene::occlusionAt(walled, {3, 0, 0}, {0, 1, 0}, 7, settings);
    float near = skene::occlusionAt(walled, {0.5f, 0, 0}, {0, 1, 0}, 7, settings);
    float corner = skene::occlusionAt(walled, {0.05f, 0, 0}, {0, 1, 0}, 7, settings);
    EXPECT_FLOAT_EQ(far, 1.0f);
    EXPECT_LT(near, 0.95f);
    EXPECT_LT(corner, near);
    EXPECT_GT(corner, 0.2f); // half the hemisphere is still open
}

TEST(SkeneBake, OcclusionIsRepeatable)
{
    skene::OcclusionSettings settings;
    skene::Occluders walled(floorAndWall(true));
    for (unsigned seed : {1u, 2u, 99u})
        EXPECT_EQ(skene::occlusionAt(walled, {0.4f, 0, 1}, {0, 1, 0}, seed, settings),
                  skene::occlusionAt(walled, {0.4f, 0, 1}, {0, 1, 0}, seed, settings));
}

TEST(SkeneBake, RaysFindTheNearestSurfaceOnly)
{
    skene::Occluders walled(floorAndWall(true));
    EXPECT_NEAR(walled.nearestHit({-2, 1, 0}, {1, 0, 0}, 10), 2.0f, 1e-5f);
    EXPECT_NEAR(walled.nearestHit({-2, 1, 0}, {0, -1, 0}, 10), 1.0f, 1e-5f);
    EXPECT_EQ(walled.nearestHit({-2, 1, 0}, {0, 1, 0}, 10), 10.0f); // nothing above
    EXPECT_EQ(walled.nearestHit({-2, 1, 0}, {1, 0, 0}, 1.5f), 1.5f); // wall beyond the reach
}

TEST(SkeneBake, GlowLightsWhatFacesItAndStopsAtWalls)
{
    skene::Occluders walled(floorAndWall(true));
    std::vector<skene::Emitter> lamp = {{{-1, 1, 0}, {1, 0.5f, 0.25f}, 2}};
    Vec3 lit = skene::glowLightAt(walled, lamp, {-1, 0, 0}, {0, 1, 0});
    EXPECT_GT(lit.x, 0.3f);
    EXPECT_NEAR(lit.y / lit.x, 0.5f, 1e-5f);
    EXPECT_GT(lit.x, skene::glowLightAt(walled, lamp, {-3, 0, 0}, {0, 1, 0}).x); // farther, dimmer
    Vec3 behindWall = skene::glowLightAt(walled, lamp, {1, 0, 0}, {0, 1, 0});
    EXPECT_EQ(behindWall.x, 0.0f);
    Vec3 facingAway = skene::glowLightAt(walled, lamp, {-1, 2, 0}, {0, 1, 0});
    EXPECT_EQ(facingAway.x, 0.0f);
    Vec3 outOfReach = skene::glowLightAt(walled, lamp, {-5, 0, -5}, {0, 1, 0});
    EXPECT_EQ(outOfReach.x, 0.0f);
}

} // namespace
