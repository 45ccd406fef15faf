// particle_blob.cpp - the opening effect.
//
// A frame, in drawing order: the sphere sprites (sorted farthest first) into texture1024A over
// mid grey, blurred through the 512 targets; the background (still image, worm trails, smoke)
// into screenTexture1024; the "spherelight" program combines both over the whole picture; then
// the overlay. Worms step at a fixed 16 ms; everything else is a function of p and the module
// position, with fixed seeds, so a position always gives the same frame.
#include "effects/particle_blob.h"
#include "effects/show_timeline.h"

#include "render/effect_toolkit.h"
#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <GL/glu.h>

#include <cmath>
#include <cstdlib>

using namespace BRAVIK_LUMENVAT;

BlobParticle* blobParticles = nullptr;
Worm* worms = nullptr;
int wormStepCount = 0;
Vector cameraEye;
// The credits are listed in the order they are shown, not by their numbers.
const char* const creditImages[9] = {"sublumen_01.png", "credits1.png", "credits2.png",
                                     "credits3.png",    "credits7.png", "credits6.png",
                                     "credits4.png",    "credits5.png", "credits8.png"};

namespace {

const float kSpriteHalfSize = 0.0575f;
const float kBlurStep = 0.0029296875f; // 3 texels of 1024
const float kWormTurn = 0.052333336f;  // 3.14 / 60 per step

float wormHeading()
{
    return static_cast<float>(crt::rand() % 4) * 0.25f * 6.28f + 0.4f;
}

void respawnWorm(Worm& w)
{
    w.position = randomVector();
    w.trail[0] = w.position;
    w.heading = wormHeading();
    w.head = 0;
    w.turnTimer = crt::rand() % 40 + 20;
}

const Vector& trailAt(const Worm& w, int steps)
{
    int i = (w.head - steps) % kWormTrailLength;
    return w.trail[i < 0 ? i + kWormTrailLength : i];
}

void drawSmoke(float p)
{
    setRandomSeed(2355);
    TexturedQuadBatch batch;
    for (int i = 0; i < 40; ++i) {
        float rx = randomRange(-1.4f, 1.4f);
        float ry = randomRange(-1.4f, 1.4f);
        float t = static_cast<float>(i) + p * (0.3f + 0.0004f * static_cast<float>(i % 100));
        float x = rx + 0.4f * std::cos(12 * 1.38f * rx * t) + 0.5f * std::sin(8 * 1.38f * ry * t);
        float y = ry + 0.4f * std::cos(19 * 1.38f * rx * t) + 0.7f * std::sin(18 * 1.38f * (ry - 0.6f * rx) * t);
        float h = static_cast<float>(i % 10) / 100.0f + 0.2f;
        batch.useTexture(textureIdOf(kSmokeImages[i / 10]));
        glColor3f(0.1723f, 0.1723f, 0.1723f);
        emitRect(x - h, y - h, x + h, y + h, kQuadTexUpright);
    }
    batch.finish();
}

// 200 thin shafts hanging from above the top edge, swaying.
void drawShafts(float p, float shaftFade)
{
    setRandomSeed(2323);
    glBegin(GL_TRIANGLES);
    for (int n = 0; n < 200; ++n) {
        randomScaled(0.03f);
        Vector base(n < 66 ? 0.15f : 0.35f, 0, 0);
        base.y = 1.2f + randomScaled(0.15f);
        base += randomInBox(0.15f, 0.05f, 0);
        Vector tip = base + randomInBox(0.2f, 0.3f, 0);
        if (n >= 50)
            tip.x += 0.25f;
        tip.y = randomScaled(0.8f) - 0.6f;
        float b = (randomScaled(0.01f) + 0.025f) * shaftFade;
        if (n % 4 != 0)
            glColor3f(0.4f * b, 0.5f * b, 0.8f * b);
        else
            glColor3f(0.2f * b, 0.3f * b, 0.8f * b);
        float m = static_cast<float>((3 * n) % 10);
        tip.x += randomScaled(0.1f) * std::sin(p * (1.2f * m + 13) + 0.4f * n);
        float hw = 0.0075f * std::sin(p * (0.3f * m + 10) + 0.3f * n) + 0.012f;
        glVertex2f(base.x - hw, base.y);
        glVertex2f(base.x + hw, base.y);
        glVertex2f(tip.x, tip.y);
    }
    glEnd();
}

} // namespace

