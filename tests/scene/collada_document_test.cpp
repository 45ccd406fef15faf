// The document load: top-level dispatch, the loader's messages and exits, parse failures, the
// summary lines and the list readers.
#include "scene_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

using scenetest::LogWatch;
using scenetest::readBody;

TEST(ColladaDocument, TopLevelLibrariesAreReadIgnoredOrReportedByTag)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(readBody(
        "<asset/><library_controllers/><library_effects/><library_force_fields/><library_images/>"
        "<library_materials/><library_nodes/><library_physics_materials/><library_physics_models/>"
        "<library_physics_scenes/><scene/><extra/><library_things/>"
        "<library_geometries/><library_cameras/><library_lights/><library_animations/><library_visual_scenes/>"));
    ASSERT_TRUE(doc);
    for (const char* tag : {"asset", "library_controllers", "library_effects", "library_force_fields", "library_images",
                            "library_materials", "library_nodes", "library_physics_materials", "library_physics_models",
                            "library_physics_scenes", "scene", "extra"})
        EXPECT_EQ(log.count(std::string(" Ignored: ") + tag + "\n"), 1) << tag;
    EXPECT_EQ(log.count(" Unknown type: library_things\n"), 1);
    EXPECT_EQ(log.count("Unknown"), 1) << "the five readable libraries are read, not reported";
}

TEST(ColladaDocument, LoadLogsItsProgressAndTheCountsIncludingVertexAliases)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(
        readBody(scenetest::meshBody(
                     "0 0 0 1 0 0 0 1 0",
                     "<vertices id=\"v\"><input semantic=\"POSITION\" source=\"#pos\"/></vertices>"
                     "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#v\"/><p>0 1 2</p></triangles>") +
                 "<library_visual_scenes><visual_scene id=\"a\"/><visual_scene id=\"b\"/>"
                 "</library_visual_scenes>"));
    std::string text = log.text();
    EXPECT_EQ(text.find("Loading collada file test.dae\n"), 0u);
    EXPECT_NE(text.find(" Warning: Collada file contained multiple scenes.\n Loaded meshes: 1\n Loaded sources: 2\n"
                        "Loading test.dae finished.\n"),
              std::string::npos)
        << text;
}

TEST(ColladaDocument, DocumentWithoutVisualSceneIsStillReturnedWithAWarning)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(readBody(""));
    ASSERT_TRUE(doc);
    EXPECT_EQ(log.count(" Warning: Collada file did not contain a scene element.\n"), 1);
    EXPECT_EQ(buildScenes(doc.get()), nullptr);
}

TEST(ColladaDocument, SyntaxErrorIsReportedAndGivesAnEmptyDocument)
{
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(readColladaDocument("broken.dae", "<COLLADA><library_geometries></COLLADA>"));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->meshes.size(), 0u);
    EXPECT_EQ(log.count(" Error: Opening document failed:\n"), 1);
    EXPECT_EQ(log.count("[box] Collada loader error.: Opening document failed:\n"), 1);
    EXPECT_EQ(log.count(" Loaded meshes: 0\n"), 1);
    EXPECT_EQ(log.count(" Warning: Collada file did not contain a scene element.\n"), 1);
}

TEST(ColladaDocument, TextWithoutCOLLADARootGivesNull)
{
    LogWatch log;
    EXPECT_EQ(readColladaDocument("other.dae", "<?xml version=\"1.0\"?><scene/>"), nullptr);
    EXPECT_EQ(log.count(" Error: No \"COLLADA\" root element found \n"), 1);
    EXPECT_EQ(log.count("finished"), 0);
}

TEST(ColladaDocumentDeathTest, MissingFileShowsABoxCaptionedWithItsNameAndEndsWithExitCodeOne)
{
    EXPECT_EXIT(
        {
            scenetest::ignoreLeaksFromHere();
            loadColladaDocument("nowhere.dae");
        },
        ::testing::ExitedWithCode(1), "\\[box\\] nowhere.dae: Could not find file: 'nowhere.dae'");
}

TEST(ColladaDocumentDeathTest, UnsupportedContentShowsNotSupportedAndEndsWithExitCodeOne)
{
    const std::pair<const char*, const char*> cases[] = {
        {"lines",
         "<library_geometries><geometry id=\"g\"><mesh><lines count=\"1\"/></mesh></geometry></library_geometries>"},
        {"trifans", "<library_geometries><geometry id=\"g\"><mesh><trifans/></mesh></geometry></library_geometries>"},
        {"tristrips",
         "<library_geometries><geometry id=\"g\"><mesh><tristrips/></mesh></geometry></library_geometries>"},
        {"bool_array", "<library_animations><animation><source id=\"s\"><bool_array>true</bool_array></source>"
                       "</animation></library_animations>"},
    };
    for (const auto& c : cases)
        EXPECT_EXIT(
            {
                scenetest::ignoreLeaksFromHere();
                readBody(c.second);
            },
            ::testing::ExitedWithCode(1),
            std::string(" Not supported: ") + c.first + "\n\\[box\\] Collada loader error.:  Not supported: " + c.first)
            << c.first;
}

TEST(ColladaListReaders, NumbersConvertAsAtofAndAtoiDoWithoutOverflow)
{
    std::unique_ptr<ColladaDocument> doc(
        readBody("<library_animations><animation>"
                 "<source id=\"f\"><float_array>1 -2.5\t+3\n1e2 0x10 abc 4abc 1e39</float_array></source>"
                 "<source id=\"i\"><int_array>1 -2 +3 2147483648 -99999999999 7x</int_array></source>"
                 "<source id=\"n\"><Name_array>STEP  LINEAR</Name_array><IDREF_array>x</IDREF_array></source>"
                 "</animation></library_animations>"));
    Source* f = doc->sources.find("f");
    ASSERT_EQ(f->floats.size(), 8u);
    EXPECT_EQ(f->floats.items, (std::vector<float>{1, -2.5f, 3, 100, 16, 0, 4, f->floats.get(7)}));
    EXPECT_TRUE(std::isinf(f->floats.get(7)));
    EXPECT_EQ(doc->sources.find("i")->ints.items, (std::vector<int>{1, -2, 3, INT_MAX, INT_MIN, 7}));
    EXPECT_EQ(doc->sources.find("n")->names.items, (std::vector<std::string>{"STEP", "LINEAR", "x"}));
}

TEST(ColladaListReaders, TokensLongerThan1023CharactersAreReadWholeAndLoggedOncePerElement)
{
    // Read whole, this is exactly 1; cut to 1023 characters it would overflow to infinity.
    std::string one = "1" + std::string(1100, '0') + "e-1100";
    LogWatch log;
    std::unique_ptr<ColladaDocument> doc(readBody("<library_animations><animation><source id=\"f\"><float_array>" +
                                                  one + " 2 " + one +
                                                  "</float_array></source></animation></library_animations>"));
    EXPECT_EQ(doc->sources.find("f")->floats.items, (std::vector<float>{1, 2, 1}));
    EXPECT_EQ(log.count(" Warning: float_array: a value of 1107 characters was read whole\n"), 1);
}
