// blur_blob.cpp - the closing effect.
//
// A frame, in drawing order: the sprites (normal maps, in index order) into texture1024A over
// white with alpha 0; that layer blurred down to 256 and back; the turning background image and
// the smoke straight into the window; the shared scene; then "blurblob" shades the blurred
// normals with "envmap.png" and lays the column over the picture. The sprites and the smoke are
// placed from fixed seeds and p, the camera and the sprite size from the beat clock, so a
// position always gives the same frame. The StepTimer advances but drives no simulation.
#include "effects/blur_blob.h"

#include "effects/collada_test.h"
#include "render/effect_toolkit.h"
#include "render/gl_extensions.h"
#include "render/helpers.h"
#include "render/post_process.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"
#include "scene/scene.h"

#include <GL/glu.h>

#include <cmath>

using namespace BRAVIK_LUMENVAT;

BlurSprite* blurSprites = nullptr;

namespace {

const float kSceneShiftZ = -37.6f; // puts the scene's (0, 1, 37.6), mid-bay in the arcade, at the target
const float kSceneFogStart = 0.1f;
const int kSmokePuffs = 100;

} // namespace

void placeBlurSprite(int i, float t, float fade)
{
    float b = static_cast<float>(i);
    float T = 2 * t;
    float A = 0.3f * b + 1500;
    float r = 0.15f * std::sin(6.28f * b / 5000 + 0.1f + 2.45f * T) + 0.05f;
    float D = std::sin(0.001f * b + 0.014f * T);
    Vector G(D + 1.5f * A / 5000, 0, 0);
    float k = fade * (A * r / 5000 + 0.05f);
    Vector position;
    if (i <= 2500) {
        position = G + Vector(k * std::sin(0.01f * b), 0.0005f * b, k * std::sin(0.01f * b + 7 * T));
    } else {
        // The second column starts again at the bottom.
        position = G + Vector(k * (std::cos(0.0001f * A + 3 * T) + std::sin(0.01f * A + 6 * T)),
                              0.0005f * static_cast<float>(i - 2500),
                              k * (std::sin(0.005f * b + 2 * T) + std::sin(5 * T + 0.01f * b)));
    }
    // A fixed random direction per sprite, breathing in and out.
    setRandomSeed(static_cast<unsigned>(i));
    position += randomCentered() * std::sin(0.2f * A + 3 * T) * 0.25f;
    blurSprites[i].position = position;
}

int blurBlobShot(int beatIndex)
{
    return ((beatIndex + 4) / 3) % 8;
}

BlurBlobCamera blurBlobCameraAt(float p, int beatIndex)
{
    BlurBlobCamera cam;
    cam.shot = blurBlobShot(beatIndex);
    if (cam.shot <= 2) {
        // Circling close around the column, rising.
        float a = 1.75f * p;
        cam.eye = sphericalToCartesian(1.8f - 0.25f * a, 6.28f * a, 5 * a + 1.0048f);
        cam.part = 0;
    } else if (cam.shot <= 4) {
        // Swinging the other way, drawing in between p 0.25 and 0.41.
        float a = -1.15f * p;
        float q = linearStep(p, 0.250468f, 0.412807f);
        cam.eye = sphericalToCartesian(1.8f - 0.85f * q - 0.25f * a + 0.44f, -4 * 6.28f * 0.34f * a, 3.3284f - 5 * a);
        cam.part = 1;
    } else {
        // A wider, faster orbit.
        float a = 0.5f * p;
        cam.eye = sphericalToCartesian(1.8f - 0.25f * a + 0.6656f + 0.063f, 4 * 6.28f * 0.656f * a, 5 * a + 1.33136f);
        cam.part = 3;
    }
    float below = cam.eye.y - 0.75f;
    cam.eye.y += below * below;
    if (cam.eye.y <= 0.75f)
        cam.eye.y = 0.75f;
    cam.target = Vector(0.05f * std::sin(6.28f * p), 1 + 0.2f * std::sin(9.28f * p), 0);
    cam.up = Vector(0, 1, 0);
    return cam;
}

int blurSpriteCountAt(float p)
{
    float n = kBlurSpriteCount * (1 - linearStep(p, 0.86f, 0.91f));
    return n <= 0 ? 0 : static_cast<int>(std::ceil(n));
}

float blurSpriteSize(float p, int j, float pulse)
{
    return std::fabs(std::sin(20 * p + 0.2f * static_cast<float>(j))) * 0.05f + 0.01f + 0.0175f * pulse;
}

void emitBlurSprites(float p, const Vector3& right, const Vector3& up)
{
    int count = blurSpriteCountAt(p);
    for (int j = 0; j < count; ++j) {
        float s = blurSpriteSize(p, j, beatClock->pulse());
        emitBillboard(blurSprites[j].position, right * s, up * s, kQuadTexFlipped);
    }
}

BlurBlob::BlurBlob() : stepTimer(new StepTimer(16, 5)) {}

bool BlurBlob::init(unsigned long startMs, unsigned long endMs)
{
    blurSprites = new BlurSprite[kBlurSpriteCount];
    setRandomSeed(14);
    crt::srand(8);
    storeSpan(*this, startMs, endMs);
    return true;
}

void BlurBlob::draw()
{
    float p = effectPosition(*this);
    render(p, blurBlobFade(p));
}

