// The streak effects' fluid, tracers and clocks, and their streak batch drawn against the same
// lines in immediate mode.
#include "effects/fluid.h"
#include "effects/pressure.h"
#include "render/helpers.h"
#include "immediate_streaks.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace testsupport;

namespace {

using Field = std::vector<float>;

Field field(float value = 0)
{
    return Field(kFluidCells, value);
}

bool allFinite(const FluidGrid& g)
{
    for (const Field* f : {&g.u, &g.v, &g.w, &g.uSrc, &g.vSrc, &g.wSrc})
        for (float x : *f)
            if (!std::isfinite(x))
                return false;
    return true;
}

bool sourcesEmpty(const FluidGrid& g)
{
    for (const Field* f : {&g.uSrc, &g.vSrc, &g.wSrc})
        for (float x : *f)
            if (x != 0)
                return false;
    return true;
}

int at(int i, int j, int k)
{
    return fluidIndex(i, j, k);
}

} // namespace

TEST(FluidGrid, CellsArePinnedAfterFiveStepsOfAFixedForcePattern)
{
    FluidGrid grid;
    setRandomSeed(93186752);
    for (int s = 0; s < 5; ++s) {
        stirFluid(grid, 7, 75);
        grid.velocityStep(kFluidViscosity, 0.39999998f);
    }
    ASSERT_TRUE(allFinite(grid));
    EXPECT_FLOAT_EQ(grid.u[at(10, 10, 10)], -0.010802838f);
    EXPECT_FLOAT_EQ(grid.v[at(5, 12, 17)], 0.016486758f);
    EXPECT_FLOAT_EQ(grid.w[at(15, 3, 8)], -0.12607729f);
    // Nothing ever writes the boundary but addSource, and the sources' boundary stays empty.
    EXPECT_EQ(grid.u[at(0, 10, 10)], 0.0f);
    EXPECT_EQ(grid.w[at(10, 10, 21)], 0.0f);
}

TEST(LinearSolve, SweepsForwardSoLaterNeighboursTakeMore)
{
    Field x = field(), x0 = field();
    x0[at(10, 10, 10)] = 1;
    linearSolve(x.data(), x0.data(), 1, 6);
    // Gauss-Seidel in increasing index order: the cells after the source see its new value
    // within the same sweep, the cells before it only in the next.
    EXPECT_GT(x[at(11, 10, 10)], x[at(9, 10, 10)]);
    EXPECT_GT(x[at(10, 11, 10)], x[at(10, 9, 10)]);
    EXPECT_GT(x[at(10, 10, 11)], x[at(10, 10, 9)]);
    EXPECT_NEAR(x[at(11, 10, 10)], x[at(10, 10, 11)], 1e-7f);
    EXPECT_FLOAT_EQ(x[at(10, 10, 10)], 0.22783554f);
    // With no coupling the solve is a plain division by the constant.
    Field y = field();
    linearSolve(y.data(), x0.data(), 0, 4);
    EXPECT_EQ(y[at(10, 10, 10)], 0.25f);
}

TEST(Diffuse, DividesByOnePlusFourA)
{
    // With c = 1 + 4a the uniform field 1 is a fixed point of x0 = 1 - 2a (1 + 6a would need x0 = 1).
    float visc = 0.0005f, dt = 0.4f, a = dt * visc * 400;
    Field x = field(1), x0 = field(1 - 2 * a);
    diffuse(x.data(), x0.data(), visc, dt);
    for (int n : {at(1, 1, 1), at(10, 10, 10), at(20, 20, 20)})
        EXPECT_NEAR(x[n], 1.0f, 1e-6f);
}

TEST(Advect, ClampsTheTraceToHalfAndTwentyAndAHalf)
{
    Field d = field(), d0 = field(), u = field(), v = field(), w = field();
    for (int i = 0; i < kFluidStride; ++i)
        d0[at(i, 10, 10)] = static_cast<float>(i * i);
    u[at(3, 10, 10)] = 1000;   // traced far below 0: held at 0.5
    u[at(18, 10, 10)] = -1000; // traced far above 21: held at 20.5
    advect(d.data(), d0.data(), u.data(), v.data(), w.data(), 0.4f);
    EXPECT_FLOAT_EQ(d[at(3, 10, 10)], 0.5f * (0 + 1));
    EXPECT_FLOAT_EQ(d[at(18, 10, 10)], 0.5f * (400 + 441));
    EXPECT_FLOAT_EQ(d[at(7, 10, 10)], 49); // at rest: the cell's own value
}