void updateWorms()
{
    wormStepCount += 1;
    setRandomSeed(static_cast<unsigned>(wormStepCount));
    crt::srand(static_cast<unsigned>(wormStepCount));
    for (int i = 0; i < kWormCount; ++i) {
        Worm& w = worms[i];
        Vector next = w.position + Vector(std::sin(w.heading), std::cos(w.heading), 0) * 0.005f;
        w.head += 1;
        w.position = next;
        w.trail[w.head % kWormTrailLength] = next;
        w.turnTimer -= 1;
        if (w.turnTimer < 0)
            w.heading += i % 2 == 0 ? kWormTurn : -kWormTurn;
        if (w.turnTimer < -30)
            w.turnTimer = crt::rand() % 100 + 10;
        if (std::fabs(next.x) > 2 || std::fabs(next.y) > 2)
            respawnWorm(w);
    }
}

void drawWorms(float, float alphaScale)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    float ms = static_cast<float>(rvkGetModulePosition());
    // The trails swell when the first drop lands.
    float c1 = std::sin(linearStep(ms, timeline::kDropCue, 70000) * 3.14f * 3);
    float c2 = linearStep(ms, timeline::kDropCue, 69200) * c1 * 0.5f;
    float swell = linearStep(ms, timeline::kSwellCue, 69500) + c2;
    float W = swell * swell;
    for (int i = 0; i < kWormCount; ++i) {
        const Worm& w = worms[i];
        // The groups fade in one after another: start windows 0, 3, 6, 1, 4, 7, 2, 5.
        int m = (3 * i) & 7;
        ms = static_cast<float>(rvkGetModulePosition());
        float A = linearStep(ms, timeline::kWormsCue + 1500.0f * m, 57500.0f + 1500.0f * m) * alphaScale;
        glBegin(GL_QUAD_STRIP);
        int n = w.head < kWormTrailLength ? w.head : kWormTrailLength;
        float halfWidth = 0.005f * W + 0.005f + (i % 2 == 0 ? 0.0025f : 0.0f);
        for (int j = 1; j < n; ++j) {
            float e = 1 - std::sin(3.141592f * linearStep(static_cast<float>(j), 0, static_cast<float>(n)));
            float alpha = 0.5f * A * (1 - e * e * e * e);
            if (i % 2 == 1)
                glColor4f(0.623f, 0.0952f, 0.315f, alpha);
            else
                glColor4f(0.35f, 0.43f, 0.95f, alpha);
            const Vector& cur = trailAt(w, j);
            const Vector& prev = trailAt(w, j + 1);
            Vector d = prev - cur;
            d.z = 0;
            d.normalize();
            Vector side = Vector(-d.y, d.x, 0) * halfWidth;
            Vector a = cur - side, b = cur + side;
            glVertex3f(a.x, a.y, a.z);
            glVertex3f(b.x, b.y, b.z);
        }
        glEnd();
    }
}

void placeBlobParticle(float, int index)
{
    setRandomSeed(static_cast<unsigned>(index + 15));
    Vector c = randomCentered();
    blobParticles[index].position = c * std::sin(7.0f * static_cast<float>(index)) * 4.0f;
}

int compareByCameraDistance(const void* a, const void* b)
{
    float da = (static_cast<const BlobParticle*>(a)->position - cameraEye).sqLength();
    float db = (static_cast<const BlobParticle*>(b)->position - cameraEye).sqLength();
    if (da > db)
        return -1;
    if (da < db)
        return 1;
    return 0;
}

