// The nesting scan before parsing, and the readers refusing documents nested too deeply (without
// it TinyXML's and the node reader's recursion overflow the stack); the readers' parse stopping at
// the text's end.
#include "scene_test_support.h"

#include "engine_api.h"
#include "scene/material.h"
#include "scene/xml_depth.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

using scenetest::LogWatch;

namespace {

std::string nested(const std::string& tag, int levels)
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<" + tag + ">";
    for (int i = 0; i < levels; ++i)
        text += "</" + tag + ">";
    return text;
}

} // namespace

TEST(XmlDepth, CountsElementsAsAParserSeesThem)
{
    EXPECT_EQ(xmlElementDepth(nullptr), 0);
    EXPECT_EQ(xmlElementDepth("no markup"), 0);
    EXPECT_EQ(xmlElementDepth("<a><b/><c><d></d></c></a>"), 3);
    EXPECT_EQ(xmlElementDepth("<?xml version=\"1.0\"?><!DOCTYPE x><a><!-- <b><c> --><![CDATA[<d><e>]]></a>"), 1);
    // Quoted values may hold '>' and "/>"; "<a/ >" still closes itself.
    EXPECT_EQ(xmlElementDepth("<a x=\"/>\" y='>'><b/ ><c z=\"<d>\"></c></a>"), 2);
    // Unclosed elements count as open; stray closing tags never go below zero.
    EXPECT_EQ(xmlElementDepth("</x></x><a><b><c"), 3);
    EXPECT_EQ(xmlElementDepth(nested("n", 600).c_str()), kMaxXmlDepth + 1);
    EXPECT_EQ(xmlElementDepth(nested("n", 600).c_str(), 1000), 600);
}

TEST(XmlDepth, AColladaDocumentAtTheBoundLoadsOneDeeperIsRefused)
{
    // COLLADA, library, visual scene: three levels above the nodes.
    auto document = [](int nodes) {
        return "<COLLADA><library_visual_scenes><visual_scene id=\"s\">" + nested("node", nodes) +
               "</visual_scene></library_visual_scenes></COLLADA>";
    };
    std::unique_ptr<ColladaDocument> atBound(readColladaDocument("bound.dae", document(kMaxXmlDepth - 3).c_str()));
    ASSERT_TRUE(atBound);
    EXPECT_EQ(atBound->scenes.size(), 1u);

    LogWatch log;
    std::string deep = document(200000);
    EXPECT_EQ(readColladaDocument("deep.dae", deep.c_str()), nullptr);
    EXPECT_EQ(log.count(" Error: Opening document failed:\nElements nested deeper than 512 levels"), 1) << log.text();
    EXPECT_EQ(log.count("[box] Collada loader error."), 1);
}

namespace {

// In a child process: the folder as the archive, STEM.material.xml loaded and
// STEM.material_bindings.xml bound, then exit 0; what they log goes to stderr.
[[noreturn]] void loadMaterialFilesAndExit(const std::string& dir, const std::string& stem)
{
    scenetest::ignoreLeaksFromHere();
    BRAVIK_LUMENVAT::RvkOptions options;
    options.dataPath = dir.c_str();
    options.logPath = "/dev/null";
    options.boxesToLogOnly = true;
    BRAVIK_LUMENVAT::rvkSetOptions(&options);
    BRAVIK_LUMENVAT::rvkReadPak("data.pak");
    Material material;
    material.load((stem + ".material.xml").c_str());
    bindMaterials(nullptr, nullptr, nullptr, (stem + ".material_bindings.xml").c_str(), nullptr);
    std::exit(0);
}

} // namespace

TEST(XmlDepthDeathTest, DeepMaterialAndBindingsFilesAreRefusedWithTheirParseErrorLines)
{
    std::string dir = testsupport::makeTempDir("deep-xml");
    ASSERT_TRUE(testsupport::writeFile(dir + "/deep.material.xml",
                                       "<Material><Parameters>" + nested("Parameters", 100000) + "</Parameters></Material>"));
    ASSERT_TRUE(testsupport::writeFile(dir + "/deep.material_bindings.xml", "<Bindings>" + nested("Binding", 100000)));
    // The line break is spelt out: in GoogleTest's own regular expressions (Windows) '.' matches none.
    EXPECT_EXIT(loadMaterialFilesAndExit(dir, "deep"),
        ::testing::ExitedWithCode(0),
        "ERROR: Material config : Error occurred while reading file: deep.material.xml ERROR: Elements nested deeper "
        "than 512 levels.*\nERROR: Material bindings config : Error occurred while reading file: "
        "deep.material_bindings.xml ERROR: Elements nested deeper than 512 levels");
}

namespace {

// A UTF-8 document whose text ends inside a four-byte sequence, in an attribute value: what
// follows the terminator in memory ("xy\">..." here) would close the value and go on parsing.
std::string cutInsideASequence(const std::string& head, const std::string& beyondTheEnd)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>" + head + "=\"\xF0" + std::string(1, '\0') + "xy\">" +
           beyondTheEnd;
}

} // namespace

TEST(XmlParse, ADocumentEndingInACutOffSequenceIsNotReadPastItsEnd)
{
    std::string bytes = cutInsideASequence("<COLLADA version",
                                           "<library_visual_scenes><visual_scene id=\"s\"/></library_visual_scenes>"
                                           "</COLLADA>");
    LogWatch log;
    std::unique_ptr<ColladaDocument> document(readColladaDocument("cut.dae", bytes.c_str()));
    if (document) {
        EXPECT_EQ(document->scenes.size(), 0u) << "the scene after the text's end was read";
    }
    EXPECT_EQ(log.count(" Error: Opening document failed:"), 1) << log.text();
}

TEST(XmlParseDeathTest, MaterialAndBindingsFilesEndingInACutOffSequenceAreNotReadPastTheirEnd)
{
    // Archive texts keep what follows a NUL byte, so a file holding one shows the parser's over-read.
    std::string dir = testsupport::makeTempDir("cut-xml");
    ASSERT_TRUE(testsupport::writeFile(dir + "/cut.material.xml", cutInsideASequence("<Material name", "</Material>")));
    ASSERT_TRUE(
        testsupport::writeFile(dir + "/cut.material_bindings.xml", cutInsideASequence("<Bindings name", "</Bindings>")));
    EXPECT_EXIT(loadMaterialFilesAndExit(dir, "cut"),
        ::testing::ExitedWithCode(0),
        "ERROR: Material config : Error occurred while reading file: cut.material.xml ERROR: .*\n"
        "ERROR: Material bindings config : Error occurred while reading file: cut.material_bindings.xml ERROR: ");
}
