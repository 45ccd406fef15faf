// The whole run through the real engine in capture mode: effects registered and drawn frame by
// frame, and a text exception from an effect's init reported before the shutdown.
#include "app/demo.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

class FillEffect : public Base {
public:
    void draw() override { render((time - start) / (end - start), 1.0f); }
    void render(float position, float) override
    {
        glClearColor(position, 0.5f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }
};

class FaultyEffect : public Base {
public:
    bool init(unsigned long, unsigned long) override { throw std::runtime_error("vector too long"); }
    void draw() override {}
    void render(float, float) override {}
};

class ThrowingEffect : public Base {
public:
    bool init(unsigned long, unsigned long) override { throw "the scene file is empty"; }
    void draw() override {}
    void render(float, float) override {}
};

struct CaptureRun {
    std::string dir;
    int status = -1;
    std::string log;
};

CaptureRun runCapture(const std::string& name, const std::vector<EffectEntry>& effects, int toMs)
{
    CaptureRun run;
    run.dir = makeTempDir(name);
    std::string logPath = run.dir + "/log.txt", pak = builtPakPath();
    RvkOptions options;
    options.dataPath = pak.c_str();
    options.logPath = logPath.c_str();
    options.captureDir = run.dir.c_str();
    options.captureFromMs = 0;
    options.captureToMs = toMs;
    options.captureFps = 10;
    rvkSetOptions(&options);
    StartOptions start;
    start.commandLine.width = 160;
    start.commandLine.height = 90;
    run.status = runDemo(start, effects);
    readFile(logPath, run.log);
    return run;
}

} // namespace

TEST(Demo, EffectsAreDrawnWithinTheirSpans)
{
    CaptureRun run = runCapture("demo-fill", {{0, 1000, "fill", [] { return static_cast<Base*>(new FillEffect); }}}, 500);
    EXPECT_EQ(run.status, 0) << run.log;
    int w = 0, h = 0;
    std::vector<Rgba> first = loadPng(run.dir + "/000000.png", w, h);
    std::vector<Rgba> last = loadPng(run.dir + "/000005.png", w, h);
    ASSERT_EQ(w, 160);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(first[0].r, 0);
    EXPECT_NEAR(last[0].r, 128, 1); // position 0.5 of the span
    EXPECT_NEAR(last[0].g, 128, 1);
    EXPECT_EQ(last[0].b, 255);
}

TEST(Demo, ATextExceptionFromInitIsReportedAndShutdownFollowsWithStatus1)
{
    CaptureRun run = runCapture("demo-throw", {{0, 1000, "thrower", [] { return static_cast<Base*>(new ThrowingEffect); }}},
                         500);
    EXPECT_EQ(run.status, 1);
    size_t exception = run.log.find("Exception: the scene file is empty\n");
    ASSERT_NE(exception, std::string::npos) << run.log;
    EXPECT_NE(run.log.find("lumenvat: shut down", exception), std::string::npos);
    std::string png;
    EXPECT_FALSE(readFile(run.dir + "/000000.png", png)); // the loop never ran
}

TEST(Demo, AnExceptionThatIsNotATextIsReportedAndTheShutdownStillRuns)
{
    CaptureRun run = runCapture("demo-fault", {{0, 1000, "faulty", [] { return static_cast<Base*>(new FaultyEffect); }}},
                                500);
    EXPECT_EQ(run.status, 1);
    size_t fatal = run.log.find("Fatal: vector too long\n");
    ASSERT_NE(fatal, std::string::npos) << run.log;
    EXPECT_NE(run.log.find("lumenvat: shut down", fatal), std::string::npos);
}
