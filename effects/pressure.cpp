// pressure.cpp - "pressure" and "pressure2": the fluid streak effects.
//
// The simulation runs in fixed steps of real frame time (0.02 s and 1/60 s) with no cap, while
// the force pattern is a function of the beat; the streaks are one GL_LINES batch of 50 000
// lines drawn additively into the scene capture target, then glowed onto the window.
#include "effects/pressure.h"

#include "effects/collada_test.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "scene/scene.h"

#include <cmath>

using namespace BRAVIK_LUMENVAT;

namespace {

const int kForcesPerStep = 25;

// Step is real time per simulation step (seconds of frame time); Dt is the solver's own time
// step. "pressure" stirs harder, in longer steps, and its tracers lose speed faster.
const float kPressureStep = 0.02f;
const float kPressureForce = 75;
const float kPressureDt = 0.39999998f;
const float kPressureGain = 0.004f;
const float kPressureDamping = 0.95f;
const float kPressureStreakLength = 3;

const float kPressure2Step = 0.016666668f;
const float kPressure2Force = 25;
const float kPressure2Dt = 0.33333334f;
const float kPressure2Gain = 0.0045f;
const float kPressure2Damping = 0.96f;
const float kPressure2StreakLength = 2.5f;
const int kRecycledPerStep = 1023;

// "pressure": anywhere in the box, from the shared generator.
void respawnAnywhere(float* position)
{
    position[0] = randomUnit();
    position[1] = randomUnit();
    position[2] = randomUnit();
}

// "pressure2": on a sphere of radius 0.25 about the box's centre, from the C library generator.
void respawnOnSphere(float* position)
{
    float a = static_cast<float>(crt::rand() & 1023) * 0.01f;
    float b = static_cast<float>(crt::rand() & 1023) * 0.01f;
    position[0] = 0.5f + 0.25f * std::sin(a) * std::cos(b);
    position[1] = 0.5f + 0.25f * std::sin(a) * std::sin(b);
    position[2] = 0.5f + 0.25f * std::cos(a);
}

// The streaks in tracer order; `colourOf(batch, counter, offset)` sets each streak's colour from
// the byte-wide counter and the tracer's float offset.
template <class ColourRule>
void collectStreaks(const Tracers& tracers, float length, VertexBatch& batch, ColourRule colourOf)
{
    batch.clear();
    const float* position = tracers.positions.data();
    const float* velocity = tracers.velocities.data();
    for (int t = 0; t < kTracerCount; ++t, position += 3, velocity += 3) {
        colourOf(batch, static_cast<unsigned char>(t), 3 * t);
        float x = position[0] - 0.5f, y = position[1] - 0.5f, z = position[2] - 0.5f;
        batch.vertex(x, y, z);
        batch.vertex(x + length * velocity[0], y + length * velocity[1], z + length * velocity[2]);
    }
}

// Additive antialiased lines into the scene capture target (cleared to transparent black).
void beginStreakCapture()
{
    glClearColor(0, 0, 0, 0);
    glEnable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glLineWidth(1);
    glBlendFunc(GL_ONE, GL_ONE);
    glEnable(GL_LINE_SMOOTH);
    postProcess.beginSceneCapture(true);
    glColor3f(1, 1, 1);
}

void glowStreaks()
{
    glDisable(GL_LINE_SMOOTH);
    postProcess.applyGlow(4, 0.006f, 0.006f, 1, -1, 1, GLOW_BLUR_BOTH, false);
}

// Film grain a little brighter on loud beats.
void drawStreakGrain()
{
    int n = crt::rand() % 100;
    drawGrainLayer(0.0005f * static_cast<float>(n) + 0.08f + 0.0125f * beatMeter->level());
}

} // namespace

void stirFluid(FluidGrid& grid, unsigned seed, float magnitude)
{
    grid.clearSources();
    randomUnit();
    randomUnit();
    randomUnit();
    crt::srand(seed);
    for (int f = 0; f < kForcesPerStep; ++f) {
        float r[6];
        for (float& value : r)
            value = static_cast<float>(crt::rand() % 1000);
        grid.addForce(r[5], r[4], r[3], r[2], r[1], r[0], magnitude);
    }
}

