// post_process.cpp - the passes and the quads.
#include "render/post_process.h"

#include "engine_api.h"
#include "render/effect_toolkit.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

using namespace BRAVIK_LUMENVAT;

PostProcess postProcess;

namespace {

const float kCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A quad over the whole window, or over whatever target is bound, since every binder sets the
// viewport to its target. Both units get the coordinates when `bothUnits`.
void windowQuad(float width, float height, bool bothUnits)
{
    rvkPerspective2D(width, height);
    glLoadIdentity();
    glBegin(GL_QUADS);
    for (const auto& c : kCorners) {
        if (bothUnits) {
            glMultiTexCoord2fARB(GL_TEXTURE0_ARB, c[0], c[1]);
            glMultiTexCoord2fARB(GL_TEXTURE1_ARB, c[0], c[1]);
        } else {
            glTexCoord2f(c[0], c[1]);
        }
        glVertex2f(c[0] * width, c[1] * height);
    }
    glEnd();
}

float windowWidth()
{
    return static_cast<float>(rvkGetWindowWidth());
}

float windowHeight()
{
    return static_cast<float>(rvkGetWindowHeight());
}

// One blur pass of the glow chain into a 128 target: shaded with `program`, or a plain copy.
void glowBlurStep(bool shaded, GLuint target, GLuint source, const char* program, const char* offsetName,
                  float offset, float blurAlpha)
{
    if (shaded)
        blurToTarget(128, target, source, program, offsetName, offset, blurAlpha);
    else
        copyToTarget(128, target, source);
}

void screenQuad(float s0, float s1, float t0, float t1)
{
    drawRect(0, 0, 1, 1, QuadTexCoords{{{s0, t1}, {s1, t1}, {s1, t0}, {s0, t0}}});
}

} // namespace

