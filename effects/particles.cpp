// particles.cpp - the swarm over the shared scene.
//
// The particle layout comes from fixed seeds (325 for the shared generator, 23 for the C library
// one), so it is the same on every run. The boxes are collected into one vertex batch per frame
// and drawn with a single call instead of a glBegin/glEnd pair, a translate and a rotate per box
// (a quarter of a million calls at 10 000 boxes). On Mesa's llvmpipe both ways cost the same,
// since filling the depth target is what takes the time there (benchmarks/particles_benchmark);
// drivers that pay per call gain.
#include "effects/particles.h"

#include "effects/collada_test.h"
#include "effects/show_timeline.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "scene/scene.h"

#include <GL/glu.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

Particle* particles = nullptr;

namespace {

// The sphere's angles take pi to six digits; the layout was tuned with that value.
const float kPi = 3.14159f;
const float kRadiansPerDegree = 3.14159265f / 180.0f;
const int kAttractorCount = 5;
const int kSourceCount = 14;
const int kVerticesPerBox = 24; // a box: six faces of four corners
// A respawned particle waits up to this long (in position units) before it leaves again.
const float kRespawnSpread = 0.025f;

const float kMagenta[3] = {0.89f, 0.136f, 0.45f};
const float kBlue[3] = {0.35f, 0.43f, 0.9f};

Vector3 toVector3(const Vector& v)
{
    return Vector3(v.x, v.y, v.z);
}

void respawn(Particle& particle, float p)
{
    particle.startTime = p + randomScaled(kRespawnSpread);
    particle.endTime = particle.startTime + particle.duration;
}

// Rotation about the unit axis (1, 1, 1) / sqrt(3), as glRotatef builds it; row-major.
void axisRotation(float angleDegrees, float r[3][3])
{
    float radians = angleDegrees * kRadiansPerDegree;
    float c = std::cos(radians), s = std::sin(radians);
    float axis = 1.0f / std::sqrt(3.0f);
    float diagonal = axis * axis * (1 - c) + c;
    float shared = axis * axis * (1 - c);
    float turn = axis * s;
    r[0][0] = diagonal, r[0][1] = shared - turn, r[0][2] = shared + turn;
    r[1][0] = shared + turn, r[1][1] = diagonal, r[1][2] = shared - turn;
    r[2][0] = shared - turn, r[2][1] = shared + turn, r[2][2] = diagonal;
}

} // namespace

void setParticle(Particle& particle, const Vector3& start, const Vector3& end, float startTime, float endTime)
{
    particle.start = start;
    particle.end = end;
    particle.startTime = startTime;
    particle.endTime = endTime;
    particle.delta = end - start;
    particle.duration = endTime - startTime;
    particle.spare = 0;
}

Vector3 randomOnSphere()
{
    float u1 = randomUnit();
    float u2 = randomUnit();
    return toVector3(sphericalToCartesian(1, 2 * kPi * u2, kPi * u1));
}

float particleProgress(const Particle& particle, float p)
{
    if (p < particle.startTime)
        return 0;
    if (p > particle.endTime)
        return 1;
    return smoothStep(p, particle.startTime, particle.endTime);
}

float particleEnvelope(float m)
{
    if (m < 0.1f) {
        float x = 10 * m;
        return x * x * x * x;
    }
    if (m > 0.95f)
        return 1 - 20 * (m - 0.95f);
    return 1;
}

SwarmLook swarmLookAt(int ms)
{
    if (ms >= timeline::kKeyChangeCue)
        return {kParticleCount, true};
    return {kEarlyParticleCount, false};
}

void particleColor(int i, bool late, float rgb[3])
{
    bool eighth = i % 8 == 0;
    const float* c = eighth != late ? kMagenta : kBlue;
    rgb[0] = c[0], rgb[1] = c[1], rgb[2] = c[2];
}

float particleBaseSize(int i, bool late)
{
    if (!late)
        return 0.175f;
    return i % 8 == 0 ? 0.225f : 0.125f;
}

float particleAngle(int i, float p)
{
    return static_cast<float>(i % 8) * p * 36;
}

void emitParticleBox(VertexBatch& batch, const Vector3& position, float h, float angleDegrees)
{
    float r[3][3];
    axisRotation(angleDegrees, r);
    // The corners A..H of drawBoxFaces, each face's four in its order.
    const float corners[8][3] = {{-h, -h, -h}, {h, -h, -h}, {h, -h, h}, {-h, -h, h},
                                 {-h, h, -h},  {h, h, -h},  {h, h, h},  {-h, h, h}};
    static const int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {3, 2, 6, 7},
                                     {0, 1, 5, 4}, {0, 3, 7, 4}, {1, 2, 6, 5}};
    static const float kTex[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    float turned[8][3];
    for (int k = 0; k < 8; ++k) {
        const float* v = corners[k];
        turned[k][0] = position.x + r[0][0] * v[0] + r[0][1] * v[1] + r[0][2] * v[2];
        turned[k][1] = position.y + r[1][0] * v[0] + r[1][1] * v[1] + r[1][2] * v[2];
        turned[k][2] = position.z + r[2][0] * v[0] + r[2][1] * v[1] + r[2][2] * v[2];
    }
    for (const auto& face : kFaces)
        for (int k = 0; k < 4; ++k) {
            batch.texCoord(kTex[k][0], kTex[k][1]);
            const float* v = turned[face[k]];
            batch.vertex(v[0], v[1], v[2]);
        }
}

