// skene1.cpp - the night water: the ripple simulation and its normal map, the mirrored and the
// normal pass of the scene, moon, puffs and dust, and the water quad over them.
//
// Reproducibility: the puffs are placed once from the shared generator at init; the moon and the
// dust reseed it every pass, so both passes and every run of a frame draw the same sprites.
#include "effects/skene1.h"

#include "effects/collada_test.h"
#include "render/effect_toolkit.h"
#include "render/helpers.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

using namespace BRAVIK_LUMENVAT;

Vector3 skeneEye, skeneTarget, skeneUp;
Vector* skenePuffs = nullptr;
int skenePuffCount = kSkenePuffCount;

namespace {

const int kDustMotes = 450;
const float kMoonHalfSize = 8.0f;
const float kPuffHalfSize = 6.25f;
const float kDropHeight = 255.0f;
const float kDamping = 0.975f;

int clampIndex(long long v)
{
    return static_cast<int>(std::min<long long>(std::max<long long>(v, 0), 255));
}

// One channel of the normal map: rounded to the nearest integer (ties to even), low byte kept.
unsigned char packChannel(float v)
{
    return static_cast<unsigned char>(std::lrint(v) & 0xFF);
}

} // namespace

// ---- the ripple field ----

WaterRipple::WaterRipple(int size)
    : n(size), current(static_cast<size_t>(size) * size, 0.0f), previous(current), scratch(current),
      normalMap(static_cast<size_t>(size) * size * 3, 0)
{
}

void WaterRipple::createTexture()
{
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, normalMap.data());
}

void WaterRipple::step()
{
    const float* c = current.data();
    float* p = previous.data();
    for (int y = 1; y <= n - 3; ++y)
        for (int x = 1; x <= n - 3; ++x) {
            int i = x + n * y;
            float s = 0.9f * (c[i - n] + c[i + n] + c[i + 1] + c[i - 1]) +
                      0.1f * (c[i - 1 - n] + c[i + 1 - n] + c[i + 1 + n] + c[i - 1 + n]);
            // Only the half sum is truncated toward zero, before the older level is subtracted.
            p[i] = std::trunc(0.5f * s) - p[i];
            p[i] *= kDamping;
        }
    scratch = previous;
    previous = current;
    current = scratch;
}

int dropRow(int frameCount, int i)
{
    long long m = 7LL * frameCount;
    return clampIndex(((m + (i & 1) + i + 5) % 10 + 3) * 16);
}

int dropColumn(int i)
{
    double side = (i & 1) ? 256.0 / 9.7 : -256.0 / 9.7;
    return clampIndex(static_cast<long long>(side + 128.0 - 3.2241814));
}

void WaterRipple::drop(int frameCount)
{
    for (int i = 0; i < 8; ++i)
        previousAt(dropColumn(i), dropRow(frameCount, i)) = kDropHeight;
}

void WaterRipple::computeNormalMap()
{
    // Heights one step behind `current`, truncated toward zero before use (once per cell, into
    // `scratch`, which only carries data inside step).
    for (size_t i = 0; i < previous.size(); ++i)
        scratch[i] = std::trunc(previous[i]);
    auto H = [this](int x, int y) { return scratch[x + n * y]; };
    for (int y = 1; y <= n - 3; ++y)
        for (int x = 1; x <= n - 3; ++x) {
            float gx = H(x - 1, y + 1) + H(x - 1, y - 1) + 2 * H(x - 1, y) - H(x + 1, y - 1) - 2 * H(x + 1, y) -
                       H(x + 1, y + 1);
            float gy = 2 * H(x, y - 1) + H(x - 1, y - 1) + H(x + 1, y - 1) - H(x - 1, y + 1) - 2 * H(x, y + 1) -
                       H(x + 1, y + 1);
            float k = fastInvSqrt(gx * gx + gy * gy + 65025.0f); // 65025 = 255^2
            unsigned char* t = &normalMap[3 * (x + n * y)];
            t[0] = packChannel(gy * k * 127 + 128);
            t[1] = packChannel(255 * k * 127 + 128);
            t[2] = packChannel(gx * k * 127 + 128);
        }
}

void WaterRipple::updateNormalMap()
{
    computeNormalMap();
    if (!texture)
        return;
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, n, n, 0, GL_RGB, GL_UNSIGNED_BYTE, normalMap.data());
}

float fastInvSqrt(float x)
{
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    bits = 0x5f3759dfu - (bits >> 1);
    float y;
    std::memcpy(&y, &bits, sizeof y);
    return y * (1.5f - 0.5f * x * y * y);
}

bool runRippleSteps(StepTimer& timer, WaterRipple& ripple)
{
    if (!timer.due())
        return false;
    do {
        // frameCount counts advance calls, so every step of a frame drops or none does.
        if (timer.frameCount() % 4 == 0)
            ripple.drop(timer.frameCount());
        ripple.step();
        timer.consume();
    } while (timer.due());
    ripple.updateNormalMap();
    return true;
}

