// The program's exit status and messages when things go wrong: a disk that fills up, a folder that
// refuses files, an interrupting signal, positions past the show's end, missing scene files, an
// archive that is no file or expands without bound, no place for the log, a capture folder that
// already holds frames, and a show with no display it can open.
#include "test_support.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace {

int countFrames(const std::string& dir)
{
    int count = 0;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n.size() == 10 && n.substr(6) == ".png")
                ++count;
        }
        closedir(d);
    }
    return count;
}

const char* const kSmall = "--size 64x36 --fps 10";

bool exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Runs build/sublumen with these arguments, its output to `log`; the exit status, and its peak
// resident memory in MiB.
int runMeasured(const std::vector<std::string>& args, const std::string& log, long& peakMiB)
{
    pid_t pid = fork();
    if (pid == 0) {
        alarm(60); // a program that hangs ends with SIGALRM (status 142)
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1), dup2(out, 2);
        std::string path = programPath();
        std::vector<char*> argv{path.data()};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    peakMiB = usage.ru_maxrss / 1024;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

TEST(FailureStatus, AFullDiskStopsTheCaptureWithStatus1AndLeavesNoTruncatedFrame)
{
    // /dev/full takes the first frame's bytes and fails when they reach it.
    std::string dir = makeTempDir("full");
    std::string frames = dir + "/frames";
    ASSERT_EQ(mkdir(frames.c_str(), 0755), 0);
    ASSERT_EQ(symlink("/dev/full", (frames + "/000000.png").c_str()), 0);
    std::string output;
    int status = runProgram("--capture " + frames + " --force --from 0 --to 500 " + kSmall + " --log " + dir +
                                "/log.txt",
                            &output);
    EXPECT_EQ(status, 1) << output;
    std::string log = logOf(dir);
    EXPECT_NE(log.find("cannot write " + frames + "/000000.png (No space left on device); capture stopped after 0"),
              std::string::npos)
        << log;
    EXPECT_EQ(countFrames(frames), 0);
}

TEST(FailureStatus, AFilesystemThatFillsUpMidwayKeepsOnlyWholeFrames)
{
    std::string dir = makeTempDir("tmpfs");
    std::string frames = dir + "/frames";
    ASSERT_EQ(mkdir(frames.c_str(), 0755), 0);
    SmallFilesystem small(frames, "size=24k");
    if (!small.mounted)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    std::string output;
    int status = runProgram("--capture " + frames + " --from 0 --to 20000 --fps 10 --size 160x90 --log " + dir +
                                "/log.txt",
                            &output);
    EXPECT_EQ(status, 1) << output;
    int written = countFrames(frames);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 201);
    // Every frame left is a whole PNG.
    for (int i = 0; i < written; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/%06d.png", i);
        int w = 0, h = 0;
        EXPECT_FALSE(loadPng(frames + name, w, h).empty()) << name;
        EXPECT_EQ(w, 160);
    }
    EXPECT_NE(logOf(dir).find("capture stopped after " + std::to_string(written) + " frames"), std::string::npos);
}

