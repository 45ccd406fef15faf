// collada_test.cpp - the scene effect and the shared scene's lights.
//
// Every random number here comes from reseeded generators (the shared one and the C library
// one), so positions, lights and specks are functions of p and the module position.
#include "effects/collada_test.h"
#include "effects/show_timeline.h"

#include "render/effect_toolkit.h"
#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "scene/collada.h"
#include "scene/material.h"
#include "scene/scene.h"
#include "scene/scene_manager.h"

#include <GL/glu.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

Scene* sharedScene = nullptr;
Vector* sceneLights = nullptr;
float sceneLightPhase = 0;

namespace {

const unsigned kLightSeed = 106919;
const int kDustSpecks = 850;

// A position with its random parts drawn in a fixed order: x first, then y.
Vector randomCorridorPoint(float xRange, float zPosition)
{
    float x = randomRange(-xRange, xRange);
    float y = randomRange(0.015f, 2.5f);
    return Vector(x, y, zPosition, 1);
}

// Lights swinging from below into a grid off to the +x side, then flickering out.
void gridLight(float q, int i, Vector& position, float& intensity)
{
    float fi = static_cast<float>(i);
    float A = (0.02f * q + 0.01f) * 10;
    float rise = 25 * smoothStep(q, 0, 0.5f);
    position.x = 10 * fi * (1 - 0.76f * linearStep(q, 0, 0.6f)) + 25 + 4 * static_cast<float>(i & 1);
    position.y = rise + static_cast<float>((5 * i) % 6) + 0.1f + fi * A - 20;
    position.z = rise + 60 - 0.53f * 40 * fi - 11.2f;
    position.w = 1;

    int a = (6 * i) % 9, b = (7 * i) % 5;
    if (q > 0.97f) {
        float h = linearStep(q, 0.98f, 1);
        int k = static_cast<int>(static_cast<float>(a) * h);
        intensity = static_cast<float>(std::pow(std::sin((k + 6 * i + 20) * 6.28f * h), b + 8));
        return;
    }
    float t = smoothStep(q, 0, 0.3f);
    t *= t;
    int k = static_cast<int>(static_cast<float>(a) * q);
    float flicker = static_cast<float>(std::pow(std::sin((k + 6 * i + 40) * 6.28f * q), b + 14));
    intensity = clampf(flicker * t + (1 - t), 0.25f, 1);
}

void handToGL(int i, const Vector& position, float intensity)
{
    float p[4] = {position.x, position.y, position.z, 1};
    float c[4] = {intensity, intensity, intensity, intensity};
    glLightfv(GL_LIGHT0 + i, GL_POSITION, p);
    glLightfv(GL_LIGHT0 + i, GL_DIFFUSE, c);
}

} // namespace

void computeSceneLights(float c, Vector positions[kSceneLightCount], float intensities[kSceneLightCount])
{
    if (c >= 1 && c < 2) {
        for (int i = 0; i < kSceneLightCount; ++i)
            gridLight(c - 1, i, positions[i], intensities[i]);
        return;
    }
    crt::srand(kLightSeed);
    setRandomSeed(kLightSeed);
    for (int i = 0; i < kSceneLightCount; ++i) {
        float fi = static_cast<float>(i);
        intensities[i] = 1;
        if (c < 1) {
            // Drifting about the entrance end of the corridor.
            Vector base = randomCorridorPoint(1.5f, 60 - 0.4f * fi);
            positions[i] = base + sphericalToCartesian(1.5f * std::sin(fi + c), fi + 25 * c, (0.1f * fi + 1.2f) * 23 * c);
        } else {
            // Pulled together, then spreading down the corridor at the very end.
            float e = linearStep(c - 2, 0.86f, 1);
            e *= e;
            float x = 0.89f * randomRange(-1.5f, 1.5f);
            float y = 0.22f * randomRange(0.015f, 2.5f);
            positions[i] = Vector(x, y, 60 - (0.5f * e + 0.1f) * 40 * fi);
        }
        positions[i].w = 1;
    }
}

void setSceneLights(Material*)
{
    Vector positions[kSceneLightCount];
    float intensities[kSceneLightCount];
    computeSceneLights(sceneLightPhase, positions, intensities);
    for (int i = 0; i < kSceneLightCount; ++i) {
        sceneLights[i] = positions[i];
        handToGL(i, positions[i], intensities[i]);
    }
}

FlightCamera flightCameraAt(float p, int ms, int beatIndex)
{
    // A section counter that moves on every three beats (beat 0 counts with the first section).
    int nb = (beatIndex - 1) / 3;
    if (nb > 20)
        nb = 20;
    float n = static_cast<float>(nb);
    Vector base = sphericalToCartesian(1, 0.8f * n - 4.35f * p, 3 * n + 2.14f * p) * 1.5f;
    FlightCamera cam;
    cam.eye = Vector(base.x, base.y + 1.5f, 60 - 110 * std::sin(1.5707963f * p)) +
              sphericalToCartesian(0.56f, 0.73f * 0.8f * n, 0.25f * 3 * n);
    cam.target = Vector(base.x, base.y, cam.eye.z - 100) + sphericalToCartesian(25, 6 * p, n - 7.74f * p);
    cam.up = Vector(0.4f * std::cos(-1.4f * p - 0.9f * n), 1, 0.9f * std::sin(6.28f * p) + 0.1f);
    float m = static_cast<float>(ms);
    float shake = linearStep(m, timeline::kRisingCue, timeline::kShakeEndCue);
    if (ms > timeline::kRisingCue) {
        setRandomSeed(static_cast<unsigned>(p * 1000));
        cam.eye += randomInBox(1, 1, 1) * 0.035f * shake;
        cam.target += randomInBox(0.5f, 0.5f, 0.5f) * 0.07f * shake;
    }
    return cam;
}

