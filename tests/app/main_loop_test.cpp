// The main loop against a scripted engine: the end fade, Escape and the quit message, seeking
// with F1, and the end of the show.
#include "app/main_loop.h"
#include "render/helpers.h"
#include "scripted_engine.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

// 1.15 s at 60 frames per second: 69 frames, or 70 where the float countdown is left a hair
// above zero after the 69th subtraction.
bool isFadeLength(size_t frames)
{
    return frames == 69 || frames == 70;
}

std::set<int> keys(std::initializer_list<int> held)
{
    return std::set<int>(held);
}

// Runs the loop until it ends or `maxPasses` passes have gone.
MainLoop run(const scripted::Script& script, int maxPasses = 100000)
{
    scripted::reset(script);
    MainLoop loop;
    for (int pass = 0; pass < maxPasses && runLoopPass(loop); ++pass) {
    }
    return loop;
}

scripted::Script escapeOn(std::set<int> frames)
{
    scripted::Script script;
    script.keys = [frames](int frame) { return frames.count(frame) ? keys({RVK_VK_ESCAPE}) : keys({}); };
    return script;
}

} // namespace

TEST(EndFade, VolumeFollowsTheSquaredCosineCurveFromOneToZero)
{
    MainLoop loop = run(escapeOn({10}));
    EXPECT_TRUE(loop.quit);
    const auto& volumes = scripted::record().volumes;
    ASSERT_TRUE(isFadeLength(volumes.size())) << volumes.size();
    EXPECT_FLOAT_EQ(volumes.front(), 1.0f);
    for (size_t i = 0; i < volumes.size(); ++i) {
        float countdown = kEndFadeSeconds - static_cast<float>(i) / 60.0f;
        float c = cosineStep(countdown, 0, kEndFadeSeconds);
        EXPECT_NEAR(volumes[i], c * c, 1e-4f) << "frame " << i;
        if (i > 0) {
            EXPECT_LE(volumes[i], volumes[i - 1]);
        }
    }
    EXPECT_LT(volumes.back(), 0.001f);
    // The fade starts on the Escape frame and the loop ends on its last frame.
    EXPECT_EQ(scripted::record().frames, 10 + static_cast<int>(volumes.size()));
}

TEST(EndFade, ASecondEscapeDoesNotRestartIt)
{
    run(escapeOn({10, 30, 31}));
    size_t fade = scripted::record().volumes.size();
    EXPECT_TRUE(isFadeLength(fade)) << fade;
    EXPECT_EQ(scripted::record().frames, 10 + static_cast<int>(fade));
}

TEST(QuitMessage, StartsTheFadeAndIsNeverDispatched)
{
    scripted::Script script;
    script.messages = [](int frame) {
        std::vector<unsigned> m;
        if (frame == 5)
            m = {RVK_MSG_OTHER, RVK_MSG_QUIT, RVK_MSG_OTHER};
        if (frame == 20)
            m = {RVK_MSG_QUIT};
        return m;
    };
    MainLoop loop = run(script);
    EXPECT_TRUE(loop.quit);
    EXPECT_EQ(scripted::record().dispatched, 2);
    size_t fade = scripted::record().volumes.size();
    EXPECT_TRUE(isFadeLength(fade)) << fade;
    EXPECT_EQ(scripted::record().frames, 5 + static_cast<int>(fade));
    EXPECT_EQ(loop.message.wParam, 0u);
}

TEST(QuitMessage, APassThatTookAMessageDrawsNoFrame)
{
    scripted::Script script;
    script.messages = [](int frame) { return frame == 0 ? std::vector<unsigned>(3, RVK_MSG_OTHER) : std::vector<unsigned>(); };
    scripted::reset(script);
    MainLoop loop;
    for (int pass = 0; pass < 3; ++pass)
        runLoopPass(loop);
    EXPECT_EQ(scripted::record().frames, 0);
    EXPECT_EQ(scripted::record().swaps, 0);
    runLoopPass(loop);
    EXPECT_EQ(scripted::record().frames, 1);
    EXPECT_EQ(scripted::record().swaps, 1);
}

TEST(Seeking, F1WithRightSeeksASecondPerFrameSilentlyAndReleaseRestoresVolume)
{
    scripted::Script script;
    script.keys = [](int frame) {
        if (frame >= 3 && frame <= 5)
            return keys({RVK_VK_F1, RVK_VK_RIGHT});
        if (frame == 6 || frame == 7)
            return keys({RVK_VK_F1});
        return keys({});
    };
    run(script, 20);
    const auto& r = scripted::record();
    EXPECT_EQ(r.adjustments, (std::vector<float>{1000, 1000, 1000}));
    EXPECT_EQ(r.volumes, (std::vector<float>{0, 0, 0, 100}));
}

TEST(Seeking, F1WithLeftSeeksBackwards)
{
    scripted::Script script;
    script.startMs = 10000;
    script.keys = [](int frame) { return frame == 1 ? keys({RVK_VK_F1, RVK_VK_LEFT}) : keys({}); };
    run(script, 5);
    EXPECT_EQ(scripted::record().adjustments, (std::vector<float>{-1000}));
}

TEST(Seeking, F1AloneChangesNothing)
{
    scripted::Script script;
    script.keys = [](int) { return keys({RVK_VK_F1}); };
    run(script, 10);
    EXPECT_TRUE(scripted::record().volumes.empty());
    EXPECT_TRUE(scripted::record().adjustments.empty());
}

TEST(EndOfShow, QuitsOnTheFirstFramePast281200WithoutAFade)
{
    scripted::Script script;
    script.startMs = 281000;
    script.stepMs = 100;
    MainLoop loop = run(script);
    EXPECT_TRUE(loop.quit);
    const auto& r = scripted::record();
    EXPECT_EQ(r.positions.back(), 281300);
    EXPECT_EQ(r.frames, 4);
    EXPECT_TRUE(r.volumes.empty());
    EXPECT_EQ(r.swaps, 4); // the last frame is still shown
}

TEST(EndOfShow, SeekingPastTheEndQuitsOnThatFrame)
{
    scripted::Script script;
    script.startMs = 280500;
    script.keys = [](int frame) { return frame == 1 ? keys({RVK_VK_F1, RVK_VK_RIGHT}) : keys({}); };
    MainLoop loop = run(script);
    EXPECT_TRUE(loop.quit);
    EXPECT_EQ(scripted::record().frames, 2);
    EXPECT_EQ(scripted::record().volumes, (std::vector<float>{0}));
}
