// The effect helpers: pacing, beat following, the tempo clock, curves and both generators.
#include "render/helpers.h"
#include "scripted_engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void startAt(double ms)
{
    scripted::Script script;
    script.startMs = ms;
    scripted::reset(script);
    BRAVIK_LUMENVAT::rvkUpdateTimer();
}

} // namespace

TEST(StepTimer, OwesAtMostMaxStepsAfterASeek)
{
    startAt(0);
    StepTimer timer(16, 5);
    timer.advance();
    BRAVIK_LUMENVAT::rvkAdjustTime(1000);
    timer.advance();
    int steps = 0;
    while (timer.due()) {
        timer.consume();
        ++steps;
    }
    // The cap is 80 ms; a step is owed only while strictly more than 16 ms remain.
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(timer.accumulator, 16);
    EXPECT_EQ(timer.frameCount(), 2);
}

TEST(StepTimer, AnAccumulatorEqualToTheStepIsNotDue)
{
    startAt(0);
    StepTimer timer(16, 5);
    timer.advance();
    BRAVIK_LUMENVAT::rvkAdjustTime(16);
    timer.advance();
    EXPECT_EQ(timer.accumulator, 16);
    EXPECT_FALSE(timer.due());
    BRAVIK_LUMENVAT::rvkAdjustTime(1);
    timer.advance();
    EXPECT_TRUE(timer.due());
}

TEST(StepTimer, SeekingBackwardsCountsAsElapsedTime)
{
    startAt(5000);
    StepTimer timer(25, 5);
    timer.advance();
    timer.consume();
    timer.accumulator = 0;
    BRAVIK_LUMENVAT::rvkAdjustTime(-40);
    timer.advance();
    EXPECT_EQ(timer.lastDelta, 40);
    EXPECT_EQ(timer.accumulator, 40);
}

TEST(BeatMeter, LevelJumpsToTheMeanAndFallsAt35PerSecond)
{
    scripted::Script script;
    script.spectrum.assign(512, 0.0f);
    script.spectrum[0] = 4.0f;
    script.spectrum[511] = 1000.0f; // bin 511 is not summed
    script.deltaSeconds = 0.1f;
    scripted::reset(script);

    BeatMeter meter(8);
    // Mean of a history of eight: one sample of 4 gives 0.5.
    EXPECT_FLOAT_EQ(meter.level(), 0.5f);
    for (int i = 0; i < 7; ++i)
        meter.level();
    EXPECT_FLOAT_EQ(meter.level(), 4.0f);

    script.spectrum.assign(512, 0.0f);
    scripted::reset(script);
    // Falling 3.5 per 0.1 s frame, then held at the (still positive) mean of the history.
    EXPECT_FLOAT_EQ(meter.level(), 3.5f);
    EXPECT_FLOAT_EQ(meter.level(), 3.0f);
}

TEST(BeatClock, PulseFallsFromOneAndFlagsOnlyTheCrossing)
{
    startAt(0);
    BeatClock clock(35.0f, 0);
    EXPECT_FLOAT_EQ(clock.pulse(), 1.0f);
    EXPECT_EQ(clock.beatFlag, 0);

    BRAVIK_LUMENVAT::rvkAdjustTime(857);
    EXPECT_NEAR(clock.pulse(), 0.5f, 0.001f);
    EXPECT_EQ(clock.beatFlag, 0);

    BRAVIK_LUMENVAT::rvkAdjustTime(1000); // 1857 ms: past the beat at 1714.285 ms
    clock.pulse();
    EXPECT_EQ(clock.beatFlag, 1);
    EXPECT_EQ(clock.index, 1);
    clock.pulse();
    EXPECT_EQ(clock.beatFlag, 0);
}

TEST(BeatClock, BeatIndexCountsWholePeriods)
{
    startAt(1714);
    BeatClock clock(35.0f, 0);
    EXPECT_EQ(clock.beatIndex(), 0);
    BRAVIK_LUMENVAT::rvkAdjustTime(1);
    EXPECT_EQ(clock.beatIndex(), 1);
    BRAVIK_LUMENVAT::rvkAdjustTime(96150 - 1715);
    EXPECT_EQ(clock.beatIndex(), 56);
}

