// The scene effect's logic: the three light patterns, the flight camera, the dust culling, and
// its frames captured by the program.
#include "effects/collada_test.h"
#include "render/effect_toolkit.h"
#include "render/helpers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

struct Lights {
    Vector positions[kSceneLightCount];
    float intensities[kSceneLightCount];
};

Lights lightsAt(float c)
{
    Lights l;
    computeSceneLights(c, l.positions, l.intensities);
    return l;
}

void expectNear(const Vector& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-4f);
    EXPECT_NEAR(v.y, y, 1e-4f);
    EXPECT_NEAR(v.z, z, 1e-4f);
}

} // namespace

TEST(SceneLights, DriftAboutTheEntranceInTheFirstPattern)
{
    Lights l = lightsAt(0.5f);
    expectNear(l.positions[0], 0.0687411875f, 2.39119792f, 60.717556f);
    expectNear(l.positions[7], 0.537427902f, 1.48919594f, 58.3197136f);
    for (int i = 0; i < kSceneLightCount; ++i) {
        EXPECT_EQ(l.intensities[i], 1.0f);
        EXPECT_EQ(l.positions[i].w, 1.0f);
        EXPECT_GT(l.positions[i].z, 55.0f);
        EXPECT_LT(std::fabs(l.positions[i].x), 3.1f);
    }
    Lights again = lightsAt(0.5f);
    EXPECT_EQ(again.positions[3].y, l.positions[3].y); // reseeded every time
}

TEST(SceneLights, TheGridStartsAtFullIntensityAndUnmovedAtPhaseOne)
{
    Lights l = lightsAt(1.0f);
    for (int i = 0; i < kSceneLightCount; ++i) {
        EXPECT_EQ(l.intensities[i], 1.0f) << i;
        float fi = static_cast<float>(i);
        expectNear(l.positions[i], 10 * fi + 25 + 4 * static_cast<float>(i & 1),
                   static_cast<float>((5 * i) % 6) + 0.1f + 0.1f * fi - 20, 60 - 21.2f * fi - 11.2f);
    }
}

TEST(SceneLights, TheGridRisesShrinksAndFlickers)
{
    Lights l = lightsAt(1.6f);
    EXPECT_NEAR(l.positions[7].x, 70 * 0.24f + 25 + 4, 1e-3f);
    EXPECT_GT(l.positions[2].y, 5.0f);
    for (int i = 0; i < kSceneLightCount; ++i) {
        EXPECT_GE(l.intensities[i], 0.25f);
        EXPECT_LE(l.intensities[i], 1.0f);
    }
    EXPECT_NEAR(l.intensities[2], 0.663009763f, 1e-5f);
    EXPECT_NEAR(lightsAt(1.2f).intensities[6], 0.638500452f, 1e-5f);
    // Past 0.97 the flicker is no longer clamped and dies away.
    Lights late = lightsAt(1.99f);
    EXPECT_LT(late.intensities[5], 0.25f);
}

TEST(SceneLights, AreDrawnTogetherThenSpreadInTheThirdPattern)
{
    Lights start = lightsAt(2.0f), end = lightsAt(3.0f);
    for (int i = 0; i < kSceneLightCount; ++i) {
        EXPECT_LT(std::fabs(start.positions[i].x), 1.34f);
        EXPECT_LT(start.positions[i].y, 0.56f);
        EXPECT_NEAR(start.positions[i].z, 60 - 4.0f * i, 1e-4f);
        EXPECT_NEAR(end.positions[i].z, 60 - 24.0f * i, 1e-3f);
        EXPECT_EQ(end.positions[i].x, start.positions[i].x);
    }
}

TEST(FlightCamera, FallsDownTheCorridorAlongAQuarterSine)
{
    FlightCamera first = flightCameraAt(0, 96150, 56);
    expectNear(first.eye, -1.49619961f, 0.292093337f, 59.7396317f);
    FlightCamera last = flightCameraAt(1, 123400, 71);
    EXPECT_NEAR(last.eye.z - first.eye.z, -110, 1.2f);
    EXPECT_LT(last.target.z, last.eye.z);
}

TEST(FlightCamera, BeatZeroCountsWithTheFirstSectionAndLateBeatsAreHeld)
{
    FlightCamera zero = flightCameraAt(0.3f, 100000, 0), one = flightCameraAt(0.3f, 100000, 1);
    EXPECT_EQ(zero.eye.x, one.eye.x);
    FlightCamera held = flightCameraAt(0.3f, 100000, 200), twenty = flightCameraAt(0.3f, 100000, 61);
    EXPECT_EQ(held.eye.y, twenty.eye.y);
}

