// The swarm: its seeded layout, the size envelope, the look before and after the key change,
// which particles are drawn and which respawn, the boxes' batch against drawBox and in pieces
// against immediate mode, and its frames captured by the program.
#include "effects/particles.h"
#include "effects/show_timeline.h"
#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "test_support.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace BRAVIK_LUMENVAT;
using namespace testsupport;

namespace {

const int kSize = 128;

Particles& initialisedEffect()
{
    static Particles* effect = new Particles;
    effect->init(timeline::kBlurParticles.start, timeline::kBlurParticles.end);
    return *effect;
}

void expectVector(const Vector3& v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, 1e-5f);
    EXPECT_NEAR(v.y, y, 1e-5f);
    EXPECT_NEAR(v.z, z, 1e-5f);
}

// A window looking at the origin from 6 units away, cleared to black, no blending.
void beginView()
{
    ASSERT_TRUE(openGLWindow(kSize, kSize, builtPakPath()));
    glViewport(0, 0, kSize, kSize);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(55, 1, 1, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.3, 1.1, 6, 0, 0, 0, 0, 1, 0);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int litPixels()
{
    int lit = 0;
    for (const Rgba& p : readPixels(0, 0, kSize, kSize))
        lit += (p.r | p.g | p.b) != 0;
    return lit;
}

// Every particle waiting to start just after p (not drawn, not respawned), particle 0 at `m0`
// of its way from (-1, 0, 0) to (1, 0, 0).
void holdSwarm(float p, float m0Time)
{
    for (int i = 0; i < kParticleCount; ++i)
        setParticle(particles[i], Vector3(0, 0, 0), Vector3(0, 0, 1), p + 0.001f, p + 0.1f);
    setParticle(particles[0], Vector3(-1, 0, 0), Vector3(1, 0, 0), p - m0Time, p - m0Time + 1.0f);
}

} // namespace

TEST(ParticlesInit, LaysTheSwarmOutFromTheFixedSeeds)
{
    initialisedEffect();
    const Particle& first = particles[0];
    // The first rand() after srand(23) is 113: source 1, attractor 3, duration 55 * 0.0015.
    expectVector(first.start, -0.945997775f, 7.06965923f, 7.07324362f);
    expectVector(first.end, 1.07010818f, -0.543986559f, -4.46880722f);
    EXPECT_FLOAT_EQ(first.startTime, 0.063736558f);
    EXPECT_FLOAT_EQ(first.endTime, 0.14623657f);
    EXPECT_FLOAT_EQ(first.duration, 0.0825f);
    const Particle& second = particles[1];
    expectVector(second.start, 1.11053872f, -2.76112700f, 9.81443882f);
    EXPECT_FLOAT_EQ(second.startTime, 0.00068968802f);

    Particle copy = particles[9999];
    initialisedEffect();
    EXPECT_EQ(std::memcmp(&copy, &particles[9999], sizeof(Particle)), 0); // same layout every run
    for (int i = 0; i < kParticleCount; ++i) {
        const Particle& p = particles[i];
        ASSERT_GE(p.start.z, 0.0f) << i;
        EXPECT_EQ(p.delta.x, p.end.x - p.start.x);
        EXPECT_EQ(p.duration, p.endTime - p.startTime);
        // Durations are ((34 k + 21) mod 100) * 0.0015 for a source k: 0.0315 .. 0.1425.
        ASSERT_GE(p.duration, 0.0314f) << i;
        ASSERT_LE(p.duration, 0.1426f) << i;
        ASSERT_LT(p.startTime, p.duration) << i;
    }
}

TEST(ParticlesInit, PointsOnTheSphereHaveUnitLength)
{
    setRandomSeed(5);
    for (int i = 0; i < 100; ++i) {
        Vector3 v = randomOnSphere();
        EXPECT_NEAR(std::sqrt(v.dot(v)), 1.0f, 1e-5f);
    }
}

TEST(ParticleEnvelope, SwellsInOverATenthAndShrinksOverTheLastTwentieth)
{
    EXPECT_EQ(particleEnvelope(0), 0.0f);
    EXPECT_NEAR(particleEnvelope(0.01f), 0.0001f, 1e-7f);
    EXPECT_NEAR(particleEnvelope(0.1f), 1.0f, 1e-6f);
    EXPECT_NEAR(particleEnvelope(0.95f), 1.0f, 1e-6f);
    EXPECT_NEAR(particleEnvelope(1.0f), 0.0f, 1e-5f);
    EXPECT_NEAR(particleEnvelope(0.975f), 0.5f, 1e-5f);
}

