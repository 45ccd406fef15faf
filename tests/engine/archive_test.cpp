// The archive without a window: a development folder overrides the archive file by file, and a
// folder can stand in for the archive itself.
#include "engine_api.h"
#include "test_support.h"

#include <gtest/gtest.h>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

void mount(const std::string& data, const std::string& overlay, const std::string& log)
{
    rvkShutDown();
    RvkOptions options;
    options.dataPath = data.c_str();
    options.overlayDir = overlay.empty() ? nullptr : overlay.c_str();
    options.logPath = log.c_str();
    options.boxesToLogOnly = true;
    rvkSetOptions(&options);
    ASSERT_TRUE(rvkReadPak("data.pak"));
}

} // namespace

TEST(Archive, OverlayFilesReplaceAndJoinTheArchivesOwn)
{
    std::string dir = makeTempDir("overlay");
    ASSERT_TRUE(writeFile(dir + "/alpha.txt", "edited\n"));
    ASSERT_TRUE(writeFile(dir + "/beta.material.xml", "<Material/>"));
    mount(testPakPath(), dir, makeTempDir("overlay-log") + "/log.txt");
    EXPECT_STREQ(rvkGetText("alpha.txt"), "edited\n");
    EXPECT_STREQ(rvkGetText("zeta.xml"), "<root><item name=\"x\"/></root>\n");
    ASSERT_EQ(rvkGetTextCount(), 5);
    EXPECT_STREQ(rvkGetTextFileNameAtIndex(1), "beta.material.xml");
}

TEST(Archive, AFolderCanStandInForTheArchive)
{
    std::string dir = makeTempDir("folder");
    ASSERT_TRUE(writeFile(dir + "/scene.dae", "<COLLADA/>"));
    ASSERT_TRUE(writeFile(dir + "/notes.bin", "ignored"));
    mount(dir, "", makeTempDir("folder-log") + "/log.txt");
    ASSERT_EQ(rvkGetTextCount(), 1);
    EXPECT_STREQ(rvkGetText("scene.dae"), "<COLLADA/>");
    rvkShutDown();
}
