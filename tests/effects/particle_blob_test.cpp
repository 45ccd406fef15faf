// The opening effect's logic: the worms, the sprite placement and order, the overlay's timing and
// the fade curve.
#include "effects/particle_blob.h"
#include "render/effect_toolkit.h"
#include "render/helpers.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

// A fresh effect, initialised as at start-up (which also seeds the worms).
ParticleBlob& initialisedEffect()
{
    static ParticleBlob* effect = nullptr;
    delete[] blobParticles;
    if (worms)
        for (int i = 0; i < kWormCount; ++i)
            delete[] worms[i].trail;
    delete[] worms;
    wormStepCount = 0;
    if (!effect)
        effect = new ParticleBlob;
    effect->init(0, 96150);
    return *effect;
}

} // namespace

TEST(Worms, StartFromTheSeededSequence)
{
    initialisedEffect();
    EXPECT_FLOAT_EQ(worms[0].heading, 0.4f);
    EXPECT_FLOAT_EQ(worms[0].position.x, 0.0996551067f);
    EXPECT_EQ(worms[0].turnTimer, 30);
    EXPECT_FLOAT_EQ(worms[39].position.y, 0.694191933f);
    for (int i = 0; i < kWormCount; ++i) {
        EXPECT_EQ(worms[i].head, 0);
        EXPECT_EQ(worms[i].trail[0].x, worms[i].position.x);
    }
}

TEST(Worms, StepForwardAlongTheirHeadingAndRecordTheTrail)
{
    initialisedEffect();
    Worm before = worms[3];
    Vector start = before.position;
    updateWorms();
    EXPECT_EQ(wormStepCount, 1);
    EXPECT_EQ(worms[3].head, 1);
    EXPECT_NEAR(worms[3].position.x, start.x + std::sin(before.heading) * 0.005f, 1e-6f);
    EXPECT_NEAR(worms[3].position.y, start.y + std::cos(before.heading) * 0.005f, 1e-6f);
    EXPECT_EQ(worms[3].trail[1].x, worms[3].position.x);
    EXPECT_EQ(worms[3].turnTimer, before.turnTimer - 1);
}

TEST(Worms, AfterManyStepsTheSimulationIsPinned)
{
    initialisedEffect();
    for (int i = 0; i < 2000; ++i)
        updateWorms();
    EXPECT_FLOAT_EQ(worms[0].position.x, 0.55296427f);
    EXPECT_FLOAT_EQ(worms[17].position.y, 1.38665748f);
    EXPECT_EQ(worms[17].head, 2000);
}

TEST(Worms, LeavingTheFieldRespawnsWithAFreshTrail)
{
    initialisedEffect();
    worms[5].position = Vector(1.999f, 0, 0);
    worms[5].heading = 1.5707963f; // straight along +x
    worms[5].head = 40;
    updateWorms();
    EXPECT_EQ(worms[5].head, 0);
    EXPECT_LE(std::fabs(worms[5].position.x), 1.0f);
    EXPECT_EQ(worms[5].trail[0].x, worms[5].position.x);
    EXPECT_GE(worms[5].turnTimer, 20);
    EXPECT_LT(worms[5].turnTimer, 60);
}

TEST(Worms, EvenAndOddWormsCurlOppositeWaysOnceTheirTimerRunsOut)
{
    initialisedEffect();
    worms[0].turnTimer = 0;
    worms[1].turnTimer = 0;
    float h0 = worms[0].heading, h1 = worms[1].heading;
    updateWorms();
    EXPECT_NEAR(worms[0].heading - h0, 0.052333336f, 1e-6f);
    EXPECT_NEAR(worms[1].heading - h1, -0.052333336f, 1e-6f);
}

TEST(BlobParticles, PlacementIsFixedWhateverTheFrame)
{
    initialisedEffect();
    placeBlobParticle(0.0f, 123);
    Vector a = blobParticles[123].position;
    placeBlobParticle(0.8f, 123);
    EXPECT_EQ(blobParticles[123].position.x, a.x);
    EXPECT_EQ(blobParticles[123].position.z, a.z);
    for (int i = 0; i < kBlobParticleCount; ++i) {
        placeBlobParticle(0.5f, i);
        ASSERT_LE(blobParticles[i].position.length(), 4.0f * std::sqrt(0.75f) + 1e-4f);
    }
    placeBlobParticle(0, 0);
    EXPECT_EQ(blobParticles[0].position.length(), 0.0f); // sin(0) puts the first at the centre
}

