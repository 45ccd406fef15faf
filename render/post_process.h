// post_process.h - screen-space passes and full-screen quads the effects draw with.
//
// The passes capture a scene into a pool target, add a glow (downsample 1024 -> 512 -> 256 ->
// 128, blur, composite), add a radial blur, or lay the depth-captured particle swarm over the
// window. They keep no state of their own: everything lives in the render-target pool and the GL
// state. The GL state each pass leaves behind is part of its contract (see each operation), and
// effects rely on it: applyGlow and applyRadialBlur leave blending on, drawColorQuad leaves depth
// test and texturing off, drawScreenQuad leaves the depth test off.
//
// A pass whose program is missing (not registered, or no ShaderManager) logs it once and skips
// the draw that needed it; the GL state it leaves is the same.
#pragma once

#include "render/gl_extensions.h"

// Which blur passes of applyGlow are shaded; an unshaded pass is a plain copy.
enum GlowBlurMode {
    GLOW_BLUR_BOTH = 0,
    GLOW_BLUR_HORIZONTAL_ONLY = 1,
    GLOW_BLUR_VERTICAL_ONLY = 2,
};

class PostProcess {
public:
    // Binds texture1024B (multisampled where available) and optionally clears colour and depth.
    void beginSceneCapture(bool clear);
    // Binds the depth target and optionally clears colour and depth.
    void beginDepthCapture(bool clear);
    // Adds a glow of texture1024B (captured with beginSceneCapture) to the window. The blurred
    // 128 image ends in texture128A. Leaves blending on with the composite's function, depth
    // test on, depth writes on, texturing on, unit 0 active, no program, the 3D projection.
    void applyGlow(int iterations, float xoff, float yoff, float blurAlpha, float darkenAlpha, float glowAmount,
                   int blurMode, bool additive);
    // Lays the depth target's colour over the window where something was drawn into it
    // (program "parti"). Leaves blending off, unit 1 texturing off, unit 0 active, no program,
    // the 3D projection. The argument is unused.
    void compositeParticles(float unused = 1.0f);
    // Adds a blur of `texture` towards the picture's centre (program "radial_blur"). Leaves
    // additive blending on, depth test and depth writes on, texturing on, no program, the 3D
    // projection with an identity modelview.
    void applyRadialBlur(GLuint texture, float intensity);
    // The bound texture over the whole window (or the bound target), then the 3D projection and
    // an identity modelview.
    void drawWindowQuad();
};

extern PostProcess postProcess;

// The unit square in one colour; leaves depth test and texturing off, the 3D projection and an
// identity modelview.
void drawColorQuad(float r, float g, float b, float a);
// The bound texture over the unit square, upside down unless flipped (vertex y = 0 takes t = 1
// without flipT); leaves the depth test off and the 3D projection current.
void drawScreenQuad(bool flipS, bool flipT);
// As drawScreenQuad with texturing enabled and the texture cropped by the insets on each side;
// leaves an identity modelview.
void drawScreenQuadInset(bool flipS, bool flipT, float insetS, float insetT);
// The six faces of the cube [-halfSize, halfSize]^3 with normals pointing inward (a room seen
// from inside), texture coordinates 0..texRepeat; call between glBegin(GL_QUADS) and glEnd.
void drawBoxFaces(float halfSize, float texRepeat);
void drawBox(float halfSize, float texRepeat);
