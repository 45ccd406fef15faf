// The flock's simulation: the frame-time accumulator, the grid, a boid alone, the pull towards
// neighbours, the wrap that breaks the ribbon (checked on the quads GL is handed), and the
// effect's determinism.
#include "effects/flock.h"
#include "render/helpers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <set>
#include <vector>

using namespace BRAVIK_LUMENVAT;

namespace {

Flock& initialisedFlock()
{
    static Flock* effect = new Flock;
    effect->init(219500, 231400);
    return *effect;
}

// Every boid but `keep` parked in a far corner, the grid rebuilt: `keep` has no neighbours.
void isolate(int keep, const Vector& position, const Vector& velocity)
{
    initialisedFlock();
    for (int i = 0; i < kBoidCount; ++i) {
        boids[i].position = Vector(0.02f + 0.0001f * static_cast<float>(i % 7), 0.02f, 0.02f);
        boids[i].velocity = Vector(0, 0, 0);
    }
    boids[keep].position = position;
    boids[keep].velocity = velocity;
    rebuildFlockGrid();
}

bool isFinite(const Vector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

TEST(FlockAccumulator, AOneSecondFrameRunsNineStepsAndLeavesFortyMillisecondsOwed)
{
    initialisedFlock();
    EXPECT_EQ(flockAccumulator, 0.0f);
    EXPECT_EQ(advanceFlock(1.0f), 9);
    EXPECT_FLOAT_EQ(flockAccumulator, 40.0f);
    // Exactly 40 ms owed is not yet a step; one more millisecond is.
    EXPECT_EQ(advanceFlock(0.0f), 0);
    EXPECT_EQ(advanceFlock(0.001f), 1);
}

TEST(FlockGrid, HoldsEveryBoidOnceInTheCellOfItsPosition)
{
    initialisedFlock();
    stepFlock();
    std::set<const Boid*> seen;
    int total = 0;
    for (int ix = 0; ix < kFlockGridEdge; ++ix)
        for (int iy = 0; iy < kFlockGridEdge; ++iy)
            for (int iz = 0; iz < kFlockGridEdge; ++iz) {
                int cell = flockCellOf(ix, iy, iz);
                for (int n = 0; n < flockGrid->count[cell]; ++n) {
                    const Boid* b = flockGrid->slots[cell][n];
                    EXPECT_TRUE(seen.insert(b).second);
                    EXPECT_EQ(static_cast<int>(std::floor(4 * b->position.x)), ix);
                    EXPECT_EQ(static_cast<int>(std::floor(4 * b->position.y)), iy);
                    EXPECT_EQ(static_cast<int>(std::floor(4 * b->position.z)), iz);
                    ++total;
                }
            }
    EXPECT_EQ(total, kBoidCount);
}

TEST(FlockGrid, PutsTheFarFacesInTheLastCell)
{
    isolate(3, Vector(1, 1, 0), Vector(0, 0, 0));
    int cell = flockCellOf(4, 4, 0);
    ASSERT_EQ(flockGrid->count[cell], 1);
    EXPECT_EQ(flockGrid->slots[cell][0], &boids[3]);
}

TEST(Boid, WithoutNeighboursKeepsItsVelocityAndMovesBySevenTwentyFifthsOfIt)
{
    Vector v(0.01f, 0.005f, -0.003f); // |v|^2 = 0.000134, under the limit
    isolate(10, Vector(0.5f, 0.5f, 0.5f), v);
    Boid& b = boids[10];
    updateBoid(b);
    EXPECT_EQ(b.velocity.x, v.x);
    EXPECT_EQ(b.velocity.y, v.y);
    EXPECT_EQ(b.velocity.z, v.z);
    EXPECT_FLOAT_EQ(b.position.x, 0.5f + 0.725f * v.x);
    EXPECT_FLOAT_EQ(b.position.y, 0.5f + 0.725f * v.y);
    EXPECT_FLOAT_EQ(b.position.z, 0.5f + 0.725f * v.z);
}

TEST(Boid, AboveTheSpeedLimitIsDividedByItsSquaredSpeed)
{
    Vector v(0.02f, 0.02f, 0); // |v|^2 = 0.0008
    isolate(11, Vector(0.5f, 0.5f, 0.5f), v);
    updateBoid(boids[11]);
    EXPECT_FLOAT_EQ(boids[11].velocity.x, 0.02f / 0.0008f * 0.0005f);
    EXPECT_FLOAT_EQ(boids[11].velocity.y, 0.02f / 0.0008f * 0.0005f);
    EXPECT_EQ(boids[11].velocity.z, 0.0f);
}

TEST(Boid, IsPulledTowardsANeighbourHarderWhenCloser)
{
    isolate(12, Vector(0.5f, 0.5f, 0.5f), Vector(0, 0, 0));
    boids[13].position = Vector(0.6f, 0.5f, 0.5f);
    rebuildFlockGrid();
    updateBoid(boids[12]);
    float nearPull = boids[12].velocity.x;

    isolate(12, Vector(0.5f, 0.5f, 0.5f), Vector(0, 0, 0));
    boids[13].position = Vector(0.54f, 0.5f, 0.5f);
    rebuildFlockGrid();
    updateBoid(boids[12]);
    float closerPull = boids[12].velocity.x;

    // d / |d|^2 times the clamp's -0.00005: towards the neighbour, by 0.00005 / |d|.
    EXPECT_NEAR(nearPull, 0.00005f / 0.1f, 1e-7f);
    EXPECT_NEAR(closerPull, 0.00005f / 0.04f, 1e-7f);
    EXPECT_EQ(boids[12].velocity.y, 0.0f);
}

TEST(Boid, SittingExactlyOnItsNeighboursCentreStaysFinite)
{
    Vector v(0.004f, 0, 0);
    isolate(20, Vector(0.5f, 0.5f, 0.5f), v);
    boids[21].position = Vector(0.4375f, 0.5f, 0.5f);
    boids[22].position = Vector(0.5625f, 0.5f, 0.5f);
    rebuildFlockGrid();
    updateBoid(boids[20]);
    EXPECT_TRUE(isFinite(boids[20].velocity));
    EXPECT_TRUE(isFinite(boids[20].position));
    EXPECT_EQ(boids[20].velocity.x, v.x);
}

TEST(Boid, LeavingTheCubeReappearsOnTheOppositeFaceWithItsRibbonBroken)
{
    Vector v(0.02f, 0, 0); // moves 0.0145 per step
    isolate(30, Vector(0.995f, 0.5f, 0.5f), v);
    Boid& b = boids[30];
    int head = b.head;
    updateBoid(b);
    EXPECT_EQ(b.position.x, 0.0f);
    EXPECT_EQ(b.position.y, 0.5f);
    EXPECT_EQ(b.head, (head + 2) % kBoidTrailLength);
    EXPECT_LT(b.trail[b.head].x, kTrailBreakBelow);
    EXPECT_GT(b.trail[(head + 1) % kBoidTrailLength].x, 0.99f); // the last point inside, kept
}

TEST(Boid, KeepsEveryBoidInsideTheCubeAndFiniteOverManySteps)
{
    initialisedFlock();
    for (int n = 0; n < 200; ++n)
        stepFlock();
    for (int i = 0; i < kBoidCount; ++i) {
        const Boid& b = boids[i];
        ASSERT_TRUE(isFinite(b.position) && isFinite(b.velocity)) << i;
        EXPECT_GE(b.position.x, 0.0f);
        EXPECT_LE(b.position.x, 1.0f);
        EXPECT_GE(b.position.z, 0.0f);
        EXPECT_LE(b.position.z, 1.0f);
        EXPECT_LE(b.velocity.sqLength(), 0.0005f * 1.0001f);
    }
}

TEST(Flock, InitGivesTheSameBoidsEveryTime)
{
    initialisedFlock();
    for (int n = 0; n < 30; ++n)
        stepFlock();
    initialisedFlock();
    Boid first = boids[123], last = boids[kBoidCount - 1];
    initialisedFlock();
    EXPECT_EQ(boids[123].position.x, first.position.x);
    EXPECT_EQ(boids[123].velocity.y, first.velocity.y);
    EXPECT_EQ(boids[123].head, first.head);
    EXPECT_EQ(boids[kBoidCount - 1].trail[7].z, last.trail[7].z);
    EXPECT_EQ(flockAccumulator, 0.0f);
}

// The ribbon of a boid that wrapped, as GL's feedback mode returns its polygons: none may reach
// across the cube from the face it left to the face it entered.
TEST(FlockRibbons, AreNotDrawnAcrossTheCubeWhereABoidWrapped)
{
    ASSERT_TRUE(testsupport::openGLWindow(256, 256));
    isolate(40, Vector(0.99f, 0.5f, 0.5f), Vector(0.02f, 0, 0));
    for (int i = 0; i < kBoidCount; ++i)
        if (i != 40)
            for (Vector& e : boids[i].trail)
                e = Vector(-1000, -1000, -1000);
    for (Vector& e : boids[40].trail)
        e = boids[40].position;
    for (int n = 0; n < 10; ++n)
        updateBoid(boids[40]);
    ASSERT_LT(boids[40].position.x, 0.2f);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.5, 1.5, -0.5, 1.5, -2, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, 256, 256);
    std::vector<GLfloat> feedback(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D, feedback.data());
    glRenderMode(GL_FEEDBACK);
    drawFlock(0);
    GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0);

    int polygons = 0, nearLeftFace = 0, nearRightFace = 0;
    for (GLint k = 0; k < used;) {
        ASSERT_EQ(feedback[k], static_cast<GLfloat>(GL_POLYGON_TOKEN));
        int n = static_cast<int>(feedback[k + 1]);
        float lo = 1e9f, hi = -1e9f;
        for (int v = 0; v < n; ++v) {
            float x = (feedback[k + 2 + 3 * v] / 256.0f) * 2 - 0.5f; // back to cube units
            lo = std::fmin(lo, x);
            hi = std::fmax(hi, x);
        }
        EXPECT_LT(hi - lo, 0.1f);
        nearLeftFace += hi < 0.3f;
        nearRightFace += lo > 0.7f;
        ++polygons;
        k += 2 + 3 * n;
    }
    EXPECT_GT(nearLeftFace, 0);
    EXPECT_GT(nearRightFace, 0);
}