void PostProcess::beginSceneCapture(bool clear)
{
    renderTargetPool.bindTextureFBO1024(renderTargetPool.texture1024B, false);
    if (clear)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void PostProcess::beginDepthCapture(bool clear)
{
    renderTargetPool.bindDepthFBO();
    if (clear)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void PostProcess::applyGlow(int iterations, float xoff, float yoff, float blurAlpha, float darkenAlpha,
                            float glowAmount, int blurMode, bool additive)
{
    RenderTargetPool& pool = renderTargetPool;
    pool.unbindFBO();
    float w = windowWidth(), h = windowHeight();
    rvkPerspective2D(w, h);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);

    // 1024 -> 512, darkened unless darkenAlpha is negative, then plain downsamples to 128.
    if (darkenAlpha >= 0) {
        Shader* darken = bindProgram("darken");
        if (darken) {
            glActiveTextureARB(GL_TEXTURE0_ARB);
            glBindTexture(GL_TEXTURE_2D, pool.texture1024B);
            darken->setUniform1i("tex", 0);
            darken->setUniform1f("alpha", darkenAlpha);
            copyToTarget(512, pool.texture512A, pool.texture1024B);
            unbindProgram();
        } else {
            pool.bindTextureFBO512(pool.texture512A);
            pool.unbindFBO();
        }
    } else {
        unbindProgram();
        copyToTarget(512, pool.texture512A, pool.texture1024B);
    }
    copyToTarget(256, pool.texture256A, pool.texture512A);
    copyToTarget(128, pool.texture128A, pool.texture256A);

    // Each shaded pass brightens by 20 % before blurAlpha; the result is back in texture128A.
    for (int i = 0; i < iterations; ++i) {
        glowBlurStep(blurMode != GLOW_BLUR_VERTICAL_ONLY, pool.texture128B, pool.texture128A, "blurx", "xoff", xoff,
                     blurAlpha);
        glowBlurStep(blurMode != GLOW_BLUR_HORIZONTAL_ONLY, pool.texture128A, pool.texture128B, "blury", "yoff", yoff,
                     blurAlpha);
    }

    glEnable(GL_BLEND);
    if (additive)
        glBlendFunc(GL_ONE, GL_ONE);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    Shader* glowc = findProgram("glowc");
    if (glowc) {
        glowc->bind();
        glowc->setUniform1f("glow_amount", glowAmount);
    }
    bindTwoTextures(pool.texture1024B, pool.texture128A);
    if (glowc) {
        glowc->setUniform1i("texunit0", 0);
        glowc->setUniform1i("texunit1", 1);
        windowQuad(w, h, true);
    }

    releaseSecondTexture();
    unbindProgram();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    rvkPerspective3D();
}

void PostProcess::compositeParticles(float)
{
    RenderTargetPool& pool = renderTargetPool;
    pool.unbindFBO();
    float w = windowWidth(), h = windowHeight();
    rvkPerspective2D(w, h);
    glLoadIdentity();

    Shader* parti = findProgram("parti");
    if (parti)
        parti->bind();
    bindTwoTextures(pool.depthColorTexture, pool.depthTexture);
    if (parti) {
        parti->setUniform1i("TU0", 0);
        parti->setUniform1i("TU1", 1);
    }

    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    if (parti)
        windowQuad(w, h, true);

    glDisable(GL_BLEND);
    releaseSecondTexture();
    unbindProgram();
    rvkPerspective3D();
}

void PostProcess::applyRadialBlur(GLuint texture, float intensity)
{
    float w = windowWidth(), h = windowHeight();
    renderTargetPool.unbindFBO();
    rvkPerspective2D(w, h);
    glLoadIdentity();

    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glColor4f(1, 1, 1, 1);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glColor3f(1, 1, 1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);

    Shader* radialBlur = findProgram("radial_blur");
    if (radialBlur) {
        radialBlur->bind();
        radialBlur->setUniform2f("resolution", w, h);
        radialBlur->setUniform1f("intensity", intensity);
        windowQuad(w, h, false);
    }
    unbindProgram();
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    rvkPerspective3D();
    glLoadIdentity();
}

void PostProcess::drawWindowQuad()
{
    windowQuad(windowWidth(), windowHeight(), false);
    rvkPerspective3D();
    glLoadIdentity();
}

void drawColorQuad(float r, float g, float b, float a)
{
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    for (const auto& c : kCorners)
        glVertex2f(c[0], c[1]);
    glEnd();
    rvkPerspective3D();
    glLoadIdentity();
}

void drawScreenQuad(bool flipS, bool flipT)
{
    glDisable(GL_DEPTH_TEST);
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    screenQuad(flipS ? 1.0f : 0.0f, flipS ? 0.0f : 1.0f, flipT ? 1.0f : 0.0f, flipT ? 0.0f : 1.0f);
    rvkPerspective3D();
}

void drawScreenQuadInset(bool flipS, bool flipT, float insetS, float insetT)
{
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    rvkPerspective2D(1, 1);
    glLoadIdentity();
    float s0 = insetS, s1 = 1 - insetS, t0 = insetT, t1 = 1 - insetT;
    screenQuad(flipS ? s1 : s0, flipS ? s0 : s1, flipT ? t1 : t0, flipT ? t0 : t1);
    rvkPerspective3D();
    glLoadIdentity();
}

void drawBoxFaces(float h, float r)
{
    const float A[3] = {-h, -h, -h}, B[3] = {h, -h, -h}, C[3] = {h, -h, h}, D[3] = {-h, -h, h};
    const float E[3] = {-h, h, -h}, F[3] = {h, h, -h}, G[3] = {h, h, h}, H[3] = {-h, h, h};
    struct Face {
        float normal[3];
        const float* corners[4];
    };
    const Face faces[6] = {
        {{0, 1, 0}, {A, B, C, D}},  {{0, -1, 0}, {E, F, G, H}}, {{0, 0, -1}, {D, C, G, H}},
        {{0, 0, 1}, {A, B, F, E}},  {{1, 0, 0}, {A, D, H, E}},  {{-1, 0, 0}, {B, C, G, F}},
    };
    const float texture[4][2] = {{0, 0}, {r, 0}, {r, r}, {0, r}};
    for (const Face& face : faces) {
        glNormal3fv(face.normal);
        for (int i = 0; i < 4; ++i) {
            glTexCoord2fv(texture[i]);
            glVertex3fv(face.corners[i]);
        }
    }
}

void drawBox(float halfSize, float texRepeat)
{
    glBegin(GL_QUADS);
    drawBoxFaces(halfSize, texRepeat);
    glEnd();
}