TEST(FailureStatus, AReadOnlyCaptureFolderFailsWithStatus1)
{
    std::string dir = makeTempDir("readonly");
    std::string frames = dir + "/frames";
    ASSERT_EQ(mkdir(frames.c_str(), 0755), 0);
    ReadOnlyFolder readOnly(frames);
    if (!readOnly.ready)
        GTEST_SKIP() << "no read-only folder can be made here";
    std::string output;
    int status = runProgram("--capture " + frames + " --to 0 " + std::string(kSmall) + " --log " + dir + "/log.txt",
                            &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(logOf(dir).find("capture stopped after 0 frames"), std::string::npos) << logOf(dir);
}

TEST(FailureStatus, SigintOrSigtermDuringACaptureEndsItWithStatus130)
{
    for (const char* signal : {"INT", "TERM"}) {
        std::string dir = makeTempDir("signal");
        std::string script = "'" + programPath() + "' --capture '" + dir + "/frames' --from 0 --to 200000 " + kSmall +
                             " --log '" + dir + "/log.txt' & pid=$!\n"
                             "for i in $(seq 300); do [ -e '" + dir +
                             "/frames/000030.png' ] && break; sleep 0.1; done\n"
                             "kill -" + signal + " $pid\n"
                             "wait $pid\n";
        ASSERT_TRUE(writeFile(dir + "/run.sh", script));
        std::string output;
        EXPECT_EQ(runCommand("bash '" + dir + "/run.sh'", &output), 130) << signal << "\n" << output;
        std::string log = logOf(dir);
        EXPECT_NE(log.find("interrupted by signal"), std::string::npos) << log;
        EXPECT_NE(log.find("shut down at"), std::string::npos) << log;
        int written = countFrames(dir + "/frames");
        EXPECT_GE(written, 31);
        EXPECT_LT(written, 2000);
    }
}

TEST(FailureStatus, PositionsPastTheShowsEndAreBadArgumentsAndItsEndIsStillCaptured)
{
    // The show ends at 281200 ms: a frame past it would be drawn after the last one, and a live
    // show started there would quit at once without a word.
    struct Row {
        std::string arguments;
        int status;
        const char* message;
    };
    std::string dir = makeTempDir("past-end");
    const Row rows[] = {
        {"--capture " + dir + "/a --from 300000 --to 300000", 2, "--from takes a position in the show, 0 to 281200 ms"},
        {"--capture " + dir + "/b --from 281000 --to 282000", 2, "--to takes a position in the show, 0 to 281200 ms"},
        {"--window --start 300000", 2, "--start takes a position in the show, 0 to 281200 ms, not '300000'"},
        {"--capture " + dir + "/c --from 281100 --to 281200", 0, ""},
    };
    for (const Row& row : rows) {
        std::string output;
        EXPECT_EQ(runProgram(row.arguments + " " + kSmall + " --no-audio --log " + dir + "/log.txt", &output),
                  row.status)
            << row.arguments << "\n" << output;
        EXPECT_NE(output.find(row.message), std::string::npos) << output;
    }
    EXPECT_EQ(countFrames(dir + "/c"), 2); // 281100 and 281200
    EXPECT_FALSE(exists(dir + "/a"));
}

TEST(FailureStatus, AnArchiveThatIsNoFileOrExpandsWithoutBoundFailsFastInBoundedMemory)
{
    std::string dir = makeTempDir("archive");
    // A FIFO would block the open until a writer came; a zip of 16 entries of 63 MiB of zeros
    // (about 1 GiB in all, 1 MiB packed) would be held whole. Both end with status 1: the one
    // without a scene, the other without an archive.
    ASSERT_EQ(mkfifo((dir + "/fifo.pak").c_str(), 0644), 0);
    {
        // Freed before the runs: a child's peak memory counts what it was forked with.
        const std::string zeros(63u << 20, '\0');
        std::vector<ZipEntry> bomb;
        for (int i = 0; i < 16; ++i)
            bomb.push_back({"bomb" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".txt", zeros, true});
        ASSERT_TRUE(writeFile(dir + "/bomb.pak", zipOf(bomb)));
    }
    struct Row {
        const char* archive;
        const char* message;
    };
    const Row rows[] = {
        {"/fifo.pak", "cannot open the archive " },
        {"/bomb.pak", "would take the archive's files past the 128 MiB they may hold in all; left out"},
    };
    for (const Row& row : rows) {
        long peakMiB = 0;
        int status = runMeasured({"--capture", dir + "/frames", "--to", "0", "--size", "64x36", "--data",
                                  dir + row.archive, "--log", dir + "/log.txt"},
                                 dir + "/output.txt", peakMiB);
        std::string log = logOf(dir);
        EXPECT_EQ(status, 1) << row.archive << "\n" << log;
        EXPECT_NE(log.find(row.message), std::string::npos) << log;
        EXPECT_LT(peakMiB, 640) << row.archive;
    }
    EXPECT_NE(logOf(dir).find("bomb02.txt (66060288 bytes)"), std::string::npos) << "named as left out";
}

TEST(FailureStatus, WithoutHomeOrStateFolderTheLogGoesToStderrOnlyAndSaysSo)
{
    std::string dir = makeTempDir("nohome");
    std::string output;
    int status = runCommand("cd '" + dir + "' && env -u HOME -u XDG_STATE_HOME '" + programPath() +
                                "' --capture frames --to 0 " + kSmall + " 2>&1",
                            &output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("neither XDG_STATE_HOME nor HOME is set; logging to stderr only"), std::string::npos)
        << output;
    EXPECT_FALSE(exists(dir + "/sublumen.log")) << "no log file left in the folder the program ran in";
}

TEST(FailureStatus, AMissingSceneDocumentOrBindingsFileEndsWithStatus1AfterItsMessage)
{
    // An empty archive folder: the scene document is the first thing missing.
    std::string empty = makeTempDir("nodae");
    std::string output;
    int status = runProgram("--capture " + empty + "/frames --to 0 " + std::string(kSmall) + " --data " + empty +
                                " --log " + empty + "/log.txt",
                            &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(logOf(empty).find("Could not find file: 'skene_ao_materials_fixd.dae'"), std::string::npos);

    // A scene document alone: the bindings file is missing.
    std::string onlyDae = makeTempDir("nobindings");
    ASSERT_TRUE(writeFile(onlyDae + "/skene_ao_materials_fixd.dae",
                          "<COLLADA><library_visual_scenes><visual_scene id=\"s\"/></library_visual_scenes></COLLADA>"));
    status = runProgram("--capture " + onlyDae + "/frames --to 0 " + std::string(kSmall) + " --data " + onlyDae +
                            " --log " + onlyDae + "/log.txt",
                        &output);
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(logOf(onlyDae).find("Could not find material binding file: 'skene.material_bindings.xml'"),
              std::string::npos);
}

TEST(FailureStatus, AFolderWithFramesIsRefusedUnlessForceReplacesThem)
{
    std::string dir = makeTempDir("existing");
    std::string frames = dir + "/frames";
    ASSERT_EQ(mkdir(frames.c_str(), 0755), 0);
    for (const char* name : {"/000000.png", "/000007.png", "/notes.txt"})
        ASSERT_TRUE(writeFile(frames + name, "old"));
    std::string output;
    EXPECT_EQ(runProgram("--capture " + frames + " --to 0 " + std::string(kSmall), &output), 2);
    EXPECT_NE(output.find("already holds 2 numbered frames"), std::string::npos) << output;
    EXPECT_NE(output.find("--force"), std::string::npos);
    std::string old;
    ASSERT_TRUE(readFile(frames + "/000007.png", old));
    EXPECT_EQ(old, "old");

    EXPECT_EQ(runProgram("--capture " + frames + " --force --to 0 " + std::string(kSmall) + " --log " + dir +
                             "/log.txt",
                         &output),
              0)
        << output;
    EXPECT_EQ(countFrames(frames), 1);
    int w = 0, h = 0;
    EXPECT_FALSE(loadPng(frames + "/000000.png", w, h).empty());
    EXPECT_TRUE(readFile(frames + "/notes.txt", old)) << "files not named as frames are kept";
}

TEST(FailureStatus, TheLiveShowRefusesADisplayItCannotOpenWithStatus2)
{
    // SDL moves on to its offscreen driver when nothing answers on DISPLAY: the show would play
    // unseen, with no keyboard to stop it, and exit 0.
    struct Case {
        const char* display;
        const char* says;
    } const cases[] = {
        {"", "no display"},
        {":77", "cannot open the display :77"},
    };
    for (const Case& c : cases) {
        std::string dir = makeTempDir("display");
        std::string output;
        int status = runCommand("env -u WAYLAND_DISPLAY DISPLAY=" + std::string(c.display) + " timeout 60 " +
                                    programPath() + " --window --size 64x36 --no-audio --log " + dir + "/log.txt",
                                &output);
        EXPECT_EQ(status, 2) << c.display << "\n" << output;
        EXPECT_NE(output.find(c.says), std::string::npos) << output;
        EXPECT_NE(output.find("--capture DIR and --export FILE render without one"), std::string::npos) << output;
    }
}