TEST(Curves, EdgesAndTheCosineCutoff)
{
    EXPECT_EQ(linearStep(1.0f, 1.0f, 2.0f), 0.0f);
    EXPECT_EQ(linearStep(2.0f, 1.0f, 2.0f), 1.0f);
    EXPECT_FLOAT_EQ(linearStep(1.25f, 1.0f, 2.0f), 0.25f);
    EXPECT_EQ(cosineStep(0.01f, 0.0f, 1.0f), 0.0f); // raw value under 0.001
    EXPECT_NEAR(cosineStep(0.5f, 0.0f, 1.0f), 1.0f - std::cos(0.5f * 1.5707963f), 1e-6f);
    EXPECT_EQ(cosineStep(1.15f, 0.0f, 1.15f), 1.0f);
    EXPECT_EQ(smoothStep(0.0f, 0.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(smoothStep(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_EQ(clampf(5, 0, 1), 1.0f);
    EXPECT_EQ(clampf(-5, 0, 1), 0.0f);
    EXPECT_EQ(minf(2, 1), 1.0f);
}

TEST(RandomUnit, SequenceFromTheInitialStateIsPinned)
{
    setRandomSeed(93186752u);
    // state' = 1588635695 * (state & 1) - 1117695901 * (state >> 1), mod 2^32.
    uint32_t state = 93186752u;
    for (int i = 0; i < 5; ++i) {
        state = 1588635695u * (state & 1u) - 1117695901u * (state >> 1);
        EXPECT_FLOAT_EQ(randomUnit(), static_cast<float>(state * 2.3283064392492017e-10));
    }
    setRandomSeed(93186752u);
    EXPECT_FLOAT_EQ(randomUnit(), 0.09763933f);
    EXPECT_FLOAT_EQ(randomUnit(), 0.6913774f);
    EXPECT_FLOAT_EQ(randomUnit(), 0.9868461f);
}

TEST(RandomUnit, VectorFormsDrawInOrderAndReverseIntoXyz)
{
    setRandomSeed(7);
    float r1 = randomUnit(), r2 = randomUnit(), r3 = randomUnit();
    setRandomSeed(7);
    Vector v = randomCentered();
    EXPECT_FLOAT_EQ(v.x, r3 - 0.5f);
    EXPECT_FLOAT_EQ(v.y, r2 - 0.5f);
    EXPECT_FLOAT_EQ(v.z, r1 - 0.5f);
    setRandomSeed(7);
    Vector b = randomInBox(2, 4, 6);
    EXPECT_FLOAT_EQ(b.z, (r1 - 0.5f) * 6);
    setRandomSeed(7);
    EXPECT_FLOAT_EQ(randomRange(10, 20), 10 + r1 * 10);
    EXPECT_EQ(randomScaled(0), 0.0f);
    EXPECT_FLOAT_EQ(randomScaled(3), 3 * r2); // the zero scale drew nothing
}

TEST(CrtRandom, MatchesTheClassicLinearCongruentialSequence)
{
    crt::srand(1);
    EXPECT_EQ(crt::rand(), 41);
    EXPECT_EQ(crt::rand(), 18467);
    EXPECT_EQ(crt::rand(), 6334);
    crt::srand(106919);
    int first = crt::rand();
    crt::srand(106919);
    EXPECT_EQ(crt::rand(), first);
}

TEST(CrtRandom, FillModulo255GivesTheBytesAndLeavesTheStateOfOneCallPerByte)
{
    // Counts below, at and around the interleaved block size, and a noise texture's size plus a tail.
    for (unsigned seed : {1u, 106919u, 0xFFFFFFFFu})
        for (size_t count : {size_t(0), size_t(1), size_t(15), size_t(16), size_t(17), size_t(1000),
                             size_t(1024 * 1024 + 5)}) {
            crt::srand(seed);
            std::vector<unsigned char> expected(count);
            for (unsigned char& byte : expected)
                byte = static_cast<unsigned char>(crt::rand() % 255);
            int next = crt::rand();

            crt::srand(seed);
            std::vector<unsigned char> filled(count, 255);
            crt::fillModulo255(filled.data(), filled.size());
            EXPECT_TRUE(filled == expected) << "seed " << seed << ", " << count << " bytes";
            EXPECT_EQ(crt::rand(), next) << "seed " << seed << ", " << count << " bytes";
        }
}

TEST(PointList, BakeFreezesThePointsAndEmptiesTheList)
{
    PointList list;
    list.bake();
    EXPECT_EQ(list.count, 0);
    list.add(Vector3(1, 2, 3));
    list.add(Vector3(4, 5, 6));
    list.bake();
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.points[1].y, 5.0f);
    EXPECT_TRUE(list.pending.empty());
    list.release();
    EXPECT_EQ(list.count, 0);
}

TEST(SphericalToCartesian, ThetaFromZAndPhiAroundIt)
{
    Vector v = sphericalToCartesian(2, 1.5707963f, 0);
    EXPECT_NEAR(v.x, 2, 1e-5f);
    EXPECT_NEAR(v.z, 0, 1e-5f);
    v = sphericalToCartesian(2, 0, 1);
    EXPECT_NEAR(v.z, 2, 1e-5f);
}