BlobOverlay blobOverlayAt(float p)
{
    BlobOverlay o;
    float t9 = 9 * p;
    int k = static_cast<int>(t9);
    if (k > 8)
        k = 8;
    o.progress = linearStep(p, k / 9.0f, (k + 1) / 9.0f);
    float a = std::sin(3.14f * o.progress);
    if (t9 < 2) {
        o.titleShown = true;
        o.veilAlpha = 1 - linearStep(t9, 1.5f, 2);
        float g = std::sin(3.14f * linearStep(p, 0, 0.15f));
        o.titleGlow = g * g;
        o.shaftFade = 1 - linearStep(p, 1.3f / 9, 1.5f / 9);
    }
    if (a > 0 && t9 >= 1) {
        o.credit = k;
        o.creditAlpha = a;
        if (t9 > 2) {
            o.creditV = static_cast<float>((7 * k) % 5) * 0.05f - 0.15f;
            o.creditU = static_cast<float>((23 * k) % 5) * 0.05f - 0.15f;
            o.creditU += (o.creditU < 0 ? -1.0f : 1.0f) * static_cast<float>(k % 2 + 1) * 0.009f * o.progress;
        }
    }
    return o;
}

ParticleBlob::ParticleBlob() : stepTimer(new StepTimer(16, 5)) {}

bool ParticleBlob::init(unsigned long startMs, unsigned long endMs)
{
    blobParticles = new BlobParticle[kBlobParticleCount];
    setRandomSeed(14);
    crt::srand(8);
    // The worms' start depends on the generator having drawn these thirty values first.
    for (int i = 0; i < 10; ++i)
        randomCentered();
    worms = new Worm[kWormCount];
    for (int i = 0; i < kWormCount; ++i) {
        Worm& w = worms[i];
        w.heading = wormHeading();
        w.position = randomVector();
        w.head = 0;
        w.trail = new Vector[kWormTrailLength];
        w.trail[0] = w.position;
        w.turnTimer = crt::rand() % 40 + 20;
    }
    storeSpan(*this, startMs, endMs);
    return true;
}

void ParticleBlob::draw()
{
    float p = effectPosition(*this);
    render(p, particleBlobFade(p));
}

void ParticleBlob::render(float p, float fade)
{
    rvkSetPerspective(90, 0.005f, 5);
    stepTimer->advance();
    while (stepTimer->due()) {
        updateWorms();
        stepTimer->consume();
    }

    // The camera drifts in; from 68500 ms its target swings out.
    Vector eye = sphericalToCartesian(1.75f - 0.8f * p, p, -0.6f * p);
    cameraEye = eye;
    float ms = static_cast<float>(rvkGetModulePosition());
    float u = linearStep(ms, timeline::kSwellCue, 69600);
    float s = std::sin(u * 1.57f);
    s *= s;
    Vector target = Vector(0.2f * s * s, 0.4f * s, 0) + sphericalToCartesian(0.75f * p, 2 - 8.3f * p, 7.9f * p);
    if (u > 0)
        target += sphericalToCartesian(0.5f * u, -6.3f * p, 9.9f * p);
    Vector up(0.5f * p, 1, s);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, target.x, target.y, target.z, up.x, up.y, up.z);

    beatMeter->level();

    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < kBlobParticleCount; ++i)
        placeBlobParticle(p, i);
    std::qsort(blobParticles, kBlobParticleCount, sizeof(BlobParticle), compareByCameraDistance);

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    Vector3 right, billboardUp, back;
    getBillboardAxes(right, billboardUp, back);

    drawSphereLayer(right * kSpriteHalfSize, billboardUp * kSpriteHalfSize);
    blurSphereLayer();
    drawBackgroundLayer(p);
    composite(fade);
    drawOverlay(p);
    glClearColor(0, 0, 0, 0);
}

