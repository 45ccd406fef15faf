// "particle.jpg", the swarm's box face: the generator writes the same bytes as the build's copy,
// and the panel is bright at its rim and core with dim glass between.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

namespace {

int brightness(const Rgba& p)
{
    return std::max({p.r, p.g, p.b});
}

} // namespace

TEST(ParticlePanel, IsWrittenTheSameEveryTime)
{
    std::string dir = makeTempDir("particlegen");
    ASSERT_EQ(runCommand(std::string(PARTICLEGEN_PATH) + " " + dir), 0);
    std::string fresh, built;
    ASSERT_TRUE(readFile(dir + "/particle.jpg", fresh));
    ASSERT_TRUE(readFile(std::string(CONTENT_DIR) + "/particle.jpg", built));
    EXPECT_TRUE(fresh == built);
}

TEST(ParticlePanel, GlowsAtItsRimAndCore)
{
    int w = 0, h = 0;
    std::vector<Rgba> pixels = loadPng(std::string(CONTENT_DIR) + "/particle.jpg", w, h);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 64);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; };
    int rim = brightness(at(1, 32)), corner = brightness(at(1, 1)), glass = brightness(at(12, 32));
    int core = brightness(at(32, 32));
    EXPECT_GT(rim, 200);
    EXPECT_GE(corner, rim);
    EXPECT_GT(core, 200);
    EXPECT_LT(glass, rim / 2);
    EXPECT_LT(glass, core / 2);
    // Violet glass: blue leads red leads green.
    Rgba g = at(12, 32);
    EXPECT_GT(g.b, g.r);
    EXPECT_GT(g.r, g.g);
}