TEST(FlightCamera, ShakesOnlyAfter110Seconds)
{
    setRandomSeed(77);
    flightCameraAt(0.5f, 109999, 40);
    float next = randomUnit();
    setRandomSeed(77);
    randomUnit();
    EXPECT_NE(next, randomUnit()); // the generator was not touched before 110000 ms
    setRandomSeed(77);
    EXPECT_EQ(next, randomUnit());

    FlightCamera calm = flightCameraAt(0.6f, 110000, 40);
    FlightCamera shaking = flightCameraAt(0.6f, 120000, 40);
    FlightCamera same = flightCameraAt(0.6f, 120000, 40);
    EXPECT_EQ(shaking.eye.x, same.eye.x);
    EXPECT_NE(shaking.eye.x, calm.eye.x);
    EXPECT_LT(std::fabs(shaking.eye.x - calm.eye.x), 0.035f * 0.6f);
}

TEST(Dust, IsCulledFromTwelveUnitsAheadAndKeptBehindTheEye)
{
    EXPECT_EQ(dustVisibility(0, -9.9f), 1.0f);
    EXPECT_NEAR(dustVisibility(0, -11.0f), 0.5f, 1e-6f);
    EXPECT_EQ(dustVisibility(0, -12.0f), 0.0f);
    EXPECT_EQ(dustVisibility(0, 5.0f), 1.0f);
}

TEST(SceneEffectFade, TenPercentInAndOut)
{
    EXPECT_EQ(sceneEffectFade(0), 0.0f);
    EXPECT_NEAR(sceneEffectFade(0.05f), 0.5f, 1e-6f);
    EXPECT_EQ(sceneEffectFade(0.5f), 1.0f);
    EXPECT_NEAR(sceneEffectFade(0.95f), 0.5f, 1e-5f);
}

TEST(ColladaTestFrames, AreDeterministicAndNotUniform)
{
    // One frame a second over the span: 97 s is frame 0, then 105, 112, 118 and 123 s.
    std::string a = makeTempDir("scene-a"), b = makeTempDir("scene-b");
    const std::string args = " --from 97000 --to 123000 --fps 1 --size 320x180";
    std::string output;
    ASSERT_EQ(runProgram("--capture " + a + args + " --log " + a + "/log.txt", &output), 0) << output;
    ASSERT_EQ(runProgram("--capture " + b + args + " --log " + b + "/log.txt", &output), 0) << output;
    std::string log;
    ASSERT_TRUE(readFile(a + "/log.txt", log));
    EXPECT_EQ(log.find(" Error:"), std::string::npos);
    EXPECT_EQ(log.find("can't find uniform variable"), std::string::npos);
    for (int frame : {0, 8, 15, 21, 26}) {
        EXPECT_TRUE(sameFrameBytes(a, b, frame)) << frame;
        int w = 0, h = 0;
        Luminance l = luminanceOf(loadPng(framePath(a, frame), w, h));
        EXPECT_GT(l.deviation, 8.0) << frame;
        EXPECT_GT(l.mean, 8.0) << frame;
    }
}

namespace {

double meanDifference(const std::vector<Rgba>& a, const std::vector<Rgba>& b)
{
    if (a.size() != b.size() || a.empty())
        return 255;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += std::abs(a[i].r - b[i].r) + std::abs(a[i].g - b[i].g) + std::abs(a[i].b - b[i].b);
    return sum / (3.0 * a.size());
}

} // namespace

TEST(ColladaTestFrames, LookTheSameWhetherTheShowStartedBeforeTheSpanOrInsideIt)
{
    // The opening sets a projection reaching only five units; the flight must not inherit it.
    // 97000 ms is frame 30 of the run from 94000 and frame 8 of the run from 96200 (ten a second).
    std::string before = makeTempDir("scene-before"), inside = makeTempDir("scene-inside");
    const std::string args = " --to 97000 --fps 10 --size 320x180";
    std::string output;
    ASSERT_EQ(runProgram("--capture " + before + " --from 94000" + args, &output), 0) << output;
    ASSERT_EQ(runProgram("--capture " + inside + " --from 96200" + args, &output), 0) << output;
    int w = 0, h = 0;
    std::vector<Rgba> a = loadPng(before + "/000030.png", w, h);
    std::vector<Rgba> b = loadPng(inside + "/000008.png", w, h);
    // The beat meter's history differs a little between the two runs; a clipped arcade differs
    // in most of the picture.
    EXPECT_LT(meanDifference(a, b), 4.0);
}