// Normal-map sprites over mid grey; the alpha test keeps each sprite's disc, and drawing
// farthest first lets nearer spheres cover farther ones.
void ParticleBlob::drawSphereLayer(const Vector3& r, const Vector3& v)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024A, false);
    glClearColor(0.5f, 0.5f, 0.5f, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, 0.9f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("sphere_normals.png"));
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    for (int i = 0; i < kBlobParticleCount; ++i)
        emitBillboard(blobParticles[i].position, r, v, kQuadTexFlipped);
    glEnd();
    glDisable(GL_ALPHA_TEST);
    renderTargetPool.unbindFBO();
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
}

// Down to 512, two horizontal and vertical blur rounds, back up to 1024.
void ParticleBlob::blurSphereLayer()
{
    float w = static_cast<float>(rvkGetWindowWidth()), h = static_cast<float>(rvkGetWindowHeight());
    rvkPerspective2D(w, h);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 0);

    RenderTargetPool& pool = renderTargetPool;
    copyToTarget(512, pool.texture512A, pool.texture1024A);
    for (int round = 0; round < 2; ++round) {
        blurToTarget(512, pool.texture512B, pool.texture512A, "blur2x", "xoff", kBlurStep, 1.0f);
        blurToTarget(512, pool.texture512A, pool.texture512B, "blur2y", "yoff", kBlurStep, 1.0f);
    }
    copyToTarget(1024, pool.texture1024A, pool.texture512A);
}

// The still image, the worm trails and the smoke.
void ParticleBlob::drawBackgroundLayer(float p)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.screenTexture1024, false);
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("anim0.jpg"));
    drawScreenQuad(true, true);

    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    drawWorms(p, 1);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_SRC_ALPHA);
    drawSmoke(p);
    renderTargetPool.unbindFBO();
}

// "spherelight" turns the blurred normals into lit, refracting blobs over the background.
void ParticleBlob::composite(float fade)
{
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    rvkPerspective3D();
    glLoadIdentity();
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    beatMeter->level();

    Shader* spherelight = bindProgram("spherelight");
    if (spherelight) {
        spherelight->setUniform1i("tex0", 0);
        spherelight->setUniform1i("tex1", 1);
        spherelight->setUniform1f("dist", 0.0f);
    }
    glColor4f(fade, fade, fade, fade);
    bindTwoTextures(renderTargetPool.texture1024A, renderTargetPool.screenTexture1024);
    if (spherelight)
        drawScreenQuad(true, true);
    releaseSecondTexture();
    unbindProgram();
}

void ParticleBlob::drawOverlay(float p)
{
    BlobOverlay o = blobOverlayAt(p);
    if (o.titleShown) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        drawColorQuad(0, 0, 0, o.veilAlpha);

        glBlendFunc(GL_ONE, GL_ONE);
        glEnable(GL_BLEND);
        rvkPerspective2D(1, 1);
        glLoadIdentity();
        glDisable(GL_TEXTURE_2D);
        drawShafts(p, o.shaftFade);

        // The title zooms in slowly.
        float g = o.titleGlow, z = 0.3f * p;
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textureIdOf(creditImages[0]));
        glDisable(GL_DEPTH_TEST);
        glColor4f(g, g, g, g);
        drawRect(0, 0, 1, 1, QuadTexCoords{{{z, 1 - z}, {1 - z, 1 - z}, {1 - z, z}, {z, z}}});
        rvkPerspective3D();
        glDisable(GL_BLEND);
    }
    if (o.credit > 0) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 1, 1, o.creditAlpha);
        glEnable(GL_BLEND);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, textureIdOf(creditImages[o.credit]));
        glDisable(GL_DEPTH_TEST);
        rvkPerspective2D(1, 1);
        glLoadIdentity();
        float su = o.creditU, sv = o.creditV;
        drawRect(0, 0, 1, 1, QuadTexCoords{{{su, 1 + sv}, {su + 1, 1 + sv}, {su + 1, sv}, {su, sv}}});
        rvkPerspective3D();
        glDisable(GL_BLEND);
    }
}