TEST(Project, LeavesOutTheZDifferenceOfW)
{
    Field u = field(), v = field(), w = field(), pr = field(), div = field();
    for (int n = 0; n < kFluidCells; ++n)
        w[n] = static_cast<float>(n / (kFluidStride * kFluidStride)); // w = k: diverges along z only
    Field before = w;
    project(u.data(), v.data(), w.data(), pr.data(), div.data());
    EXPECT_EQ(w, before);
    // The same divergence along x is projected away in part.
    for (int n = 0; n < kFluidCells; ++n)
        u[n] = static_cast<float>(n % kFluidStride);
    project(u.data(), v.data(), w.data(), pr.data(), div.data());
    EXPECT_LT(u[at(11, 10, 10)] - u[at(9, 10, 10)], 2.0f);
}

TEST(AddForce, WritesTheUnitDirectionTimesTheMagnitudeIntoTheCell)
{
    FluidGrid grid;
    grid.addForce(512, 0, 1000, 509, 4, 1000, 10); // d = (3, -4, 0), cell (11, 1, 20)
    int n = at(11, 1, 20);
    EXPECT_FLOAT_EQ(grid.uSrc[n], 6);
    EXPECT_FLOAT_EQ(grid.vSrc[n], -8);
    EXPECT_EQ(grid.wSrc[n], 0);
    grid.addForce(512, 0, 1000, 512, 0, 999, 2); // the same cell: written, not added
    EXPECT_EQ(grid.uSrc[n], 0);
    EXPECT_FLOAT_EQ(grid.wSrc[n], 2);
}

TEST(AddForce, OutsideTheGridOrWithoutDirectionDoesNothing)
{
    FluidGrid grid;
    grid.addForce(1024, 500, 500, 0, 0, 0, 75);  // cell 21
    grid.addForce(-60, 500, 500, 0, 0, 0, 75);   // cell 0
    grid.addForce(500, 500, 500, 500, 500, 500, 75); // from == at
    grid.addForce(NAN, 500, 500, 0, 0, 0, 75);
    EXPECT_TRUE(sourcesEmpty(grid));
    // A pattern that draws a coincident pair somewhere still leaves every value finite.
    for (unsigned seed = 0; seed < 200; ++seed)
        stirFluid(grid, seed, 75);
    EXPECT_TRUE(allFinite(grid));
}

TEST(Tracers, OutsideTheGridAreRespawnedWithoutVelocity)
{
    Pressure2 effect;
    effect.init(150825, 178250);
    effect.step(Pressure2::forceSeed(0.5f, 100), 160000);
    // The first step sent tracers 1..1023 out of the box; they came back on the central sphere.
    for (int t : {1, 500, 1023}) {
        const float* p = &effect.tracers->positions[3 * t];
        float r = std::sqrt((p[0] - 0.5f) * (p[0] - 0.5f) + (p[1] - 0.5f) * (p[1] - 0.5f) + (p[2] - 0.5f) * (p[2] - 0.5f));
        EXPECT_NEAR(r, 0.25f, 1e-5f) << t;
        EXPECT_EQ(effect.tracers->velocities[3 * t], 0.0f);
    }
    Pressure still;
    still.init(231400, 246800);
    still.tracers->positions[0] = -1;
    still.step(120);
    const float* p = &still.tracers->positions[0];
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_GE(p[axis], 0.0f);
        EXPECT_LT(p[axis], 1.0f);
        EXPECT_EQ(still.tracers->velocities[axis], 0.0f);
    }
    int cell;
    float outside[3] = {0.5f, 1.03f, 0.5f}, inside[3] = {0.025f, 1.0f, 0.5f};
    EXPECT_FALSE(tracerCell(outside, cell));
    ASSERT_TRUE(tracerCell(inside, cell));
    EXPECT_EQ(cell, at(1, 20, 10));
}

TEST(Pressure2, RecyclesOnlyTheFirst16667Tracers)
{
    Pressure2 effect;
    effect.init(150825, 178250);
    int highest = 0;
    for (int s = 0; s < 17; ++s) {
        effect.step(0, 160000);
        highest = std::max(highest, effect.cursor);
    }
    // 17 x 1023 moves: 3, 6, ... 49998, then 0 and on to 3 x 724.
    EXPECT_EQ(effect.cursor, 2172);
    EXPECT_LE(highest, 49998);
}