TEST(BlobParticles, SortPutsTheFarthestFirst)
{
    initialisedEffect();
    cameraEye = Vector(0, 0, 5);
    BlobParticle near{Vector(0, 0, 4)}, far{Vector(0, 0, -3)}, same{Vector(0, 0, -3)};
    EXPECT_EQ(compareByCameraDistance(&far, &near), -1);
    EXPECT_EQ(compareByCameraDistance(&near, &far), 1);
    EXPECT_EQ(compareByCameraDistance(&far, &same), 0);
}

TEST(BlobOverlay, TitleGlowsUpAndTheVeilLifts)
{
    BlobOverlay start = blobOverlayAt(0);
    EXPECT_TRUE(start.titleShown);
    EXPECT_EQ(start.titleGlow, 0.0f);
    EXPECT_EQ(start.veilAlpha, 1.0f);
    EXPECT_GT(blobOverlayAt(0.075f).titleGlow, 0.999f);
    EXPECT_EQ(blobOverlayAt(1.5f / 9).veilAlpha, 1.0f);
    EXPECT_NEAR(blobOverlayAt(1.75f / 9).veilAlpha, 0.5f, 1e-5f);
    EXPECT_FALSE(blobOverlayAt(2.0f / 9).titleShown);
}

TEST(BlobOverlay, ShaftsFadeBetweenTheirTwoMarks)
{
    EXPECT_EQ(blobOverlayAt(1.3f / 9).shaftFade, 1.0f);
    EXPECT_NEAR(blobOverlayAt(1.4f / 9).shaftFade, 0.5f, 1e-4f);
    EXPECT_EQ(blobOverlayAt(1.5f / 9).shaftFade, 0.0f);
}

TEST(BlobOverlay, OneCreditPerNinthFromTheSecond)
{
    EXPECT_EQ(blobOverlayAt(0.5f / 9).credit, 0);
    BlobOverlay first = blobOverlayAt(1.5f / 9);
    EXPECT_EQ(first.credit, 1);
    EXPECT_NEAR(first.creditAlpha, std::sin(3.14f * 0.5f), 1e-4f);
    EXPECT_EQ(first.creditU, 0.0f); // centred up to t9 = 2
    EXPECT_EQ(blobOverlayAt(2.0f / 9).creditV, 0.0f);
    BlobOverlay third = blobOverlayAt(3.5f / 9);
    EXPECT_EQ(third.credit, 3);
    EXPECT_NEAR(third.creditV, (21 % 5) * 0.05f - 0.15f, 1e-6f);
    EXPECT_NEAR(third.creditU, (69 % 5) * 0.05f - 0.15f + 2 * 0.009f * 0.5f, 1e-5f);
    EXPECT_EQ(blobOverlayAt(1.0f).credit, 8); // held at the last entry
    EXPECT_STREQ(creditImages[4], "credits7.png");
}

TEST(BlobOverlay, ACreditShowsAtTwentySeconds)
{
    BlobOverlay o = blobOverlayAt(20000.0f / 96150.0f);
    EXPECT_EQ(o.credit, 1);
    EXPECT_GT(o.creditAlpha, 0.3f);
    EXPECT_GT(blobOverlayAt(7200.0f / 96150.0f).titleGlow, 0.99f);
}

TEST(ParticleBlobFade, InOverThirtyPercentOutOverTheLastTen)
{
    EXPECT_EQ(particleBlobFade(0), 0.0f);
    EXPECT_NEAR(particleBlobFade(0.15f), 0.5f, 1e-6f);
    EXPECT_EQ(particleBlobFade(0.5f), 1.0f);
    EXPECT_NEAR(particleBlobFade(0.95f), 0.5f, 1e-5f);
    EXPECT_NEAR(particleBlobFade(1.0f), 0.0f, 1e-6f);
}
