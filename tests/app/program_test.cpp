// The program as users run it: help, refused arguments, and capture runs (deterministic).
#include "test_support.h"

#include <gtest/gtest.h>

#include <dirent.h>

using namespace testsupport;

namespace {

std::vector<std::string> listPngs(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() > 4 && n.substr(n.size() - 4) == ".png")
                names.push_back(n);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string capture(const std::string& name, const std::string& arguments)
{
    std::string dir = makeTempDir(name);
    std::string output;
    int status = runProgram("--capture " + dir + "/frames " + arguments + " --log " + dir + "/log.txt", &output);
    EXPECT_EQ(status, 0) << output;
    return dir;
}

// Two runs' frames folders (DIR/frames) hold the same `count` files, byte for byte.
void expectSameFrames(const std::string& a, const std::string& b, size_t count)
{
    std::vector<std::string> frames = listPngs(a + "/frames");
    ASSERT_EQ(frames, listPngs(b + "/frames"));
    ASSERT_EQ(frames.size(), count);
    for (const std::string& f : frames) {
        std::string x, y;
        ASSERT_TRUE(readFile(a + "/frames/" + f, x));
        ASSERT_TRUE(readFile(b + "/frames/" + f, y));
        EXPECT_TRUE(x == y) << f << " differs";
    }
}

} // namespace

TEST(Program, HelpPrintsUsageAndSucceeds)
{
    std::string output;
    EXPECT_EQ(runProgram("--help", &output), 0);
    EXPECT_NE(output.find("--capture DIR"), std::string::npos);
}

TEST(Program, BadArgumentsExitWithStatus2AndSayWhy)
{
    std::string output;
    EXPECT_EQ(runProgram("--size huge", &output), 2);
    EXPECT_NE(output.find("--size"), std::string::npos);
    EXPECT_NE(output.find("Usage"), std::string::npos);
}

TEST(Program, CaptureWritesOneFramePerStepUpToAndIncludingTo)
{
    std::string dir = capture("frames", "--from 0 --to 1000 --fps 10 --size 320x180");
    std::vector<std::string> frames = listPngs(dir + "/frames");
    ASSERT_EQ(frames.size(), 11u);
    EXPECT_EQ(frames.front(), "000000.png");
    EXPECT_EQ(frames.back(), "000010.png");
    std::string log;
    ASSERT_TRUE(readFile(dir + "/log.txt", log));
    EXPECT_NE(log.find("picture 320x180"), std::string::npos);
}

TEST(Program, SameCaptureArgumentsGiveIdenticalBytes)
{
    const std::string args = "--from 95000 --to 97500 --fps 4 --size 320x180";
    std::string a = capture("same-a", args), b = capture("same-b", args);
    expectSameFrames(a, b, 11);
}

TEST(Program, ACaptureWithoutADisplayServerGivesTheSameBytesAsUnderXvfb)
{
    if (runCommand("[ -n \"$DISPLAY\" ]") != 0)
        GTEST_SKIP() << "the comparison needs the X server the test runs under";
    const std::string args = "--from 96000 --to 96500 --fps 4 --size 320x180";
    std::string x = capture("under-x", args);
    std::string dir = makeTempDir("offscreen");
    std::string output;
    ASSERT_EQ(runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + programPath() + " --capture " + dir + "/frames " +
                             args + " --log " + dir + "/log.txt",
                         &output),
              0)
        << output;
    EXPECT_NE(logOf(dir).find("video driver offscreen"), std::string::npos) << logOf(dir);
    expectSameFrames(x, dir, 3);
}

TEST(Program, MissingArchiveIsAClearErrorNotACrash)
{
    std::string dir = makeTempDir("nopak");
    std::string output;
    int status = runProgram("--capture " + dir + " --to 0 --data " + dir + "/missing.pak", &output);
    EXPECT_EQ(status, 1);
    EXPECT_NE(output.find("could not be opened"), std::string::npos) << output;
}

TEST(Program, ATappedEscapeEndsAWindowedShowAfterItsFade)
{
    if (runCommand("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "xdotool is needed";
    std::string dir = makeTempDir("tap");
    // xdotool's key is a press and a release with nothing between: shorter than any frame here.
    std::string script = "'" + programPath() + "' --window --size 320x180 --no-audio --log '" + dir +
                         "/log.txt' & pid=$!\n"
                         // Once the show plays (its start-up is slow on a busy machine), its own window
                         // (found by its process, not by a title another test's window may share).
                         "for i in $(seq 300); do grep -q 'playing' '" + dir + "/log.txt' 2>/dev/null && break; "
                         "sleep 0.2; done\n"
                         "sleep 1\n"
                         "xdotool search --all --pid $pid --name '^Sublumen$' windowfocus --sync key Escape\n"
                         "for i in $(seq 150); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done\n"
                         "if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid; exit 99; fi\n"
                         "wait $pid\n";
    ASSERT_TRUE(writeFile(dir + "/tap.sh", script));
    std::string output;
    EXPECT_EQ(runCommand("bash '" + dir + "/tap.sh'", &output), 0) << output;
    std::string log;
    ASSERT_TRUE(readFile(dir + "/log.txt", log));
    EXPECT_NE(log.find("shut down at"), std::string::npos) << log;
}