Particles::Particles() : stepTimer(new StepTimer(16, 5)) {}

bool Particles::init(unsigned long startMs, unsigned long endMs)
{
    storeSpan(*this, startMs, endMs);
    setRandomSeed(325);
    Vector3 attractors[kAttractorCount];
    for (int i = 0; i < kAttractorCount; ++i)
        attractors[i] = Vector3(1.5f * static_cast<float>(i - 2), 0, 0) + randomOnSphere() * 5.5f;
    Vector3 sources[kSourceCount];
    for (int k = 0; k < kSourceCount; ++k) {
        float r = randomScaled(3.0f);
        sources[k] = randomOnSphere() * (12 - r);
    }

    crt::srand(23);
    delete[] particles;
    particles = new Particle[kParticleCount];
    // The live boxes grow in number over the span; their batch takes the memory of all at once.
    boxes.reserve(kParticleCount * kVerticesPerBox);
    for (int i = 0; i < kParticleCount; ++i) {
        int r = crt::rand();
        int k = r % kSourceCount, c = r % kAttractorCount;
        Vector3 start = sources[k] + randomOnSphere() * 0.75f;
        start.z = std::fabs(start.z);
        Vector3 end = attractors[c] + randomOnSphere() * 1.0f;
        end.y += randomScaled(3.0f) - 2.0f;
        float t0 = static_cast<float>((34 * k + 21) % 100) * 0.0015f;
        float startTime = randomScaled(t0);
        setParticle(particles[i], start, end, startTime, startTime + t0);
    }
    return true;
}

void Particles::draw()
{
    drawWithSceneFade(*this);
}

void Particles::drawParticles(float p)
{
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("particle.jpg"));
    if (!particles)
        return;
    SwarmLook look = swarmLookAt(rvkGetModulePosition());
    boxes.clear();
    for (int i = 0; i < look.count; ++i) {
        Particle& particle = particles[i];
        // After a seek backwards a particle can wait further ahead than any respawn puts it;
        // it is reborn now instead of leaving a hole in the stream until the music catches up.
        if (particle.startTime - p > particle.duration + kRespawnSpread) {
            respawn(particle, p);
            continue;
        }
        float m = particleProgress(particle, p);
        if (m <= 0.01f)
            continue;
        if (m >= 0.99f) {
            respawn(particle, p);
            continue;
        }
        float rgb[3];
        particleColor(i, look.late, rgb);
        boxes.color(rgb[0], rgb[1], rgb[2]);
        Vector3 position = particle.start + particle.delta * m;
        float size = particleBaseSize(i, look.late) * particleEnvelope(m);
        emitParticleBox(boxes, position, size, particleAngle(i, p));
    }
    boxes.draw(GL_QUADS);
}

void Particles::render(float p, float)
{
    beatClock->pulse(); // moves the clock's phase and beat flag on
    int n = beatClock->beatIndex() / 3 + 4;
    stepTimer->advance();
    while (stepTimer->due())
        stepTimer->consume();

    // The swarm's camera circles the attractors, a little closer as the span goes on.
    float a = p - 2.1f * static_cast<float>(n);
    Vector eye = sphericalToCartesian(18 - 2 * p, 4.2f * a - 5, -7.44f * a);
    Vector up = sphericalToCartesian(1, 0.3f * p + 1, -0.9f * p);
    rvkSetPerspective(55, 4, 50);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, 0, 1, 0, up.x, up.y, up.z);
    beatMeter->sample();

    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    float c = 1 - 0.1f * beatMeter->level();
    glColor3f(c, c, c);
    // Fixed-function fog, which stays off; the scene's programs take their density from the fog
    // start, left as the flight before this effect set it.
    float fogLevel = beatMeter->level();
    glFogf(GL_FOG_DENSITY, 0.015f * fogLevel * linearStep(p, 0, 0.05f));
    glDisable(GL_BLEND);

    drawScene(p, a);

    // Depth writes must be on for the capture's clear to reset depth and for the composite to
    // tell the boxes from the empty background.
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    postProcess.beginDepthCapture(true);
    drawParticles(p);
    postProcess.compositeParticles();

    drawNoise(beatMeter->level());
}

// The scene from its own camera at the far end of the hall, under the swarm's projection; the
// modelview of the swarm's camera is kept for the boxes.
void Particles::drawScene(float p, float a)
{
    glPushMatrix();
    glLoadIdentity();
    Vector target = Vector(7.25f, 0, -50) + sphericalToCartesian(3, 6 * a + 3, -3.74f * a);
    Vector3 up(0.4f, 1, 0.9f * std::sin(7.28f * p) + 0.1f);
    up.normalize();
    rvkLookAt(0, -0.355f, -50, target.x, target.y, target.z, up.x, up.y, up.z);
    if (sharedScene) {
        sharedScene->update(10 * p);
        sharedScene->draw(false);
    }
    glPopMatrix();
}

// Faint additive noise, a new image every 30 ms of music.
void Particles::drawNoise(float level)
{
    float g = 0.0075f * level + static_cast<float>(crt::rand() % 100) * 0.01f * 0.05f + 0.08f;
    drawGrainLayer(g);
}