TEST(SwarmLook, GrowsAndInvertsAtTheKeyChange)
{
    SwarmLook before = swarmLookAt(timeline::kKeyChangeCue - 1), after = swarmLookAt(timeline::kKeyChangeCue);
    EXPECT_EQ(before.count, kEarlyParticleCount);
    EXPECT_FALSE(before.late);
    EXPECT_EQ(after.count, kParticleCount);
    EXPECT_TRUE(after.late);

    float rgb[3];
    particleColor(0, false, rgb);
    EXPECT_FLOAT_EQ(rgb[0], 0.89f); // one in eight magenta early
    particleColor(1, false, rgb);
    EXPECT_FLOAT_EQ(rgb[2], 0.9f);
    particleColor(16, true, rgb);
    EXPECT_FLOAT_EQ(rgb[0], 0.35f); // and blue late
    particleColor(17, true, rgb);
    EXPECT_FLOAT_EQ(rgb[1], 0.136f);

    EXPECT_FLOAT_EQ(particleBaseSize(0, false), 0.175f);
    EXPECT_FLOAT_EQ(particleBaseSize(3, false), 0.175f);
    EXPECT_FLOAT_EQ(particleBaseSize(8, true), 0.225f);
    EXPECT_FLOAT_EQ(particleBaseSize(3, true), 0.125f);
}

TEST(ParticleAngle, EveryEighthBoxNeverTurns)
{
    for (float p : {0.0f, 0.3f, 1.0f}) {
        EXPECT_EQ(particleAngle(0, p), 0.0f);
        EXPECT_EQ(particleAngle(8, p), 0.0f);
    }
    EXPECT_FLOAT_EQ(particleAngle(3, 0.5f), 54.0f);
}

TEST(DrawParticles, SkipsParticlesThatHaveBarelyStarted)
{
    Particles& effect = initialisedEffect();
    beginView();
    // Progress smoothStep(0.1) of 1.0 is 0.028: drawn; 0.05 of the way gives 0.00725: not drawn.
    holdSwarm(0.5f, 0.05f);
    effect.drawParticles(0.5f);
    EXPECT_EQ(litPixels(), 0);
    EXPECT_FLOAT_EQ(particles[0].startTime, 0.45f);
    EXPECT_FLOAT_EQ(particles[1].startTime, 0.501f);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    holdSwarm(0.5f, 0.5f);
    effect.drawParticles(0.5f);
    EXPECT_GT(litPixels(), 20);
}

TEST(DrawParticles, RespawnsArrivedParticlesWithTheirDurationKept)
{
    Particles& effect = initialisedEffect();
    beginView();
    holdSwarm(0.5f, 0.95f); // smoothStep(0.95) = 0.99275
    effect.drawParticles(0.5f);
    EXPECT_EQ(litPixels(), 0);
    const Particle& reborn = particles[0];
    EXPECT_GE(reborn.startTime, 0.5f);
    EXPECT_LT(reborn.startTime, 0.525f);
    EXPECT_NEAR(reborn.endTime - reborn.startTime, 1.0f, 1e-6f);
    EXPECT_FLOAT_EQ(reborn.duration, 1.0f);
}

TEST(DrawParticles, ParticlesLeftFarAheadBySeekingBackAreRebornAtOnce)
{
    Particles& effect = initialisedEffect();
    beginView();
    holdSwarm(0.2f, 0.5f);
    setParticle(particles[5], Vector3(0, 0, 0), Vector3(1, 0, 0), 0.9f, 0.95f);
    effect.drawParticles(0.2f);
    EXPECT_GE(particles[5].startTime, 0.2f);
    EXPECT_LT(particles[5].startTime, 0.225f);
    EXPECT_NEAR(particles[5].duration, 0.05f, 1e-6f);
    EXPECT_FLOAT_EQ(particles[1].startTime, 0.201f); // a particle just ahead keeps waiting
}