TEST(Pressure2, ForcePatternFollowsTheBeatAndPositionThenFreezes)
{
    EXPECT_EQ(Pressure2::forceSeed(0.5f, 100), 58u);  // 100 / 2 - (-8)
    EXPECT_EQ(Pressure2::forceSeed(0.96f, 101), 65u); // 50 - (-15)
    EXPECT_EQ(Pressure2::forceSeed(0.97f, 101), 97u);
    EXPECT_EQ(Pressure2::forceSeed(0.99f, 140), 99u);
}

TEST(SimulationClock, ALongStallRunsEveryOwedStepAndAShortFrameNone)
{
    Pressure effect;
    effect.init(231400, 246800);
    EXPECT_EQ(effect.simulate(0.01f, 120), 0);
    std::vector<float> before = effect.tracers->positions;
    EXPECT_EQ(effect.simulate(0.0f, 120), 0);
    EXPECT_EQ(effect.tracers->positions, before); // redrawn from unchanged tracers
    EXPECT_EQ(effect.simulate(0.011f, 120), 1);
    EXPECT_EQ(effect.simulate(1.0f, 120), 50); // 1.001 s owed: no cap of 5
    EXPECT_TRUE(allFinite(*effect.grid));

    SimulationClock exact(0.02f);
    exact.add(0.02f);
    EXPECT_FALSE(exact.takeStep()); // owed only once the accumulator exceeds a step

    Pressure2 scene;
    scene.init(150825, 178250);
    // 30 steps of 1/60 s fill 0.5 s only to within float rounding: the last waits for the next frame.
    EXPECT_EQ(scene.simulate(0.5f, 0.3f, 100, 155000), 29);
    EXPECT_GT(scene.clock.accumulator, 0.0166f);
}

TEST(SimulationStep, IsDeterministic)
{
    Pressure a, b;
    setRandomSeed(5);
    a.init(231400, 246800);
    setRandomSeed(5);
    b.init(231400, 246800);
    for (int s = 0; s < 3; ++s) {
        setRandomSeed(11);
        a.step(130);
        setRandomSeed(11);
        b.step(130);
    }
    EXPECT_EQ(a.tracers->positions, b.tracers->positions);
    EXPECT_EQ(a.grid->u, b.grid->u);
}

namespace {

std::vector<Rgba> drawnBy(void (*draw)(const Tracers&), const Tracers& tracers)
{
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw(tracers);
    glFinish();
    return readPixels(0, 0, 256, 256);
}

} // namespace

TEST(Streaks, TheBatchDrawsTheSamePixelsAsImmediateMode)
{
    if (!openGLWindow(256, 256))
        GTEST_SKIP() << "no display";
    setRandomSeed(321);
    Tracers tracers;
    for (float& v : tracers.velocities)
        v = (randomUnit() - 0.5f) * 0.02f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.6, 0.6, -0.6, 0.6, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_LINE_SMOOTH);

    static VertexBatch batch;
    auto still = drawnBy([](const Tracers& t) { drawImmediateStreaks(t, 3, false, 0); }, tracers);
    auto stillBatch = drawnBy([](const Tracers& t) { collectPressureStreaks(t, batch); batch.draw(GL_LINES); }, tracers);
    EXPECT_EQ(batch.vertexCount(), 2 * kTracerCount);
    auto scene = drawnBy([](const Tracers& t) { drawImmediateStreaks(t, 2.5f, true, 41 + 4 * 3); }, tracers);
    auto sceneBatch = drawnBy([](const Tracers& t) { collectPressure2Streaks(t, 3.2f, batch); batch.draw(GL_LINES); }, tracers);
    glDisable(GL_LINE_SMOOTH);

    int lit = 0, differing = 0;
    for (size_t n = 0; n < still.size(); ++n) {
        lit += still[n].b > 40;
        differing += still[n].r != stillBatch[n].r || still[n].g != stillBatch[n].g || still[n].b != stillBatch[n].b;
        differing += scene[n].r != sceneBatch[n].r || scene[n].g != sceneBatch[n].g || scene[n].b != sceneBatch[n].b;
    }
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(differing, 0);
}