void BlurBlob::render(float p, float fade)
{
    sceneLightPhase = 2 + p;
    // The sprites' projection, set before they are drawn; the scene sets its own.
    rvkSetPerspective(75, 0.5f, 5);
    stepTimer->advance();
    while (stepTimer->due())
        stepTimer->consume();

    BlurBlobCamera cam = blurBlobCameraAt(p, beatClock->beatIndex());
    glLoadIdentity();
    gluLookAt(cam.eye.x, cam.eye.y, cam.eye.z, cam.target.x, cam.target.y, cam.target.z, cam.up.x, cam.up.y,
              cam.up.z);

    beatMeter->sample();
    glDisable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    for (int i = 0; i < kBlurSpriteCount; ++i)
        placeBlurSprite(i, 8 * p, fade);

    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_DEPTH_TEST);
    Vector3 right, up, back;
    getBillboardAxes(right, up, back);

    drawBlurSpriteLayer(p, right, up);
    blurSpriteLayer();
    drawBackground(p, fade);
    drawSmoke(p, fade);
    drawScene(cam);
    composite(cam.part);
    glClearColor(0, 0, 0, 0);
}

void beginBlurSpriteLayer()
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024A, false);
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("sphere_normals.png"));
    glColor3f(1, 1, 1);
}

void endBlurSpriteLayer()
{
    renderTargetPool.unbindFBO();
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
}

void drawBlurSpriteLayer(float p, const Vector3& right, const Vector3& up)
{
    beginBlurSpriteLayer();
    glBegin(GL_QUADS);
    emitBlurSprites(p, right, up);
    glEnd();
    endBlurSpriteLayer();
}

// Down to 256, two rounds of horizontal and vertical blur with a widening step, back to 1024.
void BlurBlob::blurSpriteLayer()
{
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    RenderTargetPool& pool = renderTargetPool;
    copyToTarget(512, pool.texture512A, pool.texture1024A);
    copyToTarget(256, pool.texture256A, pool.texture512A);
    for (int n = 0; n < 2; ++n) {
        float offset = (1 + 0.375f * static_cast<float>(n)) / 256; // in texels of 256
        blurToTarget(256, pool.texture256B, pool.texture256A, "blur2x", "xoff", offset, 1.0f);
        blurToTarget(256, pool.texture256A, pool.texture256B, "blur2y", "yoff", offset, 1.0f);
    }
    copyToTarget(512, pool.texture512A, pool.texture256A);
    copyToTarget(1024, pool.texture1024A, pool.texture512A);
}

// The background image turning about a point a little below and left of the centre, a little
// darker on loud beats; it replaces the window's white clear (blending is off).
void BlurBlob::drawBackground(float p, float fade)
{
    glColor4f(1, 1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    float c = (1 - 0.025f * beatMeter->level()) * fade;
    glColor3f(c, c, c);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, textureIdOf("anim1.jpg"));
    glPushMatrix();
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glTranslatef(0.48f, 0.48f, 0);
    glRotatef(-110 * std::sin(1.56f * p), 0, 0, 1);
    drawRect(-0.8f, -0.8f, 0.8f, 0.8f, kQuadTexFlipped);
    glPopMatrix();
}

// A hundred additive puffs wandering slowly about the picture, 25 of each smoke image.
void BlurBlob::drawSmoke(float p, float fade)
{
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    setRandomSeed(232);
    float g = 0.235f * fade;
    TexturedQuadBatch batch;
    for (int i = 0; i < kSmokePuffs; ++i) {
        float rx = randomRange(-1.4f, 1.4f);
        float ry = randomRange(-1.4f, 1.4f);
        float t = static_cast<float>(i) + p * (0.015f + 0.0002f * static_cast<float>(i % 100));
        float f = 4.38f - 0.5f * static_cast<float>(i & 3);
        float u = f * rx * t;
        float x = rx + 0.4f * std::cos(12 * u) + 0.5f * std::sin(8 * f * ry * t);
        float y = ry + 0.4f * std::cos(19 * u) + 0.7f * std::sin(18 * f * (ry - 0.6f * rx) * t);
        batch.useTexture(textureIdOf(kSmokeImages[i / 25]));
        glColor3f(g, g, g);
        emitRect(x - 0.25f, y - 0.25f, x + 0.25f, y + 0.25f, kQuadTexUpright);
    }
    batch.finish();
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
}

// The shared scene around the column's foot, lit by the third light pattern. Its materials turn
// fogged fragments transparent; the fog keeps its start to the end, so after the fade the hall
// still stands in the dark where the background and the smoke have gone black.
void BlurBlob::drawScene(const BlurBlobCamera& cam)
{
    rvkSetPerspective(63, 0.5f, 300);
    glLoadIdentity();
    gluLookAt(cam.eye.x, cam.eye.y, cam.eye.z, cam.target.x, cam.target.y, cam.target.z, cam.up.x, cam.up.y,
              cam.up.z);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    glFogf(GL_FOG_START, kSceneFogStart);
    glTranslatef(0, 0, kSceneShiftZ);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (sharedScene)
        sharedScene->draw(false);
    glDisable(GL_BLEND);
    glPopMatrix();
}

// "blurblob" shades the blurred normals with the environment image and lays the column over
// the picture; where no sprite lay the layer's alpha is 0 and the picture stays as it is.
void BlurBlob::composite(float part)
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    Shader* blurblob = bindProgram("blurblob");
    if (blurblob) {
        blurblob->setUniform1i("tex0", 0);
        blurblob->setUniform1i("tex1", 1);
        blurblob->setUniform1f("part", part);
    }
    bindTwoTextures(renderTargetPool.texture1024A, textureIdOf("envmap.png"));
    glActiveTextureARB(GL_TEXTURE0);
    if (blurblob)
        drawScreenQuad(true, true);
    releaseSecondTexture();
    unbindProgram();
    glDisable(GL_BLEND);
}