// ---- camera, puffs ----

Vector puffWobble(float t, const Vector& c)
{
    float a = 1.8f * t * c.x, b = 1.8f * t * c.y, d = 1.8f * t * c.z;
    return Vector(0.52f * std::cos(17 * d) + 1.1f * std::sin(8 * b) + 1.3f * std::cos(12 * a),
                  1.22f * std::cos(6 * d) + 1.5f * std::cos(19 * a) + 1.6f * std::sin(18 * 1.8f * t * (c.y - 0.6f * c.x)),
                  1.42f * std::cos(6 * 1.8f * t * (c.z - 0.6f * c.x)) + 0.98f * std::sin(12 * b) + 2.1f * std::cos(9 * a));
}

void placeSkeneCamera(float p)
{
    float s = std::sin(2.7f * p);
    s *= s;
    skeneEye = Vector3((9.5f - 2 * p * p) * (0.5f * s + 0.5f), 2.3f - 1.3f * p, 4 * p + 40);
    skeneTarget = Vector3(0, 0, 12 * smoothStep(p, 0, 1) + 30);
    skeneUp = Vector3(0, 1, 0);
}

void applySkeneCamera()
{
    glLoadIdentity();
    // Through the engine, so that programs reading the camera ("camDir") see this one.
    rvkLookAt(skeneEye.x, skeneEye.y, skeneEye.z, skeneTarget.x, skeneTarget.y, skeneTarget.z, skeneUp.x, skeneUp.y,
              skeneUp.z);
}

// ---- the passes ----

namespace {

// A point drawn as x, then y, then z from the shared generator (the order fixes the sequence).
Vector randomPoint(float x0, float x1, float y0, float y1, float z0, float z1)
{
    float x = randomRange(x0, x1);
    float y = randomRange(y0, y1);
    float z = randomRange(z0, z1);
    return Vector(x, y, z);
}

void drawScene(float p)
{
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    glPushMatrix();
    glColor4f(1, 1, 1, 1);
    // The materials read the fog start as their fog density.
    glFogf(GL_FOG_START, 0.06f);
    // The scene sinks slowly into the water and tilts by 1 to 2 degrees.
    glTranslatef(0, (0.3f - 0.1f * p) * 12 - 2.5f - 0.25f * p * p, -1);
    glRotatef(smoothStep(p, 0, 1) + 1, 1, 0, 0.1f * p + 0.3f);
    if (sharedScene) {
        sharedScene->update(10 * p);
        sharedScene->draw(false);
    }
    glPopMatrix();
}

void drawMoon(const Vector3& right, const Vector3& up, bool reflection)
{
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glDepthMask(GL_FALSE);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("moon.jpg"));
    glBegin(GL_QUADS);
    setRandomSeed(39560);
    Vector c = randomPoint(-6, -8, 0.15f, 15.5f, 30, -35) + Vector(-2.45f, -0.6000003f, 11.75f) + Vector(0, 0, 32);
    // Rows run top first in the normal pass; the mirror turns the sprite over, so its rows are
    // flipped back there.
    emitBillboard(c, right * kMoonHalfSize, up * kMoonHalfSize, reflection ? kQuadTexUpright : kQuadTexFlipped);
    glEnd();
}

void drawPuffs(float p, float fade, const Vector3& right, const Vector3& up)
{
    const int perImage = kSkenePuffCount / 4;
    TexturedQuadBatch batch;
    for (int i = 0; i < skenePuffCount && skenePuffs; ++i) {
        float fi = static_cast<float>(i);
        Vector w = puffWobble(0.05f * p, skenePuffs[i]) * 0.342f;
        // The wobble's z lifts the puff and its y moves it along z.
        Vector centre = skenePuffs[i] + Vector((std::pow(fi, 1.5f) - 0.75f) * 0.0095f * p, w.z, w.y);
        batch.useTexture(textureIdOf(kSmokeImages[std::min(i / perImage, 3)]));
        glColor3f(0.0908f * fade, 0.0908f * fade, (0.0173f * static_cast<float>(i % 4) + 0.094f + 0.0008f) * fade);
        emitBillboard(centre, right * kPuffHalfSize, up * kPuffHalfSize, kQuadTexUpright);
    }
    batch.finish();
}