float dustVisibility(float eyeZ, float speckZ)
{
    float dz = eyeZ - speckZ;
    return dz < 10 ? 1.0f : 1.0f - linearStep(dz, 10, 12);
}

ColladaTest::ColladaTest() : stepTimer(new StepTimer(16, 5)) {}

bool ColladaTest::init(unsigned long startMs, unsigned long endMs)
{
    storeSpan(*this, startMs, endMs);
    ColladaDocument* document = loadColladaDocument("skene_ao_materials_fixd.dae");
    sharedScene = buildScenes(document);
    sceneManager->loadMaterials();
    bindMaterials(document, sharedScene, sceneManager, "skene.material_bindings.xml", setSceneLights);

    crt::srand(kLightSeed);
    sceneLights = new Vector[kSceneLightCount];
    for (int i = 0; i < kSceneLightCount; ++i)
        sceneLights[i] = randomCorridorPoint(1.5f, 60 - 20 * static_cast<float>(i));
    return true;
}

void ColladaTest::draw()
{
    drawWithSceneFade(*this);
}

void ColladaTest::render(float p, float fade)
{
    sceneLightPhase = p;
    float level = beatMeter->level();

    // The projection follows the picture's shape, so the scene is never stretched.
    float aspect = static_cast<float>(rvkGetWindowWidth()) / static_cast<float>(rvkGetWindowHeight());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(53, aspect, 0.1, 32768);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    drawBackground(level);

    float pulse = beatClock->pulse();
    int ms = rvkGetModulePosition();
    FlightCamera cam = flightCameraAt(p, ms, beatClock->beatIndex());
    glLoadIdentity();
    rvkLookAt(cam.eye.x, cam.eye.y, cam.eye.z, cam.target.x, cam.target.y, cam.target.z, cam.up.x, cam.up.y,
              cam.up.z);

    // The materials read the fog start as the density of their own distance fog; it fades out
    // once the shake begins.
    float fogFade = linearStep(static_cast<float>(ms), timeline::kRisingCue, timeline::kFogGoneCue);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    glFogf(GL_FOG_START, (0.0115f * beatMeter->level() + 0.015f + 0.075f - 0.075f * p) * (1 - fogFade));

    placeLights(p, pulse);

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (sharedScene)
        sharedScene->draw(false);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);

    float dustLevel = drawDust(p, fade, cam.eye);
    drawGrain(dustLevel);
}

// The background image, a little darker on loud beats, zooming in on every beat.
void ColladaTest::drawBackground(float level)
{
    float c = 1 - 0.05f * level;
    glColor3f(c, c, c);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("anim5.jpg"));
    float b = beatClock->pulse() * 0.0195f;
    drawScreenQuadInset(false, false, b, b);
    glDepthMask(GL_TRUE);
}

// The corridor of lights for this effect's own frame; materials that carry setSceneLights
// replace them while the scene draws.
void ColladaTest::placeLights(float p, float pulse)
{
    crt::srand(kLightSeed);
    setRandomSeed(kLightSeed);
    for (int i = 0; i < kSceneLightCount; ++i) {
        float fi = static_cast<float>(i);
        Vector base = randomCorridorPoint(1.5f, 60 - 20 * fi);
        sceneLights[i] = base + sphericalToCartesian(0.2f * std::sin(fi + p), fi + 25 * p, (0.1f * fi + 1.2f) * 13 * p + pulse);
        sceneLights[i].w = 1;
        handToGL(i, sceneLights[i], 1);
    }
}

// Specks that darken what lies behind them, drifting through the corridor ahead of the eye.
// Returns the beat level it read, which the grain uses too.
float ColladaTest::drawDust(float p, float fade, const Vector& eye)
{
    Vector3 right, up, back;
    getBillboardAxes(right, up, back);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    setRandomSeed(343);
    float level = beatMeter->level();
    glBindTexture(GL_TEXTURE_2D, textureIdOf("particle1.jpg"));
    glBegin(GL_QUADS);
    float cb = 0.29713f * fade;
    for (int i = 0; i < kDustSpecks; ++i) {
        float fi = static_cast<float>(i);
        Vector pos = randomCorridorPoint(1.25f, 60 - 160 * fi / kDustSpecks);
        if (i == 0)
            pos += sphericalToCartesian(0.6f, -9.8f * p, 4 * p);
        else
            pos += sphericalToCartesian(1 + 0.25f * static_cast<float>((3 * i) % 10), 1.9f * fi + 4.28f * p, 0.9f * fi - 9 * p);
        glColor3f(cb, cb, fade * (0.29239714f + 0.0173f * static_cast<float>(i & 3)));
        float k = dustVisibility(eye.z, pos.z);
        if (k <= 0)
            continue;
        float s = (0.05f * static_cast<float>((7 * i) % 8) + 0.06f + 0.025f * level) * k;
        emitBillboard(pos, right * s, up * s, kQuadTexUpright);
    }
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    return level;
}

// Film grain: a new noise image every 30 ms of music.
void ColladaTest::drawGrain(float level)
{
    int n = crt::rand() % 100;
    drawGrainLayer(0.0005f * static_cast<float>(n) + 0.08f + 0.0125f * level);
}