void collectPressureStreaks(const Tracers& tracers, VertexBatch& batch)
{
    collectStreaks(tracers, kPressureStreakLength, batch, [](VertexBatch& b, unsigned char c, int o) {
        if (c % 64 == 0)
            b.color(0.89f, 0.136f, 0.45f);
        else
            b.colorBytes(8, static_cast<unsigned char>(4 * (o & 3)), 18);
    });
}

void collectPressure2Streaks(const Tracers& tracers, float fog, VertexBatch& batch)
{
    // Truncated to a byte (wrapping), as the byte colour takes it.
    auto green = static_cast<unsigned char>(static_cast<int>(4 * fog + 41) & 255);
    collectStreaks(tracers, kPressure2StreakLength, batch, [green](VertexBatch& b, unsigned char c, int o) {
        if (c % 8 != 0)
            b.colorBytes(static_cast<unsigned char>(3 * (o & 3) + 8), 7, 23);
        else
            b.colorBytes(static_cast<unsigned char>(2 * (o & 3) + 17), 21, green);
    });
}

// ---- both ----

FluidStreaks::FluidStreaks(float stepSeconds) : stepTimer(new StepTimer(16, 5)), clock(stepSeconds) {}

bool FluidStreaks::init(unsigned long startMs, unsigned long endMs)
{
    storeSpan(*this, startMs, endMs);
    grid = std::make_unique<FluidGrid>();
    tracers = std::make_unique<Tracers>();
    return true;
}

void FluidStreaks::draw()
{
    drawWithSceneFade(*this);
}

// ---- pressure ----

Pressure::Pressure() : FluidStreaks(kPressureStep) {}

int Pressure::simulate(float seconds, int beatIndex)
{
    clock.add(seconds);
    int steps = 0;
    for (; clock.takeStep(); ++steps)
        step(beatIndex);
    return steps;
}

void Pressure::step(int beatIndex)
{
    stirFluid(*grid, static_cast<unsigned>(beatIndex), kPressureForce);
    grid->velocityStep(kFluidViscosity, kPressureDt);
    moveTracers(*tracers, *grid, kPressureGain, kPressureDamping, respawnAnywhere);
}

void Pressure::render(float p, float)
{
    rvkSetPerspective(90, 0.005f, 1.75f);
    glLoadIdentity();
    rvkLookAt(0.3f + 0.05f * p, 0, 0.3f - 0.1f * p, 0, 0, 0, 0, 1, 0);

    if (grid)
        simulate(rvkGetDeltaTime(), beatClock->beatIndex());

    drawBackground(beatMeter->level());

    // The streaks need the camera's projection whatever the 2-D quad left behind.
    rvkSetPerspective(90, 0.005f, 1.75f);
    beginStreakCapture();
    if (tracers) {
        collectPressureStreaks(*tracers, streaks);
        streaks.draw(GL_LINES);
    }
    glowStreaks();

    float level = beatMeter->level();
    postProcess.applyRadialBlur(renderTargetPool.texture1024B, 0.305f * level * level);
    drawStreakGrain();
}

// The still image, a little darker on loud beats.
void Pressure::drawBackground(float level)
{
    drawStillBackground("anim4.jpg", 1 - 0.05f * level);
}

// ---- pressure2 ----

Pressure2::Pressure2() : FluidStreaks(kPressure2Step) {}

unsigned Pressure2::forceSeed(float p, int beatIndex)
{
    // The last 4 % holds one pattern; before that it moves every other beat and every 16th of p.
    if (p > 0.96f)
        return static_cast<unsigned>(static_cast<int>(100 * p));
    int t16 = static_cast<int>(-16 * p);
    return static_cast<unsigned>(beatIndex / 2 - t16);
}

int Pressure2::simulate(float seconds, float p, int beatIndex, int ms)
{
    clock.add(seconds);
    unsigned seed = forceSeed(p, beatIndex);
    int steps = 0;
    for (; clock.takeStep(); ++steps)
        step(seed, ms);
    return steps;
}

