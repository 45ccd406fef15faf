// The end fade's quad in a real GL context: it darkens the picture by the squared cosine curve.
#include "app/main_loop.h"
#include "test_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Draws one fade frame over white and returns the picture's centre grey level.
int greyAfterFade(float countdown)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    endFade(countdown);
    return readPixel(32, 32).r;
}

} // namespace

TEST(EndFadeQuad, GoesFromClearToBlackAlongTheCurve)
{
    ASSERT_TRUE(openGLWindow(64, 64));
    EXPECT_EQ(greyAfterFade(1.15f), 255);
    // countdown 0.575: a = (1 - cos(pi/4))^2 = 0.0858
    EXPECT_NEAR(greyAfterFade(0.575f), 22, 1);
    EXPECT_EQ(greyAfterFade(0.0005f), 0);
}

TEST(EndFadeQuad, CountsDownByTheFrameDeltaAndLeavesTexturingOn)
{
    ASSERT_TRUE(openGLWindow(64, 64));
    BRAVIK_LUMENVAT::rvkInitTimer();
    BRAVIK_LUMENVAT::rvkUpdateTimer();
    float countdown = 0.05f;
    glDisable(GL_TEXTURE_2D);
    bool done = endFade(countdown);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    // Outside capture mode the first frame's delta is 1/60 s.
    EXPECT_NEAR(countdown, 0.05f - 1.0f / 60.0f, 1e-4f);
    EXPECT_FALSE(done);
}