// Glinting motes, drifting away from the eye as p grows; ends with the batch still open.
void beginDust(float p, float fade, const Vector3& right, const Vector3& up)
{
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    setRandomSeed(343);
    if (beatMeter)
        beatMeter->sample();
    glBindTexture(GL_TEXTURE_2D, textureIdOf("particle1.jpg"));
    glBegin(GL_QUADS);
    float W = 0.19713f * fade;
    Vector eye(skeneEye);
    for (int n = 0; n < kDustMotes; ++n) {
        float fn = static_cast<float>(n);
        Vector pos = randomPoint(3, -14, 0.15f, 25.5f, 30, -35) + Vector(0, 0, 32);
        pos += sphericalToCartesian(1.5f + 0.25f * static_cast<float>((3 * n) % 10), 1.9f * fn + 4.28f * p,
                                    0.9f * fn - 9 * p);
        Vector d = pos - eye + sphericalToCartesian(0.2f, p + fn, 3 * p);
        pos += d * p * 2;
        float t = (0.5f * static_cast<float>(n & 7) + 7) * 0.5f * p;
        float v = clampf(0.2f * std::cos(12 * t) + 0.5f + 0.2f * std::sin(8 * t) + 0.1f * std::cos(17 * t), 0, 1);
        v *= v;
        glColor3f(v * W, v * W, v * (0.0173f * static_cast<float>(n & 3) + 0.2859713f) * fade);
        float s = 0.051f * static_cast<float>((7 * n) % 8) + 0.1f;
        emitBillboard(pos, right * s, up * s, kQuadTexUpright);
    }
}

} // namespace

void drawSkenePass(float p, float fade, bool reflection)
{
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    Vector3 right, up, back;
    getBillboardAxes(right, up, back);

    drawScene(p);
    drawMoon(right, up, reflection);
    drawPuffs(p, fade, right, up);
    beginDust(p, fade, right, up);

    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    // What the pass leaves behind: alpha blending chosen, the height map bound, the generator
    // reseeded; nothing is drawn with them.
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("sphere_heightmap.png"));
    setRandomSeed(4343);
    glDisable(GL_BLEND);
}

void drawSkeneReflection(float p, float fade)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024B, false);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    applySkeneCamera();
    glPushMatrix();
    glTranslatef(0, 0, 0);
    glScalef(1, -1, 1);
    // Set under the mirror: keeps what lies above the water (y >= 0 before mirroring).
    const GLdouble above[4] = {0, 1, 0, 0};
    glClipPlane(GL_CLIP_PLANE0, above);
    glEnable(GL_CLIP_PLANE0);
    drawSkenePass(p, fade, true);
    glDisable(GL_CLIP_PLANE0);
    glPopMatrix();
    renderTargetPool.unbindFBO();
}

// ---- the effect ----

Skene1::Skene1() : stepTimer(new StepTimer(25, 5)) {}

bool Skene1::init(unsigned long startMs, unsigned long endMs)
{
    ripple = new WaterRipple(WaterRipple::kSize);
    ripple->createTexture();
    crt::srand(106919);
    skenePuffs = new Vector[kSkenePuffCount];
    skenePuffCount = kSkenePuffCount;
    for (int i = 0; i < kSkenePuffCount; ++i)
        skenePuffs[i] = randomPoint(-6, -8, 0.15f, 15.5f, 30, -35) + Vector(0, 0, 32);
    storeSpan(*this, startMs, endMs);
    return true;
}

void Skene1::draw()
{
    float p = effectPosition(*this);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    rvkSetPerspective(60, 0.01f, 10000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // No fade: the span cuts in and out on its music.
    render(p, 1.0f);
}

void Skene1::render(float p, float fade)
{
    sceneLightPhase = p + 1;

    stepTimer->advance();
    if (ripple)
        runRippleSteps(*stepTimer, *ripple);
    if (beatClock)
        beatClock->pulse();

    placeSkeneCamera(p);
    drawSkeneReflection(p, fade);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);
    applySkeneCamera();
    drawSkenePass(p, fade, false);

    drawWater(p);
}

// The water quad in the plane y = 0 under the scene: the reflection on unit 0, the ripple
// normals on unit 1, the same texture coordinates on both.
void Skene1::drawWater(float p)
{
    glColor3f(1, 1, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Shader* water = bindProgram("water");
    if (water && ripple) {
        water->setUniform1f("pos", p);
        bindTwoTextures(renderTargetPool.texture1024B, ripple->texture);
        water->setUniform1i("water_reflection", 0);
        water->setUniform1i("water_normalmap", 1);
        const float corners[4][5] = {{0, 1, -12, 0, 23}, {0, 0, -12, 0, 47}, {1, 0, 12, 0, 47}, {1, 1, 12, 0, 23}};
        glBegin(GL_QUADS);
        for (const float* c : corners) {
            glMultiTexCoord2fARB(GL_TEXTURE0, c[0], c[1]);
            glMultiTexCoord2fARB(GL_TEXTURE1, c[0], c[1]);
            glVertex3f(c[2], c[3], c[4]);
        }
        glEnd();
        releaseSecondTexture();
        glDisable(GL_TEXTURE_2D);
    }
    glDisable(GL_BLEND);
    unbindProgram();
}
