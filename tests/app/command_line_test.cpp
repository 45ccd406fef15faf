// The command line: defaults, every option, and the mistakes that must be refused.
#include "app/command_line.h"
#include "effects/show_timeline.h"

#include <gtest/gtest.h>

namespace {

bool parse(std::vector<std::string> args, CommandLine& out, std::string* error = nullptr)
{
    std::string e;
    bool ok = parseCommandLine(args, out, e);
    if (error)
        *error = e;
    return ok;
}

} // namespace

TEST(CommandLine, DefaultsAreACaptureOfTheWholeShowAt60Fps)
{
    CommandLine cl;
    ASSERT_TRUE(parse({"--capture", "/tmp/x"}, cl));
    EXPECT_TRUE(cl.capture);
    EXPECT_EQ(cl.captureDir, "/tmp/x");
    EXPECT_EQ(cl.fromMs, 0);
    EXPECT_EQ(cl.toMs, timeline::kShowEndMs);
    EXPECT_EQ(cl.fps, 60);
    EXPECT_EQ(cl.width, 1280);
    EXPECT_EQ(cl.height, 720);
}

TEST(CommandLine, ReadsEveryOption)
{
    CommandLine cl;
    ASSERT_TRUE(parse({"--window", "--size", "640x360", "--aspect", "16:10", "--start", "96150", "--data", "d.pak",
                       "--overlay", "dev", "--log", "l.txt", "--no-audio"},
                      cl));
    EXPECT_TRUE(cl.window);
    EXPECT_EQ(cl.width, 640);
    EXPECT_EQ(cl.height, 360);
    EXPECT_EQ(cl.aspectIndex, 1);
    EXPECT_EQ(cl.startMs, 96150);
    EXPECT_EQ(cl.dataPath, "d.pak");
    EXPECT_EQ(cl.overlayDir, "dev");
    EXPECT_EQ(cl.logPath, "l.txt");
    EXPECT_TRUE(cl.noAudio);
}

TEST(CommandLine, RefusesBadValuesWithAReason)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--size", "640"},          {"--size", "0x0"},       {"--size", "12x99999"},
        {"--aspect", "21:9"},       {"--start", "-5"},       {"--start", "1e3"},
        {"--capture"},              {"--capture", "d", "--fps", "0"},
        {"--window", "--fullscreen"}, {"--capture", "d", "--window"},
        {"--from", "5"},            {"--capture", "d", "--from", "500", "--to", "100"},
        {"--bogus"},                {"--data", ""},
        {"--size", "+640x+360"},    {"--size", " 640x 360"}, {"--fps", " 30"},
        // Positions past the show's end (281200 ms).
        {"--start", "300000"},      {"--capture", "d", "--from", "300000", "--to", "300000"},
        {"--export", "a.mp4", "--to", "281201"},
    };
    for (const auto& args : bad) {
        CommandLine cl;
        std::string error;
        EXPECT_FALSE(parse(args, cl, &error)) << args[0] << " " << args.back();
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

TEST(CommandLine, ClosestAspectFollowsTheWindowShape)
{
    EXPECT_EQ(closestAspect(1920, 1080), 2);
    EXPECT_EQ(closestAspect(1680, 1050), 1);
    EXPECT_EQ(closestAspect(1280, 1024), 0);
    EXPECT_EQ(closestAspect(320, 180), 2);
}

TEST(CommandLine, APathOptionFollowedByAnotherOptionIsRefusedNotTakenAsThePath)
{
    CommandLine cl;
    std::string error;
    EXPECT_FALSE(parse({"--capture", "--log", "l.txt"}, cl, &error));
    EXPECT_EQ(error, "--capture needs a path, not the option '--log'");
    EXPECT_FALSE(parse({"--log", "--no-audio"}, cl, &error));
    CommandLine dotted;
    ASSERT_TRUE(parse({"--capture", "./--log"}, dotted));
    EXPECT_EQ(dotted.captureDir, "./--log");
}

TEST(CommandLine, ForceBelongsToCapture)
{
    CommandLine cl;
    ASSERT_TRUE(parse({"--capture", "/tmp/x", "--force"}, cl));
    EXPECT_TRUE(cl.force);
    CommandLine live;
    std::string error;
    EXPECT_FALSE(parse({"--force"}, live, &error));
    EXPECT_NE(error.find("--force"), std::string::npos);
}

TEST(CommandLine, ExportTakesTheCapturesRangeAndAQualityWithADefault)
{
    CommandLine cl;
    ASSERT_TRUE(parse({"--export", "show.mp4", "--from", "1000", "--to", "61000", "--fps", "30", "--size", "1280x720"},
                      cl));
    EXPECT_TRUE(cl.exportVideo);
    EXPECT_FALSE(cl.capture);
    EXPECT_TRUE(cl.rendersFrames());
    EXPECT_EQ(cl.exportPath, "show.mp4");
    EXPECT_EQ(cl.fromMs, 1000);
    EXPECT_EQ(cl.toMs, 61000);
    EXPECT_EQ(cl.fps, 30);
    EXPECT_EQ(cl.crf, 18);
    CommandLine lossless;
    ASSERT_TRUE(parse({"--export", "show.mkv", "--crf", "0", "--force"}, lossless));
    EXPECT_EQ(lossless.crf, 0);
    EXPECT_TRUE(lossless.force);
    EXPECT_EQ(lossless.toMs, timeline::kShowEndMs);
}

TEST(CommandLine, ExportRefusesWhatDoesNotBelongToIt)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--export", "a.mp4", "--capture", "d"}, {"--export", "a.mp4", "--window"},
        {"--export", "a.mp4", "--crf", "52"},    {"--export", "a.mp4", "--crf", "-1"},
        {"--crf", "18"},                         {"--capture", "d", "--crf", "18"},
        {"--export", "--log"},                   {"--export", "a.mp4", "--from", "9", "--to", "8"},
    };
    for (const auto& args : bad) {
        CommandLine cl;
        std::string error;
        EXPECT_FALSE(parse(args, cl, &error)) << args[0] << " " << args[args.size() - 1];
        EXPECT_FALSE(error.empty());
    }
}