void Pressure2::step(unsigned seed, int ms)
{
    recycleTracers();
    stirFluid(*grid, seed, kPressure2Force);
    grid->velocityStep(kFluidViscosity, kPressure2Dt);
    crt::srand(static_cast<unsigned>(ms));
    moveTracers(*tracers, *grid, kPressure2Gain, kPressure2Damping, respawnOnSphere);
}

// Sends 1023 tracers out of the box (x = 100) so that they respawn on the sphere this step.
void Pressure2::recycleTracers()
{
    for (int n = 0; n < kRecycledPerStep; ++n) {
        cursor = cursor + 3 > kTracerCount ? 0 : cursor + 3;
        tracers->positions[cursor] = 100;
    }
}

void Pressure2::render(float p, float)
{
    beatClock->pulse(); // read for the beat flag it keeps
    int b = beatClock->beatIndex();
    rvkSetPerspective(90, 0.005f, 1.75f);
    glLoadIdentity();

    float h = 2.5f * p + static_cast<float>(b / 6) - 0.9f * static_cast<float>(b);
    Vector eye = sphericalToCartesian(0.45f, 2 * h, 5 * h);
    Vector target = sphericalToCartesian(0.1f * std::sin(3.1f * p), 1.5f - 0.34f * h + 0.4f, 1.2f - (0.32f * h + 0.4f));
    Vector up = sphericalToCartesian(1, -0.74f * p, -p);
    rvkLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);

    if (grid)
        simulate(rvkGetDeltaTime(), p, b, rvkGetModulePosition());

    // The scene's materials read the fog start as their fog density; the streak colours follow it.
    float fog = 0.015f * beatMeter->level();
    glFogf(GL_FOG_START, fog);
    drawScene(p, b);

    beatMeter->level(); // read for its decay alone: the meter falls on every read
    // The streaks are seen through the scene camera's lens.
    rvkSetPerspective(80, 0.005f, 100);
    beginStreakCapture();
    switch ((beatClock->beatIndex() / 6) % 4) {
    case 0: glRotatef(860 * p, 1, 0.2f, -0.6f); break;
    case 1: glRotatef(-700 * p, 0.4f, 0.7f, -0.2f); break;
    case 2: glRotatef(460 * p, 0.9f, 0.2f, 0.2f); break;
    default: glRotatef(660 * p, -0.3f, 0.7f, 0.47f); break;
    }
    if (tracers) {
        collectPressure2Streaks(*tracers, fog, streaks);
        streaks.draw(GL_LINES);
    }
    glowStreaks();
    drawStreakGrain();
}

// The shared scene from a camera circling near the deep end of the hall, a new vantage each
// beat until beat 96 and one fixed vantage after. Leaves the streak camera's modelview current.
void Pressure2::drawScene(float p, int b)
{
    glPushMatrix();
    rvkSetPerspective(80, 0.005f, 100);
    bool early = b < 96;
    float ang = early ? 0.19f : 0.24f, sc = early ? 0.24f : 0.2f;
    setRandomSeed(early ? static_cast<unsigned>(b) : 22u);
    Vector eye = Vector(0, 2.5f, -50) + randomInBox(1, 1, 1) * 4;
    Vector target = eye;
    float A = (6.28f * ang + 1.2f * static_cast<float>(beatClock->beatIndex() / 6) + 0.3f * 10 * p) * (10 * sc) +
              0.46f * static_cast<float>(b);
    eye += sphericalToCartesian(5, A + 3, -2.74f * A);
    float B = p + 1.2f * static_cast<float>(b / 6);
    target += sphericalToCartesian(4, 1.4f * B + 3, -1.374f * B);
    Vector up(0.4f * std::cos(-3.5f * B), 1, 0.9f * std::sin(2.48f * B) + 0.1f);
    up.normalize();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    rvkLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    if (sharedScene) {
        sharedScene->update(10 * p);
        sharedScene->draw(false);
    }
    glPopMatrix();
}
