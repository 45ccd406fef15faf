// post_process.cpp - the passes and the quads.
#include "render/post_process.h"

#include "engine_api.h"
#include "render/render_target_pool.h"
#include "render/shader_manager.h"

#include <set>
#include <string>

using namespace BRAVIK_LUMENVAT;

PostProcess postProcess;

namespace {

const float kCorners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

// A registered program, or null after logging (once per name) that the pass will skip its draw.
Shader* passProgram(const char* name)
{
    Shader* shader = shaderManager ? shaderManager->getShader(name) : nullptr;
    if (!shader) {
        static std::set<std::string> reported;
        if (reported.insert(name).second)
            rvkMsg("PostProcess: program \"%s\" is missing; its pass draws nothing\n", name);
    }
    return shader;
}

void useNoProgram()
{
    glUseProgramObjectARB(0);
}

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

// One step of the glow chain: `source` drawn into a target with `program` (null: a plain copy).
// A program that was asked for but is missing skips the draw.
void glowStep(void (*bindTarget)(GLuint), GLuint target, GLuint source, Shader* program, bool shaded)
{
    bindTarget(target);
    glBindTexture(GL_TEXTURE_2D, source);
    if (!shaded || program)
        windowQuad(windowWidth(), windowHeight(), false);
    renderTargetPool.unbindFBO();
    if (program)
        useNoProgram();
}

void bind512(GLuint texture)
{
    renderTargetPool.bindTextureFBO512(texture);
}

void bind256(GLuint texture)
{
    renderTargetPool.bindTextureFBO256(texture);
}

void bind128(GLuint texture)
{
    renderTargetPool.bindTextureFBO128(texture);
}

// Binds a blur program for one glow pass; null when the pass is a copy or the program is missing.
Shader* bindBlur(const char* name, const char* offsetName, float offset, float blurAlpha)
{
    Shader* blur = passProgram(name);
    if (blur) {
        blur->bind();
        blur->setUniform1i("tex", 0);
        blur->setUniform1f(offsetName, offset);
        blur->setUniform1f("alpha", blurAlpha);
    }
    return blur;
}

void screenQuad(float s0, float s1, float t0, float t1)
{
    glBegin(GL_QUADS);
    glTexCoord2f(s0, t1);
    glVertex2f(0, 0);
    glTexCoord2f(s1, t1);
    glVertex2f(1, 0);
    glTexCoord2f(s1, t0);
    glVertex2f(1, 1);
    glTexCoord2f(s0, t0);
    glVertex2f(0, 1);
    glEnd();
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
    bool darkened = darkenAlpha >= 0;
    Shader* darken = nullptr;
    if (darkened) {
        darken = passProgram("darken");
        if (darken) {
            darken->bind();
            glActiveTextureARB(GL_TEXTURE0_ARB);
            glBindTexture(GL_TEXTURE_2D, pool.texture1024B);
            darken->setUniform1i("tex", 0);
            darken->setUniform1f("alpha", darkenAlpha);
        }
    } else {
        useNoProgram();
    }
    glowStep(bind512, pool.texture512A, pool.texture1024B, darken, darkened);
    glowStep(bind256, pool.texture256A, pool.texture512A, nullptr, false);
    glowStep(bind128, pool.texture128A, pool.texture256A, nullptr, false);

    // Each shaded pass brightens by 20 % before blurAlpha; the result is back in texture128A.
    for (int i = 0; i < iterations; ++i) {
        bool horizontal = blurMode != GLOW_BLUR_VERTICAL_ONLY;
        Shader* blurX = horizontal ? bindBlur("blurx", "xoff", xoff, blurAlpha) : nullptr;
        glowStep(bind128, pool.texture128B, pool.texture128A, blurX, horizontal);
        bool vertical = blurMode != GLOW_BLUR_HORIZONTAL_ONLY;
        Shader* blurY = vertical ? bindBlur("blury", "yoff", yoff, blurAlpha) : nullptr;
        glowStep(bind128, pool.texture128A, pool.texture128B, blurY, vertical);
    }

    glEnable(GL_BLEND);
    if (additive)
        glBlendFunc(GL_ONE, GL_ONE);
    else
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, 1);
    Shader* glowc = passProgram("glowc");
    if (glowc) {
        glowc->bind();
        glowc->setUniform1f("glow_amount", glowAmount);
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, pool.texture1024B);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, pool.texture128A);
    if (glowc) {
        glowc->setUniform1i("texunit0", 0);
        glowc->setUniform1i("texunit1", 1);
        windowQuad(w, h, true);
    }

    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    useNoProgram();
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

    Shader* parti = passProgram("parti");
    if (parti)
        parti->bind();
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, pool.depthColorTexture);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, pool.depthTexture);
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
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    useNoProgram();
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

    Shader* radialBlur = passProgram("radial_blur");
    if (radialBlur) {
        radialBlur->bind();
        radialBlur->setUniform2f("resolution", w, h);
        radialBlur->setUniform1f("intensity", intensity);
        windowQuad(w, h, false);
    }
    useNoProgram();
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
