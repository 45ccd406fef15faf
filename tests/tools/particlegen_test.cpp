// "particle.jpg", the swarm's box face: the generator writes the same bytes as the build's copy,
// and the panel is a light: bright at its core, falling off softly to dim violet edges, with no
// bright rim that would outline the boxes.
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

TEST(ParticlePanel, GlowsAtItsCoreAndFallsOffToDimEdges)
{
    int w = 0, h = 0;
    std::vector<Rgba> pixels = loadPng(std::string(CONTENT_DIR) + "/particle.jpg", w, h);
    ASSERT_EQ(w, 64);
    ASSERT_EQ(h, 64);
    auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x]; };
    EXPECT_GT(brightness(at(32, 32)), 230);
    // From the core out along the middle row and the diagonal, never brighter further out.
    for (int step = 0; step < 4; ++step) {
        int inner = 32 - 6 * step, outer = inner - 6;
        EXPECT_GE(brightness(at(inner, 32)) + 4, brightness(at(outer, 32))) << outer;
        EXPECT_GE(brightness(at(inner, inner)) + 4, brightness(at(outer, outer))) << outer;
    }
    int edge = brightness(at(1, 32)), corner = brightness(at(1, 1));
    EXPECT_LT(edge, brightness(at(32, 32)) / 3);
    EXPECT_LE(corner, edge + 4);
    // Violet at the edge: blue leads red leads green.
    Rgba g = at(2, 32);
    EXPECT_GT(g.b, g.r);
    EXPECT_GT(g.r, g.g);
}
