// The archive without a window: a development folder overrides the archive file by file, and a
// folder can stand in for the archive itself.
#include "engine_api.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

TEST(Archive, AFifoOrAHugeFileInTheOverlayIsLeftOutWithALogLine)
{
    std::string dir = makeTempDir("overlay-odd");
    ASSERT_EQ(mkfifo((dir + "/stuck.glsl").c_str(), 0644), 0);
    // Sparse: 65 MiB claimed, nothing written.
    ASSERT_EQ(runCommand("truncate -s 65M '" + dir + "/huge.png'"), 0);
    ASSERT_TRUE(writeFile(dir + "/fine.txt", "fine"));
    std::string log = makeTempDir("overlay-odd-log") + "/log.txt";
    mount(testPakPath(), dir, log);
    EXPECT_STREQ(rvkGetText("fine.txt"), "fine");
    EXPECT_EQ(rvkGetText("stuck.glsl"), nullptr);
    EXPECT_STREQ(rvkGetText("alpha.txt"), "alpha text\n") << "the archive's own files stay";
    std::string text;
    ASSERT_TRUE(readFile(log, text));
    EXPECT_NE(text.find("stuck.glsl is not a regular file; left out"), std::string::npos) << text;
    EXPECT_NE(text.find("huge.png holds 68157440 bytes, more than the 64 MiB a file may; left out"),
              std::string::npos)
        << text;
    rvkShutDown();
}

TEST(Archive, AnEntryWithAnUnsafeNameIsSkippedAndTheRestStays)
{
    std::string dir = makeTempDir("unsafe-zip");
    ASSERT_TRUE(writeFile(dir + "/data.pak", zipOf({{"alpha.txt", "alpha"},
                                                    {"/etc/evil.txt", "evil"},
                                                    {"../up.txt", "up"},
                                                    {"zeta.xml", "<a/>"}})));
    std::string log = dir + "/log.txt";
    mount(dir + "/data.pak", "", log);
    ASSERT_EQ(rvkGetTextCount(), 2);
    EXPECT_STREQ(rvkGetText("alpha.txt"), "alpha");
    EXPECT_STREQ(rvkGetText("zeta.xml"), "<a/>");
    std::string text;
    ASSERT_TRUE(readFile(log, text));
    EXPECT_NE(text.find("the archive's entry '/etc/evil.txt' has an unsafe name; skipped"), std::string::npos) << text;
    EXPECT_NE(text.find("the archive's entry '../up.txt' has an unsafe name; skipped"), std::string::npos);
    EXPECT_NE(text.find("2 texts"), std::string::npos);
    rvkShutDown();
}