TEST(ParticleBoxes, TheBatchDrawsTheSamePixelsAsDrawBox)
{
    beginView();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("particle.jpg"));
    struct Box {
        Vector3 position;
        float size;
        int index;
    };
    const Box boxes[] = {{{-1.2f, 0.3f, 0.5f}, 0.6f, 0}, {{0.4f, -0.2f, 0}, 0.8f, 3}, {{1.3f, 0.9f, -1}, 0.5f, 7},
                         {{0.2f, 1.2f, 1.2f}, 0.3f, 13}};
    const float p = 0.63f;

    for (const Box& b : boxes) {
        glColor3f(0.35f, 0.43f, 0.9f);
        glPushMatrix();
        glTranslatef(b.position.x, b.position.y, b.position.z);
        float axis = static_cast<float>(b.index);
        glRotatef(particleAngle(b.index, p), axis, axis, axis);
        drawBox(b.size, 1);
        glPopMatrix();
    }
    std::vector<Rgba> reference = readPixels(0, 0, kSize, kSize);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    VertexBatch batch;
    batch.color(0.35f, 0.43f, 0.9f);
    for (const Box& b : boxes)
        emitParticleBox(batch, b.position, b.size, particleAngle(b.index, p));
    batch.draw(GL_QUADS);
    std::vector<Rgba> batched = readPixels(0, 0, kSize, kSize);

    // The batch turns the corners on the CPU, so vertex positions differ from GL's matrix path
    // in the last bits: coverage is the same, colours may differ by one step in a few pixels.
    int lit = 0, covered = 0, differing = 0, largest = 0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const Rgba &a = reference[i], &b = batched[i];
        bool litA = (a.r | a.g | a.b) != 0, litB = (b.r | b.g | b.b) != 0;
        lit += litA;
        covered += litA != litB;
        int d = std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
        differing += d != 0;
        largest = std::max(largest, d);
    }
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(covered, 0);
    EXPECT_LE(largest, 1);
    EXPECT_LT(differing, lit / 20);
}

// Over three pieces of the batch, with depth-tested quads overlapping across the pieces: the same
// pixels as immediate mode, whether the driver's fences pace the pieces or are absent.
TEST(ParticleBoxes, ABatchOfSeveralPiecesDrawsWhatImmediateModeDraws)
{
    beginView();
    glDisable(GL_TEXTURE_2D);
    VertexBatch batch;
    auto emit = [&batch](bool immediate) {
        for (int i = 0; i < 10000; ++i) {
            float x = std::fmod(i * 0.618f, 4.0f) - 2, y = std::fmod(i * 0.371f, 4.0f) - 2;
            float z = std::fmod(i * 0.137f, 2.0f) - 1;
            float r = (i % 7) / 6.0f, g = (i % 5) / 4.0f, s = 0.05f + (i % 3) * 0.04f;
            const float corners[4][2] = {{-s, -s}, {s, -s}, {s, s}, {-s, s}};
            if (immediate)
                glColor3f(r, g, 1 - r);
            else
                batch.color(r, g, 1 - r);
            for (const auto& c : corners) {
                if (immediate)
                    glVertex3f(x + c[0], y + c[1], z);
                else
                    batch.vertex(x + c[0], y + c[1], z);
            }
        }
    };
    glBegin(GL_QUADS);
    emit(true);
    glEnd();
    std::vector<Rgba> reference = readPixels(0, 0, kSize, kSize);
    auto differing = [&reference] {
        std::vector<Rgba> now = readPixels(0, 0, kSize, kSize);
        int n = 0;
        for (size_t i = 0; i < now.size(); ++i)
            n += std::memcmp(&now[i], &reference[i], sizeof(Rgba)) != 0;
        return n;
    };
    emit(false);

    gl::loadSync(""); // a driver without GL_ARB_sync: the pieces are only flushed
    ASSERT_EQ(glFenceSync, nullptr);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    batch.draw(GL_QUADS);
    EXPECT_EQ(differing(), 0);

    gl::loadSync(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
    ASSERT_NE(glFenceSync, nullptr);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    batch.draw(GL_QUADS);
    batch.draw(GL_QUADS); // the second draw waits on the first one's last fence
    EXPECT_EQ(differing(), 0);
    EXPECT_GT(litPixels(), kSize * kSize / 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
